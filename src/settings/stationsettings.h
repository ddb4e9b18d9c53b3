#pragma once
#include <QString>

// Rules of the station settings that do not depend on the window.
namespace StationSettings {

// Characters that can be typed into the hour offset "local-GMT".
bool isOffsetCharacter(QChar c);
// Whether text consists of offset characters only (empty counts).
bool isOffsetTypeable(const QString &text);

// The hour offset as it will be stored: empty text means no value (false);
// otherwise a whole signed number that fits the column's integer, or
// DbError "'<text>' is not a valid integer value", the data layer's message.
bool parseOffset(const QString &text, int *hours);

} // namespace StationSettings
