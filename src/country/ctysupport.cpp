#include "country/ctysupport.h"

#include "logdb/dberror.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace {

std::vector<TCountryRecord> g_prefixTable;
std::vector<TCountryRecord> g_entityTable;

using Bytes = std::string_view;

bool isBlank(char c) { return static_cast<unsigned char>(c) <= 32; }

Bytes trimmed(Bytes s)
{
    while (!s.empty() && isBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && isBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

int compareBytes(Bytes a, Bytes b)
{
    const size_t n = std::min(a.size(), b.size());
    if (n > 0) {
        // memcmp compares as unsigned char, which is the order we need.
        const int c = std::memcmp(a.data(), b.data(), n);
        if (c != 0)
            return c < 0 ? -1 : 1;
    }
    if (a.size() == b.size())
        return 0;
    return a.size() < b.size() ? -1 : 1;
}

// One fixed-column field of an entity line: columns first..last (from 1,
// both included) of the line as read, trimmed, cut, one trailing ":" dropped.
template <int N>
void entityField(FixedText<N> &field, Bytes line, int first, int last)
{
    Bytes cols;
    if (size_t(first - 1) < line.size())
        cols = line.substr(size_t(first - 1), size_t(last - first + 1));
    Bytes t = trimmed(cols);
    if (t.size() > size_t(N))
        t = t.substr(0, size_t(N));
    if (!t.empty() && t.back() == ':')
        t.remove_suffix(1);
    field.assign(t);
}

void parseEntityLine(TCountryRecord &r, Bytes line)
{
    r = TCountryRecord();
    entityField(r.Name, line, 1, 26);
    entityField(r.CQZone, line, 27, 31);
    entityField(r.ITUZone, line, 32, 36);
    entityField(r.Continent, line, 37, 41);
    entityField(r.Latitude, line, 42, 50);
    entityField(r.Longitude, line, 51, 60);
    entityField(r.UTCOffset, line, 61, 69);
    entityField(r.PrimaryPrefix, line, 70, 77);
}

// Removes the first group open..close from the item and returns its inner
// text. A group left open runs to the end of the item.
void takeGroup(std::string &item, char open, char close, std::string &inner)
{
    inner.clear();
    const size_t at = item.find(open);
    if (at == std::string::npos)
        return;
    const size_t end = item.find(close, at + 1);
    const size_t innerEnd = end == std::string::npos ? item.size() : end;
    inner.assign(item, at + 1, innerEnd - at - 1);
    item.erase(at, (end == std::string::npos ? item.size() : end + 1) - at);
}

void addItem(std::vector<TCountryRecord> &out, const TCountryRecord &entity, Bytes itemText)
{
    TCountryRecord r = entity;
    if (itemText.find_first_of("([") == Bytes::npos) {
        if (itemText.empty())
            return;   // nothing to be a key: such a record could never match
        r.Prefix.assign(itemText);
        out.push_back(r);
        return;
    }
    std::string item(itemText);
    std::string cq, itu;
    takeGroup(item, '(', ')', cq);
    takeGroup(item, '[', ']', itu);
    if (item.empty())
        return;
    r.Prefix.assign(item);
    if (!cq.empty())
        r.CQZone.assign(cq);
    if (!itu.empty())
        r.ITUZone.assign(itu);
    out.push_back(r);
}

std::vector<TCountryRecord> parse(const QByteArray &contents)
{
    const Bytes all(contents.constData(), size_t(contents.size()));
    std::vector<TCountryRecord> records;
    // Every item ends with "," or ";", so this is room enough in one go.
    records.reserve(size_t(std::count_if(all.begin(), all.end(),
                                         [](char c) { return c == ',' || c == ';'; }))
                    + 1);

    bool inBlock = false;
    TCountryRecord entity;
    size_t pos = 0;
    while (pos < all.size()) {
        // Lines end with LF, CR LF or a lone CR.
        size_t end = pos;
        while (end < all.size() && all[end] != '\n' && all[end] != '\r')
            ++end;
        const Bytes line = all.substr(pos, end - pos);
        pos = end;
        if (pos < all.size() && all[pos] == '\r') {
            ++pos;
            if (pos < all.size() && all[pos] == '\n')
                ++pos;
        } else if (pos < all.size()) {
            ++pos;   // the '\n'
        }

        const Bytes t = trimmed(line);
        if (t.empty())
            continue;
        if (!inBlock) {
            parseEntityLine(entity, line);
            inBlock = true;
            continue;
        }
        // A prefix line: items end with "," or with the ";" that ends the
        // block (the rest of that line is not part of the block). Text after
        // the last "," of a line without ";" is taken as an item as well.
        size_t i = 0;
        while (i < t.size()) {
            size_t j = i;
            while (j < t.size() && t[j] != ',' && t[j] != ';')
                ++j;
            addItem(records, entity, t.substr(i, j - i));
            if (j < t.size() && t[j] == ';') {
                inBlock = false;
                break;
            }
            i = j + 1;
        }
    }
    // A file that ends inside a block keeps the items read so far.
    return records;
}

// The order of the records by the given key, as record positions. The sort
// works on the keys' first eight bytes packed into a number (same order as
// the bytes, shorter texts padded with zero) and compares whole keys only
// where those agree.
template <typename Key>
std::vector<uint32_t> sortOrder(const std::vector<TCountryRecord> &records, Key key)
{
    struct Entry {
        uint64_t head;
        uint32_t index;
    };
    std::vector<Entry> entries(records.size());
    for (uint32_t i = 0; i < entries.size(); ++i) {
        const Bytes k = key(records[i]);
        uint64_t head = 0;
        for (size_t b = 0; b < 8; ++b)
            head = (head << 8) | (b < k.size() ? static_cast<unsigned char>(k[b]) : 0u);
        entries[i] = {head, i};
    }
    std::sort(entries.begin(), entries.end(), [&](const Entry &a, const Entry &b) {
        if (a.head != b.head)
            return a.head < b.head;
        return compareBytes(key(records[a.index]), key(records[b.index])) < 0;
    });
    std::vector<uint32_t> order(entries.size());
    for (size_t i = 0; i < entries.size(); ++i)
        order[i] = entries[i].index;
    return order;
}

// Puts records[order[i]] at position i, moving every record once.
void permute(std::vector<TCountryRecord> &records, std::vector<uint32_t> order)
{
    for (size_t start = 0; start < order.size(); ++start) {
        if (order[start] == start)
            continue;
        const TCountryRecord held = records[start];
        size_t at = start;
        for (;;) {
            const size_t from = order[at];
            order[at] = uint32_t(at);
            if (from == start) {
                records[at] = held;
                break;
            }
            records[at] = records[from];
            at = from;
        }
    }
}

template <typename Key>
const TCountryRecord *findExactOrAfter(const std::vector<TCountryRecord> &table, Key key, Bytes text)
{
    auto it = std::lower_bound(table.begin(), table.end(), text,
                               [&](const TCountryRecord &r, Bytes k) { return compareBytes(key(r), k) < 0; });
    return it == table.end() ? nullptr : &*it;
}

// Longest non-empty beginning of text (the whole text included) that is a key.
template <typename Key>
const TCountryRecord *findLongest(const std::vector<TCountryRecord> &table, Key key, Bytes text)
{
    while (!text.empty()) {
        const TCountryRecord *r = findExactOrAfter(table, key, text);
        if (r && key(*r) == text)
            return r;
        text.remove_suffix(1);
    }
    return nullptr;
}

struct PrefixKey {
    Bytes operator()(const TCountryRecord &r) const { return r.Prefix.view(); }
};
struct PrimaryKey {
    Bytes operator()(const TCountryRecord &r) const { return r.PrimaryPrefix.view(); }
};
constexpr PrefixKey prefixKey;
constexpr PrimaryKey primaryKey;

// Keys are single-byte text. A character beyond Latin-1 can match no key,
// so only the beginning before it can be found.
QByteArray searchKey(const QString &text)
{
    qsizetype n = 0;
    while (n < text.size() && text.at(n).unicode() <= 0xFF)
        ++n;
    return text.left(n).toLatin1();
}

template <int N>
QString text(const FixedText<N> &f)
{
    return QString::fromLatin1(f.data, f.length);
}

CountryInfo toInfo(const TCountryRecord *r)
{
    CountryInfo info;
    if (!r)
        return info;
    info.Name = text(r->Name);
    info.CQZone = text(r->CQZone);
    info.ITUZone = text(r->ITUZone);
    info.Continent = text(r->Continent);
    info.Latitude = text(r->Latitude);
    info.Longitude = text(r->Longitude);
    info.UTCOffset = text(r->UTCOffset);
    info.PrimaryPrefix = text(r->PrimaryPrefix);
    return info;
}

} // namespace

int compareCountryKeys(std::string_view a, std::string_view b)
{
    return compareBytes(a, b);
}

namespace {

struct Tables {
    std::vector<TCountryRecord> prefixes;
    std::vector<TCountryRecord> entities;
};

Tables buildTables(const QByteArray &contents)
{
    Tables t;
    t.prefixes = parse(contents);
    t.entities = t.prefixes;
    for (TCountryRecord &r : t.entities) {
        if (r.PrimaryPrefix.length > 0 && r.PrimaryPrefix.data[0] == '*')
            r.PrimaryPrefix.assign(r.PrimaryPrefix.view().substr(1));
    }
    // Sorted in place: the tables are a few megabytes on the real file.
    permute(t.prefixes, sortOrder(t.prefixes, prefixKey));
    permute(t.entities, sortOrder(t.entities, primaryKey));
    return t;
}

bool isCoordinate(Bytes text, double limit)
{
    bool ok = false;
    const double v = QByteArray(text.data(), qsizetype(text.size())).toDouble(&ok);
    return ok && v >= -limit && v <= limit;
}

// A record of a real country: named, on a continent, at a place, with a
// primary prefix. Damaged or foreign files give none of these.
bool isCountry(const TCountryRecord &r)
{
    static const Bytes continents[] = {"AF", "AN", "AS", "EU", "NA", "OC", "SA"};
    const Bytes continent = r.Continent.view();
    return !r.Name.isEmpty() && !r.PrimaryPrefix.isEmpty()
           && std::find(std::begin(continents), std::end(continents), continent) != std::end(continents)
           && isCoordinate(r.Latitude.view(), 90) && isCoordinate(r.Longitude.view(), 180);
}

// The tables of a file's contents; DbError naming the file when they hold no country.
Tables countryTablesOf(const QString &path, const QByteArray &contents)
{
    Tables t = buildTables(contents);
    if (std::any_of(t.prefixes.begin(), t.prefixes.end(), isCountry))
        return t;
    const QString shown = QDir::toNativeSeparators(path);
    const bool empty = std::all_of(contents.begin(), contents.end(),
                                   [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; });
    if (empty)
        throw DbError(QStringLiteral("The country file '%1' is empty").arg(shown));
    throw DbError(QStringLiteral("'%1' is not a country file: no country could be read from it").arg(shown));
}

} // namespace

void LoadCountryTableFromData(const QByteArray &contents)
{
    Tables t = buildTables(contents);
    g_prefixTable.swap(t.prefixes);
    g_entityTable.swap(t.entities);
}

QString UserCountryFilePath()
{
    const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    return base.isEmpty() ? QString() : base + QStringLiteral("/tarnix/cty.dat");
}

QStringList CountryFileCandidates(const QString &exeDir)
{
    QStringList paths;
    if (const QString user = UserCountryFilePath(); !user.isEmpty())
        paths << user;
    if (!exeDir.isEmpty())
        paths << QDir(exeDir).filePath(QStringLiteral("cty.dat"));
    paths << QStringLiteral("/usr/share/hamradio-files/cty.dat");
    return paths;
}

QString CountryFilePath()
{
    return CountryFilePath(QCoreApplication::applicationDirPath());
}

QString CountryFilePath(const QString &exeDir)
{
    const QStringList paths = CountryFileCandidates(exeDir);
    for (const QString &p : paths) {
        if (QFileInfo(p).isFile())
            return QFileInfo(p).absoluteFilePath();
    }
    return paths.last();
}

void LoadCountryTable(const QString &path)
{
    ClearCountryTable();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (!QFileInfo::exists(path))
            throw DbError(QStringLiteral("File not found"));
        throw DbError(QStringLiteral("Access denied"));
    }
    const QByteArray contents = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw DbError(QStringLiteral("Read error: %1").arg(file.errorString()));
    Tables t = countryTablesOf(path, contents);
    g_prefixTable.swap(t.prefixes);
    g_entityTable.swap(t.entities);
}

void ReplaceCountryTable(const QString &path)
{
    const QString shown = QDir::toNativeSeparators(path);
    QFile file(path);
    const auto cannotRead = [&] {
        return DbError(QStringLiteral("The country file '%1' cannot be read: %2").arg(shown, file.errorString()));
    };
    if (!file.open(QIODevice::ReadOnly)) {
        if (!QFileInfo::exists(path))
            throw DbError(QStringLiteral("The country file '%1' was not found").arg(shown));
        throw cannotRead();
    }
    const QByteArray contents = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw cannotRead();
    Tables t = countryTablesOf(path, contents);
    g_prefixTable.swap(t.prefixes);
    g_entityTable.swap(t.entities);
}

void ClearCountryTable()
{
    g_prefixTable.clear();
    g_entityTable.clear();
}

const std::vector<TCountryRecord> &PrefixTable() { return g_prefixTable; }
const std::vector<TCountryRecord> &EntityTable() { return g_entityTable; }
int CountryCount() { return int(g_prefixTable.size()); }

CountryInfo FindCountryByCall(const QString &call)
{
    const QByteArray key = searchKey(call);
    return toInfo(findLongest(g_prefixTable, prefixKey, Bytes(key.constData(), size_t(key.size()))));
}

CountryInfo FindCountryByPrefix(const QString &text)
{
    const QByteArray key = searchKey(text);
    // A stored text that fills the dxcc column may be a longer primary
    // prefix cut to the column; its entity is the key one character longer.
    const bool mayBeCut = text.size() == kStoredCountryWidth;
    const auto find = [mayBeCut](Bytes k) -> const TCountryRecord * {
        if (mayBeCut && !k.empty()) {
            if (const TCountryRecord *r = findExactOrAfter(g_entityTable, primaryKey, k)) {
                const Bytes found = primaryKey(*r);
                if (found == k || (found.size() == k.size() + 1 && found.substr(0, k.size()) == k))
                    return r;
            }
        }
        return findLongest(g_entityTable, primaryKey, k);
    };
    const Bytes whole(key.constData(), size_t(key.size()));
    const TCountryRecord *r = find(whole);
    // Country texts are stored with the "*" some primary prefixes carry in
    // the file, while this table holds them without it.
    if (!r && !whole.empty() && whole.front() == '*')
        r = find(whole.substr(1));
    return toInfo(r);
}
