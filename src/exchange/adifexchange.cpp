#include "exchange/adifexchange.h"

#include "exchange/codepage.h"
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
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace AdifExchange {

namespace {

QString systemReason(int err)
{
    return QString::fromLocal8Bit(std::strerror(err));
}

// Calls the progress receiver only when the position moves.
class ProgressTracker {
public:
    explicit ProgressTracker(const Progress &p) : m_progress(p) {}
    void update(long long done, long long total)
    {
        if (!m_progress)
            return;
        const int pos = progressPosition(done, total);
        if (pos != m_last) {
            m_last = pos;
            m_progress(pos);
        }
    }

private:
    const Progress &m_progress;
    int m_last = -1;
};

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

// The storage forms of TextForms::storeDate/storeTime ("yyyy-MM-dd",
// "HH:mm"), written without going through QString for the bulk import.
void storeDate(char *out, const QDate &d)
{
    std::snprintf(out, 16, "%04d-%02d-%02d", d.year(), d.month(), d.day());
}

void storeTime(char *out, const QTime &t)
{
    std::snprintf(out, 8, "%02d:%02d", t.hour(), t.minute());
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

// ---------------------------------------------------------------- export

ExportedText exportText(Dataset *log, ExportEncoding encoding, const Progress &progress)
{
    log->last();
    const int count = log->recordCount();

    int col[Adif::TagCount];
    for (int t = 0; t < Adif::TagCount; ++t)
        col[t] = log->fieldIndex(QString::fromLatin1(Adif::tagName(Adif::Tag(t))));

    ExportedText result;
    result.encoding = encoding == ExportEncoding::Utf8 ? Adif::Encoding::Utf8 : Adif::Encoding::Cp1251;
    QByteArray &out = result.bytes;
    ProgressTracker tracker(progress);
    int reported = 0;
    Adif::Record rec;
    // Written in Windows-1251 until a value does not fit it; then the whole
    // file once more in UTF-8 (the lengths differ from the start).
    for (bool restart = true; restart;) {
        restart = false;
        out = Adif::header();
        // About 300 bytes a full record; unused reserve is never touched.
        out.reserve(out.size() + qsizetype(count) * 400);
        for (int row = 0; row < count; ++row) {
            for (int t = 0; t < Adif::TagCount; ++t) {
                QString &v = rec.values[t];
                if (col[t] < 0) {
                    v.clear();
                    continue;
                }
                const QVariant value = log->valueAt(row, col[t]);
                if (t == Adif::QsoDate)
                    v = Adif::dateValue(toDate(value));
                else if (t == Adif::TimeOn || t == Adif::TimeOff)
                    v = Adif::timeValue(toTime(value));
                else
                    v = value.isNull() ? QString() : value.toString();
            }
            if (result.encoding == Adif::Encoding::Cp1251 && !Adif::fitsCp1251(rec)) {
                result.encoding = Adif::Encoding::Utf8;
                restart = true;
                break;
            }
            Adif::appendRecord(out, rec, result.encoding);
            // The bar does not go back for the second round.
            if (row + 1 > reported) {
                reported = row + 1;
                tracker.update(reported, count);
            }
        }
    }
    return result;
}

QByteArray exportText(Dataset *log, const Progress &progress)
{
    return exportText(log, ExportEncoding::Cp1251WhenItFits, progress).bytes;
}

ExportResult exportLog(Dataset *log, const QString &fileName, ExportEncoding encoding,
                       const Progress &progress)
{
    const ExportedText text = exportText(log, encoding, progress);
    writeFileAtomically(fileName, text.bytes);
    return {log->recordCount(), text.encoding};
}

int exportLog(Dataset *log, const QString &fileName, const Progress &progress)
{
    return exportLog(log, fileName, ExportEncoding::Cp1251WhenItFits, progress).count;
}

void writeFileAtomically(const QString &path, const QByteArray &data)
{
    const QString shown = QDir::toNativeSeparators(path);
    auto fail = [&](int err) -> void {
        throw DbError(QStringLiteral("Cannot create file \"%1\". %2").arg(shown, systemReason(err)));
    };

    const QFileInfo target(path);
    const QByteArray targetName = QFile::encodeName(target.absoluteFilePath());
    const QString dir = target.absolutePath();

    // An existing file that is a folder cannot be replaced; say so before
    // anything is written.
    struct stat st;
    const bool exists = ::stat(targetName.constData(), &st) == 0;
    if (exists && S_ISDIR(st.st_mode))
        fail(EISDIR);

    QByteArray tmpName;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        tmpName = QFile::encodeName(QStringLiteral("%1/.%2.%3-%4.tmp")
                                        .arg(dir, target.fileName())
                                        .arg(::getpid())
                                        .arg(attempt));
        fd = ::open(tmpName.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST)
            fail(errno);
    }
    if (fd < 0)
        fail(EEXIST);

    auto abandon = [&](int err) {
        ::close(fd);
        ::unlink(tmpName.constData());
        fail(err);
    };

    if (exists)
        ::fchmod(fd, st.st_mode & 07777);   // keep the replaced file's permissions
    const char *p = data.constData();
    qsizetype left = data.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, size_t(left));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            abandon(errno);
        }
        p += n;
        left -= n;
    }
    if (::fsync(fd) != 0 && errno != EINVAL && errno != EROFS)
        abandon(errno);
    if (::close(fd) != 0) {
        const int err = errno;
        ::unlink(tmpName.constData());
        fail(err);
    }
    if (::rename(tmpName.constData(), targetName.constData()) != 0) {
        const int err = errno;
        ::unlink(tmpName.constData());
        fail(err);
    }
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

LogRow toLogRow(const Adif::Record &record)
{
    LogRow row;
    const QString &d = record[Adif::QsoDate];
    // yyyymmdd read as the program's own form dd.mm.yyyy.
    row.date = TextForms::parseDate(d.mid(6, 2) + u'.' + d.mid(4, 2) + u'.' + d.left(4));
    auto time = [](const QString &t) {
        return TextForms::parseTime(t.left(2) + u':' + t.mid(2, 2));
    };
    row.timeOn = time(record[Adif::TimeOn]);
    row.timeOff = time(record[Adif::TimeOff].isEmpty() ? record[Adif::TimeOn]
                                                        : record[Adif::TimeOff]);
    for (int t = 0; t < Adif::TagCount; ++t) {
        if (Adif::isText(Adif::Tag(t)))
            row.texts.values[t] = cutToWidth(record.values[t], Adif::columnWidth(Adif::Tag(t)));
    }
    return row;
}

ImportResult importFile(Dataset *log, const QString &fileName, const Progress &progress,
                        ImportResult *done)
{
    return importBytes(log, readFile(fileName), progress, done);
}

ImportResult importBytes(Dataset *log, const QByteArray &bytes, const Progress &progress,
                         ImportResult *done)
{
    // Columns in the order of the statement below.
    static const Adif::Tag kTextOrder[] = {
        Adif::Freq, Adif::Mode, Adif::Call, Adif::RstSent, Adif::RstRcvd, Adif::Name,
        Adif::Qth, Adif::Comment, Adif::GridSquare, Adif::QslSent, Adif::QslRcvd, Adif::TxPwr,
    };
    static const char kInsert[] =
        "insert into log (QSO_DATE, TIME_ON, TIME_OFF, FREQ, MODE, CALL, RST_SENT, RST_RCVD,"
        " NAME, QTH, COMMENT, GRIDSQUARE, QSL_SENT, QSL_RCVD, TX_PWR)"
        " values (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)";
    // A batch is committed after this many QSOs or this much time, whichever
    // comes first: few commits for speed, little to redo after a crash.
    const int kBatchRows = 10000;
    const qint64 kBatchMs = 1000;

    Adif::Reader reader(bytes);
    ProgressTracker tracker(progress);
    ImportResult result;      // inserted so far
    ImportResult committed;   // of which safely in the file
    ImportResult unused;
    ImportResult &out = done ? *done : unused;
    out = ImportResult();

    Connection *conn = nullptr;
    sqlite3 *db = nullptr;
    Statement insert;
    bool ownTransaction = false;
    int inBatch = 0;
    QElapsedTimer batchClock;

    auto finishBatch = [&]() {
        if (ownTransaction && conn->inTransaction())
            conn->commit();
        ownTransaction = false;
        inBatch = 0;
        committed = result;
        out = committed;
    };

    try {
        Adif::Record rec;
        while (reader.next(rec)) {
            if (!db) {
                // The first record needs the log: a closed view reports it.
                if (!log->isActive())
                    log->recordCount();
                conn = log->connection();
                db = conn->handle();
                if (sqlite3_prepare_v2(db, kInsert, -1, &insert.stmt, nullptr) != SQLITE_OK)
                    raiseSqlite(db);
            }
            const LogRow row = toLogRow(rec);

            if (!ownTransaction && !conn->inTransaction()) {
                conn->beginTransaction();
                ownTransaction = true;
                batchClock.start();
            }
            // Texts bound from buffers that live until the step.
            QByteArray texts[12];
            char dateText[16], onText[8], offText[8];
            storeDate(dateText, row.date);
            storeTime(onText, row.timeOn);
            storeTime(offText, row.timeOff);
            sqlite3_reset(insert.stmt);
            sqlite3_bind_text(insert.stmt, 1, dateText, -1, SQLITE_STATIC);
            sqlite3_bind_text(insert.stmt, 2, onText, -1, SQLITE_STATIC);
            sqlite3_bind_text(insert.stmt, 3, offText, -1, SQLITE_STATIC);
            for (int i = 0; i < 12; ++i) {
                texts[i] = row.texts.values[kTextOrder[i]].toUtf8();
                // Empty texts are stored as zero-length strings, not NULL.
                sqlite3_bind_text(insert.stmt, 4 + i, texts[i].constData() ? texts[i].constData() : "",
                                  int(texts[i].size()), SQLITE_STATIC);
            }
            if (sqlite3_step(insert.stmt) != SQLITE_DONE)
                raiseSqlite(db);
            sqlite3_reset(insert.stmt);
            ++result.stored;
            result.lastId = sqlite3_last_insert_rowid(db);
            if (!ownTransaction) {   // inside the caller's transaction: the caller commits
                committed = result;
                out = committed;
            }

            if (ownTransaction && (++inBatch >= kBatchRows || batchClock.elapsed() >= kBatchMs))
                finishBatch();
            tracker.update(reader.position(), reader.size());
        }
        finishBatch();
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
    tracker.update(reader.size(), reader.size());
    return committed;
}

} // namespace AdifExchange
