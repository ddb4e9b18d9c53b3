#include "locator/locator.h"

#include <cmath>

using namespace LocatorGeometry;

namespace {

// Place of a letter within 'A'..'A'+count-1, either case; -1 otherwise.
int letterPlace(QChar c, int count)
{
    const char16_t u = c.toUpper().unicode();
    if (u < u'A' || u >= u'A' + count)
        return -1;
    return int(u - u'A');
}

int digitValue(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= u'0' && u <= u'9') ? int(u - u'0') : -1;
}

} // namespace

std::optional<LocatorPosition> locatorPosition(const QString &locator)
{
    const QString s = locator.trimmed();
    if (s.size() != 4 && s.size() != 6 && s.size() != 8)
        return std::nullopt;
    const int lonField = letterPlace(s[0], 18);   // A..R
    const int latField = letterPlace(s[1], 18);
    const int lonSquare = digitValue(s[2]);
    const int latSquare = digitValue(s[3]);
    if (lonField < 0 || latField < 0 || lonSquare < 0 || latSquare < 0)
        return std::nullopt;
    // Position within the square in 24ths; a square without subsquare
    // letters stands for its centre.
    double lonSub = 12.0;
    double latSub = 12.0;
    if (s.size() >= 6) {
        const int a = letterPlace(s[4], 24);       // A..X
        const int b = letterPlace(s[5], 24);
        if (a < 0 || b < 0)
            return std::nullopt;
        lonSub = a + 0.5;
        latSub = b + 0.5;
    }
    if (s.size() == 8 && (digitValue(s[6]) < 0 || digitValue(s[7]) < 0))
        return std::nullopt;
    LocatorPosition p;
    p.latitude = latField * 10 + latSquare + latSub / 24 - 90;
    p.halfLongitude = lonField * 10 + lonSquare + lonSub / 24 - 90;
    return p;
}

DistanceBearing distanceBearing(const LocatorPosition &own, const LocatorPosition &other)
{
    const double a = own.latitude / kDegreesPerRadian;
    const double b = other.latitude / kDegreesPerRadian;
    const double delta = (other.halfLongitude - own.halfLongitude) * 2 / kDegreesPerRadian;

    double x = std::sin(a) * std::sin(b) + std::cos(a) * std::cos(b) * std::cos(delta);
    if (x > 1)
        x = 1;
    else if (x < -1)
        x = -1;

    double c;
    if (x == 0) {
        c = kHalfTurn / 2;   // a quarter of the great circle
    } else {
        c = std::atan(std::sqrt(1 - x * x) / x);
        // The far half of the globe (x < 0). Testing x rather than the sign
        // of c also covers the exact antipode, where the arctangent is -0.
        if (x < 0)
            c += kHalfTurn;
    }

    double bearing = 0;
    if (a != b)
        bearing = a > b ? 180 : 0;
    if (delta != 0) {
        bearing = std::atan((std::sin(a) * x - std::sin(b))
                            / (std::cos(a) * std::cos(b) * std::sin(delta)))
                      * kDegreesPerRadian
                  + 90;
    }
    if (std::sin(delta) < 0)
        bearing += 180;

    return {kEarthRadiusKm * c, bearing};
}

RoundedDistance roundDistance(const DistanceBearing &db)
{
    const double hundredths = std::trunc(db.distanceKm * 100) / 100;
    RoundedDistance r;
    r.km = static_cast<long long>(std::nearbyint(hundredths));   // half to even
    r.degrees = static_cast<long long>(std::trunc(db.bearing));
    return r;
}

QString formatDistance(const DistanceBearing &db)
{
    const RoundedDistance r = roundDistance(db);
    return QStringLiteral("%1km/%2").arg(r.km).arg(r.degrees);
}

QString DistanceText(const QString &ownLocator, const QString &otherLocator)
{
    const auto own = locatorPosition(ownLocator);
    const auto other = locatorPosition(otherLocator);
    if (!own || !other)
        return QString();
    return formatDistance(distanceBearing(*own, *other));
}
