#include "logdb/statement.h"
#include "logdb/dberror.h"

#include <QRegularExpression>
#include <algorithm>
#include <vector>
#include <sqlite3.h>

namespace {

QString engineMessage(sqlite3 *db)
{
    return QString::fromUtf8(sqlite3_errmsg(db));
}

FieldType typeFromDecl(const char *decl)
{
    if (!decl)
        return FieldType::Variant;
    const QString d = QString::fromLatin1(decl).toUpper();
    if (d.startsWith(QLatin1String("DATETIME")) || d == QLatin1String("DATE"))
        return FieldType::Date;
    if (d == QLatin1String("TIME"))
        return FieldType::Time;
    if (d.contains(QLatin1String("INT")))
        return FieldType::Integer;
    if (d.contains(QLatin1String("CHAR")) || d.contains(QLatin1String("TEXT")))
        return FieldType::Text;
    if (d.contains(QLatin1String("REAL")) || d.contains(QLatin1String("FLOA")) || d.contains(QLatin1String("DOUB")))
        return FieldType::Real;
    return FieldType::Variant;
}

int widthFromDecl(const char *decl)
{
    if (!decl)
        return 0;
    static const QRegularExpression re(QStringLiteral("\\((\\d+)\\)"));
    const auto m = re.match(QString::fromLatin1(decl));
    return m.hasMatch() ? m.captured(1).toInt() : 0;
}

} // namespace

Statement::Statement(sqlite3 *db, const QString &sql) : m_db(db)
{
    const QByteArray text = sql.toUtf8();
    if (sqlite3_prepare_v2(db, text.constData(), int(text.size()), &m_st, nullptr) != SQLITE_OK)
        throw DbError(engineMessage(db));
}

Statement::~Statement()
{
    sqlite3_finalize(m_st);
}

void Statement::bind(int index, const QVariant &v)
{
    if (v.isNull() || !v.isValid()) {
        sqlite3_bind_null(m_st, index);
    } else if (v.typeId() == QMetaType::LongLong || v.typeId() == QMetaType::Int) {
        sqlite3_bind_int64(m_st, index, v.toLongLong());
    } else if (v.typeId() == QMetaType::Double) {
        sqlite3_bind_double(m_st, index, v.toDouble());
    } else if (v.typeId() == QMetaType::QByteArray) {
        const QByteArray b = v.toByteArray();
        sqlite3_bind_blob(m_st, index, b.constData(), int(b.size()), SQLITE_TRANSIENT);
    } else {
        const QByteArray b = v.toString().toUtf8();
        sqlite3_bind_text(m_st, index, b.constData(), int(b.size()), SQLITE_TRANSIENT);
    }
}

void Statement::bindNamed(const SqlParams &params)
{
    for (int i = 1; i <= sqlite3_bind_parameter_count(m_st); ++i) {
        const char *name = sqlite3_bind_parameter_name(m_st, i);
        if (name)
            bind(i, params.value(QString::fromUtf8(name + 1).toLower()));
    }
}

int Statement::run()
{
    if (sqlite3_step(m_st) != SQLITE_DONE)
        throw DbError(engineMessage(m_db));
    return sqlite3_changes(m_db);
}

void Statement::reset()
{
    sqlite3_reset(m_st);
}

namespace {

// Puts the row the statement stands on into the store, skipping the first
// `skip` columns.
void storeRow(sqlite3_stmt *st, int skip, int ncol, RowStore &rows)
{
    for (int c = skip; c < ncol; ++c) {
        // The value itself: one call into the engine per cell rather than
        // three, each of which would take the connection's lock.
        sqlite3_value *v = sqlite3_column_value(st, c);
        switch (sqlite3_value_type(v)) {
        case SQLITE_INTEGER:
            rows.putInteger(sqlite3_value_int64(v));
            break;
        case SQLITE_FLOAT:
            rows.putReal(sqlite3_value_double(v));
            break;
        case SQLITE_TEXT: {
            const char *text = reinterpret_cast<const char *>(sqlite3_value_text(v));
            rows.putText(text, sqlite3_value_bytes(v));
            break;
        }
        case SQLITE_BLOB: {
            const char *blob = static_cast<const char *>(sqlite3_value_blob(v));
            rows.putBlob(blob, sqlite3_value_bytes(v));
            break;
        }
        default:
            rows.putNull();
        }
    }
    rows.endRow();
}

// The engine's plan for a statement: the detail of each step.
QStringList queryPlan(sqlite3 *db, const QString &sql)
{
    QStringList steps;
    sqlite3_stmt *st = nullptr;
    const QByteArray text = (QStringLiteral("explain query plan ") + sql).toUtf8();
    if (sqlite3_prepare_v2(db, text.constData(), int(text.size()), &st, nullptr) != SQLITE_OK) {
        sqlite3_finalize(st);
        return {};
    }
    while (sqlite3_step(st) == SQLITE_ROW)
        steps << QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(st, 3)));
    sqlite3_finalize(st);
    return steps;
}

// A read transaction for the length of a read, unless one is open already.
class ReadSnapshot {
public:
    explicit ReadSnapshot(sqlite3 *db) : m_db(db)
    {
        if (sqlite3_get_autocommit(db))
            m_own = sqlite3_exec(db, "begin", nullptr, nullptr, nullptr) == SQLITE_OK;
    }
    ~ReadSnapshot()
    {
        if (m_own && !sqlite3_get_autocommit(m_db))
            sqlite3_exec(m_db, "commit", nullptr, nullptr, nullptr);
    }

private:
    sqlite3 *m_db;
    bool m_own = false;
};

// A whole table in the order of one of its indexes ("select * from log
// order by qso_date, time_on", the log view) costs the engine a seek into
// the table for every row, in no order the file is laid out in. Read
// instead: the row ids in index order from the index alone, then the table
// front to back, and the rows put into the index's order in memory. Both
// reads are made in one snapshot, so the rows and their order are exactly
// the statement's. False, with nothing read, when the statement is of any
// other kind or the engine would not walk an index for it.
bool readInIndexOrder(sqlite3 *db, const QString &sql, int ncol, RowStore &rows)
{
    static const QRegularExpression shape(
        QStringLiteral("^\\s*select\\s+\\*\\s+from\\s+([A-Za-z_][A-Za-z0-9_]*)\\s+order\\s+by\\s+"
                       "([A-Za-z_][A-Za-z0-9_]*(?:\\s*,\\s*[A-Za-z_][A-Za-z0-9_]*)*)\\s*;?\\s*$"),
        QRegularExpression::CaseInsensitiveOption);
    const auto m = shape.match(sql);
    if (!m.hasMatch())
        return false;
    const QString table = m.captured(1);
    const QString order = m.captured(2);
    static const QRegularExpression indexScan(QStringLiteral("^SCAN (\\w+) USING (COVERING )?INDEX (\\w+)$"),
                                              QRegularExpression::CaseInsensitiveOption);
    auto usesIndex = [&](const QString &statement, bool covering, QString *index) {
        const QStringList plan = queryPlan(db, statement);
        if (plan.size() != 1)
            return false;
        const auto step = indexScan.match(plan.first());
        if (!step.hasMatch() || step.captured(1).compare(table, Qt::CaseInsensitive) != 0
            || step.captured(2).isEmpty() == covering)
            return false;
        *index = step.captured(3);
        return true;
    };
    QString index, idsIndex;
    const QString idsSql = QStringLiteral("select rowid from %1 order by %2").arg(table, order);
    if (!usesIndex(sql, false, &index) || !usesIndex(idsSql, true, &idsIndex) || index != idsIndex)
        return false;

    ReadSnapshot snapshot(db);
    std::vector<qint64> ids;
    {
        sqlite3_stmt *st = nullptr;
        const QByteArray text = idsSql.toUtf8();
        if (sqlite3_prepare_v2(db, text.constData(), int(text.size()), &st, nullptr) != SQLITE_OK) {
            sqlite3_finalize(st);
            return false;
        }
        int rc;
        while ((rc = sqlite3_step(st)) == SQLITE_ROW)
            ids.push_back(sqlite3_column_int64(st, 0));
        sqlite3_finalize(st);
        if (rc != SQLITE_DONE)
            throw DbError(engineMessage(db));
    }

    Statement all(db, QStringLiteral("select rowid, * from %1 order by rowid").arg(table));
    if (sqlite3_column_count(all.handle()) != ncol + 1)
        return false;
    RowStore scanned;
    scanned.reserve(int(ids.size()));
    std::vector<qint64> scannedIds;
    scannedIds.reserve(ids.size());
    int rc;
    while ((rc = sqlite3_step(all.handle())) == SQLITE_ROW) {
        scannedIds.push_back(sqlite3_column_int64(all.handle(), 0));
        storeRow(all.handle(), 1, ncol + 1, scanned);
    }
    if (rc != SQLITE_DONE)
        throw DbError(engineMessage(db));
    if (scannedIds.size() != ids.size())
        return false;

    // Row ids ascend in the scan. Mostly they run 1, 2, 3... with few gaps:
    // then the place of each is looked up directly, otherwise found by halving.
    std::vector<int> place(ids.size());
    if (!scannedIds.empty()) {
        const qint64 first = scannedIds.front();
        const qint64 span = scannedIds.back() - first + 1;
        if (span <= qint64(4) * qint64(scannedIds.size()) + 1024) {
            std::vector<int> at(size_t(span), -1);
            for (size_t i = 0; i < scannedIds.size(); ++i)
                at[size_t(scannedIds[i] - first)] = int(i);
            for (size_t i = 0; i < ids.size(); ++i) {
                const qint64 k = ids[i] - first;
                if (k < 0 || k >= span || at[size_t(k)] < 0)
                    return false;
                place[i] = at[size_t(k)];
            }
        } else {
            for (size_t i = 0; i < ids.size(); ++i) {
                const auto found = std::lower_bound(scannedIds.begin(), scannedIds.end(), ids[i]);
                if (found == scannedIds.end() || *found != ids[i])
                    return false;
                place[i] = int(found - scannedIds.begin());
            }
        }
    }
    scanned.reorder(place);
    rows = std::move(scanned);
    return true;
}

}   // namespace

ResultSet readResult(sqlite3 *db, const QString &sql, const SqlParams &params, const QString &name)
{
    Statement s(db, sql);
    const int ncol = s.isEmpty() ? 0 : sqlite3_column_count(s.handle());
    if (ncol == 0)
        throw DbError(name + QStringLiteral(": CommandText does not return a result set"));
    s.bindNamed(params);

    ResultSet result;
    sqlite3_stmt *st = s.handle();
    for (int c = 0; c < ncol; ++c) {
        result.columns << QString::fromUtf8(sqlite3_column_name(st, c));
        const char *table = sqlite3_column_table_name(st, c);
        const char *origin = sqlite3_column_origin_name(st, c);
        result.originTable << (table ? QString::fromUtf8(table) : QString());
        result.originColumn << (origin ? QString::fromUtf8(origin) : QString());
        const char *decl = sqlite3_column_decltype(st, c);
        FieldDef fd;
        fd.name = result.columns.last();
        fd.type = typeFromDecl(decl);
        fd.width = fd.type == FieldType::Text ? widthFromDecl(decl) : 0;
        // A table's integer id is assigned by the engine.
        if (fd.type == FieldType::Integer && result.originColumn.last().compare(QLatin1String("id"), Qt::CaseInsensitive) == 0)
            fd.type = FieldType::AutoInc;
        result.defs << fd;
    }

    if (sqlite3_bind_parameter_count(st) == 0 && readInIndexOrder(db, sql, ncol, result.rows))
        return result;

    int rc;
    while ((rc = sqlite3_step(st)) == SQLITE_ROW)
        storeRow(st, 0, ncol, result.rows);
    if (rc != SQLITE_DONE)
        throw DbError(engineMessage(db));
    return result;
}
