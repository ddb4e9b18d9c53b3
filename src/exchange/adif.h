#pragma once
#include <QByteArray>
#include <QDate>
#include <QString>
#include <QTime>
#include <array>

// The Amateur Data Interchange Format as this program writes and reads it:
// fifteen tags, each tied to the column of table `log` of the same name.
namespace Adif {

// In the order a record is written.
enum Tag {
    Call, QsoDate, TimeOn, TimeOff, Mode, Name, Qth, Comment, Freq,
    RstSent, RstRcvd, QslSent, QslRcvd, TxPwr, GridSquare,
    TagCount
};

const char *tagName(Tag tag);     // "CALL", "QSO_DATE", ... (also the column name)
int columnWidth(Tag tag);         // text width of the column; 0 for the date and times
bool isText(Tag tag);
// The tag of a name, without regard to case; -1 for any other name.
int tagFromName(const char *name, int size);

// The text encodings of ADI files this program reads and writes.
enum class Encoding { Cp1251, Utf8 };

// One QSO as ADIF value texts; an empty text is "no value".
struct Record {
    std::array<QString, TagCount> values;
    QString &operator[](Tag t) { return values[t]; }
    const QString &operator[](Tag t) const { return values[t]; }
};

// Value forms: the date "yyyymmdd", times "hhmm"; empty when invalid.
QString dateValue(const QDate &d);
QString timeValue(const QTime &t);

// The header: program line, ADIF version, <EOH> and an empty line.
QByteArray header();
// Appends one record in the given encoding (Windows-1251 unless told): a
// line per tag with a value, in the order of Tag, "<TAG:len>" (the date
// "<QSO_DATE:8:D>") with the byte length of the encoded value, then "<EOR>"
// and an empty line.
void appendRecord(QByteArray &out, const Record &record, Encoding encoding = Encoding::Cp1251);
// Whether every value of the record can be written in Windows-1251 exactly.
bool fitsCp1251(const Record &record);

// Reads records from the text of an ADI file. Tags are found as a stream
// (any number of records on a line, line breaks inside values kept), a
// length is the decimal number before ">" or before ":type", tag names and
// <EOR>/<EOH> are matched without regard to case and unknown tags are
// skipped by their length. Text is Windows-1251, unless the file starts
// with a UTF-8 byte-order mark or is valid UTF-8 holding non-ASCII bytes.
class Reader {
public:
    using Encoding = Adif::Encoding;

    explicit Reader(const QByteArray &bytes);

    Encoding encoding() const { return m_utf8 ? Encoding::Utf8 : Encoding::Cp1251; }
    // The next record ending in <EOR>; false when no more records. Fields
    // after the last <EOR> are not a record. A tag of the records whose
    // length is not a number throws DbError "'<text>' is not a valid integer
    // value" (in the header such text is taken as free text).
    bool next(Record &record);
    qsizetype position() const { return m_pos; }
    qsizetype size() const { return m_data.size(); }

private:
    qsizetype valueEnd(qsizetype start, qint64 length) const;
    QString decode(qsizetype start, qsizetype end) const;

    QByteArray m_data;
    qsizetype m_pos = 0;
    bool m_utf8 = false;
    bool m_inHeader = false;
};

} // namespace Adif
