#pragma once
#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>

// Conversion of an old log kept as a Jet 3 or Jet 4 database (.mdb) into a
// log of this program. Reading goes through libmdb; the source is opened
// read-only and never written. No widgets: the main window and command-line
// tools call it alike.

// Called while rows are copied, every few hundred rows and once at the end,
// with the rows done and the rows expected. Returning false cancels.
using ConvertProgress = std::function<bool(qint64 done, qint64 total)>;

// A column of the source that was not copied.
struct SkippedColumn {
    QString table;
    QString column;   // as the source spells it
    QString reason;
    QString name() const { return table + QLatin1Char('.') + column; }   // "log.EXTRA"
};

// A row of the source that was not copied.
struct SkippedRow {
    QString table;
    qint64 row = 0;   // place in the source table, from 1, in the order the rows are read
    QVariant id;      // the row's id when the table has one and it could be read, else null
    QString reason;
};

struct ConvertResult {
    // True when the progress callback cancelled: nothing was written, no
    // file was left under the destination's name or beside it, and the
    // counts below are zero.
    bool cancelled = false;
    int jetVersion = 0;       // 3 or 4
    qint64 qsos = 0;          // rows written to log
    qint64 modes = 0;         // rows written to modes
    qint64 stationRows = 0;   // rows written to opc
    // The source had no such table (or, for opc, no row): the template's
    // own rows were kept so that the new log is complete.
    bool modesFromTemplate = false;
    bool stationFromTemplate = false;
    QList<SkippedColumn> skippedColumns;
    QList<SkippedRow> skippedRows;
    QStringList otherTables;   // tables of the source that are not part of a log, not copied

    QStringList skippedColumnNames() const;   // "table.column" each
};

// True when the file starts like a Jet 3 or Jet 4 database, whatever its name.
bool isJetFile(const QString &path);
// The same test on the first bytes of a file (at least 0x18 of them).
bool isJetHeader(const QByteArray &firstBytes);

// Converts the Jet log at source into a new log at dest, made from the log
// template at templatePath. Tables log, modes and opc are copied column by
// column, names matched without regard to case; ids are kept. The new log is
// filled under a temporary name beside dest and renamed over dest only when
// it is complete; a failure or a cancel leaves dest as it was and no
// temporary file. Errors (missing or unreadable source, not a Jet file, a
// damaged or truncated file, no table log, dest equal to the source, a
// template or destination that cannot be used) are DbError with a message
// that names the file.
ConvertResult convertJetLog(const QString &source, const QString &dest, const QString &templatePath,
                            const ConvertProgress &progress = {});
