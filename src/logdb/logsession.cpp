#include "logdb/logsession.h"
#include "logdb/dberror.h"
#include "logdb/logclock.h"
#include "logdb/logfiles.h"
#include "logdb/tdm.h"

#include <QDir>
#include <QFileInfo>

LogSession::LogSession(QObject *parent) : QObject(parent), m_dm(new TDM(this))
{
    setObjectName(QStringLiteral("LogSession"));
    m_callIndex = new CallIndex(m_dm->ADOQueryLog, this);
    m_snapshots = new SnapshotKeeper(this);
    connect(m_snapshots, &SnapshotKeeper::failed, this, &LogSession::snapshotFailed);
}

Dataset *LogSession::logView() const
{
    return m_dm->ADOQueryLog;
}

bool LogSession::isAttached() const
{
    return m_dm->ADOConnection1->isOpen();
}

void LogSession::attach(const QString &path)
{
    m_currentLogPath = path;
    letGo();
    Connection *c = m_dm->ADOConnection1;
    c->open(path);
    m_dm->ADOQueryLog->open();
    m_dm->ADOQueryLog->last();
    m_dm->ADOQueryOpc->open();
    m_dm->ADOQueryModes->open();
    m_savedLogSql.clear();
    for (const QString &line : m_dm->ADOQueryLog->sql())
        m_savedLogSql += line + QStringLiteral("\r\n");
    m_snapshots->request(c->path());
    emit logAttached(path);
}

void LogSession::letGo()
{
    Connection *c = m_dm->ADOConnection1;
    if (!c->isOpen())
        return;
    c->close();
    m_snapshots->request(c->path());
}

void LogSession::detach()
{
    letGo();
}

void LogSession::setSnapshotPolicy(const Snapshots::Policy &policy)
{
    m_snapshots->setPolicy(policy);
}

void LogSession::ensureFreshSnapshot()
{
    const Snapshots::Result r = m_snapshots->ensureFresh(m_dm->ADOConnection1->path());
    if (!r.ok)
        throw DbError(r.message);
}

void LogSession::finish()
{
    letGo();
    m_snapshots->waitForIdle();
}

QStringList LogSession::modeNames() const
{
    QStringList names;
    Dataset *modes = m_dm->ADOQueryModes;
    for (modes->first(); !modes->eof(); modes->next())
        names << modes->fieldByName(QStringLiteral("mode")).asString();
    return names;
}

QStringList LogSession::savedLogLines() const
{
    // Lines each ended by a break: the last break closes a line, it does not
    // open an empty one.
    QStringList lines = m_savedLogSql.split(QStringLiteral("\r\n"));
    if (lines.size() > 1 && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

void LogSession::showLastQso()
{
    m_dm->ADOQueryLog->last();
    emit countChanged(qsoCount());
}

void LogSession::reopenView()
{
    Dataset *view = m_dm->ADOQueryLog;
    view->close();
    view->open();
    view->last();
    noteViewReopened();
}

void LogSession::noteViewReopened()
{
    emit viewReopened();
    emit countChanged(qsoCount());
}

int LogSession::qsoCount() const
{
    return m_dm->ADOQueryLog->recordCount();
}

int LogSession::refreshTimeShift()
{
    Dataset *opc = m_dm->ADOQueryOpc;
    m_timeShift = 0;   // a value no clock can be shifted by stamps nothing
    if (opc->isActive() && !opc->isEmpty())
        m_timeShift = LogClock::timeShiftHours(opc->fieldByName(QStringLiteral("timeshift")).value());
    return m_timeShift;
}

QDateTime LogSession::clockNow() const
{
    return LogClock::now(m_timeShift);
}

QString LogSession::ownLocator() const
{
    Dataset *opc = m_dm->ADOQueryOpc;
    if (opc->isActive() && !opc->isEmpty() && opc->fieldIndex(QStringLiteral("myloc")) >= 0)
        return opc->fieldByName(QStringLiteral("myloc")).asString();
    return QString();
}

void LogSession::makeLogFromTemplate(const QString &path, const QString &templatePath)
{
    const QString held = isAttached() ? m_dm->ADOConnection1->path() : QString();
    // Choosing the attached log itself keeps it as it is: it is attached
    // again, never replaced by an empty template.
    if (!LogFiles::sameFile(path, held)) {
        const bool existed = QFileInfo::exists(path);
        try {
            if (templatePath.isEmpty())
                throw DbError(QStringLiteral("Could not find file 'shablon'"));
            LogFiles::copyReplacing(templatePath, path);
        } catch (const DbError &) {
            // Over an existing file the attach would quietly open the old
            // file as if it were the new log: report why instead, with the
            // attached log left as it was. Without a file there, the attach
            // below reports the missing file.
            if (existed)
                throw;
        }
    }
    m_currentLogPath = path;
}

QString LogSession::copyLogTo(const QString &path)
{
    const QString oldPath = m_currentLogPath;
    // Saving the log onto itself: there is nothing to copy, and deleting the
    // target first would lose the log.
    if (LogFiles::sameFile(path, oldPath))
        return QString();
    detach();   // the file is complete on disk from here on
    const bool existed = QFileInfo::exists(path);
    try {
        LogFiles::copyReplacing(oldPath, path);
    } catch (const DbError &e) {
        // The target still holds its old content: attaching it would look
        // like a successful save. The caller says why and goes on with the log.
        if (existed)
            return e.message();
        // No file there: attaching it reports it.
    }
    m_currentLogPath = path;
    return QString();
}

QString LogSession::archiveLog(const QDate &today)
{
    const QString logPath = m_currentLogPath;
    const QString folder = LogFiles::backupFolder(logPath);
    const QString zipPath = QDir(folder).filePath(LogFiles::archiveFileName(logPath, today));
    LogFiles::makeBackupFolder(folder);   // on failure the log simply stays attached

    // Released while it is read, so the archive holds a settled file.
    detach();
    QString failure;
    try {
        LogFiles::archiveLog(logPath, zipPath);
    } catch (const DbError &e) {
        failure = e.message();
    } catch (const std::exception &e) {
        failure = QString::fromLocal8Bit(e.what());
    }
    return failure;
}
