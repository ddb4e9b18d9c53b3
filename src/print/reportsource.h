#pragma once
#include "print/printdoc.h"
#include "print/reportlayout.h"

class Dataset;
class TDM;

// Reads the reports' input from the data module's queries.

// Every row of a log query (ADOQueryLog or ADOQueryQSL), in the query's
// order and under its current statement. Reads the rows without moving the
// current row. Throws DbError when the query is closed.
QVector<QsoRow> readQsoRows(const Dataset &query);

// The station's data from the current row of ADOQueryOpc; empty texts when
// the table has no row. Throws DbError when the query is closed.
StationData readStationData(Dataset &opc);

// The printed station log over ADOQueryLog as it stands (filter included).
PrintDocument buildStationLogReport(TDM &dm, const QDate &today);

// Closes and reopens ADOQueryQSL, so that it holds the QSOs marked "P" at
// this moment, then lays out their labels.
PrintDocument buildQslLabelReport(TDM &dm);
