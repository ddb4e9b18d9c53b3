#include "cli/progressline.h"

#include "cli/clitext.h"
#include "logdb/progress.h"

#include <csignal>
#include <cstdio>
#include <unistd.h>

namespace {

volatile std::sig_atomic_t g_stopSignal = 0;

void markStop(int sig)
{
    g_stopSignal = sig;
}

}   // namespace

namespace Interruption {

void install()
{
    struct sigaction sa { };
    sa.sa_handler = markStop;
    sigemptyset(&sa.sa_mask);
    // A second Ctrl+C ends the program at once, should the work not look
    // at the mark soon enough.
    sa.sa_flags = SA_RESETHAND;
    for (int sig : {SIGINT, SIGTERM, SIGHUP})
        sigaction(sig, &sa, nullptr);
}

bool requested()
{
    return g_stopSignal != 0;
}

void endBySignal()
{
    const int sig = g_stopSignal ? int(g_stopSignal) : SIGTERM;
    std::fflush(stdout);
    std::signal(sig, SIG_DFL);
    std::raise(sig);
    _exit(128 + sig);
}

}   // namespace Interruption

ProgressLine::ProgressLine(const QString &label)
    : m_label(label), m_terminal(::isatty(STDERR_FILENO) == 1) { }

ProgressLine::~ProgressLine()
{
    clear();
}

WorkProgress ProgressLine::work()
{
    return [this](const WorkStatus &status) {
        if (Interruption::requested())
            throw Interrupted{};
        draw(status.position, status.done, status.total);
        return true;
    };
}

std::function<bool(qint64, qint64)> ProgressLine::counts()
{
    return [this](qint64 done, qint64 total) {
        if (Interruption::requested())
            return false;
        draw(progressPosition(done, total), done, total);
        return true;
    };
}

void ProgressLine::draw(int percent, qint64 done, qint64 total)
{
    if (!m_terminal || percent == m_lastPercent)
        return;
    m_lastPercent = percent;
    // One arg() call: a file name in the label may hold "%2".
    const QString line = total > 0 ? TarnixCli::tr("%1: %2% (%3 of %4)")
                                         .arg(m_label, QString::number(percent), QString::number(done),
                                              QString::number(total))
                                   : TarnixCli::tr("%1: %2%").arg(m_label, QString::number(percent));
    // Back to the start of the line and the rest of the old text erased.
    std::fprintf(stderr, "\r%s\033[K", qPrintable(line));
    std::fflush(stderr);
    m_drawn = true;
}

void ProgressLine::clear()
{
    if (!m_drawn)
        return;
    std::fputs("\r\033[K", stderr);
    std::fflush(stderr);
    m_drawn = false;
    m_lastPercent = -1;
}
