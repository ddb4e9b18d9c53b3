#pragma once
#include <QDateTime>
#include <QVariant>
#include <functional>

// The one source of "now" for everything the program stamps. Tests replace
// the PC clock; the log clock adds the station's hour offset.
namespace LogClock {

QDateTime pcNow();                                    // local PC date-time
QDateTime now(int timeShiftHours);                    // PC clock + TimeShift hours
void setPcClockForTesting(std::function<QDateTime()> clock);  // empty: real clock

// The hour offset as stored in the log (column timeshift, which the SQL window
// may fill with anything): NULL or blank text is 0; a whole number of hours,
// signed, is taken when the shifted PC clock stays within the years 1 to 9999
// (what the log's dates hold). Anything else throws DbError naming the value
// as stored, rather than being cut to something else.
int timeShiftHours(const QVariant &stored);

} // namespace LogClock
