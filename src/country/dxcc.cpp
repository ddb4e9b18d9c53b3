#include "country/dxcc.h"

#include "logdb/bulkwork.h"
#include "logdb/connection.h"
#include "country/ctysupport.h"
#include "logdb/dataset.h"
#include "logdb/dberror.h"
#include "logdb/progress.h"

QString whereClause(const QString &statementText)
{
    const qsizetype at = statementText.indexOf(QLatin1String("where"), 0, Qt::CaseSensitive);
    return at < 0 ? QString() : statementText.mid(at);
}

QStringList distinctCountriesSql(const QString &clause)
{
    return {QStringLiteral("select distinct dxcc from log"), QLatin1Char(' ') + clause};
}

QStringList countryCountsSql(const QString &clause)
{
    return {QStringLiteral("select dxcc, Count(dxcc) from log"), QLatin1Char(' ') + clause,
            QStringLiteral("group by dxcc")};
}

namespace {

// The country text a row gets: what setString would store in the field.
QString countryText(const QString &call, int width)
{
    const QString prefix = FindCountryByCall(call).PrimaryPrefix;
    return (width > 0 && prefix.size() > width) ? prefix.left(width) : prefix;
}

}   // namespace

RebuildResult RebuildDxcc(Dataset &logView, const WorkProgress &progress)
{
    logView.last();
    RebuildResult result;
    result.total = logView.recordCount();
    logView.first();
    if (logView.eof())
        return result;

    const Field call = logView.fieldByName(QStringLiteral("CALL"));
    Field dxcc = logView.fieldByName(QStringLiteral("dxcc"));
    WorkReporter reporter(progress, result.total);

    // One transaction for the whole loop: a transaction per row would make
    // a large log take minutes.
    Connection *connection = logView.connection();
    const bool ownTransaction = !connection->inTransaction();
    if (ownTransaction)
        connection->beginTransaction();
    try {
        BulkCache cache(connection->handle());
        // Straight to the file by id, the view's rows kept in step, where the
        // view allows it; otherwise row by row through edit and post.
        const FieldType type = dxcc.type();
        int row = 0;
        if (type == FieldType::Text || type == FieldType::Variant) {
            for (; row < result.total; ++row) {
                const QString value = countryText(logView.displayAt(row, call.index()), dxcc.width());
                if (!logView.writeFieldAt(row, dxcc.index(), value))
                    break;
                ++result.done;
                if (!reporter.update(result.done))
                    break;
            }
        }
        if (row < result.total && !reporter.cancelled()) {
            logView.moveTo(row);
            while (!logView.eof()) {
                logView.edit();
                dxcc.setString(FindCountryByCall(call.asString()).PrimaryPrefix);
                logView.post();
                ++result.done;
                if (!reporter.update(result.done))
                    break;
                logView.next();
            }
        }
    } catch (...) {
        if (logView.state() == Dataset::State::Edit) {
            try {
                logView.cancel();
            } catch (const DbError &) {
                // The row keeps what the file holds; the first error is the one to show.
            }
        }
        if (ownTransaction && connection->inTransaction())
            connection->commit();   // what was written before the error stays
        throw;
    }
    if (ownTransaction)
        connection->commit();
    result.cancelled = reporter.cancelled();
    logView.last();
    return result;
}

int OpenDxccStatistics(Dataset &com, const QString &logStatement)
{
    const QString clause = whereClause(logStatement);
    com.close();
    com.setSql(distinctCountriesSql(clause));
    com.open();
    com.last();
    const int count = com.recordCount();
    com.close();
    com.setSql(countryCountsSql(clause));
    com.open();
    return count;
}

QString CountryNameOfCurrentRow(Dataset &com)
{
    if (!com.isActive() || com.isEmpty())
        return QString();
    const int col = com.fieldIndex(QStringLiteral("dxcc"));
    if (col < 0 || com.eof())
        return QString();
    return FindCountryByPrefix(com.field(col).asString()).Name;
}
