#include "logdb/textforms.h"
#include "logdb/dberror.h"

namespace {

// One or two digits, blanks before them allowed; -1 when not so.
int readSmallNumber(const QString &part, int maxDigits)
{
    int i = 0;
    while (i < part.size() && part[i] == QLatin1Char(' '))
        ++i;
    const QString digits = part.mid(i);
    if (digits.isEmpty() || digits.size() > maxDigits)
        return -1;
    int v = 0;
    for (QChar c : digits) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return -1;
        v = v * 10 + (c.unicode() - '0');
    }
    return v;
}

} // namespace

namespace TextForms {

QDate parseDate(const QString &text)
{
    const auto fail = [&]() -> QDate {
        throw DbError(QStringLiteral("'%1' is not a valid date").arg(text));
    };
    const QStringList parts = text.split(QLatin1Char('.'));
    if (parts.size() != 3)
        return fail();
    const int day = readSmallNumber(parts[0], 2);
    const int month = readSmallNumber(parts[1], 2);
    int year = readSmallNumber(parts[2], 4);
    if (day < 0 || month < 0 || year < 0)
        return fail();
    // A two-digit year belongs to the nearest century window, as typed dates do.
    const QString yearDigits = parts[2].trimmed();
    if (yearDigits.size() <= 2)
        year += year < 50 ? 2000 : 1900;
    const QDate d(year, month, day);
    if (!d.isValid() || year < 1)
        return fail();
    return d;
}

QTime parseTime(const QString &text)
{
    const auto fail = [&]() -> QTime {
        throw DbError(QStringLiteral("'%1' is not a valid time").arg(text));
    };
    const QStringList parts = text.split(QLatin1Char(':'));
    if (parts.size() != 2 && parts.size() != 3)
        return fail();
    const int h = readSmallNumber(parts[0], 2);
    const int m = parts[1].startsWith(QLatin1Char(' ')) ? -1 : readSmallNumber(parts[1], 2);
    int s = 0;
    if (parts.size() == 3)
        s = parts[2].startsWith(QLatin1Char(' ')) ? -1 : readSmallNumber(parts[2], 2);
    if (h < 0 || h > 23 || m < 0 || m > 59 || s < 0 || s > 59)
        return fail();
    return QTime(h, m, s);
}

qint64 parseInteger(const QString &text)
{
    bool ok = false;
    const qint64 v = text.trimmed().toLongLong(&ok);
    if (!ok)
        throw DbError(QStringLiteral("'%1' is not a valid integer value").arg(text));
    return v;
}

QString formatDate(const QDate &d)
{
    return d.isValid() ? d.toString(QStringLiteral("dd.MM.yyyy")) : QString();
}

QString formatTime(const QTime &t)
{
    return t.isValid() ? t.toString(QStringLiteral("hh:mm")) : QString();
}

QString storeDate(const QDate &d)
{
    return d.toString(QStringLiteral("yyyy-MM-dd"));
}

QString storeTime(const QTime &t)
{
    return t.toString(QStringLiteral("hh:mm"));
}

QDate readStoredDate(const QString &s)
{
    // Other tools may have written a time of day after the date.
    return QDate::fromString(s.left(10), QStringLiteral("yyyy-MM-dd"));
}

QTime readStoredTime(const QString &s)
{
    if (s.size() >= 8) {
        const QTime t = QTime::fromString(s.left(8), QStringLiteral("hh:mm:ss"));
        if (t.isValid())
            return t;
    }
    return QTime::fromString(s.left(5), QStringLiteral("hh:mm"));
}

} // namespace TextForms
