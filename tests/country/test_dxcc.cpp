#include "logdb/connection.h"
#include "country/ctysupport.h"
#include "logdb/dataset.h"
#include "logdb/dberror.h"
#include "country/dxcc.h"
#include "logdb/schema.h"
#include "logdb/tdm.h"

#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {

QByteArray entityLine(const char *name, const char *primary)
{
    QByteArray line = QByteArray(name) + ':';
    line = line.leftJustified(26, ' ');
    line += "14:  28:  EU:    51.00:    -10.00:    -1.0:  ";
    return line + primary + ':';
}

// A small country table with every kind of country text the rebuild stores.
QByteArray countryFile()
{
    return entityLine("European Russia", "UA") + "\n    UA,RA;\n"
           + entityLine("Asiatic Russia", "UA9") + "\n    UA9;\n"
           + entityLine("Germany", "DL") + "\n    DL,DM;\n"
           + entityLine("Starred Island", "*TA1") + "\n    TA1;\n"
           + entityLine("Six Letter Land", "VP8/hx") + "\n    VP8H;\n";
}

// A progress receiver that notes the positions it is given.
WorkProgress notePositions(QList<int> &positions)
{
    return [&positions](const WorkStatus &s) {
        positions << s.position;
        return true;
    };
}

struct Qso {
    const char *date;
    const char *time;
    const char *call;
};

} // namespace

class TestDxcc : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void whereClause_data();
    void whereClause();
    void statements();

    void rebuildWholeView();
    void rebuildWritesEachRowOnce();
    void rebuildFilteredView();
    void rebuildEmptyView();
    void threeRowsStepProgress();
    void engineErrorKeepsRowsWrittenBefore();
    void rebuildCancelled();
    void rebuildReadOnlyView();

    void statisticsWithoutFilter();
    void statisticsUnderFilter();
    void statisticsNames();

private:
    void addQsos(const QList<Qso> &qsos, const QString &dxcc = QStringLiteral("OLD"));
    void openView(const QStringList &sql);
    // CALL -> dxcc as stored, read through a connection of its own.
    QMap<QString, QVariant> storedCountries();

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_path;
    std::unique_ptr<Connection> m_conn;
    std::unique_ptr<Dataset> m_view;
};

void TestDxcc::initTestCase()
{
    LoadCountryTableFromData(countryFile());
    QCOMPARE(CountryCount(), 7);
}

void TestDxcc::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_path = m_dir->filePath(QStringLiteral("test.mdb"));
    Schema::createTemplate(m_path);
    m_conn = std::make_unique<Connection>();
    m_conn->open(m_path);
}

void TestDxcc::cleanup()
{
    m_view.reset();
    m_conn.reset();
    m_dir.reset();
}

void TestDxcc::addQsos(const QList<Qso> &qsos, const QString &dxcc)
{
    for (const Qso &q : qsos) {
        m_conn->execute(QStringLiteral("insert into log (QSO_DATE, TIME_ON, TIME_OFF, CALL, dxcc) values ('%1', '%2', '%2', '%3', '%4')")
                            .arg(QLatin1String(q.date), QLatin1String(q.time), QLatin1String(q.call), dxcc));
    }
}

void TestDxcc::openView(const QStringList &sql)
{
    m_view = std::make_unique<Dataset>(QStringLiteral("ADOQueryLog"), m_conn.get());
    m_view->setSql(sql);
    m_view->setFixedFields(Schema::logFields());
    m_view->setBaseTable(QStringLiteral("log"));
    m_view->open();
}

QMap<QString, QVariant> TestDxcc::storedCountries()
{
    Connection other;
    other.open(m_conn->path());
    Dataset ds(QStringLiteral("check"), &other);
    ds.setSql({QStringLiteral("select CALL, dxcc from log")});
    ds.open();
    QMap<QString, QVariant> out;
    for (int r = 0; r < ds.recordCount(); ++r)
        out.insert(ds.valueAt(r, 0).toString(), ds.valueAt(r, 1));
    return out;
}

void TestDxcc::whereClause_data()
{
    QTest::addColumn<QString>("statement");
    QTest::addColumn<QString>("clause");

    QTest::newRow("standing statement") << "select * from log\norder by qso_date, time_on" << "";
    QTest::newRow("one mask") << "select * from log where CALL like 'UA3%'" << "where CALL like 'UA3%'";
    QTest::newRow("power line kept") << "select * from log where \n(TX_PWR like \"_\")"
                                     << "where \n(TX_PWR like \"_\")";
    QTest::newRow("first where counts") << "select * from log where COMMENT like 'somewhere'"
                                        << "where COMMENT like 'somewhere'";
    QTest::newRow("upper case is not searched") << "SELECT * FROM log WHERE CALL like 'UA%'" << "";
    QTest::newRow("empty") << "" << "";
}

void TestDxcc::whereClause()
{
    QFETCH(QString, statement);
    QFETCH(QString, clause);
    QCOMPARE(::whereClause(statement), clause);
}

void TestDxcc::statements()
{
    QCOMPARE(distinctCountriesSql(QString()),
             (QStringList{"select distinct dxcc from log", " "}));
    QCOMPARE(distinctCountriesSql("where CALL like 'UA%'"),
             (QStringList{"select distinct dxcc from log", " where CALL like 'UA%'"}));
    QCOMPARE(countryCountsSql(QString()),
             (QStringList{"select dxcc, Count(dxcc) from log", " ", "group by dxcc"}));
    QCOMPARE(countryCountsSql("where CALL like 'UA%'"),
             (QStringList{"select dxcc, Count(dxcc) from log", " where CALL like 'UA%'", "group by dxcc"}));
}

void TestDxcc::rebuildWholeView()
{
    addQsos({{"2024-01-01", "10:00", "UA3ABC"},
             {"2024-01-01", "10:01", "UA9XYZ"},
             {"2024-01-01", "10:02", "DL/UA3ABC"},
             {"2024-01-01", "10:03", "QQ1ABC"},
             {"2024-01-01", "10:04", "TA1AA"},
             {"2024-01-01", "10:05", "VP8HAA"}});
    openView(TDM::standingLogSql());
    QList<int> positions;
    RebuildDxcc(*m_view, notePositions(positions));
    QCOMPARE(positions, (QList<int>{17, 33, 50, 67, 83, 100}));

    const auto stored = storedCountries();
    QCOMPARE(stored.value("UA3ABC").toString(), QStringLiteral("UA"));
    QCOMPARE(stored.value("UA9XYZ").toString(), QStringLiteral("UA9"));
    QCOMPARE(stored.value("DL/UA3ABC").toString(), QStringLiteral("DL"));
    // No country: an empty text, not the old one.
    QCOMPARE(stored.value("QQ1ABC").toString(), QString());
    QCOMPARE(stored.value("TA1AA").toString(), QStringLiteral("*TA1"));
    QCOMPARE(stored.value("VP8HAA").toString(), QStringLiteral("VP8/h"));   // cut to the column

    QVERIFY(!m_conn->inTransaction());
    QCOMPARE(m_view->state(), Dataset::State::Browse);
    QCOMPARE(m_view->recNo(), 5);   // left on the last row
    QCOMPARE(m_view->fieldByName("dxcc").asString(), QStringLiteral("VP8/h"));
}

void TestDxcc::rebuildWritesEachRowOnce()
{
    // Inserted out of date order; the view sorts by date and time, the rows
    // are written in the order of their ids, each once. The file itself
    // notes the order in which the rows are written.
    addQsos({{"2024-03-01", "10:00", "DL1C"}, {"2024-01-01", "10:00", "DL1A"}, {"2024-02-01", "09:00", "DL1B"}});
    m_conn->execute(QStringLiteral("create table visits (n integer primary key, call text)"));
    m_conn->execute(QStringLiteral("create trigger visit after update of dxcc on log "
                                   "begin insert into visits (call) values (new.CALL); end"));
    openView(TDM::standingLogSql());
    QList<qint64> done;
    RebuildDxcc(*m_view, [&](const WorkStatus &s) {
        done << s.done;
        return true;
    });
    QCOMPARE(done, (QList<qint64>{1, 2, 3}));
    Dataset visits(QStringLiteral("visits"), m_conn.get());
    visits.setSql({QStringLiteral("select call from visits order by n")});
    visits.open();
    QStringList visited;
    for (int r = 0; r < visits.recordCount(); ++r)
        visited << visits.valueAt(r, 0).toString();
    QCOMPARE(visited, (QStringList{"DL1C", "DL1A", "DL1B"}));
    // The view holds what was written.
    QCOMPARE(m_view->displayAt(0, m_view->fieldIndex("dxcc")), QStringLiteral("DL"));
}

void TestDxcc::rebuildFilteredView()
{
    addQsos({{"2024-01-01", "10:00", "UA3ABC"}, {"2024-01-01", "10:01", "DL1ABC"},
             {"2024-01-01", "10:02", "RA3XYZ"}, {"2024-01-01", "10:03", "UA9XYZ"}});
    openView({QStringLiteral("select * from log where CALL like 'UA%'")});
    QList<int> positions;
    RebuildDxcc(*m_view, notePositions(positions));
    QCOMPARE(positions, (QList<int>{50, 100}));

    const auto stored = storedCountries();
    QCOMPARE(stored.value("UA3ABC").toString(), QStringLiteral("UA"));
    QCOMPARE(stored.value("UA9XYZ").toString(), QStringLiteral("UA9"));
    // Outside the filter: untouched.
    QCOMPARE(stored.value("DL1ABC").toString(), QStringLiteral("OLD"));
    QCOMPARE(stored.value("RA3XYZ").toString(), QStringLiteral("OLD"));
}

void TestDxcc::rebuildEmptyView()
{
    addQsos({{"2024-01-01", "10:00", "UA3ABC"}});
    openView({QStringLiteral("select * from log where CALL like 'ZZ%'")});
    QList<int> positions;
    RebuildDxcc(*m_view, notePositions(positions));
    QVERIFY(positions.isEmpty());
    QVERIFY(!m_conn->inTransaction());
    QCOMPARE(storedCountries().value("UA3ABC").toString(), QStringLiteral("OLD"));

    // A log without QSOs at all.
    m_conn->execute(QStringLiteral("delete from log"));
    openView(TDM::standingLogSql());
    RebuildDxcc(*m_view, notePositions(positions));
    QVERIFY(positions.isEmpty());
}

void TestDxcc::threeRowsStepProgress()
{
    addQsos({{"2024-01-01", "10:00", "UA3A"}, {"2024-01-01", "10:01", "UA3B"}, {"2024-01-01", "10:02", "UA3C"}});
    openView(TDM::standingLogSql());
    QList<int> positions;
    RebuildDxcc(*m_view, notePositions(positions));
    QCOMPARE(positions, (QList<int>{33, 67, 100}));
    // Without a progress callback as well.
    m_conn->execute(QStringLiteral("update log set dxcc = 'OLD'"));
    openView(TDM::standingLogSql());
    RebuildDxcc(*m_view);
    QCOMPARE(storedCountries().value("UA3C").toString(), QStringLiteral("UA"));
}

void TestDxcc::engineErrorKeepsRowsWrittenBefore()
{
    addQsos({{"2024-01-01", "10:00", "UA3ABC"}, {"2024-01-01", "10:01", "UA9XYZ"},
             {"2024-01-01", "10:02", "DL1BAD"}, {"2024-01-01", "10:03", "DL2ABC"}});
    // The engine refuses the third row.
    m_conn->execute(QStringLiteral("create trigger refuse before update on log when new.CALL = 'DL1BAD' "
                                   "begin select raise(abort, 'row refused'); end"));
    openView(TDM::standingLogSql());
    QList<int> positions;
    try {
        RebuildDxcc(*m_view, notePositions(positions));
        QFAIL("the engine's error did not reach the caller");
    } catch (const DbError &e) {
        QVERIFY2(e.message().contains(QStringLiteral("row refused")), qPrintable(e.message()));
    }
    QCOMPARE(positions, (QList<int>{25, 50}));
    QVERIFY(!m_conn->inTransaction());
    QCOMPARE(m_view->state(), Dataset::State::Browse);

    // Seen from another connection: the rows before the error are written.
    const auto stored = storedCountries();
    QCOMPARE(stored.value("UA3ABC").toString(), QStringLiteral("UA"));
    QCOMPARE(stored.value("UA9XYZ").toString(), QStringLiteral("UA9"));
    QCOMPARE(stored.value("DL1BAD").toString(), QStringLiteral("OLD"));
    QCOMPARE(stored.value("DL2ABC").toString(), QStringLiteral("OLD"));
}

void TestDxcc::rebuildCancelled()
{
    // Stopped after four rows of ten: those four rebuilt (the first four in
    // the file), the other six as they were; committed; the view as the file.
    QList<Qso> qsos;
    for (int i = 0; i < 10; ++i)
        qsos << Qso{"2024-01-01", i % 2 ? "10:00" : "09:00", i % 3 ? "UA3ABC" : "DL1ABC"};
    addQsos(qsos);
    openView(TDM::standingLogSql());
    const RebuildResult r = RebuildDxcc(*m_view, [](const WorkStatus &s) { return s.done < 4; });
    QVERIFY(r.cancelled);
    QCOMPARE(r.done, 4);
    QCOMPARE(r.total, 10);
    QVERIFY(!m_conn->inTransaction());
    QCOMPARE(m_view->state(), Dataset::State::Browse);

    Connection other;
    other.open(m_conn->path());
    Dataset file(QStringLiteral("check"), &other);
    file.setSql({QStringLiteral("select id, dxcc from log")});
    file.open();
    QMap<qint64, QString> stored;
    for (int r2 = 0; r2 < file.recordCount(); ++r2)
        stored.insert(file.valueAt(r2, 0).toLongLong(), file.valueAt(r2, 1).toString());
    const int dxccField = m_view->fieldIndex("dxcc");
    const int callField = m_view->fieldIndex("CALL");
    const QList<qint64> firstFour = stored.keys().mid(0, 4);   // QMap: ids ascending
    for (int row = 0; row < 10; ++row) {
        const QString inView = m_view->displayAt(row, dxccField);
        QCOMPARE(stored.value(m_view->idAt(row)), inView);
        const QString rebuilt = m_view->displayAt(row, callField).startsWith(u'U') ? QStringLiteral("UA")
                                                                                   : QStringLiteral("DL");
        QCOMPARE(inView, firstFour.contains(m_view->idAt(row)) ? rebuilt : QStringLiteral("OLD"));
    }
}

void TestDxcc::rebuildReadOnlyView()
{
    // A view whose rows carry no id of the table is written row by row, as
    // it always was; a computed column is never written.
    addQsos({{"2024-01-01", "10:00", "UA3ABC"}, {"2024-01-01", "10:01", "DL1ABC"}});
    m_view = std::make_unique<Dataset>(QStringLiteral("ADOQueryLog"), m_conn.get());
    m_view->setSql({QStringLiteral("select CALL, dxcc from log order by TIME_ON")});
    m_view->open();
    const RebuildResult r = RebuildDxcc(*m_view);
    QCOMPARE(r.done, 2);
    QCOMPARE(storedCountries().value("UA3ABC").toString(), QStringLiteral("UA"));
    QCOMPARE(storedCountries().value("DL1ABC").toString(), QStringLiteral("DL"));

    m_conn->execute(QStringLiteral("update log set dxcc = 'OLD'"));
    m_view = std::make_unique<Dataset>(QStringLiteral("ADOQueryLog"), m_conn.get());
    m_view->setSql({QStringLiteral("select CALL, lower(dxcc) as dxcc from log")});
    m_view->open();
    RebuildDxcc(*m_view);
    QCOMPARE(storedCountries().value("UA3ABC").toString(), QStringLiteral("OLD"));
    QCOMPARE(storedCountries().value("DL1ABC").toString(), QStringLiteral("OLD"));
    QVERIFY(!m_conn->inTransaction());
}

void TestDxcc::statisticsWithoutFilter()
{
    addQsos({{"2024-01-01", "10:00", "UA3A"}, {"2024-01-01", "10:01", "UA3B"}, {"2024-01-01", "10:02", "DL1A"},
             {"2024-01-01", "10:03", "TA1A"}});
    openView(TDM::standingLogSql());
    RebuildDxcc(*m_view);

    Dataset com(QStringLiteral("ADOQueryCom"), m_conn.get());
    QCOMPARE(OpenDxccStatistics(com, m_view->sqlText()), 3);
    QCOMPARE(com.sqlText(), QStringLiteral("select dxcc, Count(dxcc) from log\n \ngroup by dxcc"));
    QMap<QString, qlonglong> counts;
    for (int r = 0; r < com.recordCount(); ++r)
        counts.insert(com.valueAt(r, 0).toString(), com.valueAt(r, 1).toLongLong());
    QCOMPARE(counts, (QMap<QString, qlonglong>{{"UA", 2}, {"DL", 1}, {"*TA1", 1}}));
}

void TestDxcc::statisticsUnderFilter()
{
    addQsos({{"2024-01-01", "10:00", "UA3A"}, {"2024-01-01", "10:01", "UA3B"}, {"2024-01-01", "10:02", "DL1A"},
             {"2024-01-01", "10:03", "UA9A"}});
    openView(TDM::standingLogSql());
    RebuildDxcc(*m_view);

    openView({QStringLiteral("select * from log where "), QStringLiteral("(CALL like 'UA%')")});
    Dataset com(QStringLiteral("ADOQueryCom"), m_conn.get());
    QCOMPARE(OpenDxccStatistics(com, m_view->sqlText()), 2);
    QCOMPARE(com.sqlText(), QStringLiteral("select dxcc, Count(dxcc) from log\n where \n(CALL like 'UA%')\ngroup by dxcc"));
    QMap<QString, qlonglong> counts;
    for (int r = 0; r < com.recordCount(); ++r)
        counts.insert(com.valueAt(r, 0).toString(), com.valueAt(r, 1).toLongLong());
    QCOMPARE(counts, (QMap<QString, qlonglong>{{"UA", 2}, {"UA9", 1}}));

    // A filter that admits nothing: no countries, no rows.
    openView({QStringLiteral("select * from log where CALL like 'ZZ%'")});
    QCOMPARE(OpenDxccStatistics(com, m_view->sqlText()), 0);
    QCOMPARE(com.recordCount(), 0);
    QCOMPARE(CountryNameOfCurrentRow(com), QString());
}

void TestDxcc::statisticsNames()
{
    addQsos({{"2024-01-01", "10:00", "DL1A"}, {"2024-01-01", "10:01", "TA1A"}, {"2024-01-01", "10:02", "VP8HA"},
             {"2024-01-01", "10:03", "QQ1A"}});
    openView(TDM::standingLogSql());
    RebuildDxcc(*m_view);

    Dataset com(QStringLiteral("ADOQueryCom"), m_conn.get());
    OpenDxccStatistics(com, m_view->sqlText());
    QMap<QString, QString> names;
    for (com.first(); !com.eof(); com.next())
        names.insert(com.fieldByName("dxcc").asString(), CountryNameOfCurrentRow(com));
    // The starred text and the text cut to the column find their entity too.
    QCOMPARE(names, (QMap<QString, QString>{{"", ""}, {"DL", "Germany"}, {"*TA1", "Starred Island"},
                                            {"VP8/h", "Six Letter Land"}}));
}

QTEST_GUILESS_MAIN(TestDxcc)
#include "test_dxcc.moc"
