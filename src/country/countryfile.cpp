#include "country/countryfile.h"
#include "country/ctysupport.h"
#include "logdb/dberror.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <filesystem>

namespace CountryFile {

InUse inUse()
{
    InUse info;
    info.path = CountryFilePath();
    // The key keeps the "=" the file marks whole calls with.
    const CountryInfo version = FindCountryByCall(QStringLiteral("=VERSION"));
    info.versionName = version.Name;
    info.versionPrefix = version.PrimaryPrefix;
    return info;
}

QString install(const QString &chosenPath)
{
    const QString target = UserCountryFilePath();
    if (target.isEmpty())
        throw DbError(QStringLiteral("There is no folder for the user's own files to keep '%1' in").arg(chosenPath));
    if (QFileInfo(chosenPath).canonicalFilePath() == QFileInfo(target).canonicalFilePath()) {
        ReplaceCountryTable(target);   // the user's own copy, read again
        return target;
    }
    // Copied first under another name, read from there, and given its final
    // name only when the tables came from it: a file that is not a country
    // file never replaces the one that works.
    const QString folder = QFileInfo(target).absolutePath();
    if (!QDir().mkpath(folder))
        throw DbError(QStringLiteral("Cannot create the folder '%1'").arg(folder));
    const QString incoming = target + QStringLiteral(".new");
    QFile::remove(incoming);
    QFile source(chosenPath);
    if (!source.exists())
        throw DbError(QStringLiteral("Could not find file '%1'").arg(chosenPath));
    if (!source.copy(incoming))
        throw DbError(QStringLiteral("Cannot copy '%1' to '%2': %3").arg(chosenPath, incoming, source.errorString()));
    try {
        ReplaceCountryTable(incoming);
    } catch (const DbError &e) {
        QFile::remove(incoming);
        // The message names the copy; the operator chose the original.
        throw DbError(QString(e.message()).replace(incoming, chosenPath));
    }
    // Renamed over the older copy in one step: there is always one whole file.
    std::error_code error;
    std::filesystem::rename(QFile::encodeName(incoming).toStdString(), QFile::encodeName(target).toStdString(), error);
    if (error) {
        // The tables are the new ones for this session; the next start reads
        // the older copy. Said rather than hidden.
        QFile::remove(incoming);
        throw DbError(QStringLiteral("Cannot write '%1': %2").arg(target, QString::fromLocal8Bit(error.message())));
    }
    return target;
}

} // namespace CountryFile
