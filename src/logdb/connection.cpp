#include "logdb/connection.h"
#include "logdb/dataset.h"
#include "logdb/dberror.h"
#include "logdb/sqldialect.h"
#include "logdb/textforms.h"

#include <QFileInfo>
#include <QSet>
#include <sqlite3.h>

#include <string>

namespace {

// ---- like(): case ignored in every alphabet --------------------------------

bool isAscii(const unsigned char *s, int n)
{
    for (int i = 0; i < n; ++i)
        if (s[i] & 0x80)
            return false;
    return true;
}

template <typename Ch, typename Fold>
bool likeMatch(const Ch *p, const Ch *pe, const Ch *s, const Ch *se, Ch esc, bool hasEsc, Fold fold)
{
    // Iterative matcher with backtracking on the last "%".
    const Ch *starP = nullptr, *starS = nullptr;
    while (s < se) {
        if (p < pe) {
            Ch pc = *p;
            if (hasEsc && pc == esc && p + 1 < pe) {
                if (fold(p[1]) == fold(*s)) { p += 2; ++s; continue; }
            } else if (pc == Ch('%')) {
                while (p < pe && *p == Ch('%')) ++p;
                if (p == pe) return true;
                starP = p; starS = s;
                continue;
            } else if (pc == Ch('_')) {
                ++p; ++s; continue;
            } else if (fold(pc) == fold(*s)) {
                ++p; ++s; continue;
            }
        }
        if (!starP) return false;
        p = starP; s = ++starS;
    }
    while (p < pe && *p == Ch('%')) ++p;
    return p == pe;
}

void likeFunction(sqlite3_context *ctx, int argc, sqlite3_value **argv)
{
    // X LIKE Y [ESCAPE Z] arrives as like(Y, X [, Z]).
    const unsigned char *pat = sqlite3_value_text(argv[0]);
    const int patLen = sqlite3_value_bytes(argv[0]);
    const unsigned char *str = sqlite3_value_text(argv[1]);
    const int strLen = sqlite3_value_bytes(argv[1]);
    if (!pat || !str) {
        sqlite3_result_null(ctx);
        return;
    }
    bool hasEsc = false;
    QString escStr;
    if (argc == 3) {
        const unsigned char *e = sqlite3_value_text(argv[2]);
        if (!e) { sqlite3_result_null(ctx); return; }
        escStr = QString::fromUtf8(reinterpret_cast<const char *>(e), sqlite3_value_bytes(argv[2]));
        if (escStr.size() != 1) {
            sqlite3_result_error(ctx, "ESCAPE expression must be a single character", -1);
            return;
        }
        hasEsc = true;
    }
    bool result;
    if (isAscii(pat, patLen) && isAscii(str, strLen) && (!hasEsc || escStr[0].unicode() < 128)) {
        auto fold = [](unsigned char c) -> unsigned char { return (c >= 'A' && c <= 'Z') ? c + 32 : c; };
        result = likeMatch<unsigned char>(pat, pat + patLen, str, str + strLen,
                                          hasEsc ? (unsigned char)escStr[0].unicode() : 0, hasEsc, fold);
    } else {
        const std::u32string p = QString::fromUtf8(reinterpret_cast<const char *>(pat), patLen).toCaseFolded().toStdU32String();
        const std::u32string s = QString::fromUtf8(reinterpret_cast<const char *>(str), strLen).toCaseFolded().toStdU32String();
        const char32_t e = hasEsc ? escStr.toCaseFolded().toStdU32String().front() : 0;
        auto fold = [](char32_t c) { return c; };
        result = likeMatch<char32_t>(p.data(), p.data() + p.size(), s.data(), s.data() + s.size(), e, hasEsc, fold);
    }
    sqlite3_result_int(ctx, result ? 1 : 0);
}

// ---- DateValue('dd.mm.yyyy') -> 'yyyy-mm-dd' --------------------------------

void dateValueFunction(sqlite3_context *ctx, int, sqlite3_value **argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) {
        sqlite3_result_null(ctx);
        return;
    }
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_value_text(argv[0])),
                                           sqlite3_value_bytes(argv[0]));
    try {
        const QByteArray iso = TextForms::storeDate(TextForms::parseDate(text.trimmed())).toUtf8();
        sqlite3_result_text(ctx, iso.constData(), iso.size(), SQLITE_TRANSIENT);
    } catch (const DbError &e) {
        const QByteArray msg = e.message().toUtf8();
        sqlite3_result_error(ctx, msg.constData(), msg.size());
    }
}

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

void Connection::setConnectionString(const QString &s)
{
    m_connectionString = s;
}

QString Connection::databasePath() const
{
    const QString key = QStringLiteral("Data Source=");
    const int at = m_connectionString.indexOf(key, 0, Qt::CaseInsensitive);
    if (at < 0)
        return QString();
    const int from = at + key.size();
    // A path may hold ";" itself: the path runs to the last ";Persist" when there is one.
    int to = m_connectionString.lastIndexOf(QStringLiteral(";Persist"), -1, Qt::CaseInsensitive);
    if (to < from)
        to = m_connectionString.indexOf(QLatin1Char(';'), from);
    if (to < 0)
        to = m_connectionString.size();
    return m_connectionString.mid(from, to - from);
}

void Connection::open()
{
    if (m_db)
        return;
    const QString path = databasePath();
    const QFileInfo fi(path);
    if (path.isEmpty() || !fi.exists())
        throw DbError(QStringLiteral("Could not find file '%1'").arg(path));
    if (!fi.isFile())
        throw DbError(QStringLiteral("'%1' is not a log file").arg(path));

    sqlite3 *db = nullptr;
    const int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
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

    const int flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC;
    sqlite3_create_function(db, "like", 2, flags, nullptr, likeFunction, nullptr, nullptr);
    sqlite3_create_function(db, "like", 3, flags, nullptr, likeFunction, nullptr, nullptr);
    sqlite3_create_function(db, "DateValue", 1, flags, nullptr, dateValueFunction, nullptr, nullptr);
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
