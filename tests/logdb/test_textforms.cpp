#include "logdb/dberror.h"
#include "logdb/sqldialect.h"
#include "logdb/textforms.h"

#include <QtTest>

class TestTextForms : public QObject {
    Q_OBJECT
private slots:
    void dates_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QDate>("expected");   // invalid: must be refused
        QTest::newRow("plain") << "27.01.2010" << QDate(2010, 1, 27);
        QTest::newRow("blanks before day and month") << " 7. 1.2010" << QDate(2010, 1, 7);
        QTest::newRow("one digit") << "7.1.2010" << QDate(2010, 1, 7);
        QTest::newRow("leap day") << "29.02.2008" << QDate(2008, 2, 29);
        QTest::newRow("no leap day") << "29.02.2010" << QDate();
        QTest::newRow("31 February") << "31.02.2010" << QDate();
        QTest::newRow("empty mask") << "  .  .    " << QDate();
        QTest::newRow("part blank") << "12.  .2010" << QDate();
        QTest::newRow("month 13") << "01.13.2010" << QDate();
        QTest::newRow("slashes") << "01/01/2010" << QDate();
        QTest::newRow("empty") << "" << QDate();
    }
    void dates()
    {
        QFETCH(QString, text);
        QFETCH(QDate, expected);
        if (expected.isValid()) {
            QCOMPARE(TextForms::parseDate(text), expected);
        } else {
            try {
                TextForms::parseDate(text);
                QFAIL("accepted");
            } catch (const DbError &e) {
                QCOMPARE(e.message(), QStringLiteral("'%1' is not a valid date").arg(text));
            }
        }
    }

    void times_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QTime>("expected");
        QTest::newRow("plain") << "12:34" << QTime(12, 34);
        QTest::newRow("blank hour digit") << " 9:05" << QTime(9, 5);
        QTest::newRow("midnight") << "00:00" << QTime(0, 0);
        QTest::newRow("23:59") << "23:59" << QTime(23, 59);
        QTest::newRow("hour 24") << "24:00" << QTime();
        QTest::newRow("minute 60") << "12:60" << QTime();
        QTest::newRow("empty mask") << "  :  " << QTime();
        QTest::newRow("minutes blank") << "12:  " << QTime();
        QTest::newRow("no colon") << "1234" << QTime();
    }
    void times()
    {
        QFETCH(QString, text);
        QFETCH(QTime, expected);
        if (expected.isValid()) {
            QCOMPARE(TextForms::parseTime(text), expected);
        } else {
            try {
                TextForms::parseTime(text);
                QFAIL("accepted");
            } catch (const DbError &e) {
                QCOMPARE(e.message(), QStringLiteral("'%1' is not a valid time").arg(text));
            }
        }
    }

    void integers()
    {
        QCOMPARE(TextForms::parseInteger(QStringLiteral("-3")), -3);
        QCOMPARE(TextForms::parseInteger(QStringLiteral("+4")), 4);
        for (const char *bad : {"-", "3-", "", "1.5"}) {
            try {
                TextForms::parseInteger(QString::fromLatin1(bad));
                QFAIL(bad);
            } catch (const DbError &e) {
                QCOMPARE(e.message(), QStringLiteral("'%1' is not a valid integer value").arg(QLatin1String(bad)));
            }
        }
    }

    void dialect_data()
    {
        QTest::addColumn<QString>("in");
        QTest::addColumn<QString>("out");
        QTest::newRow("update") << R"(update log set QSL_SENT = "Y" where QSL_SENT = "P")"
                                << R"(update log set QSL_SENT = 'Y' where QSL_SENT = 'P')";
        QTest::newRow("inner single quote") << R"(x = "O'B")" << R"(x = 'O''B')";
        QTest::newRow("doubled double quote") << R"(x = "a""b")" << R"(x = 'a"b')";
        QTest::newRow("single quoted kept") << R"(x = 'say "hi"')" << R"(x = 'say "hi"')";
        QTest::newRow("brackets kept") << R"([CALL] like "%/qrp%")" << R"([CALL] like '%/qrp%')";
        QTest::newRow("comment kept") << "select 1 -- \"x\"\n" << "select 1 -- \"x\"\n";
    }
    void dialect()
    {
        QFETCH(QString, in);
        QFETCH(QString, out);
        QCOMPARE(SqlDialect::adapt(in), out);
    }
};

QTEST_GUILESS_MAIN(TestTextForms)
#include "test_textforms.moc"
