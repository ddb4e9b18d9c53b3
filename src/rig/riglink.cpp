#include "rig/riglink.h"
#include "rig/rigpoller.h"
#include <QDeadlineTimer>
#include <QList>
#include <QThread>
#include <cstdio>
#include <cstdlib>

namespace {

// The links alive and the workers let go, for the wait at the end. Used from
// the thread that makes the links only. Never destroyed: a stuck worker may
// outlive the static objects.
struct Workers {
    QList<RigLink *> links;
    QList<QPointer<QThread>> released;
};

Workers &workers()
{
    static Workers *w = new Workers;
    return *w;
}

}   // namespace

RigLink::RigLink(std::unique_ptr<RigServer> server, int pollIntervalMs, QObject *parent)
    : QObject(parent), m_thread(new QThread), m_poller(new RigPoller(std::move(server), pollIntervalMs))
{
    qRegisterMetaType<RigReading>();
    m_thread->setObjectName(QStringLiteral("rig link"));
    m_poller->moveToThread(m_thread);
    connect(m_thread, &QThread::finished, m_poller, &QObject::deleteLater);
    connect(m_thread, &QThread::finished, m_thread, &QObject::deleteLater);
    connect(m_poller, &RigPoller::started, this, &RigLink::onStarted);
    connect(m_poller, &RigPoller::startFailed, this, &RigLink::onStartFailed);
    connect(m_poller, &RigPoller::rigChanged, this, &RigLink::onRigChanged);
    workers().links.append(this);
    m_thread->start();
}

RigLink::~RigLink()
{
    release();
}

void RigLink::release()
{
    if (!m_poller)
        return;
    // Events the worker has already queued for this object are dropped with it.
    disconnect(m_poller, nullptr, this, nullptr);
    m_poller = nullptr;
    m_connected = false;
    Workers &w = workers();
    w.links.removeAll(this);
    w.released.removeAll(QPointer<QThread>());
    if (m_thread) {
        m_thread->quit();
        w.released.append(m_thread);
    }
}

bool RigLink::waitForWorkers(int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs > 0 ? timeoutMs : 0);
    Workers &w = workers();
    for (RigLink *link : QList<RigLink *>(w.links))
        link->release();
    bool allFinished = true;
    for (const QPointer<QThread> &thread : QList<QPointer<QThread>>(w.released)) {
        if (!thread)
            continue;
        // A finished worker is freed here: its own deferred deletion needs an
        // event loop, which may have ended already.
        if (thread->wait(deadline))
            delete thread.data();
        else
            allFinished = false;
    }
    w.released.removeAll(QPointer<QThread>());
    return allFinished;
}

int RigLink::finishWorkersAtExit(int exitCode, int timeoutMs)
{
    if (waitForWorkers(timeoutMs))
        return exitCode;
    // Returning from main() would run the static destructors (Qt's and the
    // libraries') under a worker that can wake up any moment and use them.
    std::fflush(nullptr);
    std::_Exit(exitCode);
}

void RigLink::connectToServer()
{
    if (m_connectRequested || !m_poller)
        return;
    m_connectRequested = true;
    QMetaObject::invokeMethod(m_poller, &RigPoller::start, Qt::QueuedConnection);
}

const RigReading *RigLink::reading(int rigNumber) const
{
    if (!m_connected || rigNumber < 1 || rigNumber > 2)
        return nullptr;
    return &m_rigs[rigNumber - 1];
}

int RigLink::status(int rigNumber) const
{
    const RigReading *r = reading(rigNumber);
    return r ? r->status : RigStatusNotConfigured;
}

qint64 RigLink::frequency(int rigNumber) const
{
    const RigReading *r = reading(rigNumber);
    return r ? r->freqHz : 0;
}

int RigLink::mode(int rigNumber) const
{
    const RigReading *r = reading(rigNumber);
    return r ? r->mode : 0;
}

void RigLink::onStarted(int version, const RigReading &rig1, const RigReading &rig2)
{
    // Queued before the worker was let go: nothing more is reported.
    if (!m_poller)
        return;
    m_version = version;
    m_rigs[0] = rig1;
    m_rigs[1] = rig2;
    m_connected = true;
    emit connected();
}

void RigLink::onStartFailed(const QString &reason)
{
    if (!m_poller)
        return;
    emit connectFailed(reason);
}

void RigLink::onRigChanged(int rigNumber, const RigReading &r)
{
    if (!m_poller || !m_connected || rigNumber < 1 || rigNumber > 2)
        return;
    const RigReading old = m_rigs[rigNumber - 1];
    m_rigs[rigNumber - 1] = r;

    int params = 0;
    if (r.freqHz != old.freqHz)
        params |= RigParamFreq;
    if (r.mode != old.mode)
        params |= RigParamMode;
    // Coming back online counts as a change: the values were unknown meanwhile.
    const bool backOnline = r.status == RigStatusOnline && old.status != RigStatusOnline;
    if (backOnline)
        params |= RigParamFreq | RigParamMode;

    if (r.status != old.status)
        emit statusChange(rigNumber);
    if (params && r.status == RigStatusOnline)
        emit paramsChange(rigNumber, params);
}
