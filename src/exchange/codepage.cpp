#include "exchange/codepage.h"

#include <QStringDecoder>

#include <cstring>

namespace {

// Bytes 0x80..0xFF of Windows-1251. 0x98 is unassigned; Windows maps it to
// U+0098 both ways, and so do we, so that no byte is lost on reading.
const char16_t kHigh[128] = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021,
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x0098, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7,
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7,
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,
    0x0410, 0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417,
    0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D, 0x041E, 0x041F,
    0x0420, 0x0421, 0x0422, 0x0423, 0x0424, 0x0425, 0x0426, 0x0427,
    0x0428, 0x0429, 0x042A, 0x042B, 0x042C, 0x042D, 0x042E, 0x042F,
    0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436, 0x0437,
    0x0438, 0x0439, 0x043A, 0x043B, 0x043C, 0x043D, 0x043E, 0x043F,
    0x0440, 0x0441, 0x0442, 0x0443, 0x0444, 0x0445, 0x0446, 0x0447,
    0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F,
};

char encodeOne(char16_t c)
{
    if (c < 0x80)
        return char(c);
    // The whole Cyrillic block 0x0410..0x044F is contiguous in both.
    if (c >= 0x0410 && c <= 0x044F)
        return char(0xC0 + (c - 0x0410));
    for (int i = 0; i < 0x40; ++i) {
        if (kHigh[i] == c)
            return char(0x80 + i);
    }
    return '?';
}

} // namespace

namespace Codepage {

QByteArray toCp1251(const QString &text)
{
    const qsizetype n = text.size();
    QByteArray out(n, Qt::Uninitialized);
    char *o = out.data();
    const char16_t *p = reinterpret_cast<const char16_t *>(text.utf16());
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = p[i];
        if (QChar::isHighSurrogate(c) && i + 1 < n && QChar::isLowSurrogate(p[i + 1])) {
            ++i;   // one character, one "?"
            *o++ = '?';
            continue;
        }
        *o++ = encodeOne(c);
    }
    out.truncate(o - out.constData());
    return out;
}

bool fitsCp1251(const QString &text)
{
    for (const QChar ch : text) {
        const char16_t c = ch.unicode();
        // Surrogates (characters beyond the Basic Multilingual Plane) never fit.
        if (c >= 0x80 && encodeOne(c) == '?')
            return false;
    }
    return true;
}

QString fromCp1251(const char *data, int size)
{
    QString out(size, Qt::Uninitialized);
    char16_t *d = reinterpret_cast<char16_t *>(out.data());
    for (int i = 0; i < size; ++i) {
        const unsigned char b = static_cast<unsigned char>(data[i]);
        d[i] = b < 0x80 ? char16_t(b) : kHigh[b - 0x80];
    }
    return out;
}

QString fromCp1251(const QByteArray &bytes)
{
    return fromCp1251(bytes.constData(), int(bytes.size()));
}

bool hasNonAscii(const char *data, qsizetype size)
{
    for (qsizetype i = 0; i < size; ++i) {
        if (static_cast<unsigned char>(data[i]) >= 0x80)
            return true;
    }
    return false;
}

void Utf8Check::feed(const char *data, qsizetype size)
{
    const auto *s = reinterpret_cast<const unsigned char *>(data);
    qsizetype i = 0;
    while (i < size && !m_failed) {
        if (m_pending == 0) {
            // Runs of ASCII eight bytes at a time.
            while (i + 8 <= size) {
                quint64 word;
                std::memcpy(&word, s + i, 8);
                if (word & 0x8080808080808080ULL)
                    break;
                i += 8;
            }
            if (i >= size)
                break;
            const unsigned char c = s[i++];
            if (c < 0x80)
                continue;
            m_nonAscii = true;
            m_lo = 0x80;
            m_hi = 0xBF;
            if (c >= 0xC2 && c <= 0xDF) {
                m_pending = 1;
            } else if (c >= 0xE0 && c <= 0xEF) {
                m_pending = 2;
                if (c == 0xE0)
                    m_lo = 0xA0;   // overlong
                if (c == 0xED)
                    m_hi = 0x9F;   // surrogates
            } else if (c >= 0xF0 && c <= 0xF4) {
                m_pending = 3;
                if (c == 0xF0)
                    m_lo = 0x90;   // overlong
                if (c == 0xF4)
                    m_hi = 0x8F;   // above U+10FFFF
            } else {
                m_failed = true;
            }
            continue;
        }
        const unsigned char c = s[i++];
        if (c < m_lo || c > m_hi) {
            m_failed = true;
            break;
        }
        m_lo = 0x80;
        m_hi = 0xBF;
        --m_pending;
    }
}

bool isValidUtf8(const char *data, qsizetype size)
{
    const auto *s = reinterpret_cast<const unsigned char *>(data);
    qsizetype i = 0;
    while (i < size) {
        const unsigned char c = s[i];
        if (c < 0x80) {
            ++i;
            continue;
        }
        int extra;
        unsigned lo = 0x80, hi = 0xBF;   // allowed range of the second byte
        if (c >= 0xC2 && c <= 0xDF) {
            extra = 1;
        } else if (c >= 0xE0 && c <= 0xEF) {
            extra = 2;
            if (c == 0xE0) lo = 0xA0;          // overlong
            if (c == 0xED) hi = 0x9F;          // surrogates
        } else if (c >= 0xF0 && c <= 0xF4) {
            extra = 3;
            if (c == 0xF0) lo = 0x90;          // overlong
            if (c == 0xF4) hi = 0x8F;          // above U+10FFFF
        } else {
            return false;
        }
        if (i + extra >= size)
            return false;   // cut short at the end
        if (s[i + 1] < lo || s[i + 1] > hi)
            return false;
        for (int k = 2; k <= extra; ++k) {
            if ((s[i + k] & 0xC0) != 0x80)
                return false;
        }
        i += extra + 1;
    }
    return true;
}

bool startsWithUtf8Bom(const QByteArray &bytes)
{
    return bytes.startsWith("\xEF\xBB\xBF");
}

QString decodeText(const QByteArray &bytes)
{
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")) {
        QStringDecoder dec(bytes.startsWith("\xFF\xFE") ? QStringDecoder::Utf16LE
                                                        : QStringDecoder::Utf16BE);
        return dec.decode(bytes.mid(2));
    }
    if (isValidUtf8(bytes)) {
        const qsizetype skip = startsWithUtf8Bom(bytes) ? 3 : 0;
        return QString::fromUtf8(bytes.constData() + skip, bytes.size() - skip);
    }
    return fromCp1251(bytes);
}

} // namespace Codepage
