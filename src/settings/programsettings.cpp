#include "settings/programsettings.h"

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
