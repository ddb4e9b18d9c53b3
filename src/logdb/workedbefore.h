#pragma once
#include <QPair>
#include <QString>
#include <QVector>

class Dataset;
struct sqlite3;

// The worked-before query: every QSO of table log whose call matches a
// pattern ("like", so "%" and "_" act as wildcards, letter case aside),
// whatever filter is on the log view.
namespace WorkedBefore {

// Gives the query its statement, fields and parameter, and narrows it to the
// call's index range where that gives the same rows.
void setUp(Dataset *query);
// Runs the query for a pattern (the call as typed, or "%fragment%").
void search(Dataset *query, const QString &pattern);

// Ranges [low, high) of the call column that hold every call a pattern can
// match, under a column that compares with NOCASE: from the plain beginning
// of the pattern, with the few characters that fold to an ASCII letter under
// the like() of our connection (the Kelvin sign for "k", the long s for "s")
// as ranges of their own. Empty: no useful range.
QVector<QPair<QString, QString>> callRanges(const QString &pattern);

// Whether the call column of table log holds text and compares without
// regard to ASCII case, as the ranges need.
bool callColumnComparesWithoutCase(sqlite3 *db);

} // namespace WorkedBefore
