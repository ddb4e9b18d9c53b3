#pragma once

struct sqlite3;

// The SQL functions the program's statements rely on, registered on a
// connection only (never in a file's schema, so other SQLite tools read a
// log without them): like() ignoring letter case in every alphabet, and
// DateValue('dd.mm.yyyy') giving the stored form 'yyyy-mm-dd'.
void registerSqlFunctions(sqlite3 *db);
