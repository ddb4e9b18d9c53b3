#pragma once
#include "logdb/connection.h"
#include "logdb/fielddef.h"

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QVariant>
#include <QVector>
#include <memory>

class Connection;
class Dataset;

// Access to one column of the current row (or of the row being edited).
// Cheap to copy; valid while its dataset lives.
class Field {
public:
    Field(Dataset *ds, int index) : m_ds(ds), m_index(index) {}

    QString name() const;
    FieldType type() const;
    int width() const;
    int index() const { return m_index; }

    bool isNull() const;
    // Text as the program reads it: dates "dd.mm.yyyy", times "hh:mm",
    // numbers in plain digits, NULL as "".
    QString asString() const;
    QDate asDate() const;        // invalid when NULL or unreadable
    QTime asTime() const;
    qint64 asInteger() const;    // 0 when NULL; throws for non-numeric text
    // Typed value: QString, qlonglong, double, QDate, QTime, or null QVariant.
    QVariant value() const;

    // Setting needs the dataset in Edit or Insert state.
    // Text is cut to the width; a Date/Time/Integer field converts the text
    // by the program's text forms and throws DbError when it cannot.
    void setString(const QString &text);
    void setDate(const QDate &d);
    void setTime(const QTime &t);
    void setInteger(qint64 v);
    void setNull();
    void setValue(const QVariant &v);

private:
    Dataset *m_ds;
    int m_index;
};

// A query holding its whole result in memory, with the row operations the
// windows use: first/last/next, exact count, locate by id, lookup by call,
// append/edit/post/cancel/delete written through to the file one row at a
// time (by id; by the old values where the table has no id).
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
    // returns (missing columns read as NULL). Empty: fields follow the result.
    void setFixedFields(const FieldDefs &defs);
    // Table that row changes are written to; empty: the single table all
    // result columns come from, if any.
    void setBaseTable(const QString &table) { m_baseTable = table; }
    QString baseTable() const { return m_effectiveTable; }

    void setParam(const QString &name, const QVariant &value);
    // The statement ends in "<column> like :<param>": when the pattern starts
    // with plain text, the rows are also limited to that text's range of the
    // column, so that its index is used. The result is the same.
    void setLikeRangeHint(const QString &column, const QString &param)
    {
        m_hintColumn = column;
        m_hintParam = param.toLower();
    }
    QVariant param(const QString &name) const { return m_params.value(name); }

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

    // First row of the result (in its order) whose CALL equals call, letter
    // case aside; its NAME and GRIDSQUARE as stored (null QVariant for NULL).
    struct CallLookup {
        bool found = false;
        QVariant name;
        QVariant grid;
    };
    CallLookup lookupByCall(const QString &call);

    void append();
    void edit();
    void post();
    void cancel();
    void remove();             // deletes the current row from the file

    bool canModify() const;    // a base table is known

    int fieldCount() const { return m_fields.size(); }
    const FieldDef &fieldDef(int i) const { return m_fields[i]; }
    int fieldIndex(const QString &name) const;   // case-insensitive, -1
    Field field(int i);
    Field fieldByName(const QString &name);      // throws when unknown

    // Raw access to any row for grids (not the edit buffer).
    QVariant valueAt(int row, int col) const;    // typed as Field::value()
    QString displayAt(int row, int col) const;   // as Field::asString()
    qint64 idAt(int row) const;                  // -1 without id column

    // The data layer's messages, with the dataset's name in front.
    [[noreturn]] void raise(const QString &message) const;

signals:
    void opened();
    void closed();
    void afterScroll();              // current row changed (also after open)
    void rowChanged(int row);        // a row's values changed (posted)
    void rowInserted(int row);       // appended row posted at the end
    void rowRemoved(int row);
    void stateChanged();

private:
    friend class Field;
    struct Impl;
    void requireActive() const;
    void requireEditing() const;
    void setCurrent(int row);
    QVariant currentRaw(int col) const;
    void setRaw(int col, const QVariant &storedValue);

    QPointer<Connection> m_connection;
    QStringList m_sql;
    FieldDefs m_fixed;
    FieldDefs m_fields;
    QString m_baseTable;
    QString m_effectiveTable;
    QHash<QString, QVariant> m_params;
    QString m_hintColumn;
    QString m_hintParam;
    State m_state = State::Inactive;
    int m_cur = -1;
    std::unique_ptr<Impl> d;
};
