#pragma once
#include <QByteArray>
#include <QDate>
#include <QString>
#include <QTime>
#include <array>
#include <vector>

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

// Where one value of a record lies in the reader's bytes: [start, end).
// A tag the record does not have is an empty span.
struct Span {
    qsizetype start = 0;
    qsizetype end = 0;
    qsizetype size() const { return end - start; }
};
// One QSO as the spans of its values, for readers that convert the bytes
// themselves without making a string of every value.
struct RecordSpans {
    std::array<Span, TagCount> values;
};

// Where a reader gets a text too large to hold whole: a piece at a time.
class Source {
public:
    virtual ~Source() = default;
    // Fills up to `capacity` bytes of buffer; 0 at the end. Throws DbError
    // when the text cannot be read.
    virtual qsizetype read(char *buffer, qsizetype capacity) = 0;
    // Starts over from the beginning.
    virtual void rewind() = 0;
    // Bytes of the whole text, for the progress; -1 when not known.
    virtual qint64 size() const = 0;
};

// Reads records from the text of an ADI file. Tags are found as a stream
// (any number of records on a line, line breaks inside values kept), a
// length is the decimal number before ">" or before ":type", tag names and
// <EOR>/<EOH> are matched without regard to case and unknown tags are
// skipped by their length. Text is Windows-1251, unless the file starts
// with a UTF-8 byte-order mark or is valid UTF-8 holding non-ASCII bytes.
class Reader {
public:
    using Encoding = Adif::Encoding;

    // The whole text in memory.
    explicit Reader(const QByteArray &bytes);
    // The text read from source a megabyte or so at a time: once through to
    // tell its encoding, then record by record, holding little more than the
    // record in hand. The records are the same as from the whole text.
    explicit Reader(Source &source);

    Encoding encoding() const { return m_utf8 ? Encoding::Utf8 : Encoding::Cp1251; }
    // Whether every byte of the text is well-formed UTF-8 (always so when
    // the encoding is UTF-8 without a byte-order mark).
    bool wholeTextValidUtf8() const { return m_utf8 && !m_bom; }
    // The next record ending in <EOR>; false when no more records. Fields
    // after the last <EOR> are not a record. A tag of the records whose
    // length is not a number throws DbError "'<text>' is not a valid integer
    // value" (in the header such text is taken as free text).
    bool next(Record &record);
    // The same record as spans of data(); nothing is copied. The spans and
    // data() hold until the next call of next().
    bool next(RecordSpans &record);
    // A value's text as next(Record &) gives it: decoded, zero characters dropped.
    QString decode(const Span &span) const { return decode(span.start, span.end); }

    const char *data() const { return m_d; }
    // Bytes of the text read so far, and of the whole text.
    qint64 position() const { return m_base + m_pos; }
    qint64 size() const;

private:
    struct NeedMore { };
    bool parseRecord(RecordSpans &record);
    // Whether p is past the text's end; throws NeedMore when the text goes
    // on beyond what is held.
    bool pastEnd(qsizetype p) const
    {
        if (p < m_size)
            return false;
        if (!m_eof)
            throw NeedMore();
        return true;
    }
    void fill(qsizetype keepFrom);
    void findHeader();
    qsizetype valueEnd(qsizetype start, qint64 length) const;
    QString decode(qsizetype start, qsizetype end) const;

    Source *m_source = nullptr;
    QByteArray m_bytes;           // the whole text, without a source
    std::vector<char> m_buffer;   // the text held, with a source
    const char *m_d = nullptr;    // the text from m_base on
    qsizetype m_size = 0;
    qint64 m_base = 0;
    qsizetype m_pos = 0;   // in m_d
    bool m_eof = true;     // m_d holds the text up to its end
    bool m_utf8 = false;
    bool m_bom = false;
    bool m_inHeader = false;
};

} // namespace Adif
