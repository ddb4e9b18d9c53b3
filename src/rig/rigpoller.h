#pragma once
#include "rig/rigserver.h"
#include <QObject>
#include <memory>

class QTimer;

// Lives on the link's worker thread: connects to the server, checks its
// interface version, then reads both rigs at a fixed pace and reports a rig
// only when something about it changed.
class RigPoller : public QObject {
    Q_OBJECT
public:
    RigPoller(std::unique_ptr<RigServer> server, int intervalMs);
    ~RigPoller() override;

public slots:
    void start();

signals:
    void started(int version, const RigReading &rig1, const RigReading &rig2);
    void startFailed(const QString &reason);
    void rigChanged(int rigNumber, const RigReading &reading);

private:
    void poll();
    RigReading read(int rigNumber);

    std::unique_ptr<RigServer> m_server;
    QTimer *m_timer;
    RigReading m_last[2];
    bool m_open = false;
};
