// Log file commands: new log from the template, save as, archive.
#include "app/mainwindow.h"

#include "logdb/dberror.h"
#include "app/ui/dialogs.h"
#include "logdb/logclock.h"
#include "logdb/logfiles.h"
#include "logdb/tdm.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace {
const QString kLogFilter = QStringLiteral("Аппаратный журнал|*.mdb");

QString askLogFile(TForm1 *form)
{
    return Dialogs::saveFileName(form, QStringLiteral("SaveDialog1"), kLogFilter, QStringLiteral("mdb"),
                                 form->SaveDialog1Dir);
}

// The file the connection holds, if any.
QString attachedFile(TDM *dm)
{
    return dm->ADOConnection1->isOpen() ? dm->ADOConnection1->databasePath() : QString();
}
} // namespace

void TForm1::N8Click()
{
    const QString path = askLogFile(this);
    if (path.isEmpty()) {
        guarded([this] { ResetEntryForm(); });
        return;
    }
    guarded([&] {
        // Choosing the attached log itself keeps it as it is: it is attached
        // again, never replaced by an empty template.
        if (!LogFiles::sameFile(path, attachedFile(DM))) {
            const bool existed = QFileInfo::exists(path);
            try {
                const QString tpl = LogFiles::findTemplate(QCoreApplication::applicationDirPath());
                if (tpl.isEmpty())
                    throw DbError(QStringLiteral("Could not find file 'shablon'"));
                LogFiles::copyReplacing(tpl, path);
            } catch (const DbError &) {
                // Over an existing file the attach would quietly open the old
                // file as if it were the new log: report why instead, with
                // the attached log left as it was. Without a file there, the
                // attach below reports the missing file.
                if (existed)
                    throw;
            }
        }
        CurrentLogPath = path;
        AttachLog(path);
        OpenDialog2Dir = QDir::currentPath();
        SaveDialog2Dir = QDir::currentPath();
        ResetEntryForm();
    });
}

void TForm1::N9Click()
{
    const QString path = askLogFile(this);
    if (path.isEmpty()) {
        guarded([this] { ResetEntryForm(); });
        return;
    }
    guarded([&] {
        const QString oldPath = CurrentLogPath;
        if (LogFiles::sameFile(path, oldPath)) {
            // Saving the log onto itself: there is nothing to copy, and
            // deleting the target first would lose the log.
            AttachLog(oldPath);
            ResetEntryForm();
            return;
        }
        DM->ADOConnection1->close();   // the file is complete on disk from here on
        const bool existed = QFileInfo::exists(path);
        try {
            LogFiles::copyReplacing(oldPath, path);
        } catch (const DbError &e) {
            if (existed) {
                // The target still holds its old content: attaching it would
                // look like a successful save. Say so and go on with the log.
                Dialogs::showError(this, e.message());
                AttachLog(oldPath);
                ResetEntryForm();
                return;
            }
            // No file there: the attach below reports it.
        }
        CurrentLogPath = path;
        AttachLog(path);
        ResetEntryForm();
    });
}

void TForm1::N13Click()
{
    guarded([this] {
        const QString logPath = CurrentLogPath;
        const QString folder = LogFiles::backupFolder(logPath);
        const QString zipPath =
            QDir(folder).filePath(LogFiles::archiveFileName(logPath, LogClock::pcNow().date()));
        LogFiles::makeBackupFolder(folder);   // on failure the log simply stays attached

        // Released while it is read, so the archive holds a settled file.
        DM->ADOConnection1->close();
        QString failure;
        try {
            LogFiles::archiveLog(logPath, zipPath);
        } catch (const DbError &e) {
            failure = e.message();
        } catch (const std::exception &e) {
            failure = QString::fromLocal8Bit(e.what());
        }
        if (failure.isEmpty())
            Dialogs::showNotice(this, QStringLiteral("Архив сохранен в подпапке \\backup"));
        else
            Dialogs::showError(this, failure);
        AttachLog(logPath);
        ResetEntryForm();
    });
}
