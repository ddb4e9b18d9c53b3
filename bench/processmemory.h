#pragma once
// Memory figures of the benchmark's own process, from the kernel.
#include <QByteArray>
#include <QFile>
#include <QString>

namespace ProcessMemory {

// A figure of /proc/self/status in megabytes ("VmRSS:" resident now,
// "VmHWM:" the peak).
inline double statusMb(const char *key)
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : f.readAll().split('\n')) {
        if (line.startsWith(key))
            return line.mid(int(qstrlen(key)) + 1).trimmed().split(' ').first().toDouble() / 1024.0;
    }
    return 0;
}

// Starts a new peak: the kernel's high-water mark falls back to the present size.
inline void resetPeak()
{
    QFile f(QStringLiteral("/proc/self/clear_refs"));
    if (f.open(QIODevice::WriteOnly))
        f.write("5");
}

} // namespace ProcessMemory
