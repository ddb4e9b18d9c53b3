#include "fuzzentries.h"

#include "exchange/adif.h"
#include "country/ctysupport.h"
#include "logdb/dberror.h"
#include "exchange/inifile.h"
#include "logdb/textforms.h"

#include <QByteArray>
#include <QString>
#include <cstdio>
#include <cstdlib>

namespace {

[[noreturn]] void broken(const char *what)
{
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
}

QByteArray bytesOf(const uint8_t *data, size_t size)
{
    return QByteArray(reinterpret_cast<const char *>(data), qsizetype(size));
}

} // namespace

namespace FuzzEntry {

void adif(const uint8_t *data, size_t size)
{
    Adif::Reader reader(bytesOf(data, size));
    Adif::Record record;
    QByteArray written;
    int records = 0;
    try {
        qsizetype last = -1;
        while (reader.next(record)) {
            // Every record consumes input; a reader standing still would loop forever.
            if (reader.position() <= last)
                broken("ADI reader did not move on");
            last = reader.position();
            if (reader.position() > reader.size())
                broken("ADI reader past the end");
            Adif::appendRecord(written, record);
            ++records;
        }
    } catch (const DbError &) {
    }
    // What the writer made must read back as the same number of records.
    Adif::Reader again(Adif::header() + written);
    int reread = 0;
    try {
        while (again.next(record))
            ++reread;
    } catch (const DbError &e) {
        std::fprintf(stderr, "%s\n", e.what());
        broken("written ADI does not read back");
    }
    if (reread != records)
        broken("written ADI reads back as a different number of records");
}

void cty(const uint8_t *data, size_t size)
{
    const QByteArray contents = bytesOf(data, size);
    try {
        LoadCountryTableFromData(contents);
    } catch (const DbError &) {
        ClearCountryTable();
        return;
    }
    if (PrefixTable().size() != EntityTable().size())
        broken("country tables differ in size");
    // Look up calls made of the input's own pieces, so prefixes it declares
    // are found, plus a few ordinary calls.
    const QString text = QString::fromLatin1(contents);
    static const char *const calls[] = {"", "UA3AAA", "K1ABC", "DL/UA3AAA", "=", "*", "9"};
    for (const char *c : calls) {
        FindCountryByCall(QString::fromLatin1(c));
        FindCountryByPrefix(QString::fromLatin1(c));
    }
    for (qsizetype i = 0; i < text.size() && i < 64 * 8; i += 8) {
        const QString piece = text.mid(i, 8);
        FindCountryByCall(piece);
        FindCountryByPrefix(piece);
        FindCountryByPrefix(piece.left(kStoredCountryWidth));
    }
    for (const TCountryRecord &r : PrefixTable()) {
        if (r.Prefix.length > FixedText<20>::kMax || r.Name.length > FixedText<26>::kMax)
            broken("country record text longer than its field");
    }
    ClearCountryTable();
}

void ini(const uint8_t *data, size_t size)
{
    // First byte: the caller's buffer size; the rest is the file.
    const int bufferSize = size > 0 ? int(data[0]) - 8 : 2048;
    const IniFile file = IniFile::fromBytes(size > 0 ? bytesOf(data + 1, size - 1) : QByteArray());
    static const char *const keys[] = {"Call", "Name", "RprtSent", "Mode", "", " call "};
    for (const char *section : {"QSO", " qso", "", "[QSO]"}) {
        file.hasSection(QString::fromLatin1(section));
        for (const char *key : keys) {
            const QString v = file.readString(QString::fromLatin1(section), QString::fromLatin1(key),
                                               QStringLiteral("default"), bufferSize);
            if (bufferSize > 0 && v.size() > bufferSize - 1)
                broken("INI value longer than the buffer");
            file.hasKey(QString::fromLatin1(section), QString::fromLatin1(key));
        }
    }
}

void dateTime(const uint8_t *data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    try {
        const QDate d = TextForms::parseDate(text);
        if (!d.isValid())
            broken("parseDate returned an invalid date");
        // The displayed form of an accepted date reads back as the same day,
        // and so does its stored form.
        if (TextForms::parseDate(TextForms::formatDate(d)) != d)
            broken("date does not survive its text form");
        if (TextForms::readStoredDate(TextForms::storeDate(d)) != d)
            broken("date does not survive its stored form");
    } catch (const DbError &) {
    }
    try {
        const QTime t = TextForms::parseTime(text);
        if (!t.isValid())
            broken("parseTime returned an invalid time");
        const QTime minute(t.hour(), t.minute());
        if (TextForms::parseTime(TextForms::formatTime(t)) != minute)
            broken("time does not survive its text form");
        if (TextForms::readStoredTime(TextForms::storeTime(t)) != minute)
            broken("time does not survive its stored form");
    } catch (const DbError &) {
    }
    TextForms::readStoredDate(text);
    TextForms::readStoredTime(text);
    try {
        TextForms::parseInteger(text);
    } catch (const DbError &) {
    }
}

} // namespace FuzzEntry
