#include "exchange/adif.h"
#include "exchange/codepage.h"
#include "logdb/dberror.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace Adif {

namespace {

// How much of a text a reader with a source reads at a time.
const qsizetype kPieceSize = qsizetype(1) << 20;

struct TagInfo {
    const char *name;
    int width;
};

// Widths of the columns of `log`.
const TagInfo kTags[TagCount] = {
    {"CALL", 15}, {"QSO_DATE", 0}, {"TIME_ON", 0}, {"TIME_OFF", 0}, {"MODE", 10},
    {"NAME", 25}, {"QTH", 25}, {"COMMENT", 36}, {"FREQ", 10}, {"RST_SENT", 10},
    {"RST_RCVD", 10}, {"QSL_SENT", 1}, {"QSL_RCVD", 1}, {"TX_PWR", 4}, {"GRIDSQUARE", 6},
};

inline char upper(char c)
{
    return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c;
}

inline bool isNameChar(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
}

inline bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v';
}

bool equalsNoCase(const char *p, int size, const char *word)
{
    for (int i = 0; i < size; ++i) {
        if (word[i] == '\0')
            return false;
        if (upper(p[i]) != word[i])
            return false;
    }
    return word[size] == '\0';
}

void appendLine(QByteArray &out, const char *tag, const QByteArray &value, bool dateType)
{
    char head[48];
    const int n = std::snprintf(head, sizeof head, "<%s:%lld%s>", tag, static_cast<long long>(value.size()),
                                dateType ? ":D" : "");
    out.append(head, n);
    out.append(value);
    out.append("\r\n", 2);
}

} // namespace

const char *tagName(Tag tag)
{
    return kTags[tag].name;
}

int columnWidth(Tag tag)
{
    return kTags[tag].width;
}

bool isText(Tag tag)
{
    return tag != QsoDate && tag != TimeOn && tag != TimeOff;
}

int tagFromName(const char *name, int size)
{
    // Only the names of the right length are compared: this runs for every
    // field of every record read.
    static const auto lengths = [] {
        std::array<int, TagCount> n{};
        for (int t = 0; t < TagCount; ++t)
            n[t] = int(std::strlen(kTags[t].name));
        return n;
    }();
    if (size < 3 || size > 10)
        return -1;
    const char first = upper(name[0]);
    for (int t = 0; t < TagCount; ++t) {
        if (lengths[t] == size && kTags[t].name[0] == first && equalsNoCase(name, size, kTags[t].name))
            return t;
    }
    return -1;
}

QString dateValue(const QDate &d)
{
    if (!d.isValid())
        return QString();
    char buf[16];
    std::snprintf(buf, sizeof buf, "%04d%02d%02d", d.year(), d.month(), d.day());
    return QString::fromLatin1(buf);
}

QString timeValue(const QTime &t)
{
    if (!t.isValid())
        return QString();
    char buf[8];
    std::snprintf(buf, sizeof buf, "%02d%02d", t.hour(), t.minute());
    return QString::fromLatin1(buf);
}

QByteArray header()
{
    return QByteArrayLiteral("Tarnix by Orvel\r\n<ADIF_VERS:3>1.0\r\n<EOH>\r\n\r\n");
}

void appendRecord(QByteArray &out, const Record &record, Encoding encoding)
{
    for (int t = 0; t < TagCount; ++t) {
        const QString &v = record.values[t];
        if (v.isEmpty())
            continue;
        appendLine(out, kTags[t].name, encoding == Encoding::Utf8 ? v.toUtf8() : Codepage::toCp1251(v),
                   t == QsoDate);
    }
    out.append("<EOR>\r\n\r\n", 9);
}

bool fitsCp1251(const Record &record)
{
    return std::all_of(record.values.begin(), record.values.end(),
                       [](const QString &v) { return Codepage::fitsCp1251(v); });
}

// ---------------------------------------------------------------- reader

Reader::Reader(const QByteArray &bytes) : m_bytes(bytes), m_d(m_bytes.constData()), m_size(m_bytes.size())
{
    if (Codepage::startsWithUtf8Bom(m_bytes)) {
        m_utf8 = true;
        m_bom = true;
        m_pos = 3;
    } else {
        m_utf8 = Codepage::hasNonAscii(m_d, m_size) && Codepage::isValidUtf8(m_d, m_size);
    }
    findHeader();
}

Reader::Reader(Source &source) : m_source(&source), m_eof(false)
{
    // Once through for the encoding: UTF-8 with a byte-order mark, or when
    // the whole text is valid UTF-8 and not plain ASCII. The first invalid
    // byte decides it the other way; the rest need not be read then.
    QByteArray piece(kPieceSize, Qt::Uninitialized);
    QByteArray start;
    Codepage::Utf8Check check;
    for (;;) {
        const qsizetype n = source.read(piece.data(), piece.size());
        if (n == 0)
            break;
        if (start.size() < 3) {
            start += QByteArray(piece.constData(), qMin<qsizetype>(n, 3));
            if (start.size() >= 3 && Codepage::startsWithUtf8Bom(start)) {
                m_bom = true;
                break;
            }
        }
        check.feed(piece.constData(), n);
        if (check.failed())
            break;
    }
    m_utf8 = m_bom || (check.sawNonAscii() && check.valid());
    source.rewind();
    fill(0);
    if (m_bom)
        m_pos = 3;
    findHeader();
}

qint64 Reader::size() const
{
    if (!m_source)
        return m_size;
    const qint64 known = m_source->size();
    return known >= 0 ? known : m_base + m_size;
}

void Reader::fill(qsizetype keepFrom)
{
    // One buffer, used over and over: the bytes still needed move to its
    // front and the next piece goes after them.
    char *b = m_buffer.data();
    if (keepFrom > 0) {
        std::memmove(b, b + keepFrom, size_t(m_size - keepFrom));
        m_size -= keepFrom;
        m_base += keepFrom;
        m_pos -= keepFrom;
    }
    if (qsizetype(m_buffer.size()) < m_size + kPieceSize)
        m_buffer.resize(size_t(2 * (m_size + kPieceSize)));
    const qsizetype n = m_source->read(m_buffer.data() + m_size, kPieceSize);
    m_size += n;
    m_d = m_buffer.data();
    if (n == 0)
        m_eof = true;
}

void Reader::findHeader()
{
    // A file whose first character is "<" has no header (ADIF's own rule).
    qsizetype i = m_pos;
    for (;;) {
        while (i < m_size && isBlank(m_d[i]))
            ++i;
        if (i < m_size || m_eof)
            break;
        fill(0);
    }
    m_inHeader = i < m_size && m_d[i] != '<';
}

qsizetype Reader::valueEnd(qsizetype start, qint64 length) const
{
    const qsizetype size = m_size;
    if (length >= qint64(size - start))
        pastEnd(size);   // more text may hold the rest of the value
    const qsizetype byteEnd = length >= qint64(size - start) ? size : start + qsizetype(length);
    if (!m_utf8)
        return byteEnd;
    const char *d = m_d;
    if (!Codepage::hasNonAscii(d + start, byteEnd - start))
        return byteEnd;

    auto boundary
        = [&](qsizetype e) { return pastEnd(e) || (static_cast<unsigned char>(d[e]) & 0xC0) != 0x80; };
    // A value is followed by the next tag, a line break or the end.
    auto clean = [&](qsizetype e) { return pastEnd(e) || d[e] == '<' || isBlank(d[e]); };

    if (boundary(byteEnd) && clean(byteEnd))
        return byteEnd;
    // Some programs count characters instead of bytes.
    qsizetype charEnd = start;
    for (qint64 k = 0; k < length && !pastEnd(charEnd); ++k) {
        ++charEnd;
        while (!pastEnd(charEnd) && !boundary(charEnd))
            ++charEnd;
    }
    if (clean(charEnd))
        return charEnd;
    qsizetype e = byteEnd;
    while (e > start && !boundary(e))
        --e;
    return e;
}

QString Reader::decode(qsizetype start, qsizetype end) const
{
    const char *p = m_d + start;
    const qsizetype n = end - start;
    QString s = m_utf8 ? QString::fromUtf8(p, n) : Codepage::fromCp1251(p, int(n));
    // A zero character cannot be kept in a text column; everything else of
    // the value is kept as the other program wrote it.
    if (s.contains(QChar(0)))
        s.remove(QChar(0));
    return s;
}

bool Reader::next(Record &record)
{
    RecordSpans spans;
    const bool found = next(spans);
    for (int t = 0; t < TagCount; ++t) {
        const Span &v = spans.values[t];
        record.values[t] = v.size() > 0 ? decode(v) : QString();
    }
    return found;
}

bool Reader::next(RecordSpans &record)
{
    for (;;) {
        const qsizetype recordStart = m_pos;
        const bool inHeader = m_inHeader;
        try {
            return parseRecord(record);
        } catch (const NeedMore &) {
            // The record goes on beyond the text held: read more and take
            // the record from its start again.
            m_pos = recordStart;
            m_inHeader = inHeader;
            fill(recordStart);
        }
    }
}

bool Reader::parseRecord(RecordSpans &record)
{
    record = RecordSpans();
    const char *d = m_d;
    const qsizetype size = m_size;

    while (!pastEnd(m_pos)) {
        const void *hit = std::memchr(d + m_pos, '<', size_t(size - m_pos));
        if (!hit) {
            pastEnd(size);
            m_pos = size;
            break;
        }
        const qsizetype lt = static_cast<const char *>(hit) - d;
        qsizetype p = lt + 1;
        while (!pastEnd(p) && isNameChar(d[p]))
            ++p;
        const int nameSize = int(p - lt - 1);
        if (nameSize == 0 || pastEnd(p) || (d[p] != '>' && d[p] != ':')) {
            m_pos = lt + 1;   // a "<" of free text
            continue;
        }
        const char *name = d + lt + 1;

        if (d[p] == '>') {
            m_pos = p + 1;
            if (equalsNoCase(name, nameSize, "EOR")) {
                m_inHeader = false;
                return true;
            }
            if (equalsNoCase(name, nameSize, "EOH")) {
                m_inHeader = false;
                record = RecordSpans();   // the header's fields are no QSO
            }
            continue;
        }

        // "<name:" — the specifier runs to ">" on the same line.
        qsizetype gt = p + 1;
        while (!pastEnd(gt) && gt - p <= 64 && d[gt] != '>' && d[gt] != '<' && d[gt] != '\r' && d[gt] != '\n')
            ++gt;
        if (pastEnd(gt) || d[gt] != '>') {
            m_pos = lt + 1;
            continue;
        }
        // The length: up to a second ":" (the type), blanks around it ignored.
        qsizetype from = p + 1;
        qsizetype to = from;
        while (to < gt && d[to] != ':')
            ++to;
        while (from < to && isBlank(d[from]))
            ++from;
        while (to > from && isBlank(d[to - 1]))
            --to;
        bool digits = to > from;
        qint64 length = 0;
        for (qsizetype k = from; k < to; ++k) {
            const char c = d[k];
            if (c < '0' || c > '9') {
                digits = false;
                break;
            }
            if (length < (qint64(1) << 40))
                length = length * 10 + (c - '0');
        }
        if (!digits) {
            if (m_inHeader) {
                m_pos = gt + 1;
                continue;
            }
            const QByteArray lengthText(d + from, to - from);
            const QString shown = m_utf8 ? QString::fromUtf8(lengthText)
                                         : Codepage::fromCp1251(lengthText);
            throw DbError(QStringLiteral("'%1' is not a valid integer value").arg(shown));
        }

        const qsizetype start = gt + 1;
        const qsizetype end = valueEnd(start, length);
        const int tag = tagFromName(name, nameSize);
        if (tag >= 0)
            record.values[tag] = Span{start, end};
        m_pos = end;
    }
    return false;
}

} // namespace Adif
