#include "jetwriter.h"

#include <QDate>
#include <QDateTime>
#include <QFile>
#include <QTime>

#include <cmath>
#include <cstring>
#include <iconv.h>

namespace JetWriter {

namespace {

// Sizes that differ between the two versions.
struct Format {
    Version version;
    int pageSize;
    int rowCountOffset;   // data pages: number of rows, then the row offsets
    bool jet4() const { return version == Version::Jet4; }
    int dataHeader() const { return rowCountOffset + 2; }
};

void put8(QByteArray &b, int at, unsigned v)
{
    b[at] = char(v & 0xff);
}
void put16(QByteArray &b, int at, unsigned v)
{
    b[at] = char(v & 0xff);
    b[at + 1] = char((v >> 8) & 0xff);
}
void put32(QByteArray &b, int at, quint32 v)
{
    for (int i = 0; i < 4; ++i)
        b[at + i] = char((v >> (8 * i)) & 0xff);
}
void add8(QByteArray &b, unsigned v)
{
    b.append(char(v & 0xff));
}
void add16(QByteArray &b, unsigned v)
{
    add8(b, v);
    add8(b, v >> 8);
}
void add32(QByteArray &b, quint32 v)
{
    add16(b, v & 0xffff);
    add16(b, v >> 16);
}

bool isFixed(Type t)
{
    return t == Type::Long || t == Type::Int || t == Type::Double || t == Type::DateTime;
}

int fixedSize(Type t)
{
    switch (t) {
    case Type::Long:
        return 4;
    case Type::Int:
        return 2;
    case Type::Double:
    case Type::DateTime:
        return 8;
    default:
        return 0;
    }
}

unsigned char typeCode(Type t)
{
    switch (t) {
    case Type::Long:
        return 0x04;
    case Type::Int:
        return 0x03;
    case Type::Double:
        return 0x07;
    case Type::DateTime:
        return 0x08;
    case Type::Text:
        return 0x0a;
    case Type::Ole:
        return 0x0b;
    case Type::Memo:
        return 0x0c;
    }
    return 0;
}

QByteArray codePageBytes(const QString &text, int codePage)
{
    if (text.isEmpty())
        return QByteArray();
    const QByteArray name = "WINDOWS-" + QByteArray::number(codePage);
    iconv_t cd = iconv_open(name.constData(), "UTF-8");
    if (cd == iconv_t(-1))
        throw Error("no iconv conversion to " + name.toStdString());
    QByteArray in = text.toUtf8();
    QByteArray out(in.size() * 2 + 4, '\0');
    char *ip = in.data();
    char *op = out.data();
    size_t il = size_t(in.size());
    size_t ol = size_t(out.size());
    const size_t rc = iconv(cd, &ip, &il, &op, &ol);
    iconv_close(cd);
    if (rc == size_t(-1))
        throw Error("text not representable in " + name.toStdString() + ": " + text.toStdString());
    out.truncate(out.size() - qsizetype(ol));
    return out;
}

QByteArray ucs2(const QString &text)
{
    QByteArray b;
    for (QChar c : text)
        add16(b, c.unicode());
    return b;
}

QByteArray textBytes(const Format &f, const QString &text, bool compressed, int codePage)
{
    return f.jet4() ? jet4Text(text, compressed) : codePageBytes(text, codePage);
}

// Stored form of one non-null value.
QByteArray valueBytes(const Format &f, const Column &col, const QVariant &v, int codePage)
{
    QByteArray b;
    switch (col.type) {
    case Type::Long:
        add32(b, quint32(qint32(v.toLongLong())));
        break;
    case Type::Int:
        add16(b, quint16(qint16(v.toInt())));
        break;
    case Type::Double:
    case Type::DateTime: {
        const double d = col.type == Type::Double ? v.toDouble() : jetDateTime(v);
        quint64 bits;
        std::memcpy(&bits, &d, 8);
        add32(b, quint32(bits & 0xffffffffu));
        add32(b, quint32(bits >> 32));
        break;
    }
    case Type::Text:
        b = textBytes(f, v.toString(), col.compressed, codePage);
        break;
    case Type::Memo: {
        // Kept inside the row: length and flag 0x80, then eight bytes of
        // pointers that are not used, then the text.
        const QByteArray data = textBytes(f, v.toString(), col.compressed, codePage);
        add16(b, quint32(data.size()) & 0xffff);
        add8(b, quint32(data.size()) >> 16);
        add8(b, 0x80);
        add32(b, 0);
        add32(b, 0);
        b += data;
        break;
    }
    case Type::Ole:
        throw Error("OLE values other than NULL are not written");
    }
    return b;
}

// One row as HACKING lays it out: column count, fixed columns, variable
// columns, then (read from the end) the null mask, the number of variable
// columns, their offsets last to first and the end-of-data offset.
QByteArray encodeRow(const Format &f, const Table &t, const Row &row, int codePage)
{
    const int ncols = int(t.columns.size());
    if (row.size() != ncols)
        throw Error("row of " + t.name.toStdString() + " has a wrong number of values");
    const int countSize = f.jet4() ? 2 : 1;
    int fixedTotal = 0;
    for (const Column &c : t.columns)
        fixedTotal += fixedSize(c.type);

    QByteArray r;
    if (f.jet4())
        add16(r, unsigned(ncols));
    else
        add8(r, unsigned(ncols));
    r.append(QByteArray(fixedTotal, '\0'));
    QByteArray nullMask((ncols + 7) / 8, '\0');
    QList<int> varOffsets;
    int fixedAt = countSize;
    for (int i = 0; i < ncols; ++i) {
        const Column &c = t.columns[i];
        const QVariant &v = row[i];
        const bool isNull = !v.isValid();
        if (!isNull)
            nullMask[i / 8] = char(nullMask[i / 8] | (1 << (i % 8)));
        if (isFixed(c.type)) {
            if (!isNull) {
                const QByteArray b = valueBytes(f, c, v, codePage);
                std::memcpy(r.data() + fixedAt, b.constData(), size_t(b.size()));
            }
            fixedAt += fixedSize(c.type);
        } else {
            varOffsets << int(r.size());
            if (!isNull)
                r += valueBytes(f, c, v, codePage);
        }
    }
    if (!varOffsets.isEmpty()) {
        const int eod = int(r.size());
        if (f.jet4()) {
            add16(r, unsigned(eod));
            for (int k = int(varOffsets.size()) - 1; k >= 0; --k)
                add16(r, unsigned(varOffsets[k]));
            add16(r, unsigned(varOffsets.size()));
        } else {
            // One-byte offsets: rows from 256 bytes on need a jump table,
            // which this writer does not make.
            if (eod + int(varOffsets.size()) + 2 + nullMask.size() > 256)
                throw Error("Jet 3 row of " + t.name.toStdString() + " is 256 bytes or longer");
            add8(r, unsigned(eod));
            for (int k = int(varOffsets.size()) - 1; k >= 0; --k)
                add8(r, unsigned(varOffsets[k]));
            add8(r, unsigned(varOffsets.size()));
        }
    }
    r += nullMask;
    return r;
}

struct Slot {
    QByteArray bytes;
    quint16 flags = 0;
    int targetPage = -1;   // overflow pointer: page index within the table, row on it
    int targetRow = -1;
};

struct PackedTable {
    QList<QList<Slot>> pages;   // data pages in file order
    int liveRows = 0;
    qint64 nextAuto = 1;
};

int pageFree(const Format &f, const QList<Slot> &page)
{
    int used = f.dataHeader();
    for (const Slot &s : page)
        used += 2 + int(s.bytes.size());
    return f.pageSize - used;
}

// Places rows on data pages in order; moved rows go to pages after the others.
PackedTable pack(const Format &f, const Table &t, int codePage)
{
    PackedTable out;
    QList<Slot> current;
    auto place = [&](QList<QList<Slot>> &pages, QList<Slot> &cur, Slot s) -> QPair<int, int> {
        if (2 + s.bytes.size() > f.pageSize - f.dataHeader())
            throw Error("row of " + t.name.toStdString() + " is longer than a page");
        if (pageFree(f, cur) < 2 + s.bytes.size() || cur.size() >= 255) {
            pages << cur;
            cur.clear();
        }
        cur << s;
        return {int(pages.size()), int(cur.size()) - 1};
    };

    QList<QList<Slot>> mainPages;
    QList<QPair<int, int>> headers;   // slot of each moved row's pointer
    QList<int> movedRows;
    for (int i = 0; i < t.rows.size(); ++i) {
        const bool del = t.deleted.contains(i);
        if (!del)
            ++out.liveRows;
        for (int c = 0; c < t.columns.size(); ++c)
            if (t.columns[c].autoNumber && t.rows[i][c].isValid())
                out.nextAuto = qMax(out.nextAuto, t.rows[i][c].toLongLong() + 1);
        Slot s;
        if (t.relocated.contains(i)) {
            s.bytes = QByteArray(4, '\0');
            s.flags = del ? 0xc000 : 0x4000;
            headers << place(mainPages, current, s);
            movedRows << i;
        } else {
            s.bytes = encodeRow(f, t, t.rows[i], codePage);
            s.flags = del ? 0xc000 : 0;
            place(mainPages, current, s);
        }
    }
    if (!current.isEmpty() || mainPages.isEmpty())
        mainPages << current;
    if (t.rows.isEmpty())
        mainPages.clear();   // a table without rows owns no data page

    QList<QList<Slot>> movedPages;
    QList<Slot> moved;
    for (int k = 0; k < movedRows.size(); ++k) {
        Slot s;
        s.bytes = encodeRow(f, t, t.rows[movedRows[k]], codePage);
        s.flags = 0x8000;
        const QPair<int, int> at = place(movedPages, moved, s);
        Slot &h = mainPages[headers[k].first][headers[k].second];
        h.targetPage = int(mainPages.size()) + at.first;
        h.targetRow = at.second;
    }
    if (!moved.isEmpty())
        movedPages << moved;
    out.pages = mainPages + movedPages;
    return out;
}

QByteArray dataPage(const Format &f, const QList<Slot> &rowSlots, quint32 tdefPage, int firstPage)
{
    QByteArray p(f.pageSize, '\0');
    put8(p, 0, 0x01);
    put8(p, 1, 0x01);
    put16(p, 2, unsigned(pageFree(f, rowSlots)));
    put32(p, 4, tdefPage);
    put16(p, f.rowCountOffset, unsigned(rowSlots.size()));
    int end = f.pageSize;
    for (int i = 0; i < rowSlots.size(); ++i) {
        QByteArray bytes = rowSlots[i].bytes;
        if (rowSlots[i].targetPage >= 0) {
            put8(bytes, 0, unsigned(rowSlots[i].targetRow));
            const quint32 pg = quint32(firstPage + rowSlots[i].targetPage);
            put8(bytes, 1, pg);
            put8(bytes, 2, pg >> 8);
            put8(bytes, 3, pg >> 16);
        }
        const int start = end - int(bytes.size());
        std::memcpy(p.data() + start, bytes.constData(), size_t(bytes.size()));
        put16(p, f.dataHeader() + 2 * i, unsigned(start) | rowSlots[i].flags);
        end = start;
    }
    return p;
}

// A usage map of type 0: first page, then one bit per page from there.
QByteArray usageMap(const QList<int> &pages)
{
    QByteArray m;
    add8(m, 0);
    const int first = pages.isEmpty() ? 0 : pages.first();
    add32(m, quint32(first));
    const int last = pages.isEmpty() ? first : pages.last();
    QByteArray bits((last - first) / 8 + 1, '\0');
    for (int p : pages)
        bits[(p - first) / 8] = char(bits[(p - first) / 8] | (1 << ((p - first) % 8)));
    return m + bits;
}

QByteArray tableDefinition(const Format &f, const Table &t, bool system, int liveRows, qint64 nextAuto,
                           quint32 usedMap, quint32 freeMap, int codePage)
{
    QByteArray p;
    add8(p, 0x02);
    add8(p, 0x01);
    if (f.jet4())
        add16(p, 0);   // free space, filled in below
    else
        p.append("VC");
    add32(p, 0);   // next definition page: none
    add32(p, 0);   // length, filled in below
    if (f.jet4())
        add32(p, 0);
    add32(p, quint32(liveRows));
    add32(p, quint32(nextAuto));
    if (f.jet4()) {
        add8(p, 0x01);   // autonumbers in use
        p.append(QByteArray(3, '\0'));
        add32(p, 0);
        p.append(QByteArray(8, '\0'));
    }
    const int ncols = int(t.columns.size());
    int nvar = 0;
    for (const Column &c : t.columns)
        nvar += isFixed(c.type) ? 0 : 1;
    add8(p, system ? 0x53 : 0x4e);
    add16(p, unsigned(ncols));   // max columns
    add16(p, unsigned(nvar));
    add16(p, unsigned(ncols));
    add32(p, 0);   // logical indexes
    add32(p, 0);   // index entries
    add32(p, usedMap);
    add32(p, freeMap);

    int fixedAt = 0;
    int varIndex = 0;
    for (int i = 0; i < ncols; ++i) {
        const Column &c = t.columns[i];
        const bool fixed = isFixed(c.type);
        const bool text = c.type == Type::Text || c.type == Type::Memo;
        unsigned flags = fixed ? 0x03 : 0x02;
        if (c.autoNumber)
            flags |= 0x04;
        int len = fixed ? fixedSize(c.type) : 0;
        if (c.type == Type::Text)
            len = f.jet4() ? 2 * c.size : c.size;
        add8(p, typeCode(c.type));
        if (f.jet4())
            add32(p, 0);
        add16(p, unsigned(i));                       // column number
        add16(p, fixed ? 0u : unsigned(varIndex));   // place among variable columns
        add16(p, unsigned(i));
        if (f.jet4()) {
            add16(p, text ? 0x409 : 0);   // sort order
            add16(p, 0);
            add8(p, flags);
            add8(p, text && c.compressed ? 0x01 : 0x00);
            add32(p, 0);
        } else {
            add16(p, text ? 0x409 : 0);
            add16(p, text ? unsigned(codePage) : 0u);
            add16(p, 0);
            add8(p, flags);
        }
        add16(p, fixed ? unsigned(fixedAt) : 0u);
        add16(p, unsigned(len));
        if (fixed)
            fixedAt += fixedSize(c.type);
        else
            ++varIndex;
    }
    for (const Column &c : t.columns) {
        if (f.jet4()) {
            const QByteArray n = ucs2(c.name);
            add16(p, unsigned(n.size()));
            p += n;
        } else {
            const QByteArray n = codePageBytes(c.name, codePage);
            add8(p, unsigned(n.size()));
            p += n;
        }
    }
    add16(p, 0xffff);   // no column usage maps
    if (p.size() > f.pageSize)
        throw Error("definition of table " + t.name.toStdString() + " is longer than a page");
    put32(p, 8, quint32(p.size() - 8));
    if (f.jet4())
        put16(p, 2, unsigned(f.pageSize - p.size() - 8));
    p.append(QByteArray(f.pageSize - p.size(), '\0'));
    return p;
}

// RC4 as used on the header of the database definition page.
void rc4(QByteArray &data, int from, int len, const QByteArray &key)
{
    unsigned char s[256];
    for (int i = 0; i < 256; ++i)
        s[i] = (unsigned char)i;
    unsigned j = 0;
    for (int i = 0; i < 256; ++i) {
        j = (j + s[i] + (unsigned char)key[i % key.size()]) & 0xff;
        std::swap(s[i], s[j]);
    }
    unsigned x = 0, y = 0;
    for (int k = 0; k < len; ++k) {
        x = (x + 1) & 0xff;
        y = (y + s[x]) & 0xff;
        std::swap(s[x], s[y]);
        data[from + k] = char((unsigned char)data[from + k] ^ s[(s[x] + s[y]) & 0xff]);
    }
}

QByteArray definitionPage(const Format &f, int codePage)
{
    QByteArray p(f.pageSize, '\0');
    put32(p, 0, 0x00000100);
    std::memcpy(p.data() + 4, "Standard Jet DB", 16);
    put32(p, 0x14, f.jet4() ? 1 : 0);
    put16(p, f.jet4() ? 0x6e : 0x3a, 0x409);   // sort order
    put16(p, 0x3c, unsigned(codePage));
    put32(p, 0x3e, 0);   // no encryption of the other pages
    const QByteArray key("\xc7\xda\x39\x6b", 4);
    rc4(p, 0x18, f.jet4() ? 128 : 126, key);
    return p;
}

Table systemTable(const QList<Table> &tables, const QList<int> &tdefPages)
{
    Table s;
    s.name = QStringLiteral("MSysObjects");
    s.columns = {{QStringLiteral("Id"), Type::Long},        {QStringLiteral("ParentId"), Type::Long},
                 {QStringLiteral("Name"), Type::Text, 128}, {QStringLiteral("Type"), Type::Int},
                 {QStringLiteral("Flags"), Type::Long},     {QStringLiteral("LvProp"), Type::Ole}};
    s.rows << Row{2, 0, QStringLiteral("MSysObjects"), 1, qint64(qint32(0x80000002u)), QVariant()};
    for (int i = 0; i < tables.size(); ++i)
        s.rows << Row{tdefPages.value(i), 0, tables[i].name, 1, 0, QVariant()};
    return s;
}

}   // namespace

double jetDateTime(const QVariant &value)
{
    const QDate epoch(1899, 12, 30);
    QDate d = epoch;
    QTime t(0, 0);
    switch (value.typeId()) {
    case QMetaType::QDate:
        d = value.toDate();
        break;
    case QMetaType::QTime:
        t = value.toTime();
        break;
    case QMetaType::QDateTime:
        d = value.toDateTime().date();
        t = value.toDateTime().time();
        break;
    default:
        return value.toDouble();
    }
    const double days = double(epoch.daysTo(d));
    const double frac = t.msecsSinceStartOfDay() / 86400000.0;
    // Before the epoch the time still counts forward: -1.25 is 29.12.1899 06:00.
    return days >= 0 ? days + frac : days - frac;
}

QByteArray jet4Text(const QString &text, bool compressed)
{
    const QByteArray plain = ucs2(text);
    if (!compressed || text.isEmpty())
        return plain;
    // Compressed form: 0xff 0xfe, then characters of one byte while their
    // high byte is zero; a zero byte switches between one and two bytes.
    QByteArray c("\xff\xfe", 2);
    bool oneByte = true;
    for (QChar ch : text) {
        const unsigned u = ch.unicode();
        if ((u & 0xff) == 0)
            return plain;   // would read as a switch
        const bool wantOne = (u >> 8) == 0;
        if (wantOne != oneByte) {
            add8(c, 0);
            oneByte = wantOne;
        }
        if (oneByte)
            add8(c, u);
        else
            add16(c, u);
    }
    return c.size() < plain.size() ? c : plain;
}

QByteArray build(const QList<Table> &tables, const Options &options)
{
    const Format f = options.version == Version::Jet4 ? Format{Version::Jet4, 4096, 0x0c}
                                                      : Format{Version::Jet3, 2048, 0x08};
    const int codePage = options.codePage;

    // Page 0 header, page 1 usage maps, page 2 MSysObjects, its data, then
    // each table: definition page and data pages.
    QList<PackedTable> packed;
    for (const Table &t : tables)
        packed << pack(f, t, codePage);
    const int sysPages = int(pack(f, systemTable(tables, {}), codePage).pages.size());
    QList<int> tdefPages;
    int next = 3 + sysPages;
    for (const PackedTable &p : packed) {
        tdefPages << next;
        next += 1 + int(p.pages.size());
    }
    const int totalPages = next;
    const Table sys = systemTable(tables, tdefPages);
    const PackedTable sysPacked = pack(f, sys, codePage);

    QList<QByteArray> pages(totalPages);
    pages[0] = definitionPage(f, options.headerCodePage < 0 ? codePage : options.headerCodePage);

    // Usage maps: row 0 the whole file, then used and free pages per table.
    QList<Slot> mapRows;
    QList<int> all;
    for (int i = 0; i < totalPages; ++i)
        all << i;
    mapRows << Slot{usageMap(all)};
    auto addMaps = [&](int firstData, int count) {
        QList<int> own;
        for (int i = 0; i < count; ++i)
            own << firstData + i;
        mapRows << Slot{usageMap(own)} << Slot{usageMap({})};
        const quint32 used = (1u << 8) | quint32(mapRows.size() - 2);
        return qMakePair(used, used + 1);
    };
    const auto sysMaps = addMaps(3, int(sysPacked.pages.size()));
    pages[2] = tableDefinition(f, sys, true, sysPacked.liveRows, 0, sysMaps.first, sysMaps.second, codePage);
    for (int i = 0; i < sysPacked.pages.size(); ++i)
        pages[3 + i] = dataPage(f, sysPacked.pages[i], 2, 3);
    for (int t = 0; t < tables.size(); ++t) {
        const int tdef = tdefPages[t];
        const auto maps = addMaps(tdef + 1, int(packed[t].pages.size()));
        pages[tdef] = tableDefinition(f, tables[t], false, packed[t].liveRows, packed[t].nextAuto, maps.first,
                                      maps.second, codePage);
        for (int i = 0; i < packed[t].pages.size(); ++i)
            pages[tdef + 1 + i] = dataPage(f, packed[t].pages[i], quint32(tdef), tdef + 1);
    }
    if (pageFree(f, mapRows) < 0)
        throw Error("usage maps do not fit on one page");
    pages[1] = dataPage(f, mapRows, 0, 0);

    QByteArray file;
    file.reserve(qsizetype(totalPages) * f.pageSize);
    for (const QByteArray &p : pages)
        file += p;
    return file;
}

void write(const QString &path, const QList<Table> &tables, const Options &options)
{
    const QByteArray data = build(tables, options);
    QFile out(path);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) || out.write(data) != data.size())
        throw Error("cannot write " + path.toStdString());
}

}   // namespace JetWriter
