#pragma once
// A small writer of Jet 3 and Jet 4 database files (.mdb), for tests and
// benchmarks only: it builds a file from tables of known values so that the
// converter can be tried on them. It follows the public description of the
// format in mdbtools' HACKING document. What it writes: the database
// definition page, the usage maps, MSysObjects, one table definition page
// per table and its data pages. No indexes, no properties, memos only inside
// the row; enough for libmdb and mdb-export to read every value back.
#include <QByteArray>
#include <QList>
#include <QSet>
#include <QString>
#include <QVariant>

#include <stdexcept>

namespace JetWriter {

enum class Version { Jet3, Jet4 };

enum class Type { Long, Int, Double, DateTime, Text, Memo, Ole };

struct Column {
    QString name;
    Type type = Type::Text;
    int size = 0;              // text: width in characters
    bool autoNumber = false;   // long only
    bool compressed = false;   // Jet 4 text and memo: Unicode compression where it saves space
};

// One value per column. An invalid QVariant is NULL, QString("") a
// zero-length text. Date/time columns take a double (days since 30.12.1899,
// as Jet stores them), a QDate, a QTime (stored on 30.12.1899) or a QDateTime.
using Row = QVariantList;

struct Table {
    QString name;
    QList<Column> columns;
    QList<Row> rows;
    // Rows (by index) left in the file with the deleted flag, as Jet leaves them.
    QSet<int> deleted;
    // Rows (by index) moved to a later page behind an overflow pointer, as Jet
    // does when an edited row no longer fits. The moved data carries the
    // deleted flag, so only the pointer leads to it.
    QSet<int> relocated;
};

struct Options {
    Version version = Version::Jet4;
    int codePage = 1251;       // Jet 3: code page of texts and names
    int headerCodePage = -1;   // code page named in the header; -1: codePage (0: none)
};

class Error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The whole file. Throws Error when something does not fit (a row longer
// than a page, a Jet 3 row of 256 bytes or more, a table definition longer
// than a page).
QByteArray build(const QList<Table> &tables, const Options &options = {});
void write(const QString &path, const QList<Table> &tables, const Options &options = {});

// Days since 30.12.1899 as Jet stores a date/time value.
double jetDateTime(const QVariant &value);

// Jet 4 text bytes: the compressed form when the column allows it and it is
// shorter, else plain UCS-2 little-endian.
QByteArray jet4Text(const QString &text, bool compressed);

}   // namespace JetWriter
