#include "mdbexportcsv.h"

QList<QStringList> splitMdbExportCsv(const QString &out)
{
    QList<QStringList> rows;
    QStringList row;
    QString cell;
    bool quoted = false;
    for (int i = 0; i < out.size(); ++i) {
        const QChar ch = out[i];
        if (quoted) {
            if (ch == QLatin1Char('"') && i + 1 < out.size() && out[i + 1] == QLatin1Char('"')) {
                cell += ch;
                ++i;
            } else if (ch == QLatin1Char('"')) {
                quoted = false;
            } else {
                cell += ch;
            }
        } else if (ch == QLatin1Char('"')) {
            quoted = true;
        } else if (ch == QLatin1Char(',')) {
            row << cell;
            cell.clear();
        } else if (ch == QLatin1Char('\n')) {
            row << cell;
            rows << row;
            row.clear();
            cell.clear();
        } else {
            cell += ch;
        }
    }
    return rows;
}
