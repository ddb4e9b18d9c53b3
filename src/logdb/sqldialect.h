#pragma once
#include <QString>

// The SQL the program and its users write follows the Jet dialect: text
// literals may stand in double quotes. SQLite would read those as column
// names wherever a column of that name exists, so they are turned into
// single-quoted literals before the statement is prepared.
namespace SqlDialect {
QString adapt(const QString &sql);
}
