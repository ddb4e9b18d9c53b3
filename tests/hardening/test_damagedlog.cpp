// A damaged log file is refused on open with a message naming it, and the
// attempt leaves the file exactly as it was.
#include "logdb/connection.h"
#include "logdb/dberror.h"
#include "hardeningkit.h"

#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

using namespace HardeningKit;

class TestDamagedLog : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void refusedAndUntouched_data();
    void refusedAndUntouched();

private:
    QTemporaryDir m_dir;
    QByteArray m_sound;   // the bytes of a sound log of a few thousand QSOs
};

void TestDamagedLog::initTestCase()
{
    QVERIFY(m_dir.isValid());
    const QString path = m_dir.filePath(QStringLiteral("sound.mdb"));
    createLog(path);
    QString sql = QStringLiteral("begin;");
    for (int i = 0; i < 4000; ++i)
        sql += QStringLiteral("insert into log (QSO_DATE, TIME_ON, TIME_OFF, CALL, NAME, QTH, COMMENT) values "
                              "(date('2005-01-01', '+%1 days'), '10:00', '10:05', 'UA%1AA', 'Name %1', "
                              "'Some town', 'a comment long enough to fill pages');")
                   .arg(i);
    exec(path, sql + QStringLiteral("commit;"));
    QCOMPARE(integrity(path), QStringLiteral("ok"));
    QCOMPARE(openLikeProgram(path), 4000);
    m_sound = fileBytes(path);
    QVERIFY(m_sound.size() > 64 * 1024);
}

void TestDamagedLog::refusedAndUntouched_data()
{
    QTest::addColumn<QByteArray>("bytes");
    const QByteArray s = m_sound;
    auto noise = [](QByteArray b, qsizetype at, qsizetype n) {
        QRandomGenerator gen(quint32(at + n));   // fixed seed: the same damage every run
        for (qsizetype i = at; i < at + n && i < b.size(); ++i)
            b[i] = char(gen.bounded(256));
        return b;
    };
    QTest::newRow("truncated to half") << s.left(s.size() / 2);
    QTest::newRow("truncated to one page and a bit") << s.left(4096 + 700);
    QTest::newRow("truncated inside the header") << s.left(60);
    QTest::newRow("empty file") << QByteArray();
    QTest::newRow("random bytes in the middle") << noise(s, s.size() / 2 - 8192, 16384);
    QTest::newRow("random bytes at a quarter") << noise(s, s.size() / 4, 3000);
    QTest::newRow("random bytes over the schema page") << noise(s, 100, 3000);
    QTest::newRow("random bytes over the file header") << noise(s, 0, 100);
    QTest::newRow("random bytes near the end") << noise(s, s.size() - 6000, 5000);
}

void TestDamagedLog::refusedAndUntouched()
{
    QFETCH(QByteArray, bytes);
    const QString path = m_dir.filePath(QStringLiteral("damaged.mdb"));
    {
        QFile::remove(path);
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    QString message;
    try {
        openLikeProgram(path);
    } catch (const DbError &e) {
        message = e.message();
    }
    QVERIFY2(!message.isEmpty(), "a damaged log was opened without complaint");
    QVERIFY2(message.contains(path), qPrintable(message));
    // Refused by the connection itself, so nothing can be saved into it.
    Connection c;
    QVERIFY_THROWS_EXCEPTION(DbError, c.open(path));
    QVERIFY(!c.isOpen());
    QCOMPARE(fileBytes(path), bytes);
    QVERIFY(!QFile::exists(path + QStringLiteral("-journal")));
}

QTEST_GUILESS_MAIN(TestDamagedLog)
#include "test_damagedlog.moc"
