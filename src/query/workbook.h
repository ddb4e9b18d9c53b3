#pragma once
#include <QDate>
#include <QString>
#include <QVariant>
#include <QVector>

// The SQL window's export: a result table written as a new .xlsx workbook,
// one sheet row per result row from A1, no title row, each value with its
// own cell type, font "Arial cur" 10, column widths fitted to the contents
// and A1 selected.
namespace Workbook {

using Row = QVector<QVariant>;

// Sheet column name of a 0-based column: A..Z, AA..AZ, BA.., ZZ, AAA...
QString columnName(int column);

// Width of a column, in the sheet's character units, that fits the given
// cell values as they are shown; 0 when the column holds nothing to show.
double fittedWidth(const QVector<QVariant> &values);

// Writes rows (each of columnCount values: QString text, integers and
// reals as numbers, QDate/QTime/QDateTime as dates, null as an empty cell)
// to a new workbook at path, replacing the file. Throws DbError.
void write(const QString &path, const QVector<Row> &rows, int columnCount);

// A new, uniquely named folder under the system's temporary folder, kept
// after the program ends so the spreadsheet program can read the file, and
// the workbook's path in it. Throws DbError.
QString newWorkbookPath();

// Days since 30.12.1899 as the sheet counts them (with its 29.02.1900);
// -1 for dates before 01.01.1900, which a sheet cannot hold as dates.
double serialDate(const QDate &d);

} // namespace Workbook
