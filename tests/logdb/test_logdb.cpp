#include "logdb/callindex.h"
#include "logdb/dberror.h"
#include "logdb/schema.h"
#include "logdb/tdm.h"

#include <QAbstractItemModelTester>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <sqlite3.h>

namespace {
QString sqlite3Cli(const QString &path, const QString &sql)
{
    QProcess p;
    p.start(QStringLiteral("sqlite3"), {path, sql});
    p.waitForFinished(10000);
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
}

QString expectError(const std::function<void()> &f)
{
    try {
        f();
    } catch (const DbError &e) {
        return e.message();
    }
    return QString();
}
} // namespace

class TestLogDb : public QObject {
    Q_OBJECT

    QTemporaryDir tmp;
    QString path;
    TDM *dm = nullptr;

    void addQso(const QString &date, const QString &time, const QString &call, const QString &name,
                const QString &grid = QString(), const QString &pwr = QStringLiteral("100"))
    {
        Dataset *q = dm->ADOQueryLog;
        q->append();
        q->fieldByName(QStringLiteral("QSO_DATE")).setString(date);
        q->fieldByName(QStringLiteral("TIME_ON")).setString(time);
        q->fieldByName(QStringLiteral("TIME_OFF")).setString(time);
        q->fieldByName(QStringLiteral("CALL")).setString(call);
        q->fieldByName(QStringLiteral("NAME")).setString(name);
        q->fieldByName(QStringLiteral("COMMENT")).setString(QString());
        q->fieldByName(QStringLiteral("TX_PWR")).setString(pwr);
        q->fieldByName(QStringLiteral("QSL_SENT")).setString(QStringLiteral("N"));
        if (!grid.isNull())
            q->fieldByName(QStringLiteral("GRIDSQUARE")).setString(grid);
        q->post();
    }

    int count(const QString &sql)
    {
        Dataset *c = dm->ADOQueryCom;
        c->close();
        c->setSql({sql});
        c->open();
        return c->recordCount();
    }

private slots:
    void init()
    {
        path = tmp.filePath(QStringLiteral("log%1.mdb").arg(QTest::currentTestFunction()));
        QFile::remove(path);
        Schema::createTemplate(path);
        dm = new TDM;
        dm->ADOConnection1->open(path);
        dm->ADOQueryLog->open();
        addQso(QStringLiteral("27.01.2010"), QStringLiteral("12:00"), QStringLiteral("UA3ABC"), QStringLiteral("Ivan"), QStringLiteral("KO85"));
        addQso(QStringLiteral("01.01.2005"), QStringLiteral("08:30"), QStringLiteral("DL1XYZ"), QStringLiteral("Петр"), QString(), QStringLiteral("5"));
        addQso(QStringLiteral("15.06.2005"), QStringLiteral("23:59"), QStringLiteral("UA3ABC"), QStringLiteral("Vanya"), QStringLiteral("KO91"));
        addQso(QStringLiteral("31.12.2005"), QStringLiteral("10:00"), QStringLiteral("UA9QRP/QRP"), QStringLiteral("ivan"), QString(), QStringLiteral("1"));
        dm->ADOQueryLog->close();
        dm->ADOQueryLog->open();
    }
    void cleanup()
    {
        delete dm;
        dm = nullptr;
    }

    void standingViewOrdered()
    {
        Dataset *q = dm->ADOQueryLog;
        QCOMPARE(q->recordCount(), 4);
        QStringList order;
        for (q->first(); !q->eof(); q->next())
            order << q->fieldByName(QStringLiteral("QSO_DATE")).asString();
        QCOMPARE(order, (QStringList{"01.01.2005", "15.06.2005", "31.12.2005", "27.01.2010"}));
        q->last();
        QCOMPARE(q->fieldByName(QStringLiteral("TIME_ON")).asString(), QStringLiteral("12:00"));
        QCOMPARE(q->fieldByName(QStringLiteral("QSO_DATE")).asDate(), QDate(2010, 1, 27));
    }

    void dialectAgainstEngine_data()
    {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<int>("rows");
        // "CALL" equals a column name: still a text literal, so nothing matches.
        QTest::newRow("double quoted literal named like a column") << R"(select * from log where CALL = "CALL")" << 0;
        QTest::newRow("double quoted value") << R"(select * from log where CALL = "ua3abc")" << 2;
        QTest::newRow("qrp power") << R"(select * from log where TX_PWR like "_")" << 2;
        QTest::newRow("two-way qrp") << R"(select * from log where (TX_PWR like "_") and (COMMENT like "%qrp%" or call like "%/qrp%"))" << 1;
        QTest::newRow("DateValue range") << "select * from log where QSO_Date between DateValue('01.01.2005') and DateValue('31.12.2005')" << 3;
        QTest::newRow("DateValue one day") << "select * from log where QSO_Date between DateValue('27.01.2010') and DateValue('27.01.2010')" << 1;
        QTest::newRow("like latin any case") << "select * from log where NAME like 'IVAN'" << 2;
        QTest::newRow("like cyrillic any case") << "select * from log where NAME like 'пЕТ%'" << 1;
        QTest::newRow("equals latin any case") << "select * from log where NAME = 'VANYA'" << 1;
        QTest::newRow("distinct") << "select distinct call from log" << 3;
        QTest::newRow("count group by") << "select dxcc, Count(dxcc) from log group by dxcc" << 1;
        QTest::newRow("two lines") << "select * from log\nwhere call like 'UA%'" << 3;
    }
    void dialectAgainstEngine()
    {
        QFETCH(QString, sql);
        QFETCH(int, rows);
        QCOMPARE(count(sql), rows);
    }

    void updateWithDoubleQuotes()
    {
        dm->ADOQueryLog->last();
        dm->ADOQueryLog->edit();
        dm->ADOQueryLog->fieldByName(QStringLiteral("QSL_SENT")).setString(QStringLiteral("P"));
        dm->ADOQueryLog->post();
        dm->ADOQueryCom->close();
        dm->ADOQueryCom->setSql({QStringLiteral(R"(update log set QSL_SENT = "Y" where QSL_SENT = "P")")});
        dm->ADOQueryCom->execSql();
        QCOMPARE(dm->ADOConnection1->changes(), 1);
        QCOMPARE(count(QStringLiteral("select * from log where QSL_SENT = 'Y'")), 1);
        QCOMPARE(count(QStringLiteral("select * from log where QSL_SENT = 'N'")), 3);
    }

    void openRefusesWhatIsNotALog_data()
    {
        QTest::addColumn<QByteArray>("content");   // empty: no file at all
        QTest::addColumn<QString>("needle");
        QTest::newRow("missing") << QByteArray() << QStringLiteral("Could not find file");
        QTest::newRow("text file") << QByteArray("this is not a database, just some text that is long enough to be a header....") << QStringLiteral("is not a log file");
        QTest::newRow("sqlite without tables") << QByteArray("sqlite") << QStringLiteral("table log, modes, opc missing");
    }
    void openRefusesWhatIsNotALog()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, needle);
        const QString p = tmp.filePath(QStringLiteral("bad-%1.mdb").arg(QTest::currentDataTag()));
        QFile::remove(p);
        if (content == "sqlite") {
            sqlite3 *db = nullptr;
            sqlite3_open(p.toUtf8().constData(), &db);
            sqlite3_exec(db, "create table other(x)", nullptr, nullptr, nullptr);
            sqlite3_close(db);
        } else if (!content.isEmpty()) {
            QFile f(p);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(content);
        }
        Connection c;
        const QString msg = expectError([&] { c.open(p); });
        QVERIFY2(msg.contains(needle), qPrintable(msg));
        QVERIFY2(msg.contains(p), qPrintable(msg));
        QVERIFY(!c.isOpen());
        if (content.isEmpty())
            QVERIFY(!QFile::exists(p));   // open never creates a file
    }

    void widthsAndEmptyTexts()
    {
        Dataset *q = dm->ADOQueryLog;
        q->append();
        q->fieldByName(QStringLiteral("QSO_DATE")).setString(QStringLiteral("02.02.2011"));
        q->fieldByName(QStringLiteral("CALL")).setString(QStringLiteral("r3abc/ut3abc/ua3abc"));
        q->fieldByName(QStringLiteral("NAME")).setString(QString(30, QLatin1Char('n')));
        q->fieldByName(QStringLiteral("COMMENT")).setString(QString());
        q->post();
        QCOMPARE(q->fieldByName(QStringLiteral("NAME")).asString(), QString(25, QLatin1Char('n')));
        QCOMPARE(q->fieldByName(QStringLiteral("CALL")).asString().size(), 15);
        const QString id = QString::number(q->fieldByName(QStringLiteral("id")).asInteger());
        QCOMPARE(sqlite3Cli(path, "select length(NAME), typeof(COMMENT), length(COMMENT), typeof(dxcc), QSO_DATE from log where id=" + id),
                 QStringLiteral("25|text|0|null|2011-02-02"));
        // A NULL and a zero-length text read back alike.
        QCOMPARE(q->fieldByName(QStringLiteral("dxcc")).asString(), QString());
        QCOMPARE(q->fieldByName(QStringLiteral("COMMENT")).asString(), QString());
        QVERIFY(q->fieldByName(QStringLiteral("dxcc")).isNull());
        QVERIFY(!q->fieldByName(QStringLiteral("COMMENT")).isNull());
    }

    void appendedRowStaysAtEndUntilReopen()
    {
        Dataset *q = dm->ADOQueryLog;
        addQso(QStringLiteral("01.01.2000"), QStringLiteral("00:01"), QStringLiteral("OLD1"), QStringLiteral("A"));
        q->last();
        QCOMPARE(q->fieldByName(QStringLiteral("CALL")).asString(), QStringLiteral("OLD1"));
        QVERIFY(q->fieldByName(QStringLiteral("id")).asInteger() > 0);
        q->close();
        q->open();
        q->first();
        QCOMPARE(q->fieldByName(QStringLiteral("CALL")).asString(), QStringLiteral("OLD1"));
    }

    void editCancelDeleteLocate()
    {
        Dataset *q = dm->ADOQueryLog;
        q->first();
        const qint64 firstId = q->fieldByName(QStringLiteral("id")).asInteger();
        q->last();
        QVERIFY(q->locate(firstId));
        QCOMPARE(q->recNo(), 0);
        QVERIFY(!q->locate(99999));
        QCOMPARE(q->recNo(), 0);

        q->edit();
        q->fieldByName(QStringLiteral("NAME")).setString(QStringLiteral("Changed"));
        q->cancel();
        QCOMPARE(q->fieldByName(QStringLiteral("NAME")).asString(), QStringLiteral("Петр"));

        q->edit();
        q->fieldByName(QStringLiteral("NAME")).setString(QStringLiteral("Changed"));
        q->post();
        QCOMPARE(sqlite3Cli(path, QStringLiteral("select NAME from log where id=%1").arg(firstId)), QStringLiteral("Changed"));

        q->remove();
        QCOMPARE(q->recordCount(), 3);
        QCOMPARE(sqlite3Cli(path, QStringLiteral("select count(*) from log")), QStringLiteral("3"));
        QVERIFY(!q->locate(firstId));
    }

    void refusesWorkWhenClosedOrEmpty()
    {
        dm->ADOConnection1->close();
        QVERIFY(!dm->ADOQueryLog->isActive());
        QCOMPARE(expectError([&] { dm->ADOQueryLog->last(); }),
                 QStringLiteral("ADOQueryLog: Cannot perform this operation on a closed dataset"));
        QCOMPARE(expectError([&] { dm->ADOQueryLog->recordCount(); }),
                 QStringLiteral("ADOQueryLog: Cannot perform this operation on a closed dataset"));

        dm->ADOConnection1->open(path);
        dm->ADOQueryLog->setSql({QStringLiteral("select * from log where CALL = 'NOBODY'")});
        dm->ADOQueryLog->open();
        QCOMPARE(dm->ADOQueryLog->recordCount(), 0);
        QVERIFY(dm->ADOQueryLog->eof());
        QCOMPARE(dm->ADOQueryLog->fieldByName(QStringLiteral("CALL")).asString(), QString());
        QCOMPARE(expectError([&] { dm->ADOQueryLog->remove(); }),
                 QStringLiteral("ADOQueryLog: Cannot perform this operation on an empty dataset"));
        QCOMPARE(expectError([&] { dm->ADOQueryLog->edit(); }),
                 QStringLiteral("ADOQueryLog: Cannot perform this operation on an empty dataset"));
    }

    void statementsWithoutRowsAndMissingFields()
    {
        dm->ADOQueryCom->setSql({QStringLiteral("update log set dxcc = 'UA'")});
        QVERIFY(expectError([&] { dm->ADOQueryCom->open(); }).contains(QStringLiteral("CommandText does not return a result set")));
        QCOMPARE(sqlite3Cli(path, QStringLiteral("select count(*) from log where dxcc is not null")), QStringLiteral("0"));
        dm->ADOQueryLog->close();
        dm->ADOQueryLog->setSql({QStringLiteral("select CALL from log")});
        QCOMPARE(expectError([&] { dm->ADOQueryLog->open(); }), QStringLiteral("ADOQueryLog: Field 'id' not found"));
        QVERIFY(!dm->ADOQueryLog->isActive());
        dm->ADOQueryLog->setSql({QStringLiteral("selec * from log")});
        QVERIFY(expectError([&] { dm->ADOQueryLog->open(); }).contains(QStringLiteral("syntax error")));
    }

    void workedBeforeParameter_data()
    {
        QTest::addColumn<QVariant>("vcall");
        QTest::addColumn<int>("rows");
        QTest::newRow("whole call") << QVariant(QStringLiteral("UA3ABC")) << 2;
        QTest::newRow("whole call lower case") << QVariant(QStringLiteral("ua3abc")) << 2;
        QTest::newRow("fragment") << QVariant(QStringLiteral("%3AB%")) << 2;
        QTest::newRow("prefix") << QVariant(QStringLiteral("UA%")) << 3;
        QTest::newRow("prefix lower case") << QVariant(QStringLiteral("ua9qrp%")) << 1;
        QTest::newRow("prefix then one character") << QVariant(QStringLiteral("UA3AB_")) << 2;
        QTest::newRow("prefix ending in z") << QVariant(QStringLiteral("UZ%")) << 0;
        QTest::newRow("empty fragment") << QVariant(QStringLiteral("%%")) << 4;
        QTest::newRow("never worked") << QVariant(QStringLiteral("K1ABC")) << 0;
        QTest::newRow("null") << QVariant() << 0;
    }
    void workedBeforeParameter()
    {
        QFETCH(QVariant, vcall);
        QFETCH(int, rows);
        dm->ADOQueryB4->close();
        dm->ADOQueryB4->setParam(QStringLiteral("vcall"), vcall);
        dm->ADOQueryB4->open();
        QCOMPARE(dm->ADOQueryB4->recordCount(), rows);
    }

    void lookupByCallTakesEarliestInViewOrder()
    {
        Dataset *q = dm->ADOQueryLog;
        CallIndex index(q);
        q->last();
        auto r = index.lookup(QStringLiteral("ua3abc"));
        QVERIFY(r.found);
        QCOMPARE(r.name.toString(), QStringLiteral("Vanya"));   // 2005 before 2010
        QCOMPARE(r.grid.toString(), QStringLiteral("KO91"));
        QCOMPARE(q->recNo(), 3);                                  // current row untouched
        r = index.lookup(QStringLiteral("DL1XYZ"));
        QVERIFY(r.found);
        QVERIFY(r.grid.isNull());
        QVERIFY(!index.lookup(QStringLiteral("UA3%")).found);
        // A QSO saved meanwhile is found without reopening.
        addQso(QStringLiteral("01.02.2010"), QStringLiteral("10:00"), QStringLiteral("K1NEW"), QStringLiteral("Joe"));
        QCOMPARE(index.lookup(QStringLiteral("K1NEW")).name.toString(), QStringLiteral("Joe"));
    }

    void lookupWhileBuiltInSteps()
    {
        // A log of a few idle steps: the index is built while the program
        // waits for input. Lookups, QSOs appended before it is done and a
        // lookup that comes first all give what a scan of the view gives.
        const int rows = CallIndex::kStepRows * 5 / 2;
        dm->ADOConnection1->execute(
            QStringLiteral("with recursive n(i) as (select 0 union all select i + 1 from n where i < %1) "
                           "insert into log (QSO_DATE, TIME_ON, CALL, NAME) "
                           "select date('2001-01-01', '+' || (i % 3000) || ' days'), '12:00', 'C' || (i % 700), "
                           "'n' || i from n")
                .arg(rows - 1));
        Dataset *q = dm->ADOQueryLog;
        const auto scan = [q](const QString &call) {
            const int callF = q->fieldIndex(QStringLiteral("CALL"));
            for (int r = 0; r < q->recordCount(); ++r) {
                if (q->displayAt(r, callF).compare(call, Qt::CaseInsensitive) == 0)
                    return q->displayAt(r, q->fieldIndex(QStringLiteral("NAME")));
            }
            return QStringLiteral("<none>");
        };
        const auto found = [](const CallIndex::Found &f) {
            return f.found ? f.name.toString() : QStringLiteral("<none>");
        };
        const QStringList calls{"C0", "c5", "C699", "ua3abc", "NEWCALL", "QQ1ABC"};

        CallIndex index(q);
        q->close();
        q->open();
        QVERIFY(!index.isComplete());
        QCoreApplication::processEvents();   // a step or so
        addQso(QStringLiteral("01.01.1999"), QStringLiteral("10:00"), QStringLiteral("NEWCALL"), QStringLiteral("New"));
        addQso(QStringLiteral("01.01.1999"), QStringLiteral("10:00"), QStringLiteral("c5"), QStringLiteral("Late"));
        QTRY_VERIFY(index.isComplete());
        for (const QString &call : calls)
            QCOMPARE(found(index.lookup(call)), scan(call));

        // Looked up before any step: the lookup finishes the building.
        q->close();
        q->open();
        QVERIFY(!index.isComplete());
        for (const QString &call : calls)
            QCOMPARE(found(index.lookup(call)), scan(call));
        QVERIFY(index.isComplete());
    }

    void modesWithoutIdEditedByOldValues()
    {
        Dataset *m = dm->ADOQueryModes;
        m->open();
        const int n = m->recordCount();
        QCOMPARE(m->fieldByName(QStringLiteral("mode")).asString(), QStringLiteral("SSB"));
        m->edit();
        m->fieldByName(QStringLiteral("mode")).setString(QStringLiteral("USB"));
        m->post();
        m->append();
        m->fieldByName(QStringLiteral("mode")).setString(QStringLiteral("JT65"));
        m->post();
        m->first();
        m->next();
        m->remove();   // CW
        QCOMPARE(sqlite3Cli(path, QStringLiteral("select group_concat(mode) from modes")),
                 QStringLiteral("USB,FM,AM,RTTY,PSK31,FT8,FT4,SSTV,DIG,JT65"));
        QCOMPARE(m->recordCount(), n);
    }

    // A row changed or deleted elsewhere since it was read: writing it back
    // touches nothing, and that is an error, never a silent success.
    void writesThatFindNoRowFail_data()
    {
        QTest::addColumn<QString>("query");   // log: by id; modes: by old values
        QTest::addColumn<QString>("elsewhere");
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("message");
        const QString upd = QStringLiteral("Row cannot be located for updating");
        const QString del = QStringLiteral("Row cannot be located for deleting");
        QTest::newRow("update a deleted QSO") << "log" << "delete from log" << "update" << upd;
        QTest::newRow("delete a deleted QSO") << "log" << "delete from log" << "delete" << del;
        QTest::newRow("update a changed mode") << "modes" << "update modes set mode = mode || 'x'" << "update" << upd;
        QTest::newRow("delete a deleted mode") << "modes" << "delete from modes" << "delete" << del;
    }

    void writesThatFindNoRowFail()
    {
        QFETCH(QString, query);
        QFETCH(QString, elsewhere);
        QFETCH(QString, action);
        QFETCH(QString, message);
        Dataset *q = query == QLatin1String("log") ? dm->ADOQueryLog : dm->ADOQueryModes;
        q->close();
        q->open();
        q->first();
        const int rows = q->recordCount();
        sqlite3Cli(path, elsewhere);
        const QString msg = expectError([&] {
            if (action == QLatin1String("update")) {
                q->edit();
                q->field(q->fieldCount() - 1).setString(QStringLiteral("N"));
                q->post();
            } else {
                q->remove();
            }
        });
        QVERIFY2(msg.startsWith(q->name() + QStringLiteral(": ") + message), qPrintable(msg));
        QCOMPARE(q->recordCount(), rows);   // the view still shows what it read
    }

    void sqliteProgramReadsAndChangesTheLog()
    {
        QCOMPARE(sqlite3Cli(path, QStringLiteral("select CALL, NAME, QSO_DATE, TIME_ON from log where CALL = 'dl1xyz'")),
                 QStringLiteral("DL1XYZ|Петр|2005-01-01|08:30"));
        sqlite3Cli(path, QStringLiteral("insert into log (QSO_DATE, TIME_ON, CALL) values ('2011-05-05', '07:07', 'R1ABC')"));
        dm->ADOQueryLog->close();
        dm->ADOQueryLog->open();
        dm->ADOQueryLog->last();
        QCOMPARE(dm->ADOQueryLog->fieldByName(QStringLiteral("CALL")).asString(), QStringLiteral("R1ABC"));
        QCOMPARE(dm->ADOQueryLog->fieldByName(QStringLiteral("TIME_ON")).asString(), QStringLiteral("07:07"));
        QVERIFY(sqlite3Cli(path, QStringLiteral("pragma integrity_check")) == QStringLiteral("ok"));
    }

    void conversionErrorsOnAssignment()
    {
        Dataset *q = dm->ADOQueryOpc;
        q->open();
        q->edit();
        QCOMPARE(expectError([&] { q->fieldByName(QStringLiteral("timeshift")).setString(QStringLiteral("3-")); }),
                 QStringLiteral("'3-' is not a valid integer value"));
        q->fieldByName(QStringLiteral("timeshift")).setString(QStringLiteral("-3"));
        q->fieldByName(QStringLiteral("myloc")).setString(QStringLiteral("KO85XXYY"));
        q->post();
        QCOMPARE(sqlite3Cli(path, QStringLiteral("select timeshift, myloc from opc")), QStringLiteral("-3|KO85XX"));
        QCOMPARE(expectError([&] { q->fieldByName(QStringLiteral("id")).setString(QStringLiteral("1")); }),
                 QStringLiteral("ADOQueryOpc: Dataset not in edit or insert mode"));
    }

    void gridModel()
    {
        DatasetModel model(dm->DataSource1, {{QStringLiteral("QSO_DATE"), {}}, {QStringLiteral("CALL"), {}}});
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        QCOMPARE(model.rowCount(), 4);
        QCOMPARE(model.data(model.index(0, 0)).toString(), QStringLiteral("01.01.2005"));
        addQso(QStringLiteral("02.02.2012"), QStringLiteral("10:00"), QStringLiteral("K2X"), QStringLiteral("Al"));
        QCOMPARE(model.rowCount(), 5);
        QCOMPARE(model.data(model.index(4, 1)).toString(), QStringLiteral("K2X"));
        dm->DataSource1->setEnabled(false);   // detached grid shows nothing
        QCOMPARE(model.rowCount(), 0);
        dm->DataSource1->setEnabled(true);
        QCOMPARE(model.rowCount(), 5);
        dm->ADOQueryLog->last();
        dm->ADOQueryLog->remove();
        QCOMPARE(model.rowCount(), 4);
        dm->ADOConnection1->close();
        QCOMPARE(model.rowCount(), 0);
    }
};

QTEST_GUILESS_MAIN(TestLogDb)
#include "test_logdb.moc"
