#include "logdb/logclock.h"

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

} // namespace LogClock
