// Automatic snapshots of a log: names, when one is taken, consistency while
// another program writes, rotation, failures, the copy of a damaged log's
// snapshot and the check of SQL that changes data.
#include "filekit.h"
#include "logdb/connection.h"
#include "logdb/dberror.h"
#include "logdb/logclock.h"
#include "logdb/schema.h"
#include "logdb/snapshots.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <atomic>
#include <csignal>
#include <sqlite3.h>
#include <sys/resource.h>
#include <thread>
#include <unistd.h>
#include <utime.h>

namespace {

struct Db {
    sqlite3 *db = nullptr;
    explicit Db(const QString &path)
    {
        sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
        sqlite3_busy_timeout(db, 10000);
    }
    ~Db() { sqlite3_close(db); }
    bool exec(const QString &sql)
    {
        char *err = nullptr;
        const int rc = sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, &err);
        if (rc != SQLITE_OK)
            qWarning("%s: %s", qPrintable(sql.left(80)), err ? err : "?");
        sqlite3_free(err);
        return rc == SQLITE_OK;
    }
    QString value(const QString &sql)
    {
        sqlite3_stmt *st = nullptr;
        QString out;
        if (sqlite3_prepare_v2(db, sql.toUtf8().constData(), -1, &st, nullptr) == SQLITE_OK
            && sqlite3_step(st) == SQLITE_ROW)
            out = QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(st, 0)));
        else
            out = QStringLiteral("error: ") + QString::fromUtf8(sqlite3_errmsg(db));
        sqlite3_finalize(st);
        return out;
    }
};

QString insertQso(int i)
{
    return QStringLiteral(
               "insert into log (QSO_DATE, TIME_ON, TIME_OFF, FREQ, MODE, CALL, NAME, QTH, COMMENT) "
               "values (date('2005-01-01', '+%1 days'), '10:00', '10:05', '14.074', 'FT8', "
               "'UA%1AA', 'Name %1', 'Some town', 'a comment long enough to fill pages');")
        .arg(i);
}

void makeLog(const QString &path, int qsos, bool wal = false)
{
    QFile::remove(path);
    Schema::createTemplate(path);
    Db d(path);
    if (wal)
        QCOMPARE(d.value(QStringLiteral("pragma journal_mode=wal")), QStringLiteral("wal"));
    QString sql = QStringLiteral("begin;");
    for (int i = 0; i < qsos; ++i)
        sql += insertQso(i);
    QVERIFY(d.exec(sql + QStringLiteral("commit;")));
}

QString value(const QString &path, const QString &sql)
{
    Db d(path);
    return d.value(sql);
}

int qsoCount(const QString &path)
{
    return value(path, QStringLiteral("select count(*) from log")).toInt();
}

// Opens the file as the program opens a log; returns the number of QSOs.
int openAsLog(const QString &path)
{
    Connection c;
    c.open(path);
    sqlite3_stmt *st = nullptr;
    int n = -1;
    if (sqlite3_prepare_v2(c.handle(), "select count(*) from log", -1, &st, nullptr) == SQLITE_OK
        && sqlite3_step(st) == SQLITE_ROW)
        n = sqlite3_column_int(st, 0);
    sqlite3_finalize(st);
    return n;
}

QStringList filesIn(const QString &folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
}

QStringList snapshotNames(const QString &logPath)
{
    QStringList out;
    for (const Snapshots::Entry &e : Snapshots::listFor(logPath))
        out << QFileInfo(e.path).fileName();
    return out;
}

QDateTime at(const QString &text)
{
    return QDateTime::fromString(text, QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

}   // namespace

class TestSnapshots : public QObject {
    Q_OBJECT

    QTemporaryDir *m_dir = nullptr;
    QDateTime m_now;
    Snapshots::Policy m_keepAll{true, 1000, 0};

    QString logPath(const QString &name = QStringLiteral("log.mdb")) const { return m_dir->filePath(name); }
    QString backup() const { return m_dir->filePath(QStringLiteral("backup")); }
    void tick(int secs = 1) { m_now = m_now.addSecs(secs); }

private slots:
    void init()
    {
        m_dir = new QTemporaryDir;
        QVERIFY(m_dir->isValid());
        m_now = at(QStringLiteral("2024-05-01 18:30:05"));
        LogClock::setPcClockForTesting([this] { return m_now; });
    }
    void cleanup()
    {
        LogClock::setPcClockForTesting({});
        Connection::setBusyTimeoutMs(5000);
        delete m_dir;
        m_dir = nullptr;
    }

    // ---- names ------------------------------------------------------------

    void names_data()
    {
        QTest::addColumn<QString>("log");
        QTest::addColumn<QString>("expected");
        QTest::newRow("mdb") << "log.mdb"
                             << "log.snapshot-20240501-183005.mdb";
        QTest::newRow("upper-case extension") << "UA3ABC.MDB"
                                              << "UA3ABC.snapshot-20240501-183005.mdb";
        QTest::newRow("other extension kept") << "station.db"
                                              << "station.db.snapshot-20240501-183005.mdb";
        QTest::newRow("no extension") << "log"
                                      << "log.snapshot-20240501-183005.mdb";
        QTest::newRow("dots and spaces") << "my log.2024.mdb"
                                         << "my log.2024.snapshot-20240501-183005.mdb";
        QTest::newRow("cyrillic") << "журнал.mdb"
                                  << "журнал.snapshot-20240501-183005.mdb";
    }
    void names()
    {
        QFETCH(QString, log);
        QFETCH(QString, expected);
        const QString path = m_dir->filePath(log);
        QCOMPARE(Snapshots::folderOf(path), backup());
        QCOMPARE(Snapshots::fileNameFor(path, m_now), expected);
        QDateTime when;
        QVERIFY(Snapshots::parseFileName(path, expected, &when));
        QCOMPARE(when, m_now);
    }

    void foreignNames_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("ZIP archive") << "log20240501.zip";
        QTest::newRow("archive named like a snapshot") << "log.snapshot-20240501-183005.zip";
        QTest::newRow("another log's snapshot") << "log2.snapshot-20240501-183005.mdb";
        QTest::newRow("a log whose name ends like ours") << "mylog.snapshot-20240501-183005.mdb";
        QTest::newRow("restored copy") << "log.restored-20240501-183005.mdb";
        QTest::newRow("companion") << "log.snapshot-20240501-183005.mdb-wal";
        QTest::newRow("longer") << "log.snapshot-20240501-183005.mdb.bak";
        QTest::newRow("bad date") << "log.snapshot-20241301-183005.mdb";
        QTest::newRow("bad time") << "log.snapshot-20240501-253005.mdb";
        QTest::newRow("no seconds") << "log.snapshot-20240501-1830.mdb";
        QTest::newRow("letters in the time") << "log.snapshot-2024050a-183005.mdb";
        QTest::newRow("the log itself") << "log.mdb";
        QTest::newRow("temporary") << ".log.snapshot-Ab12Cd.tmp";
    }
    void foreignNames()
    {
        QFETCH(QString, name);
        QVERIFY(!Snapshots::parseFileName(logPath(), name));
    }

    // ---- when a snapshot is taken -------------------------------------------

    void takenOnFirstRequestAndAfterChangesOnly()
    {
        const QString log = logPath();
        makeLog(log, 50);
        QVERIFY(Snapshots::changedSinceNewest(log));   // never snapshotted

        Snapshots::Result r = Snapshots::takeIfChanged(log, m_keepAll);
        QVERIFY2(r.ok, qPrintable(r.message));
        QVERIFY(r.taken);
        QCOMPARE(r.path, QDir(backup()).filePath(QStringLiteral("log.snapshot-20240501-183005.mdb")));
        QCOMPARE(qsoCount(r.path), 50);
        QCOMPARE(value(r.path, QStringLiteral("pragma integrity_check")), QStringLiteral("ok"));
        QVERIFY(!Snapshots::changedSinceNewest(log));

        // Attached and let go without a change: nothing new.
        tick();
        QCOMPARE(openAsLog(log), 50);
        r = Snapshots::takeIfChanged(log, m_keepAll);
        QVERIFY(r.ok);
        QVERIFY(!r.taken);
        QCOMPARE(r.path, QDir(backup()).filePath(QStringLiteral("log.snapshot-20240501-183005.mdb")));
        QCOMPARE(Snapshots::listFor(log).size(), 1);

        // A QSO added through the program's connection: the next one is taken.
        {
            Connection c;
            c.open(log);
            c.execute(insertQso(50));
        }
        QVERIFY(Snapshots::changedSinceNewest(log));
        tick(60);
        r = Snapshots::takeIfChanged(log, m_keepAll);
        QVERIFY(r.taken);
        QCOMPARE(QFileInfo(r.path).fileName(), QStringLiteral("log.snapshot-20240501-183106.mdb"));
        QCOMPARE(qsoCount(r.path), 51);
        QCOMPARE(Snapshots::newestSnapshotOf(log), r.path);
        QCOMPARE(snapshotNames(log),
                 QStringList({"log.snapshot-20240501-183106.mdb", "log.snapshot-20240501-183005.mdb"}));
        // Only snapshots and the hidden record; no temporaries.
        QCOMPARE(filesIn(backup()), QStringList({".log.snapshot-state", "log.snapshot-20240501-183005.mdb",
                                                 "log.snapshot-20240501-183106.mdb"}));
    }

    void sameSecondTakesTheNextFreeName()
    {
        const QString log = logPath();
        makeLog(log, 5);
        QVERIFY(Snapshots::takeIfChanged(log, m_keepAll).taken);
        Db(log).exec(insertQso(5));
        const Snapshots::Result r = Snapshots::takeIfChanged(log, m_keepAll);   // the clock has not moved
        QVERIFY(r.taken);
        QCOMPARE(QFileInfo(r.path).fileName(), QStringLiteral("log.snapshot-20240501-183006.mdb"));
        QCOMPARE(qsoCount(r.path), 6);
        QCOMPARE(qsoCount(QDir(backup()).filePath(QStringLiteral("log.snapshot-20240501-183005.mdb"))), 5);
    }

    void wildcardCharactersInTheLogsName()
    {
        const QString log = logPath(QStringLiteral("QSO [2024]*?.mdb"));
        makeLog(log, 3);
        const QString near = logPath(QStringLiteral("QSO 2.mdb"));
        makeLog(near, 3);
        QVERIFY(Snapshots::takeIfChanged(near, m_keepAll).taken);
        const Snapshots::Result r = Snapshots::takeIfChanged(log, m_keepAll);
        QVERIFY2(r.taken, qPrintable(r.message));
        QCOMPARE(Snapshots::newestSnapshotOf(log), r.path);
        QCOMPARE(Snapshots::listFor(log).size(), 1);
        QCOMPARE(Snapshots::listFor(near).size(), 1);
        QVERIFY(!Snapshots::changedSinceNewest(log));
    }

    // Each row changes the log (or its newest snapshot) in one way after a
    // snapshot; every one must count as a change.
    void changesSeen_data()
    {
        QTest::addColumn<bool>("wal");
        QTest::addColumn<QString>("change");
        for (bool wal : {false, true}) {
            const char *mode = wal ? "WAL" : "rollback";
            auto row = [&](const char *what) {
                QTest::addRow("%s: %s", mode, what) << wal << QString::fromLatin1(what);
            };
            row("insert");
            row("update of one letter");
            row("delete");
            row("update, writer kept open");
            row("replaced by another log");
            row("newest snapshot removed");
            row("newest snapshot written to");
            row("record removed");
        }
    }
    void changesSeen()
    {
        QFETCH(bool, wal);
        QFETCH(QString, change);
        const QString log = logPath();
        makeLog(log, 300, wal);
        const Snapshots::Result first = Snapshots::takeIfChanged(log, m_keepAll);
        QVERIFY(first.taken);
        QVERIFY(!Snapshots::changedSinceNewest(log));

        std::unique_ptr<Db> kept;
        if (change == QLatin1String("insert")) {
            QVERIFY(Db(log).exec(insertQso(1000)));
        } else if (change == QLatin1String("update of one letter")) {
            // The same size, at once: only the header's counter (or the WAL) tells.
            QVERIFY(Db(log).exec(QStringLiteral("update log set NAME = 'Name 8' where CALL = 'UA7AA'")));
            QCOMPARE(QFileInfo(log).size(), QFileInfo(first.path).size());
        } else if (change == QLatin1String("delete")) {
            QVERIFY(Db(log).exec(QStringLiteral("delete from log where id = 3")));
        } else if (change == QLatin1String("update, writer kept open")) {
            kept = std::make_unique<Db>(log);
            QVERIFY(kept->exec(QStringLiteral("update log set QTH = 'Tula' where id = 9")));
        } else if (change == QLatin1String("replaced by another log")) {
            const QString other = logPath(QStringLiteral("other.mdb"));
            makeLog(other, 300, wal);
            QVERIFY(Db(other).exec(QStringLiteral("update log set QTH = 'Tula' where id = 9")));
            QFile::remove(log);
            QVERIFY(QFile::copy(other, log));
        } else if (change == QLatin1String("newest snapshot removed")) {
            QVERIFY(QFile::remove(first.path));
        } else if (change == QLatin1String("newest snapshot written to")) {
            QVERIFY(Db(first.path).exec(QStringLiteral("delete from log")));
        } else if (change == QLatin1String("record removed")) {
            QVERIFY(QFile::remove(QDir(backup()).filePath(QStringLiteral(".log.snapshot-state"))));
        }
        QVERIFY(Snapshots::changedSinceNewest(log));
        const int expected = qsoCount(log);
        tick();
        const Snapshots::Result second = Snapshots::takeIfChanged(log, m_keepAll);
        QVERIFY2(second.taken, qPrintable(second.message));
        QCOMPARE(qsoCount(second.path), expected);
        QCOMPARE(value(second.path, QStringLiteral("select QTH from log where id = 9")),
                 value(log, QStringLiteral("select QTH from log where id = 9")));
        kept.reset();
    }

    void readingIsNoChange_data()
    {
        QTest::addColumn<bool>("wal");
        QTest::newRow("rollback") << false;
        QTest::newRow("WAL") << true;
    }
    void readingIsNoChange()
    {
        QFETCH(bool, wal);
        const QString log = logPath();
        makeLog(log, 200, wal);
        // A WAL-mode log snapshotted while its writer keeps it open, as
        // another logging program does: the WAL's QSOs are in the copy.
        auto writer = std::make_unique<Db>(log);
        QVERIFY(writer->exec(insertQso(200)));
        QVERIFY(Snapshots::takeIfChanged(log, m_keepAll).taken);
        QCOMPARE(qsoCount(Snapshots::newestSnapshotOf(log)), 201);
        QVERIFY(!Snapshots::changedSinceNewest(log));
        QCOMPARE(value(log, QStringLiteral("select count(*) from log where CALL like 'UA1%'")),
                 QStringLiteral("111"));
        QVERIFY(!Snapshots::changedSinceNewest(log));
        writer.reset();
        if (wal) {
            // The last connection folds the WAL into the file: counted as a
            // change once, then quiet again.
            QVERIFY(Snapshots::takeIfChanged(log, m_keepAll).ok);
        }
        QCOMPARE(openAsLog(log), 201);
        QCOMPARE(openAsLog(log), 201);
        QVERIFY(!Snapshots::changedSinceNewest(log));
        const Snapshots::Result r = Snapshots::takeIfChanged(log, m_keepAll);
        QVERIFY(r.ok);
        QVERIFY(!r.taken);
    }

    // ---- consistency while another program writes --------------------------------

    void consistentWhileAnotherConnectionWrites_data()
    {
        QTest::addColumn<bool>("wal");
        QTest::addColumn<bool>("process");
        QTest::newRow("rollback, another thread") << false << false;
        QTest::newRow("WAL, another thread") << true << false;
        QTest::newRow("rollback, another process") << false << true;
        QTest::newRow("WAL, another process") << true << true;
    }
    void consistentWhileAnotherConnectionWrites()
    {
        QFETCH(bool, wal);
        QFETCH(bool, process);
        const QString log = logPath();
        makeLog(log, 3000, wal);
        // Every transaction of the writer adds a QSO and records the count
        // in opc, so a copy is consistent exactly when the two agree.
        const QString step
            = QStringLiteral("begin immediate; %1 update opc set myrig = (select count(*) from log); "
                             "commit;");
        QVERIFY(Db(log).exec(step.arg(QString())));

        std::atomic<bool> stop{false};
        std::atomic<int> written{0};
        std::thread thread;
        QProcess cli;
        if (process) {
            // The sqlite3 program runs a script of transactions.
            const QString script = m_dir->filePath(QStringLiteral("writer.sql"));
            QByteArray text = ".timeout 10000\npragma synchronous=off;\n";
            for (int i = 0; i < 6000; ++i)
                text += step.arg(insertQso(5000 + i)).toUtf8() + '\n';
            FileKit::writeBytes(script, text);
            cli.setStandardInputFile(script);
            cli.start(QStringLiteral("sqlite3"), {QStringLiteral("-bail"), log});
            QVERIFY(cli.waitForStarted());
        } else {
            thread = std::thread([&] {
                Db d(log);
                d.exec(QStringLiteral("pragma synchronous=off"));
                // As fast as a busy program, but not so fast that readers starve.
                for (int i = 0; !stop; ++i) {
                    if (d.exec(step.arg(insertQso(5000 + i))))
                        ++written;
                    std::this_thread::sleep_for(std::chrono::microseconds(300));
                }
            });
        }

        QStringList snapshots;
        for (int round = 0; round < 6; ++round) {
            // Some transactions between two snapshots.
            if (process) {
                const int before = qsoCount(log);
                while (qsoCount(log) < before + 20 && cli.state() == QProcess::Running)
                    QThread::msleep(1);
            } else {
                const int before = written;
                while (written < before + 20)
                    QThread::msleep(1);
            }
            tick();
            const Snapshots::Result r = Snapshots::takeIfChanged(log, m_keepAll);
            QVERIFY2(r.ok, qPrintable(r.message));
            if (r.taken)
                snapshots << r.path;
        }
        stop = true;
        if (process) {
            QVERIFY(cli.waitForFinished(120000));
            QCOMPARE(cli.exitCode(), 0);
            QCOMPARE(qsoCount(log), 9000);
        } else {
            thread.join();
        }
        QVERIFY(snapshots.size() >= 2);

        for (const QString &s : snapshots) {
            QCOMPARE(value(s, QStringLiteral("pragma integrity_check")), QStringLiteral("ok"));
            const int n = openAsLog(s);
            QVERIFY(n >= 3000);
            QCOMPARE(value(s, QStringLiteral("select myrig from opc")), QString::number(n));
        }
        QCOMPARE(value(log, QStringLiteral("pragma integrity_check")), QStringLiteral("ok"));
        QCOMPARE(value(log, QStringLiteral("select myrig from opc")), QString::number(qsoCount(log)));
    }

    // ---- rotation --------------------------------------------------------------------

    void rotation_data()
    {
        QTest::addColumn<QStringList>("times");   // "yyyy-MM-dd HH:mm:ss"
        QTest::addColumn<int>("newest");
        QTest::addColumn<int>("days");
        QTest::addColumn<QStringList>("kept");

        QStringList oneDay;
        for (int h = 0; h < 12; ++h)
            oneDay << QStringLiteral("2024-05-01 %1:00:00").arg(h + 6, 2, 10, QLatin1Char('0'));
        QTest::newRow("twelve today, newest ten") << oneDay << 10 << 30 << oneDay.mid(2);

        QStringList daily;
        for (int d = 0; d < 40; ++d)
            daily << QDate(2024, 5, 1).addDays(-d).toString(QStringLiteral("yyyy-MM-dd 12:00:00"));
        QTest::newRow("one a day for forty days") << daily << 10 << 30 << daily.mid(0, 30);
        QTest::newRow("one a day, ten days kept daily") << daily << 3 << 10 << daily.mid(0, 10);
        QTest::newRow("one a day, daily off") << daily << 3 << 0 << daily.mid(0, 3);

        const QStringList busy
            = {"2024-05-01 20:00:00", "2024-05-01 19:00:00", "2024-05-01 09:00:00", "2024-04-30 23:59:59",
               "2024-04-30 00:00:00", "2024-04-29 12:00:00", "2024-04-29 11:00:00", "2024-04-02 10:00:00",
               "2024-04-01 23:00:00", "2024-03-01 10:00:00"};
        QTest::newRow("several a day")
            << busy << 2 << 30
            << QStringList({"2024-05-01 20:00:00", "2024-05-01 19:00:00", "2024-04-30 23:59:59",
                            "2024-04-29 12:00:00", "2024-04-02 10:00:00"});
        QTest::newRow("the thirtieth day is the last kept")
            << QStringList({"2024-05-01 10:00:00", "2024-04-02 00:00:00", "2024-04-01 23:59:59"}) << 1 << 30
            << QStringList({"2024-05-01 10:00:00", "2024-04-02 00:00:00"});
        QTest::newRow("old ones within the newest count stay")
            << QStringList({"2020-01-03 10:00:00", "2020-01-02 10:00:00", "2020-01-01 10:00:00"}) << 10 << 30
            << QStringList({"2020-01-03 10:00:00", "2020-01-02 10:00:00", "2020-01-01 10:00:00"});
        QTest::newRow("newest count of zero keeps one")
            << QStringList({"2020-01-03 10:00:00", "2020-01-02 10:00:00"}) << 0 << 0
            << QStringList({"2020-01-03 10:00:00"});
        QTest::newRow("order of the list does not matter")
            << QStringList({"2024-04-20 10:00:00", "2024-05-01 08:00:00", "2024-04-20 11:00:00",
                            "2024-05-01 07:00:00"})
            << 1 << 30 << QStringList({"2024-05-01 08:00:00", "2024-04-20 11:00:00"});
        QTest::newRow("none") << QStringList() << 10 << 30 << QStringList();
    }
    void rotation()
    {
        QFETCH(QStringList, times);
        QFETCH(int, newest);
        QFETCH(int, days);
        QFETCH(QStringList, kept);
        QList<QDateTime> list;
        for (const QString &t : times)
            list << at(t);
        const QList<int> removed
            = Snapshots::toRemove(list, Snapshots::Policy{true, newest, days}, QDate(2024, 5, 1));
        QStringList left;
        for (int i = 0; i < times.size(); ++i)
            if (!removed.contains(i))
                left << times[i];
        std::sort(left.begin(), left.end());
        std::sort(kept.begin(), kept.end());
        QCOMPARE(left, kept);
    }

    void rotationOnDiskTouchesOnlyThisLogsSnapshots()
    {
        const QString log = logPath();
        QVERIFY(QDir().mkpath(backup()));
        const QDir b(backup());
        auto touch = [&](const QString &name) { FileKit::writeBytes(b.filePath(name), "x"); };
        // Thirteen snapshots of this log, a day apart, the newest today.
        QStringList ours;
        for (int d = 0; d < 13; ++d)
            ours << Snapshots::fileNameFor(log, m_now.addDays(-d));
        for (const QString &n : ours)
            touch(n);
        touch(ours[12] + QStringLiteral("-wal"));
        const QStringList others = {"log20240501.zip",
                                    "log20240101.zip",
                                    "log2.snapshot-20200101-000000.mdb",
                                    "mylog.snapshot-20200101-000000.mdb",
                                    "log.snapshot-20200101-000000.mdb.bak",
                                    "notes.txt",
                                    "log.restored-20200101-000000.mdb"};
        for (const QString &n : others)
            touch(n);
        // A temporary left by a copy cut short an hour ago, and one under way.
        touch(QStringLiteral(".log.snapshot-AbCdEf.tmp"));
        const time_t old = time(nullptr) - 7200;
        utimbuf times{old, old};
        QCOMPARE(utime(QFile::encodeName(b.filePath(QStringLiteral(".log.snapshot-AbCdEf.tmp"))).constData(),
                       &times),
                 0);
        touch(QStringLiteral(".log.snapshot-GhIjKl.tmp"));

        const QStringList removed = Snapshots::rotate(log, Snapshots::Policy{true, 3, 5});
        QCOMPARE(removed.size(), 8 + 1);
        QStringList expected = others + ours.mid(0, 5) + QStringList({".log.snapshot-GhIjKl.tmp"});
        std::sort(expected.begin(), expected.end());
        QCOMPARE(filesIn(backup()), expected);
    }

    void takingRotatesToTheCountsSet()
    {
        const QString log = logPath();
        makeLog(log, 10);
        const Snapshots::Policy policy{true, 3, 2};
        // Five snapshots on each of four days, a change before each.
        for (int day = 0; day < 4; ++day) {
            for (int i = 0; i < 5; ++i) {
                QVERIFY(Db(log).exec(insertQso(100 + day * 10 + i)));
                const Snapshots::Result r = Snapshots::takeIfChanged(log, policy);
                QVERIFY2(r.taken, qPrintable(r.message));
                tick(3600);
            }
            m_now = QDateTime(m_now.date().addDays(1), QTime(8, 0));
        }
        // The newest three (all of the last day) and the newest of the day before.
        QCOMPARE(snapshotNames(log),
                 QStringList({"log.snapshot-20240504-120000.mdb", "log.snapshot-20240504-110000.mdb",
                              "log.snapshot-20240504-100000.mdb", "log.snapshot-20240503-120000.mdb"}));
        QCOMPARE(qsoCount(Snapshots::newestSnapshotOf(log)), 30);
    }

    void recordedSnapshotSurvivesAClockOnceAhead()
    {
        const QString log = logPath();
        makeLog(log, 10);
        m_now = at(QStringLiteral("2031-01-01 00:00:00"));   // a wrong clock once
        QVERIFY(Snapshots::takeIfChanged(log, m_keepAll).taken);
        m_now = at(QStringLiteral("2024-05-01 18:30:05"));
        QVERIFY(Db(log).exec(insertQso(10)));
        const Snapshots::Result r = Snapshots::takeIfChanged(log, Snapshots::Policy{true, 1, 0});
        QVERIFY(r.taken);
        QVERIFY(QFile::exists(r.path));
        QCOMPARE(qsoCount(r.path), 11);
        QVERIFY(!Snapshots::changedSinceNewest(log));
    }

    // ---- failures ----------------------------------------------------------------------

    void failureLeavesTheLogAlone_data()
    {
        QTest::addColumn<QString>("failure");
        QTest::addColumn<QString>("inMessage");
        QTest::newRow("backup is a file") << "backup is a file"
                                          << "cannot create the folder";
        QTest::newRow("disk full") << "disk full"
                                   << "cannot write";
        QTest::newRow("read-only backup folder") << "read-only backup folder"
                                                 << "cannot write in the folder";
        QTest::newRow("log locked by a writer") << "locked"
                                                << "locked";
        QTest::newRow("log damaged") << "damaged"
                                     << "damaged";
        QTest::newRow("log missing") << "missing"
                                     << "does not exist";
    }
    void failureLeavesTheLogAlone()
    {
        QFETCH(QString, failure);
        QFETCH(QString, inMessage);
        const QString log = logPath();
        makeLog(log, 2000);
        QVERIFY(Snapshots::takeIfChanged(log, m_keepAll).taken);
        const QString good = Snapshots::newestSnapshotOf(log);
        QVERIFY(Db(log).exec(insertQso(2000)));
        tick();

        std::unique_ptr<FileKit::FileSizeLimit> limit;
        std::unique_ptr<Db> locker;
        if (failure == QLatin1String("backup is a file")) {
            QVERIFY(QDir(backup()).removeRecursively());
            FileKit::writeBytes(backup(), "not a folder");
        } else if (failure == QLatin1String("disk full")) {
            limit = std::make_unique<FileKit::FileSizeLimit>(QFileInfo(log).size() / 2);
        } else if (failure == QLatin1String("read-only backup folder")) {
            if (geteuid() == 0)
                QSKIP("root writes into read-only folders");
            QVERIFY(QFile::setPermissions(backup(), QFileDevice::ReadOwner | QFileDevice::ExeOwner));
        } else if (failure == QLatin1String("locked")) {
            Connection::setBusyTimeoutMs(200);
            locker = std::make_unique<Db>(log);
            QVERIFY(locker->exec(QStringLiteral("begin exclusive")));
        } else if (failure == QLatin1String("damaged")) {
            QByteArray b = FileKit::bytes(log);
            QRandomGenerator gen(7);
            for (int i = b.size() / 2; i < b.size() / 2 + 8192; ++i)
                b[i] = char(gen.bounded(256));
            FileKit::writeBytes(log, b);
        } else if (failure == QLatin1String("missing")) {
            QVERIFY(QFile::rename(log, log + QStringLiteral(".away")));
        }
        const QByteArray before = FileKit::bytes(log);
        const QStringList backupBefore = QFileInfo(backup()).isDir() ? filesIn(backup()) : QStringList();

        const Snapshots::Result r = Snapshots::takeIfChanged(log, m_keepAll);
        limit.reset();
        QVERIFY(!r.ok);
        QVERIFY(!r.taken);
        QVERIFY2(r.message.startsWith(QStringLiteral("No snapshot of '%1' was made: ").arg(log)),
                 qPrintable(r.message));
        QVERIFY2(r.message.contains(inMessage), qPrintable(r.message));
        QCOMPARE(FileKit::bytes(log), before);
        if (QFileInfo(backup()).isDir()) {
            QFile::setPermissions(backup(),
                                  QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
            QCOMPARE(filesIn(backup()), backupBefore);   // nothing half written
            QCOMPARE(Snapshots::newestSnapshotOf(log), good);
        }
        // The log was never held: a writer gets it at once afterwards.
        locker.reset();
        if (failure != QLatin1String("missing") && failure != QLatin1String("damaged")) {
            Connection::setBusyTimeoutMs(5000);
            Db d(log);
            sqlite3_busy_timeout(d.db, 0);
            QVERIFY(d.exec(insertQso(3000)));
        }
    }

    // ---- the keeper -------------------------------------------------------------------

    void keeperOnAttachAndLetGo()
    {
        const QString log = logPath();
        makeLog(log, 100);
        SnapshotKeeper keeper;
        keeper.setPolicy(m_keepAll);
        QSignalSpy finished(&keeper, &SnapshotKeeper::finished);
        QSignalSpy failed(&keeper, &SnapshotKeeper::failed);

        keeper.request(log);   // attached
        keeper.waitForIdle();
        QCOMPARE(finished.size(), 1);
        QCOMPARE(finished[0][0].toBool(), true);
        QCOMPARE(finished[0][1].toString(), Snapshots::newestSnapshotOf(log));

        tick();
        keeper.request(log);   // let go without a change
        keeper.waitForIdle();
        QCOMPARE(finished.size(), 2);
        QCOMPARE(finished[1][0].toBool(), true);
        QCOMPARE(finished[1][1].toString(), QString());
        QCOMPARE(Snapshots::listFor(log).size(), 1);

        QVERIFY(Db(log).exec(insertQso(100)));
        keeper.request(log);   // let go after a change
        keeper.waitForIdle();
        QCOMPARE(finished.size(), 3);
        QCOMPARE(Snapshots::listFor(log).size(), 2);
        QCOMPARE(qsoCount(Snapshots::newestSnapshotOf(log)), 101);
        QCOMPARE(failed.size(), 0);

        // Signals arrive through the event loop as well, once each.
        QVERIFY(Db(log).exec(insertQso(101)));
        tick();
        keeper.request(log);
        QTRY_COMPARE(finished.size(), 4);
        keeper.waitForIdle();
        QCOMPARE(finished.size(), 4);
    }

    void keeperNamesTheLogWhenAsked()
    {
        makeLog(logPath(), 10);
        // Another log held by a writer keeps the keeper busy meanwhile.
        const QString blocker = logPath(QStringLiteral("blocker.mdb"));
        makeLog(blocker, 1);
        Db locker(blocker);
        QVERIFY(locker.exec(QStringLiteral("begin exclusive")));
        Connection::setBusyTimeoutMs(30000);

        const QString startDir = QDir::currentPath();
        QDir::setCurrent(m_dir->path());
        SnapshotKeeper keeper;
        keeper.setPolicy(m_keepAll);
        keeper.request(blocker);
        keeper.request(QStringLiteral("log.mdb"));
        // A file dialog confirmed elsewhere moves the working directory.
        QTemporaryDir elsewhere;
        QDir::setCurrent(elsewhere.path());
        QVERIFY(locker.exec(QStringLiteral("commit")));
        keeper.waitForIdle();
        QDir::setCurrent(startDir);
        QCOMPARE(Snapshots::listFor(logPath()).size(), 1);
        QVERIFY(!QFileInfo::exists(QDir(elsewhere.path()).filePath(QStringLiteral("backup"))));
    }

    void keeperSwitchedOff()
    {
        const QString log = logPath();
        makeLog(log, 10);
        SnapshotKeeper keeper;
        keeper.setPolicy(Snapshots::Policy{false, 10, 30});
        QSignalSpy finished(&keeper, &SnapshotKeeper::finished);
        keeper.request(log);
        keeper.waitForIdle();
        QCOMPARE(finished.size(), 0);
        QVERIFY(!QFileInfo::exists(backup()));
        // The SQL window still gets its snapshot.
        const Snapshots::Result r = keeper.ensureFresh(log);
        QVERIFY2(r.ok && r.taken, qPrintable(r.message));
        QCOMPARE(finished.size(), 0);
    }

    void keeperReportsAFailureOnce()
    {
        const QString log = logPath();
        makeLog(log, 10);
        FileKit::writeBytes(backup(), "not a folder");
        SnapshotKeeper keeper;
        keeper.setPolicy(m_keepAll);
        QSignalSpy finished(&keeper, &SnapshotKeeper::finished);
        QSignalSpy failed(&keeper, &SnapshotKeeper::failed);
        keeper.request(log);
        keeper.waitForIdle();
        keeper.request(log);
        keeper.waitForIdle();
        QCOMPARE(finished.size(), 2);
        QCOMPARE(finished[0][0].toBool(), false);
        QCOMPARE(finished[1][0].toBool(), false);
        QCOMPARE(failed.size(), 1);
        QCOMPARE(failed[0][0].toString(), finished[0][1].toString());
        QVERIFY(failed[0][0].toString().contains(log));

        // Once it works again, a later failure is news again.
        QVERIFY(QFile::remove(backup()));
        keeper.request(log);
        keeper.waitForIdle();
        QCOMPARE(finished.last()[0].toBool(), true);
        QVERIFY(QDir(backup()).removeRecursively());
        FileKit::writeBytes(backup(), "not a folder");
        QVERIFY(Db(log).exec(insertQso(10)));
        keeper.request(log);
        keeper.waitForIdle();
        QCOMPARE(failed.size(), 2);
    }

    void keeperFinishesQueuedWorkWhenDestroyed()
    {
        QStringList logs;
        for (int i = 0; i < 3; ++i) {
            logs << logPath(QStringLiteral("log%1.mdb").arg(i));
            makeLog(logs.last(), 3000);
        }
        {
            SnapshotKeeper keeper;
            keeper.setPolicy(m_keepAll);
            for (const QString &log : logs)
                keeper.request(log);
        }
        for (const QString &log : logs) {
            QCOMPARE(Snapshots::listFor(log).size(), 1);
            QCOMPARE(qsoCount(Snapshots::newestSnapshotOf(log)), 3000);
        }
        QCOMPARE(filesIn(backup()).filter(QStringLiteral(".tmp")), QStringList());
    }

    void keeperEnsureFreshBeforeAStatement()
    {
        const QString log = logPath();
        makeLog(log, 20);
        SnapshotKeeper keeper;
        keeper.setPolicy(m_keepAll);
        Snapshots::Result r = keeper.ensureFresh(log);
        QVERIFY(r.ok && r.taken);
        r = keeper.ensureFresh(log);
        QVERIFY(r.ok && !r.taken);
        QCOMPARE(r.path, Snapshots::newestSnapshotOf(log));

        // The bad statement runs; the snapshot before it undoes it.
        QVERIFY(Db(log).exec(QStringLiteral("update log set NAME = 'Ivan'")));
        tick();
        r = keeper.ensureFresh(log);
        QVERIFY(r.ok && r.taken);
        QCOMPARE(value(r.path, QStringLiteral("select count(*) from log where NAME = 'Ivan'")),
                 QStringLiteral("20"));
        QVERIFY(Db(log).exec(QStringLiteral("delete from log")));
        const QString undo = Snapshots::restoreBeside(r.path, log);
        QCOMPARE(openAsLog(undo), 20);

        // No snapshot possible: the caller gets the reason and runs nothing.
        QVERIFY(QDir(backup()).removeRecursively());
        FileKit::writeBytes(backup(), "not a folder");
        QVERIFY(Db(log).exec(insertQso(1)));
        r = keeper.ensureFresh(log);
        QVERIFY(!r.ok);
        QVERIFY2(r.message.contains(QStringLiteral("cannot create the folder")), qPrintable(r.message));
    }

    // ---- a damaged log ----------------------------------------------------------------

    void damagedLogOpensFromItsSnapshot()
    {
        const QString log = logPath();
        makeLog(log, 4000);
        QVERIFY(Snapshots::takeIfChanged(log, m_keepAll).taken);
        QVERIFY(Db(log).exec(insertQso(4000)));
        tick(120);
        QVERIFY(Snapshots::takeIfChanged(log, m_keepAll).taken);
        const QString newest = Snapshots::newestSnapshotOf(log);
        QCOMPARE(QFileInfo(newest).fileName(), QStringLiteral("log.snapshot-20240501-183205.mdb"));

        // A damaged sector in the middle of the log.
        QByteArray b = FileKit::bytes(log);
        QRandomGenerator gen(11);
        for (int i = b.size() / 2 - 8192; i < b.size() / 2 + 8192; ++i)
            b[i] = char(gen.bounded(256));
        FileKit::writeBytes(log, b);
        try {
            openAsLog(log);
            QFAIL("the damaged log was opened");
        } catch (const DbError &e) {
            QVERIFY2(e.message().contains(QStringLiteral("damaged")), qPrintable(e.message()));
        }

        const QString copy = Snapshots::restoreBeside(Snapshots::newestSnapshotOf(log), log);
        QCOMPARE(QFileInfo(copy).absolutePath(), QFileInfo(log).absolutePath());
        QCOMPARE(QFileInfo(copy).fileName(), QStringLiteral("log.restored-20240501-183205.mdb"));
        QCOMPARE(openAsLog(copy), 4001);
        QCOMPARE(value(copy, QStringLiteral(
                                 "select group_concat(CALL, ',') from (select CALL from log order by id)")),
                 value(newest,
                       QStringLiteral(
                           "select group_concat(CALL, ',') from (select CALL from log order by id)")));
        QCOMPARE(FileKit::bytes(log), b);

        // Again, and with the next name taken by a file of the user's: neither is replaced.
        FileKit::writeBytes(m_dir->filePath(QStringLiteral("log.restored-20240501-183205-2.mdb")), "mine");
        const QString again = Snapshots::restoreBeside(newest, log);
        QCOMPARE(QFileInfo(again).fileName(), QStringLiteral("log.restored-20240501-183205-3.mdb"));
        QCOMPARE(FileKit::bytes(m_dir->filePath(QStringLiteral("log.restored-20240501-183205-2.mdb"))),
                 QByteArray("mine"));
        QCOMPARE(openAsLog(copy), 4001);
        QCOMPARE(openAsLog(again), 4001);
        QCOMPARE(FileKit::bytes(log), b);
        // The damaged log is not snapshotted over the good ones.
        tick();
        QVERIFY(!Snapshots::takeIfChanged(log, m_keepAll).ok);
        QCOMPARE(Snapshots::newestSnapshotOf(log), newest);
    }

    void noSnapshotNoOffer()
    {
        const QString log = logPath();
        makeLog(log, 1);
        QCOMPARE(Snapshots::newestSnapshotOf(log), QString());
        // Another log's snapshots are not this one's.
        const QString other = logPath(QStringLiteral("log2.mdb"));
        makeLog(other, 1);
        QVERIFY(Snapshots::takeIfChanged(other, m_keepAll).taken);
        QCOMPARE(Snapshots::newestSnapshotOf(log), QString());
        QVERIFY_THROWS_EXCEPTION(DbError, Snapshots::restoreBeside(QString(), log));
        // A damaged snapshot is not copied.
        const QString bad = QDir(backup()).filePath(Snapshots::fileNameFor(log, m_now));
        FileKit::writeBytes(bad, QByteArray(8192, 'x'));
        QVERIFY_THROWS_EXCEPTION(DbError, Snapshots::restoreBeside(bad, log));
        QCOMPARE(filesIn(m_dir->path()), QStringList({"log.mdb", "log2.mdb"}));
    }

    // ---- SQL that changes data ---------------------------------------------------------

    void modifiesData_data()
    {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<bool>("modifies");
        QTest::newRow("select") << "select * from log" << false;
        QTest::newRow("select, upper case") << "SELECT CALL FROM LOG WHERE CALL = 'UA3AA'" << false;
        QTest::newRow("empty") << "" << false;
        QTest::newRow("comment only") << "-- delete from log" << false;
        QTest::newRow("values") << "values (1), (2)" << false;
        QTest::newRow("explain") << "explain query plan delete from log" << false;
        QTest::newRow("with select") << "with t(x) as (select 1) select * from t" << false;
        QTest::newRow("pragma read") << "pragma table_info(log)" << false;
        QTest::newRow("pragma no argument") << "pragma user_version" << false;
        QTest::newRow("parenthesised select") << "(select 1)" << false;
        QTest::newRow("a word in a string") << "select * from log where COMMENT = 'delete; update'" << false;
        QTest::newRow("transaction control") << "begin; commit" << false;

        QTest::newRow("update") << "update log set QSL_SENT = 'Y'" << true;
        QTest::newRow("delete") << "delete from log" << true;
        QTest::newRow("Delete, mixed case") << "DeLeTe FROM log WHERE id = 1" << true;
        QTest::newRow("insert") << "insert into modes values ('JT65')" << true;
        QTest::newRow("replace") << "replace into modes values ('JT65')" << true;
        QTest::newRow("insert or replace") << "insert or replace into modes values ('JT65')" << true;
        QTest::newRow("drop") << "drop table modes" << true;
        QTest::newRow("alter") << "alter table log add column x" << true;
        QTest::newRow("create") << "create table t (x)" << true;
        QTest::newRow("create index") << "create index i on log (NAME)" << true;
        QTest::newRow("vacuum") << "vacuum" << true;
        QTest::newRow("attach") << "attach 'x.mdb' as x" << true;
        QTest::newRow("unknown word") << "frobnicate" << true;
        QTest::newRow("leading blanks") << "  \n\t update log set NAME = ''" << true;
        QTest::newRow("leading line comments")
            << "-- fix names\n-- carefully\nupdate log set NAME = ''" << true;
        QTest::newRow("leading block comment") << "/* select */ delete from log" << true;
        QTest::newRow("comment glued to the verb") << "/**/delete from log" << true;
        QTest::newRow("second statement") << "select 1; delete from log" << true;
        QTest::newRow("after a string with a semicolon") << "select ';'; delete from log" << true;
        QTest::newRow("after a quoted name") << "select \"a;b\" from log; drop table log" << true;
        QTest::newRow("with delete") << "with t as (select id from log) delete from log where id in t"
                                     << true;
        QTest::newRow("with update, select inside")
            << "with recursive t(x) as (select 1 union select x + 1 from t where x < 5) "
               "update log set user1 = (select max(x) from t)"
            << true;
        QTest::newRow("update returning") << "update log set NAME = 'x' returning *" << true;
        QTest::newRow("pragma set") << "pragma user_version = 3" << true;
        QTest::newRow("pragma set in parentheses") << "pragma main.user_version(3)" << true;
        QTest::newRow("pragma journal mode") << "PRAGMA journal_mode=delete" << true;
        QTest::newRow("unterminated comment hides nothing") << "delete from log /* oops" << true;
        QTest::newRow("unterminated string") << "update log set NAME = 'x" << true;
        QTest::newRow("Jet date literal") << "delete from log where QSO_DATE < #01/01/2000#" << true;
        QTest::newRow("cyrillic in a value") << "update log set QTH = 'Москва'" << true;
    }
    void modifiesData()
    {
        QFETCH(QString, sql);
        QFETCH(bool, modifies);
        QCOMPARE(Snapshots::modifiesData(sql), modifies);
    }
};

QTEST_GUILESS_MAIN(TestSnapshots)
#include "test_snapshots.moc"
