#pragma once
#include <QString>
#include <QtGlobal>

// Mode values a rig reports: one bit each, compared whole by RigModeName.
enum : int {
    RigModeCwU = 0x00800000,
    RigModeCwL = 0x01000000,
    RigModeUsb = 0x02000000,
    RigModeLsb = 0x04000000,
    RigModeDigU = 0x08000000,
    RigModeDigL = 0x10000000,
    RigModeAm = 0x20000000,
    RigModeFm = 0x40000000,
};

// Rig status values. Only an online rig has current frequency and mode.
enum : int {
    RigStatusNotConfigured = 0,
    RigStatusNotResponding = 3,
    RigStatusOnline = 4,
};

// Which parameters a change notification is about (informative only:
// a notification for rig 1 always refreshes both frequency and mode).
enum : int {
    RigParamFreq = 0x1,
    RigParamMode = 0x2,
};

// Interface versions of the rig server that the link works with.
constexpr int RigVersionMin = 0x101;
constexpr int RigVersionMax = 0x199;

// The message the window shows when the link cannot be started.
inline QString RigLinkFailedMessage() { return QStringLiteral("Unable to create the Omnirig object"); }

// "CW", "USB", "LSB", "DIG", "AM", "FM" or "Unknown"; a value with more than one
// bit set is "Unknown".
QString RigModeName(int mode);

// Frequency in Hz as MHz with exactly three decimals and "." as the separator
// whatever the locale: 14074000 -> "14.074", 475000 -> "0.475".
QString RigFreqText(qint64 hz);

bool RigVersionAccepted(int version);
