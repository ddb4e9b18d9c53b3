#pragma once
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <algorithm>
#include <cstring>
#include <string_view>
#include <vector>

// A text of at most N single-byte characters kept inside its record, so a
// table of records is one block of memory and copies are plain copies.
template <int N>
struct FixedText {
    static constexpr int kMax = N;

    unsigned char length = 0;
    char data[N] = {};

    std::string_view view() const { return std::string_view(data, length); }
    QByteArray bytes() const { return QByteArray(data, length); }
    bool isEmpty() const { return length == 0; }
    // Keeps at most N characters of the text (which may be a part of this one).
    void assign(std::string_view text)
    {
        length = static_cast<unsigned char>(std::min<size_t>(text.size(), N));
        if (length > 0)
            std::memmove(data, text.data(), length);
    }
};

// One prefix item of the country file together with the data of its entity.
// Every field is single-byte text exactly as the file writes it, cut to the
// field's maximum length.
struct TCountryRecord {
    FixedText<20> Prefix;          // prefix or full call, key of PrefixTable
    FixedText<26> Name;
    FixedText<5> CQZone;
    FixedText<5> ITUZone;
    FixedText<5> Continent;
    FixedText<9> Latitude;         // north positive
    FixedText<10> Longitude;       // west positive
    FixedText<9> UTCOffset;
    FixedText<6> PrimaryPrefix;    // in EntityTable without the leading "*"
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
// When the file cannot be read, or yields no country (empty, damaged, not a
// country file), the tables are left empty (every lookup finds nothing) and
// DbError is thrown: "File not found" for a missing file; a message naming
// the file when it holds no country.
void LoadCountryTable(const QString &path);

// Reads the country file at `path` into new tables and puts them in place of
// the ones in use only when the file reads as a country file. Otherwise
// throws DbError with a message naming the file, and the tables in use stay.
void ReplaceCountryTable(const QString &path);

// A newer country file of the user's own: <user data folder>/tarnix/cty.dat
// (~/.local/share/tarnix/cty.dat, QStandardPaths::GenericDataLocation). The
// folder need not exist. Empty when the system names no user data folder.
QString UserCountryFilePath();

// Where the country file is looked for, in order: the user's copy
// (UserCountryFilePath), cty.dat beside the executable in exeDir (the build
// tree), Debian's /usr/share/hamradio-files/cty.dat.
QStringList CountryFileCandidates(const QString &exeDir);

// The country file the program reads: the first existing file of
// CountryFileCandidates for the folder of the executable; when there is none,
// Debian's path, the place an operator is told to look at. Needs the
// application object.
QString CountryFilePath();
// The same for an executable in exeDir.
QString CountryFilePath(const QString &exeDir);

// The same from the file's contents already in memory, taken as they are:
// contents without a country give empty tables, and no error.
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
int compareCountryKeys(std::string_view a, std::string_view b);
