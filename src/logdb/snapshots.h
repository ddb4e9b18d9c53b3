#pragma once
#include <QDate>
#include <QDateTime>
#include <QHash>
#include <QList>
#include <QMutex>
#include <QObject>
#include <QString>
#include <QThread>
#include <QWaitCondition>

#include <deque>
#include <memory>

// Automatic snapshots of a log: whole copies made with SQLite's online
// backup API, so a copy is consistent even while another program writes the
// file. They sit in the "backup" folder beside the log, next to the ZIP
// archives, under names of this pattern:
//
//     <stem>.snapshot-yyyyMMdd-HHmmss.mdb      e.g. log.snapshot-20240501-183005.mdb
//
// <stem> is the log's file name without a trailing ".mdb" (any letter case);
// a log named otherwise keeps its whole name ("station.db" gives
// "station.db.snapshot-..."), so logs named "X" and "X.mdb" (or "X.MDB") in
// one folder would share one set. Date and time are the PC's local time when
// the snapshot was taken, so the names sort by age and the Open dialog
// ("*.mdb") lists them. Two snapshots in the same second take the next free
// second. ZIP archives ("<name>yyyyMMdd.zip") never match the pattern. Beside
// the snapshots, the hidden file ".<stem>.snapshot-state" records which
// snapshot is the newest and what the log looked like when it was taken.
//
// Nothing here opens a dialog, and nothing locks the log except the read of
// the copy (a megabyte at a time); a failure leaves the log as it was.
namespace Snapshots {

// How many snapshots to keep. The program's settings fill it in.
struct Policy {
    bool enabled = true;      // automatic snapshots on attach and let-go
    int keepNewest = 10;      // the newest ones always kept (at least one)
    int keepDailyDays = 30;   // and the newest of each of these last days, today included
};

// The outcome of one request; never an exception.
struct Result {
    bool ok = false;      // a current snapshot exists now
    bool taken = false;   // a new one was written for it
    QString path;         // the newest snapshot (the new one when taken)
    QString message;      // why it failed, for the error box
};

// ---- names ----------------------------------------------------------------

QString folderOf(const QString &logPath);   // "<folder of the log>/backup"
QString stemOf(const QString &logPath);
QString fileNameFor(const QString &logPath, const QDateTime &when);
// True when fileName is a snapshot of that log; its time goes to *when.
bool parseFileName(const QString &logPath, const QString &fileName, QDateTime *when = nullptr);

struct Entry {
    QString path;
    QDateTime when;
};
// The log's snapshots in its backup folder, newest first.
QList<Entry> listFor(const QString &logPath);
// The newest snapshot of the log, or an empty string when it has none.
QString newestSnapshotOf(const QString &logPath);

// ---- taking ---------------------------------------------------------------

// True unless the log is known to be exactly as its newest snapshot holds
// it. A log never snapshotted, a missing newest snapshot, a snapshot changed
// since it was written all count as changed.
bool changedSinceNewest(const QString &logPath);

// Writes a snapshot when the log changed since its newest one, then removes
// the snapshots the policy no longer keeps. policy.enabled is not looked at:
// the caller decides whether to ask. Runs on the calling thread.
Result takeIfChanged(const QString &logPath, const Policy &policy);

// ---- rotation -------------------------------------------------------------

// Of the given snapshot times, which ones the policy removes (indexes into
// times, ascending); the daily ones count back from today. Of equal times
// the earlier index is kept first.
QList<int> toRemove(const QList<QDateTime> &times, const Policy &policy, const QDate &today);
// Removes the log's snapshots that the policy no longer keeps (and stale
// temporary files of unfinished snapshots); returns the removed paths.
QStringList rotate(const QString &logPath, const Policy &policy);

// ---- a damaged log --------------------------------------------------------

// Copies the snapshot beside the log under a new name,
// "<stem>.restored-yyyyMMdd-HHmmss.mdb" with the snapshot's time ("-2",
// "-3" added when taken), and returns the copy's path. Never writes over the
// log or any other existing file. Throws DbError naming the file and reason.
QString restoreBeside(const QString &snapshotPath, const QString &logPath);

// ---- the SQL window -------------------------------------------------------

// True when the SQL text (one statement or several separated by ";") may
// change the log: anything but select, values, explain, with ... select,
// transaction control and the pragmas that only read. Comments and string
// literals are skipped; letter case does not matter.
bool modifiesData(const QString &sql);

}   // namespace Snapshots

// Takes snapshots on a thread of its own, one at a time, in the order asked,
// so the window never waits for a copy. Lives in the window's thread; its
// signals arrive there.
class SnapshotKeeper : public QObject {
    Q_OBJECT
public:
    explicit SnapshotKeeper(QObject *parent = nullptr);
    ~SnapshotKeeper() override;   // finishes the work under way and what is queued

    void setPolicy(const Snapshots::Policy &policy);
    Snapshots::Policy policy() const;

    // On attach and on letting a log go: queues a snapshot if the log
    // changed since its newest one. Returns at once; nothing when the policy
    // is switched off. finished() follows.
    void request(const QString &logPath);

    // Before the SQL window runs a statement that changes data: waits until
    // a snapshot as new as the log exists, taking one if needed, whether or
    // not automatic snapshots are on. On !ok the statement must not run.
    // Emits nothing: the caller shows the message.
    Snapshots::Result ensureFresh(const QString &logPath);

    // Blocks until nothing is queued or under way, then delivers the
    // outstanding signals. The program calls it when it closes.
    void waitForIdle();
    bool isIdle() const;

signals:
    // After every request: ok when a current snapshot exists (message names
    // the new snapshot, or is empty when the log had not changed), else the
    // reason.
    void finished(bool ok, const QString &message);
    // A failure to show in the error box: the first one for a log and
    // reason in this session; the same failure again is not repeated.
    void failed(const QString &message);

private:
    struct Job;
    void run();
    void deliver();

    class Worker;
    Worker *m_thread = nullptr;
    mutable QMutex m_mutex;
    QWaitCondition m_wake;   // the worker: a job was queued or stop
    QWaitCondition m_idle;   // waiters: a job is done
    std::deque<std::shared_ptr<Job>> m_queue;
    QList<std::shared_ptr<Job>> m_done;
    bool m_busy = false;
    bool m_stop = false;
    Snapshots::Policy m_policy;
    QHash<QString, QString> m_reported;   // log path -> the failure last shown
};
