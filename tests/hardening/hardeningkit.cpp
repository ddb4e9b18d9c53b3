#include "hardeningkit.h"

#include "logdb/dberror.h"
#include "logdb/schema.h"
#include "logdb/tdm.h"

#include <QFile>
#include <sqlite3.h>

namespace HardeningKit {

namespace {

struct Db {
    sqlite3 *db = nullptr;
    explicit Db(const QString &path)
    {
        if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READWRITE, nullptr)
            != SQLITE_OK) {
            const QString msg = QString::fromUtf8(sqlite3_errmsg(db));
            sqlite3_close(db);
            throw DbError(msg);
        }
        sqlite3_busy_timeout(db, 5000);
    }
    ~Db() { sqlite3_close(db); }
};

} // namespace

void createLog(const QString &path)
{
    QFile::remove(path);
    Schema::createTemplate(path);
}

void exec(const QString &path, const QString &sql)
{
    Db d(path);
    char *err = nullptr;
    if (sqlite3_exec(d.db, sql.toUtf8().constData(), nullptr, nullptr, &err) != SQLITE_OK) {
        const QString msg = QString::fromUtf8(err ? err : sqlite3_errmsg(d.db));
        sqlite3_free(err);
        throw DbError(msg);
    }
}

QStringList query(const QString &path, const QString &sql)
{
    Db d(path);
    sqlite3_stmt *st = nullptr;
    if (sqlite3_prepare_v2(d.db, sql.toUtf8().constData(), -1, &st, nullptr) != SQLITE_OK)
        throw DbError(QString::fromUtf8(sqlite3_errmsg(d.db)));
    QStringList rows;
    int rc;
    while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
        QStringList cols;
        for (int i = 0; i < sqlite3_column_count(st); ++i)
            cols << QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(st, i)));
        rows << cols.join(QLatin1Char('|'));
    }
    const QString msg = QString::fromUtf8(sqlite3_errmsg(d.db));
    sqlite3_finalize(st);
    if (rc != SQLITE_DONE)
        throw DbError(msg);
    return rows;
}

QString integrity(const QString &path)
{
    try {
        return query(path, QStringLiteral("pragma integrity_check")).join(QLatin1Char('\n'));
    } catch (const DbError &e) {
        return e.message();
    }
}

int openLikeProgram(const QString &path)
{
    TDM dm;
    dm.ADOConnection1->open(path);
    dm.ADOQueryLog->open();
    dm.ADOQueryOpc->open();
    dm.ADOQueryModes->open();
    const int n = dm.ADOQueryLog->recordCount();
    dm.ADOConnection1->close();
    return n;
}

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray();
    return f.readAll();
}

} // namespace HardeningKit
