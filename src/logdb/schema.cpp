#include "logdb/schema.h"
#include "logdb/dberror.h"

#include <QFile>
#include <sqlite3.h>

namespace {
FieldDef text(const char *name, int width) { return FieldDef{QString::fromLatin1(name), FieldType::Text, width}; }
FieldDef date(const char *name) { return FieldDef{QString::fromLatin1(name), FieldType::Date, 0}; }
FieldDef time(const char *name) { return FieldDef{QString::fromLatin1(name), FieldType::Time, 0}; }
FieldDef autoinc(const char *name) { return FieldDef{QString::fromLatin1(name), FieldType::AutoInc, 0}; }
} // namespace

namespace Schema {

QStringList createStatements()
{
    // Text columns compare with the built-in NOCASE collation so that "="
    // ignores letter case as the program expects; nothing else of our own.
    return {
        QStringLiteral(
            "create table log (\n"
            "  id integer primary key autoincrement,\n"
            "  QSO_DATE DATE,\n"
            "  TIME_ON TIME,\n"
            "  TIME_OFF TIME,\n"
            "  FREQ VARCHAR(10) collate nocase,\n"
            "  MODE VARCHAR(10) collate nocase,\n"
            "  CALL VARCHAR(15) collate nocase,\n"
            "  NAME VARCHAR(25) collate nocase,\n"
            "  QTH VARCHAR(25) collate nocase,\n"
            "  COMMENT VARCHAR(36) collate nocase,\n"
            "  RST_SENT VARCHAR(10) collate nocase,\n"
            "  RST_RCVD VARCHAR(10) collate nocase,\n"
            "  QSL_SENT VARCHAR(1) collate nocase,\n"
            "  QSL_RCVD VARCHAR(1) collate nocase,\n"
            "  TX_PWR VARCHAR(4) collate nocase,\n"
            "  GRIDSQUARE VARCHAR(6) collate nocase,\n"
            "  dxcc VARCHAR(5) collate nocase,\n"
            "  user1 VARCHAR(5) collate nocase\n"
            ")"),
        // The worked-before lookup by call and the view ordered by date and time.
        QStringLiteral("create index log_call on log (CALL)"),
        QStringLiteral("create index log_date_time on log (QSO_DATE, TIME_ON)"),
        QStringLiteral("create index log_qsl_sent on log (QSL_SENT)"),
        QStringLiteral("create table modes (\n  mode VARCHAR(10) collate nocase\n)"),
        QStringLiteral(
            "create table opc (\n"
            "  id integer primary key autoincrement,\n"
            "  mycall VARCHAR(15) collate nocase,\n"
            "  myname VARCHAR(25) collate nocase,\n"
            "  myqth VARCHAR(25) collate nocase,\n"
            "  myloc VARCHAR(6) collate nocase,\n"
            "  myadr VARCHAR(90) collate nocase,\n"
            "  myrig VARCHAR(90) collate nocase,\n"
            "  timeshift INTEGER\n"
            ")"),
    };
}

QStringList templateRows()
{
    QStringList rows;
    rows << QStringLiteral("insert into opc (mycall, myname, myqth, myloc, myadr, myrig, timeshift) "
                           "values ('', '', '', '', '', '', 0)");
    for (const char *m : {"SSB", "CW", "FM", "AM", "RTTY", "PSK31", "FT8", "FT4", "SSTV", "DIG"})
        rows << QStringLiteral("insert into modes (mode) values ('%1')").arg(QLatin1String(m));
    return rows;
}

void createTemplate(const QString &path)
{
    if (QFile::exists(path))
        throw DbError(QStringLiteral("'%1' already exists").arg(path));
    sqlite3 *db = nullptr;
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db,
                        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK) {
        const QString msg = db ? QString::fromUtf8(sqlite3_errmsg(db)) : QStringLiteral("out of memory");
        sqlite3_close(db);
        throw DbError(msg);
    }
    QStringList all = QStringList{QStringLiteral("begin")} + createStatements() + templateRows()
                      + QStringList{QStringLiteral("commit")};
    for (const QString &st : all) {
        char *err = nullptr;
        if (sqlite3_exec(db, st.toUtf8().constData(), nullptr, nullptr, &err) != SQLITE_OK) {
            const QString msg = QString::fromUtf8(err ? err : "error");
            sqlite3_free(err);
            sqlite3_close(db);
            QFile::remove(path);
            throw DbError(msg);
        }
    }
    sqlite3_close(db);
}

FieldDefs logFields()
{
    return {autoinc("id"), date("QSO_DATE"), time("TIME_ON"), time("TIME_OFF"), text("FREQ", 10),
            text("MODE", 10), text("CALL", 15), text("NAME", 25), text("QTH", 25), text("COMMENT", 36),
            text("RST_SENT", 10), text("RST_RCVD", 10), text("QSL_SENT", 1), text("QSL_RCVD", 1),
            text("TX_PWR", 4), text("GRIDSQUARE", 6), text("dxcc", 5), text("user1", 5)};
}

FieldDefs b4Fields()
{
    return {autoinc("id"), text("call", 15), date("qso_date"), time("time_on"), text("name", 25),
            text("qsl_sent", 1), text("qsl_rcvd", 1), time("TIME_OFF"), text("FREQ", 10), text("MODE", 10),
            text("QTH", 25), text("COMMENT", 36), text("RST_SENT", 10), text("RST_RCVD", 10),
            text("TX_PWR", 4), text("GRIDSQUARE", 6)};
}

FieldDefs qslFields()
{
    return {autoinc("id"), date("QSO_DATE"), time("TIME_ON"), time("TIME_OFF"), text("FREQ", 10),
            text("MODE", 10), text("CALL", 15), text("NAME", 25), text("QTH", 25), text("COMMENT", 36),
            text("RST_SENT", 10), text("RST_RCVD", 10), text("QSL_SENT", 1), text("QSL_RCVD", 1),
            text("TX_PWR", 4), text("GRIDSQUARE", 6)};
}

FieldDefs opcFields()
{
    return {autoinc("id"), text("mycall", 15), text("myname", 25), text("myqth", 25), text("myloc", 6),
            text("myadr", 90), text("myrig", 90), FieldDef{QStringLiteral("timeshift"), FieldType::Integer, 0}};
}

FieldDefs modesFields()
{
    return {text("mode", 10)};
}

} // namespace Schema
