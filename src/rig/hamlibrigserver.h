#pragma once
#include "rig/rigserver.h"
#include <QString>

struct s_rig;

// The rig server as Hamlib's network rig: rigctld at "host:port" holds the
// radio, as it does for the other radio programs sharing it. Rig 1 is the
// radio behind rigctld, online while it answers; rig 2 is never configured.
// The interface version is 0x100 plus the rigctld protocol version.
class HamlibRigServer : public RigServer {
public:
    static constexpr const char *DefaultAddress = "127.0.0.1:4532";

    explicit HamlibRigServer(const QString &address = QString::fromLatin1(DefaultAddress),
                             int timeoutMs = 2000);
    ~HamlibRigServer() override;

    bool open(QString *error) override;
    int interfaceVersion() const override { return m_version; }
    RigReading readRig(int rigNumber) override;
    void close() override;

private:
    bool connectRig(QString *error);

    QString m_address;
    int m_timeoutMs;
    int m_version = 0;
    s_rig *m_rig = nullptr;
    qint64 m_lastAttemptMs = 0;
};

// Hamlib mode (rmode_t) to the link's mode value; 0 for modes without one.
int RigModeFromHamlib(quint64 hamlibMode);

// Asks rigctld at "host:port" for its protocol version (the first line of its
// state dump), waiting at most timeoutMs for each step. -1 with a reason when
// it cannot be reached or does not answer like rigctld.
int RigctldProtocolVersion(const QString &address, int timeoutMs, QString *error);
