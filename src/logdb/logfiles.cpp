#include "logdb/logfiles.h"
#include "logdb/dberror.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QTemporaryFile>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>
#include <zip.h>

// The installed data folder relative to the installed executable's folder;
// the install rules pass the path their layout gives.
#ifndef TARNIX_DATA_FROM_BIN
#define TARNIX_DATA_FROM_BIN "../share/tarnix"
#endif

namespace LogFiles {

namespace {

const QString kTemplateName = QStringLiteral("shablon");

QString nativeName(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

// Removes a file we made ourselves, ignoring a failure: it only leaves a
// stray temporary behind, never a file of the user's.
void removeOwnTemp(const QString &path)
{
    if (!path.isEmpty())
        QFile::remove(path);
}

// Closes an archive that was never written, so libzip leaves no file.
struct ZipGuard {
    zip_t *za = nullptr;
    ~ZipGuard()
    {
        if (za)
            zip_discard(za);
    }
};

} // namespace

QString installedDataDir(const QString &exeDir)
{
    if (exeDir.isEmpty())
        return QString();
    return QDir::cleanPath(QDir(exeDir).absoluteFilePath(QStringLiteral(TARNIX_DATA_FROM_BIN)));
}

QString findTemplate(const QString &exeDir)
{
    QStringList dirs{QDir::currentPath()};
    if (!exeDir.isEmpty())
        dirs << exeDir << installedDataDir(exeDir);
    for (const QString &dir : dirs) {
        const QFileInfo fi(QDir(dir).filePath(kTemplateName));
        if (fi.isFile())
            return fi.absoluteFilePath();
    }
    return QString();
}

bool sameFile(const QString &a, const QString &b)
{
    if (a.isEmpty() || b.isEmpty())
        return false;
    struct stat sa {};
    struct stat sb {};
    if (::stat(QFile::encodeName(a).constData(), &sa) == 0 && ::stat(QFile::encodeName(b).constData(), &sb) == 0)
        return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
    return QDir::cleanPath(QFileInfo(a).absoluteFilePath()) == QDir::cleanPath(QFileInfo(b).absoluteFilePath());
}

void copyReplacing(const QString &source, const QString &dest)
{
    if (sameFile(source, dest))
        return;   // copying a file onto itself would only risk it
    const QFileInfo si(source);
    if (source.isEmpty() || !si.exists())
        throw DbError(QStringLiteral("Could not find file '%1'").arg(nativeName(source)));
    if (!si.isFile())
        throw DbError(QStringLiteral("'%1' is not a file").arg(nativeName(source)));

    QFile in(source);
    if (!in.open(QIODevice::ReadOnly))
        throw DbError(QStringLiteral("Cannot read '%1': %2").arg(nativeName(source), in.errorString()));

    // QSaveFile writes beside dest and renames over it on commit.
    QSaveFile out(dest);
    out.setDirectWriteFallback(false);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        throw DbError(QStringLiteral("Cannot write '%1': %2").arg(nativeName(dest), out.errorString()));

    QByteArray chunk;
    for (;;) {
        chunk = in.read(1 << 20);
        if (chunk.isEmpty()) {
            if (in.error() != QFileDevice::NoError) {
                const QString why = in.errorString();
                out.cancelWriting();
                throw DbError(QStringLiteral("Cannot read '%1': %2").arg(nativeName(source), why));
            }
            break;
        }
        // A short write (a full disk) is not always an error to QFileDevice,
        // and commit() would then keep a cut copy: check every chunk.
        errno = 0;
        if (out.write(chunk) != chunk.size()) {
            const QString why = out.error() != QFileDevice::NoError ? out.errorString()
                                : errno != 0                        ? QString::fromLocal8Bit(std::strerror(errno))
                                                                    : QStringLiteral("the file was cut short");
            out.cancelWriting();
            throw DbError(QStringLiteral("Cannot write '%1': %2").arg(nativeName(dest), why));
        }
    }
    if (!out.commit())
        throw DbError(QStringLiteral("Cannot write '%1': %2").arg(nativeName(dest), out.errorString()));
}

QString backupFolder(const QString &logPath)
{
    return QDir(QFileInfo(logPath).absolutePath()).filePath(QStringLiteral("backup"));
}

QString archiveFileName(const QString &logPath, const QDate &date)
{
    const QString name = QFileInfo(logPath).fileName();
    return name.left(qMax(0, name.size() - 4)) + date.toString(QStringLiteral("yyyyMMdd"))
           + QStringLiteral(".zip");
}

void makeBackupFolder(const QString &folder)
{
    const QFileInfo fi(folder);
    if (fi.isDir())
        return;
    if (fi.exists() || !QDir().mkpath(folder))
        throw DbError(QStringLiteral("Cannot create \\backup"));
}

void archiveLog(const QString &logPath, const QString &zipPath)
{
    const QFileInfo li(logPath);
    if (logPath.isEmpty() || !li.isFile())
        throw DbError(QStringLiteral("Could not find file '%1'").arg(nativeName(logPath)));
    const QFileInfo zi(zipPath);

    // Reserve a unique name in the archive's folder; the archive gets its
    // final name only once it is completely on disk.
    QString tempPath;
    {
        QTemporaryFile reserve(zi.absolutePath() + QLatin1Char('/') + zi.fileName() + QStringLiteral(".XXXXXX"));
        if (!reserve.open())
            throw DbError(QStringLiteral("Cannot write '%1': %2").arg(nativeName(zipPath), reserve.errorString()));
        tempPath = reserve.fileName();
    }   // removed here: libzip makes the file itself, with the usual permissions

    auto fail = [&](const QString &why) {
        removeOwnTemp(tempPath);
        throw DbError(QStringLiteral("Cannot write '%1': %2").arg(nativeName(zipPath), why));
    };

    ZipGuard guard;
    int zerr = 0;
    guard.za = zip_open(QFile::encodeName(tempPath).constData(), ZIP_CREATE | ZIP_EXCL, &zerr);
    if (!guard.za) {
        zip_error_t e;
        zip_error_init_with_code(&e, zerr);
        const QString why = QString::fromLocal8Bit(zip_error_strerror(&e));
        zip_error_fini(&e);
        fail(why);
    }

    zip_source_t *src = zip_source_file(guard.za, QFile::encodeName(li.absoluteFilePath()).constData(), 0, -1);
    if (!src) {
        const QString why = QString::fromLocal8Bit(zip_strerror(guard.za));
        removeOwnTemp(tempPath);
        throw DbError(QStringLiteral("Cannot read '%1': %2").arg(nativeName(logPath), why));
    }
    const QByteArray entry = li.fileName().toUtf8();
    if (zip_file_add(guard.za, entry.constData(), src, ZIP_FL_ENC_UTF_8 | ZIP_FL_OVERWRITE) < 0) {
        zip_source_free(src);
        fail(QString::fromLocal8Bit(zip_strerror(guard.za)));
    }
    // zip_close reads the log and writes everything; a read or write error
    // (an unreadable log, a full disk) shows here.
    if (zip_close(guard.za) != 0)
        fail(QString::fromLocal8Bit(zip_strerror(guard.za)));
    guard.za = nullptr;

    // rename() replaces an earlier archive of the same day in one step.
    if (std::rename(QFile::encodeName(tempPath).constData(), QFile::encodeName(zi.absoluteFilePath()).constData()) != 0)
        fail(QString::fromLocal8Bit(std::strerror(errno)));
}

} // namespace LogFiles
