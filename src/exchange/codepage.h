#pragma once
#include <QByteArray>
#include <QString>

// Text conversions for the files the program exchanges with others.
// ADIF is written in Windows-1251, the code page of the Russian Windows
// setting the program is made for; the files it reads (ADIF, .sql,
// readme.txt, the hand-over INI) come from editors and programs that write
// either that code page or UTF-8.
namespace Codepage {

// Windows-1251 by a fixed table: exact, independent of the system locale.
// A character the code page cannot hold becomes "?" (one byte per
// character, so the byte count equals the character count; a character
// outside the Basic Multilingual Plane is one "?").
QByteArray toCp1251(const QString &text);
// Whether toCp1251 gives every character of text exactly (no "?" made up).
bool fitsCp1251(const QString &text);
QString fromCp1251(const QByteArray &bytes);
QString fromCp1251(const char *data, int size);

// Whether bytes are well-formed UTF-8 (no overlong forms, no surrogates,
// nothing above U+10FFFF).
bool isValidUtf8(const char *data, qsizetype size);
inline bool isValidUtf8(const QByteArray &b) { return isValidUtf8(b.constData(), b.size()); }
bool hasNonAscii(const char *data, qsizetype size);

// isValidUtf8 and hasNonAscii over a text given piece by piece: a character
// may be split between two pieces.
class Utf8Check {
public:
    void feed(const char *data, qsizetype size);
    bool failed() const { return m_failed; }   // an invalid sequence met: decided
    // After the last piece: valid UTF-8 to its end.
    bool valid() const { return !m_failed && m_pending == 0; }
    bool sawNonAscii() const { return m_nonAscii; }

private:
    int m_pending = 0;           // continuation bytes still due
    unsigned char m_lo = 0x80;   // allowed range of the next continuation byte
    unsigned char m_hi = 0xBF;
    bool m_failed = false;
    bool m_nonAscii = false;
};

bool startsWithUtf8Bom(const QByteArray &bytes);

// Text of a file of unknown encoding: UTF-8 when the bytes are valid UTF-8
// (a byte-order mark is dropped), UTF-16 when they start with its
// byte-order mark, otherwise Windows-1251.
QString decodeText(const QByteArray &bytes);

} // namespace Codepage
