#include "logdb/statement.h"
#include "logdb/dberror.h"

#include <QRegularExpression>
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

    int rc;
    QByteArray row;
    while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
        row.clear();
        for (int c = 0; c < ncol; ++c) {
            switch (sqlite3_column_type(st, c)) {
            case SQLITE_INTEGER:
                RowStore::putInteger(row, sqlite3_column_int64(st, c));
                break;
            case SQLITE_FLOAT:
                RowStore::putReal(row, sqlite3_column_double(st, c));
                break;
            case SQLITE_TEXT:
                RowStore::putText(row, reinterpret_cast<const char *>(sqlite3_column_text(st, c)),
                                  sqlite3_column_bytes(st, c));
                break;
            case SQLITE_BLOB:
                RowStore::putBlob(row, static_cast<const char *>(sqlite3_column_blob(st, c)),
                                  sqlite3_column_bytes(st, c));
                break;
            default:
                RowStore::putNull(row);
            }
        }
        result.rows.append(QByteArray(row.constData(), row.size()));
    }
    if (rc != SQLITE_DONE)
        throw DbError(engineMessage(db));
    return result;
}
