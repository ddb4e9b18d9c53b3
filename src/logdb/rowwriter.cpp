#include "logdb/rowwriter.h"
#include "logdb/statement.h"

#include <sqlite3.h>

namespace {

QString quoteIdent(const QString &s)
{
    return QLatin1Char('"') + QString(s).replace(QLatin1Char('"'), QLatin1String("\"\"")) + QLatin1Char('"');
}

} // namespace

RowWriter::RowWriter(const QString &table, const QStringList &originTable, const QStringList &originColumn,
                     int idColumn)
    : m_table(table), m_originTable(originTable), m_originColumn(originColumn), m_idCol(idColumn)
{
}

bool RowWriter::writable(int col) const
{
    return m_originTable[col].compare(m_table, Qt::CaseInsensitive) == 0 && !m_originColumn[col].isEmpty();
}

bool RowWriter::writes(const QVector<bool> &changed) const
{
    for (int c = 0; c < changed.size(); ++c)
        if (changed[c] && c != m_idCol && writable(c))
            return true;
    return false;
}

QString RowWriter::updateByIdSql(int col) const
{
    if (m_idCol < 0 || col == m_idCol || col < 0 || col >= m_originColumn.size() || !writable(col))
        return QString();
    return QStringLiteral("update %1 set %2=? where id=?")
        .arg(quoteIdent(m_table), quoteIdent(m_originColumn[col]));
}

QString RowWriter::rowCondition(const QVector<QVariant> &oldValues, QVector<QVariant> *whereValues) const
{
    if (m_idCol >= 0) {
        *whereValues << oldValues[m_idCol];
        return QStringLiteral("id=?");
    }
    QStringList conds;
    for (int c = 0; c < oldValues.size(); ++c)
        if (writable(c)) {
            conds << quoteIdent(m_originColumn[c]) + QStringLiteral(" is ?");
            *whereValues << oldValues[c];
        }
    return QStringLiteral("rowid = (select rowid from %1 where %2 limit 1)")
        .arg(quoteIdent(m_table), conds.join(QStringLiteral(" and ")));
}

qint64 RowWriter::insert(sqlite3 *db, const QVector<QVariant> &values, const QVector<bool> &changed) const
{
    QStringList cols;
    QVector<QVariant> vals;
    for (int c = 0; c < values.size(); ++c)
        if (changed[c] && c != m_idCol && writable(c)) {
            cols << quoteIdent(m_originColumn[c]);
            vals << values[c];
        }
    const QString sql = cols.isEmpty()
        ? QStringLiteral("insert into %1 default values").arg(quoteIdent(m_table))
        : QStringLiteral("insert into %1 (%2) values (%3)")
              .arg(quoteIdent(m_table), cols.join(QLatin1Char(',')),
                   QStringList(cols.size(), QStringLiteral("?")).join(QLatin1Char(',')));
    Statement s(db, sql);
    int i = 1;
    for (const QVariant &v : vals)
        s.bind(i++, v);
    s.run();
    return sqlite3_last_insert_rowid(db);
}

bool RowWriter::update(sqlite3 *db, const QVector<QVariant> &values, const QVector<bool> &changed,
                       const QVector<QVariant> &oldValues) const
{
    QStringList sets;
    QVector<QVariant> vals;
    for (int c = 0; c < values.size(); ++c)
        if (changed[c] && c != m_idCol && writable(c)) {
            sets << quoteIdent(m_originColumn[c]) + QStringLiteral("=?");
            vals << values[c];
        }
    if (sets.isEmpty())
        return true;
    QVector<QVariant> whereVals;
    const QString where = rowCondition(oldValues, &whereVals);
    Statement s(db, QStringLiteral("update %1 set %2 where %3")
                        .arg(quoteIdent(m_table), sets.join(QLatin1Char(',')), where));
    int i = 1;
    for (const QVariant &v : vals + whereVals)
        s.bind(i++, v);
    return s.run() > 0;
}

bool RowWriter::remove(sqlite3 *db, const QVector<QVariant> &oldValues) const
{
    QVector<QVariant> whereVals;
    const QString where = rowCondition(oldValues, &whereVals);
    Statement s(db, QStringLiteral("delete from %1 where %2").arg(quoteIdent(m_table), where));
    int i = 1;
    for (const QVariant &v : whereVals)
        s.bind(i++, v);
    return s.run() > 0;
}
