#include "settings/programfiles.h"

#include "exchange/codepage.h"
#include "logdb/dberror.h"
#include "logdb/logfiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace ProgramFiles {

namespace {
QStringList &testDirs()
{
    static QStringList dirs;
    return dirs;
}
} // namespace

QStringList searchDirs()
{
    if (!testDirs().isEmpty())
        return testDirs();
    return searchDirsFor(QDir::currentPath(),
                         QCoreApplication::instance() ? QCoreApplication::applicationDirPath() : QString());
}

QStringList searchDirsFor(const QString &workDir, const QString &exeDir)
{
    QStringList dirs{workDir};
    if (!exeDir.isEmpty()) {
        for (const QString &d : {exeDir, LogFiles::installedDataDir(exeDir)}) {
            const bool seen = std::any_of(dirs.cbegin(), dirs.cend(),
                                          [&](const QString &o) { return QDir(o) == QDir(d); });
            if (!seen)
                dirs << d;
        }
    }
    return dirs;
}

void setSearchDirsForTesting(const QStringList &dirs)
{
    testDirs() = dirs;
}

QString locate(const QString &fileName)
{
    const QStringList dirs = searchDirs();
    for (const QString &d : dirs) {
        const QFileInfo fi(QDir(d), fileName);
        if (fi.isFile())
            return fi.absoluteFilePath();
    }
    return QFileInfo(QDir(dirs.value(0, QDir::currentPath())), fileName).absoluteFilePath();
}

bool exists(const QString &fileName)
{
    return QFileInfo(locate(fileName)).isFile();
}

QString readText(const QString &path)
{
    QFile f(path);
    // A folder opens for reading on Linux but yields nothing useful.
    if (QFileInfo(path).isDir() || !f.open(QIODevice::ReadOnly))
        throw DbError(QStringLiteral("Cannot open file \"%1\". %2")
                          .arg(QDir::toNativeSeparators(path),
                               QFileInfo(path).isDir() ? QStringLiteral("Is a directory") : f.errorString()));
    const QByteArray bytes = f.readAll();
    if (f.error() != QFileDevice::NoError)
        throw DbError(QStringLiteral("Cannot read file \"%1\". %2").arg(QDir::toNativeSeparators(path), f.errorString()));
    return Codepage::decodeText(bytes);
}

QStringList splitLines(const QString &text)
{
    QStringList lines;
    qsizetype start = 0;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
            lines << text.mid(start, i - start);
            if (c == QLatin1Char('\r') && i + 1 < n && text.at(i + 1) == QLatin1Char('\n'))
                ++i;
            start = i + 1;
        }
    }
    if (start < n)
        lines << text.mid(start);
    return lines;
}

QStringList readLines(const QString &path)
{
    return splitLines(readText(path));
}

} // namespace ProgramFiles
