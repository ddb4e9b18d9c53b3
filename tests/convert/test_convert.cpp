// Conversion of Jet logs (.mdb) into logs of this program. The Jet files are
// made by the test writer and read back by mdb-export first, so every fixture
// is a file another reader accepts.
#include "filekit.h"
#include "convert/jetconvert.h"
#include "jetwriter.h"
#include "mdbexportcsv.h"
#include "logdb/dberror.h"
#include "logdb/schema.h"

#include <QCryptographicHash>
#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTime>
#include <QtTest>

#include <sqlite3.h>

using namespace JetWriter;

Q_DECLARE_METATYPE(JetWriter::Version)

namespace {

using Rows = QList<QVariantList>;

// Rows of a query on a converted log: NULL as an invalid QVariant, texts as
// QString (so "" stays apart from NULL), integers as qlonglong.
Rows query(const QString &file, const QString &sql)
{
    Rows rows;
    sqlite3 *db = nullptr;
    if (sqlite3_open_v2(QFile::encodeName(file).constData(), &db, SQLITE_OPEN_READONLY, nullptr)
        != SQLITE_OK) {
        sqlite3_close(db);
        return rows;
    }
    sqlite3_stmt *st = nullptr;
    if (sqlite3_prepare_v2(db, sql.toUtf8().constData(), -1, &st, nullptr) == SQLITE_OK) {
        while (sqlite3_step(st) == SQLITE_ROW) {
            QVariantList row;
            for (int c = 0; c < sqlite3_column_count(st); ++c) {
                switch (sqlite3_column_type(st, c)) {
                case SQLITE_NULL:
                    row << QVariant();
                    break;
                case SQLITE_INTEGER:
                    row << QVariant(qlonglong(sqlite3_column_int64(st, c)));
                    break;
                case SQLITE_FLOAT:
                    row << QVariant(sqlite3_column_double(st, c));
                    break;
                default:
                    row << QVariant(
                        QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(st, c)),
                                          sqlite3_column_bytes(st, c)));
                }
            }
            rows << row;
        }
    }
    sqlite3_finalize(st);
    sqlite3_close(db);
    return rows;
}

QStringList logColumns()
{
    return {QStringLiteral("id"),         QStringLiteral("QSO_DATE"), QStringLiteral("TIME_ON"),
            QStringLiteral("TIME_OFF"),   QStringLiteral("FREQ"),     QStringLiteral("MODE"),
            QStringLiteral("CALL"),       QStringLiteral("NAME"),     QStringLiteral("QTH"),
            QStringLiteral("COMMENT"),    QStringLiteral("RST_SENT"), QStringLiteral("RST_RCVD"),
            QStringLiteral("QSL_SENT"),   QStringLiteral("QSL_RCVD"), QStringLiteral("TX_PWR"),
            QStringLiteral("GRIDSQUARE"), QStringLiteral("dxcc"),     QStringLiteral("user1")};
}

// Table log as the old program keeps it.
Table logTable(const QList<Row> &rows, bool compressed = false)
{
    Table t;
    t.name = QStringLiteral("log");
    const int widths[] = {0, 0, 0, 0, 10, 10, 15, 25, 25, 36, 10, 10, 1, 1, 4, 6, 5, 5};
    const QStringList names = logColumns();
    for (int i = 0; i < names.size(); ++i) {
        Column c;
        c.name = names[i];
        c.type = i == 0 ? Type::Long : i <= 3 ? Type::DateTime : Type::Text;
        c.autoNumber = i == 0;
        c.size = widths[i];
        c.compressed = compressed;
        t.columns << c;
    }
    t.rows = rows;
    return t;
}

// A log row from column names and values; the rest NULL.
Row qso(const QList<QPair<QString, QVariant>> &values)
{
    const QStringList names = logColumns();
    Row r(names.size());
    for (const auto &v : values) {
        const int i = int(names.indexOf(v.first));
        Q_ASSERT(i >= 0);
        r[i] = v.second;
    }
    return r;
}

Table modesTable(const QStringList &modes, bool compressed = false)
{
    Table t;
    t.name = QStringLiteral("modes");
    t.columns = {{QStringLiteral("mode"), Type::Text, 10, false, compressed}};
    for (const QString &m : modes)
        t.rows << Row{m};
    return t;
}

Table opcTable(const QList<Row> &rows, bool compressed = false)
{
    Table t;
    t.name = QStringLiteral("opc");
    t.columns = {{QStringLiteral("id"), Type::Long, 0, true},
                 {QStringLiteral("mycall"), Type::Text, 15, false, compressed},
                 {QStringLiteral("myname"), Type::Text, 25, false, compressed},
                 {QStringLiteral("myqth"), Type::Text, 25, false, compressed},
                 {QStringLiteral("myloc"), Type::Text, 6, false, compressed},
                 {QStringLiteral("myadr"), Type::Text, 90, false, compressed},
                 {QStringLiteral("myrig"), Type::Text, 90, false, compressed},
                 {QStringLiteral("timeshift"), Type::Int}};
    t.rows = rows;
    return t;
}

const QStringList kModes
    = {QStringLiteral("SSB"),  QStringLiteral("CW"),    QStringLiteral("FM"),   QStringLiteral("AM"),
       QStringLiteral("RTTY"), QStringLiteral("PSK31"), QStringLiteral("FT8"),  QStringLiteral("FT4"),
       QStringLiteral("SSTV"), QStringLiteral("DIG"),   QStringLiteral("JT65"), QStringLiteral("Цифра")};

const Row kStation{1,
                   QStringLiteral("UA3XYZ"),
                   QStringLiteral("Пётр"),
                   QStringLiteral("Тверь"),
                   QStringLiteral("KO86"),
                   QStringLiteral("ул. Ленина, д. 1, кв. 2; 170000 Тверь"),
                   QStringLiteral("IC-7300, 100 W, диполь"),
                   3};

// QSOs with Cyrillic, NULL beside zero-length texts, an id gap and a time
// kept without a date.
QList<Row> sampleQsos()
{
    return {
        qso({{"id", 1},
             {"QSO_DATE", QDate(2010, 1, 27)},
             {"TIME_ON", QTime(14, 30)},
             {"TIME_OFF", QTime(14, 35)},
             {"FREQ", "14.074"},
             {"MODE", "FT8"},
             {"CALL", "UA3ABC"},
             {"NAME", "Иван"},
             {"QTH", "Москва"},
             {"COMMENT", "tnx fer QSO, 73!"},
             {"RST_SENT", "-10"},
             {"RST_RCVD", "-12"},
             {"QSL_SENT", "N"},
             {"QSL_RCVD", "N"},
             {"TX_PWR", "100"},
             {"GRIDSQUARE", "KO85UT"},
             {"dxcc", "UA"}}),
        qso({{"id", 2},
             {"QSO_DATE", QDate(2010, 1, 28)},
             {"TIME_ON", QTime(9, 5)},
             {"TIME_OFF", QTime(9, 7)},
             {"FREQ", "7.050"},
             {"MODE", "SSB"},
             {"CALL", "RA9ЖЖ"},
             {"NAME", QString("")},
             {"QTH", QVariant()},
             {"COMMENT", "Ёлка и ёж"},
             {"RST_SENT", "59"},
             {"RST_RCVD", "57"},
             {"QSL_SENT", "P"},
             {"QSL_RCVD", "Y"},
             {"TX_PWR", QString("")},
             {"GRIDSQUARE", QString("")},
             {"dxcc", QVariant()},
             {"user1", QString("")}}),
        qso({{"id", 5},
             {"CALL", "DL1XX"},
             {"NAME", "Mixed Кириллица and Latin"},
             {"QTH", "Berlin"},
             {"QSL_SENT", "N"},
             {"QSL_RCVD", "N"}}),
        // Jet keeps a time alone on 30.12.1899 (0.5 is 12:00).
        qso({{"id", 9},
             {"QSO_DATE", QDateTime(QDate(2012, 6, 1), QTime(21, 40))},
             {"TIME_ON", 0.5},
             {"TIME_OFF", QDateTime(QDate(2012, 6, 1), QTime(23, 59, 59))},
             {"CALL", "JA1ZZZ"}}),
    };
}

// What the new log holds for each sample QSO, columns as logColumns().
Rows sampleStored()
{
    const QVariant n;
    return {
        {1LL, "2010-01-27", "14:30", "14:35", "14.074", "FT8", "UA3ABC", "Иван", "Москва", "tnx fer QSO, 73!",
         "-10", "-12", "N", "N", "100", "KO85UT", "UA", n},
        {2LL, "2010-01-28", "09:05", "09:07", "7.050", "SSB", "RA9ЖЖ", "", n, "Ёлка и ёж", "59", "57", "P",
         "Y", "", "", n, ""},
        {5LL, n, n, n, n, n, "DL1XX", "Mixed Кириллица and Latin", "Berlin", n, n, n, "N", "N", n, n, n, n},
        {9LL, "2012-06-01", "12:00", "23:59", n, n, "JA1ZZZ", n, n, n, n, n, n, n, n, n, n, n},
    };
}

Rows toRows(const QList<QVariantList> &in)
{
    Rows out;
    for (QVariantList r : in) {
        for (QVariant &v : r)
            if (v.typeId() == QMetaType::Int)
                v = QVariant(qlonglong(v.toInt()));
            else if (v.typeId() == QMetaType::QByteArray || v.typeId() == QMetaType::Char
                     || v.typeId() == QMetaType::QChar)
                v = QVariant(v.toString());
        out << r;
    }
    return out;
}

Rows stringsAsQString(Rows rows)
{
    for (QVariantList &r : rows)
        for (QVariant &v : r)
            if (v.isValid() && v.typeId() != QMetaType::LongLong && v.typeId() != QMetaType::Double)
                v = QVariant(v.toString());
    return rows;
}

// CSV of mdb-export, header row dropped; NULL and "" both come out empty.
QList<QStringList> exportRows(const QString &file, const QString &table)
{
    QProcess p;
    p.start(QStringLiteral(MDB_EXPORT),
            {QStringLiteral("-H"), QStringLiteral("-T"), QStringLiteral("%Y-%m-%d %H:%M"), file, table});
    if (!p.waitForFinished(120000) || p.exitCode() != 0)
        return {};
    return splitMdbExportCsv(QString::fromUtf8(p.readAllStandardOutput()));
}

QStringList entries(const QString &dir)
{
    return QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                               QDir::Name);
}

}   // namespace

class TestConvert : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_tplDir;
    QString m_template;

    ConvertResult convert(const QString &src, const QString &dst, const ConvertProgress &p = {})
    {
        return convertJetLog(src, dst, m_template, p);
    }

private slots:
    void initTestCase();
    void convertsTables_data();
    void convertsTables();
    void matchesMdbExport();
    void dateAndTimeForms_data();
    void dateAndTimeForms();
    void idsWithGapsKept();
    void columnsByNameAnyCase();
    void sourceWithoutModesAndStation();
    void numbersAsTheLogStoresThem();
    void rowsThatCannotBeStored();
    void rowWithoutId();
    void deletedAndMovedRows();
    void refusesFiles_data();
    void refusesFiles();
    void refusesItself();
    void cancelLeavesNothing();
    void progressReports();
    void replacesExistingFile();
    void sourceNeverWritten();
    void ignoresCharsetEnvironment();
    void isJetFile_data();
    void isJetFile();
};

void TestConvert::initTestCase()
{
    QVERIFY(m_tplDir.isValid());
    m_template = m_tplDir.filePath(QStringLiteral("shablon"));
    Schema::createTemplate(m_template);
}

void TestConvert::convertsTables_data()
{
    QTest::addColumn<Version>("version");
    QTest::addColumn<bool>("compressed");
    QTest::addColumn<int>("headerCodePage");
    QTest::newRow("jet4 plain unicode") << Version::Jet4 << false << -1;
    QTest::newRow("jet4 compressed unicode") << Version::Jet4 << true << -1;
    QTest::newRow("jet3 windows-1251") << Version::Jet3 << false << -1;
    // Texts of a Russian Jet 3 log are Windows-1251 also when its header names no code page.
    QTest::newRow("jet3 without a code page") << Version::Jet3 << false << 0;
}

// All three tables, compared value by value with NULL and "" apart.
void TestConvert::convertsTables()
{
    QFETCH(Version, version);
    QFETCH(bool, compressed);
    QFETCH(int, headerCodePage);
    QTemporaryDir dir;
    const QString src = dir.filePath(QStringLiteral("old.mdb"));
    const QString dst = dir.filePath(QStringLiteral("new.mdb"));
    Options opt;
    opt.version = version;
    opt.headerCodePage = headerCodePage;
    write(src,
          {logTable(sampleQsos(), compressed), modesTable(kModes, compressed),
           opcTable({kStation}, compressed)},
          opt);

    const ConvertResult r = convert(src, dst);
    QVERIFY(!r.cancelled);
    QCOMPARE(r.jetVersion, version == Version::Jet3 ? 3 : 4);
    QCOMPARE(r.qsos, 4);
    QCOMPARE(r.modes, kModes.size());
    QCOMPARE(r.stationRows, 1);
    QVERIFY(!r.modesFromTemplate);
    QVERIFY(!r.stationFromTemplate);
    QVERIFY(r.skippedColumns.isEmpty());
    QVERIFY(r.skippedRows.isEmpty());
    QVERIFY(r.otherTables.isEmpty());

    QCOMPARE(query(dst, QStringLiteral("select * from log order by id")), stringsAsQString(sampleStored()));
    Rows modes;
    for (const QString &m : kModes)
        modes << QVariantList{m};
    QCOMPARE(query(dst, QStringLiteral("select mode from modes order by rowid")), modes);
    QCOMPARE(query(dst, QStringLiteral("select * from opc")), stringsAsQString(toRows({kStation})));
    QCOMPARE(entries(dir.path()), (QStringList{QStringLiteral("new.mdb"), QStringLiteral("old.mdb")}));
    // The same schema as the template, indexes included, and a sound file.
    const QString schema
        = QStringLiteral("select type, name, tbl_name, sql from sqlite_master order by name");
    QCOMPARE(query(dst, schema), query(m_template, schema));
    QCOMPARE(query(dst, QStringLiteral("pragma integrity_check")), stringsAsQString({{"ok"}}));
}

// The new log against what mdb-export reads from the same source: equal
// wherever mdb-export prints a value, NULL or "" where it prints nothing.
void TestConvert::matchesMdbExport()
{
    QTemporaryDir dir;
    const QString src = dir.filePath(QStringLiteral("old.mdb"));
    const QString dst = dir.filePath(QStringLiteral("new.mdb"));
    write(src, {logTable(sampleQsos(), true), modesTable(kModes), opcTable({kStation})});
    convert(src, dst);

    const QList<QStringList> exported = exportRows(src, QStringLiteral("log"));
    const Rows stored = query(dst, QStringLiteral("select * from log order by id"));
    QCOMPARE(exported.size(), stored.size());
    for (int r = 0; r < stored.size(); ++r) {
        for (int c = 0; c < stored[r].size(); ++c) {
            const QString e = exported[r].value(c);
            const QVariant s = stored[r][c];
            if (e.isEmpty()) {
                QVERIFY(!s.isValid() || s.toString().isEmpty());
            } else if (c == 1) {
                QCOMPARE(s.toString(), e.left(10));
            } else if (c == 2 || c == 3) {
                QCOMPARE(s.toString(), e.right(5));
            } else {
                QCOMPARE(s.toString(), e);
            }
        }
    }
}

void TestConvert::dateAndTimeForms_data()
{
    QTest::addColumn<QVariant>("date");
    QTest::addColumn<QVariant>("time");
    QTest::addColumn<QVariant>("storedDate");
    QTest::addColumn<QVariant>("storedTime");
    const QVariant n;
    QTest::newRow("time alone") << QVariant(QDate(2001, 2, 3)) << QVariant(QTime(14, 30))
                                << QVariant("2001-02-03") << QVariant("14:30");
    QTest::newRow("midnight") << QVariant(QDate(2001, 2, 3)) << QVariant(QTime(0, 0))
                              << QVariant("2001-02-03") << QVariant("00:00");
    QTest::newRow("time with a date part") << QVariant(QDateTime(QDate(2020, 12, 31), QTime(18, 0)))
                                           << QVariant(QDateTime(QDate(2020, 12, 31), QTime(9, 5)))
                                           << QVariant("2020-12-31") << QVariant("09:05");
    QTest::newRow("seconds dropped") << QVariant(QDate(2001, 2, 3)) << QVariant(QTime(23, 59, 59))
                                     << QVariant("2001-02-03") << QVariant("23:59");
    QTest::newRow("float noise") << QVariant(40000.0) << QVariant(0.6041666666666666)
                                 << QVariant("2009-07-06") << QVariant("14:30");
    QTest::newRow("just below a minute") << QVariant(40000.0) << QVariant(14.5 / 24 - 0.4 / 86400)
                                         << QVariant("2009-07-06") << QVariant("14:30");
    QTest::newRow("before 1899") << QVariant(QDateTime(QDate(1899, 12, 29), QTime(6, 0)))
                                 << QVariant(QTime(6, 0)) << QVariant("1899-12-29") << QVariant("06:00");
    QTest::newRow("null") << n << n << n << n;
}

void TestConvert::dateAndTimeForms()
{
    QFETCH(QVariant, date);
    QFETCH(QVariant, time);
    QFETCH(QVariant, storedDate);
    QFETCH(QVariant, storedTime);
    QTemporaryDir dir;
    const QString src = dir.filePath(QStringLiteral("old.mdb"));
    const QString dst = dir.filePath(QStringLiteral("new.mdb"));
    write(src, {logTable({qso({{"id", 1}, {"QSO_DATE", date}, {"TIME_ON", time}, {"TIME_OFF", time}})})});
    convert(src, dst);
    const Rows rows = query(dst, QStringLiteral("select QSO_DATE, TIME_ON, TIME_OFF from log"));
    QCOMPARE(rows.size(), 1);
    QCOMPARE(rows[0], stringsAsQString({{storedDate, storedTime, storedTime}})[0]);
}

// Ids stay as they were, gaps included, and the next QSO follows the highest.
void TestConvert::idsWithGapsKept()
{
    QTemporaryDir dir;
    const QString src = dir.filePath(QStringLiteral("old.mdb"));
    const QString dst = dir.filePath(QStringLiteral("new.mdb"));
    QList<Row> rows;
    for (int id : {3, 4, 10, 11, 250, 7})
        rows << qso({{"id", id}, {"CALL", QStringLiteral("C%1").arg(id)}});
    write(src, {logTable(rows)});
    QCOMPARE(convert(src, dst).qsos, 6);
    QCOMPARE(query(dst, QStringLiteral("select id, CALL from log order by rowid")),
             stringsAsQString(
                 {{3LL, "C3"}, {4LL, "C4"}, {7LL, "C7"}, {10LL, "C10"}, {11LL, "C11"}, {250LL, "C250"}}));
    sqlite3 *db = nullptr;
    QCOMPARE(sqlite3_open(QFile::encodeName(dst).constData(), &db), SQLITE_OK);
    QCOMPARE(sqlite3_exec(db, "insert into log (CALL) values ('NEW')", nullptr, nullptr, nullptr), SQLITE_OK);
    QCOMPARE(sqlite3_last_insert_rowid(db), 251);
    sqlite3_close(db);
}

// Table and column names in any case; a column the log lacks is reported,
// one the source lacks stays NULL.
void TestConvert::columnsByNameAnyCase()
{
    QTemporaryDir dir;
    const QString src = dir.filePath(QStringLiteral("old.mdb"));
    const QString dst = dir.filePath(QStringLiteral("new.mdb"));
    Table t;
    t.name = QStringLiteral("LOG");
    t.columns = {{QStringLiteral("ID"), Type::Long, 0, true}, {QStringLiteral("qso_date"), Type::DateTime},
                 {QStringLiteral("Call"), Type::Text, 15},    {QStringLiteral("EXTRA"), Type::Text, 20},
                 {QStringLiteral("Photo"), Type::Ole},        {QStringLiteral("name"), Type::Text, 25}};
    t.rows << Row{12,         QDate(2005, 5, 9),     QStringLiteral("R9ABC"), QStringLiteral("lost"),
                  QVariant(), QStringLiteral("Олег")};
    Table opc = opcTable({kStation});
    opc.name = QStringLiteral("Opc");
    Table other = modesTable({QStringLiteral("x")});
    other.name = QStringLiteral("notes");
    write(src, {t, modesTable(kModes), opc, other});

    const ConvertResult r = convert(src, dst);
    QCOMPARE(r.skippedColumnNames(), (QStringList{QStringLiteral("log.EXTRA"), QStringLiteral("log.Photo")}));
    QCOMPARE(r.otherTables, QStringList{QStringLiteral("notes")});
    QCOMPARE(r.stationRows, 1);
    const Rows rows
        = query(dst, QStringLiteral("select id, QSO_DATE, CALL, NAME, TIME_ON, dxcc, user1 from log"));
    const QVariant n;
    QCOMPARE(rows, stringsAsQString({{12LL, "2005-05-09", "R9ABC", "Олег", n, n, n}}));
}

// Only a log table: the template's modes and station row stay.
void TestConvert::sourceWithoutModesAndStation()
{
    QTemporaryDir dir;
    const QString src = dir.filePath(QStringLiteral("old.mdb"));
    const QString dst = dir.filePath(QStringLiteral("new.mdb"));
    write(src, {logTable(sampleQsos()), opcTable({})});
    const ConvertResult r = convert(src, dst);
    QVERIFY(r.modesFromTemplate);
    QVERIFY(r.stationFromTemplate);
    QCOMPARE(r.modes, 0);
    QCOMPARE(r.stationRows, 0);
    QCOMPARE(query(dst, QStringLiteral("select count(*) from modes"))[0][0].toInt(), 10);
    QCOMPARE(query(dst, QStringLiteral("select mycall, timeshift from opc")), stringsAsQString({{"", 0LL}}));
}

// A source may keep numbers where the log keeps text and the other way
// round, and a memo where the log keeps text.
void TestConvert::numbersAsTheLogStoresThem()
{
    QTemporaryDir dir;
    const QString src = dir.filePath(QStringLiteral("old.mdb"));
    const QString dst = dir.filePath(QStringLiteral("new.mdb"));
    Table log;
    log.name = QStringLiteral("log");
    log.columns = {{QStringLiteral("id"), Type::Long, 0, true},
                   {QStringLiteral("FREQ"), Type::Double},
                   {QStringLiteral("TX_PWR"), Type::Int},
                   {QStringLiteral("QSO_DATE"), Type::Text, 10},
                   {QStringLiteral("TIME_ON"), Type::Text, 5},
                   {QStringLiteral("COMMENT"), Type::Memo, 0, false, true}};
    log.rows << Row{1,
                    14.074,
                    100,
                    QStringLiteral("27.01.2010"),
                    QStringLiteral("9:05"),
                    QStringLiteral("Memo: спасибо за QSO, 73!")}
             << Row{2, 3.5, -5, QStringLiteral("2011-03-04"), QStringLiteral("23:59"), QString("")}
             << Row{3, 0.1, QVariant(), QString(""), QString(""), QVariant()};
    Table opc;
    opc.name = QStringLiteral("opc");
    opc.columns = {{QStringLiteral("id"), Type::Long, 0, true}, {QStringLiteral("timeshift"), Type::Text, 5}};
    opc.rows << Row{1, QStringLiteral(" -2 ")};
    write(src, {log, opc});
    const ConvertResult r = convert(src, dst);
    QVERIFY(r.skippedRows.isEmpty());
    const QVariant n;
    QCOMPARE(query(dst, QStringLiteral(
                            "select id, FREQ, TX_PWR, QSO_DATE, TIME_ON, COMMENT from log order by id")),
             stringsAsQString({{1LL, "14.074", "100", "2010-01-27", "09:05", "Memo: спасибо за QSO, 73!"},
                               {2LL, "3.5", "-5", "2011-03-04", "23:59", ""},
                               {3LL, "0.1", n, n, n, n}}));
    QCOMPARE(query(dst, QStringLiteral("select timeshift, typeof(timeshift) from opc")),
             stringsAsQString({{-2LL, "integer"}}));
}

// Rows that cannot be stored are left out and reported with the reason;
// the others are converted.
void TestConvert::rowsThatCannotBeStored()
{
    QTemporaryDir dir;
    const QString src = dir.filePath(QStringLiteral("old.mdb"));
    const QString dst = dir.filePath(QStringLiteral("new.mdb"));
    Table log;
    log.name = QStringLiteral("log");
    log.columns = {{QStringLiteral("id"), Type::Long},
                   {QStringLiteral("QSO_DATE"), Type::Text, 12},
                   {QStringLiteral("TIME_ON"), Type::DateTime},
                   {QStringLiteral("CALL"), Type::Text, 15}};
    log.rows << Row{1, QStringLiteral("01.01.2001"), QTime(1, 0), QStringLiteral("A1")}
             << Row{1, QStringLiteral("02.01.2001"), QTime(2, 0), QStringLiteral("A2")}   // id taken
             << Row{2, QStringLiteral("32.01.2001"), QTime(3, 0), QStringLiteral("A3")}   // no such day
             << Row{3, QStringLiteral("04.01.2001"), 1e300, QStringLiteral("A4")}         // not a time
             << Row{4, QStringLiteral("05.01.2001"), QTime(5, 0), QStringLiteral("A5")};
    write(src, {log});
    const ConvertResult r = convert(src, dst);
    QCOMPARE(r.qsos, 2);
    QCOMPARE(query(dst, QStringLiteral("select id, CALL from log order by id")),
             stringsAsQString({{1LL, "A1"}, {4LL, "A5"}}));
    QCOMPARE(r.skippedRows.size(), 3);
    QCOMPARE(r.skippedRows[0].table, QStringLiteral("log"));
    QCOMPARE(r.skippedRows[0].row, 2);
    QCOMPARE(r.skippedRows[0].id, QVariant(qlonglong(1)));
    QVERIFY2(r.skippedRows[0].reason.contains(QLatin1String("id 1")), qPrintable(r.skippedRows[0].reason));
    QCOMPARE(r.skippedRows[1].row, 3);
    QVERIFY2(r.skippedRows[1].reason.contains(QLatin1String("32.01.2001")),
             qPrintable(r.skippedRows[1].reason));
    QCOMPARE(r.skippedRows[2].row, 4);
    QVERIFY2(r.skippedRows[2].reason.contains(QLatin1String("TIME_ON")), qPrintable(r.skippedRows[2].reason));
}

// A QSO without an id gets one after the highest id of the source, never
// one that a later row brings along.
void TestConvert::rowWithoutId()
{
    QTemporaryDir dir;
    const QString src = dir.filePath(QStringLiteral("old.mdb"));
    const QString dst = dir.filePath(QStringLiteral("new.mdb"));
    QList<Row> rows;
    rows << qso({{"id", 1}, {"CALL", "A"}}) << qso({{"CALL", "NOID"}}) << qso({{"id", 2}, {"CALL", "B"}});
    Table log = logTable(rows);
    log.columns[0].autoNumber = false;
    write(src, {log});
    const ConvertResult r = convert(src, dst);
    QCOMPARE(r.qsos, 3);
    QVERIFY(r.skippedRows.isEmpty());
    QCOMPARE(query(dst, QStringLiteral("select id, CALL from log order by id")),
             stringsAsQString({{1LL, "A"}, {2LL, "B"}, {3LL, "NOID"}}));
}

// Jet leaves deleted rows in the file with a flag, and an edited row that
// no longer fits moves to another page behind a pointer, its data flagged
// deleted. Deleted QSOs must stay deleted, moved ones keep their place.
void TestConvert::deletedAndMovedRows()
{
    QTemporaryDir dir;
    const QString src = dir.filePath(QStringLiteral("old.mdb"));
    const QString dst = dir.filePath(QStringLiteral("new.mdb"));
    QList<Row> rows;
    for (int i = 1; i <= 8; ++i)
        rows << qso(
            {{"id", i}, {"CALL", QStringLiteral("C%1").arg(i)}, {"NAME", QStringLiteral("Имя %1").arg(i)}});
    Table log = logTable(rows);
    log.deleted = {1, 5};     // ids 2 and 6
    log.relocated = {3, 5};   // id 4 moved; id 6 moved, then deleted
    write(src, {log});
    const ConvertResult r = convert(src, dst);
    QCOMPARE(r.qsos, 6);
    QCOMPARE(query(dst, QStringLiteral("select id, CALL, NAME from log order by rowid")),
             stringsAsQString({{1LL, "C1", "Имя 1"},
                               {3LL, "C3", "Имя 3"},
                               {4LL, "C4", "Имя 4"},
                               {5LL, "C5", "Имя 5"},
                               {7LL, "C7", "Имя 7"},
                               {8LL, "C8", "Имя 8"}}));
}

void TestConvert::refusesFiles_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("message");
    const QByteArray good = build({logTable(sampleQsos()), modesTable(kModes), opcTable({kStation})});
    QTest::newRow("no table log") << build({modesTable(kModes), opcTable({kStation})}) << "has no table log";
    QTest::newRow("cut inside a page") << good.left(good.size() - 1000) << "damaged or incomplete";
    QTest::newRow("cut at a page") << good.left(good.size() - 4096) << "damaged or incomplete";
    QTest::newRow("only the header page") << good.left(4096) << "damaged or incomplete";
    const QByteArray big
        = build({logTable(QList<Row>(600, qso({{"id", 1}, {"CALL", "UA3ABC"}}))), modesTable(kModes)});
    QTest::newRow("log pages missing") << big.left(big.size() - 3 * 4096) << "damaged or incomplete";
    QTest::newRow("text file") << QByteArray("id;call\n1;UA3ABC\n") << "is not a Jet database";
    QTest::newRow("empty file") << QByteArray() << "is not a Jet database";
    QTest::newRow("accdb header") << QByteArray("\x00\x01\x00\x00Standard ACE DB\x00\x02\x00\x00\x00", 24)
                                         + QByteArray(4096, '\0')
                                  << "is not a Jet database";
}

// Refused with a message naming the file; nothing is written.
void TestConvert::refusesFiles()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, message);
    QTemporaryDir dir;
    const QString src = dir.filePath(QStringLiteral("old.mdb"));
    const QString dst = dir.filePath(QStringLiteral("new.mdb"));
    FileKit::writeBytes(src, content);
    try {
        convert(src, dst);
        QFAIL("no error");
    } catch (const DbError &e) {
        QVERIFY2(e.message().contains(message), qPrintable(e.message()));
        QVERIFY2(e.message().contains(src), qPrintable(e.message()));
    }
    QCOMPARE(entries(dir.path()), QStringList{QStringLiteral("old.mdb")});
}

void TestConvert::refusesItself()
{
    QTemporaryDir dir;
    const QString src = dir.filePath(QStringLiteral("old.mdb"));
    write(src, {logTable(sampleQsos())});
    const QByteArray before = FileKit::bytes(src);
    const QString link = dir.filePath(QStringLiteral("link.mdb"));
    QVERIFY(QFile::link(src, link));
    for (const QString &dst : {src, link, dir.filePath(QStringLiteral("./old.mdb"))}) {
        QVERIFY_THROWS_EXCEPTION(DbError, convert(src, dst));
        QCOMPARE(FileKit::bytes(src), before);
    }
    QVERIFY_THROWS_EXCEPTION(DbError, convertJetLog(src, dir.filePath(QStringLiteral("n.mdb")),
                                                    dir.filePath(QStringLiteral("no-template"))));
    QVERIFY_THROWS_EXCEPTION(DbError, convert(dir.filePath(QStringLiteral("missing.mdb")),
                                              dir.filePath(QStringLiteral("n.mdb"))));
    QVERIFY_THROWS_EXCEPTION(DbError, convert(src, dir.filePath(QStringLiteral("no-folder/n.mdb"))));
    QCOMPARE(entries(dir.path()), (QStringList{QStringLiteral("link.mdb"), QStringLiteral("old.mdb")}));
}

// Cancelled part-way: no new log, no temporary file, an older file under
// the name untouched.
void TestConvert::cancelLeavesNothing()
{
    QTemporaryDir dir;
    const QString src = dir.filePath(QStringLiteral("old.mdb"));
    const QString dst = dir.filePath(QStringLiteral("new.mdb"));
    QList<Row> rows;
    for (int i = 1; i <= 2000; ++i)
        rows << qso({{"id", i}, {"CALL", QStringLiteral("UA%1").arg(i)}});
    write(src, {logTable(rows), modesTable(kModes), opcTable({kStation})});

    for (bool existing : {false, true}) {
        if (existing)
            FileKit::writeBytes(dst, "an older file");
        int calls = 0;
        qint64 lastDone = -1;
        const ConvertResult r = convert(src, dst, [&](qint64 done, qint64) {
            lastDone = done;
            return ++calls < 3;
        });
        QVERIFY(r.cancelled);
        QCOMPARE(r.qsos, 0);
        QVERIFY(lastDone > 0 && lastDone < 2000);
        if (existing) {
            QCOMPARE(FileKit::bytes(dst), QByteArray("an older file"));
            QCOMPARE(entries(dir.path()),
                     (QStringList{QStringLiteral("new.mdb"), QStringLiteral("old.mdb")}));
        } else {
            QCOMPARE(entries(dir.path()), QStringList{QStringLiteral("old.mdb")});
        }
    }
}

void TestConvert::progressReports()
{
    QTemporaryDir dir;
    const QString src = dir.filePath(QStringLiteral("old.mdb"));
    const QString dst = dir.filePath(QStringLiteral("new.mdb"));
    QList<Row> rows;
    for (int i = 1; i <= 3000; ++i)
        rows << qso({{"id", i}, {"CALL", QStringLiteral("UA%1").arg(i)}});
    write(src, {logTable(rows), modesTable(kModes), opcTable({kStation})});
    const qint64 total = 3000 + kModes.size() + 1;
    QList<QPair<qint64, qint64>> calls;
    const ConvertResult r = convert(src, dst, [&](qint64 done, qint64 all) {
        calls << qMakePair(done, all);
        return true;
    });
    QCOMPARE(r.qsos, 3000);
    QVERIFY(calls.size() >= 3);
    QVERIFY2(calls.size() <= 12, qPrintable(QString::number(calls.size())));
    QCOMPARE(calls.first(), qMakePair(qint64(0), total));
    QCOMPARE(calls.last(), qMakePair(total, total));
    for (int i = 1; i < calls.size(); ++i) {
        QVERIFY(calls[i].first >= calls[i - 1].first);
        QCOMPARE(calls[i].second, total);
    }
}

void TestConvert::replacesExistingFile()
{
    QTemporaryDir dir;
    const QString src = dir.filePath(QStringLiteral("old.mdb"));
    const QString dst = dir.filePath(QStringLiteral("new.mdb"));
    write(src, {logTable(sampleQsos())});
    FileKit::writeBytes(dst, "something else");
    QVERIFY(QFile::setPermissions(dst,
                                  QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup));
    QCOMPARE(convert(src, dst).qsos, 4);
    QCOMPARE(query(dst, QStringLiteral("select count(*) from log"))[0][0].toInt(), 4);
    const QFileDevice::Permissions ugo
        = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner | QFileDevice::ReadGroup
          | QFileDevice::WriteGroup | QFileDevice::ExeGroup | QFileDevice::ReadOther | QFileDevice::WriteOther
          | QFileDevice::ExeOther;
    QCOMPARE(QFile::permissions(dst) & ugo,
             QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup);
    QCOMPARE(entries(dir.path()), (QStringList{QStringLiteral("new.mdb"), QStringLiteral("old.mdb")}));
}

// The source is only read: its bytes and its time stay as they were.
void TestConvert::sourceNeverWritten()
{
    QTemporaryDir dir;
    const QString src = dir.filePath(QStringLiteral("old.mdb"));
    write(src, {logTable(sampleQsos()), modesTable(kModes), opcTable({kStation})});
    const QDateTime old = QDateTime(QDate(2005, 1, 1), QTime(12, 0), Qt::UTC);
    {
        QFile f(src);
        QVERIFY(f.open(QIODevice::ReadWrite));
        QVERIFY(f.setFileTime(old, QFileDevice::FileModificationTime));
    }
    QVERIFY(QFile::setPermissions(src, QFileDevice::ReadOwner));   // a read-only file converts too
    const QByteArray hash = QCryptographicHash::hash(FileKit::bytes(src), QCryptographicHash::Sha256);
    QCOMPARE(convert(src, dir.filePath(QStringLiteral("new.mdb"))).qsos, 4);
    QCOMPARE(QCryptographicHash::hash(FileKit::bytes(src), QCryptographicHash::Sha256), hash);
    QCOMPARE(QFileInfo(src).lastModified().toUTC(), old);
}

// The text forms do not follow libmdb's environment variables.
void TestConvert::ignoresCharsetEnvironment()
{
    QTemporaryDir dir;
    const QString src = dir.filePath(QStringLiteral("old.mdb"));
    const QString src3 = dir.filePath(QStringLiteral("old3.mdb"));
    write(src, {logTable(sampleQsos(), true)});
    Options jet3;
    jet3.version = Version::Jet3;
    write(src3, {logTable(sampleQsos())}, jet3);
    qputenv("MDBICONV", "ISO-8859-1");
    qputenv("MDB_JET3_CHARSET", "CP1252");
    const ConvertResult a = convert(src, dir.filePath(QStringLiteral("a.mdb")));
    const ConvertResult b = convert(src3, dir.filePath(QStringLiteral("b.mdb")));
    qunsetenv("MDBICONV");
    qunsetenv("MDB_JET3_CHARSET");
    QCOMPARE(a.qsos, 4);
    QCOMPARE(b.qsos, 4);
    const Rows expected = stringsAsQString(sampleStored());
    QCOMPARE(query(dir.filePath(QStringLiteral("a.mdb")), QStringLiteral("select * from log order by id")),
             expected);
    QCOMPARE(query(dir.filePath(QStringLiteral("b.mdb")), QStringLiteral("select * from log order by id")),
             expected);
}

void TestConvert::isJetFile_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("jet");
    Options jet3;
    jet3.version = Version::Jet3;
    QTest::newRow("jet4") << build({logTable({})}) << true;
    QTest::newRow("jet3") << build({logTable({})}, jet3) << true;
    QTest::newRow("header only") << build({logTable({})}).left(0x18) << true;
    QTest::newRow("short header") << build({logTable({})}).left(0x17) << false;
    QByteArray ace = build({logTable({})});
    ace[0x14] = 2;
    QTest::newRow("later version") << ace << false;
    QTest::newRow("empty") << QByteArray() << false;
    QTest::newRow("text") << QByteArray("Standard Jet DB, honestly") << false;
    QFile sqlite(QFINDTESTDATA("test_convert.cpp"));   // any non-database text
    QTest::newRow("source text") << (sqlite.open(QIODevice::ReadOnly) ? sqlite.read(4096) : QByteArray("x"))
                                 << false;
}

void TestConvert::isJetFile()
{
    QFETCH(QByteArray, content);
    QFETCH(bool, jet);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("file.txt"));   // the name does not matter
    FileKit::writeBytes(path, content);
    QCOMPARE(::isJetFile(path), jet);
    QCOMPARE(isJetHeader(content), jet);
    QVERIFY(!::isJetFile(dir.filePath(QStringLiteral("missing"))));
    QVERIFY(!::isJetFile(m_template));
}

QTEST_GUILESS_MAIN(TestConvert)
#include "test_convert.moc"
