#include "app/interfacelanguage.h"

#include "settings/programsettings.h"
#include "settings/translations.h"

namespace {
QString g_installedCode = QStringLiteral("ru");
}

void installInterfaceLanguage()
{
    const QString code = ProgramSettings::languageCode(ProgramSettings::interfaceLanguage());
    // Without its catalogue the program stays Russian, Qt's texts with it.
    if (Translations::install(code, QStringLiteral("tarnix"), QStringLiteral("ru"))) {
        g_installedCode = code;
    } else {
        Translations::install(QStringLiteral("ru"), QStringLiteral("tarnix"), QStringLiteral("ru"));
        g_installedCode = QStringLiteral("ru");
    }
}

QLocale interfaceLocale()
{
    return QLocale(g_installedCode);
}
