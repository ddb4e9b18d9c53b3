#pragma once
// What the benchmarks share: the QSO counts asked for, the memory figures of
// the process, and a log filled with made-up QSOs.
#include <QByteArray>
#include <QDate>
#include <QFile>
#include <QRandomGenerator>
#include <QString>

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace BenchSupport {

// The positive counts from argv[first] on; `fallback` when none is given.
// Anything else ends the benchmark with a message.
inline std::vector<int> qsoCounts(int argc, char **argv, int first, int fallback = 100000)
{
    std::vector<int> counts;
    for (int i = first; i < argc; ++i) {
        bool ok = false;
        const int n = QByteArray(argv[i]).toInt(&ok);
        if (!ok || n <= 0) {
            std::fprintf(stderr, "'%s' is not a QSO count\n", argv[i]);
            std::exit(2);
        }
        counts.push_back(n);
    }
    if (counts.empty())
        counts.push_back(fallback);
    return counts;
}

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

} // namespace BenchSupport
