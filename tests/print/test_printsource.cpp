#include "logdb/dberror.h"
#include "print/reportsource.h"
#include "logdb/schema.h"
#include "logdb/tdm.h"

#include <QTemporaryDir>
#include <QtTest>

// The reports read from a real log file through the data module.
class TestPrintSource : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void stationLogFollowsLogView();
    void stationLogUnderFilter();
    void labelsReopenQslQuery();
    void emptyStationData();
    void closedQueryIsAnError();

private:
    void exec(const QString &sql) { m_dm->ADOConnection1->execute(sql); }
    QStringList callsOf(const PrintDocument &doc, qreal x) const;

    QTemporaryDir m_dir;
    std::unique_ptr<TDM> m_dm;
};

void TestPrintSource::init()
{
    QVERIFY(m_dir.isValid());
    const QString path = m_dir.filePath(QStringLiteral("test.mdb"));
    QFile::remove(path);
    Schema::createTemplate(path);
    m_dm = std::make_unique<TDM>();
    m_dm->ADOConnection1->open(path);
    exec(QStringLiteral("update opc set mycall = 'UA3XYZ', myname = 'Pavel', myloc = 'KO85TS', "
                        "myadr = 'Box 12, Moscow', myrig = 'IC-7300'"));
    const char *rows[] = {
        "('2026-03-02', '10:15', '10:20', '7.050', 'CW', 'DL1ABC', 'Hans', 'P', 'tnx')",
        "('2026-01-05', '08:00', '08:03', '14.195', 'SSB', 'RA3AAA', 'Ivan', 'N', NULL)",
        "('2026-01-05', '07:30', '07:31', '3.650', 'SSB', 'RZ1BBB', 'Oleg', 'P', 'first')",
    };
    for (const char *r : rows)
        exec(QStringLiteral("insert into log (QSO_DATE, TIME_ON, TIME_OFF, FREQ, MODE, CALL, NAME, "
                            "QSL_SENT, COMMENT) values %1").arg(QLatin1String(r)));
    m_dm->ADOQueryLog->open();
    m_dm->ADOQueryOpc->open();
}

void TestPrintSource::cleanup()
{
    m_dm.reset();
}

// Calls in a report's pages at the call field's (or label's) left edge.
QStringList TestPrintSource::callsOf(const PrintDocument &doc, qreal x) const
{
    QStringList out;
    for (const PrintPage &p : doc.pages) {
        QVector<const PrintItem *> texts;
        for (const PrintItem *t : p.texts())
            if (qAbs(t->rect.left() - x) < 0.005)
                texts.append(t);
        std::stable_sort(texts.begin(), texts.end(), [](const PrintItem *a, const PrintItem *b) {
            return a->rect.top() < b->rect.top();
        });
        for (const PrintItem *t : texts)
            out.append(t->text);
    }
    return out;
}

void TestPrintSource::stationLogFollowsLogView()
{
    m_dm->ADOQueryLog->moveTo(1);
    const PrintDocument doc = buildStationLogReport(*m_dm, QDate(2026, 12, 10));
    QCOMPARE(callsOf(doc, 10 + 95.2), QStringList({"RZ1BBB", "RA3AAA", "DL1ABC"}));
    QCOMPARE(callsOf(doc, 10 + 4.2), QStringList({"10.12.2026", "1", "2", "3"}));
    QCOMPARE(doc.pages[0].findText(QStringLiteral("UA3XYZ")).size(), 1);
    QCOMPARE(doc.pages[0].findText(QStringLiteral("05.01.2026")).size(), 2);
    QCOMPARE(doc.pages[0].findText(QStringLiteral("07:30")).size(), 1);
    QCOMPARE(m_dm->ADOQueryLog->recNo(), 1);
}

void TestPrintSource::stationLogUnderFilter()
{
    m_dm->ADOQueryLog->close();
    m_dm->ADOQueryLog->setSql({QStringLiteral("select * from log where mode = 'SSB'"),
                               QStringLiteral("order by freq")});
    m_dm->ADOQueryLog->open();
    const PrintDocument doc = buildStationLogReport(*m_dm, QDate(2026, 12, 10));
    QCOMPARE(callsOf(doc, 10 + 95.2), QStringList({"RA3AAA", "RZ1BBB"}));
    QCOMPARE(callsOf(doc, 10 + 4.2), QStringList({"10.12.2026", "1", "2"}));
}

void TestPrintSource::labelsReopenQslQuery()
{
    PrintDocument doc = buildQslLabelReport(*m_dm);
    QCOMPARE(doc.pageCount(), 1);
    QStringList calls = callsOf(doc, 10 + 42.3);
    calls.sort();
    QCOMPARE(calls, QStringList({"DL1ABC", "RZ1BBB"}));
    QCOMPARE(doc.pages[0].findText(QStringLiteral("Box 12, Moscow")).size(), 2);

    // Marked after the previous printout: on the next one without reopening the log.
    exec(QStringLiteral("update log set QSL_SENT = 'P' where CALL = 'RA3AAA'"));
    doc = buildQslLabelReport(*m_dm);
    int labels = 0;
    for (const PrintPage &p : doc.pages)
        labels += p.findText(QStringLiteral("Amateur Radio Station")).size();
    QCOMPARE(labels, 3);

    exec(QStringLiteral("update log set QSL_SENT = 'Y'"));
    doc = buildQslLabelReport(*m_dm);
    QCOMPARE(doc.pageCount(), 1);
    QVERIFY(doc.pages[0].items.isEmpty());
}

void TestPrintSource::emptyStationData()
{
    exec(QStringLiteral("delete from opc"));
    m_dm->ADOQueryOpc->close();
    m_dm->ADOQueryOpc->open();
    const StationData s = readStationData(*m_dm->ADOQueryOpc);
    QVERIFY(s.mycall.isEmpty() && s.myadr.isEmpty());
    const PrintDocument doc = buildStationLogReport(*m_dm, QDate(2026, 12, 10));
    QCOMPARE(doc.pageCount(), 1);
}

void TestPrintSource::closedQueryIsAnError()
{
    m_dm->ADOQueryLog->close();
    QVERIFY_THROWS_EXCEPTION(DbError, buildStationLogReport(*m_dm, QDate(2026, 12, 10)));
    m_dm->ADOQueryLog->open();
    m_dm->ADOQueryOpc->close();
    QVERIFY_THROWS_EXCEPTION(DbError, buildQslLabelReport(*m_dm));
}

QTEST_MAIN(TestPrintSource)
#include "test_printsource.moc"
