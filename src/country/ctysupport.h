#pragma once
#include <QByteArray>
#include <QString>
#include <vector>

// One prefix item of the country file together with the data of its entity.
// Every field is single-byte text exactly as the file writes it, cut to the
// field's maximum length (see the k...Max constants).
struct TCountryRecord {
    QByteArray Prefix;          // 20: prefix or full call, key of PrefixTable
    QByteArray Name;            // 26
    QByteArray CQZone;          // 5
    QByteArray ITUZone;         // 5
    QByteArray Continent;       // 5
    QByteArray Latitude;        // 9, north positive
    QByteArray Longitude;       // 10, west positive
    QByteArray UTCOffset;       // 9
    QByteArray PrimaryPrefix;   // 6; in EntityTable without the leading "*"

    static constexpr int kPrefixMax = 20;
    static constexpr int kNameMax = 26;
    static constexpr int kZoneMax = 5;
    static constexpr int kContinentMax = 5;
    static constexpr int kLatitudeMax = 9;
    static constexpr int kLongitudeMax = 10;
    static constexpr int kUtcOffsetMax = 9;
    static constexpr int kPrimaryPrefixMax = 6;
};

// What a lookup returns: the entity's texts, all empty when nothing is found.
// FindCountryByPrefix fills PrimaryPrefix too (as EntityTable holds it).
struct CountryInfo {
    QString Name;
    QString CQZone;
    QString ITUZone;
    QString Continent;
    QString Latitude;
    QString Longitude;
    QString UTCOffset;
    QString PrimaryPrefix;

    bool found() const { return !Name.isEmpty() || !PrimaryPrefix.isEmpty(); }
};

// Reads the country file at `path` into PrefixTable and EntityTable,
// replacing what they held. The tables grow to whatever the file holds.
// When the file cannot be read the tables are left empty (every lookup finds
// nothing) and DbError is thrown: "File not found" for a missing file.
void LoadCountryTable(const QString &path);

// The same from the file's contents already in memory.
void LoadCountryTableFromData(const QByteArray &contents);

// Empties both tables, as before the first load.
void ClearCountryTable();

// Records sorted by Prefix, and copies of them sorted by PrimaryPrefix
// (one leading "*" removed), both in unsigned byte order, shorter first.
const std::vector<TCountryRecord> &PrefixTable();
const std::vector<TCountryRecord> &EntityTable();
int CountryCount();

// The record whose Prefix is the longest beginning of `call` (the whole call
// included); the call is taken as it is: no case change, no trimming.
CountryInfo FindCountryByCall(const QString &call);

// Width of the country text column of the log (log.dxcc).
constexpr int kStoredCountryWidth = 5;

// The same over EntityTable for a stored country text. A text stored with the
// leading "*" of its primary prefix finds its entity as well, and so does a
// six-character primary prefix stored cut to the column's five.
CountryInfo FindCountryByPrefix(const QString &text);

// Order of both tables: unsigned bytes, a text before any longer text it begins.
int compareCountryKeys(const QByteArray &a, const QByteArray &b);
