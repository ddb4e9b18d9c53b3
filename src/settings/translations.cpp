#include "settings/translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace Translations {

namespace {
// The translator lives as long as the application it is installed on.
bool load(const QString &file, const QString &folder)
{
    auto *translator = new QTranslator(QCoreApplication::instance());
    if (translator->load(file, folder) && QCoreApplication::installTranslator(translator))
        return true;
    delete translator;
    return false;
}
}   // namespace

bool install(const QString &languageCode, const QString &catalogue, const QString &sourceLanguageCode)
{
    if (languageCode.isEmpty() || !QCoreApplication::instance())
        return false;
    if (languageCode != sourceLanguageCode
        && !load(catalogue + QLatin1Char('_') + languageCode, QStringLiteral(":/i18n")))
        return false;
    // Qt's own texts are English already.
    if (languageCode != QLatin1String("en"))
        load(QStringLiteral("qtbase_") + languageCode, QLibraryInfo::path(QLibraryInfo::TranslationsPath));
    return true;
}

}   // namespace Translations
