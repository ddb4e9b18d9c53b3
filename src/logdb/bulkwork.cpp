#include "logdb/bulkwork.h"

#include <sqlite3.h>

#include <string>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace {

long long pragmaValue(sqlite3 *db, const char *sql)
{
    sqlite3_stmt *st = nullptr;
    long long v = 0;
    if (sqlite3_prepare_v2(db, sql, -1, &st, nullptr) == SQLITE_OK && sqlite3_step(st) == SQLITE_ROW)
        v = sqlite3_column_int64(st, 0);
    sqlite3_finalize(st);
    return v;
}

void setCacheSize(sqlite3 *db, long long value)
{
    const std::string sql = "pragma cache_size = " + std::to_string(value);
    sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr);
}

}   // namespace

BulkCache::BulkCache(sqlite3 *db, int megabytes) : m_db(db)
{
    if (!m_db)
        return;
    m_previous = pragmaValue(m_db, "pragma cache_size");
    // A positive size counts pages, a negative one kibibytes.
    const long long previousKib
        = m_previous >= 0 ? m_previous * pragmaValue(m_db, "pragma page_size") / 1024 : -m_previous;
    const long long wantedKib = (long long)(megabytes)*1024;
    if (wantedKib <= previousKib)
        return;   // never make a larger cache smaller
    setCacheSize(m_db, -wantedKib);
    m_raised = true;
}

BulkCache::~BulkCache()
{
    if (!m_raised)
        return;
    setCacheSize(m_db, m_previous);
    sqlite3_db_release_memory(m_db);
    releaseFreedMemory();
}

void releaseFreedMemory()
{
#if defined(__GLIBC__)
    malloc_trim(0);
#endif
}
