// The log clock's hour offset as read from the log.
#include "logdb/dberror.h"
#include "logdb/logclock.h"

#include <QtTest>
#include <cmath>

namespace {
// A PC clock in UTC, so that no daylight-saving change moves the boundaries.
const QDateTime Clock(QDate(2010, 3, 2), QTime(1, 30), Qt::UTC);

qint64 hoursTo(const QDateTime &t)
{
    return Clock.secsTo(t) / 3600;
}
}   // namespace

class TestLogClock : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        LogClock::setPcClockForTesting([] { return Clock; });
    }
    void cleanup() { LogClock::setPcClockForTesting({}); }

    void timeShift_data()
    {
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<int>("hours");
        QTest::addColumn<QString>("error");   // empty: taken

        const QString notWhole = QStringLiteral("The time shift '%1' is not a whole number of hours");
        const QString outOfRange = QStringLiteral("The time shift '%1' hours is out of range: the shifted "
                                                  "clock must stay within the years 1 to 9999");

        QTest::newRow("NULL") << QVariant() << 0 << "";
        QTest::newRow("empty text") << QVariant(QString()) << 0 << "";
        QTest::newRow("blanks") << QVariant(QStringLiteral("  ")) << 0 << "";
        QTest::newRow("integer") << QVariant(qlonglong(3)) << 3 << "";
        QTest::newRow("negative") << QVariant(qlonglong(-3)) << -3 << "";
        QTest::newRow("zero") << QVariant(qlonglong(0)) << 0 << "";
        QTest::newRow("text") << QVariant(QStringLiteral("5")) << 5 << "";
        QTest::newRow("signed text with blanks") << QVariant(QStringLiteral(" +5 ")) << 5 << "";
        QTest::newRow("negative text") << QVariant(QStringLiteral("-12")) << -12 << "";
        QTest::newRow("more than a day") << QVariant(qlonglong(26)) << 26 << "";
        QTest::newRow("whole real") << QVariant(2.0) << 2 << "";

        QTest::newRow("fraction") << QVariant(1.5) << 0 << notWhole.arg("1.5");
        QTest::newRow("fraction text") << QVariant(QStringLiteral("1.5")) << 0 << notWhole.arg("1.5");
        QTest::newRow("letters") << QVariant(QStringLiteral("abc")) << 0 << notWhole.arg("abc");
        QTest::newRow("number and unit") << QVariant(QStringLiteral("3h")) << 0 << notWhole.arg("3h");
        QTest::newRow("not a number") << QVariant(std::nan("")) << 0 << notWhole.arg("nan");
        QTest::newRow("infinite") << QVariant(HUGE_VAL) << 0 << notWhole.arg("inf");

        // What a cut to int would have turned into 3.
        QTest::newRow("beyond int") << QVariant(qlonglong(4294967299LL)) << 0 << outOfRange.arg("4294967299");
        QTest::newRow("beyond 64 bits") << QVariant(QStringLiteral("99999999999999999999")) << 0
                                        << outOfRange.arg("99999999999999999999");
        QTest::newRow("beyond 64 bits, negative") << QVariant(QStringLiteral("-99999999999999999999")) << 0
                                                  << outOfRange.arg("-99999999999999999999");
        QTest::newRow("huge real") << QVariant(1e300) << 0 << outOfRange.arg("1e+300");
        QTest::newRow("unsigned") << QVariant(qulonglong(18446744073709551615ULL)) << 0
                                  << outOfRange.arg("18446744073709551615");

        const qint64 lastOk = hoursTo(QDateTime(QDate(9999, 12, 31), QTime(23, 30), Qt::UTC));
        const qint64 firstOk = hoursTo(QDateTime(QDate(1, 1, 1), QTime(0, 30), Qt::UTC));
        QTest::newRow("last hour of year 9999") << QVariant(lastOk) << int(lastOk) << "";
        QTest::newRow("year 10000") << QVariant(lastOk + 1) << 0 << outOfRange.arg(lastOk + 1);
        QTest::newRow("first hour of year 1") << QVariant(firstOk) << int(firstOk) << "";
        QTest::newRow("before year 1") << QVariant(firstOk - 1) << 0 << outOfRange.arg(firstOk - 1);
    }

    void timeShift()
    {
        QFETCH(QVariant, stored);
        QFETCH(int, hours);
        QFETCH(QString, error);
        if (error.isEmpty()) {
            QCOMPARE(LogClock::timeShiftHours(stored), hours);
            QVERIFY(LogClock::now(hours).isValid());
            return;
        }
        try {
            LogClock::timeShiftHours(stored);
            QFAIL("taken");
        } catch (const DbError &e) {
            QCOMPARE(e.message(), error);
        }
    }

    void shiftedClockRollsTheDate()
    {
        QCOMPARE(LogClock::now(LogClock::timeShiftHours(QStringLiteral("-3"))),
                 QDateTime(QDate(2010, 3, 1), QTime(22, 30), Qt::UTC));
    }
};

QTEST_GUILESS_MAIN(TestLogClock)
#include "test_logclock.moc"
