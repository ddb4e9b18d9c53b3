#pragma once
#include <functional>

class DataSource;
class QProgressBar;

// A long loop over the log (ADIF import and export, DXCC rebuild): the
// progress bar shown and the log grid detached from its query while it
// runs, both put back however the loop ends (before an error reaches the
// error box).
class LongWork {
public:
    LongWork(QProgressBar *bar, DataSource *logGridSource);
    ~LongWork();
    LongWork(const LongWork &) = delete;
    LongWork &operator=(const LongWork &) = delete;

    // Takes the bar's position 0..100. The bar repaints at once on a visible
    // change; no events are let through, so nothing else can start meanwhile.
    std::function<void(int position)> progress() const;

private:
    QProgressBar *m_bar;
    DataSource *m_source;
};
