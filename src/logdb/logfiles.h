#pragma once
#include <QDate>
#include <QString>

// Whole-file work on log files: the template of a new log, copies and dated
// ZIP archives. Failures are DbError with the reason; nothing here opens a
// dialog and nothing here touches the connection.
namespace LogFiles {

// The folder of the installed program's data files (the template, the
// documents) for an executable in exeDir: share/tarnix beside the bin folder
// that `cmake --install` fills, e.g. /usr/share/tarnix for /usr/bin.
QString installedDataDir(const QString &exeDir);

// The template of a new log, the first "shablon" found in: the working
// directory, beside the executable (exeDir, the build tree), the installed
// data folder (installedDataDir). Empty when there is none.
QString findTemplate(const QString &exeDir);

// True when both names lead to the same file (links and "." resolved).
// A name of a file that does not exist compares by its absolute path.
bool sameFile(const QString &a, const QString &b);

// Copies source over dest. The copy is written beside dest under another
// name and renamed over it only when complete, so a failed copy leaves
// whatever dest held untouched. Throws DbError naming the file and reason.
void copyReplacing(const QString &source, const QString &dest);

// "<folder of the log>/backup"
QString backupFolder(const QString &logPath);
// The log's file name without its last four characters, then the date as
// yyyymmdd, then ".zip" (log.mdb on 27.01.2010: "log20100127.zip").
QString archiveFileName(const QString &logPath, const QDate &date);

// Makes the folder if it is missing. Throws DbError "Cannot create \backup".
void makeBackupFolder(const QString &folder);

// Packs the log file into a ZIP archive at zipPath holding one entry named
// after the log's file name. The archive is complete before it gets its
// final name; an existing archive of that name is replaced. On failure no
// file is left under zipPath's name (an older archive there stays).
void archiveLog(const QString &logPath, const QString &zipPath);

} // namespace LogFiles
