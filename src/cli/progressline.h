#pragma once
#include "logdb/progress.h"

#include <QString>

#include <functional>

// Progress of a long piece of work on one line of stderr, redrawn with a
// carriage return, and the stop asked for by Ctrl+C (SIGINT), SIGTERM or
// SIGHUP. The line is drawn only when stderr is a terminal; a pipe or a file
// gets nothing. The modules' progress callbacks meet the program here only.

// Thrown from a progress callback once a stop was asked for, so that the work
// unwinds the way it does on an error (nothing half written is kept).
struct Interrupted { };

namespace Interruption {
// Catches the signals above from now on: they only mark the stop.
void install();
bool requested();
// Ends the process by the signal that asked for the stop, with the default
// action, so that the shell sees what happened.
[[noreturn]] void endBySignal();
}   // namespace Interruption

class ProgressLine {
public:
    // label: what is being done, e.g. "Importing 'x.adi'".
    explicit ProgressLine(const QString &label);
    ~ProgressLine();   // clears the line
    ProgressLine(const ProgressLine &) = delete;
    ProgressLine &operator=(const ProgressLine &) = delete;

    // For the work over the QSOs of a log (import, export, rebuild). Throws
    // Interrupted once a stop was asked for.
    WorkProgress work();
    // For work that reports counts and stops when told false.
    std::function<bool(qint64 done, qint64 total)> counts();

    void clear();

private:
    void draw(int percent, qint64 done, qint64 total);

    QString m_label;
    bool m_terminal;
    bool m_drawn = false;
    int m_lastPercent = -1;
};
