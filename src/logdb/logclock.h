#pragma once
#include <QDateTime>
#include <functional>

// The one source of "now" for everything the program stamps. Tests replace
// the PC clock; the log clock adds the station's hour offset.
namespace LogClock {

QDateTime pcNow();                                    // local PC date-time
QDateTime now(int timeShiftHours);                    // PC clock + TimeShift hours
void setPcClockForTesting(std::function<QDateTime()> clock);  // empty: real clock

} // namespace LogClock
