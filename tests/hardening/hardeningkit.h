#pragma once
// Small helpers shared by the hardening tests: logs made from the schema,
// direct sqlite3 access beside the program's own connection.
#include <QByteArray>
#include <QString>
#include <QStringList>

namespace HardeningKit {

// A new empty log at path (made as the template is made).
void createLog(const QString &path);
// Runs statements through a connection of its own; throws DbError.
void exec(const QString &path, const QString &sql);
// Rows of a query as "a|b" lines.
QStringList query(const QString &path, const QString &sql);
// The result of "pragma integrity_check" ("ok" for a sound file).
QString integrity(const QString &path);
// Opens the log as the program does (connection, then the log view) and
// returns the number of rows the view holds; throws DbError.
int openLikeProgram(const QString &path);
QByteArray fileBytes(const QString &path);

} // namespace HardeningKit
