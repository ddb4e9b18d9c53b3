#include "query/queryactions.h"

#include "logdb/dberror.h"
#include "logdb/schema.h"
#include "logdb/tdm.h"

#include <QtTest>
#include <memory>

using FilterComposer::Power;

Q_DECLARE_METATYPE(FilterComposer::Power)

class TestQueryActions : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void applyComposedStatement();
    void applyPowerWithoutStatement_data();
    void applyPowerWithoutStatement();
    void applyQroWithoutStatementKeepsView();
    void applyDateRangeWithPower();
    void applyInvalidThenCancel();
    void filterStaysWhenAnotherLogIsAttached();

    void runSelectAll();
    void runJetQuotedCondition();
    void runCommandsOnce();
    void runErrors_data();
    void runErrors();
    void readRowsTyped();
    void readRowsClosed();

private:
    QString makeLog(const QString &name, const QStringList &inserts);
    void attach(const QString &path);
    QStringList calls(Dataset *ds);

    QTemporaryDir m_dir;
    std::unique_ptr<TDM> m_dm;
    Dataset *m_query = nullptr;
    QString m_path;
};

static QString row(const char *date, const char *time, const char *call, const char *mode,
                   const char *pwr, const char *comment)
{
    return QStringLiteral("insert into log (QSO_DATE, TIME_ON, TIME_OFF, FREQ, MODE, CALL, NAME, QTH, "
                          "COMMENT, RST_SENT, RST_RCVD, QSL_SENT, QSL_RCVD, TX_PWR, GRIDSQUARE, dxcc) "
                          "values ('%1', '%2', '%2', '14.074', '%4', '%3', '', '', '%6', '599', '599', "
                          "'N', 'N', '%5', '', 'UA')")
        .arg(QLatin1String(date), QLatin1String(time), QLatin1String(call), QLatin1String(mode),
             QLatin1String(pwr), QLatin1String(comment));
}

QString TestQueryActions::makeLog(const QString &name, const QStringList &inserts)
{
    const QString path = m_dir.filePath(name);
    QFile::remove(path);
    Schema::createTemplate(path);
    Connection c;
    c.open(path);
    for (const QString &s : inserts)
        c.execute(s);
    c.close();
    return path;
}

void TestQueryActions::attach(const QString &path)
{
    m_dm->ADOConnection1->close();
    m_dm->ADOConnection1->open(path);
    m_dm->ADOQueryLog->open();
}

QStringList TestQueryActions::calls(Dataset *ds)
{
    QStringList out;
    const int f = ds->fieldIndex(QStringLiteral("CALL"));
    for (int r = 0; r < ds->recordCount(); ++r)
        out << ds->displayAt(r, f);
    return out;
}

void TestQueryActions::init()
{
    m_path = makeLog(QStringLiteral("main.mdb"), {
        row("2005-03-01", "10:00", "UA3AAA", "CW", "5", "qrp test"),
        row("2004-12-31", "09:00", "UA3BBB", "SSB", "100", ""),
        row("2005-06-15", "12:30", "DL1XX/QRP", "CW", "1", ""),
        row("2006-01-01", "00:05", "O''BRIEN", "CW", "50", "note"),
        row("2005-12-31", "23:59", "RA3CCC", "FM", "3", ""),
    });
    m_dm = std::make_unique<TDM>();
    m_query = new Dataset(QStringLiteral("Query1"), m_dm->ADOConnection1, m_dm.get());
    attach(m_path);
}

void TestQueryActions::cleanup()
{
    m_dm.reset();
    m_query = nullptr;
}

void TestQueryActions::applyComposedStatement()
{
    FilterComposer::Inputs in;
    in.column1 = QStringLiteral("CALL");
    in.mask1 = QStringLiteral("ua3%");   // like ignores case
    in.joiner = QStringLiteral("or");
    in.column2 = QStringLiteral("CALL");
    in.mask2 = QStringLiteral("O'B%");
    const QString st = FilterComposer::compose(in, QString());
    Dataset *log = m_dm->ADOQueryLog;
    QCOMPARE(QueryActions::applyFilter(log, st, Power::QRO), 3);
    QCOMPARE(log->sql(), QStringList{st});
    QCOMPARE(log->recNo(), 2);
    QStringList got = calls(log);
    got.sort();
    QCOMPARE(got, QStringList({"O'BRIEN", "UA3AAA", "UA3BBB"}));
}

void TestQueryActions::applyPowerWithoutStatement_data()
{
    QTest::addColumn<Power>("power");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("QRP") << Power::QRP << QStringList({"DL1XX/QRP", "RA3CCC", "UA3AAA"});
    QTest::newRow("2xWay QRP") << Power::TwoWayQRP << QStringList({"DL1XX/QRP", "UA3AAA"});
}

void TestQueryActions::applyPowerWithoutStatement()
{
    QFETCH(Power, power);
    QFETCH(QStringList, expected);
    Dataset *log = m_dm->ADOQueryLog;
    QCOMPARE(QueryActions::applyFilter(log, QString(), power), expected.size());
    QCOMPARE(log->sql().first(), QString("select * from log where "));
    QCOMPARE(log->sql().size(), 2);
    QStringList got = calls(log);
    got.sort();
    QCOMPARE(got, expected);
}

void TestQueryActions::applyQroWithoutStatementKeepsView()
{
    Dataset *log = m_dm->ADOQueryLog;
    log->first();
    QCOMPARE(QueryActions::applyFilter(log, QString(), Power::QRO), 5);
    QCOMPARE(log->sql(), TDM::standingLogSql());
    QCOMPARE(log->recNo(), 4);
    // Still the standing order by date and time.
    QCOMPARE(calls(log).first(), QString("UA3BBB"));
    QCOMPARE(calls(log).last(), QString("O'BRIEN"));
}

void TestQueryActions::applyDateRangeWithPower()
{
    FilterComposer::Inputs in;
    in.dateRange = true;
    in.date1 = QStringLiteral("01.01.2005");
    in.date2 = QStringLiteral("31.12.2005");
    const QString st = FilterComposer::compose(in, QString());
    Dataset *log = m_dm->ADOQueryLog;
    QCOMPARE(QueryActions::applyFilter(log, st, Power::QRO), 3);
    QCOMPARE(QueryActions::applyFilter(log, st, Power::QRP), 3);
    QCOMPARE(log->sql().size(), 2);
    QCOMPARE(QueryActions::applyFilter(log, st, Power::TwoWayQRP), 2);
}

void TestQueryActions::applyInvalidThenCancel()
{
    Dataset *log = m_dm->ADOQueryLog;
    const QString bad = QStringLiteral("select * from log where NOSUCH like 'x'");
    try {
        QueryActions::applyFilter(log, bad, Power::QRO);
        QFAIL("an unknown column was accepted");
    } catch (const DbError &e) {
        QVERIFY2(e.message().contains("NOSUCH", Qt::CaseInsensitive), qPrintable(e.message()));
    }
    QVERIFY(!log->isActive());
    QCOMPARE(log->sql(), QStringList{bad});
    // The count cannot be read from the closed query either.
    QVERIFY_THROWS_EXCEPTION(DbError, QueryActions::applyFilter(log, QString(), Power::QRO));

    QCOMPARE(QueryActions::cancelFilter(log, TDM::standingLogSql()), 5);
    QVERIFY(log->isActive());
    QCOMPARE(log->sql(), TDM::standingLogSql());
    QCOMPARE(log->recNo(), 4);
}

void TestQueryActions::filterStaysWhenAnotherLogIsAttached()
{
    Dataset *log = m_dm->ADOQueryLog;
    QueryActions::applyFilter(log, QStringLiteral("select * from log where MODE like 'CW'"), Power::QRP);
    QCOMPARE(log->recordCount(), 2);

    const QString other = makeLog(QStringLiteral("other.mdb"), {
        row("2010-01-01", "10:00", "K1ABC", "CW", "5", ""),
        row("2010-01-02", "10:00", "K2ABC", "SSB", "5", ""),
        row("2010-01-03", "10:00", "K3ABC", "CW", "500", ""),
    });
    attach(other);
    QCOMPARE(calls(log), QStringList{"K1ABC"});
    QCOMPARE(QueryActions::cancelFilter(log, TDM::standingLogSql()), 3);
}

void TestQueryActions::runSelectAll()
{
    QCOMPARE(QueryActions::runStatement(m_query, {QStringLiteral("select * from log")}),
             QueryActions::RunResult::Rows);
    QCOMPARE(m_query->recordCount(), 5);
    QStringList names;
    for (int i = 0; i < m_query->fieldCount(); ++i)
        names << m_query->fieldDef(i).name;
    QCOMPARE(names, QStringList({"id", "QSO_DATE", "TIME_ON", "TIME_OFF", "FREQ", "MODE", "CALL", "NAME",
                                 "QTH", "COMMENT", "RST_SENT", "RST_RCVD", "QSL_SENT", "QSL_RCVD",
                                 "TX_PWR", "GRIDSQUARE", "dxcc", "user1"}));
    const int user1 = m_query->fieldIndex(QStringLiteral("user1"));
    for (int r = 0; r < 5; ++r)
        QCOMPARE(m_query->displayAt(r, user1), QString());
    QVERIFY(m_query->canModify());
    // The log view is not touched.
    QCOMPARE(m_dm->ADOQueryLog->sql(), TDM::standingLogSql());
}

void TestQueryActions::runJetQuotedCondition()
{
    // The window's initial statement, double-quoted texts and all.
    const QStringList lines{QStringLiteral("select * from log"),
                            QStringLiteral("where TX_PWR like \"_\" and (COMMENT like \"%qrp%\" or call like \"%/qrp%\")")};
    QCOMPARE(QueryActions::runStatement(m_query, lines), QueryActions::RunResult::Rows);
    QStringList got = calls(m_query);
    got.sort();
    QCOMPARE(got, QStringList({"DL1XX/QRP", "UA3AAA"}));
}

void TestQueryActions::runCommandsOnce()
{
    QueryActions::runStatement(m_query, {QStringLiteral("select * from log")});
    QCOMPARE(QueryActions::runStatement(m_query, {QStringLiteral("update log set COMMENT = COMMENT || '+'"),
                                                  QStringLiteral("where CALL = 'o''brien'")}),
             QueryActions::RunResult::Command);
    QVERIFY(!m_query->isActive());
    QCOMPARE(QueryActions::runStatement(m_query, {QStringLiteral("insert into log (CALL) values (\"Z1\")")}),
             QueryActions::RunResult::Command);

    QueryActions::runStatement(m_query, {QStringLiteral("select COMMENT from log where CALL = 'O''BRIEN'")});
    QCOMPARE(m_query->displayAt(0, 0), QString("note+"));
    QueryActions::runStatement(m_query, {QStringLiteral("select count(*) from log where CALL = 'Z1'")});
    QCOMPARE(m_query->valueAt(0, 0).toInt(), 1);
}

void TestQueryActions::runErrors_data()
{
    QTest::addColumn<QStringList>("lines");
    QTest::newRow("syntax") << QStringList{"selec * from log"};
    QTest::newRow("no such table") << QStringList{"select * from nolog"};
    QTest::newRow("no such column") << QStringList{"select nosuch from log"};
    QTest::newRow("failing command") << QStringList{"insert into nolog values (1)"};
}

void TestQueryActions::runErrors()
{
    QFETCH(QStringList, lines);
    QueryActions::runStatement(m_query, {QStringLiteral("select * from log")});
    try {
        QueryActions::runStatement(m_query, lines);
        QFAIL("no error");
    } catch (const DbError &e) {
        QVERIFY(!e.message().isEmpty());
    }
    QVERIFY(!m_query->isActive());
    QCOMPARE(m_query->sql(), lines);
}

void TestQueryActions::readRowsTyped()
{
    QueryActions::runStatement(m_query,
        {QStringLiteral("select CALL, QSO_DATE, TIME_ON, id, user1 from log where TX_PWR like '_'"),
         QStringLiteral("order by QSO_DATE")});
    const QVector<Workbook::Row> rows = QueryActions::readRows(m_query);
    QCOMPARE(rows.size(), 3);
    QCOMPARE(rows[0].size(), 5);
    QCOMPARE(rows[0][0], QVariant(QStringLiteral("UA3AAA")));
    QCOMPARE(rows[0][1].typeId(), int(QMetaType::QDate));
    QCOMPARE(rows[0][1].toDate(), QDate(2005, 3, 1));
    QCOMPARE(rows[0][2].typeId(), int(QMetaType::QTime));
    QCOMPARE(rows[0][2].toTime(), QTime(10, 0));
    QCOMPARE(rows[0][3].toLongLong(), 1);
    QVERIFY(rows[0][4].isNull());
    QCOMPARE(rows[2][0], QVariant(QStringLiteral("RA3CCC")));
    QVERIFY(m_query->eof());
}

void TestQueryActions::readRowsClosed()
{
    QVERIFY_THROWS_EXCEPTION(DbError, QueryActions::readRows(m_query));
    QueryActions::runStatement(m_query, {QStringLiteral("delete from log where CALL = 'nobody'")});
    QVERIFY_THROWS_EXCEPTION(DbError, QueryActions::readRows(m_query));
    QueryActions::runStatement(m_query, {QStringLiteral("select * from log where CALL = 'nobody'")});
    QVERIFY(QueryActions::readRows(m_query).isEmpty());
}

QTEST_GUILESS_MAIN(TestQueryActions)
#include "test_queryactions.moc"
