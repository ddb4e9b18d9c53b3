#pragma once
#include "exchange/adif.h"
#include "logdb/progress.h"

#include <QByteArray>
#include <QDate>
#include <QString>
#include <QTime>
#include <functional>

class Connection;
class Dataset;

// "Экспорт ADIF" and "Импорт ADIF" without their windows: the window shows
// the dialogs and the progress bar, detaches the grid, and calls these.
// Every failure is a DbError carrying the message for the error box.
namespace AdifExchange {

// Told how far the work has got (QSOs done, the total when known, the
// progress bar's position); returning false cancels it at a whole QSO.
using Progress = WorkProgress;

// The encoding an export is asked for. Windows-1251 holds Cyrillic but not,
// say, "ü", "ø" or "ł": a file whose values do not all fit it is written in
// UTF-8 instead (lengths in bytes), so that nothing becomes "?".
enum class ExportEncoding {
    Cp1251WhenItFits,   // Windows-1251, byte for byte as always, while every value fits it
    Utf8                // UTF-8 always
};

struct ExportResult {
    int count = 0;                                   // QSOs written
    Adif::Encoding encoding = Adif::Encoding::Cp1251;   // what the file was written in
    bool cancelled = false;                             // cancelled: nothing was written
};

// Writes the rows of the log view (ADOQueryLog in its current state, so a
// filter in force applies) to fileName. The file is built whole, written to
// a temporary file in the same folder and renamed over fileName at the end,
// so a failed or cancelled export leaves the chosen file as it was (an
// existing one is replaced only by a complete export) and no other file.
// The text goes to the temporary file as it is made, not held whole in
// memory. The log view ends on its last row. The header is the same ASCII
// text in either encoding.
ExportResult exportLog(Dataset *log, const QString &fileName, ExportEncoding encoding,
                       const Progress &progress = {});
// The same asked for Windows-1251 when it fits; returns the number of QSOs written.
int exportLog(Dataset *log, const QString &fileName, const Progress &progress = {});

// The file text of the given rows (header and records), as exportLog writes it.
struct ExportedText {
    QByteArray bytes;   // empty when cancelled
    Adif::Encoding encoding = Adif::Encoding::Cp1251;
    bool cancelled = false;
};
ExportedText exportText(Dataset *log, ExportEncoding encoding, const Progress &progress = {});
QByteArray exportText(Dataset *log, const Progress &progress = {});

// Replaces path with data through a temporary file in the same folder.
// Throws DbError `Cannot create file "<path>". <system reason>`.
void writeFileAtomically(const QString &path, const QByteArray &data);
// Throws DbError `Cannot open file "<path>". <system reason>`.
QByteArray readFile(const QString &path);

// A read record as the row it becomes: the date from "yyyymmdd", the times
// from their first four digits "hhmm", a missing TIME_OFF taking TIME_ON,
// texts cut to their column widths (empty when the tag was missing).
// Throws DbError with the data layer's date and time messages.
struct LogRow {
    QDate date;
    QTime timeOn;
    QTime timeOff;
    Adif::Record texts;   // the text tags only
};
LogRow toLogRow(const Adif::Record &record);

struct ImportResult {
    int stored = 0;           // QSOs appended to the log (committed)
    qint64 lastId = -1;       // id of the last one, -1 when none
    bool cancelled = false;   // stopped by the progress receiver; `stored` QSOs kept
};

// Appends the QSOs of an ADI file to table `log` of the log view's
// connection, in one transaction (committed every ten seconds in a very long
// import). The file is read a piece at a time on a thread of its own while
// this thread stores the rows. A record that cannot be converted stops the
// import with the data layer's message ("'...' is not a valid date" / time /
// integer value); the QSOs before it are committed and no part of it is
// stored; so it is when the engine refuses a row. A killed program leaves
// whole QSOs only. With the log view closed (no log attached), the first
// record fails with the data layer's closed-query message.
// The rows are written to the file directly, not through the view: the
// caller reopens the log view afterwards to show them. `done`, when given,
// is kept up to date, so that after an error the caller still knows what
// was stored before it. A cancel (the progress receiver returning false)
// stops at a whole QSO, keeps the QSOs stored so far, and returns with
// `cancelled` set. The progress total is not known (-1); done counts the
// QSOs stored, and the position follows the bytes read.
ImportResult importFile(Dataset *log, const QString &fileName, const Progress &progress = {},
                        ImportResult *done = nullptr);
ImportResult importBytes(Dataset *log, const QByteArray &bytes, const Progress &progress = {},
                         ImportResult *done = nullptr);

} // namespace AdifExchange
