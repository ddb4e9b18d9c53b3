#include "exchange/handover.h"
#include "exchange/inifile.h"

#include <QDir>

namespace Handover {

QString windowsDirectory()
{
    QString prefix = qEnvironmentVariable("WINEPREFIX");
    if (prefix.isEmpty())
        prefix = QDir::homePath() + QStringLiteral("/.wine");
    return QDir::cleanPath(prefix + QStringLiteral("/drive_c/windows"));
}

QString filePath()
{
    return windowsDirectory() + QStringLiteral("/loginput.ini");
}

Qso read(const QString &path)
{
    const IniFile ini = IniFile::load(path);
    const QString section = QStringLiteral("QSO");
    Qso q;
    q.call = ini.readString(section, QStringLiteral("Call"));
    q.name = ini.readString(section, QStringLiteral("Name"));
    q.rprtSent = ini.readString(section, QStringLiteral("RprtSent"));
    q.mode = ini.readString(section, QStringLiteral("Mode"));
    return q;
}

} // namespace Handover
