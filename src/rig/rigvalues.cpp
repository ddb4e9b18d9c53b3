#include "rig/rigvalues.h"

QString RigModeName(int mode)
{
    switch (mode) {
    case RigModeCwU:
    case RigModeCwL:
        return QStringLiteral("CW");
    case RigModeUsb:
        return QStringLiteral("USB");
    case RigModeLsb:
        return QStringLiteral("LSB");
    case RigModeDigU:
    case RigModeDigL:
        return QStringLiteral("DIG");
    case RigModeAm:
        return QStringLiteral("AM");
    case RigModeFm:
        return QStringLiteral("FM");
    default:
        return QStringLiteral("Unknown");
    }
}

QString RigFreqText(qint64 hz)
{
    // Whole kilohertz, rounded half away from zero, in integers: no floating point
    // and no locale can change the digits or the separator.
    const bool negative = hz < 0;
    const quint64 magnitude = negative ? quint64(-(hz + 1)) + 1 : quint64(hz);
    const quint64 khz = (magnitude + 500) / 1000;
    QString text = QString::number(khz / 1000) + QLatin1Char('.')
        + QStringLiteral("%1").arg(khz % 1000, 3, 10, QLatin1Char('0'));
    if (negative && khz != 0)
        text.prepend(QLatin1Char('-'));
    return text;
}

bool RigVersionAccepted(int version)
{
    return version >= RigVersionMin && version <= RigVersionMax;
}
