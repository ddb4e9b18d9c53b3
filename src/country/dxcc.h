#pragma once
#include <QString>
#include <QStringList>

#include <functional>

class Dataset;

// The DXCC rebuild and the statements of the DXCC statistics window.

// The condition of the log view's statement: from its first "where" (lower
// case only, as the filter window writes it) to the end, line breaks
// included; empty when there is none.
QString whereClause(const QString &statementText);

// "select distinct dxcc from log" / " " + clause
QStringList distinctCountriesSql(const QString &clause);
// "select dxcc, Count(dxcc) from log" / " " + clause / "group by dxcc"
QStringList countryCountsSql(const QString &clause);

// Sets dxcc of every row of the view to the primary prefix that
// FindCountryByCall gives for its CALL (empty for a call without country),
// in the view's order, and reports the progress bar's position (0..100)
// after each row. All rows are written in one transaction; when the engine
// fails on a row, the rows written before are kept, the failing row's edit
// is cancelled and the DbError goes on to the caller. Leaves the view on its
// last row.
void RebuildDxcc(Dataset &logView, const std::function<void(int position)> &progress = {});

// Runs the two statistics statements for the view statement `logStatement`
// on `com`: returns the number of distinct country texts and leaves `com`
// open on the grouped result (country text, number of QSOs).
int OpenDxccStatistics(Dataset &com, const QString &logStatement);

// Entity name for the current row of the grouped result ("" without rows,
// without a dxcc column, or for a text that names no entity).
QString CountryNameOfCurrentRow(Dataset &com);
