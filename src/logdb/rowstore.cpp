#include "logdb/rowstore.h"

#include <QString>

#include <cstdlib>
#include <cstring>
#include <new>
#include <sys/mman.h>

namespace {

// Type bytes. A byte of 0x80 or more is a text of (byte - 0x80) bytes.
enum Tag : unsigned char { TNull = 0, TInt = 1, TReal = 2, TText = 3, TBlob = 4, TShortText = 0x80 };

const size_t kFirstBlock = 4096;
// Large blocks are huge pages where the system has them: a few faults per
// megabytes instead of one per page, which counts for a million rows.
const size_t kLargestBlock = size_t(2) << 20;

char *allocateBlock(size_t size)
{
    if (size == kLargestBlock) {
        void *p = std::aligned_alloc(kLargestBlock, kLargestBlock);
        if (p) {
#ifdef MADV_HUGEPAGE
            ::madvise(p, kLargestBlock, MADV_HUGEPAGE);
#endif
            return static_cast<char *>(p);
        }
    }
    void *p = std::malloc(size);
    if (!p)
        throw std::bad_alloc();
    return static_cast<char *>(p);
}

void putVarint(std::string &out, quint64 v)
{
    while (v >= 0x80) {
        out.push_back(char((v & 0x7f) | 0x80));
        v >>= 7;
    }
    out.push_back(char(v));
}

quint64 getVarint(const unsigned char *&p)
{
    quint64 v = 0;
    int shift = 0;
    while (true) {
        const unsigned char b = *p++;
        v |= quint64(b & 0x7f) << shift;
        if (!(b & 0x80))
            return v;
        shift += 7;
    }
}

inline quint64 zigzag(qint64 v)
{
    return (quint64(v) << 1) ^ quint64(v >> 63);
}

inline qint64 unzigzag(quint64 v)
{
    return qint64(v >> 1) ^ -qint64(v & 1);
}

const unsigned char *skipCell(const unsigned char *p)
{
    const unsigned char t = *p++;
    if (t >= TShortText)
        return p + (t - TShortText);
    switch (t) {
    case TInt:
        getVarint(p);
        return p;
    case TReal:
        return p + 8;
    case TText:
    case TBlob: {
        const quint64 n = getVarint(p);
        return p + n;
    }
    default:
        return p;
    }
}

RowStore::Cell readCell(const unsigned char *p)
{
    RowStore::Cell c;
    const unsigned char t = *p++;
    if (t >= TShortText) {
        c.kind = RowStore::Kind::Text;
        c.data = reinterpret_cast<const char *>(p);
        c.size = int(t - TShortText);
        return c;
    }
    switch (t) {
    case TInt:
        c.kind = RowStore::Kind::Integer;
        c.integer = unzigzag(getVarint(p));
        break;
    case TReal:
        c.kind = RowStore::Kind::Real;
        std::memcpy(&c.real, p, 8);
        break;
    case TText:
    case TBlob: {
        c.kind = t == TText ? RowStore::Kind::Text : RowStore::Kind::Blob;
        c.size = int(getVarint(p));
        c.data = reinterpret_cast<const char *>(p);
        break;
    }
    default:
        break;
    }
    return c;
}

} // namespace

RowStore::RowStore(RowStore &&other) noexcept
{
    *this = std::move(other);
}

RowStore::~RowStore()
{
    for (char *b : m_blocks)
        std::free(b);
}

RowStore &RowStore::operator=(RowStore &&other) noexcept
{
    if (this == &other)
        return *this;
    for (char *b : m_blocks)
        std::free(b);
    m_rows = std::move(other.m_rows);
    m_blocks = std::move(other.m_blocks);
    m_blockUsed = other.m_blockUsed;
    m_blockSize = other.m_blockSize;
    m_held = other.m_held;
    m_wasted = other.m_wasted;
    m_columns = other.m_columns;
    m_pending = std::move(other.m_pending);
    m_pendingCells = other.m_pendingCells;
    other.m_rows.clear();
    other.m_blocks.clear();
    other.m_blockUsed = other.m_blockSize = 0;
    other.m_held = other.m_wasted = 0;
    other.m_columns = -1;
    other.m_pending.clear();
    other.m_pendingCells = 0;
    return *this;
}

void RowStore::clear()
{
    *this = RowStore();
}

const char *RowStore::store(const char *data, size_t size)
{
    if (m_blocks.empty() || m_blockSize - m_blockUsed < size) {
        // Blocks grow from a page to a megabyte, so a result of one row
        // stays small and a large one needs few blocks.
        size_t next = m_blocks.empty() ? kFirstBlock : std::min(m_blockSize * 2, kLargestBlock);
        if (next < size)
            next = size;
        if (!m_blocks.empty())
            m_wasted += qint64(m_blockSize - m_blockUsed);
        m_blocks.reserve(m_blocks.size() + 1);
        m_blocks.push_back(allocateBlock(next));
        m_blockSize = next;
        m_blockUsed = 0;
        m_held += qint64(next);
    }
    char *at = m_blocks.back() + m_blockUsed;
    if (size)
        std::memcpy(at, data, size);
    m_blockUsed += size;
    return at;
}

const char *RowStore::cellStart(int row, int col) const
{
    const unsigned char *p = reinterpret_cast<const unsigned char *>(m_rows[size_t(row)]);
    for (int i = 0; i < col; ++i)
        p = skipCell(p);
    return reinterpret_cast<const char *>(p);
}

RowStore::Cell RowStore::cell(int row, int col) const
{
    return readCell(reinterpret_cast<const unsigned char *>(cellStart(row, col)));
}

void RowStore::cells(int row, Cell *out, int columns) const
{
    const unsigned char *p = reinterpret_cast<const unsigned char *>(m_rows[size_t(row)]);
    for (int c = 0; c < columns; ++c) {
        out[c] = readCell(p);
        p = skipCell(p);
    }
}

QVariant RowStore::value(int row, int col) const
{
    const Cell c = cell(row, col);
    switch (c.kind) {
    case Kind::Integer:
        return QVariant(qlonglong(c.integer));
    case Kind::Real:
        return QVariant(c.real);
    case Kind::Text:
        return QVariant(QString::fromUtf8(c.data, c.size));
    case Kind::Blob:
        return QVariant(QByteArray(c.data, c.size));
    default:
        return QVariant();
    }
}

QVector<QVariant> RowStore::values(int row, int columns) const
{
    QVector<QVariant> out(columns);
    const unsigned char *p = reinterpret_cast<const unsigned char *>(m_rows[size_t(row)]);
    for (int c = 0; c < columns; ++c) {
        const Cell cell = readCell(p);
        switch (cell.kind) {
        case Kind::Integer:
            out[c] = QVariant(qlonglong(cell.integer));
            break;
        case Kind::Real:
            out[c] = QVariant(cell.real);
            break;
        case Kind::Text:
            out[c] = QVariant(QString::fromUtf8(cell.data, cell.size));
            break;
        case Kind::Blob:
            out[c] = QVariant(QByteArray(cell.data, cell.size));
            break;
        default:
            break;
        }
        p = skipCell(p);
    }
    return out;
}

void RowStore::putNull()
{
    m_pending.push_back(char(TNull));
    ++m_pendingCells;
}

void RowStore::putInteger(qint64 v)
{
    m_pending.push_back(char(TInt));
    putVarint(m_pending, zigzag(v));
    ++m_pendingCells;
}

void RowStore::putReal(double v)
{
    m_pending.push_back(char(TReal));
    m_pending.append(reinterpret_cast<const char *>(&v), 8);
    ++m_pendingCells;
}

void RowStore::putText(const char *utf8, int size)
{
    if (size < 0x80) {
        m_pending.push_back(char(TShortText + size));
    } else {
        m_pending.push_back(char(TText));
        putVarint(m_pending, quint64(size));
    }
    if (size > 0)
        m_pending.append(utf8, size_t(size));
    ++m_pendingCells;
}

void RowStore::putBlob(const char *data, int size)
{
    m_pending.push_back(char(TBlob));
    putVarint(m_pending, quint64(size));
    if (size > 0)
        m_pending.append(data, size_t(size));
    ++m_pendingCells;
}

void RowStore::endRow()
{
    if (m_columns < 0)
        m_columns = m_pendingCells;
    m_rows.push_back(store(m_pending.data(), m_pending.size()));
    m_pending.clear();
    m_pendingCells = 0;
}

void RowStore::putValue(const QVariant &v)
{
    if (v.isNull() || !v.isValid()) {
        putNull();
        return;
    }
    switch (v.typeId()) {
    case QMetaType::LongLong:
    case QMetaType::Int:
    case QMetaType::Bool:
        putInteger(v.toLongLong());
        break;
    case QMetaType::Double:
        putReal(v.toDouble());
        break;
    case QMetaType::QByteArray: {
        const QByteArray b = v.toByteArray();
        putBlob(b.constData(), int(b.size()));
        break;
    }
    default: {
        const QByteArray b = v.toString().toUtf8();
        putText(b.constData(), int(b.size()));
        break;
    }
    }
}

void RowStore::appendNulls(int columns)
{
    for (int c = 0; c < columns; ++c)
        putNull();
    endRow();
}

void RowStore::replace(int row, const QVector<QVariant> &values)
{
    if (m_columns < 0)
        m_columns = int(values.size());
    const char *old = m_rows[size_t(row)];
    m_wasted += qint64(cellStart(row, m_columns) - old);
    for (const QVariant &v : values)
        putValue(v);
    m_rows[size_t(row)] = store(m_pending.data(), m_pending.size());
    m_pending.clear();
    m_pendingCells = 0;
    compactIfWasteful();
}

void RowStore::replaceCell(int row, int col, const QVariant &value)
{
    const char *begin = m_rows[size_t(row)];
    const char *at = cellStart(row, col);
    const char *after = reinterpret_cast<const char *>(skipCell(reinterpret_cast<const unsigned char *>(at)));
    putValue(value);
    if (m_pending.size() == size_t(after - at)) {
        // The same size: written over the old cell where it stands.
        std::memcpy(const_cast<char *>(at), m_pending.data(), m_pending.size());
        m_pending.clear();
        m_pendingCells = 0;
        return;
    }
    const std::string cell = std::move(m_pending);
    m_pending.clear();
    const char *end = m_columns > col + 1 ? cellStart(row, m_columns) : after;
    m_pending.append(begin, size_t(at - begin));
    m_pending.append(cell);
    m_pending.append(after, size_t(end - after));
    m_wasted += qint64(end - begin);
    m_rows[size_t(row)] = store(m_pending.data(), m_pending.size());
    m_pending.clear();
    m_pendingCells = 0;
    compactIfWasteful();
}

void RowStore::removeAt(int row)
{
    if (m_columns >= 0)
        m_wasted += qint64(cellStart(row, m_columns) - m_rows[size_t(row)]);
    m_rows.erase(m_rows.begin() + row);
    compactIfWasteful();
}

void RowStore::reorder(const std::vector<int> &place)
{
    std::vector<const char *> rows(place.size());
    for (size_t i = 0; i < place.size(); ++i)
        rows[i] = m_rows[size_t(place[i])];
    m_rows.swap(rows);
}

void RowStore::compactIfWasteful()
{
    // Rows rewritten one by one (a column rebuilt over the whole log) would
    // otherwise leave their old bytes behind: copy the live rows afresh once
    // the waste reaches half of them (so that the copy and the old blocks
    // together stay within two and a half times the rows).
    if (m_wasted < qint64(kLargestBlock) || m_wasted * 2 < m_held - m_wasted || m_columns < 0)
        return;
    RowStore fresh;
    fresh.m_columns = m_columns;
    fresh.m_rows.reserve(m_rows.size());
    for (int r = 0; r < size(); ++r) {
        const char *begin = m_rows[size_t(r)];
        fresh.m_rows.push_back(fresh.store(begin, size_t(cellStart(r, m_columns) - begin)));
    }
    fresh.m_wasted = 0;   // block tails left over while copying do not count
    *this = std::move(fresh);
}
