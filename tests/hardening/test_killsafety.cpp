// A log survives the program being killed in the middle of a bulk write:
// the file stays sound, holds only whole QSOs and opens as usual.
#include "exchange/adif.h"
#include "logdb/dberror.h"
#include "hardeningkit.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

using namespace HardeningKit;

namespace {

const int kImportQsos = 120000;
const int kRebuildQsos = 20000;

QString callOf(int i)
{
    return QStringLiteral("R%1K").arg(i, 6, 10, QLatin1Char('0'));
}

QByteArray bigAdi()
{
    QByteArray out = Adif::header();
    out.reserve(kImportQsos * 200);
    Adif::Record r;
    for (int i = 0; i < kImportQsos; ++i) {
        const QDate d = QDate(2001, 1, 1).addDays(i / 500);
        r[Adif::Call] = callOf(i);
        r[Adif::QsoDate] = Adif::dateValue(d);
        r[Adif::TimeOn] = Adif::timeValue(QTime(0, 0).addSecs((i % 500) * 120));
        r[Adif::Mode] = QStringLiteral("CW");
        r[Adif::Freq] = QStringLiteral("7.012");
        r[Adif::Name] = QStringLiteral("Operator %1").arg(i);
        r[Adif::RstSent] = QStringLiteral("599");
        r[Adif::RstRcvd] = QStringLiteral("579");
        r[Adif::GridSquare] = QStringLiteral("KO85");
        Adif::appendRecord(out, r);
    }
    return out;
}

// Runs the helper and kills it once it reports `killAt` percent done.
// Returns false (with the reason) when the helper ended by itself.
bool runAndKill(const QStringList &args, int killAt, QString *why)
{
    QProcess child;
    child.setProcessChannelMode(QProcess::SeparateChannels);
    child.start(QStringLiteral(TARNIX_KILLCHILD), args);
    if (!child.waitForStarted()) {
        *why = child.errorString();
        return false;
    }
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 300000) {
        if (!child.canReadLine() && !child.waitForReadyRead(30000))
            break;
        while (child.canReadLine()) {
            const QByteArray line = child.readLine().trimmed();
            bool ok = false;
            const int position = line.toInt(&ok);
            if (ok && position >= killAt) {
                child.kill();   // SIGKILL
                child.waitForFinished();
                return true;
            }
        }
    }
    child.waitForFinished();
    *why = QStringLiteral("helper ended before being killed: ") + QString::fromLocal8Bit(child.readAllStandardError());
    return false;
}

} // namespace

class TestKillSafety : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void importKilled_data();
    void importKilled();
    void rebuildKilled_data();
    void rebuildKilled();

private:
    QTemporaryDir m_dir;
    QString m_adi;
};

void TestKillSafety::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QVERIFY(QFile::exists(QStringLiteral(TARNIX_KILLCHILD)));
    m_adi = m_dir.filePath(QStringLiteral("big.adi"));
    QFile f(m_adi);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bigAdi());
}

void TestKillSafety::importKilled_data()
{
    QTest::addColumn<int>("killAt");
    // Early (inside the first batch), between batches, near the end.
    QTest::newRow("at 3%") << 3;
    QTest::newRow("at 37%") << 37;
    QTest::newRow("at 81%") << 81;
}

void TestKillSafety::importKilled()
{
    QFETCH(int, killAt);
    const QString log = m_dir.filePath(QStringLiteral("import%1.mdb").arg(killAt));
    createLog(log);
    // QSOs logged before the import must be untouched.
    exec(log, QStringLiteral("insert into log (QSO_DATE, TIME_ON, TIME_OFF, CALL, MODE) values "
                             "('2000-05-05', '10:00', '10:01', 'UA3AAA', 'SSB'), "
                             "('2000-05-06', '11:00', '11:02', 'DL1ABC', 'CW')"));

    QString why;
    QVERIFY2(runAndKill({QStringLiteral("import"), log, m_adi}, killAt, &why), qPrintable(why));

    QCOMPARE(integrity(log), QStringLiteral("ok"));
    const QStringList before = query(log, QStringLiteral("select CALL from log where id <= 2 order by id"));
    QCOMPARE(before, (QStringList{QStringLiteral("UA3AAA"), QStringLiteral("DL1ABC")}));
    // Whole QSOs only, and exactly the first ones of the file, in its order.
    const QStringList rows = query(log, QStringLiteral(
        "select CALL, QSO_DATE, TIME_ON, TIME_OFF, NAME, GRIDSQUARE from log where id > 2 order by id"));
    QVERIFY2(rows.size() < kImportQsos, "the import was not killed part-way");
    for (int i = 0; i < rows.size(); ++i) {
        const QStringList c = rows[i].split(QLatin1Char('|'));
        QCOMPARE(c.value(0), callOf(i));
        QVERIFY2(!c.value(1).isEmpty() && !c.value(2).isEmpty() && !c.value(3).isEmpty(), qPrintable(rows[i]));
        QCOMPARE(c.value(4), QStringLiteral("Operator %1").arg(i));
        QCOMPARE(c.value(5), QStringLiteral("KO85"));
    }
    QCOMPARE(query(log, QStringLiteral("select count(*) from log where CALL is null or CALL = '' "
                                       "or QSO_DATE is null or TIME_ON is null")),
             QStringList{QStringLiteral("0")});
    // And the program opens it as usual.
    int shown = -1;
    try {
        shown = openLikeProgram(log);
    } catch (const DbError &e) {
        QFAIL(qPrintable(e.message()));
    }
    QCOMPARE(shown, rows.size() + 2);
}

void TestKillSafety::rebuildKilled_data()
{
    QTest::addColumn<int>("killAt");
    QTest::newRow("at 10%") << 10;
    QTest::newRow("at 90%") << 90;
}

void TestKillSafety::rebuildKilled()
{
    QFETCH(int, killAt);
    const QString log = m_dir.filePath(QStringLiteral("rebuild%1.mdb").arg(killAt));
    createLog(log);
    QString insert = QStringLiteral("begin;");
    for (int i = 0; i < kRebuildQsos; ++i) {
        const char *calls[] = {"UA3AAA", "K1ABC", "DL1XYZ", "ZZ9ZZ"};
        insert += QStringLiteral("insert into log (QSO_DATE, TIME_ON, TIME_OFF, CALL, dxcc) values "
                                 "(date('2010-01-01', '+%1 days'), '12:00', '12:05', '%2', 'OLD');")
                      .arg(i / 50)
                      .arg(QLatin1String(calls[i % 4]));
    }
    exec(log, insert + QStringLiteral("commit;"));
    const QString cty = m_dir.filePath(QStringLiteral("cty.dat"));
    {
        QFile f(cty);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("European Russia:          16:  29:  EU:   53.65:   -41.37:    -4.0:  UA:\n"
                "    R,U;\n"
                "United States:            05:  08:  NA:   37.53:    91.67:     5.0:  K:\n"
                "    K,N,W;\n"
                "Fed. Rep. of Germany:     14:  28:  EU:   51.00:   -10.00:    -1.0:  DL:\n"
                "    DA,DB,DC,DD,DE,DF,DG,DH,DI,DJ,DK,DL,DM,DN,DO,DP,DQ,DR;\n");
    }

    QString why;
    QVERIFY2(runAndKill({QStringLiteral("rebuild"), log, cty}, killAt, &why), qPrintable(why));

    QCOMPARE(integrity(log), QStringLiteral("ok"));
    QCOMPARE(query(log, QStringLiteral("select count(*) from log")),
             QStringList{QString::number(kRebuildQsos)});
    // The rebuild is one transaction: a killed one leaves every row as it was.
    QCOMPARE(query(log, QStringLiteral("select distinct dxcc from log")), QStringList{QStringLiteral("OLD")});
    QCOMPARE(query(log, QStringLiteral("select count(*) from log where CALL is null or QSO_DATE is null "
                                       "or TIME_ON is null")),
             QStringList{QStringLiteral("0")});
    int shown = -1;
    try {
        shown = openLikeProgram(log);
    } catch (const DbError &e) {
        QFAIL(qPrintable(e.message()));
    }
    QCOMPARE(shown, kRebuildQsos);
}

QTEST_GUILESS_MAIN(TestKillSafety)
#include "test_killsafety.moc"
