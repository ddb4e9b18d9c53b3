#pragma once
#include "rig/rigserver.h"
#include <QObject>
#include <QPointer>
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

    // For the end of the program, on the thread that made the links: tells
    // every worker to finish (links still alive stop talking to the server
    // and report nothing more) and waits for them, at most timeoutMs in all.
    // True when none is left running.
    static bool waitForWorkers(int timeoutMs);
    // The last step of main(), once the windows are gone: waits as above and
    // returns exitCode. A worker still stuck in a server call after that would
    // run on while the program's static objects and libraries are torn down,
    // so then the process ends here at once with exitCode, its output flushed.
    static int finishWorkersAtExit(int exitCode, int timeoutMs = 2000);

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
    // Lets the worker go: nothing more is asked of it or heard from it.
    void release();

    QPointer<QThread> m_thread;   // not owned: it is deleted when it has finished
    RigPoller *m_poller;          // lives on m_thread, deleted there when it finishes; null once released
    bool m_connected = false;
    bool m_connectRequested = false;
    int m_version = 0;
    RigReading m_rigs[2];
};
