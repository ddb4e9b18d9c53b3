#include "logdb/snapshots.h"
#include "logdb/connection.h"
#include "logdb/dberror.h"
#include "logdb/logclock.h"
#include "logdb/logfiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>
#include <QTemporaryFile>

#include <algorithm>
#include <climits>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Snapshots {

namespace {

const QString kTimeFormat = QStringLiteral("yyyyMMdd-HHmmss");
const QString kSnapshotInfix = QStringLiteral(".snapshot-");
const QString kRestoredInfix = QStringLiteral(".restored-");
const QString kExtension = QStringLiteral(".mdb");
// SQLite's companions of a database file; they go with a removed snapshot.
const char *const kCompanions[] = {"-wal", "-shm", "-journal"};

QString nativeName(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

QString sysError(int err)
{
    return QString::fromLocal8Bit(std::strerror(err));
}

QString statePath(const QString &logPath)
{
    return QDir(folderOf(logPath))
        .filePath(QLatin1Char('.') + stemOf(logPath) + QStringLiteral(".snapshot-state"));
}

// ---- what a file looks like now ---------------------------------------------

// Enough of a file's state to tell that it was written: identity, size,
// times of change and, for SQLite files, the header fields every writer
// moves (the change counter in rollback mode; a WAL only grows within one
// generation and gets new salts when it starts over).
//
// The time of the last status change catches a file written in place with
// its old modification time put back; it is left out where the engine
// itself changes it without writing (it gives the WAL to the log's owner
// whenever a program running as root opens it).
QString fileSignature(const QString &path, int headerFrom, int headerLength, bool withChangeTime = true)
{
    struct stat st { };
    const QByteArray name = QFile::encodeName(path);
    if (::stat(name.constData(), &st) != 0)
        return QStringLiteral("none");
    QString sig = QStringLiteral("%1:%2:%3:%4.%5")
                      .arg(quint64(st.st_dev))
                      .arg(quint64(st.st_ino))
                      .arg(qint64(st.st_size))
                      .arg(qint64(st.st_mtim.tv_sec))
                      .arg(qint64(st.st_mtim.tv_nsec));
    if (withChangeTime)
        sig += QStringLiteral(":%1.%2").arg(qint64(st.st_ctim.tv_sec)).arg(qint64(st.st_ctim.tv_nsec));
    if (headerLength > 0) {
        QFile f(path);
        QByteArray header;
        if (f.open(QIODevice::ReadOnly) && f.seek(headerFrom))
            header = f.read(headerLength);
        sig += QLatin1Char(':') + QString::fromLatin1(header.toHex());
    }
    return sig;
}

QString logSignature(const QString &logPath)
{
    // Bytes 24..31 of the header: change counter and size in pages.
    QString sig = fileSignature(logPath, 24, 8);
    // An empty WAL holds nothing: a reader of a WAL-mode log leaves one behind.
    const QString wal = logPath + QStringLiteral("-wal");
    const QFileInfo wi(wal);
    if (wi.exists() && wi.size() > 0)
        sig += QStringLiteral("|wal:") + fileSignature(wal, 12, 12, false);   // checkpoint sequence and salts
    return sig;
}

// ---- the record of the newest snapshot --------------------------------------

struct State {
    QString snapshot;      // file name in the backup folder
    QString snapshotSig;   // the snapshot file as written
    QString logSig;        // the log as it was when the copy began
};

State readState(const QString &logPath)
{
    State s;
    QFile f(statePath(logPath));
    if (!f.open(QIODevice::ReadOnly))
        return s;
    const QList<QByteArray> lines = f.read(64 * 1024).split('\n');
    for (const QByteArray &line : lines) {
        const int eq = line.indexOf('=');
        if (eq < 0)
            continue;
        const QByteArray key = line.left(eq);
        const QString value = QString::fromUtf8(line.mid(eq + 1));
        if (key == "snapshot")
            s.snapshot = value;
        else if (key == "snapshot-file")
            s.snapshotSig = value;
        else if (key == "log")
            s.logSig = value;
    }
    return s;
}

bool writeState(const QString &logPath, const State &s)
{
    QSaveFile f(statePath(logPath));
    if (!f.open(QIODevice::WriteOnly))
        return false;
    const QByteArray text = "snapshot=" + s.snapshot.toUtf8() + "\nsnapshot-file=" + s.snapshotSig.toUtf8()
                            + "\nlog=" + s.logSig.toUtf8() + "\n";
    return f.write(text) == text.size() && f.commit();
}

// ---- file operations ----------------------------------------------------------

// Gives from the name to, failing with EEXIST rather than replacing a file.
int renameNoReplace(const QString &from, const QString &to)
{
    const QByteArray f = QFile::encodeName(from);
    const QByteArray t = QFile::encodeName(to);
    if (::renameat2(AT_FDCWD, f.constData(), AT_FDCWD, t.constData(), RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP)
        return errno;
    // A file system without the no-replace rename: a hard link cannot replace either.
    if (::link(f.constData(), t.constData()) == 0) {
        ::unlink(f.constData());
        return 0;
    }
    if (errno == EEXIST)
        return EEXIST;
    // Nor links (FAT): look, then rename; only a racing writer of the same name could lose.
    if (QFileInfo::exists(to))
        return EEXIST;
    return std::rename(f.constData(), t.constData()) == 0 ? 0 : errno;
}

// A new name in a folder is on disk only once the folder itself is.
void syncFolder(const QString &folder)
{
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

void removeWithCompanions(const QString &path)
{
    QFile::remove(path);
    for (const char *c : kCompanions)
        QFile::remove(path + QLatin1String(c));
}

QString engineMessage(sqlite3 *db, int rc)
{
    return db ? QString::fromUtf8(sqlite3_errmsg(db)) : QString::fromUtf8(sqlite3_errstr(rc));
}

// A source the engine cannot read, in words that say whether it is damaged.
QString readFailure(const QString &source, int rc, const QString &why)
{
    const int primary = rc & 0xff;
    if (primary == SQLITE_CORRUPT || primary == SQLITE_NOTADB)
        return QStringLiteral("'%1' is damaged: %2").arg(nativeName(source), why);
    return QStringLiteral("cannot read '%1': %2").arg(nativeName(source), why);
}

struct Db {
    sqlite3 *db = nullptr;
    ~Db() { sqlite3_close_v2(db); }
};

// The first column of the first row of a statement; empty on failure (*rc).
QString firstValue(sqlite3 *db, const char *sql, int *rc)
{
    sqlite3_stmt *st = nullptr;
    QString out;
    *rc = sqlite3_prepare_v2(db, sql, -1, &st, nullptr);
    if (*rc == SQLITE_OK) {
        *rc = sqlite3_step(st);
        if (*rc == SQLITE_ROW) {
            out = QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(st, 0)));
            *rc = SQLITE_OK;
        }
    }
    sqlite3_finalize(st);
    return out;
}

// Writes between two steps make the engine start the copy over; after this
// many restarts the rest is read in one go rather than never finishing.
const int kMaxRestarts = 3;

// Copies the database at source into the empty file dest with the online
// backup API, on a read-only connection of its own and into memory first:
// the log is held only while its pages are read, never while the (perhaps
// slow) destination is written. With requireSound, a copy that fails the
// structural check is not written. Returns the reason of a failure, or an
// empty string.
QString copyDatabase(const QString &source, const QString &dest, bool requireSound)
{
    Db in;
    int rc = sqlite3_open_v2(QFile::encodeName(source).constData(), &in.db, SQLITE_OPEN_READONLY, nullptr);
    if (rc != SQLITE_OK)
        return QStringLiteral("cannot read '%1': %2").arg(nativeName(source), engineMessage(in.db, rc));
    sqlite3_busy_timeout(in.db, Connection::busyTimeoutMs());

    Db mem;
    rc = sqlite3_open_v2(":memory:", &mem.db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    if (rc != SQLITE_OK)
        return QStringLiteral("out of memory");

    const bool wal = firstValue(in.db, "pragma journal_mode", &rc) == QLatin1String("wal");
    const int pageSize = firstValue(in.db, "pragma page_size", &rc).toInt();
    if (rc != SQLITE_OK)
        return readFailure(source, rc, engineMessage(in.db, rc));
    // Readers of a WAL-mode log never stop its writers: one read transaction
    // for the whole copy. Otherwise a reader makes writers wait, so the copy
    // goes in steps of about a megabyte, each a read transaction of its own,
    // and a QSO saved meanwhile waits for one step at most.
    if (wal) {
        char *err = nullptr;
        rc = sqlite3_exec(in.db, "begin; select count(*) from sqlite_master", nullptr, nullptr, &err);
        if (rc != SQLITE_OK) {
            const QString why = err ? QString::fromUtf8(err) : engineMessage(in.db, rc);
            sqlite3_free(err);
            return readFailure(source, rc, why);
        }
    }
    const int stepPages = wal ? -1 : qMax(16, (1 << 20) / qMax(512, pageSize));
    sqlite3_backup *b = sqlite3_backup_init(mem.db, "main", in.db, "main");
    if (!b)
        return QStringLiteral("cannot read '%1': %2").arg(nativeName(source), engineMessage(mem.db, 0));
    int restarts = 0;
    int lastRemaining = INT_MAX;
    do {
        rc = sqlite3_backup_step(b, restarts >= kMaxRestarts ? -1 : stepPages);
        const int remaining = sqlite3_backup_remaining(b);
        if (remaining > lastRemaining)
            ++restarts;
        lastRemaining = remaining;
    } while (rc == SQLITE_OK);
    const int frc = sqlite3_backup_finish(b);
    if (wal)
        sqlite3_exec(in.db, "commit", nullptr, nullptr, nullptr);
    if (rc != SQLITE_DONE || frc != SQLITE_OK) {
        const QString why
            = frc != SQLITE_OK ? engineMessage(mem.db, frc) : QString::fromUtf8(sqlite3_errstr(rc));
        return readFailure(source, frc != SQLITE_OK ? frc : rc, why);
    }
    sqlite3_close_v2(in.db);   // let the log go before the slow part
    in.db = nullptr;

    if (requireSound) {
        sqlite3_stmt *st = nullptr;
        QString damage;
        if (sqlite3_prepare_v2(mem.db, "pragma quick_check(1)", -1, &st, nullptr) == SQLITE_OK
            && sqlite3_step(st) == SQLITE_ROW) {
            const QString r = QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(st, 0)));
            if (r != QLatin1String("ok"))
                damage = r;
        } else {
            damage = engineMessage(mem.db, 0);
        }
        sqlite3_finalize(st);
        if (!damage.isEmpty())
            return QStringLiteral("'%1' is damaged: %2").arg(nativeName(source), damage);
    }

    Db out;
    rc = sqlite3_open_v2(QFile::encodeName(dest).constData(), &out.db, SQLITE_OPEN_READWRITE, nullptr);
    if (rc != SQLITE_OK)
        return QStringLiteral("cannot write '%1': %2").arg(nativeName(dest), engineMessage(out.db, rc));
    // The file is ours alone and is thrown away on failure: no journal. The
    // commit still syncs it to disk.
    sqlite3_exec(out.db, "pragma journal_mode=off", nullptr, nullptr, nullptr);
    b = sqlite3_backup_init(out.db, "main", mem.db, "main");
    if (!b)
        return QStringLiteral("cannot write '%1': %2").arg(nativeName(dest), engineMessage(out.db, 0));
    rc = sqlite3_backup_step(b, -1);
    const int orc = sqlite3_backup_finish(b);
    if (rc != SQLITE_DONE || orc != SQLITE_OK) {
        const QString why
            = orc != SQLITE_OK ? engineMessage(out.db, orc) : QString::fromUtf8(sqlite3_errstr(rc));
        return QStringLiteral("cannot write '%1': %2").arg(nativeName(dest), why);
    }
    rc = sqlite3_close(out.db);
    out.db = nullptr;
    if (rc != SQLITE_OK)
        return QStringLiteral("cannot write '%1': %2")
            .arg(nativeName(dest), QString::fromUtf8(sqlite3_errstr(rc)));
    return QString();
}

// Reserves a hidden temporary file in folder; empty on failure (reason in *why).
QString reserveTemp(const QString &folder, const QString &prefix, QString *why)
{
    QTemporaryFile t(QDir(folder).filePath(QLatin1Char('.') + prefix + QStringLiteral("-XXXXXX.tmp")));
    t.setAutoRemove(false);
    if (!t.open()) {
        *why = t.errorString();
        return QString();
    }
    const QString path = t.fileName();
    t.close();
    return path;
}

QString tempPrefix(const QString &logPath)
{
    return stemOf(logPath) + QStringLiteral(".snapshot");
}

}   // namespace

// ---- names ----------------------------------------------------------------------

QString folderOf(const QString &logPath)
{
    return LogFiles::backupFolder(logPath);
}

QString stemOf(const QString &logPath)
{
    const QString name = QFileInfo(logPath).fileName();
    if (name.size() > kExtension.size() && name.endsWith(kExtension, Qt::CaseInsensitive))
        return name.left(name.size() - kExtension.size());
    return name;
}

QString fileNameFor(const QString &logPath, const QDateTime &when)
{
    return stemOf(logPath) + kSnapshotInfix + when.toString(kTimeFormat) + kExtension;
}

bool parseFileName(const QString &logPath, const QString &fileName, QDateTime *when)
{
    const QString head = stemOf(logPath) + kSnapshotInfix;
    const int stampLength = 15;   // yyyyMMdd-HHmmss
    if (fileName.size() != head.size() + stampLength + kExtension.size() || !fileName.startsWith(head)
        || !fileName.endsWith(kExtension))
        return false;
    const QString stamp = fileName.mid(head.size(), stampLength);
    for (int i = 0; i < stampLength; ++i)
        if (i == 8 ? stamp[i] != QLatin1Char('-') : !stamp[i].isDigit() || stamp[i].unicode() > '9')
            return false;
    const QDate d = QDate::fromString(stamp.left(8), QStringLiteral("yyyyMMdd"));
    const QTime t = QTime::fromString(stamp.mid(9), QStringLiteral("HHmmss"));
    if (!d.isValid() || !t.isValid())
        return false;
    if (when)
        *when = QDateTime(d, t);
    return true;
}

QList<Entry> listFor(const QString &logPath)
{
    QList<Entry> out;
    const QDir dir(folderOf(logPath));
    // Every name is matched in full: a log's name may hold wildcard characters.
    const QStringList names = dir.entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
    for (const QString &name : names) {
        QDateTime when;
        if (parseFileName(logPath, name, &when))
            out << Entry{dir.filePath(name), when};
    }
    std::stable_sort(out.begin(), out.end(), [](const Entry &a, const Entry &b) { return a.when > b.when; });
    return out;
}

QString newestSnapshotOf(const QString &logPath)
{
    const QList<Entry> all = listFor(logPath);
    return all.isEmpty() ? QString() : all.first().path;
}

// ---- taking -----------------------------------------------------------------------

namespace {

bool changedSince(const QString &logPath, const QString &logSig)
{
    const State s = readState(logPath);
    if (s.snapshot.isEmpty() || !parseFileName(logPath, s.snapshot))
        return true;
    const QString snapshot = QDir(folderOf(logPath)).filePath(s.snapshot);
    if (fileSignature(snapshot, 0, 0) != s.snapshotSig)
        return true;   // gone, or written to since
    return logSig != s.logSig;
}

}   // namespace

bool changedSinceNewest(const QString &logPath)
{
    return changedSince(logPath, logSignature(logPath));
}

Result takeIfChanged(const QString &logPath, const Policy &policy)
{
    Result r;
    auto fail = [&](const QString &why) {
        r.message = QStringLiteral("No snapshot of '%1' was made: %2").arg(nativeName(logPath), why);
        return r;
    };
    if (logPath.isEmpty() || !QFileInfo(logPath).isFile())
        return fail(QStringLiteral("the file does not exist"));

    // Read before the copy: a change that slips in meanwhile is then either
    // in the copy or seen as a change next time, never lost.
    const QString logSig = logSignature(logPath);
    if (!changedSince(logPath, logSig)) {
        r.ok = true;
        r.path = QDir(folderOf(logPath)).filePath(readState(logPath).snapshot);
        return r;
    }

    const QString folder = folderOf(logPath);
    const QFileInfo fi(folder);
    if (!fi.isDir() && (fi.exists() || !QDir().mkpath(folder)))
        return fail(QStringLiteral("cannot create the folder '%1'").arg(nativeName(folder)));

    QString why;
    const QString temp = reserveTemp(folder, tempPrefix(logPath), &why);
    if (temp.isEmpty())
        return fail(QStringLiteral("cannot write in the folder '%1': %2").arg(nativeName(folder), why));

    QDateTime when = LogClock::pcNow();
    when.setTime(QTime(when.time().hour(), when.time().minute(), when.time().second()));
    why = copyDatabase(logPath, temp, true);
    if (!why.isEmpty()) {
        removeWithCompanions(temp);
        return fail(why);
    }
    // Readable by whoever may read the log.
    QFile::setPermissions(temp, QFileInfo(logPath).permissions() | QFileDevice::ReadOwner
                                    | QFileDevice::WriteOwner);

    QString final;
    int err = EEXIST;
    for (int i = 0; i < 1000 && err == EEXIST; ++i) {
        final = QDir(folder).filePath(fileNameFor(logPath, when.addSecs(i)));
        err = renameNoReplace(temp, final);
    }
    if (err != 0) {
        removeWithCompanions(temp);
        return fail(QStringLiteral("cannot write '%1': %2").arg(nativeName(final), sysError(err)));
    }
    syncFolder(folder);

    // Without the record the next request copies again; nothing is lost.
    writeState(logPath, State{QFileInfo(final).fileName(), fileSignature(final, 0, 0), logSig});
    rotate(logPath, policy);
    r.ok = true;
    r.taken = true;
    r.path = final;
    return r;
}

// ---- rotation -----------------------------------------------------------------------

QList<int> toRemove(const QList<QDateTime> &times, const Policy &policy, const QDate &today)
{
    QList<int> order(times.size());
    for (int i = 0; i < times.size(); ++i)
        order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return times[a] > times[b]; });

    QVector<bool> keep(times.size(), false);
    const int newest = qMax(1, policy.keepNewest);
    for (int i = 0; i < order.size() && i < newest; ++i)
        keep[order[i]] = true;
    const int days = qMax(0, policy.keepDailyDays);
    const QDate firstDay = today.addDays(1 - days);
    QSet<QDate> seen;
    for (int i : order) {
        const QDate d = times[i].date();
        if (days > 0 && d >= firstDay && d <= today && !seen.contains(d)) {
            seen.insert(d);
            keep[i] = true;
        }
    }
    QList<int> out;
    for (int i = 0; i < times.size(); ++i)
        if (!keep[i])
            out << i;
    return out;
}

QStringList rotate(const QString &logPath, const Policy &policy)
{
    QStringList removed;
    const QList<Entry> all = listFor(logPath);
    QList<QDateTime> times;
    for (const Entry &e : all)
        times << e.when;
    // The snapshot the record points at stays even when a clock once set
    // ahead made others look newer.
    const QString recorded = readState(logPath).snapshot;
    for (int i : toRemove(times, policy, LogClock::pcNow().date())) {
        if (QFileInfo(all[i].path).fileName() == recorded)
            continue;
        removeWithCompanions(all[i].path);
        if (!QFileInfo::exists(all[i].path))
            removed << all[i].path;
    }

    // Temporaries of copies cut short (the program killed); an hour is far
    // longer than any copy under way in another instance takes.
    const QDir dir(folderOf(logPath));
    const QString head = QLatin1Char('.') + tempPrefix(logPath) + QLatin1Char('-');
    const QString tail = QStringLiteral(".tmp");
    const QDateTime hourAgo = QDateTime::currentDateTime().addSecs(-3600);
    for (const QFileInfo &t : dir.entryInfoList(QDir::Files | QDir::Hidden | QDir::System)) {
        const QString name = t.fileName();
        if (name.size() != head.size() + 6 + tail.size() || !name.startsWith(head) || !name.endsWith(tail))
            continue;
        if (t.lastModified() < hourAgo) {
            removeWithCompanions(t.absoluteFilePath());
            removed << t.absoluteFilePath();
        }
    }
    return removed;
}

// ---- a damaged log -------------------------------------------------------------------

QString restoreBeside(const QString &snapshotPath, const QString &logPath)
{
    const QFileInfo si(snapshotPath);
    if (snapshotPath.isEmpty() || !si.isFile())
        throw DbError(QStringLiteral("Could not find file '%1'").arg(nativeName(snapshotPath)));
    QDateTime when;
    if (!parseFileName(logPath, si.fileName(), &when))
        when = si.lastModified();
    const QString folder = QFileInfo(logPath).absolutePath();
    const QString stem = stemOf(logPath);

    QString why;
    const QString temp = reserveTemp(folder, stem + QStringLiteral(".restore"), &why);
    if (temp.isEmpty())
        throw DbError(QStringLiteral("Cannot write in the folder '%1': %2").arg(nativeName(folder), why));
    why = copyDatabase(snapshotPath, temp, true);
    if (!why.isEmpty()) {
        removeWithCompanions(temp);
        throw DbError(QStringLiteral("The snapshot was not copied: %1").arg(why));
    }
    QFile::setPermissions(temp, si.permissions() | QFileDevice::ReadOwner | QFileDevice::WriteOwner);

    const QString base = stem + kRestoredInfix + when.toString(kTimeFormat);
    QString final;
    int err = EEXIST;
    for (int n = 1; n < 1000 && err == EEXIST; ++n) {
        final
            = QDir(folder).filePath(base + (n == 1 ? QString() : QStringLiteral("-%1").arg(n)) + kExtension);
        err = renameNoReplace(temp, final);
    }
    if (err != 0) {
        removeWithCompanions(temp);
        throw DbError(QStringLiteral("Cannot write '%1': %2").arg(nativeName(final), sysError(err)));
    }
    syncFolder(folder);
    return final;
}

// ---- the SQL window -----------------------------------------------------------------

namespace {

struct Word {
    QString text;   // lower case
    int depth;      // parentheses around it
};

struct Statement {
    QList<Word> words;
    bool assigns = false;   // "=" outside parentheses
    bool hasArgs = false;   // "(" after the first word
};

// Splits SQL text into statements of bare words, skipping comments, string
// literals and quoted names.
QList<Statement> scan(const QString &sql)
{
    QList<Statement> out(1);
    int depth = 0;
    const int n = sql.size();
    int i = 0;
    auto skipTo = [&](QChar close) {
        // Past the closing character; a doubled one stands for itself.
        ++i;
        while (i < n) {
            if (sql[i] == close) {
                if (close != QLatin1Char(']') && i + 1 < n && sql[i + 1] == close) {
                    i += 2;
                    continue;
                }
                ++i;
                return;
            }
            ++i;
        }
    };
    while (i < n) {
        const QChar c = sql[i];
        if (c == QLatin1Char('-') && i + 1 < n && sql[i + 1] == QLatin1Char('-')) {
            while (i < n && sql[i] != QLatin1Char('\n'))
                ++i;
        } else if (c == QLatin1Char('/') && i + 1 < n && sql[i + 1] == QLatin1Char('*')) {
            const int end = sql.indexOf(QStringLiteral("*/"), i + 2);
            i = end < 0 ? n : end + 2;
        } else if (c == QLatin1Char('\'') || c == QLatin1Char('"') || c == QLatin1Char('`')) {
            skipTo(c);
        } else if (c == QLatin1Char('[')) {
            skipTo(QLatin1Char(']'));
        } else if (c == QLatin1Char(';')) {
            out.append(Statement());
            depth = 0;
            ++i;
        } else if (c == QLatin1Char('(')) {
            if (!out.last().words.isEmpty())
                out.last().hasArgs = true;
            ++depth;
            ++i;
        } else if (c == QLatin1Char(')')) {
            depth = qMax(0, depth - 1);
            ++i;
        } else if (c == QLatin1Char('=')) {
            if (depth == 0)
                out.last().assigns = true;
            ++i;
        } else if (c.isLetter() || c == QLatin1Char('_') || c.isDigit()) {
            const int from = i;
            while (i < n
                   && (sql[i].isLetterOrNumber() || sql[i] == QLatin1Char('_') || sql[i] == QLatin1Char('$')))
                ++i;
            if (!c.isDigit())
                out.last().words << Word{sql.mid(from, i - from).toLower(), depth};
        } else {
            ++i;
        }
    }
    return out;
}

bool statementModifies(const Statement &s)
{
    if (s.words.isEmpty())
        return false;
    static const QSet<QString> reads
        = {QStringLiteral("select"),   QStringLiteral("values"),    QStringLiteral("explain"),
           QStringLiteral("begin"),    QStringLiteral("commit"),    QStringLiteral("end"),
           QStringLiteral("rollback"), QStringLiteral("savepoint"), QStringLiteral("release")};
    const QString &first = s.words.first().text;
    if (reads.contains(first))
        return false;
    if (first == QLatin1String("with")) {
        // The statement the common table expressions lead to decides.
        static const QSet<QString> verbs
            = {QStringLiteral("select"), QStringLiteral("values"), QStringLiteral("insert"),
               QStringLiteral("update"), QStringLiteral("delete"), QStringLiteral("replace")};
        for (int i = 1; i < s.words.size(); ++i)
            if (s.words[i].depth == 0 && verbs.contains(s.words[i].text))
                return s.words[i].text != QLatin1String("select")
                       && s.words[i].text != QLatin1String("values");
        return true;
    }
    if (first == QLatin1String("pragma")) {
        // "pragma x = v" and "pragma x(v)" set, except these that take an argument and only read.
        static const QSet<QString> readsWithArgument
            = {QStringLiteral("table_info"),        QStringLiteral("table_xinfo"),
               QStringLiteral("index_info"),        QStringLiteral("index_xinfo"),
               QStringLiteral("index_list"),        QStringLiteral("foreign_key_list"),
               QStringLiteral("foreign_key_check"), QStringLiteral("integrity_check"),
               QStringLiteral("quick_check")};
        if (s.assigns)
            return true;
        if (!s.hasArgs)
            return false;
        QString name;
        for (int i = 1; i < s.words.size() && s.words[i].depth == 0; ++i)
            name = s.words[i].text;
        return !readsWithArgument.contains(name);
    }
    return true;
}

}   // namespace

bool modifiesData(const QString &sql)
{
    const QList<Statement> all = scan(sql);
    return std::any_of(all.begin(), all.end(), statementModifies);
}

}   // namespace Snapshots

// ---- the keeper ------------------------------------------------------------------------

struct SnapshotKeeper::Job {
    bool fresh = false;   // asked by ensureFresh(): nobody waits for signals
    QString path;
    Snapshots::Policy policy;
    Snapshots::Result result;
    bool done = false;
};

class SnapshotKeeper::Worker : public QThread {
public:
    explicit Worker(SnapshotKeeper *keeper) : m_keeper(keeper) { }

protected:
    void run() override { m_keeper->run(); }

private:
    SnapshotKeeper *m_keeper;
};

SnapshotKeeper::SnapshotKeeper(QObject *parent) : QObject(parent), m_thread(new Worker(this))
{
    m_thread->setObjectName(QStringLiteral("snapshots"));
    m_thread->start(QThread::LowPriority);
}

SnapshotKeeper::~SnapshotKeeper()
{
    {
        QMutexLocker lock(&m_mutex);
        m_stop = true;
        m_wake.wakeAll();
    }
    m_thread->wait();
    delete m_thread;
}

void SnapshotKeeper::setPolicy(const Snapshots::Policy &policy)
{
    QMutexLocker lock(&m_mutex);
    m_policy = policy;
}

Snapshots::Policy SnapshotKeeper::policy() const
{
    QMutexLocker lock(&m_mutex);
    return m_policy;
}

void SnapshotKeeper::request(const QString &logPath)
{
    if (logPath.isEmpty())
        return;
    // Named in full now: the working directory may change before the copy.
    const QString path = QFileInfo(logPath).absoluteFilePath();
    QMutexLocker lock(&m_mutex);
    if (!m_policy.enabled)
        return;
    // Asked twice before the first began: one copy does for both.
    for (const auto &queued : m_queue)
        if (!queued->fresh && queued->path == path)
            return;
    auto job = std::make_shared<Job>();
    job->path = path;
    job->policy = m_policy;
    m_queue.push_back(job);
    m_wake.wakeAll();
}

Snapshots::Result SnapshotKeeper::ensureFresh(const QString &logPath)
{
    auto job = std::make_shared<Job>();
    job->fresh = true;
    job->path = logPath.isEmpty() ? QString() : QFileInfo(logPath).absoluteFilePath();
    QMutexLocker lock(&m_mutex);
    job->policy = m_policy;
    m_queue.push_back(job);
    m_wake.wakeAll();
    while (!job->done)
        m_idle.wait(&m_mutex);
    return job->result;
}

void SnapshotKeeper::waitForIdle()
{
    {
        QMutexLocker lock(&m_mutex);
        while (!m_queue.empty() || m_busy)
            m_idle.wait(&m_mutex);
    }
    deliver();
}

bool SnapshotKeeper::isIdle() const
{
    QMutexLocker lock(&m_mutex);
    return m_queue.empty() && !m_busy;
}

void SnapshotKeeper::run()
{
    for (;;) {
        std::shared_ptr<Job> job;
        {
            QMutexLocker lock(&m_mutex);
            while (m_queue.empty() && !m_stop)
                m_wake.wait(&m_mutex);
            if (m_queue.empty())
                return;   // stopping, and everything asked is done
            job = m_queue.front();
            m_queue.pop_front();
            m_busy = true;
        }
        Snapshots::Result result;
        try {
            result = Snapshots::takeIfChanged(job->path, job->policy);
        } catch (const std::exception &e) {   // nothing below throws; a thread must not let one out
            result.message = QString::fromLocal8Bit(e.what());
        }
        {
            QMutexLocker lock(&m_mutex);
            job->result = result;
            job->done = true;
            m_busy = false;
            if (!job->fresh)
                m_done << job;
            m_idle.wakeAll();
        }
        if (!job->fresh)
            QMetaObject::invokeMethod(this, &SnapshotKeeper::deliver, Qt::QueuedConnection);
    }
}

void SnapshotKeeper::deliver()
{
    QList<std::shared_ptr<Job>> done;
    {
        QMutexLocker lock(&m_mutex);
        done.swap(m_done);
    }
    for (const auto &job : done) {
        const Snapshots::Result &r = job->result;
        if (r.ok) {
            m_reported.remove(job->path);
            emit finished(true, r.taken ? r.path : QString());
        } else {
            emit finished(false, r.message);
            if (m_reported.value(job->path) != r.message) {
                m_reported.insert(job->path, r.message);
                emit failed(r.message);
            }
        }
    }
}
