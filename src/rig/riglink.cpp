#include "rig/riglink.h"
#include "rig/rigpoller.h"
#include <QThread>

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
    m_thread->start();
}

RigLink::~RigLink()
{
    // Events the worker has already queued for this object are dropped with it.
    disconnect(m_poller, nullptr, this, nullptr);
    m_thread->quit();
}

void RigLink::connectToServer()
{
    if (m_connectRequested)
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
    m_version = version;
    m_rigs[0] = rig1;
    m_rigs[1] = rig2;
    m_connected = true;
    emit connected();
}

void RigLink::onStartFailed(const QString &reason)
{
    emit connectFailed(reason);
}

void RigLink::onRigChanged(int rigNumber, const RigReading &r)
{
    if (!m_connected || rigNumber < 1 || rigNumber > 2)
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
