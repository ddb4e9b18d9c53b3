#pragma once
#include "rig/rigserver.h"
#include <QObject>
#include <memory>

class QThread;
class RigPoller;

// The link to the rig server. Every call to the server happens on a worker
// thread of the link's own; this object, on the caller's thread, only keeps
// the latest readings and raises the notifications, so nothing here ever
// waits for a radio.
class RigLink : public QObject {
    Q_OBJECT
public:
    explicit RigLink(std::unique_ptr<RigServer> server, int pollIntervalMs = 500,
                     QObject *parent = nullptr);
    // Tells the worker to finish and returns at once. A worker still stuck in a
    // server call ends, closes the server and frees itself when that call returns.
    ~RigLink() override;

    // Starts connecting on the worker and returns at once; connected() or
    // connectFailed() follows.
    void connectToServer();

    bool isConnected() const { return m_connected; }
    int interfaceVersion() const { return m_version; }

    // Latest readings of rig 1 or 2 (zero/not configured for other numbers).
    int status(int rigNumber) const;
    qint64 frequency(int rigNumber) const;
    int mode(int rigNumber) const;

signals:
    void connected();
    void connectFailed(const QString &reason);
    // Raised when a rig's type changes; the servers in use never change it.
    void rigTypeChange(int rigNumber);
    void statusChange(int rigNumber);
    // Raised when a rig's frequency or mode changed, or it came back online.
    void paramsChange(int rigNumber, int params);

private slots:
    void onStarted(int version, const RigReading &rig1, const RigReading &rig2);
    void onStartFailed(const QString &reason);
    void onRigChanged(int rigNumber, const RigReading &reading);

private:
    const RigReading *reading(int rigNumber) const;

    QThread *m_thread;   // not owned: it deletes itself when it has finished
    RigPoller *m_poller; // lives on m_thread, deleted there when it finishes
    bool m_connected = false;
    bool m_connectRequested = false;
    int m_version = 0;
    RigReading m_rigs[2];
};
