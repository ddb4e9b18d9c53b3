#include "logdb/sqldialect.h"

namespace SqlDialect {

QString adapt(const QString &sql)
{
    QString out;
    out.reserve(sql.size() + 8);
    const int n = sql.size();
    int i = 0;
    while (i < n) {
        const QChar c = sql[i];
        if (c == QLatin1Char('\'')) {            // single-quoted literal: copy whole
            int j = i + 1;
            while (j < n) {
                if (sql[j] == QLatin1Char('\'')) {
                    if (j + 1 < n && sql[j + 1] == QLatin1Char('\'')) { j += 2; continue; }
                    break;
                }
                ++j;
            }
            out += sql.mid(i, qMin(j, n - 1) - i + 1);
            i = j + 1;
        } else if (c == QLatin1Char('"')) {      // Jet text literal -> SQL literal
            QString value;
            int j = i + 1;
            bool closed = false;
            while (j < n) {
                if (sql[j] == QLatin1Char('"')) {
                    if (j + 1 < n && sql[j + 1] == QLatin1Char('"')) { value += QLatin1Char('"'); j += 2; continue; }
                    closed = true;
                    break;
                }
                if (sql[j] == QLatin1Char('\''))
                    value += QLatin1Char('\'');
                value += sql[j];
                ++j;
            }
            if (!closed) {                        // leave it to the engine to complain
                out += sql.mid(i);
                break;
            }
            out += QLatin1Char('\'') + value + QLatin1Char('\'');
            i = j + 1;
        } else if (c == QLatin1Char('[') || c == QLatin1Char('`')) {   // quoted identifier
            const QChar close = c == QLatin1Char('[') ? QLatin1Char(']') : QLatin1Char('`');
            int j = sql.indexOf(close, i + 1);
            if (j < 0) j = n - 1;
            out += sql.mid(i, j - i + 1);
            i = j + 1;
        } else if (c == QLatin1Char('-') && i + 1 < n && sql[i + 1] == QLatin1Char('-')) {
            int j = sql.indexOf(QLatin1Char('\n'), i);
            if (j < 0) j = n;
            out += sql.mid(i, j - i);
            i = j;
        } else if (c == QLatin1Char('/') && i + 1 < n && sql[i + 1] == QLatin1Char('*')) {
            int j = sql.indexOf(QLatin1String("*/"), i + 2);
            j = j < 0 ? n : j + 2;
            out += sql.mid(i, j - i);
            i = j;
        } else {
            out += c;
            ++i;
        }
    }
    return out;
}

} // namespace SqlDialect
