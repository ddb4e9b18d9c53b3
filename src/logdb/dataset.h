#pragma once
#include "logdb/field.h"
#include "logdb/fielddef.h"
#include "logdb/connection.h"
#include "logdb/statement.h"

#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QVariant>
#include <QVector>
#include <functional>
#include <memory>

class Connection;
class RowWriter;

// A query holding its whole result in memory, with the row operations the
// windows use: first/last/next, exact count, locate by id, append/edit/
// post/cancel/delete written through to the file one row at a time (by id;
// by the old values where the table has no id). It knows no table or
// column of its own: what it shows and writes follows its statement.
class Dataset : public QObject {
    Q_OBJECT
public:
    enum class State { Inactive, Browse, Edit, Insert };

    Dataset(const QString &name, Connection *connection, QObject *parent = nullptr);
    ~Dataset() override;

    QString name() const { return objectName(); }
    Connection *connection() const { return m_connection; }

    // The statement, as lines. sqlText() joins them with "\n" as sent.
    void setSql(const QStringList &lines);
    QStringList sql() const { return m_sql; }
    QString sqlText() const { return m_sql.join(QLatin1Char('\n')); }

    // Fixed field list: only these are reachable, whatever the statement
    // returns. Empty: fields follow the result.
    void setFixedFields(const FieldDefs &defs);
    // Table that row changes are written to; empty: the single table all
    // result columns come from, if any.
    void setBaseTable(const QString &table) { m_baseTable = table; }
    QString baseTable() const { return m_effectiveTable; }

    void setParam(const QString &name, const QVariant &value);
    QVariant param(const QString &name) const { return m_params.value(name.toLower()); }

    // Lets the owner of a standing query narrow the statement just before it
    // runs (an index range, say). The rows must be the same as without it.
    using StatementRefiner = std::function<void(Connection &, QString &statement, SqlParams &params)>;
    void setStatementRefiner(StatementRefiner refiner) { m_refiner = std::move(refiner); }

    // Throws DbError "CommandText does not return a result set" for a
    // statement without rows (nothing is executed then).
    void open();
    void close();
    bool isActive() const { return m_state != State::Inactive; }
    void execSql();            // runs a statement that returns no rows

    State state() const { return m_state; }
    int recordCount() const;   // throws when closed
    int recNo() const { return m_cur; }   // 0-based, -1 when empty
    bool eof() const;
    bool bof() const;
    bool isEmpty() const;
    void first();
    void last();
    void next();
    void prior();
    void moveTo(int row);
    bool locate(qint64 id);    // moves to the row whose id equals; false: stays

    void append();
    void edit();
    void post();
    void cancel();
    void remove();             // deletes the current row from the file

    bool canModify() const;    // a base table is known

    int fieldCount() const { return int(m_fields.size()); }
    const FieldDef &fieldDef(int i) const { return m_fields[i]; }
    int fieldIndex(const QString &name) const;   // case-insensitive, -1
    Field field(int i);
    Field fieldByName(const QString &name);      // throws when unknown

    // Raw access to any row for grids and indexes (not the edit buffer).
    QVariant valueAt(int row, int field) const;    // typed as Field::value()
    QString displayAt(int row, int field) const;   // as Field::asString()
    QVariant storedAt(int row, int field) const;   // as stored, never the edit buffer
    qint64 idAt(int row) const;                    // -1 without id column
    // Bulk writing of one field (a rebuild over the whole log): stores the
    // value in `row` and writes it to the file at once by the row's id, with
    // a statement prepared once for the field. In Browse state only; false,
    // with nothing written, when the view cannot be written so (no id, a
    // computed column, not Browse): then edit and post row by row. Throws
    // as post() does, the row then unchanged; rowChanged follows a write.
    bool writeFieldAt(int row, int field, const QVariant &stored);
    // The stored cell itself, for walks over many rows (an export, a
    // rebuild); valid until the rows change. A Null cell outside the rows.
    RowStore::Cell cellAt(int row, int field) const;
    // Every field's cell of a row at once (fieldCount() of them).
    void cellsAt(int row, RowStore::Cell *cells) const;

    // The data layer's messages, with the dataset's name in front.
    [[noreturn]] void raise(const QString &message) const;

signals:
    void opened();
    void closed();
    void afterScroll();              // current row changed (also after open)
    void rowChanged(int row);        // a row's values changed (posted)
    void rowInserted(int row);       // a row appended at the end (posted later)
    void rowRemoved(int row);
    void stateChanged();

private:
    friend class Field;
    void requireActive() const;
    void requireEditing() const;
    void requireConnection() const;
    void setCurrent(int row);
    QVariant currentStored(int field) const;
    void setStored(int field, const QVariant &storedValue);
    int columnOf(int field) const { return m_fieldCol[field]; }

    QPointer<Connection> m_connection;
    QStringList m_sql;
    FieldDefs m_fixed;
    FieldDefs m_fields;
    QString m_baseTable;
    QString m_effectiveTable;
    SqlParams m_params;
    StatementRefiner m_refiner;
    State m_state = State::Inactive;
    int m_cur = -1;

    // The open result.
    ResultSet m_result;
    QVector<int> m_fieldCol;        // field index -> result column
    int m_idCol = -1;               // result column holding the table's id
    std::unique_ptr<RowWriter> m_writer;
    std::unique_ptr<Statement> m_fieldUpdate;   // of writeFieldAt, for one column
    int m_fieldUpdateCol = -1;
    // The row being edited or appended, one stored value per result column.
    QVector<QVariant> m_buffer;
    QVector<bool> m_changed;
    QVector<QVariant> m_oldValues;
    // Row of each id, built on the first locate and dropped when rows shift.
    QHash<qint64, int> m_rowOfId;
    bool m_rowOfIdValid = false;
};
