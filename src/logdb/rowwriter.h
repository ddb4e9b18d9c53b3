#pragma once
#include <QStringList>
#include <QVariant>
#include <QVector>

struct sqlite3;

// Writes one row of a result back to its table: an insert, or an update or
// delete of the row by its id (by all its old values where the table has
// no id). An update or delete tells whether it found its row: one deleted
// or changed by another program or statement since it was read is not there.
class RowWriter {
public:
    // Where each result column comes from; columns of other tables and
    // computed columns are never written.
    RowWriter(const QString &table, const QStringList &originTable, const QStringList &originColumn, int idColumn);

    // Inserts the changed columns of `values`; returns the new row's id.
    qint64 insert(sqlite3 *db, const QVector<QVariant> &values, const QVector<bool> &changed) const;
    // Updates the changed columns of the row that held `oldValues`.
    bool update(sqlite3 *db, const QVector<QVariant> &values, const QVector<bool> &changed,
                const QVector<QVariant> &oldValues) const;
    bool remove(sqlite3 *db, const QVector<QVariant> &oldValues) const;

    // "update <table> set <column>=? where id=?" for one column, for writing
    // that column of many rows by their ids; empty when the column is not
    // written (computed, the id, another table's) or the table has no id.
    QString updateByIdSql(int col) const;

    // Whether any changed column would be written.
    bool writes(const QVector<bool> &changed) const;

private:
    bool writable(int col) const;
    QString rowCondition(const QVector<QVariant> &oldValues, QVector<QVariant> *whereValues) const;

    QString m_table;
    QStringList m_originTable;
    QStringList m_originColumn;
    int m_idCol;
};
