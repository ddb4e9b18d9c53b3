#pragma once
#include "logdb/fielddef.h"
#include <QString>
#include <QStringList>

// The schema of a log file: tables log, modes, opc. Only what every SQLite
// build has, so other SQLite tools read and change a log without Tarnix.
namespace Schema {

QStringList createStatements();   // tables and indexes
QStringList templateRows();       // the opc row and the usual modes of a new log

// Creates a new empty log (the template) at path; the file must not exist.
void createTemplate(const QString &path);

FieldDefs logFields();      // ADOQueryLog
FieldDefs b4Fields();       // ADOQueryB4
FieldDefs qslFields();      // ADOQueryQSL
FieldDefs opcFields();      // ADOQueryOpc
FieldDefs modesFields();    // ADOQueryModes

} // namespace Schema
