#pragma once
#include "query/filtercomposer.h"
#include "query/workbook.h"

#include <QStringList>

class Dataset;

// What the filter window and the SQL window do to their queries, apart from
// the windows. Every failure is a DbError carrying the engine's or the data
// layer's message; nothing here opens a dialog.
namespace QueryActions {

// "Применить": puts the statement (with the power condition) into the log
// query and reopens it; with no statement and QRO the query keeps its own.
// Then moves to the last row and returns the row count for the QSO count.
// When reopening fails the query stays closed with the rejected statement.
int applyFilter(Dataset *log, const QString &statement, FilterComposer::Power power);

// "Отменить фильтр": the log query gets savedSql back and is reopened;
// returns the row count after moving to the last row.
int cancelFilter(Dataset *log, const QStringList &savedSql);

// Moves to the last row and returns the row count. Throws when closed.
int lastRowCount(Dataset *ds);

enum class RunResult { Rows, Command };

// "Выполнить": the statement's lines become the query's statement and it is
// opened; a statement that returns no rows is executed once as a command
// instead and the query stays closed. On any other error the query stays
// closed and the error is thrown.
RunResult runStatement(Dataset *query, const QStringList &lines);

// Every row of the query from the first, each value with its own type
// (text, number, date, time; null for an empty value), for the workbook.
// Leaves the query after its last row. Throws when the query is closed.
QVector<Workbook::Row> readRows(Dataset *query);

} // namespace QueryActions
