#pragma once
#include <QDate>
#include <QString>
#include <QTime>

// The program's text forms of dates ("dd.mm.yyyy") and times ("hh:mm"), and
// the storage forms in the log file (ISO "yyyy-MM-dd" and "HH:mm").
namespace TextForms {

// Reads day, month and year separated by "." (one or two digits for day and
// month, blanks before them allowed); must be a real calendar date.
// Throws DbError "'<text>' is not a valid date".
QDate parseDate(const QString &text);
// Reads hours 0-23 and minutes 0-59 separated by ":" (a blank allowed before
// a one-digit hour). Throws DbError "'<text>' is not a valid time".
QTime parseTime(const QString &text);
// Whole signed number; throws DbError "'<text>' is not a valid integer value".
qint64 parseInteger(const QString &text);

QString formatDate(const QDate &d);  // dd.mm.yyyy
QString formatTime(const QTime &t);  // hh:mm

QString storeDate(const QDate &d);   // yyyy-MM-dd
QString storeTime(const QTime &t);   // HH:mm
QDate readStoredDate(const QString &s);  // invalid QDate when not ISO
QTime readStoredTime(const QString &s);  // invalid QTime when not HH:mm[:ss]

} // namespace TextForms
