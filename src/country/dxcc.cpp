#include "country/dxcc.h"

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

void RebuildDxcc(Dataset &logView, const std::function<void(int)> &progress)
{
    logView.last();
    const int total = logView.recordCount();
    logView.first();
    if (logView.eof())
        return;

    const Field call = logView.fieldByName(QStringLiteral("CALL"));
    Field dxcc = logView.fieldByName(QStringLiteral("dxcc"));

    // One transaction for the whole loop: a transaction per row would make
    // a large log take minutes.
    Connection *connection = logView.connection();
    const bool ownTransaction = !connection->inTransaction();
    if (ownTransaction)
        connection->beginTransaction();
    try {
        int done = 0;
        while (!logView.eof()) {
            logView.edit();
            dxcc.setString(FindCountryByCall(call.asString()).PrimaryPrefix);
            logView.post();
            ++done;
            if (progress)
                progress(progressPosition(done, total));
            logView.next();
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
    logView.last();
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
