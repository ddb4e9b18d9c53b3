#include "settings/programsettings.h"

#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QSet>
#include <QSettings>

namespace ProgramSettings {

namespace {
// Unknown or damaged values fall back to the default rather than failing.
template <typename E>
E readChoice(const QString &key, const QStringList &names, E fallback)
{
    const int i = names.indexOf(QSettings().value(key).toString());
    return i < 0 ? fallback : static_cast<E>(i);
}

const QStringList kEncodings = {QStringLiteral("windows-1251"), QStringLiteral("utf-8")};
const QStringList kLanguages = {QStringLiteral("auto"), QStringLiteral("ru"), QStringLiteral("en")};
} // namespace

AdifEncoding adifExportEncoding()
{
    return readChoice(QStringLiteral("adif/exportEncoding"), kEncodings, AdifEncoding::Cp1251);
}

void setAdifExportEncoding(AdifEncoding encoding)
{
    QSettings().setValue(QStringLiteral("adif/exportEncoding"), kEncodings.value(int(encoding)));
}

Language language()
{
    return readChoice(QStringLiteral("interface/language"), kLanguages, Language::Automatic);
}

void setLanguage(Language language)
{
    QSettings().setValue(QStringLiteral("interface/language"), kLanguages.value(int(language)));
}

Language interfaceLanguage()
{
    return interfaceLanguageFor(language(), systemMessageLanguage(QProcessEnvironment::systemEnvironment()));
}

Language interfaceLanguageFor(Language chosen, const QString &systemLanguage)
{
    if (chosen != Language::Automatic)
        return chosen;
    // Languages of the former Soviet Union and of Russia's republics whose
    // speakers read Russian; the C locale is the program's own language.
    static const QSet<QString> russianReaders = {
        QStringLiteral("ru"), QStringLiteral("uk"), QStringLiteral("be"), QStringLiteral("kk"),
        QStringLiteral("ky"), QStringLiteral("tg"), QStringLiteral("tk"), QStringLiteral("uz"),
        QStringLiteral("tt"), QStringLiteral("ba"), QStringLiteral("cv"), QStringLiteral("os"),
        QStringLiteral("ce"), QStringLiteral("sah"), QStringLiteral("C")};
    return russianReaders.contains(systemLanguage) ? Language::Russian : Language::English;
}

QString systemMessageLanguage(const QProcessEnvironment &environment)
{
    QString locale;
    for (const char *name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        locale = environment.value(QLatin1String(name));
        if (!locale.isEmpty())
            break;
    }
    // Only the language: "ru_RU.UTF-8" -> "ru", "C.UTF-8" -> "C".
    const auto languageOf = [](const QString &name) {
        const QString language = name.left(name.indexOf(QRegularExpression(QStringLiteral("[_.@-]"))));
        if (language.isEmpty() || language == QLatin1String("C") || language == QLatin1String("POSIX"))
            return QStringLiteral("C");
        return language.toLower();
    };
    if (languageOf(locale) == QLatin1String("C"))
        return QStringLiteral("C");
    // LANGUAGE is a list of preferences, "uk:ru:en"; the first one counts.
    const QStringList preferred
        = environment.value(QStringLiteral("LANGUAGE")).split(QLatin1Char(':'), Qt::SkipEmptyParts);
    return languageOf(preferred.isEmpty() ? locale : preferred.first());
}

QString languageCode(Language language)
{
    return language == Language::Automatic ? QString() : kLanguages.value(int(language));
}

SnapshotPolicy snapshotPolicy()
{
    QSettings s;
    SnapshotPolicy p;
    p.enabled = s.value(QStringLiteral("snapshots/enabled"), p.enabled).toBool();
    bool ok = false;
    const int newest = s.value(QStringLiteral("snapshots/keepNewest")).toInt(&ok);
    if (ok && newest >= 1)
        p.keepNewest = newest;
    const int days = s.value(QStringLiteral("snapshots/keepDailyDays")).toInt(&ok);
    if (ok && days >= 0)
        p.keepDailyDays = days;
    return p;
}

void setSnapshotPolicy(const SnapshotPolicy &policy)
{
    QSettings s;
    s.setValue(QStringLiteral("snapshots/enabled"), policy.enabled);
    s.setValue(QStringLiteral("snapshots/keepNewest"), policy.keepNewest);
    s.setValue(QStringLiteral("snapshots/keepDailyDays"), policy.keepDailyDays);
}

} // namespace ProgramSettings
