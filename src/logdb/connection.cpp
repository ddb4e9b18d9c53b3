#include "logdb/connection.h"
#include "logdb/dataset.h"
#include "logdb/dberror.h"
#include "logdb/sqldialect.h"
#include "logdb/sqlfunctions.h"

#include <QFileInfo>
#include <QSet>
#include <sqlite3.h>

namespace {

int g_busyTimeoutMs = 5000;

QString engineMessage(sqlite3 *db)
{
    return QString::fromUtf8(sqlite3_errmsg(db));
}

} // namespace

Connection::Connection(QObject *parent) : QObject(parent) {}

int Connection::busyTimeoutMs()
{
    return g_busyTimeoutMs;
}

void Connection::setBusyTimeoutMs(int ms)
{
    g_busyTimeoutMs = ms;
}

Connection::~Connection()
{
    close();
}

void Connection::open(const QString &path)
{
    close();
    m_path = path;
    const QFileInfo fi(path);
    if (path.isEmpty() || !fi.exists())
        throw DbError(QStringLiteral("Could not find file '%1'").arg(path));
    if (!fi.isFile())
        throw DbError(QStringLiteral("'%1' is not a log file").arg(path));

    sqlite3 *db = nullptr;
    // A connection is only ever used by the thread that opened it (snapshots
    // open their own): the engine's locking on every call would only cost
    // time, a tenth of reading a large log.
    const int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &db,
                                   SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc != SQLITE_OK) {
        const QString msg = db ? engineMessage(db) : QStringLiteral("out of memory");
        sqlite3_close(db);
        throw DbError(QStringLiteral("Cannot open '%1': %2").arg(path, msg));
    }
    sqlite3_busy_timeout(db, busyTimeoutMs());
    sqlite3_extended_result_codes(db, 0);

    // Prove it is an SQLite file with the three tables of a log.
    sqlite3_stmt *st = nullptr;
    QSet<QString> tables;
    int src = sqlite3_prepare_v2(db, "select lower(name) from sqlite_master where type = 'table'", -1, &st, nullptr);
    if (src == SQLITE_OK) {
        while ((src = sqlite3_step(st)) == SQLITE_ROW)
            tables.insert(QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(st, 0))));
    }
    if (src != SQLITE_DONE) {
        const QString msg = engineMessage(db);
        sqlite3_finalize(st);
        sqlite3_close(db);
        throw DbError(QStringLiteral("'%1' is not a log file: %2").arg(path, msg));
    }
    sqlite3_finalize(st);
    QStringList missing;
    for (const char *t : {"log", "modes", "opc"})
        if (!tables.contains(QLatin1String(t)))
            missing << QLatin1String(t);
    if (!missing.isEmpty()) {
        sqlite3_close(db);
        throw DbError(QStringLiteral("'%1' is not a log file: table %2 missing")
                          .arg(path, missing.join(QStringLiteral(", "))));
    }

    // A damaged file is refused before anything can be written to it; the
    // engine would otherwise notice only when a page is read, perhaps after
    // a QSO has been added to the damage. The structural check costs about
    // half of reading the log view once.
    QString damage;
    if (sqlite3_prepare_v2(db, "pragma quick_check(1)", -1, &st, nullptr) == SQLITE_OK) {
        src = sqlite3_step(st);
        if (src == SQLITE_ROW) {
            const QString result = QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(st, 0)));
            if (result != QLatin1String("ok"))
                damage = result;
        } else {
            damage = engineMessage(db);
        }
    } else {
        damage = engineMessage(db);
    }
    sqlite3_finalize(st);
    if (!damage.isEmpty()) {
        sqlite3_close(db);
        throw DbError(QStringLiteral("'%1' is a damaged log file: %2").arg(path, damage));
    }

    registerSqlFunctions(db);
    m_db = db;
}

void Connection::close()
{
    if (!m_db)
        return;
    const auto datasets = m_datasets;
    for (Dataset *ds : datasets)
        ds->close();
    if (sqlite3_get_autocommit(m_db) == 0)
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close_v2(m_db);
    m_db = nullptr;
}

void Connection::requireOpen() const
{
    if (!m_db)
        throw DbError(QStringLiteral("ADOConnection1: Connection is closed"));
}

void Connection::execute(const QString &sql)
{
    requireOpen();
    const QByteArray text = SqlDialect::adapt(sql).toUtf8();
    char *err = nullptr;
    if (sqlite3_exec(m_db, text.constData(), nullptr, nullptr, &err) != SQLITE_OK) {
        const QString msg = err ? QString::fromUtf8(err) : engineMessage(m_db);
        sqlite3_free(err);
        throw DbError(msg);
    }
}

int Connection::changes() const
{
    return m_db ? sqlite3_changes(m_db) : 0;
}

void Connection::beginTransaction()
{
    execute(QStringLiteral("BEGIN IMMEDIATE"));
}

void Connection::commit()
{
    execute(QStringLiteral("COMMIT"));
}

void Connection::rollback()
{
    if (m_db && sqlite3_get_autocommit(m_db) == 0)
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
}

bool Connection::inTransaction() const
{
    return m_db && sqlite3_get_autocommit(m_db) == 0;
}

void Connection::registerDataset(Dataset *ds)
{
    if (!m_datasets.contains(ds))
        m_datasets.append(ds);
}

void Connection::unregisterDataset(Dataset *ds)
{
    m_datasets.removeAll(ds);
}
