#include "logdb/logclock.h"
#include "logdb/dberror.h"

#include <QRegularExpression>
#include <cmath>
#include <limits>

namespace {
std::function<QDateTime()> &pcClock()
{
    static std::function<QDateTime()> clock;
    return clock;
}
} // namespace

namespace LogClock {

QDateTime pcNow()
{
    return pcClock() ? pcClock()() : QDateTime::currentDateTime();
}

QDateTime now(int timeShiftHours)
{
    // Added as a fraction of a day to the local date-time, so the date rolls
    // over together with the shifted time.
    return pcNow().addSecs(qint64(timeShiftHours) * 3600);
}

void setPcClockForTesting(std::function<QDateTime()> clock)
{
    pcClock() = std::move(clock);
}

int timeShiftHours(const QVariant &stored)
{
    if (stored.isNull() || !stored.isValid())
        return 0;
    QString shown;
    bool whole = false;
    qint64 hours = 0;
    switch (stored.typeId()) {
    case QMetaType::Double:
    case QMetaType::Float: {
        const double d = stored.toDouble();
        shown = QString::number(d, 'g', 15);
        if (std::isfinite(d) && d == std::trunc(d)) {
            // Anything this large is far out of range below anyway.
            if (std::fabs(d) < 9.0e15)
                hours = qint64(d);
            else
                hours = d < 0 ? std::numeric_limits<qint64>::min() : std::numeric_limits<qint64>::max();
            whole = true;
        }
        break;
    }
    case QMetaType::LongLong:
    case QMetaType::Int:
    case QMetaType::Long:
    case QMetaType::Short:
        hours = stored.toLongLong();
        shown = QString::number(hours);
        whole = true;
        break;
    case QMetaType::ULongLong:
    case QMetaType::UInt:
    case QMetaType::ULong:
    case QMetaType::UShort:
        shown = QString::number(stored.toULongLong());
        hours = qint64(qMin<quint64>(stored.toULongLong(), quint64(std::numeric_limits<qint64>::max())));
        whole = true;
        break;
    default: {
        shown = stored.toString();
        const QString text = shown.trimmed();
        if (text.isEmpty())
            return 0;
        bool ok = false;
        hours = text.toLongLong(&ok);
        if (!ok) {
            // Digits alone that do not fit a 64-bit number are still a whole number.
            static const QRegularExpression digits(QStringLiteral("^[+-]?[0-9]+$"));
            if (!digits.match(text).hasMatch())
                break;
            hours = text.startsWith(QLatin1Char('-')) ? std::numeric_limits<qint64>::min()
                                                      : std::numeric_limits<qint64>::max();
        }
        whole = true;
        break;
    }
    }
    if (!whole)
        throw DbError(QStringLiteral("The time shift '%1' is not a whole number of hours").arg(shown));

    // The shifted clock must land on a date the log can hold; the bound on
    // the hours keeps the seconds within 64 bits whatever the clock says.
    constexpr qint64 MaxHours = qint64(10000) * 366 * 24;
    bool inRange = hours >= -MaxHours && hours <= MaxHours;
    if (inRange) {
        const QDateTime shifted = pcNow().addSecs(hours * 3600);
        inRange = shifted.isValid() && shifted.date().year() >= 1 && shifted.date().year() <= 9999;
    }
    if (!inRange)
        throw DbError(QStringLiteral("The time shift '%1' hours is out of range: the shifted clock must stay "
                                     "within the years 1 to 9999")
                          .arg(shown));
    return int(hours);
}

} // namespace LogClock
