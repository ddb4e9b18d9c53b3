#pragma once
#include "logdb/fielddef.h"
#include "logdb/rowstore.h"

#include <QHash>
#include <QStringList>
#include <QVariant>

struct sqlite3;
struct sqlite3_stmt;

// Named parameters of a statement, by lower-case name without the colon.
using SqlParams = QHash<QString, QVariant>;

// One prepared statement, finalized when it goes. Errors are DbError with
// the engine's message.
class Statement {
public:
    Statement(sqlite3 *db, const QString &sql);   // sql as the engine takes it
    ~Statement();
    Statement(const Statement &) = delete;
    Statement &operator=(const Statement &) = delete;

    sqlite3_stmt *handle() const { return m_st; }
    bool isEmpty() const { return m_st == nullptr; }   // only blanks or comments

    void bind(int index, const QVariant &value);      // 1-based
    void bindNamed(const SqlParams &params);           // missing names bind NULL
    // Runs a statement that returns no rows; the number of rows it changed.
    int run();
    // Makes a statement that has run ready for new values and another run.
    void reset();

private:
    sqlite3 *m_db;
    sqlite3_stmt *m_st = nullptr;
};

// What a statement's result is made of: its columns, where each comes from,
// the field each column makes, and the rows.
struct ResultSet {
    QStringList columns;         // result column names
    QStringList originTable;     // per column, "" when computed
    QStringList originColumn;
    FieldDefs defs;              // a field per column, typed by the declared type
    RowStore rows;
};

// Runs a statement that returns rows and reads them all. Throws DbError
// "CommandText does not return a result set" (after `name`) for a statement
// without result columns, which is then not run.
ResultSet readResult(sqlite3 *db, const QString &sql, const SqlParams &params, const QString &name);
