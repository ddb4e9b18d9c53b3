#pragma once
#include "logdb/callindex.h"
#include "logdb/snapshots.h"

#include <QDate>
#include <QDateTime>
#include <QObject>
#include <QStringList>

class Dataset;
class TDM;

// The attached log, without any window: attaching and letting go of a log
// file, the log view's statement and the one saved at the last attach, the
// QSO count, the log clock, the call lookup, and the commands that replace
// the file as a whole (new from the template, save as, archive). Windows
// show what it announces.
class LogSession : public QObject {
    Q_OBJECT
public:
    explicit LogSession(QObject *parent = nullptr);

    // The data module: the connection and the standing queries.
    TDM *dataModule() const { return m_dm; }
    Dataset *logView() const;

    // Path of the log chosen last (also when attaching it failed); empty
    // until one is chosen.
    QString currentLogPath() const { return m_currentLogPath; }
    bool isAttached() const;

    // Points the connection at the log file, opens the log view on its last
    // row, the station data and the mode list, and keeps the view's
    // statement as the saved one. On an error the steps done stay done and
    // currentLogPath() is already path.
    void attach(const QString &path);
    // Lets the file go: the connection and every query closed.
    void detach();

    // Snapshots of the log, taken when a log is attached and when it is let
    // go, if it changed since its newest one (off the window's thread).
    void setSnapshotPolicy(const Snapshots::Policy &policy);
    SnapshotKeeper *snapshots() const { return m_snapshots; }
    // Before a statement that may change the log: a snapshot as new as the
    // log, taken now if needed. Throws DbError when none can be made.
    void ensureFreshSnapshot();
    // The program closes: the log let go and the snapshot under way finished.
    void finish();

    // The mode names of the attached log, in the engine's order.
    QStringList modeNames() const;
    // The log view's statement at the last attach: its lines, each ended by CR LF.
    QString savedLogSql() const { return m_savedLogSql; }
    QStringList savedLogLines() const;

    // The view on its last row, and the count announced.
    void showLastQso();
    // Closes and reopens the view with its statement, on its last row.
    void reopenView();
    // Someone else reopened the view (a filter): announce it.
    void noteViewReopened();
    int qsoCount() const;   // throws when no log is attached

    // The log clock: the PC clock plus the station's hour offset, read from
    // the station data by refreshTimeShift(). Throws DbError for an offset
    // that no clock can be shifted by.
    int refreshTimeShift();
    int timeShift() const { return m_timeShift; }
    QDateTime clockNow() const;

    // The station's own locator, read at the moment of use.
    QString ownLocator() const;
    // The earlier QSO with a call in the log view, for its name and locator.
    CallIndex::Found lookupCall(const QString &call) { return m_callIndex->lookup(call); }

    // The file commands. Each leaves currentLogPath() naming the log to
    // attach next; the caller attaches it.
    // "Создать": the template copied to path, unless path is the attached
    // log itself, which is kept. Throws when an existing file at path could
    // not be replaced.
    void makeLogFromTemplate(const QString &path, const QString &templatePath);
    // "Сохранить как...": the log let go and copied to path. When the copy
    // cannot replace an existing file, the log stays the current one and the
    // reason is returned (empty: success).
    QString copyLogTo(const QString &path);
    // "Архивировать": the log let go and packed into a dated ZIP archive in
    // the backup folder beside it; returns the reason of a failed archive
    // (empty: success). Throws, with the log still attached, when the folder
    // cannot be made.
    QString archiveLog(const QDate &today);

signals:
    void logAttached(const QString &path);
    // A snapshot failed; reported once for a log and reason.
    void snapshotFailed(const QString &message);
    void countChanged(int count);
    void viewReopened();

private:
    void letGo();

    TDM *m_dm;
    CallIndex *m_callIndex;
    SnapshotKeeper *m_snapshots;
    QString m_currentLogPath;
    QString m_savedLogSql;
    int m_timeShift = 0;
};
