// mdbtools.h includes glib inside extern "C", where glib's C++ parts may not
// go: glib comes first. Both come before Qt's keyword macros.
#include <glib.h>
#include <mdbtools.h>

#include "convert/jetconvert.h"
#include "logdb/dberror.h"
#include "logdb/logfiles.h"
#include "logdb/textforms.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTime>

#include <algorithm>
#include <charconv>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kHeaderBytes = 0x18;
constexpr qint64 kProgressStep = 500;
// Flags in the high bits of a row's offset on a data page.
constexpr int kDeletedRow = 0x8000;
constexpr int kOverflowRow = 0x4000;
constexpr int kOffsetMask = 0x1fff;
// Longest memo text libmdb hands over, in bytes of UTF-8: a memo typed into
// Access holds up to 65535 characters.
constexpr size_t kMemoBytes = 256 * 1024;

QString native(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

struct Cancelled { };

DbError damaged(const QString &file, const QString &detail)
{
    return DbError(QStringLiteral("'%1' is damaged or incomplete: %2").arg(native(file), detail));
}

// ---- libmdb ---------------------------------------------------------------

struct MdbGuard {
    MdbHandle *mdb = nullptr;
    ~MdbGuard()
    {
        if (mdb)
            mdb_close(mdb);
    }
};

struct TableGuard {
    MdbTableDef *table = nullptr;
    ~TableGuard()
    {
        if (table)
            mdb_free_tabledef(table);
    }
};

// Text arrives as UTF-8 whatever MDBICONV or MDB_JET3_CHARSET say in the
// environment: Jet 4 texts are UTF-16, Jet 3 texts are in the file's code
// page, Windows-1251 when the file names none we know.
const char *jet3Charset(int codePage)
{
    switch (codePage) {
    case 437:
        return "CP437";
    case 850:
        return "CP850";
    case 852:
        return "CP852";
    case 866:
        return "CP866";
    case 874:
        return "CP874";
    case 932:
        return "CP932";
    case 936:
        return "CP936";
    case 949:
        return "CP949";
    case 950:
        return "CP950";
    case 1250:
        return "WINDOWS-1250";
    case 1252:
        return "WINDOWS-1252";
    case 1253:
        return "WINDOWS-1253";
    case 1254:
        return "WINDOWS-1254";
    case 1255:
        return "WINDOWS-1255";
    case 1256:
        return "WINDOWS-1256";
    case 1257:
        return "WINDOWS-1257";
    case 1258:
        return "WINDOWS-1258";
    case 20866:
        return "KOI8-R";
    case 21866:
        return "KOI8-U";
    default:
        return "WINDOWS-1251";
    }
}

void setTextConversion(MdbHandle *mdb, const QString &file)
{
    mdb_iconv_close(mdb);
    const char *from = IS_JET3(mdb) ? jet3Charset(mdb->f->code_page) : "UTF-16LE";
    mdb->iconv_in = iconv_open("UTF-8", from);
    mdb->iconv_out = iconv_open(from, "UTF-8");
    if (mdb->iconv_in == iconv_t(-1))
        throw DbError(QStringLiteral("Cannot read the texts of '%1': no conversion from %2")
                          .arg(native(file), QLatin1String(from)));
}

// ---- values ---------------------------------------------------------------

enum class DestKind { Integer, Date, Time, Text };

struct DestColumn {
    QString name;
    DestKind kind = DestKind::Text;
    bool key = false;
};

// One cell on its way from the source row to the statement: read as the
// source holds it, then turned into what the log stores.
struct Value {
    enum Kind { Null, Int, Real, Single, DateTime, Number, Text } kind = Null;
    qint64 i = 0;
    double d = 0;
    QByteArray text;   // UTF-8; Number: a decimal in text form
};

QByteArray shortest(double d, bool single)
{
    char buf[64];
    const auto r
        = single ? std::to_chars(buf, buf + sizeof buf, float(d)) : std::to_chars(buf, buf + sizeof buf, d);
    return QByteArray(buf, int(r.ptr - buf));
}

// A Jet date/time is days since 30.12.1899; before it the time still counts
// forward (-1.25 is 29.12.1899 06:00). Valid Jet dates run from year 100 to 9999.
bool splitJetDateTime(double v, QDate *date, int *seconds)
{
    if (!std::isfinite(v) || v < -657434.0 || v >= 2958466.0)
        return false;
    const double whole = std::trunc(v);
    qint64 days = qint64(whole);
    qint64 secs = std::llround(std::fabs(v - whole) * 86400.0);
    if (secs >= 86400) {
        secs -= 86400;
        ++days;
    }
    *date = QDate(1899, 12, 30).addDays(days);
    *seconds = int(secs);
    return date->isValid();
}

// The storage forms of TextForms::storeDate and storeTime, written straight
// into the cell's bytes: they are made for every row.
void storeDateInto(QByteArray &out, const QDate &date)
{
    int y = 0, m = 0, d = 0;
    date.getDate(&y, &m, &d);
    out.resize(16);
    out.resize(std::snprintf(out.data(), 16, "%04d-%02d-%02d", y, m, d));
}

void storeTimeInto(QByteArray &out, int seconds)
{
    // The log keeps whole minutes, as the program shows them.
    out.resize(8);
    out.resize(std::snprintf(out.data(), 8, "%02d:%02d", seconds / 3600, (seconds / 60) % 60));
}

QDate textDate(const QString &text)
{
    try {
        return TextForms::parseDate(text);
    } catch (const DbError &) {
    }
    return TextForms::readStoredDate(text);
}

QTime textTime(const QString &text)
{
    try {
        return TextForms::parseTime(text);
    } catch (const DbError &) {
    }
    return TextForms::readStoredTime(text);
}

QString shown(const Value &v)
{
    switch (v.kind) {
    case Value::Null:
        return QStringLiteral("NULL");
    case Value::Int:
        return QString::number(v.i);
    case Value::Real:
    case Value::Single:
    case Value::DateTime:
        return QString::fromLatin1(shortest(v.d, v.kind == Value::Single));
    case Value::Number:
    case Value::Text:
        return QString::fromUtf8(v.text);
    }
    return QString();
}

// Turns v into the form the destination column stores: Null, Int, Real or
// Text. Returns why it cannot, or an empty string.
QString convertFor(const DestColumn &dc, Value &v)
{
    if (v.kind == Value::Null)
        return QString();
    const auto bad = [&](const char *what) {
        return QStringLiteral("%1: '%2' is not %3").arg(dc.name, shown(v), QLatin1String(what));
    };
    switch (dc.kind) {
    case DestKind::Date:
    case DestKind::Time: {
        QDate date;
        int secs = 0;
        if (v.kind == Value::Text || v.kind == Value::Number) {
            const QString s = QString::fromUtf8(v.text).trimmed();
            if (s.isEmpty()) {
                v.kind = Value::Null;
                return QString();
            }
            if (dc.kind == DestKind::Date) {
                date = textDate(s);
                if (!date.isValid())
                    return bad("a date");
            } else {
                const QTime t = textTime(s);
                if (!t.isValid())
                    return bad("a time");
                secs = t.msecsSinceStartOfDay() / 1000;
            }
        } else {
            const double d = v.kind == Value::Int ? double(v.i) : v.d;
            if (!splitJetDateTime(d, &date, &secs))
                return bad(dc.kind == DestKind::Date ? "a date" : "a time");
        }
        if (dc.kind == DestKind::Date)
            storeDateInto(v.text, date);
        else
            storeTimeInto(v.text, secs);
        v.kind = Value::Text;
        return QString();
    }
    case DestKind::Integer:
        switch (v.kind) {
        case Value::Int:
            return QString();
        case Value::Real:
        case Value::Single:
        case Value::DateTime:
            if (std::isfinite(v.d) && v.d == std::trunc(v.d) && std::fabs(v.d) < 9e15) {
                v.i = qint64(v.d);
                v.kind = Value::Int;
                return QString();
            }
            if (dc.key)
                return bad("a whole number");
            v.kind = Value::Real;   // kept as it is: nothing is rounded away
            return QString();
        case Value::Number:
        case Value::Text: {
            const QString s = QString::fromUtf8(v.text).trimmed();
            if (s.isEmpty() && !dc.key) {
                v.kind = Value::Null;
                return QString();
            }
            bool ok = false;
            const qint64 i = s.toLongLong(&ok);
            if (ok) {
                v.i = i;
                v.kind = Value::Int;
                return QString();
            }
            const double d = s.toDouble(&ok);
            if (ok && std::isfinite(d) && d == std::trunc(d) && std::fabs(d) < 9e15) {
                v.i = qint64(d);
                v.kind = Value::Int;
                return QString();
            }
            if (ok && !dc.key && std::isfinite(d)) {
                v.d = d;
                v.kind = Value::Real;
                return QString();
            }
            return bad(dc.key ? "a whole number" : "a number");
        }
        case Value::Null:
            return QString();
        }
        return QString();
    case DestKind::Text:
        switch (v.kind) {
        case Value::Int:
            v.text = QByteArray::number(v.i);
            break;
        case Value::Real:
        case Value::Single:
            v.text = shortest(v.d, v.kind == Value::Single);
            break;
        case Value::DateTime: {
            QDate date;
            int secs = 0;
            if (!splitJetDateTime(v.d, &date, &secs))
                return bad("a date");
            storeDateInto(v.text, date);
            if (secs)
                v.text += ' ' + QTime(0, 0).addSecs(secs).toString(QStringLiteral("HH:mm:ss")).toLatin1();
            break;
        }
        default:
            break;
        }
        v.kind = Value::Text;
        return QString();
    }
    return QString();
}

QVariant idOf(const Value &v)
{
    switch (v.kind) {
    case Value::Int:
        return QVariant(v.i);
    case Value::Real:
    case Value::Single:
    case Value::DateTime:
        return QVariant(v.d);
    case Value::Number:
    case Value::Text:
        return QVariant(QString::fromUtf8(v.text));
    case Value::Null:
        break;
    }
    return QVariant();
}

// ---- SQLite ---------------------------------------------------------------

struct SqliteGuard {
    sqlite3 *db = nullptr;
    std::vector<sqlite3_stmt *> statements;
    ~SqliteGuard()
    {
        for (sqlite3_stmt *st : statements)
            sqlite3_finalize(st);
        if (db)
            sqlite3_close(db);
    }
};

QString sqliteError(sqlite3 *db)
{
    return db ? QString::fromUtf8(sqlite3_errmsg(db)) : QStringLiteral("out of memory");
}

QByteArray quoted(const QString &name)
{
    QString q = name;
    q.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return '"' + q.toUtf8() + '"';
}

QList<DestColumn> destColumns(sqlite3 *db, const QString &table)
{
    QList<DestColumn> cols;
    sqlite3_stmt *st = nullptr;
    const QByteArray sql = "pragma table_info(" + quoted(table) + ")";
    if (sqlite3_prepare_v2(db, sql.constData(), -1, &st, nullptr) != SQLITE_OK)
        return cols;
    while (sqlite3_step(st) == SQLITE_ROW) {
        DestColumn c;
        c.name = QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(st, 1)));
        const QString type
            = QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(st, 2))).toUpper();
        c.key = sqlite3_column_int(st, 5) != 0;
        if (type == QLatin1String("DATE"))
            c.kind = DestKind::Date;
        else if (type == QLatin1String("TIME"))
            c.kind = DestKind::Time;
        else if (type.contains(QLatin1String("INT")))
            c.kind = DestKind::Integer;
        cols << c;
    }
    sqlite3_finalize(st);
    return cols;
}

// ---- the conversion -------------------------------------------------------

// The new log under its temporary name; removed unless it was renamed.
struct TempFile {
    QString path;
    bool keep = false;
    ~TempFile()
    {
        if (!keep && !path.isEmpty())
            QFile::remove(path);
    }
};

struct Converter {
    QString source;
    QString dest;
    MdbHandle *mdb = nullptr;
    sqlite3 *db = nullptr;
    qint64 pageCount = 0;
    ConvertProgress progress;
    qint64 done = 0;
    qint64 total = 0;
    qint64 nextReport = kProgressStep;
    ConvertResult result;
    QList<QByteArray> indexSql;   // the log's indexes, made again after its rows

    void report()
    {
        if (progress && !progress(done, qMax(total, done)))
            throw Cancelled{};
    }

    void tick()
    {
        ++done;
        if (progress && done >= nextReport) {
            nextReport = done + kProgressStep;
            report();
        }
    }

    // Names of the indexes on log, their statements kept in indexSql.
    QList<QByteArray> logIndexes()
    {
        QList<QByteArray> names;
        sqlite3_stmt *st = nullptr;
        if (sqlite3_prepare_v2(db,
                               "select name, sql from sqlite_master where type = 'index' and tbl_name = 'log'"
                               " and sql is not null",
                               -1, &st, nullptr)
            != SQLITE_OK)
            throw DbError(QStringLiteral("Cannot write '%1': %2").arg(native(dest), sqliteError(db)));
        while (sqlite3_step(st) == SQLITE_ROW) {
            names << quoted(QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(st, 0))));
            indexSql << QByteArray(reinterpret_cast<const char *>(sqlite3_column_text(st, 1)));
        }
        sqlite3_finalize(st);
        return names;
    }

    void exec(const QByteArray &sql) { exec(sql.constData()); }

    void exec(const char *sql)
    {
        char *err = nullptr;
        if (sqlite3_exec(db, sql, nullptr, nullptr, &err) != SQLITE_OK) {
            const QString msg = QString::fromUtf8(err ? err : "error");
            sqlite3_free(err);
            throw DbError(QStringLiteral("Cannot write '%1': %2").arg(native(dest), msg));
        }
    }

    // Every page a table's usage map names must be inside the file: a file
    // cut short would otherwise lose rows without a word.
    void checkOwnedPages(MdbTableDef *table, const QString &name)
    {
        if (!table->usage_map || table->map_sz < 1 || table->usage_map[0] > 1)
            return;
        guint32 pg = 0;
        for (;;) {
            const gint32 next = mdb_map_find_next(mdb, table->usage_map, guint(table->map_sz), pg);
            if (next < 0)
                throw damaged(source, QStringLiteral("the page list of table %1 cannot be read").arg(name));
            if (next == 0 || guint32(next) <= pg)
                return;
            if (next >= pageCount)
                throw damaged(source,
                              QStringLiteral("table %1 has pages beyond the end of the file").arg(name));
            pg = guint32(next);
        }
    }

    MdbTableDef *readTable(MdbCatalogEntry *entry, const QString &name)
    {
        MdbTableDef *table = mdb_read_table(entry);
        if (!table)
            throw damaged(source, QStringLiteral("the definition of table %1 cannot be read").arg(name));
        if (!mdb_read_columns(table)) {
            mdb_free_tabledef(table);
            throw damaged(source, QStringLiteral("the columns of table %1 cannot be read").arg(name));
        }
        return table;
    }

    bool readValue(MdbColumn *col, const MdbField &f, Value &v)
    {
        v.kind = Value::Null;
        if (col->col_type == MDB_BOOL) {
            // A yes/no value lives in the null mask itself.
            v.kind = Value::Int;
            v.i = f.is_null ? 0 : 1;
            return true;
        }
        if (f.is_null)
            return true;
        const auto need = [&](int n) { return f.siz >= n; };
        switch (col->col_type) {
        case MDB_BYTE:
            if (!need(1))
                return false;
            v.kind = Value::Int;
            v.i = mdb->pg_buf[f.start];
            return true;
        case MDB_INT:
            if (!need(2))
                return false;
            v.kind = Value::Int;
            v.i = qint16(mdb_get_int16(mdb->pg_buf, f.start));
            return true;
        case MDB_LONGINT:
            if (!need(4))
                return false;
            v.kind = Value::Int;
            v.i = qint32(mdb_get_int32(mdb->pg_buf, f.start));
            return true;
        case MDB_FLOAT:
            if (!need(4))
                return false;
            v.kind = Value::Single;
            v.d = mdb_get_single(mdb->pg_buf, f.start);
            return true;
        case MDB_DOUBLE:
        case MDB_DATETIME:
            if (!need(8))
                return false;
            v.kind = col->col_type == MDB_DOUBLE ? Value::Real : Value::DateTime;
            v.d = mdb_get_double(mdb->pg_buf, f.start);
            return true;
        case MDB_MONEY:
        case MDB_NUMERIC: {
            if (!need(col->col_type == MDB_MONEY ? 8 : 17))
                return false;
            char *s = col->col_type == MDB_MONEY
                          ? mdb_money_to_string(mdb, f.start)
                          : mdb_numeric_to_string(mdb, f.start, col->col_scale, col->col_prec);
            v.kind = Value::Number;
            v.text = QByteArray(s ? s : "");
            g_free(s);
            return true;
        }
        case MDB_TEXT: {
            v.kind = Value::Text;
            if (f.siz <= 0) {
                v.text.resize(0);
                return true;
            }
            const int cap = f.siz * 3 + 4;
            v.text.resize(cap);
            const int n = mdb_unicode2ascii(mdb, reinterpret_cast<const char *>(mdb->pg_buf) + f.start,
                                            size_t(f.siz), v.text.data(), size_t(cap));
            v.text.resize(qBound(0, n, cap - 1));
            return true;
        }
        case MDB_MEMO: {
            char *s = mdb_col_to_string(mdb, mdb->pg_buf, f.start, MDB_MEMO, f.siz);
            v.kind = Value::Text;
            v.text = QByteArray(s ? s : "");
            g_free(s);
            return true;
        }
        default:
            return false;
        }
    }

    static bool copiedType(int type)
    {
        switch (type) {
        case MDB_BOOL:
        case MDB_BYTE:
        case MDB_INT:
        case MDB_LONGINT:
        case MDB_FLOAT:
        case MDB_DOUBLE:
        case MDB_DATETIME:
        case MDB_MONEY:
        case MDB_NUMERIC:
        case MDB_TEXT:
        case MDB_MEMO:
            return true;
        default:
            return false;
        }
    }

    void bind(sqlite3_stmt *st, int index, const Value &v)
    {
        switch (v.kind) {
        case Value::Int:
            sqlite3_bind_int64(st, index, v.i);
            break;
        case Value::Real:
            sqlite3_bind_double(st, index, v.d);
            break;
        case Value::Text:
            sqlite3_bind_text(st, index, v.text.constData(), int(v.text.size()), SQLITE_STATIC);
            break;
        default:
            sqlite3_bind_null(st, index);
            break;
        }
    }

    // Copies one source table into destTable; returns the rows written.
    qint64 copyTable(MdbCatalogEntry *entry, const QString &destTable)
    {
        const QString name = destTable;
        TableGuard guard{readTable(entry, name)};
        MdbTableDef *table = guard.table;
        checkOwnedPages(table, name);

        const QList<DestColumn> dcols = destColumns(db, destTable);
        if (dcols.isEmpty())
            throw DbError(QStringLiteral("Cannot write '%1': the log template has no table %2")
                              .arg(native(dest), destTable));

        struct Map {
            int src;
            DestColumn dest;
        };
        std::vector<Map> maps;
        std::vector<MdbColumn *> cols;
        int keyMap = -1;
        for (unsigned i = 0; i < table->num_cols; ++i) {
            MdbColumn *col = static_cast<MdbColumn *>(g_ptr_array_index(table->columns, i));
            cols.push_back(col);
            const QString cname = QString::fromUtf8(col->name);
            const auto it = std::find_if(dcols.begin(), dcols.end(), [&](const DestColumn &d) {
                return d.name.compare(cname, Qt::CaseInsensitive) == 0;
            });
            if (it == dcols.end()) {
                result.skippedColumns
                    << SkippedColumn{name, cname, QStringLiteral("the log has no such column")};
                continue;
            }
            if (!copiedType(col->col_type)) {
                result.skippedColumns
                    << SkippedColumn{name, cname, QStringLiteral("binary data is not copied")};
                continue;
            }
            if (std::any_of(maps.begin(), maps.end(), [&](const Map &m) { return m.dest.name == it->name; }))
                continue;
            if (it->key)
                keyMap = int(maps.size());
            maps.push_back(Map{int(i), *it});
        }

        QByteArray sql = "insert into " + quoted(destTable);
        if (maps.empty()) {
            sql += " default values";
        } else {
            QByteArray names, marks;
            for (const Map &m : maps) {
                if (!names.isEmpty()) {
                    names += ", ";
                    marks += ", ";
                }
                names += quoted(m.dest.name);
                marks += '?';
            }
            sql += " (" + names + ") values (" + marks + ")";
        }
        sqlite3_stmt *st = nullptr;
        if (sqlite3_prepare_v2(db, sql.constData(), -1, &st, nullptr) != SQLITE_OK)
            throw DbError(QStringLiteral("Cannot write '%1': %2").arg(native(dest), sqliteError(db)));
        SqliteGuard stGuard;   // finalizes st only
        stGuard.statements.push_back(st);

        std::vector<MdbField> fields(qMax(1u, table->num_cols));
        std::vector<Value> values(maps.size());
        std::vector<std::vector<Value>> deferred;
        qint64 rowNo = 0;
        qint64 written = 0;

        const auto skip = [&](const QString &reason, const QVariant &id = QVariant()) {
            result.skippedRows << SkippedRow{name, rowNo, id, reason};
        };
        const auto insert = [&](const std::vector<Value> &vals) {
            for (size_t k = 0; k < vals.size(); ++k)
                bind(st, int(k) + 1, vals[k]);
            const int rc = sqlite3_step(st);
            const int ext = sqlite3_extended_errcode(db);
            sqlite3_reset(st);
            if (rc == SQLITE_DONE) {
                ++written;
                return;
            }
            const QVariant id = keyMap >= 0 ? idOf(vals[size_t(keyMap)]) : QVariant();
            if (ext == SQLITE_CONSTRAINT_PRIMARYKEY || ext == SQLITE_CONSTRAINT_UNIQUE)
                skip(QStringLiteral("id %1 occurs in an earlier row").arg(id.toString()), id);
            else if (rc == SQLITE_MISMATCH)
                skip(QStringLiteral("id '%1' is not a whole number").arg(id.toString()), id);
            else
                throw DbError(QStringLiteral("Cannot write '%1': %2").arg(native(dest), sqliteError(db)));
        };
        const auto processRow = [&](int start, size_t len) {
            if (mdb_crack_row(table, start, len, fields.data()) < 0) {
                skip(QStringLiteral("the record is damaged"));
                return;
            }
            for (size_t k = 0; k < maps.size(); ++k) {
                const int s = maps[k].src;
                if (!readValue(cols[size_t(s)], fields[size_t(s)], values[k])) {
                    skip(QStringLiteral("the record is damaged"));
                    return;
                }
            }
            const QVariant id = keyMap >= 0 ? idOf(values[size_t(keyMap)]) : QVariant();
            for (size_t k = 0; k < maps.size(); ++k) {
                const QString why = convertFor(maps[k].dest, values[k]);
                if (!why.isEmpty()) {
                    skip(why, id);
                    return;
                }
            }
            // A row without an id gets one after every source id is placed,
            // so it cannot take an id that a later row brings along.
            if (keyMap >= 0 && values[size_t(keyMap)].kind == Value::Null)
                deferred.push_back(values);
            else
                insert(values);
        };

        // Pages in the order the table's usage map lists them, rows in page
        // order. Deleted rows are left out; a row moved to another page is
        // read where its pointer leads. (libmdb's own row fetch takes these
        // two flags the other way round.)
        const int rco = mdb->fmt->row_count_offset;
        const long tdef = long(entry->table_pg);
        const bool byMap = table->usage_map && table->map_sz >= 1 && table->usage_map[0] <= 1;
        qint64 rowsSeen = 0;
        guint32 pg = 0;
        for (;;) {
            if (byMap) {
                const gint32 next = mdb_map_find_next(mdb, table->usage_map, guint(table->map_sz), pg);
                if (next < 0)
                    throw damaged(source,
                                  QStringLiteral("the page list of table %1 cannot be read").arg(name));
                if (next == 0 || guint32(next) <= pg)
                    break;
                pg = guint32(next);
            } else if (++pg >= pageCount) {
                break;
            }
            if (mdb_read_pg(mdb, pg) <= 0)
                throw damaged(source, QStringLiteral("page %1 cannot be read").arg(pg));
            if (mdb->pg_buf[0] != 0x01 || mdb_get_int32(mdb->pg_buf, 4) != tdef)
                continue;
            const int nrows = mdb_get_int16(mdb->pg_buf, rco);
            for (int r = 0; r < nrows; ++r) {
                if (mdb->cur_pg != pg && mdb_read_pg(mdb, pg) <= 0)
                    throw damaged(source, QStringLiteral("page %1 cannot be read").arg(pg));
                const int raw = mdb_get_int16(mdb->pg_buf, rco + 2 + 2 * r);
                if (raw & kDeletedRow)
                    continue;
                ++rowNo;
                ++rowsSeen;
                tick();
                int start = 0;
                size_t len = 0;
                if (mdb_find_row(mdb, r, &start, &len) != 0 || len == 0) {
                    skip(QStringLiteral("the record is damaged"));
                    continue;
                }
                start &= kOffsetMask;
                if (raw & kOverflowRow) {
                    if (len < 4) {
                        skip(QStringLiteral("the record is damaged"));
                        continue;
                    }
                    const guint32 ptr = guint32(mdb_get_int32(mdb->pg_buf, start));
                    const guint32 target = ptr >> 8;
                    const int trow = int(ptr & 0xff);
                    if (target >= pageCount)
                        throw damaged(
                            source,
                            QStringLiteral("a row of table %1 points beyond the end of the file").arg(name));
                    if (target == 0 || mdb_read_pg(mdb, target) <= 0 || mdb->pg_buf[0] != 0x01
                        || mdb_get_int32(mdb->pg_buf, 4) != tdef || trow >= mdb_get_int16(mdb->pg_buf, rco)
                        || (mdb_get_int16(mdb->pg_buf, rco + 2 + 2 * trow) & kOverflowRow)
                        || mdb_find_row(mdb, trow, &start, &len) != 0 || len == 0) {
                        skip(QStringLiteral("the record is damaged"));
                        continue;
                    }
                    start &= kOffsetMask;
                }
                processRow(start, len);
            }
        }
        if (!byMap && rowsSeen < qint64(table->num_rows))
            throw damaged(source, QStringLiteral("table %1 should hold %2 rows, only %3 could be read")
                                      .arg(name)
                                      .arg(table->num_rows)
                                      .arg(rowsSeen));
        for (const std::vector<Value> &vals : deferred)
            insert(vals);
        return written;
    }
};

}   // namespace

QStringList ConvertResult::skippedColumnNames() const
{
    QStringList names;
    for (const SkippedColumn &c : skippedColumns)
        names << c.name();
    return names;
}

bool isJetHeader(const QByteArray &firstBytes)
{
    static const char magic[] = "\x00\x01\x00\x00Standard Jet DB";   // and its terminating zero
    if (firstBytes.size() < kHeaderBytes || std::memcmp(firstBytes.constData(), magic, sizeof magic) != 0)
        return false;
    const unsigned char version = static_cast<unsigned char>(firstBytes[0x14]);
    return version == MDB_VER_JET3 || version == MDB_VER_JET4;
}

bool isJetFile(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    return isJetHeader(f.read(kHeaderBytes));
}

ConvertResult convertJetLog(const QString &source, const QString &dest, const QString &templatePath,
                            const ConvertProgress &progress)
{
    const QFileInfo si(source);
    if (source.isEmpty() || !si.exists())
        throw DbError(QStringLiteral("Could not find file '%1'").arg(native(source)));
    if (!si.isFile())
        throw DbError(QStringLiteral("'%1' is not a file").arg(native(source)));
    if (dest.isEmpty())
        throw DbError(QStringLiteral("No name was given for the new log"));
    if (QFileInfo(dest).isDir())
        throw DbError(QStringLiteral("Cannot write '%1': it is a folder").arg(native(dest)));
    if (LogFiles::sameFile(source, dest))
        throw DbError(
            QStringLiteral("'%1' cannot be converted onto itself: choose another name for the new log")
                .arg(native(source)));
    if (templatePath.isEmpty() || !QFileInfo(templatePath).isFile())
        throw DbError(QStringLiteral("Could not find the log template '%1'").arg(native(templatePath)));

    // The header tells a Jet file from anything else before libmdb sees it;
    // a Jet file is whole pages, so any other length means it was cut short.
    qint64 fileSize = 0;
    int pageSize = 0;
    {
        QFile f(source);
        if (!f.open(QIODevice::ReadOnly))
            throw DbError(QStringLiteral("Cannot read '%1': %2").arg(native(source), f.errorString()));
        const QByteArray head = f.read(kHeaderBytes);
        if (!isJetHeader(head))
            throw DbError(QStringLiteral("'%1' is not a Jet database (.mdb of Access 97 or 2000-2003)")
                              .arg(native(source)));
        pageSize = head[0x14] == MDB_VER_JET3 ? 2048 : 4096;
        fileSize = f.size();
    }
    if (fileSize % pageSize != 0)
        throw damaged(source, QStringLiteral("the file ends in the middle of a page"));
    if (fileSize < 3 * pageSize)
        throw damaged(source, QStringLiteral("the file is too short"));

    MdbGuard mdbGuard;
    mdbGuard.mdb = mdb_open(QFile::encodeName(source).constData(), MDB_NOFLAGS);
    MdbHandle *mdb = mdbGuard.mdb;
    if (!mdb)
        throw DbError(QStringLiteral("Cannot read '%1' as a Jet database").arg(native(source)));
    setTextConversion(mdb, source);
    mdb_set_bind_size(mdb, kMemoBytes);

    Converter c;
    c.source = source;
    c.dest = dest;
    c.mdb = mdb;
    c.pageCount = fileSize / pageSize;
    c.progress = progress;
    c.result.jetVersion = IS_JET3(mdb) ? 3 : 4;

    // The catalog itself must be whole before its list of tables is trusted.
    {
        MdbCatalogEntry sys;
        std::memset(&sys, 0, sizeof sys);
        sys.mdb = mdb;
        sys.object_type = MDB_TABLE;
        sys.table_pg = 2;
        std::strcpy(sys.object_name, "MSysObjects");
        TableGuard g{mdb_read_table(&sys)};
        if (!g.table)
            throw damaged(source, QStringLiteral("its list of tables cannot be read"));
        c.checkOwnedPages(g.table, QStringLiteral("MSysObjects"));
    }
    if (!mdb_read_catalog(mdb, MDB_TABLE))
        throw damaged(source, QStringLiteral("its list of tables cannot be read"));

    MdbCatalogEntry *logEntry = nullptr;
    MdbCatalogEntry *modesEntry = nullptr;
    MdbCatalogEntry *opcEntry = nullptr;
    for (guint i = 0; i < mdb->num_catalog; ++i) {
        MdbCatalogEntry *e = static_cast<MdbCatalogEntry *>(g_ptr_array_index(mdb->catalog, i));
        if (!mdb_is_user_table(e))
            continue;
        const QString n = QString::fromUtf8(e->object_name);
        MdbCatalogEntry **slot = nullptr;
        if (n.compare(QLatin1String("log"), Qt::CaseInsensitive) == 0)
            slot = &logEntry;
        else if (n.compare(QLatin1String("modes"), Qt::CaseInsensitive) == 0)
            slot = &modesEntry;
        else if (n.compare(QLatin1String("opc"), Qt::CaseInsensitive) == 0)
            slot = &opcEntry;
        if (slot && !*slot)
            *slot = e;
        else
            c.result.otherTables << n;
    }
    if (!logEntry)
        throw DbError(QStringLiteral("'%1' is not a log: it has no table log").arg(native(source)));

    // Rows to expect, for the progress: the counts the table definitions keep.
    for (MdbCatalogEntry *e : {logEntry, modesEntry, opcEntry}) {
        if (!e)
            continue;
        TableGuard g{mdb_read_table(e)};
        if (g.table)
            c.total += qint64(g.table->num_rows);
    }

    // The new log: the template copied beside dest under a name of its own.
    QFile tpl(templatePath);
    if (!tpl.open(QIODevice::ReadOnly))
        throw DbError(QStringLiteral("Cannot read the log template '%1': %2")
                          .arg(native(templatePath), tpl.errorString()));
    const QByteArray tplBytes = tpl.readAll();
    tpl.close();

    const QFileInfo di(dest);
    const QDir destDir = di.absoluteDir();
    if (!destDir.exists())
        throw DbError(QStringLiteral("Cannot write '%1': the folder does not exist").arg(native(dest)));
    TempFile tmp;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        tmp.path
            = destDir.filePath(QStringLiteral(".%1.%2.part")
                                   .arg(di.fileName())
                                   .arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0')));
        // 0666 less the umask, like any new file of the user's.
        fd = ::open(QFile::encodeName(tmp.path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST)
            break;
    }
    if (fd < 0) {
        const QString why = QString::fromLocal8Bit(std::strerror(errno));
        tmp.path.clear();
        throw DbError(QStringLiteral("Cannot write '%1': %2").arg(native(dest), why));
    }
    {
        struct stat old { };
        if (::stat(QFile::encodeName(dest).constData(), &old) == 0)
            ::fchmod(fd, old.st_mode & 07777);   // a replaced log keeps its permissions
        qint64 off = 0;
        while (off < tplBytes.size()) {
            const ssize_t n = ::write(fd, tplBytes.constData() + off, size_t(tplBytes.size() - off));
            if (n <= 0) {
                const QString why = QString::fromLocal8Bit(std::strerror(n < 0 ? errno : ENOSPC));
                ::close(fd);
                throw DbError(QStringLiteral("Cannot write '%1': %2").arg(native(dest), why));
            }
            off += n;
        }
        if (::close(fd) != 0)
            throw DbError(QStringLiteral("Cannot write '%1': %2")
                              .arg(native(dest), QString::fromLocal8Bit(std::strerror(errno))));
    }

    try {
        SqliteGuard dbGuard;
        if (sqlite3_open_v2(QFile::encodeName(tmp.path).constData(), &dbGuard.db, SQLITE_OPEN_READWRITE,
                            nullptr)
            != SQLITE_OK)
            throw DbError(QStringLiteral("Cannot write '%1': %2").arg(native(dest), sqliteError(dbGuard.db)));
        c.db = dbGuard.db;
        if (destColumns(c.db, QStringLiteral("log")).isEmpty())
            throw DbError(QStringLiteral("The log template '%1' cannot be used: it has no table log")
                              .arg(native(templatePath)));
        // The file is new and only renamed into place when whole, so its
        // journal can stay in memory; it is flushed to disk before the rename.
        c.exec("pragma journal_mode = memory");
        c.exec("pragma synchronous = off");
        c.exec("pragma cache_size = -65536");
        c.exec("pragma temp_store = memory");
        c.exec("begin");
        c.report();
        c.exec("delete from log");
        // The log's indexes are made again once its rows are in: sorting the
        // whole column once is quicker than placing each row in each index.
        const QList<QByteArray> indexes = c.logIndexes();
        for (const QByteArray &name : indexes)
            c.exec("drop index " + name);
        c.result.qsos = c.copyTable(logEntry, QStringLiteral("log"));
        for (const QByteArray &sql : c.indexSql)
            c.exec(sql.constData());
        if (modesEntry) {
            c.exec("delete from modes");
            c.result.modes = c.copyTable(modesEntry, QStringLiteral("modes"));
        } else {
            c.result.modesFromTemplate = true;
        }
        // The program needs a station row: without one in the source the
        // template's row stays.
        if (opcEntry) {
            c.exec("savepoint station");
            c.exec("delete from opc");
            c.result.stationRows = c.copyTable(opcEntry, QStringLiteral("opc"));
            if (c.result.stationRows == 0)
                c.exec("rollback to station");
            c.exec("release station");
        }
        c.result.stationFromTemplate = c.result.stationRows == 0;
        c.report();
        c.exec("commit");
        for (sqlite3_stmt *st : dbGuard.statements)
            sqlite3_finalize(st);
        dbGuard.statements.clear();
        const int rc = sqlite3_close(dbGuard.db);
        dbGuard.db = nullptr;
        c.db = nullptr;
        if (rc != SQLITE_OK)
            throw DbError(
                QStringLiteral("Cannot write '%1': the new log could not be closed").arg(native(dest)));
    } catch (const Cancelled &) {
        ConvertResult r;
        r.cancelled = true;
        r.jetVersion = c.result.jetVersion;
        return r;
    }

    const QByteArray tmpName = QFile::encodeName(tmp.path);
    const int syncFd = ::open(tmpName.constData(), O_RDONLY | O_CLOEXEC);
    const bool synced = syncFd >= 0 && ::fsync(syncFd) == 0;
    if (syncFd >= 0)
        ::close(syncFd);
    if (!synced || ::rename(tmpName.constData(), QFile::encodeName(dest).constData()) != 0)
        throw DbError(QStringLiteral("Cannot write '%1': %2")
                          .arg(native(dest), QString::fromLocal8Bit(std::strerror(errno))));
    tmp.keep = true;
    const int dirFd
        = ::open(QFile::encodeName(destDir.absolutePath()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
    return c.result;
}
