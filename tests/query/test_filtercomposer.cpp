#include "query/filtercomposer.h"

#include <QtTest>

using FilterComposer::Inputs;
using FilterComposer::Power;

Q_DECLARE_METATYPE(FilterComposer::Power)
Q_DECLARE_METATYPE(FilterComposer::Inputs)

class TestFilterComposer : public QObject {
    Q_OBJECT
private slots:
    void compose_data();
    void compose();
    void quote_data();
    void quote();
    void toggleJoiner();
    void applyLines_data();
    void applyLines();
};

static Inputs inputs(const QString &c1, const QString &m1, const QString &joiner, const QString &c2,
                     const QString &m2, bool range, const QString &d1 = QStringLiteral("27.01.1970"),
                     const QString &d2 = QStringLiteral("27.01.2010"))
{
    Inputs in;
    in.column1 = c1;
    in.mask1 = m1;
    in.joiner = joiner;
    in.column2 = c2;
    in.mask2 = m2;
    in.dateRange = range;
    in.date1 = d1;
    in.date2 = d2;
    return in;
}

void TestFilterComposer::compose_data()
{
    QTest::addColumn<Inputs>("in");
    QTest::addColumn<QString>("previous");
    QTest::addColumn<QString>("expected");

    const QString prev = QStringLiteral("select * from log where MODE like 'SSB'");

    QTest::newRow("first mask only")
        << inputs("CALL", "UA3%", "and", "FREQ", "", false) << QString()
        << "select * from log where CALL like 'UA3%'";
    QTest::newRow("two masks joined by or")
        << inputs("CALL", "UA3%", "or", "MODE", "CW", false) << QString()
        << "select * from log where (CALL like 'UA3%') or (MODE like 'CW')";
    QTest::newRow("two masks joined by and")
        << inputs("CALL", "UA3%", "and", "MODE", "CW", false) << prev
        << "select * from log where (CALL like 'UA3%') and (MODE like 'CW')";
    QTest::newRow("date range")
        << inputs("CALL", "", "and", "FREQ", "", true, "01.01.2005", "31.12.2005") << QString()
        << "select * from log where QSO_Date between DateValue('01.01.2005') and DateValue('31.12.2005')";
    QTest::newRow("date range wins over both masks")
        << inputs("CALL", "UA3%", "or", "MODE", "CW", true, "01.01.2005", "31.12.2005") << prev
        << "select * from log where QSO_Date between DateValue('01.01.2005') and DateValue('31.12.2005')";
    QTest::newRow("date range with only the second mask")
        << inputs("CALL", "", "and", "MODE", "CW", true, "01.01.2005", "31.12.2005") << prev
        << "select * from log where QSO_Date between DateValue('01.01.2005') and DateValue('31.12.2005')";
    QTest::newRow("nothing to compose keeps the text")
        << inputs("CALL", "", "and", "FREQ", "", false) << prev << prev;
    QTest::newRow("nothing to compose keeps an empty text")
        << inputs("CALL", "", "and", "FREQ", "", false) << QString() << QString();
    QTest::newRow("second mask alone is ignored")
        << inputs("CALL", "", "or", "MODE", "CW", false) << prev << prev;
    QTest::newRow("mask with a single quote")
        << inputs("CALL", "O'B%", "and", "FREQ", "", false) << QString()
        << "select * from log where CALL like 'O''B%'";
    QTest::newRow("quotes in both masks")
        << inputs("QTH", "'x'", "and", "COMMENT", "it's", false) << QString()
        << "select * from log where (QTH like '''x''') and (COMMENT like 'it''s')";
    QTest::newRow("typed column name and Cyrillic mask, unchecked")
        << inputs("name", "Иван%", "and", "FREQ", "", false) << QString()
        << "select * from log where name like 'Иван%'";
    QTest::newRow("dates are passed as typed")
        << inputs("CALL", "", "and", "FREQ", "", true, "1.2.2005", "__.__.____") << QString()
        << "select * from log where QSO_Date between DateValue('1.2.2005') and DateValue('__.__.____')";
    QTest::newRow("quote in a date text is doubled")
        << inputs("CALL", "", "and", "FREQ", "", true, "01.01.2005') or ('1", "31.12.2005") << QString()
        << "select * from log where QSO_Date between DateValue('01.01.2005'') or (''1') and DateValue('31.12.2005')";
}

void TestFilterComposer::compose()
{
    QFETCH(Inputs, in);
    QFETCH(QString, previous);
    QFETCH(QString, expected);
    QCOMPARE(FilterComposer::compose(in, previous), expected);
}

void TestFilterComposer::quote_data()
{
    QTest::addColumn<QString>("x");
    QTest::addColumn<QString>("expected");
    QTest::newRow("plain") << "UA3%" << "'UA3%'";
    QTest::newRow("empty") << "" << "''";
    QTest::newRow("inner quote") << "O'B%" << "'O''B%'";
    QTest::newRow("only quotes") << "''" << "''''''";
    QTest::newRow("double quote untouched") << "a\"b" << "'a\"b'";
}

void TestFilterComposer::quote()
{
    QFETCH(QString, x);
    QFETCH(QString, expected);
    QCOMPARE(FilterComposer::quote(x), expected);
}

void TestFilterComposer::toggleJoiner()
{
    QCOMPARE(FilterComposer::toggleJoiner("and"), QString("or"));
    QCOMPARE(FilterComposer::toggleJoiner("or"), QString("and"));
    QCOMPARE(FilterComposer::toggleJoiner(FilterComposer::toggleJoiner("and")), QString("and"));
    QCOMPARE(FilterComposer::toggleJoiner("AND"), QString("and"));
    QCOMPARE(FilterComposer::toggleJoiner(""), QString("and"));
}

void TestFilterComposer::applyLines_data()
{
    QTest::addColumn<QString>("statement");
    QTest::addColumn<Power>("power");
    QTest::addColumn<QStringList>("expected");

    const QString s = QStringLiteral("select * from log where CALL like 'UA3%'");
    const QString qrp = QStringLiteral("(TX_PWR like \"_\")");
    const QString twoWay = QStringLiteral(
        "(TX_PWR like \"_\") and (COMMENT like \"%qrp%\" or call like \"%/qrp%\")");

    QTest::newRow("statement, QRO") << s << Power::QRO << QStringList{s};
    QTest::newRow("statement, QRP") << s << Power::QRP << QStringList{s, " and " + qrp};
    QTest::newRow("statement, 2xWay QRP") << s << Power::TwoWayQRP << QStringList{s, " and " + twoWay};
    QTest::newRow("empty, QRP") << QString() << Power::QRP
                                << QStringList{"select * from log where ", qrp};
    QTest::newRow("empty, 2xWay QRP") << QString() << Power::TwoWayQRP
                                      << QStringList{"select * from log where ", twoWay};
    QTest::newRow("empty, QRO leaves the query") << QString() << Power::QRO << QStringList{};
    QTest::newRow("typed text is taken as it is") << "garbage" << Power::QRP
                                                  << QStringList{"garbage", " and " + qrp};
}

void TestFilterComposer::applyLines()
{
    QFETCH(QString, statement);
    QFETCH(Power, power);
    QFETCH(QStringList, expected);
    QCOMPARE(FilterComposer::applyLines(statement, power), expected);
}

QTEST_APPLESS_MAIN(TestFilterComposer)
#include "test_filtercomposer.moc"
