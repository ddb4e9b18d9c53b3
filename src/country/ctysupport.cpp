#include "ctysupport.h"

#include "dberror.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cstring>
#include <string_view>

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

Bytes view(const QByteArray &b) { return Bytes(b.constData(), size_t(b.size())); }

QByteArray cut(Bytes s, int max)
{
    if (s.size() > size_t(max))
        s = s.substr(0, size_t(max));
    return QByteArray(s.data(), qsizetype(s.size()));
}

// One fixed-column field of an entity line: columns first..last (from 1,
// both included) of the line as read, trimmed, cut, one trailing ":" dropped.
QByteArray entityField(Bytes line, int first, int last, int max)
{
    Bytes cols;
    if (size_t(first - 1) < line.size())
        cols = line.substr(size_t(first - 1), size_t(last - first + 1));
    Bytes t = trimmed(cols);
    if (t.size() > size_t(max))
        t = t.substr(0, size_t(max));
    if (!t.empty() && t.back() == ':')
        t.remove_suffix(1);
    return QByteArray(t.data(), qsizetype(t.size()));
}

TCountryRecord parseEntityLine(Bytes line)
{
    TCountryRecord r;
    r.Name = entityField(line, 1, 26, TCountryRecord::kNameMax);
    r.CQZone = entityField(line, 27, 31, TCountryRecord::kZoneMax);
    r.ITUZone = entityField(line, 32, 36, TCountryRecord::kZoneMax);
    r.Continent = entityField(line, 37, 41, TCountryRecord::kContinentMax);
    r.Latitude = entityField(line, 42, 50, TCountryRecord::kLatitudeMax);
    r.Longitude = entityField(line, 51, 60, TCountryRecord::kLongitudeMax);
    r.UTCOffset = entityField(line, 61, 69, TCountryRecord::kUtcOffsetMax);
    r.PrimaryPrefix = entityField(line, 70, 77, TCountryRecord::kPrimaryPrefixMax);
    return r;
}

// Removes the first group open..close from item and returns its inner text.
// A group left open runs to the end of the item.
std::string takeGroup(std::string &item, char open, char close)
{
    const size_t at = item.find(open);
    if (at == std::string::npos)
        return {};
    const size_t end = item.find(close, at + 1);
    const size_t innerEnd = end == std::string::npos ? item.size() : end;
    std::string inner = item.substr(at + 1, innerEnd - at - 1);
    item.erase(at, (end == std::string::npos ? item.size() : end + 1) - at);
    return inner;
}

void addItem(std::vector<TCountryRecord> &out, const TCountryRecord &entity, Bytes itemText)
{
    std::string item(itemText);
    const QByteArray cq = cut(takeGroup(item, '(', ')'), TCountryRecord::kZoneMax);
    const QByteArray itu = cut(takeGroup(item, '[', ']'), TCountryRecord::kZoneMax);
    if (item.empty())
        return;   // nothing left to be a key: an empty record could never match
    TCountryRecord r = entity;   // entity texts are shared, not copied
    r.Prefix = cut(item, TCountryRecord::kPrefixMax);
    if (!cq.isEmpty())
        r.CQZone = cq;
    if (!itu.isEmpty())
        r.ITUZone = itu;
    out.push_back(std::move(r));
}

std::vector<TCountryRecord> parse(const QByteArray &contents)
{
    std::vector<TCountryRecord> records;
    records.reserve(size_t(contents.size() / 10));
    const Bytes all = view(contents);

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
            entity = parseEntityLine(line);
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

const TCountryRecord *findLongest(const std::vector<TCountryRecord> &table,
                                  QByteArray TCountryRecord::*key, Bytes text)
{
    const auto less = [key](const TCountryRecord &r, Bytes k) {
        return compareBytes(view(r.*key), k) < 0;
    };
    while (!text.empty() && !table.empty()) {
        auto it = std::lower_bound(table.begin(), table.end(), text, less);
        if (it != table.end() && compareBytes(view((*it).*key), text) == 0)
            return &*it;
        text.remove_suffix(1);
    }
    return nullptr;
}

// Keys are single-byte text. A character beyond Latin-1 can match no key,
// so only the beginning before it can be found.
QByteArray searchKey(const QString &text)
{
    qsizetype n = 0;
    while (n < text.size() && text.at(n).unicode() <= 0xFF)
        ++n;
    return text.left(n).toLatin1();
}

CountryInfo toInfo(const TCountryRecord *r)
{
    CountryInfo info;
    if (!r)
        return info;
    info.Name = QString::fromLatin1(r->Name);
    info.CQZone = QString::fromLatin1(r->CQZone);
    info.ITUZone = QString::fromLatin1(r->ITUZone);
    info.Continent = QString::fromLatin1(r->Continent);
    info.Latitude = QString::fromLatin1(r->Latitude);
    info.Longitude = QString::fromLatin1(r->Longitude);
    info.UTCOffset = QString::fromLatin1(r->UTCOffset);
    info.PrimaryPrefix = QString::fromLatin1(r->PrimaryPrefix);
    return info;
}

} // namespace

int compareCountryKeys(const QByteArray &a, const QByteArray &b)
{
    return compareBytes(view(a), view(b));
}

void LoadCountryTableFromData(const QByteArray &contents)
{
    std::vector<TCountryRecord> prefixes = parse(contents);
    std::vector<TCountryRecord> entities = prefixes;
    for (TCountryRecord &r : entities) {
        if (r.PrimaryPrefix.startsWith('*'))
            r.PrimaryPrefix.remove(0, 1);
    }
    std::sort(prefixes.begin(), prefixes.end(), [](const TCountryRecord &a, const TCountryRecord &b) {
        return compareBytes(view(a.Prefix), view(b.Prefix)) < 0;
    });
    std::sort(entities.begin(), entities.end(), [](const TCountryRecord &a, const TCountryRecord &b) {
        return compareBytes(view(a.PrimaryPrefix), view(b.PrimaryPrefix)) < 0;
    });
    g_prefixTable.swap(prefixes);
    g_entityTable.swap(entities);
}

void LoadCountryTable(const QString &path)
{
    ClearCountryTable();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        const QFileInfo info(path);
        if (!info.exists())
            throw DbError(QStringLiteral("File not found"));
        throw DbError(QStringLiteral("Access denied"));
    }
    const QByteArray contents = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw DbError(QStringLiteral("Read error: %1").arg(file.errorString()));
    LoadCountryTableFromData(contents);
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
    return toInfo(findLongest(g_prefixTable, &TCountryRecord::Prefix, view(key)));
}

CountryInfo FindCountryByPrefix(const QString &text)
{
    const QByteArray key = searchKey(text);
    // A stored text that fills the dxcc column may be a longer primary
    // prefix cut to the column; its entity is the key one character longer.
    const bool mayBeCut = text.size() == kStoredCountryWidth;
    const auto find = [mayBeCut](Bytes k) -> const TCountryRecord * {
        const auto &table = g_entityTable;
        const auto less = [](const TCountryRecord &r, Bytes v) {
            return compareBytes(view(r.PrimaryPrefix), v) < 0;
        };
        if (mayBeCut && !k.empty()) {
            auto it = std::lower_bound(table.begin(), table.end(), k, less);
            if (it != table.end()) {
                const Bytes found = view(it->PrimaryPrefix);
                if (found == k || (found.size() == k.size() + 1 && found.substr(0, k.size()) == k))
                    return &*it;
            }
        }
        return findLongest(table, &TCountryRecord::PrimaryPrefix, k);
    };
    const TCountryRecord *r = find(view(key));
    // Country texts are stored with the "*" some primary prefixes carry in
    // the file, while this table holds them without it.
    if (!r && key.startsWith('*'))
        r = find(view(key).substr(1));
    return toInfo(r);
}
