#include "exchange/adifexchange.h"
#include "exchange/codepage.h"
#include "logdb/dberror.h"
#include "logdb/schema.h"
#include "logdb/tdm.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

#include <sqlite3.h>
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const char kColumns[] =
    "CALL, QSO_DATE, TIME_ON, TIME_OFF, MODE, NAME, QTH, COMMENT, FREQ, RST_SENT, RST_RCVD,"
    " QSL_SENT, QSL_RCVD, TX_PWR, GRIDSQUARE";

// A fresh log file with the log view open on it.
struct Log {
    QTemporaryDir dir;
    QString path;
    TDM tdm;

    explicit Log(const QString &name = QStringLiteral("test.mdb"))
    {
        path = dir.filePath(name);
        Schema::createTemplate(path);
        tdm.ADOConnection1->open(path);
        tdm.ADOQueryLog->open();
    }

    Dataset *view() { return tdm.ADOQueryLog; }
    sqlite3 *db() { return tdm.ADOConnection1->handle(); }

    // Every row of `log` in id order: the fifteen columns joined by "|",
    // NULL shown as "∅", then dxcc.
    QStringList rows()
    {
        QStringList out;
        sqlite3_stmt *st = nullptr;
        const QByteArray sql = QByteArray("select ") + kColumns + ", dxcc from log order by id";
        if (sqlite3_prepare_v2(db(), sql.constData(), -1, &st, nullptr) != SQLITE_OK)
            qFatal("%s", sqlite3_errmsg(db()));
        while (sqlite3_step(st) == SQLITE_ROW) {
            QStringList cells;
            for (int c = 0; c < 16; ++c) {
                if (sqlite3_column_type(st, c) == SQLITE_NULL)
                    cells << QStringLiteral("∅");
                else
                    cells << QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(st, c)),
                                               sqlite3_column_bytes(st, c));
            }
            out << cells.join(u'|');
        }
        sqlite3_finalize(st);
        return out;
    }

    void exec(const QString &sql) { tdm.ADOConnection1->execute(sql); }

    int scalar(const char *sql)
    {
        sqlite3_stmt *st = nullptr;
        int v = -1;
        if (sqlite3_prepare_v2(db(), sql, -1, &st, nullptr) == SQLITE_OK && sqlite3_step(st) == SQLITE_ROW)
            v = sqlite3_column_int(st, 0);
        sqlite3_finalize(st);
        return v;
    }

    void reopenView()
    {
        view()->close();
        view()->open();
    }
};

// A row as stored: the fifteen columns in writing order, then dxcc (NULL).
QString row(const QString &fifteen)
{
    return fifteen + QStringLiteral("|∅");
}

// An imported row: the named columns, the other texts empty, dxcc NULL.
QString qso(const char *call, const char *date, const char *on, const char *off,
            const QMap<QString, QString> &texts = {})
{
    QStringList cells{QString::fromUtf8(call), QString::fromUtf8(date), QString::fromUtf8(on),
                      QString::fromUtf8(off)};
    for (const char *col : {"MODE", "NAME", "QTH", "COMMENT", "FREQ", "RST_SENT", "RST_RCVD",
                            "QSL_SENT", "QSL_RCVD", "TX_PWR", "GRIDSQUARE"})
        cells << texts.value(QString::fromLatin1(col));
    return row(cells.join(u'|'));
}

QString errorOf(const std::function<void()> &f)
{
    try {
        f();
    } catch (const DbError &e) {
        return e.message();
    }
    return QString();
}

QByteArray readAll(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray("<unreadable>");
    return f.readAll();
}

void writeAll(const QString &path, const QByteArray &data)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(data);
}

} // namespace

class TestAdifExchange : public QObject {
    Q_OBJECT
private slots:
    void import_data();
    void import();
    void importStopsAtBadRecordAcrossBatches();
    void importFileErrors();
    void importWithoutLog();
    void importReportsProgress();
    void importIntoView();
    void importEngineRefusesRow_data();
    void importEngineRefusesRow();
    void importCancelled_data();
    void importCancelled();
    void importRecordsOfAnySize();

    void exportExactFile();
    void exportFollowsView();
    void exportReplacesExistingFile();
    void exportFailureKeepsOldFile();
    void exportWithoutLog();
    void exportCancelled_data();
    void exportCancelled();

    void roundTrip();
    void exportEncoding_data();
    void exportEncoding();
    void exportSwitchesForALaterRecord();
    void roundTripAnyLetters_data();
    void roundTripAnyLetters();
};

void TestAdifExchange::import_data()
{
    QTest::addColumn<QByteArray>("adi");
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<QString>("error");

    const QString k1 = qso("K1AB", "2024-01-15", "12:00", "12:00");
    const QString dl = qso("DL1XY", "2024-01-16", "07:30", "07:30");

    QTest::newRow("empty file") << QByteArray() << QStringList() << QString();
    QTest::newRow("no EOR") << QByteArray("<EOH><CALL:4>K1AB<QSO_DATE:8>20240115<TIME_ON:4>1200\r\n")
                            << QStringList() << QString();
    QTest::newRow("one QSO on one line")
        << QByteArray("<EOH>\r\n<CALL:4>K1AB<QSO_DATE:8:D>20240115<TIME_ON:4>1200<TIME_OFF:4>1215"
                      "<MODE:2>CW<NAME:3>Bob<QTH:6>Boston<COMMENT:3>tnx<FREQ:6>14.025<RST_SENT:3>599"
                      "<RST_RCVD:3>579<QSL_SENT:1>P<QSL_RCVD:1>N<TX_PWR:3>100<GRIDSQUARE:6>FN42AA<EOR>\r\n")
        << QStringList{qso("K1AB", "2024-01-15", "12:00", "12:15",
                           {{"MODE", "CW"}, {"NAME", "Bob"}, {"QTH", "Boston"}, {"COMMENT", "tnx"},
                            {"FREQ", "14.025"}, {"RST_SENT", "599"}, {"RST_RCVD", "579"},
                            {"QSL_SENT", "P"}, {"QSL_RCVD", "N"}, {"TX_PWR", "100"},
                            {"GRIDSQUARE", "FN42AA"}})}
        << QString();
    QTest::newRow("two QSOs on one line")
        << QByteArray("<EOH><CALL:4>K1AB<QSO_DATE:8>20240115<TIME_ON:4>1200<EOR>"
                      "<CALL:5>DL1XY<QSO_DATE:8>20240116<TIME_ON:4>0730<EOR>")
        << QStringList{k1, dl} << QString();
    QTest::newRow("record over several lines")
        << QByteArray("<EOH>\n<CALL:4>K1AB\n<QSO_DATE:8>20240115\n\n<TIME_ON:4>1200\n<MODE:3>SSB<EOR>\n")
        << QStringList{qso("K1AB", "2024-01-15", "12:00", "12:00", {{"MODE", "SSB"}})} << QString();
    QTest::newRow("value with a line break")
        << QByteArray("<EOH><CALL:4>K1AB<QSO_DATE:8>20240115<TIME_ON:4>1200<COMMENT:11>tnx\r\nQSL 73<EOR>")
        << QStringList{qso("K1AB", "2024-01-15", "12:00", "12:00", {{"COMMENT", "tnx\r\nQSL 73"}})}
        << QString();
    QTest::newRow("lower-case tags")
        << QByteArray("<eoh><call:4>k1ab<qso_date:8:d>20240115<time_on:4>1200<Name:3>Bob<eor>")
        << QStringList{qso("k1ab", "2024-01-15", "12:00", "12:00", {{"NAME", "Bob"}})} << QString();
    QTest::newRow("typed length of MODE")
        << QByteArray("<EOH><CALL:4>K1AB<QSO_DATE:8:D>20240115<TIME_ON:4:T>1200<MODE:2:S>CW<EOR>")
        << QStringList{qso("K1AB", "2024-01-15", "12:00", "12:00", {{"MODE", "CW"}})} << QString();
    QTest::newRow("group A value of 120 characters")
        << QByteArray("<EOH><CALL:4>K1AB<QSO_DATE:8>20240115<TIME_ON:4>1200<COMMENT:120>")
               + QByteArray(36, 'a') + QByteArray(84, 'b') + "<NAME:3>Bob<EOR>"
        << QStringList{qso("K1AB", "2024-01-15", "12:00", "12:00",
                           {{"NAME", "Bob"}, {"COMMENT", QString(36, u'a')}})}
        << QString();
    QTest::newRow("widths cut")
        << QStringLiteral("<EOH><CALL:20>ABCDEFGHIJKLMNOPQRST<QSO_DATE:8>20240115<TIME_ON:4>1200"
                          "<GRIDSQUARE:10>KO85UR12AB<QSL_SENT:3>YES<TX_PWR:5>1000W"
                          "<NAME:50>Александр Константинович Ш<EOR>").toUtf8()
        << QStringList{qso("ABCDEFGHIJKLMNO", "2024-01-15", "12:00", "12:00",
                           {{"GRIDSQUARE", "KO85UR"}, {"QSL_SENT", "Y"}, {"TX_PWR", "1000"},
                            {"NAME", "Александр Константинович "}})}
        << QString();
    QTest::newRow("six-digit times")
        << QByteArray("<EOH><CALL:4>K1AB<QSO_DATE:8>20240115<TIME_ON:6>123456<TIME_OFF:6>130159<EOR>")
        << QStringList{qso("K1AB", "2024-01-15", "12:34", "13:01")} << QString();
    QTest::newRow("no TIME_OFF takes TIME_ON")
        << QByteArray("<EOH><CALL:4>K1AB<QSO_DATE:8>20240115<TIME_ON:4>1200<TIME_OFF:0><EOR>")
        << QStringList{k1} << QString();
    QTest::newRow("bad date in the third record")
        << QByteArray("<EOH><CALL:4>K1AB<QSO_DATE:8>20240115<TIME_ON:4>1200<EOR>\r\n"
                      "<CALL:5>DL1XY<QSO_DATE:8>20240116<TIME_ON:4>0730<EOR>\r\n"
                      "<CALL:5>F5ABC<QSO_DATE:8>20241332<TIME_ON:4>0800<EOR>\r\n"
                      "<CALL:5>G4DEF<QSO_DATE:8>20240117<TIME_ON:4>0900<EOR>\r\n")
        << QStringList{k1, dl} << QStringLiteral("'32.13.2024' is not a valid date");
    QTest::newRow("missing date")
        << QByteArray("<EOH><CALL:4>K1AB<TIME_ON:4>1200<EOR>") << QStringList()
        << QStringLiteral("'..' is not a valid date");
    QTest::newRow("missing time")
        << QByteArray("<EOH><CALL:4>K1AB<QSO_DATE:8>20240115<EOR>") << QStringList()
        << QStringLiteral("':' is not a valid time");
    QTest::newRow("bad end time stores nothing of the record")
        << QByteArray("<EOH><CALL:4>K1AB<QSO_DATE:8>20240115<TIME_ON:4>1200<TIME_OFF:4>2561<EOR>")
        << QStringList() << QStringLiteral("'25:61' is not a valid time");
    QTest::newRow("bad length")
        << QByteArray("<EOH><CALL:4>K1AB<QSO_DATE:8>20240115<TIME_ON:4>1200<EOR>"
                      "<CALL:4:S>K2CD<NAME:x>Bob<EOR>")
        << QStringList{k1} << QStringLiteral("'x' is not a valid integer value");
    QTest::newRow("utf-8 cyrillic and german names")
        << QStringLiteral("<EOH><CALL:6>UA3ABC<QSO_DATE:8>20240115<TIME_ON:4>1200<NAME:12>Сергей"
                          "<QTH:12>Москва<EOR><CALL:5>DL1XY<QSO_DATE:8>20240115<TIME_ON:4>1300"
                          "<NAME:7>Jürgen<QTH:11>Düsseldorf<EOR>")
               .toUtf8()
        << QStringList{qso("UA3ABC", "2024-01-15", "12:00", "12:00", {{"NAME", "Сергей"}, {"QTH", "Москва"}}),
                       qso("DL1XY", "2024-01-15", "13:00", "13:00", {{"NAME", "Jürgen"}, {"QTH", "Düsseldorf"}})}
        << QString();
    QTest::newRow("windows-1251 cyrillic names")
        << QByteArray("<EOH><CALL:6>UA3ABC<QSO_DATE:8>20240115<TIME_ON:4>1200"
                      "<NAME:6>\xD1\xE5\xF0\xE3\xE5\xE9<QTH:6>\xCC\xEE\xF1\xEA\xE2\xE0<EOR>")
        << QStringList{qso("UA3ABC", "2024-01-15", "12:00", "12:00", {{"NAME", "Сергей"}, {"QTH", "Москва"}})}
        << QString();
    QTest::newRow("control character inside a value")
        << QByteArray("<EOH><CALL:4>K1AB<QSO_DATE:8>20240115<TIME_ON:4>1200<NAME:4>Bo\x07" "b<EOR>"
                      "<CALL:4>K2CD<QSO_DATE:8>20240115<TIME_ON:4>1300<COMMENT:3>")
               + QByteArray("a\0z", 3) + "<EOR>"
        << QStringList{qso("K1AB", "2024-01-15", "12:00", "12:00", {{"NAME", "Bo\x07" "b"}}),
                       qso("K2CD", "2024-01-15", "13:00", "13:00", {{"COMMENT", "az"}})}
        << QString();
}

void TestAdifExchange::import()
{
    QFETCH(QByteArray, adi);
    QFETCH(QStringList, rows);
    QFETCH(QString, error);

    Log log;
    const QString file = log.dir.filePath(QStringLiteral("in.adi"));
    writeAll(file, adi);
    AdifExchange::ImportResult result;
    QCOMPARE(errorOf([&] { result = AdifExchange::importFile(log.view(), file); }), error);
    QCOMPARE(log.rows(), rows);
    QVERIFY(!log.tdm.ADOConnection1->inTransaction());
    if (error.isEmpty()) {
        QCOMPARE(result.stored, rows.size());
    }
    // Empty texts are zero-length strings, never NULL; user1 is untouched.
    QCOMPARE(log.scalar("select count(*) from log where user1 is not null or freq is null"
                        " or mode is null or comment is null or gridsquare is null"),
             0);
}

void TestAdifExchange::importStopsAtBadRecordAcrossBatches()
{
    // More good records than one batch holds, then a bad one: every good one
    // stays, committed, and the file is not left inside a transaction.
    QByteArray adi = "<EOH>\r\n";
    const int good = 12345;
    for (int i = 0; i < good; ++i)
        adi += "<CALL:4>K" + QByteArray::number(100 + i % 900) + "<QSO_DATE:8>20240115<TIME_ON:4>1200<EOR>\r\n";
    adi += "<CALL:4>K1AB<QSO_DATE:8>20240230<TIME_ON:4>1200<EOR>\r\n";
    adi += "<CALL:4>K1AB<QSO_DATE:8>20240115<TIME_ON:4>1200<EOR>\r\n";

    Log log;
    AdifExchange::ImportResult done;
    QCOMPARE(errorOf([&] { AdifExchange::importBytes(log.view(), adi, {}, &done); }),
             QStringLiteral("'30.02.2024' is not a valid date"));
    QCOMPARE(done.stored, good);
    QCOMPARE(done.lastId, qint64(good));
    QVERIFY(!log.tdm.ADOConnection1->inTransaction());

    // Seen from another connection: the rows are on disk.
    sqlite3 *other = nullptr;
    QCOMPARE(sqlite3_open_v2(QFile::encodeName(log.path).constData(), &other, SQLITE_OPEN_READONLY, nullptr),
             SQLITE_OK);
    sqlite3_stmt *st = nullptr;
    QCOMPARE(sqlite3_prepare_v2(other, "select count(*) from log", -1, &st, nullptr), SQLITE_OK);
    QCOMPARE(sqlite3_step(st), SQLITE_ROW);
    QCOMPARE(sqlite3_column_int(st, 0), good);
    sqlite3_finalize(st);
    sqlite3_close(other);
}

void TestAdifExchange::importFileErrors()
{
    Log log;
    const QString missing = log.dir.filePath(QStringLiteral("missing.adi"));
    QCOMPARE(errorOf([&] { AdifExchange::importFile(log.view(), missing); }),
             QStringLiteral("Cannot open file \"%1\". No such file or directory").arg(missing));
    QCOMPARE(errorOf([&] { AdifExchange::importFile(log.view(), log.dir.path()); }),
             QStringLiteral("Cannot open file \"%1\". Is a directory").arg(log.dir.path()));
    QVERIFY(log.rows().isEmpty());
}

void TestAdifExchange::importWithoutLog()
{
    TDM tdm;   // nothing attached
    QCOMPARE(errorOf([&] { AdifExchange::importBytes(tdm.ADOQueryLog, QByteArray("<EOH>\r\n")); }),
             QString());
    QString closedMessage = errorOf([&] { tdm.ADOQueryLog->recordCount(); });
    QVERIFY(!closedMessage.isEmpty());
    QCOMPARE(errorOf([&] {
                 AdifExchange::importBytes(tdm.ADOQueryLog,
                                           QByteArray("<CALL:4>K1AB<QSO_DATE:8>20240115<TIME_ON:4>1200<EOR>"));
             }),
             closedMessage);
}

void TestAdifExchange::importReportsProgress()
{
    QByteArray adi = "<EOH>\r\n";
    for (int i = 0; i < 300; ++i)
        adi += "<CALL:4>K1AB<QSO_DATE:8>20240115<TIME_ON:4>1200<EOR>\r\n";
    Log log;
    QVector<int> seen;
    QVector<qint64> done;
    QSet<qint64> totals;
    AdifExchange::importBytes(log.view(), adi, [&](const WorkStatus &s) {
        seen << s.position;
        done << s.done;
        totals << s.total;
        return true;
    });
    QCOMPARE(totals, QSet<qint64>{-1});   // not known before the file is read
    QVERIFY(!seen.isEmpty());
    QCOMPARE(seen.last(), 100);
    QCOMPARE(done.last(), qint64(300));
    // Told as the bar moves, never twice the same, never backwards.
    for (int i = 1; i < seen.size(); ++i) {
        QVERIFY(seen[i] >= seen[i - 1]);
        QVERIFY(done[i] > done[i - 1]);
    }
    QVERIFY(seen.size() >= 5);
}

void TestAdifExchange::importEngineRefusesRow_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<int>("bad");   // place of the refused QSO in the file, from 0
    QTest::addColumn<bool>("audited");   // a trigger of the log writes each QSO elsewhere too
    // A refusal that undoes the whole statement, and one that keeps what
    // the statement did before it; early, in the middle of a batch of rows,
    // and among the last few; on a log whose own triggers write as well.
    for (const bool audited : {false, true}) {
        for (const char *action : {"abort", "fail"}) {
            for (int bad : {0, 49, 98})
                QTest::newRow(qPrintable(QStringLiteral("%1 at %2%3")
                                             .arg(QLatin1String(action))
                                             .arg(bad)
                                             .arg(audited ? QStringLiteral(", audited") : QString())))
                    << QString::fromLatin1(action) << bad << audited;
        }
    }
}

void TestAdifExchange::importEngineRefusesRow()
{
    // The QSOs before the refused one are stored once each, the refused one
    // and those after it not at all, and the engine's message is the error.
    QFETCH(QString, action);
    QFETCH(int, bad);
    QFETCH(bool, audited);
    QByteArray adi = "<EOH>";
    for (int i = 0; i < 100; ++i) {
        const QByteArray call = i == bad ? QByteArray("BAD") : "K" + QByteArray::number(100 + i);
        adi += "<CALL:" + QByteArray::number(call.size()) + ">" + call + "<QSO_DATE:8>20240115<TIME_ON:4>1200<EOR>";
    }
    Log log;
    log.exec(QStringLiteral("create trigger refuse before insert on log when new.CALL = 'BAD' "
                            "begin select raise(%1, 'row refused'); end").arg(action));
    if (audited) {
        log.exec(QStringLiteral("create table audit (call text)"));
        log.exec(QStringLiteral("create trigger audit after insert on log begin "
                                "insert into audit values (new.CALL); insert into audit values (new.CALL); end"));
    }
    AdifExchange::ImportResult done;
    QCOMPARE(errorOf([&] { AdifExchange::importBytes(log.view(), adi, {}, &done); }), QStringLiteral("row refused"));
    QCOMPARE(done.stored, bad);
    QVERIFY(!log.tdm.ADOConnection1->inTransaction());
    QCOMPARE(log.scalar("select count(*) from log"), bad);
    QCOMPARE(log.scalar("select count(distinct CALL) from log"), bad);
    QCOMPARE(log.scalar("select count(*) from log where CALL = 'K' || (99 + id)"), bad);
}

void TestAdifExchange::importCancelled_data()
{
    QTest::addColumn<int>("cancelAt");   // QSOs done when the receiver says stop
    QTest::addColumn<bool>("fromFile");
    QTest::newRow("at once, file") << 0 << true;
    QTest::newRow("after some, file") << 700 << true;
    QTest::newRow("after many, memory") << 3000 << false;
}

void TestAdifExchange::importCancelled()
{
    // Whole QSOs only, exactly the first ones of the file, all committed,
    // and the count returned is the count stored.
    QFETCH(int, cancelAt);
    QFETCH(bool, fromFile);
    const int total = 5000;
    QByteArray adi = Adif::header();
    for (int i = 0; i < total; ++i)
        adi += "<CALL:6>K" + QByteArray::number(10000 + i)
               + "<QSO_DATE:8>20240115<TIME_ON:4>1200"
                 "<NAME:5>Name"
               + QByteArray::number(i % 10) + "<EOR>\r\n";
    Log log;
    log.exec(QStringLiteral("insert into log (QSO_DATE, TIME_ON, TIME_OFF, CALL) values ('2020-01-01', "
                            "'10:00', '10:00', 'OLD1')"));
    const QString file = log.dir.filePath(QStringLiteral("in.adi"));
    writeAll(file, adi);

    AdifExchange::ImportResult done;
    qint64 lastDone = -1;
    const AdifExchange::Progress stopper = [&](const WorkStatus &s) {
        lastDone = s.done;
        return s.done < cancelAt;
    };
    const AdifExchange::ImportResult r = fromFile
                                             ? AdifExchange::importFile(log.view(), file, stopper, &done)
                                             : AdifExchange::importBytes(log.view(), adi, stopper, &done);
    QVERIFY(r.cancelled);
    QVERIFY(done.cancelled);
    QCOMPARE(done.stored, r.stored);
    QVERIFY2(r.stored >= cancelAt && r.stored < total, qPrintable(QString::number(r.stored)));
    QCOMPARE(qint64(r.stored), lastDone);   // what the receiver was last told is what is stored
    QVERIFY(!log.tdm.ADOConnection1->inTransaction());
    QCOMPARE(log.scalar("select count(*) from log"), r.stored + 1);
    QCOMPARE(log.scalar(
                 "select count(*) from log where id > 1 and NAME = 'Name' || ((id - 2) % 10) "
                 "and CALL = 'K' || (10000 + id - 2) and QSO_DATE = '2024-01-15' and TIME_ON = '12:00'"),
             r.stored);
    QCOMPARE(r.lastId, qint64(r.stored + 1));
}

void TestAdifExchange::importRecordsOfAnySize()
{
    // A file larger than what the reader holds at a time, with records and
    // values of every size, some of them across the pieces it reads: every
    // value arrives whole.
    QByteArray adi = Adif::header();
    QStringList expected;
    int n = 0;
    while (adi.size() < 3 * 1024 * 1024) {
        const QByteArray call = "C" + QByteArray::number(n);
        const QByteArray comment = QByteArray(n % 37, char('a' + n % 26));
        const QByteArray pad = QByteArray(n % 5000, ' ');
        adi += "<CALL:" + QByteArray::number(call.size()) + ">" + call + pad
               + "<QSO_DATE:8>20240115<TIME_ON:4>" + QByteArray::number(1000 + n % 60)
               + "<COMMENT:" + QByteArray::number(comment.size()) + ">" + comment
               + "<APP_X:" + QByteArray::number(n % 3000) + ">" + QByteArray(n % 3000, '<') + "<EOR>\n";
        expected << QString::fromLatin1(call + "|" + comment.left(36));
        ++n;
    }
    Log log;
    const QString file = log.dir.filePath(QStringLiteral("big.adi"));
    writeAll(file, adi);
    QCOMPARE(AdifExchange::importFile(log.view(), file).stored, n);
    QStringList got;
    sqlite3_stmt *st = nullptr;
    QCOMPARE(sqlite3_prepare_v2(log.db(), "select CALL, COMMENT from log order by id", -1, &st, nullptr),
             SQLITE_OK);
    while (sqlite3_step(st) == SQLITE_ROW)
        got << QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(st, 0))) + u'|'
                   + QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(st, 1)));
    sqlite3_finalize(st);
    QCOMPARE(got, expected);
}

void TestAdifExchange::importIntoView()
{
    // The rows go to the file; the caller reopens the view to show them, and
    // the last imported id lets it find the last imported QSO.
    Log log;
    log.exec(QStringLiteral("insert into log (QSO_DATE, TIME_ON, TIME_OFF, CALL) values ('2025-01-01', '10:00', '10:00', 'LATE')"));
    log.reopenView();
    const auto r = AdifExchange::importBytes(
        log.view(), "<CALL:4>K1AB<QSO_DATE:8>20240115<TIME_ON:4>1200<EOR>"
                    "<CALL:4>K2CD<QSO_DATE:8>20230115<TIME_ON:4>1200<EOR>");
    QCOMPARE(r.stored, 2);
    log.reopenView();
    QCOMPARE(log.view()->recordCount(), 3);
    QVERIFY(log.view()->locate(r.lastId));
    QCOMPARE(log.view()->fieldByName(QStringLiteral("CALL")).asString(), QStringLiteral("K2CD"));
    QVERIFY(log.view()->fieldByName(QStringLiteral("dxcc")).isNull());
}

void TestAdifExchange::exportExactFile()
{
    Log log;
    log.exec(QStringLiteral(
        "insert into log (QSO_DATE, TIME_ON, TIME_OFF, FREQ, MODE, CALL, NAME, QTH, COMMENT, RST_SENT,"
        " RST_RCVD, QSL_SENT, QSL_RCVD, TX_PWR, GRIDSQUARE, dxcc, user1) values ('2024-03-07', '09:05',"
        " '23:59', '14.195', 'SSB', 'UA3ABC', 'Иван', 'Москва', 'tnx', '59', '57', 'P', 'N', '100',"
        " 'KO85UR', 'UA', 'x')"));
    log.exec(QStringLiteral("insert into log (QSO_DATE, TIME_ON, TIME_OFF, CALL, NAME, MODE) values"
                            " ('2024-03-08', '10:00', null, 'K1AB', '', 'CW')"));
    log.reopenView();
    const QString file = log.dir.filePath(QStringLiteral("out.adi"));
    QCOMPARE(AdifExchange::exportLog(log.view(), file), 2);
    const QByteArray expected =
        "Tarnix by Orvel\r\n<ADIF_VERS:3>1.0\r\n<EOH>\r\n\r\n"
        "<CALL:6>UA3ABC\r\n<QSO_DATE:8:D>20240307\r\n<TIME_ON:4>0905\r\n<TIME_OFF:4>2359\r\n"
        "<MODE:3>SSB\r\n<NAME:4>\xC8\xE2\xE0\xED\r\n<QTH:6>\xCC\xEE\xF1\xEA\xE2\xE0\r\n"
        "<COMMENT:3>tnx\r\n<FREQ:6>14.195\r\n<RST_SENT:2>59\r\n<RST_RCVD:2>57\r\n"
        "<QSL_SENT:1>P\r\n<QSL_RCVD:1>N\r\n<TX_PWR:3>100\r\n<GRIDSQUARE:6>KO85UR\r\n<EOR>\r\n\r\n"
        "<CALL:4>K1AB\r\n<QSO_DATE:8:D>20240308\r\n<TIME_ON:4>1000\r\n<MODE:2>CW\r\n<EOR>\r\n\r\n";
    QCOMPARE(readAll(file), expected);
    QCOMPARE(log.view()->recNo(), 1);   // stands on its last row
}

void TestAdifExchange::exportFollowsView()
{
    Log log;
    log.exec(QStringLiteral("insert into log (QSO_DATE, TIME_ON, TIME_OFF, CALL) values"
                            " ('2024-01-02', '10:00', '10:00', 'B2B'), ('2024-01-01', '10:00', '10:00', 'A1A'),"
                            " ('2024-01-03', '10:00', '10:00', 'C3C')"));
    log.reopenView();
    const QString file = log.dir.filePath(QStringLiteral("out.adi"));
    QVector<int> seen;
    QVector<qint64> done;
    QSet<qint64> totals;
    AdifExchange::exportLog(log.view(), file, [&](const WorkStatus &s) {
        seen << s.position;
        done << s.done;
        totals << s.total;
        return true;
    });
    QCOMPARE(totals, QSet<qint64>{3});
    QCOMPARE(seen, (QVector<int>{33, 67, 100}));
    QCOMPARE(done, (QVector<qint64>{1, 2, 3}));
    const QByteArray all = readAll(file);
    QVERIFY(all.indexOf("A1A") < all.indexOf("B2B") && all.indexOf("B2B") < all.indexOf("C3C"));

    // A filter in force: only its rows.
    log.view()->close();
    log.view()->setSql({QStringLiteral("select * from log where call <> 'B2B'")});
    log.view()->open();
    AdifExchange::exportLog(log.view(), file);
    const QByteArray filtered = readAll(file);
    QVERIFY(filtered.contains("A1A") && filtered.contains("C3C") && !filtered.contains("B2B"));

    // An empty view: the header only.
    log.view()->close();
    log.view()->setSql({QStringLiteral("select * from log where 1 = 0")});
    log.view()->open();
    QCOMPARE(AdifExchange::exportLog(log.view(), file), 0);
    QCOMPARE(readAll(file), QByteArray("Tarnix by Orvel\r\n<ADIF_VERS:3>1.0\r\n<EOH>\r\n\r\n"));
}

void TestAdifExchange::exportReplacesExistingFile()
{
    Log log;
    const QString file = log.dir.filePath(QStringLiteral("out.adi"));
    writeAll(file, QByteArray(5000, 'x'));
    QFile::setPermissions(file, QFile::ReadOwner | QFile::WriteOwner);
    AdifExchange::exportLog(log.view(), file);
    QCOMPARE(readAll(file), QByteArray("Tarnix by Orvel\r\n<ADIF_VERS:3>1.0\r\n<EOH>\r\n\r\n"));
    struct stat st;
    QCOMPARE(::stat(QFile::encodeName(file).constData(), &st), 0);
    QCOMPARE(st.st_mode & 0777, mode_t(0600));   // the replaced file's permissions kept
    QCOMPARE(QDir(log.dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 2);   // log, out.adi
}

void TestAdifExchange::exportFailureKeepsOldFile()
{
    Log log;
    for (int i = 0; i < 50; ++i)
        log.exec(QStringLiteral("insert into log (QSO_DATE, TIME_ON, TIME_OFF, CALL) values ('2024-01-02', '10:00', '10:00', 'B2B')"));
    log.reopenView();

    // A missing folder, a folder that is a file.
    const QString nowhere = log.dir.filePath(QStringLiteral("no/such/out.adi"));
    QCOMPARE(errorOf([&] { AdifExchange::exportLog(log.view(), nowhere); }),
             QStringLiteral("Cannot create file \"%1\". No such file or directory").arg(nowhere));
    const QString underFile = log.path + QStringLiteral("/out.adi");
    QCOMPARE(errorOf([&] { AdifExchange::exportLog(log.view(), underFile); }),
             QStringLiteral("Cannot create file \"%1\". Not a directory").arg(underFile));

    // The disk fills up half-way (a file size limit stands in for it): the
    // old file stays as it was and no temporary file is left behind.
    const QString file = log.dir.filePath(QStringLiteral("out.adi"));
    writeAll(file, "old");
    struct rlimit saved;
    QCOMPARE(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    struct rlimit small = saved;
    small.rlim_cur = 1000;
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    QCOMPARE(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const QString error = errorOf([&] { AdifExchange::exportLog(log.view(), file); });
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);
    QCOMPARE(error, QStringLiteral("Cannot create file \"%1\". File too large").arg(file));
    QCOMPARE(readAll(file), QByteArray("old"));
    QCOMPARE(QDir(log.dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 2);   // log, out.adi

    // A folder without write permission.
    if (::geteuid() == 0)
        QSKIP("permissions do not bind root");
    QDir(log.dir.path()).mkdir(QStringLiteral("ro"));
    const QString ro = log.dir.filePath(QStringLiteral("ro"));
    const QString roFile = ro + QStringLiteral("/out.adi");
    writeAll(roFile, "old");
    QFile::setPermissions(ro, QFile::ReadOwner | QFile::ExeOwner);
    const QString roError = errorOf([&] { AdifExchange::exportLog(log.view(), roFile); });
    QFile::setPermissions(ro, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QCOMPARE(roError, QStringLiteral("Cannot create file \"%1\". Permission denied").arg(roFile));
    QCOMPARE(readAll(roFile), QByteArray("old"));
}

void TestAdifExchange::exportWithoutLog()
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("out.adi"));
    writeAll(file, "old");
    TDM tdm;
    const QString closedMessage = errorOf([&] { tdm.ADOQueryLog->recordCount(); });
    QVERIFY(!closedMessage.isEmpty());
    QCOMPARE(errorOf([&] { AdifExchange::exportLog(tdm.ADOQueryLog, file); }), closedMessage);
    QCOMPARE(readAll(file), QByteArray("old"));
}

void TestAdifExchange::exportCancelled_data()
{
    QTest::addColumn<bool>("existing");
    QTest::newRow("over an existing file") << true;
    QTest::newRow("to a new name") << false;
}

void TestAdifExchange::exportCancelled()
{
    // A cancelled export leaves the chosen name as it was (the old file, or
    // nothing) and no other file beside it.
    QFETCH(bool, existing);
    Log log;
    QString values;
    for (int i = 0; i < 2000; ++i)
        values += QStringLiteral("%1('2024-01-02', '10:00', '10:00', 'K%2')")
                      .arg(i ? QStringLiteral(",") : QString())
                      .arg(i);
    log.exec(QStringLiteral("insert into log (QSO_DATE, TIME_ON, TIME_OFF, CALL) values ") + values);
    log.reopenView();
    const QString file = log.dir.filePath(QStringLiteral("out.adi"));
    if (existing)
        writeAll(file, "old");
    const QStringList before = QDir(log.dir.path()).entryList(QDir::Files | QDir::Hidden);

    int calls = 0;
    const AdifExchange::ExportResult r
        = AdifExchange::exportLog(log.view(), file, AdifExchange::ExportEncoding::Cp1251WhenItFits,
                                  [&](const WorkStatus &s) {
                                      ++calls;
                                      return s.done < 1500;
                                  });
    QVERIFY(r.cancelled);
    QCOMPARE(r.count, 0);
    QVERIFY(calls > 1);
    QCOMPARE(QDir(log.dir.path()).entryList(QDir::Files | QDir::Hidden), before);
    if (existing)
        QCOMPARE(readAll(file), QByteArray("old"));
    else
        QVERIFY(!QFile::exists(file));

    // The text form gives nothing either.
    const AdifExchange::ExportedText text
        = AdifExchange::exportText(log.view(), AdifExchange::ExportEncoding::Cp1251WhenItFits,
                                   [](const WorkStatus &) { return false; });
    QVERIFY(text.cancelled);
    QVERIFY(text.bytes.isEmpty());
}

void TestAdifExchange::roundTrip()
{
    Log from(QStringLiteral("from.mdb"));
    from.exec(QStringLiteral(
        "insert into log (QSO_DATE, TIME_ON, TIME_OFF, FREQ, MODE, CALL, NAME, QTH, COMMENT, RST_SENT,"
        " RST_RCVD, QSL_SENT, QSL_RCVD, TX_PWR, GRIDSQUARE, dxcc) values"
        " ('2024-03-07', '09:05', '09:15', '14.195', 'SSB', 'UA3ABC', 'Иван', 'Москва', 'тнх <EOR> 73',"
        "  '59', '57', 'P', 'N', '100', 'KO85UR', 'UA'),"
        " ('2023-12-31', '23:59', '00:01', '7.012', 'CW', 'DL1XYZ', '', '', '', '599', '599', 'N', 'Y', '',"
        "  '', 'DL'),"
        " ('2000-02-29', '00:00', '00:00', '', '', 'R1ANZ/MM', 'Ёлкин Ёжик Пётр Юрьевич', 'Щёлково',"
        "  'ЪЭЮЯ абв эюя ёЁ №', '', '', '', '', '', '', null)"));
    from.reopenView();
    const QString file = from.dir.filePath(QStringLiteral("rt.adi"));
    QCOMPARE(AdifExchange::exportLog(from.view(), file), 3);

    Log to(QStringLiteral("to.mdb"));
    QCOMPARE(AdifExchange::importFile(to.view(), file).stored, 3);

    // Same fifteen columns in the view's order; dxcc of the imported rows empty.
    QStringList expected;
    for (QString r : from.rows()) {
        r = r.left(r.lastIndexOf(u'|'));
        expected << row(r);
    }
    std::sort(expected.begin(), expected.end(),
              [](const QString &a, const QString &b) { return a.section(u'|', 1, 2) < b.section(u'|', 1, 2); });
    QCOMPARE(to.rows(), expected);
}

namespace {
// One QSO with these name, QTH and comment, as the file writes its other tags.
QString insertQso(const QString &call, const QString &name, const QString &qth, const QString &comment)
{
    auto quoted = [](QString t) {
        return QLatin1Char('\'') + t.replace(QLatin1Char('\''), QLatin1String("''")) + QLatin1Char('\'');
    };
    // The other texts empty, as an import stores tags that are not there.
    return QStringLiteral("insert into log (QSO_DATE, TIME_ON, TIME_OFF, CALL, NAME, QTH, COMMENT, MODE,"
                          " FREQ, RST_SENT, RST_RCVD, QSL_SENT, QSL_RCVD, TX_PWR, GRIDSQUARE) values"
                          " ('2024-03-07', '09:05', '09:05', %1, %2, %3, %4, '', '', '', '', '', '', '', '')")
        .arg(quoted(call), quoted(name), quoted(qth), quoted(comment));
}

QByteArray recordBytes(const QByteArray &call, const QByteArray &name, const QByteArray &qth,
                       const QByteArray &comment)
{
    QByteArray r = "<CALL:" + QByteArray::number(call.size()) + ">" + call
                   + "\r\n<QSO_DATE:8:D>20240307\r\n<TIME_ON:4>0905\r\n<TIME_OFF:4>0905\r\n";
    if (!name.isEmpty())
        r += "<NAME:" + QByteArray::number(name.size()) + ">" + name + "\r\n";
    if (!qth.isEmpty())
        r += "<QTH:" + QByteArray::number(qth.size()) + ">" + qth + "\r\n";
    if (!comment.isEmpty())
        r += "<COMMENT:" + QByteArray::number(comment.size()) + ">" + comment + "\r\n";
    return r + "<EOR>\r\n\r\n";
}

const QByteArray kHeader = "Tarnix by Orvel\r\n<ADIF_VERS:3>1.0\r\n<EOH>\r\n\r\n";
} // namespace

void TestAdifExchange::exportEncoding_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("qth");
    QTest::addColumn<bool>("utf8Always");
    QTest::addColumn<int>("written");   // Adif::Encoding
    QTest::addColumn<QByteArray>("record");

    const int cp = int(Adif::Encoding::Cp1251);
    const int utf8 = int(Adif::Encoding::Utf8);
    QTest::newRow("Latin fits") << "John" << "Boston" << false << cp
                                << recordBytes("K1AB", "John", "Boston", "");
    QTest::newRow("Cyrillic fits") << "Иван" << "Москва" << false << cp
                                   << recordBytes("K1AB", "\xC8\xE2\xE0\xED", "\xCC\xEE\xF1\xEA\xE2\xE0", "");
    QTest::newRow("u umlaut") << "Jürgen" << "Köln" << false << utf8
                              << recordBytes("K1AB", "J\xC3\xBCrgen", "K\xC3\xB6ln", "");
    QTest::newRow("e acute") << "René" << "Liège" << false << utf8
                             << recordBytes("K1AB", "Ren\xC3\xA9", "Li\xC3\xA8ge", "");
    QTest::newRow("o slash") << "Bjørn" << "Tromsø" << false << utf8
                             << recordBytes("K1AB", "Bj\xC3\xB8rn", "Troms\xC3\xB8", "");
    QTest::newRow("l stroke") << "Łukasz" << "Łódź" << false << utf8
                              << recordBytes("K1AB", "\xC5\x81ukasz", "\xC5\x81\xC3\xB3" "d\xC5\xBA", "");
    QTest::newRow("Cyrillic and Polish") << "Иван" << "Łódź" << false << utf8
                                         << recordBytes("K1AB", "\xD0\x98\xD0\xB2\xD0\xB0\xD0\xBD",
                                                        "\xC5\x81\xC3\xB3" "d\xC5\xBA", "");
    QTest::newRow("beyond the BMP") << "73 \U0001F642" << "" << false << utf8
                                    << recordBytes("K1AB", "73 \xF0\x9F\x99\x82", "", "");
    QTest::newRow("question mark fits") << "Who?" << "" << false << cp << recordBytes("K1AB", "Who?", "", "");
    QTest::newRow("UTF-8 always, Latin") << "John" << "Boston" << true << utf8
                                         << recordBytes("K1AB", "John", "Boston", "");
    QTest::newRow("UTF-8 always, Cyrillic") << "Иван" << "" << true << utf8
                                            << recordBytes("K1AB", "\xD0\x98\xD0\xB2\xD0\xB0\xD0\xBD", "", "");
}

void TestAdifExchange::exportEncoding()
{
    QFETCH(QString, name);
    QFETCH(QString, qth);
    QFETCH(bool, utf8Always);
    QFETCH(int, written);
    QFETCH(QByteArray, record);
    Log log;
    log.exec(insertQso(QStringLiteral("K1AB"), name, qth, QString()));
    log.reopenView();
    const QString file = log.dir.filePath(QStringLiteral("out.adi"));
    const AdifExchange::ExportResult r = AdifExchange::exportLog(
        log.view(), file,
        utf8Always ? AdifExchange::ExportEncoding::Utf8 : AdifExchange::ExportEncoding::Cp1251WhenItFits);
    QCOMPARE(r.count, 1);
    QCOMPARE(int(r.encoding), written);
    QCOMPARE(readAll(file), kHeader + record);
    // The text form gives the same.
    const AdifExchange::ExportedText text = AdifExchange::exportText(
        log.view(),
        utf8Always ? AdifExchange::ExportEncoding::Utf8 : AdifExchange::ExportEncoding::Cp1251WhenItFits);
    QCOMPARE(text.bytes, kHeader + record);
    QCOMPARE(int(text.encoding), written);
}

void TestAdifExchange::exportSwitchesForALaterRecord()
{
    // Cyrillic first, then a letter Windows-1251 lacks: the whole file is
    // UTF-8, the first record too; the bar still only moves forward.
    Log log;
    log.exec(insertQso(QStringLiteral("UA3ABC"), QStringLiteral("Иван"), QString(), QString()));
    log.exec(insertQso(QStringLiteral("DL1XYZ"), QStringLiteral("Jörg"), QString(), QString()));
    log.exec(insertQso(QStringLiteral("SP9AAA"), QString(), QString(), QStringLiteral("tnx")));
    log.reopenView();
    const QString file = log.dir.filePath(QStringLiteral("out.adi"));
    QVector<int> seen;
    const AdifExchange::ExportResult r
        = AdifExchange::exportLog(log.view(), file, AdifExchange::ExportEncoding::Cp1251WhenItFits,
                                  [&](const WorkStatus &s) {
                                      seen << s.position;
                                      return true;
                                  });
    QCOMPARE(r.count, 3);
    QCOMPARE(r.encoding, Adif::Encoding::Utf8);
    QCOMPARE(readAll(file), kHeader + recordBytes("UA3ABC", "\xD0\x98\xD0\xB2\xD0\xB0\xD0\xBD", "", "")
                                + recordBytes("DL1XYZ", "J\xC3\xB6rg", "", "")
                                + recordBytes("SP9AAA", "", "", "tnx"));
    QCOMPARE(seen, (QVector<int>{33, 67, 100}));
    // The old form decides the same way.
    QCOMPARE(AdifExchange::exportLog(log.view(), file), 3);
    QVERIFY(!readAll(file).contains('?'));
}

void TestAdifExchange::roundTripAnyLetters_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("qth");
    QTest::addColumn<QString>("comment");
    QTest::addColumn<bool>("utf8Always");
    const QList<std::array<QString, 3>> values = {
        {"Jürgen", "München", "Grüße 73"},
        {"René", "Liège", "très bien"},
        {"Bjørn", "Tromsø", "Ærø Å"},
        {"Łukasz", "Łódź", "Zażółć gęślą"},
        {"Пётр", "Щёлково", "ЪЭЮЯ №"},
        {"Иван Jürgen", "Łódź-Москва", "ø é ł ё ü"},
        {"Ōta 太郎", "東京", "73 \U0001F642 <EOR>"},
    };
    for (const auto &v : values) {
        for (bool always : {false, true})
            QTest::addRow("%s, %s", qPrintable(v[0]), always ? "UTF-8 always" : "1251 when it fits")
                << v[0] << v[1] << v[2] << always;
    }
}

void TestAdifExchange::roundTripAnyLetters()
{
    QFETCH(QString, name);
    QFETCH(QString, qth);
    QFETCH(QString, comment);
    QFETCH(bool, utf8Always);
    Log from(QStringLiteral("from.mdb"));
    from.exec(insertQso(QStringLiteral("DL1XYZ"), name, qth, comment));
    from.exec(insertQso(QStringLiteral("UA3ABC"), QStringLiteral("Иван"), QStringLiteral("Москва"), QString()));
    from.reopenView();
    const QString file = from.dir.filePath(QStringLiteral("rt.adi"));
    AdifExchange::exportLog(from.view(), file,
                            utf8Always ? AdifExchange::ExportEncoding::Utf8
                                       : AdifExchange::ExportEncoding::Cp1251WhenItFits);
    QVERIFY(!readAll(file).contains('?'));

    Log to(QStringLiteral("to.mdb"));
    QCOMPARE(AdifExchange::importFile(to.view(), file).stored, 2);
    QStringList expected;
    for (QString r : from.rows())
        expected << row(r.left(r.lastIndexOf(u'|')));
    QCOMPARE(to.rows(), expected);
}

QTEST_GUILESS_MAIN(TestAdifExchange)
#include "tst_adifexchange.moc"
