#include "locator/locator.h"

#include <QtTest>

// Expected lines were worked out by hand from the distance formulas
// (degrees per radian 57.295697, Earth radius 6365.11 km).
class TestLocator : public QObject {
    Q_OBJECT
private slots:
    void distanceText_data();
    void distanceText();
    void invalidLocators_data();
    void invalidLocators();
    void positions_data();
    void positions();
    void equator();
    void rounding_data();
    void rounding();
};

void TestLocator::distanceText_data()
{
    QTest::addColumn<QString>("own");
    QTest::addColumn<QString>("other");
    QTest::addColumn<QString>("line");

    QTest::newRow("identical") << "KO85UR" << "KO85UR" << "0km/0";
    QTest::newRow("same meridian, north") << "KO85UR" << "KP85UR" << "1111km/0";
    QTest::newRow("same meridian, south") << "KO85UR" << "KN85UR" << "1111km/180";
    QTest::newRow("same latitude, east") << "KO85UR" << "LO85UR" << "1247km/81";
    QTest::newRow("same latitude, west") << "KO85UR" << "JO85UR" << "1247km/278";
    QTest::newRow("far side of the globe") << "KO85UR" << "QF56OD" << "14476km/93";
    QTest::newRow("antipode") << "EJ00MM" << "NI09ML" << "19997km/269";
    QTest::newRow("there") << "FN31PR" << "KO85UR" << "7355km/35";
    QTest::newRow("and back") << "KO85UR" << "FN31PR" << "7355km/310";
    QTest::newRow("lower case") << "ko85ur" << "fn31pr" << "7355km/310";
    QTest::newRow("mixed case") << "Ko85uR" << "fN31Pr" << "7355km/310";
    QTest::newRow("surrounding blanks") << " KO85UR " << "FN31PR  " << "7355km/310";
    // Four characters stand for the centre of the square.
    QTest::newRow("four characters, same square") << "KO85" << "KO85" << "0km/0";
    QTest::newRow("four characters") << "KO85" << "JO62" << "1594km/267";
    QTest::newRow("four characters, back") << "JO62" << "KO85" << "1594km/68";
    QTest::newRow("four and six") << "KO85UR" << "JO62QM" << "1615km/267";
    QTest::newRow("eight characters use the first six") << "KO85UR12" << "FN31PR45" << "7355km/310";
}

void TestLocator::distanceText()
{
    QFETCH(QString, own);
    QFETCH(QString, other);
    QFETCH(QString, line);
    QCOMPARE(DistanceText(own, other), line);
}

void TestLocator::invalidLocators_data()
{
    QTest::addColumn<QString>("own");
    QTest::addColumn<QString>("other");

    QTest::newRow("empty own locator") << "" << "KO85UR";
    QTest::newRow("empty other locator") << "KO85UR" << "";
    QTest::newRow("blanks only") << "      " << "KO85UR";
    QTest::newRow("one character") << "KO85UR" << "K";
    QTest::newRow("three characters") << "KO8" << "KO85UR";
    QTest::newRow("five characters") << "KO85UR" << "KO85U";
    QTest::newRow("seven characters") << "KO85UR1" << "KO85UR";
    QTest::newRow("field letter beyond R") << "KS85UR" << "KO85UR";
    QTest::newRow("subsquare letter beyond X") << "KO85UY" << "KO85UR";
    QTest::newRow("digit where a letter belongs") << "1O85UR" << "KO85UR";
    QTest::newRow("letter where a digit belongs") << "KOA5UR" << "KO85UR";
    QTest::newRow("punctuation") << "KO85U!" << "KO85UR";
    QTest::newRow("Cyrillic letters") << QString::fromUtf8("КО85UR") << "KO85UR";
    QTest::newRow("eight with letters at the end") << "KO85URAB" << "KO85UR";
    QTest::newRow("much too long") << QString(200, QLatin1Char('K')) << "KO85UR";
}

void TestLocator::invalidLocators()
{
    QFETCH(QString, own);
    QFETCH(QString, other);
    QCOMPARE(DistanceText(own, other), QString());
    QCOMPARE(DistanceText(other, own), QString());
}

void TestLocator::positions_data()
{
    QTest::addColumn<QString>("locator");
    QTest::addColumn<double>("latitude");
    QTest::addColumn<double>("halfLongitude");

    QTest::newRow("south-west corner subsquare") << "AA00AA" << -90 + 0.5 / 24 << -90 + 0.5 / 24;
    QTest::newRow("north-east corner subsquare") << "RR99XX" << 89 + 23.5 / 24 << 89 + 23.5 / 24;
    QTest::newRow("square centre") << "KO85" << 55.5 << 18.5;
    QTest::newRow("subsquare") << "KO85UR" << 55 + 17.5 / 24 << 18 + 20.5 / 24;
}

void TestLocator::positions()
{
    QFETCH(QString, locator);
    QFETCH(double, latitude);
    QFETCH(double, halfLongitude);
    const auto p = locatorPosition(locator);
    QVERIFY(p.has_value());
    QCOMPARE(p->latitude, latitude);
    QCOMPARE(p->halfLongitude, halfLongitude);
}

void TestLocator::equator()
{
    // No locator centre lies on the equator, so positions are given directly.
    const LocatorPosition origin{0, 0};
    QCOMPARE(formatDistance(distanceBearing(origin, {0, 10})), QStringLiteral("2222km/90"));
    QCOMPARE(formatDistance(distanceBearing(origin, {0, -10})), QStringLiteral("2222km/270"));
    QCOMPARE(distanceBearing(origin, {0, 10}).bearing, 90.0);
    QCOMPARE(distanceBearing(origin, {0, -10}).bearing, 270.0);
    // Half a turn along the equator: the far side, not zero.
    const DistanceBearing far = distanceBearing(origin, {0, 90});
    QVERIFY(far.distanceKm > 19990 && far.distanceKm < 20000);
}

void TestLocator::rounding_data()
{
    QTest::addColumn<double>("km");
    QTest::addColumn<double>("bearing");
    QTest::addColumn<QString>("line");

    QTest::newRow("1234.505 goes down to the even") << 1234.505 << 87.0 << "1234km/87";
    QTest::newRow("1235.5 goes up to the even") << 1235.5 << 87.0 << "1236km/87";
    QTest::newRow("1233.5 goes up to the even") << 1233.5 << 87.0 << "1234km/87";
    QTest::newRow("thousandths are cut first") << 1236.509 << 87.0 << "1236km/87";
    QTest::newRow("above the half") << 1234.52 << 87.0 << "1235km/87";
    QTest::newRow("below the half") << 1234.49 << 87.0 << "1234km/87";
    QTest::newRow("half a kilometre") << 0.5 << 0.0 << "0km/0";
    QTest::newRow("bearing fraction dropped") << 10.0 << 359.99 << "10km/359";
    QTest::newRow("bearing just under 90") << 10.0 << 89.9999 << "10km/89";
}

void TestLocator::rounding()
{
    QFETCH(double, km);
    QFETCH(double, bearing);
    QFETCH(QString, line);
    QCOMPARE(formatDistance({km, bearing}), line);
}

QTEST_APPLESS_MAIN(TestLocator)
#include "test_locator.moc"
