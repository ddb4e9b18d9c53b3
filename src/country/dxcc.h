#pragma once
#include "logdb/progress.h"

#include <QString>
#include <QStringList>

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

// What a rebuild did.
struct RebuildResult {
    int done = 0;             // rows whose country text was written
    int total = 0;            // rows of the view
    bool cancelled = false;   // stopped by the progress receiver after `done` rows
};

// Sets dxcc of every row of the view to the primary prefix that
// FindCountryByCall gives for its CALL (empty for a call without country)
// and reports the progress after each row (the total is the view's row
// count). All rows are written in one transaction. Where the view's rows
// carry their ids, each row is written by its id with one prepared
// statement, in the order of the ids (the order of the rows in the file,
// which a large log needs to be rebuilt in seconds); otherwise row by row
// through edit and post, in the view's order. When the engine fails on a
// row, the rows written before are kept, the failing row stays as it was
// and the DbError goes on to the caller. A cancel (the receiver returning
// false) keeps the rows done so far: every row is then either rebuilt or as
// it was. Leaves the view on its last row.
RebuildResult RebuildDxcc(Dataset &logView, const WorkProgress &progress = {});

// Runs the two statistics statements for the view statement `logStatement`
// on `com`: returns the number of distinct country texts and leaves `com`
// open on the grouped result (country text, number of QSOs).
int OpenDxccStatistics(Dataset &com, const QString &logStatement);

// Entity name for the current row of the grouped result ("" without rows,
// without a dxcc column, or for a text that names no entity).
QString CountryNameOfCurrentRow(Dataset &com);
