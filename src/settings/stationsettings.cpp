#include "settings/stationsettings.h"

#include "logdb/dberror.h"
#include "logdb/textforms.h"

#include <limits>

namespace StationSettings {

bool isOffsetCharacter(QChar c)
{
    return (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QLatin1Char('+') || c == QLatin1Char('-');
}

bool isOffsetTypeable(const QString &text)
{
    for (QChar c : text)
        if (!isOffsetCharacter(c))
            return false;
    return true;
}

bool parseOffset(const QString &text, int *hours)
{
    if (text.trimmed().isEmpty())
        return false;
    const qint64 v = TextForms::parseInteger(text);
    // The column is a 32-bit integer, and the log clock adds it as int.
    if (v < std::numeric_limits<int>::min() || v > std::numeric_limits<int>::max())
        throw DbError(QStringLiteral("'%1' is not a valid integer value").arg(text));
    if (hours)
        *hours = int(v);
    return true;
}

} // namespace StationSettings
