#include "rig/rigpoller.h"
#include <QTimer>

RigPoller::RigPoller(std::unique_ptr<RigServer> server, int intervalMs)
    : m_server(std::move(server)), m_timer(new QTimer(this))
{
    // Single shot, re-armed after each round: a slow radio delays the next
    // round instead of piling rounds up.
    m_timer->setSingleShot(true);
    m_timer->setInterval(intervalMs);
    connect(m_timer, &QTimer::timeout, this, &RigPoller::poll);
}

RigPoller::~RigPoller()
{
    if (m_open && m_server) {
        try {
            m_server->close();
        } catch (...) {
        }
    }
}

void RigPoller::start()
{
    if (m_open || !m_server)
        return;
    QString error;
    bool ok = false;
    try {
        ok = m_server->open(&error);
    } catch (const std::exception &e) {
        error = QString::fromLocal8Bit(e.what());
    } catch (...) {
        error = QStringLiteral("rig server failed");
    }
    if (!ok) {
        emit startFailed(error.isEmpty() ? QStringLiteral("cannot connect to the rig server") : error);
        return;
    }
    m_open = true;

    int version = 0;
    try {
        version = m_server->interfaceVersion();
    } catch (...) {
        version = 0;
    }
    if (!RigVersionAccepted(version)) {
        emit startFailed(QStringLiteral("rig server interface version 0x%1 is not supported")
                             .arg(version, 0, 16));
        return;
    }

    m_last[0] = read(1);
    m_last[1] = read(2);
    emit started(version, m_last[0], m_last[1]);
    m_timer->start();
}

RigReading RigPoller::read(int rigNumber)
{
    RigReading r;
    try {
        r = m_server->readRig(rigNumber);
    } catch (...) {
        r = RigReading();
        r.status = RigStatusNotResponding;
    }
    if (r.status != RigStatusOnline) {
        // A rig that does not answer has no new frequency or mode: keep the
        // last ones so that losing it is a status change only.
        const RigReading &last = m_last[rigNumber - 1];
        r.freqHz = last.freqHz;
        r.mode = last.mode;
    }
    return r;
}

void RigPoller::poll()
{
    for (int rig = 1; rig <= 2; ++rig) {
        const RigReading r = read(rig);
        if (r != m_last[rig - 1]) {
            m_last[rig - 1] = r;
            emit rigChanged(rig, r);
        }
    }
    m_timer->start();
}
