#pragma once
#include "rig/rigserver.h"
#include <QObject>
#include <functional>
#include <memory>

class RigLink;

// What the main window holds for "Freq from Rig". Lives on the window's thread
// and never waits for a radio: StartRigLink returns at once and the outcome
// arrives later as linkFailed() or as the first paramsChanged().
class RigController : public QObject {
    Q_OBJECT
public:
    using ServerFactory = std::function<std::unique_ptr<RigServer>()>;

    // Links through Hamlib to rigctld at defaultServerAddress().
    explicit RigController(QObject *parent = nullptr);
    explicit RigController(ServerFactory factory, QObject *parent = nullptr);
    ~RigController() override;

    void setServerFactory(ServerFactory factory);
    // Links through Hamlib to rigctld at "host:port" from the next start on.
    void setServerAddress(const QString &hostPort);

    // Where controllers without a server of their own find rigctld, read at
    // each start: "127.0.0.1:4532" unless set (tests point it at their own rigctld).
    static QString defaultServerAddress();
    static void setDefaultServerAddress(const QString &hostPort);
    void setPollInterval(int ms);

    // RigLink: null while there is no link (not started, stopped, failed).
    RigLink *rigLink() const { return m_link; }
    // Reason of the last failed start, for diagnostics.
    QString lastFailureReason() const { return m_lastFailure; }

    // Creates RigLink and starts connecting; a link already there is released
    // first. A failure ends in linkFailed() with the link absent again.
    void StartRigLink();
    // Releases RigLink; never fails and never waits.
    void StopRigLink();

    // Handlers of the link's notifications.
    void RigParamsChange(int rigNumber, int params);
    void RigTypeChange(int rigNumber);
    void RigStatusChange(int rigNumber);

signals:
    // The link could not be started; message is the text for the error box.
    void linkFailed(const QString &message);
    // Rig 1 reported new values: the texts for the frequency field and the mode box.
    void paramsChanged(const QString &freqText, const QString &modeText);

private:
    void onConnected();
    void onConnectFailed(const QString &reason);

    ServerFactory m_factory;
    int m_pollMs = 500;
    RigLink *m_link = nullptr;
    QString m_lastFailure;
};
