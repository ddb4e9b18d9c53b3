// The test writer of Jet files: every file it makes must read back, value for
// value, through mdbtools' own mdb-export and through libmdb's row reader.
#include <glib.h>   // before mdbtools.h, which includes it inside extern "C"
#include <mdbtools.h>

#include "jetwriter.h"
#include "mdbexportcsv.h"

#include <QDate>
#include <QDateTime>
#include <QProcess>
#include <QTemporaryDir>
#include <QTime>
#include <QtTest>

using namespace JetWriter;

Q_DECLARE_METATYPE(JetWriter::Version)

namespace {

// The rows mdb-export prints, header row included, split as CSV with "
// quotes and doubled quotes inside them.
QList<QStringList> exportRows(const QString &file, const QString &table)
{
    QProcess p;
    p.start(QStringLiteral(MDB_EXPORT),
            {QStringLiteral("-T"), QStringLiteral("%Y-%m-%d %H:%M:%S"), file, table});
    if (!p.waitForFinished(60000) || p.exitCode() != 0)
        return {};
    return splitMdbExportCsv(QString::fromUtf8(p.readAllStandardOutput()));
}

// What mdb-export prints for a value written into a column of that type.
QString exported(Type type, const QVariant &v)
{
    if (!v.isValid())
        return QString();
    if (type == Type::DateTime) {
        const double d = jetDateTime(v);
        const qint64 secs = qint64(std::floor(d)) * 86400 + std::llround((d - std::floor(d)) * 86400.0);
        return QDateTime(QDate(1899, 12, 30), QTime(0, 0), Qt::UTC)
            .addSecs(secs)
            .toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    }
    if (type == Type::Double)
        return QString::number(v.toDouble(), 'g', 16);
    return v.toString();
}

Table sampleLog(bool compressed)
{
    Table t;
    t.name = QStringLiteral("log");
    t.columns = {{QStringLiteral("id"), Type::Long, 0, true},
                 {QStringLiteral("QSO_DATE"), Type::DateTime},
                 {QStringLiteral("TIME_ON"), Type::DateTime},
                 {QStringLiteral("FREQ"), Type::Double},
                 {QStringLiteral("CALL"), Type::Text, 15, false, compressed},
                 {QStringLiteral("NAME"), Type::Text, 25, false, compressed},
                 {QStringLiteral("COMMENT"), Type::Memo, 0, false, compressed},
                 {QStringLiteral("timeshift"), Type::Int}};
    t.rows
        << Row{1,
               QDate(2010, 1, 27),
               QTime(14, 30),
               14.074,
               QStringLiteral("UA3ABC"),
               QStringLiteral("Иван Петрович"),
               QStringLiteral("tnx \"QSO\", 73!"),
               3}
        << Row{2, QDate(2011, 12, 31), QTime(23, 59), 7.0, QStringLiteral("RA9ЖЖ"), QString(""), QVariant(),
               -2}
        << Row{7,
               QVariant(),
               QVariant(),
               QVariant(),
               QStringLiteral("DL1XX"),
               QVariant(),
               QStringLiteral("Ёлка ёж"),
               QVariant()}
        << Row{8,           QDateTime(QDate(1999, 5, 1), QTime(6, 0)),   0.25,        3.5,
               QString(""), QStringLiteral("Mixed Кириллица and Latin"), QString(""), 0};
    return t;
}

}   // namespace

class TestJetWriter : public QObject {
    Q_OBJECT

private slots:
    void exportReadsBack_data();
    void exportReadsBack();
    void libmdbTellsNullFromEmpty();
    void compressedUnicode();
    void deletedAndMovedRows();
    void manyRowsOnManyPages();
};

void TestJetWriter::exportReadsBack_data()
{
    QTest::addColumn<Version>("version");
    QTest::addColumn<bool>("compressed");
    QTest::newRow("jet4 plain unicode") << Version::Jet4 << false;
    QTest::newRow("jet4 compressed unicode") << Version::Jet4 << true;
    QTest::newRow("jet3 windows-1251") << Version::Jet3 << false;
}

void TestJetWriter::exportReadsBack()
{
    QFETCH(Version, version);
    QFETCH(bool, compressed);
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("log.mdb"));
    Table log = sampleLog(compressed);
    Table modes;
    modes.name = QStringLiteral("modes");
    modes.columns = {{QStringLiteral("mode"), Type::Text, 10, false, compressed}};
    for (const char *m : {"SSB", "CW", "ЦВ"})
        modes.rows << Row{QString::fromUtf8(m)};
    Options opt;
    opt.version = version;
    write(file, {log, modes}, opt);

    for (const Table &t : {log, modes}) {
        const QList<QStringList> rows = exportRows(file, t.name);
        QCOMPARE(rows.size(), t.rows.size() + 1);
        QStringList header;
        for (const Column &c : t.columns)
            header << c.name;
        QCOMPARE(rows[0], header);
        for (int r = 0; r < t.rows.size(); ++r) {
            QStringList expected;
            for (int c = 0; c < t.columns.size(); ++c)
                expected << exported(t.columns[c].type, t.rows[r][c]);
            QCOMPARE(rows[r + 1], expected);
        }
    }
}

// mdb-export prints NULL and a zero-length text alike; libmdb's row reader
// keeps them apart in the null mask.
void TestJetWriter::libmdbTellsNullFromEmpty()
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("log.mdb"));
    Table log = sampleLog(true);
    write(file, {log});

    MdbHandle *mdb = mdb_open(QFile::encodeName(file).constData(), MDB_NOFLAGS);
    QVERIFY(mdb);
    QVERIFY(mdb_read_catalog(mdb, MDB_TABLE));
    MdbCatalogEntry *entry = mdb_get_catalogentry_by_name(mdb, "log");
    QVERIFY(entry);
    MdbTableDef *table = mdb_read_table(entry);
    QVERIFY(table);
    QVERIFY(mdb_read_columns(table));
    QCOMPARE(int(table->num_rows), int(log.rows.size()));
    mdb_rewind_table(table);
    QList<QList<int>> nulls;   // per row: 1 null, 0 value
    QList<QList<int>> sizes;
    QVector<MdbField> fields(int(table->num_cols));
    while (mdb_fetch_row(table)) {
        int start = 0;
        size_t len = 0;
        QCOMPARE(mdb_find_row(mdb, int(table->cur_row) - 1, &start, &len), 0);
        QVERIFY(mdb_crack_row(table, start & 0x1fff, len, fields.data()) >= 0);
        QList<int> n, s;
        for (unsigned i = 0; i < table->num_cols; ++i) {
            n << fields[int(i)].is_null;
            s << fields[int(i)].siz;
        }
        nulls << n;
        sizes << s;
    }
    mdb_free_tabledef(table);
    mdb_close(mdb);

    QCOMPARE(nulls.size(), log.rows.size());
    for (int r = 0; r < log.rows.size(); ++r)
        for (int c = 0; c < log.columns.size(); ++c) {
            const QVariant &v = log.rows[r][c];
            QCOMPARE(nulls[r][c], v.isValid() ? 0 : 1);
            if (v.isValid() && log.columns[c].type == Type::Text && v.toString().isEmpty())
                QCOMPARE(sizes[r][c], 0);   // zero-length, yet not null
        }
}

void TestJetWriter::compressedUnicode()
{
    const QString mixed = QStringLiteral("UA3ABC Иван");
    const QByteArray c = jet4Text(mixed, true);
    QVERIFY(c.startsWith("\xff\xfe"));
    QVERIFY(c.size() < mixed.size() * 2);
    QCOMPARE(jet4Text(mixed, false).size(), mixed.size() * 2);
    // Cyrillic alone is not shorter compressed, so it stays plain.
    QCOMPARE(jet4Text(QStringLiteral("Иван"), true), jet4Text(QStringLiteral("Иван"), false));
    // A character whose low byte is zero would read as a mode switch.
    QCOMPARE(jet4Text(QStringLiteral("AAAA\u0400"), true), jet4Text(QStringLiteral("AAAA\u0400"), false));
}

// Rows flagged deleted stay out of mdb-export; a moved row is still found.
void TestJetWriter::deletedAndMovedRows()
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("log.mdb"));
    Table t;
    t.name = QStringLiteral("log");
    t.columns = {{QStringLiteral("id"), Type::Long, 0, true}, {QStringLiteral("CALL"), Type::Text, 15}};
    for (int i = 1; i <= 6; ++i)
        t.rows << Row{i, QStringLiteral("CALL%1").arg(i)};
    t.deleted = {1};
    t.relocated = {3};
    write(file, {t});
    const QList<QStringList> rows = exportRows(file, t.name);
    QStringList ids;
    for (int i = 1; i < rows.size(); ++i)
        ids << rows[i].value(0);
    QVERIFY(!ids.contains(QStringLiteral("2")));
    for (const char *live : {"1", "3", "4", "5", "6"})
        QVERIFY2(ids.contains(QLatin1String(live)), live);
}

void TestJetWriter::manyRowsOnManyPages()
{
    for (Version v : {Version::Jet4, Version::Jet3}) {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("log.mdb"));
        Table t;
        t.name = QStringLiteral("log");
        t.columns = {{QStringLiteral("id"), Type::Long, 0, true}, {QStringLiteral("CALL"), Type::Text, 15}};
        for (int i = 1; i <= 3000; ++i)
            t.rows << Row{i, QStringLiteral("UA%1XYZ").arg(i)};
        Options opt;
        opt.version = v;
        const QByteArray data = build({t}, opt);
        QVERIFY(data.size() > 20 * (v == Version::Jet4 ? 4096 : 2048));
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(data);
        f.close();
        const QList<QStringList> rows = exportRows(file, t.name);
        QCOMPARE(rows.size(), 3001);
        QCOMPARE(rows.last(), (QStringList{QStringLiteral("3000"), QStringLiteral("UA3000XYZ")}));
    }
}

QTEST_GUILESS_MAIN(TestJetWriter)
#include "test_jetwriter.moc"
