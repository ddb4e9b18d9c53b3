#pragma once
#include <QtGlobal>

#include <cmath>
#include <functional>

// Position 0..100 of the progress bar after `done` of `total` steps,
// rounded to the nearest whole number with halves going to the even one.
inline int progressPosition(long long done, long long total)
{
    if (total <= 0)
        return 0;
    const double exact = double(done) * 100.0 / double(total);
    return int(std::nearbyint(exact));   // default rounding mode: half to even
}

// How far long work over the QSOs of a log (import, export, rebuild) has got.
struct WorkStatus {
    qint64 done = 0;     // QSOs done so far
    qint64 total = -1;   // QSOs in all; -1 when not known beforehand (an import)
    int position = 0;    // the progress bar's position 0..100
};

// Receives the status as the work goes: whenever the position moves, and in
// between after every few hundred QSOs at the most, so that a window can
// repaint and notice a Cancel. Returning false cancels: the work stops
// before its next QSO and reports that it was cancelled.
using WorkProgress = std::function<bool(const WorkStatus &)>;

// The work's side of it: tells the receiver when the position moved or
// enough QSOs went by since it last told, and remembers a cancel.
class WorkReporter {
public:
    static constexpr int kEvery = 256;

    WorkReporter(const WorkProgress &receiver, qint64 total) : m_receiver(receiver)
    {
        m_status.total = total;
    }

    // False once the receiver has cancelled.
    bool update(qint64 done, int position)
    {
        if (!m_receiver || m_cancelled)
            return !m_cancelled;
        if (position == m_status.position && done - m_status.done < kEvery && m_told)
            return true;
        m_status.done = done;
        m_status.position = position;
        m_told = true;
        m_cancelled = !m_receiver(m_status);
        return !m_cancelled;
    }
    bool update(qint64 done) { return update(done, progressPosition(done, m_status.total)); }
    // The last word: told unless the receiver already has exactly this.
    void finish(qint64 done, int position)
    {
        if (m_receiver && !m_cancelled
            && (!m_told || done != m_status.done || position != m_status.position)) {
            m_status.done = done;
            m_status.position = position;
            m_told = true;
            m_cancelled = !m_receiver(m_status);
        }
    }
    bool cancelled() const { return m_cancelled; }

private:
    const WorkProgress &m_receiver;
    WorkStatus m_status;
    bool m_told = false;
    bool m_cancelled = false;
};
