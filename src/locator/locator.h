#pragma once
#include <QString>
#include <optional>

// Great-circle distance and initial bearing between two Maidenhead locators,
// with the constants and rounding of the station log's distance line.

struct LocatorPosition {
    double latitude = 0;        // degrees, north positive
    double halfLongitude = 0;   // degrees, half the longitude, east positive
};

struct DistanceBearing {
    double distanceKm = 0;
    double bearing = 0;         // degrees clockwise from north, 0 <= b < 360
};

namespace LocatorGeometry {
constexpr double kDegreesPerRadian = 57.295697;
constexpr double kHalfTurn = 180.0 / kDegreesPerRadian;   // 3.141597177882311
constexpr double kEarthRadiusKm = 6365.11;
}

// Centre of the square a locator names: six characters (field, square,
// subsquare), four characters (the centre of the square), or eight (the
// first six). Letters in either case; surrounding blanks are ignored.
// Anything else, the empty text included, has no position.
std::optional<LocatorPosition> locatorPosition(const QString &locator);

DistanceBearing distanceBearing(const LocatorPosition &own, const LocatorPosition &other);

// The figures of the distance line: the distance cut to hundredths, then
// rounded to a whole number with halves to the even one; the bearing's
// fraction dropped.
struct RoundedDistance {
    long long km = 0;
    long long degrees = 0;
};
RoundedDistance roundDistance(const DistanceBearing &db);

// "2345km/87": the figures of roundDistance.
QString formatDistance(const DistanceBearing &db);

// The distance line from the own locator to the other one; empty when either
// locator has no position.
QString DistanceText(const QString &ownLocator, const QString &otherLocator);
