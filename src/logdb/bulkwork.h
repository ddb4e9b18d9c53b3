#pragma once

struct sqlite3;

// Bulk work on a log (an import, a rebuild, reading a large log view): for
// its length the engine's page cache is allowed to grow well beyond its
// usual couple of megabytes, so that index keys arriving in random order, or
// rows read in index order, do not go back to the file for every row. The
// usual size comes back afterwards and the memory is handed back.
class BulkCache {
public:
    explicit BulkCache(sqlite3 *db, int megabytes = 256);
    ~BulkCache();
    BulkCache(const BulkCache &) = delete;
    BulkCache &operator=(const BulkCache &) = delete;

private:
    sqlite3 *m_db;
    long long m_previous = 0;
    bool m_raised = false;
};

// Hands memory the program no longer uses back to the system (freed heap
// pages stay counted otherwise), after large work has let go of it.
void releaseFreedMemory();
