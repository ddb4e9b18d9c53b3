#include "query/queryactions.h"

#include "logdb/dataset.h"
#include "logdb/dberror.h"

namespace QueryActions {

namespace {

void reopen(Dataset *ds, const QStringList &lines)
{
    ds->close();
    ds->setSql(lines);
    ds->open();
}

bool isNoResultSet(const DbError &e)
{
    return e.message().endsWith(QLatin1String("CommandText does not return a result set"));
}

} // namespace

int lastRowCount(Dataset *ds)
{
    const int n = ds->recordCount();   // throws on a closed query
    ds->last();
    return n;
}

int applyFilter(Dataset *log, const QString &statement, FilterComposer::Power power)
{
    const QStringList lines = FilterComposer::applyLines(statement, power);
    if (!lines.isEmpty())
        reopen(log, lines);
    return lastRowCount(log);
}

int cancelFilter(Dataset *log, const QStringList &savedSql)
{
    reopen(log, savedSql);
    return lastRowCount(log);
}

RunResult runStatement(Dataset *query, const QStringList &lines)
{
    query->close();
    query->setSql(lines);
    try {
        query->open();
        return RunResult::Rows;
    } catch (const DbError &e) {
        if (!isNoResultSet(e))
            throw;
    }
    query->execSql();
    return RunResult::Command;
}

QVector<Workbook::Row> readRows(Dataset *query)
{
    QVector<Workbook::Row> rows;
    const int n = query->recordCount();   // throws on a closed query
    const int cols = query->fieldCount();
    rows.reserve(n);
    query->first();
    while (!query->eof()) {
        Workbook::Row row;
        row.reserve(cols);
        for (int c = 0; c < cols; ++c)
            row << query->field(c).value();
        rows << row;
        query->next();
    }
    return rows;
}

} // namespace QueryActions
