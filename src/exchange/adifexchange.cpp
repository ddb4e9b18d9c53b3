#include "exchange/adifexchange.h"

#include "exchange/codepage.h"
#include "logdb/bulkwork.h"
#include "logdb/connection.h"
#include "logdb/dataset.h"
#include "logdb/dberror.h"
#include "logdb/progress.h"
#include "logdb/textforms.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>

#include <sqlite3.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <condition_variable>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace AdifExchange {

namespace {

QString systemReason(int err)
{
    return QString::fromLocal8Bit(std::strerror(err));
}

QDate toDate(const QVariant &v)
{
    if (v.isNull())
        return QDate();
    if (v.typeId() == QMetaType::QDate)
        return v.toDate();
    if (v.typeId() == QMetaType::QDateTime)
        return v.toDateTime().date();
    const QString s = v.toString();
    const QDate d = TextForms::readStoredDate(s);
    return d.isValid() ? d : QDate::fromString(s, QStringLiteral("dd.MM.yyyy"));
}

QTime toTime(const QVariant &v)
{
    if (v.isNull())
        return QTime();
    if (v.typeId() == QMetaType::QTime)
        return v.toTime();
    if (v.typeId() == QMetaType::QDateTime)
        return v.toDateTime().time();
    return TextForms::readStoredTime(v.toString());
}

// Cut to the first `width` characters without halving a surrogate pair.
QString cutToWidth(const QString &s, int width)
{
    if (width <= 0 || s.size() <= width)
        return s;
    qsizetype units = 0;
    int chars = 0;
    while (units < s.size() && chars < width) {
        units += (s[units].isHighSurrogate() && units + 1 < s.size()
                  && s[units + 1].isLowSurrogate()) ? 2 : 1;
        ++chars;
    }
    return s.left(units);
}

struct Statement {
    sqlite3_stmt *stmt = nullptr;
    ~Statement() { sqlite3_finalize(stmt); }
};

[[noreturn]] void raiseSqlite(sqlite3 *db)
{
    throw DbError(QString::fromUtf8(sqlite3_errmsg(db)));
}

} // namespace

namespace {

// The file being written: a temporary file in the chosen file's folder,
// renamed over the chosen name only when it is complete, and removed if it
// is never completed.
class TempFileBeside {
public:
    explicit TempFileBeside(const QString &path) : m_shown(QDir::toNativeSeparators(path))
    {
        const QFileInfo target(path);
        m_targetName = QFile::encodeName(target.absoluteFilePath());
        const QString dir = target.absolutePath();

        // An existing file that is a folder cannot be replaced; say so before
        // anything is written.
        struct stat st;
        const bool exists = ::stat(m_targetName.constData(), &st) == 0;
        if (exists && S_ISDIR(st.st_mode))
            fail(EISDIR);
        for (int attempt = 0; attempt < 100 && m_fd < 0; ++attempt) {
            m_tmpName = QFile::encodeName(
                QStringLiteral("%1/.%2.%3-%4.tmp").arg(dir, target.fileName()).arg(::getpid()).arg(attempt));
            m_fd = ::open(m_tmpName.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            if (m_fd < 0 && errno != EEXIST)
                fail(errno);
        }
        if (m_fd < 0)
            fail(EEXIST);
        if (exists)
            ::fchmod(m_fd, st.st_mode & 07777);   // keep the replaced file's permissions
    }

    ~TempFileBeside() { abandon(); }
    TempFileBeside(const TempFileBeside &) = delete;
    TempFileBeside &operator=(const TempFileBeside &) = delete;

    void write(const char *p, qsizetype left)
    {
        while (left > 0) {
            const ssize_t n = ::write(m_fd, p, size_t(left));
            if (n < 0) {
                if (errno == EINTR)
                    continue;
                failAndRemove(errno);
            }
            p += n;
            left -= n;
        }
    }

    // Starts the file over, empty.
    void truncate()
    {
        if (::ftruncate(m_fd, 0) != 0 || ::lseek(m_fd, 0, SEEK_SET) != 0)
            failAndRemove(errno);
    }

    // Makes the written file the chosen one.
    void commit()
    {
        if (::fsync(m_fd) != 0 && errno != EINVAL && errno != EROFS)
            failAndRemove(errno);
        const int fd = m_fd;
        m_fd = -1;
        if (::close(fd) != 0) {
            const int err = errno;
            ::unlink(m_tmpName.constData());
            fail(err);
        }
        if (::rename(m_tmpName.constData(), m_targetName.constData()) != 0) {
            const int err = errno;
            ::unlink(m_tmpName.constData());
            fail(err);
        }
    }

    // Removes what was written; the chosen file stays as it was.
    void abandon()
    {
        if (m_fd < 0)
            return;
        ::close(m_fd);
        m_fd = -1;
        ::unlink(m_tmpName.constData());
    }

private:
    [[noreturn]] void fail(int err)
    {
        throw DbError(QStringLiteral("Cannot create file \"%1\". %2").arg(m_shown, systemReason(err)));
    }
    [[noreturn]] void failAndRemove(int err)
    {
        abandon();
        fail(err);
    }

    QString m_shown;
    QByteArray m_targetName;
    QByteArray m_tmpName;
    int m_fd = -1;
};

// Where exported text goes as it is made, a megabyte at a time.
class ExportOutput {
public:
    virtual ~ExportOutput() = default;
    virtual void write(const std::string &chunk) = 0;
    virtual void restart() = 0;   // what was written so far is void
};

class MemoryOutput : public ExportOutput {
public:
    void write(const std::string &chunk) override { bytes.append(chunk.data(), qsizetype(chunk.size())); }
    void restart() override { bytes.clear(); }
    QByteArray bytes;
};

class FileOutput : public ExportOutput {
public:
    explicit FileOutput(TempFileBeside &file) : m_file(file) { }
    void write(const std::string &chunk) override { m_file.write(chunk.data(), qsizetype(chunk.size())); }
    void restart() override { m_file.truncate(); }

private:
    TempFileBeside &m_file;
};

void appendNumber(std::string &out, qsizetype n)
{
    char digits[24];
    int k = 0;
    do {
        digits[k++] = char('0' + n % 10);
        n /= 10;
    } while (n > 0);
    while (k > 0)
        out.push_back(digits[--k]);
}

// One tag line: "<TAG:len>" (the date "<QSO_DATE:len:D>"), the value, CR LF;
// nothing for an empty value.
void appendTagLine(std::string &out, Adif::Tag tag, const char *value, qsizetype size)
{
    if (size <= 0)
        return;
    out.push_back('<');
    out.append(Adif::tagName(tag));
    out.push_back(':');
    appendNumber(out, size);
    if (tag == Adif::QsoDate)
        out.append(":D", 2);
    out.push_back('>');
    out.append(value, size_t(size));
    out.append("\r\n", 2);
}

inline bool digitsAt(const char *p, std::initializer_list<int> at)
{
    for (int i : at) {
        if (p[i] < '0' || p[i] > '9')
            return false;
    }
    return true;
}

// The ADIF text of a stored cell in its common forms, made without strings:
// an ISO date, an "HH:mm" time, a text of ASCII characters. False when the
// value needs the general way (the field's typed value as a string).
bool quickValue(const RowStore::Cell &cell, FieldType type, Adif::Tag tag, char *buf, const char **value,
                qsizetype *size)
{
    if (cell.kind == RowStore::Kind::Null) {
        *size = 0;   // no value: no tag line (dates and times of any type too)
        return type == FieldType::Date || type == FieldType::Time || type == FieldType::Text;
    }
    if (cell.kind != RowStore::Kind::Text)
        return false;
    const char *p = cell.data;
    if (tag == Adif::QsoDate) {
        if (type != FieldType::Date || cell.size < 10 || p[4] != '-' || p[7] != '-'
            || !digitsAt(p, {0, 1, 2, 3, 5, 6, 8, 9}))
            return false;
        const int year = (p[0] - '0') * 1000 + (p[1] - '0') * 100 + (p[2] - '0') * 10 + (p[3] - '0');
        if (!QDate::isValid(year, (p[5] - '0') * 10 + (p[6] - '0'), (p[8] - '0') * 10 + (p[9] - '0')))
            return false;
        const char form[8] = {p[0], p[1], p[2], p[3], p[5], p[6], p[8], p[9]};
        std::memcpy(buf, form, 8);
        *value = buf;
        *size = 8;
        return true;
    }
    if (tag == Adif::TimeOn || tag == Adif::TimeOff) {
        if (type != FieldType::Time || cell.size < 5 || p[2] != ':' || !digitsAt(p, {0, 1, 3, 4}))
            return false;
        if ((p[0] - '0') * 10 + (p[1] - '0') > 23 || (p[3] - '0') * 10 + (p[4] - '0') > 59)
            return false;
        const char form[4] = {p[0], p[1], p[3], p[4]};
        std::memcpy(buf, form, 4);
        *value = buf;
        *size = 4;
        return true;
    }
    if (type != FieldType::Text || Codepage::hasNonAscii(p, cell.size))
        return false;
    *value = p;
    *size = cell.size;
    return true;
}

// The value's text the general way, as the field gives it.
QString generalValue(Dataset *log, int row, int field, Adif::Tag tag)
{
    const QVariant value = log->valueAt(row, field);
    if (tag == Adif::QsoDate)
        return Adif::dateValue(toDate(value));
    if (tag == Adif::TimeOn || tag == Adif::TimeOff)
        return Adif::timeValue(toTime(value));
    return value.isNull() ? QString() : value.toString();
}

struct ExportRun {
    int count = 0;
    Adif::Encoding encoding = Adif::Encoding::Cp1251;
    bool cancelled = false;
};

ExportRun writeExport(Dataset *log, ExportEncoding encoding, const Progress &progress, ExportOutput &output)
{
    log->last();
    const int count = log->recordCount();

    int field[Adif::TagCount];
    FieldType type[Adif::TagCount];
    for (int t = 0; t < Adif::TagCount; ++t) {
        field[t] = log->fieldIndex(QString::fromLatin1(Adif::tagName(Adif::Tag(t))));
        type[t] = field[t] >= 0 ? log->fieldDef(field[t]).type : FieldType::Variant;
    }

    ExportRun run;
    run.count = count;
    run.encoding = encoding == ExportEncoding::Utf8 ? Adif::Encoding::Utf8 : Adif::Encoding::Cp1251;
    WorkReporter reporter(progress, count);
    const size_t kChunk = size_t(1) << 20;
    std::string out;
    out.reserve(kChunk + 4096);
    std::vector<RowStore::Cell> cells(size_t(log->fieldCount()));
    int reported = 0;
    // Written in Windows-1251 until a value does not fit it; then the whole
    // file once more in UTF-8 (the lengths differ from the start).
    for (bool restart = true; restart;) {
        restart = false;
        out.assign(Adif::header().constData());
        for (int row = 0; row < count && !restart; ++row) {
            log->cellsAt(row, cells.data());
            for (int t = 0; t < Adif::TagCount; ++t) {
                if (field[t] < 0)
                    continue;
                const Adif::Tag tag = Adif::Tag(t);
                char buf[8];
                const char *value = nullptr;
                qsizetype size = 0;
                if (quickValue(cells[size_t(field[t])], type[t], tag, buf, &value, &size)) {
                    appendTagLine(out, tag, value, size);
                    continue;
                }
                const QString v = generalValue(log, row, field[t], tag);
                if (run.encoding == Adif::Encoding::Cp1251 && !Codepage::fitsCp1251(v)) {
                    run.encoding = Adif::Encoding::Utf8;
                    restart = true;
                    break;
                }
                const QByteArray bytes
                    = run.encoding == Adif::Encoding::Utf8 ? v.toUtf8() : Codepage::toCp1251(v);
                appendTagLine(out, tag, bytes.constData(), bytes.size());
            }
            if (restart) {
                output.restart();
                break;
            }
            out.append("<EOR>\r\n\r\n", 9);
            if (out.size() >= kChunk) {
                output.write(out);
                out.clear();
            }
            // The bar does not go back for the second round.
            if (row + 1 > reported) {
                reported = row + 1;
                if (!reporter.update(reported)) {
                    run.cancelled = true;
                    return run;
                }
            }
        }
    }
    output.write(out);
    return run;
}

}   // namespace

// ---------------------------------------------------------------- export

ExportedText exportText(Dataset *log, ExportEncoding encoding, const Progress &progress)
{
    MemoryOutput output;
    const ExportRun run = writeExport(log, encoding, progress, output);
    ExportedText result;
    result.encoding = run.encoding;
    result.cancelled = run.cancelled;
    if (!run.cancelled)
        result.bytes = std::move(output.bytes);
    return result;
}

QByteArray exportText(Dataset *log, const Progress &progress)
{
    return exportText(log, ExportEncoding::Cp1251WhenItFits, progress).bytes;
}

ExportResult exportLog(Dataset *log, const QString &fileName, ExportEncoding encoding,
                       const Progress &progress)
{
    log->last();   // the closed view's own error comes before any file is made
    TempFileBeside file(fileName);
    FileOutput output(file);
    const ExportRun run = writeExport(log, encoding, progress, output);
    ExportResult result;
    result.encoding = run.encoding;
    if (run.cancelled) {
        file.abandon();
        result.cancelled = true;
        return result;
    }
    file.commit();
    result.count = run.count;
    return result;
}

int exportLog(Dataset *log, const QString &fileName, const Progress &progress)
{
    return exportLog(log, fileName, ExportEncoding::Cp1251WhenItFits, progress).count;
}

void writeFileAtomically(const QString &path, const QByteArray &data)
{
    TempFileBeside file(path);
    file.write(data.constData(), data.size());
    file.commit();
}

QByteArray readFile(const QString &path)
{
    const QString shown = QDir::toNativeSeparators(path);
    auto fail = [&](int err) -> void {
        throw DbError(QStringLiteral("Cannot open file \"%1\". %2").arg(shown, systemReason(err)));
    };
    const QByteArray name = QFile::encodeName(path);
    const int fd = ::open(name.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        fail(errno);
    struct stat st;
    if (::fstat(fd, &st) != 0) {
        const int err = errno;
        ::close(fd);
        fail(err);
    }
    if (S_ISDIR(st.st_mode)) {
        ::close(fd);
        fail(EISDIR);
    }
    // Read straight into the buffer; a file that grows meanwhile is read on.
    QByteArray data;
    qsizetype used = 0;
    data.resize(qMax<qsizetype>(qsizetype(st.st_size), 0) + 1);
    for (;;) {
        if (used == data.size())
            data.resize(data.size() * 2);
        const ssize_t n = ::read(fd, data.data() + used, size_t(data.size() - used));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            const int err = errno;
            ::close(fd);
            fail(err);
        }
        if (n == 0)
            break;
        used += n;
    }
    data.truncate(used);
    ::close(fd);
    return data;
}

// ---------------------------------------------------------------- import

namespace {

// yyyymmdd read as the program's own form dd.mm.yyyy.
QDate readDate(const QString &d)
{
    return TextForms::parseDate(d.mid(6, 2) + u'.' + d.mid(4, 2) + u'.' + d.left(4));
}

// hhmm read as hh:mm; whatever follows the minutes is not looked at.
QTime readTime(const QString &t)
{
    return TextForms::parseTime(t.left(2) + u':' + t.mid(2, 2));
}

inline bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

inline int twoDigits(const char *p)
{
    return (p[0] - '0') * 10 + (p[1] - '0');
}

// The common forms of a date and a time written straight into their storage
// forms, exactly as readDate/readTime and storeDate/storeTime would make
// them; false for anything else, which then takes that slower way.
bool quickDate(const char *p, qsizetype n, char *out)
{
    if (n < 8)
        return false;
    for (int i = 0; i < 8; ++i) {
        if (!isDigit(p[i]))
            return false;
    }
    const int year = twoDigits(p) * 100 + twoDigits(p + 2);
    if (year < 1 || !QDate::isValid(year, twoDigits(p + 4), twoDigits(p + 6)))
        return false;
    const char form[] = {p[0], p[1], p[2], p[3], '-', p[4], p[5], '-', p[6], p[7], '\0'};
    std::memcpy(out, form, sizeof form);
    return true;
}

bool quickTime(const char *p, qsizetype n, char *out)
{
    if (n < 4 || !isDigit(p[0]) || !isDigit(p[1]) || !isDigit(p[2]) || !isDigit(p[3]))
        return false;
    if (twoDigits(p) > 23 || twoDigits(p + 2) > 59)
        return false;
    const char form[] = {p[0], p[1], ':', p[2], p[3], '\0'};
    std::memcpy(out, form, sizeof form);
    return true;
}

// Columns in the order of the insert statement.
const Adif::Tag kTextOrder[] = {
    Adif::Freq, Adif::Mode,    Adif::Call,       Adif::RstSent, Adif::RstRcvd, Adif::Name,
    Adif::Qth,  Adif::Comment, Adif::GridSquare, Adif::QslSent, Adif::QslRcvd, Adif::TxPwr,
};
const int kTexts = 12;
const int kColumns = 15;
const char kColumnList[]
    = "insert into log (QSO_DATE, TIME_ON, TIME_OFF, FREQ, MODE, CALL, RST_SENT, RST_RCVD,"
      " NAME, QTH, COMMENT, GRIDSQUARE, QSL_SENT, QSL_RCVD, TX_PWR) values ";

QByteArray insertStatement(int rows)
{
    QByteArray sql = kColumnList;
    for (int r = 0; r < rows; ++r) {
        sql += r ? ",(" : "(";
        for (int c = 0; c < kColumns; ++c)
            sql += c ? ",?" : "?";
        sql += ')';
    }
    return sql;
}

// QSOs read from the file and made into rows, waiting to be inserted a few
// dozen at a time by one statement. Values are bound straight from the
// file's bytes wherever they are already what the column stores; the rest
// is converted into the batch's own buffer.
class RowBatch {
public:
    static constexpr int kRows = 32;

    explicit RowBatch(const Adif::Reader &reader) : m_reader(reader) { }

    int size() const { return m_count; }
    void clear()
    {
        m_count = 0;
        m_own.clear();
    }

    // Makes the record a row of the batch. Throws DbError for a date or time
    // that cannot be read; the batch is then as before.
    void add(const Adif::RecordSpans &rec)
    {
        Row &row = m_rows[m_count];
        const qsizetype ownBefore = m_own.size();
        try {
            const char *d = m_reader.data();
            const Adif::Span &date = rec.values[Adif::QsoDate];
            if (!quickDate(d + date.start, date.size(), row.date))
                copyForm(row.date, TextForms::storeDate(readDate(m_reader.decode(date))));
            const Adif::Span &on = rec.values[Adif::TimeOn];
            if (!quickTime(d + on.start, on.size(), row.on))
                copyForm(row.on, TextForms::storeTime(readTime(m_reader.decode(on))));
            const Adif::Span &off = rec.values[Adif::TimeOff];
            if (off.size() == 0) {
                std::memcpy(row.off, row.on, sizeof row.off);
            } else if (!quickTime(d + off.start, off.size(), row.off)) {
                const QString offText = m_reader.decode(off);
                if (offText.isEmpty())
                    std::memcpy(row.off, row.on, sizeof row.off);
                else
                    copyForm(row.off, TextForms::storeTime(readTime(offText)));
            }
            for (int i = 0; i < kTexts; ++i) {
                const Adif::Tag tag = kTextOrder[i];
                setText(row.texts[i], rec.values[tag], Adif::columnWidth(tag));
            }
        } catch (...) {
            m_own.truncate(ownBefore);
            throw;
        }
        ++m_count;
    }

    void bind(sqlite3_stmt *st, int row, int first) const
    {
        const Row &r = m_rows[row];
        sqlite3_bind_text(st, first, r.date, -1, SQLITE_STATIC);
        sqlite3_bind_text(st, first + 1, r.on, -1, SQLITE_STATIC);
        sqlite3_bind_text(st, first + 2, r.off, -1, SQLITE_STATIC);
        for (int i = 0; i < kTexts; ++i) {
            const Text &t = r.texts[i];
            // Empty texts are stored as zero-length strings, not NULL.
            sqlite3_bind_text(st, first + 3 + i, t.size ? m_own.constData() + t.at : "", t.size,
                              SQLITE_STATIC);
        }
    }

private:
    struct Text {
        qsizetype at = 0;   // in m_own
        int size = 0;
    };
    struct Row {
        char date[16];
        char on[8];
        char off[8];
        Text texts[kTexts];
    };

    static void copyForm(char *out, const QString &form)
    {
        const QByteArray b = form.toLatin1();
        std::memcpy(out, b.constData(), size_t(qMin<qsizetype>(b.size(), 7)));
        out[qMin<qsizetype>(b.size(), 7)] = '\0';
    }

    void keep(Text &t, const char *p, qsizetype n)
    {
        t.at = m_own.size();
        t.size = int(n);
        m_own.append(p, n);
    }

    // The value as the column stores it, copied: the reader's bytes do not
    // outlive its next record.
    void setText(Text &t, const Adif::Span &span, int width)
    {
        const char *p = m_reader.data() + span.start;
        const qsizetype n = span.size();
        t = Text();
        if (n <= 0)
            return;
        bool ascii = true;
        for (qsizetype i = 0; i < n; ++i) {
            const unsigned char b = static_cast<unsigned char>(p[i]);
            if (b == 0)
                return setConverted(t, span, width);   // zero characters are dropped
            if (b >= 0x80)
                ascii = false;
        }
        if (ascii)
            return keep(t, p, width > 0 && n > width ? width : n);
        // Well-formed UTF-8 is what the column stores: cut after `width`
        // characters. A leading byte-order mark would be dropped by decoding.
        if (m_reader.wholeTextValidUtf8() && !(n >= 3 && std::memcmp(p, "\xEF\xBB\xBF", 3) == 0)) {
            qsizetype end = n;
            if (width > 0) {
                int chars = 0;
                for (qsizetype i = 0; i < n; ++i) {
                    if ((static_cast<unsigned char>(p[i]) & 0xC0) != 0x80 && chars++ == width) {
                        end = i;
                        break;
                    }
                }
            }
            return keep(t, p, end);
        }
        setConverted(t, span, width);
    }

    void setConverted(Text &t, const Adif::Span &span, int width)
    {
        const QByteArray utf8 = cutToWidth(m_reader.decode(span), width).toUtf8();
        keep(t, utf8.constData(), utf8.size());
    }

    const Adif::Reader &m_reader;
    Row m_rows[kRows];
    int m_count = 0;
    QByteArray m_own;
};

}   // namespace

LogRow toLogRow(const Adif::Record &record)
{
    LogRow row;
    row.date = readDate(record[Adif::QsoDate]);
    row.timeOn = readTime(record[Adif::TimeOn]);
    row.timeOff = readTime(record[Adif::TimeOff].isEmpty() ? record[Adif::TimeOn] : record[Adif::TimeOff]);
    for (int t = 0; t < Adif::TagCount; ++t) {
        if (Adif::isText(Adif::Tag(t)))
            row.texts.values[t] = cutToWidth(record.values[t], Adif::columnWidth(Adif::Tag(t)));
    }
    return row;
}

namespace {

// An ADI file read a piece at a time, with readFile's messages.
class FileSource : public Adif::Source {
public:
    explicit FileSource(const QString &path) : m_shown(QDir::toNativeSeparators(path))
    {
        m_fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
        if (m_fd < 0)
            fail(errno);
        struct stat st;
        if (::fstat(m_fd, &st) != 0)
            fail(errno);
        if (S_ISDIR(st.st_mode))
            fail(EISDIR);
        m_size = st.st_size;
    }
    ~FileSource() override
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    FileSource(const FileSource &) = delete;
    FileSource &operator=(const FileSource &) = delete;

    qsizetype read(char *buffer, qsizetype capacity) override
    {
        for (;;) {
            const ssize_t n = ::read(m_fd, buffer, size_t(capacity));
            if (n >= 0)
                return n;
            if (errno != EINTR)
                fail(errno);
        }
    }
    void rewind() override
    {
        if (::lseek(m_fd, 0, SEEK_SET) != 0)
            fail(errno);
    }
    qint64 size() const override { return m_size; }

private:
    [[noreturn]] void fail(int err)
    {
        throw DbError(QStringLiteral("Cannot open file \"%1\". %2").arg(m_shown, systemReason(err)));
    }

    QString m_shown;
    int m_fd = -1;
    qint64 m_size = 0;
};

ImportResult importRecords(Dataset *log, Adif::Reader &reader, const Progress &progress, ImportResult *done);

}   // namespace

ImportResult importFile(Dataset *log, const QString &fileName, const Progress &progress,
                        ImportResult *done)
{
    if (done)
        *done = ImportResult();
    FileSource source(fileName);
    Adif::Reader reader(source);
    return importRecords(log, reader, progress, done);
}

ImportResult importBytes(Dataset *log, const QByteArray &bytes, const Progress &progress,
                         ImportResult *done)
{
    Adif::Reader reader(bytes);
    return importRecords(log, reader, progress, done);
}

namespace {

// Records read and made into rows on a thread of their own, a batch at a
// time, while the caller's thread stores them: reading and converting cost
// about a third of what storing does, and the two need not wait for each
// other. Only this thread touches the reader; the engine is never touched
// here.
class RowProducer {
public:
    struct Item {
        std::unique_ptr<RowBatch> batch;   // rows, possibly none
        qint64 position = 0;               // bytes of the text read after them
        std::exception_ptr error;          // met after these rows
        bool end = false;                  // no more items
    };

    explicit RowProducer(Adif::Reader &reader) : m_reader(reader)
    {
        for (int i = 0; i < kBatches; ++i)
            m_free.push_back(std::make_unique<RowBatch>(reader));
        // With one processor the reading is done here, between the batches.
        m_threaded = std::thread::hardware_concurrency() > 1;
        if (m_threaded)
            m_thread = std::thread([this] { run(); });
    }
    ~RowProducer()
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_stop = true;
        }
        m_space.notify_all();
        if (m_thread.joinable())
            m_thread.join();
    }
    RowProducer(const RowProducer &) = delete;
    RowProducer &operator=(const RowProducer &) = delete;

    Item take()
    {
        if (!m_threaded && !m_ended)
            produce();
        std::unique_lock<std::mutex> lock(m_mutex);
        if (m_ready.empty()) {
            m_takerWaits = true;
            m_filled.wait(lock, [this] { return !m_ready.empty(); });
            m_takerWaits = false;
        }
        Item item = std::move(m_ready.front());
        m_ready.pop_front();
        return item;
    }
    void giveBack(std::unique_ptr<RowBatch> batch)
    {
        if (!batch)
            return;
        batch->clear();
        bool wake = false;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_free.push_back(std::move(batch));
            wake = m_free.size() == kResumeAt;
        }
        if (wake)
            m_space.notify_one();
    }

private:
    // The reading waits when every batch is full, and goes on once half of
    // them are free again: few wake-ups of either thread.
    static constexpr int kBatches = 16;
    static constexpr size_t kResumeAt = kBatches / 2;

    void run()
    {
        while (produce()) {
        }
    }

    // Reads the next batch of rows into the queue; false when it was the
    // last or the reading is to stop.
    bool produce()
    {
        std::unique_ptr<RowBatch> batch;
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            if (m_free.empty())
                m_space.wait(lock, [this] { return m_stop || m_free.size() >= kResumeAt; });
            if (m_stop)
                return false;
            batch = std::move(m_free.back());
            m_free.pop_back();
        }
        Item item;
        try {
            while (batch->size() < RowBatch::kRows) {
                if (!m_reader.next(m_record)) {
                    item.end = true;
                    break;
                }
                batch->add(m_record);   // a record that cannot be stored adds nothing
            }
        } catch (...) {
            item.error = std::current_exception();
            item.end = true;
        }
        item.position = m_reader.position();
        item.batch = std::move(batch);
        const bool more = !item.end;
        m_ended = item.end;
        bool wake = false;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_ready.push_back(std::move(item));
            wake = m_takerWaits;
        }
        if (wake)
            m_filled.notify_one();
        return more;
    }

    Adif::Reader &m_reader;
    Adif::RecordSpans m_record;
    bool m_threaded = false;
    bool m_ended = false;   // of the producing side
    std::thread m_thread;
    std::mutex m_mutex;
    std::condition_variable m_space;    // the reading waits for free batches
    std::condition_variable m_filled;   // the storing waits for rows
    bool m_takerWaits = false;
    std::vector<std::unique_ptr<RowBatch>> m_free;
    std::deque<Item> m_ready;
    bool m_stop = false;
};

ImportResult importRecords(Dataset *log, Adif::Reader &reader, const Progress &progress, ImportResult *done)
{
    // The QSOs are committed at the end, and every ten seconds of a very long
    // import: a commit writes again every index page touched since the one
    // before (keys arrive in no order), so commits by the thousand QSOs would
    // make a large import grow faster than its size. A killed import loses
    // only what came after the last commit and never leaves a QSO in part.
    const qint64 kCommitMs = 10000;

    WorkReporter reporter(progress, -1);
    ImportResult result;      // inserted so far
    ImportResult committed;   // of which safely in the file
    ImportResult unused;
    ImportResult &out = done ? *done : unused;
    out = ImportResult();

    Connection *conn = nullptr;
    sqlite3 *db = nullptr;
    Statement insertOne;
    Statement insertBatch;
    std::unique_ptr<BulkCache> cache;
    bool ownTransaction = false;
    qint64 read = 0;
    QElapsedTimer commitClock;

    auto prepare = [&](Statement &st, const QByteArray &sql) {
        if (sqlite3_prepare_v2(db, sql.constData(), int(sql.size()), &st.stmt, nullptr) != SQLITE_OK)
            raiseSqlite(db);
    };
    auto run = [&](Statement &st) {
        const int rc = sqlite3_step(st.stmt);
        if (rc != SQLITE_DONE && rc != SQLITE_ROW) {
            const QString message = QString::fromUtf8(sqlite3_errmsg(db));
            sqlite3_reset(st.stmt);
            throw DbError(message);
        }
        sqlite3_reset(st.stmt);
    };
    auto commit = [&]() {
        if (ownTransaction && conn->inTransaction())
            conn->commit();
        ownTransaction = false;
        committed = result;
        out = committed;
    };
    auto inserted = [&](int rows) {
        result.stored += rows;
        result.lastId = sqlite3_last_insert_rowid(db);
        if (!ownTransaction) {   // inside the caller's transaction: the caller commits
            committed = result;
            out = committed;
        }
    };
    // Stores a batch: all of it by one statement, or row by row when it is
    // short or the statement failed, so that the rows before a failing one
    // are kept and its error is the engine's own. A statement that fails
    // keeps either none of its rows or (a trigger's FAIL) those before the
    // failing one: the engine's count of the statement's own changes tells
    // which (the total count would take in what the log's triggers write).
    auto store = [&](const RowBatch &batch) {
        if (batch.size() == 0)
            return;
        if (!ownTransaction && !conn->inTransaction()) {
            conn->beginTransaction();
            ownTransaction = true;
            commitClock.start();
        }
        int from = 0;
        if (batch.size() == RowBatch::kRows) {
            for (int r = 0; r < RowBatch::kRows; ++r)
                batch.bind(insertBatch.stmt, r, r * kColumns + 1);
            const int rc = sqlite3_step(insertBatch.stmt);
            const QString message = rc == SQLITE_DONE ? QString() : QString::fromUtf8(sqlite3_errmsg(db));
            // Set when the statement ended, also by an error: 0 when the
            // engine undid it.
            const sqlite3_int64 kept = sqlite3_changes64(db);
            sqlite3_reset(insertBatch.stmt);
            if (rc == SQLITE_DONE) {
                inserted(int(kept));   // a trigger may have skipped a row
                return;
            }
            if (!conn->inTransaction())
                throw DbError(message);   // the engine gave the transaction up
            from = kept < 0 ? 0 : int(qMin<sqlite3_int64>(kept, RowBatch::kRows));
            if (from > 0)
                inserted(from);
        }
        for (int r = from; r < batch.size(); ++r) {
            batch.bind(insertOne.stmt, r, 1);
            run(insertOne);
            inserted(int(sqlite3_changes64(db)));
        }
    };

    const qint64 textSize = reader.size();
    try {
        RowProducer producer(reader);
        for (;;) {
            RowProducer::Item item = producer.take();
            if (item.batch && item.batch->size() > 0) {
                if (!db) {
                    // The first record needs the log: a closed view reports it.
                    if (!log->isActive())
                        log->recordCount();
                    conn = log->connection();
                    db = conn->handle();
                    prepare(insertOne, insertStatement(1));
                    prepare(insertBatch, insertStatement(RowBatch::kRows));
                    // Enough for the indexes of a large log: keys land anywhere in them.
                    cache = std::make_unique<BulkCache>(db, 64);
                }
                store(*item.batch);
                read += item.batch->size();
                if (ownTransaction && commitClock.elapsed() >= kCommitMs)
                    commit();
            }
            producer.giveBack(std::move(item.batch));
            if (item.error)
                std::rethrow_exception(item.error);   // after the QSOs before it
            if (item.end)
                break;
            if (!reporter.update(read, qMin(100, progressPosition(item.position, textSize))))
                break;   // the rows read ahead are not stored
        }
        commit();
    } catch (...) {
        // The QSOs inserted so far are whole: keep them.
        if (ownTransaction && conn && conn->inTransaction()) {
            try {
                conn->commit();
                committed = result;
            } catch (...) {
                try {
                    conn->rollback();
                } catch (...) {
                }
            }
        }
        out = committed;
        throw;
    }
    committed.cancelled = reporter.cancelled();
    out = committed;
    if (!committed.cancelled)
        reporter.finish(read, 100);
    return committed;
}

}   // namespace

} // namespace AdifExchange
