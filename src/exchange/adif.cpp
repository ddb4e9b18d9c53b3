#include "exchange/adif.h"
#include "exchange/codepage.h"
#include "logdb/dberror.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace Adif {

namespace {

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
    const int n = int(std::strlen(word));
    if (n != size)
        return false;
    for (int i = 0; i < n; ++i) {
        if (upper(p[i]) != word[i])
            return false;
    }
    return true;
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
    for (int t = 0; t < TagCount; ++t) {
        if (equalsNoCase(name, size, kTags[t].name))
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

Reader::Reader(const QByteArray &bytes) : m_data(bytes)
{
    if (Codepage::startsWithUtf8Bom(m_data)) {
        m_utf8 = true;
        m_pos = 3;
    } else {
        m_utf8 = Codepage::hasNonAscii(m_data.constData(), m_data.size())
                 && Codepage::isValidUtf8(m_data);
    }
    // A file whose first character is "<" has no header (ADIF's own rule).
    qsizetype i = m_pos;
    while (i < m_data.size() && isBlank(m_data.at(i)))
        ++i;
    m_inHeader = i < m_data.size() && m_data.at(i) != '<';
}

qsizetype Reader::valueEnd(qsizetype start, qint64 length) const
{
    const qsizetype size = m_data.size();
    const qsizetype byteEnd = length >= qint64(size - start) ? size : start + qsizetype(length);
    if (!m_utf8)
        return byteEnd;
    const char *d = m_data.constData();
    if (!Codepage::hasNonAscii(d + start, byteEnd - start))
        return byteEnd;

    auto boundary = [&](qsizetype e) {
        return e >= size || (static_cast<unsigned char>(d[e]) & 0xC0) != 0x80;
    };
    // A value is followed by the next tag, a line break or the end.
    auto clean = [&](qsizetype e) { return e >= size || d[e] == '<' || isBlank(d[e]); };

    if (boundary(byteEnd) && clean(byteEnd))
        return byteEnd;
    // Some programs count characters instead of bytes.
    qsizetype charEnd = start;
    for (qint64 k = 0; k < length && charEnd < size; ++k) {
        ++charEnd;
        while (charEnd < size && !boundary(charEnd))
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
    const char *p = m_data.constData() + start;
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
    record = Record();
    const char *d = m_data.constData();
    const qsizetype size = m_data.size();

    while (m_pos < size) {
        const void *hit = std::memchr(d + m_pos, '<', size_t(size - m_pos));
        if (!hit) {
            m_pos = size;
            break;
        }
        const qsizetype lt = static_cast<const char *>(hit) - d;
        qsizetype p = lt + 1;
        while (p < size && isNameChar(d[p]))
            ++p;
        const int nameSize = int(p - lt - 1);
        if (nameSize == 0 || p >= size || (d[p] != '>' && d[p] != ':')) {
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
                record = Record();   // the header's fields are no QSO
            }
            continue;
        }

        // "<name:" — the specifier runs to ">" on the same line.
        qsizetype gt = p + 1;
        while (gt < size && gt - p <= 64 && d[gt] != '>' && d[gt] != '<' && d[gt] != '\r'
               && d[gt] != '\n')
            ++gt;
        if (gt >= size || d[gt] != '>') {
            m_pos = lt + 1;
            continue;
        }
        const QByteArray spec = QByteArray(d + p + 1, gt - p - 1);
        const qsizetype colon = spec.indexOf(':');
        const QByteArray lengthText = (colon < 0 ? spec : spec.left(colon)).trimmed();
        bool digits = !lengthText.isEmpty();
        qint64 length = 0;
        for (char c : lengthText) {
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
            const QString shown = m_utf8 ? QString::fromUtf8(lengthText)
                                         : Codepage::fromCp1251(lengthText);
            throw DbError(QStringLiteral("'%1' is not a valid integer value").arg(shown));
        }

        const qsizetype start = gt + 1;
        const qsizetype end = valueEnd(start, length);
        const int tag = tagFromName(name, nameSize);
        if (tag >= 0)
            record.values[tag] = decode(start, end);
        m_pos = end;
    }
    return false;
}

} // namespace Adif
