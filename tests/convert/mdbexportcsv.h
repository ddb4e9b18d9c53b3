#pragma once
// What mdb-export prints, for the tests that check a Jet file with it.
#include <QList>
#include <QStringList>

// Rows of mdb-export's CSV: cells split at commas, "quoted" cells with
// doubled quotes inside them, one row per line.
QList<QStringList> splitMdbExportCsv(const QString &out);
