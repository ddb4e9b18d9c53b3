#include "country/dxcc.h"

#include "logdb/connection.h"
#include "country/ctysupport.h"
#include "logdb/dataset.h"
#include "logdb/dberror.h"
#include "logdb/progress.h"

#include <QHash>

#include <algorithm>
#include <utility>
#include <vector>

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
// Logs hold the same calls over and over: the last few thousand answers
// are kept.
class CountryTexts {
public:
    explicit CountryTexts(int width) : m_width(width) {}
    QString of(const QString &call)
    {
        const auto known = m_known.constFind(call);
        if (known != m_known.constEnd())
            return *known;
        const QString prefix = FindCountryByCall(call).PrimaryPrefix;
        const QString text = (m_width > 0 && prefix.size() > m_width) ? prefix.left(m_width) : prefix;
        if (m_known.size() >= 8192)
            m_known.clear();
        m_known.insert(call, text);
        return text;
    }

private:
    int m_width;
    QHash<QString, QString> m_known;
};

} // namespace

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
        // Straight to the file by id, the view's rows kept in step, where the
        // view allows it: in the order of the ids, which is the order of the
        // rows in the file. In the view's order (by date) every row would be
        // a seek to another part of the file, three times slower for a large
        // log; the rows and the values written are the same.
        std::vector<bool> written;
        const FieldType type = dxcc.type();
        if ((type == FieldType::Text || type == FieldType::Variant) && logView.idAt(0) >= 0) {
            std::vector<std::pair<qint64, int>> order(size_t(result.total));
            for (int row = 0; row < result.total; ++row)
                order[size_t(row)] = {logView.idAt(row), row};
            std::sort(order.begin(), order.end());
            CountryTexts texts(dxcc.width());
            for (const auto &[id, row] : order) {
                const QString value = texts.of(logView.displayAt(row, call.index()));
                if (!logView.writeFieldAt(row, dxcc.index(), value))
                    break;   // the view takes no writes by id: row by row below
                if (written.empty())
                    written.resize(size_t(result.total));
                written[size_t(row)] = true;
                ++result.done;
                if (!reporter.update(result.done))
                    break;
            }
        }
        // Row by row through edit and post, in the view's order.
        for (int row = 0; row < result.total && !reporter.cancelled(); ++row) {
            if (!written.empty() && written[size_t(row)])
                continue;
            logView.moveTo(row);
            logView.edit();
            dxcc.setString(FindCountryByCall(call.asString()).PrimaryPrefix);
            logView.post();
            ++result.done;
            reporter.update(result.done);
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
