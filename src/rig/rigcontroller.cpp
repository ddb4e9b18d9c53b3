#include "rig/rigcontroller.h"
#include "rig/hamlibrigserver.h"
#include "rig/riglink.h"

RigController::RigController(QObject *parent)
    : RigController(ServerFactory(), parent)
{
}

RigController::RigController(ServerFactory factory, QObject *parent)
    : QObject(parent), m_factory(std::move(factory))
{
}

namespace {
QString &defaultAddress()
{
    static QString address = QString::fromLatin1(HamlibRigServer::DefaultAddress);
    return address;
}
} // namespace

QString RigController::defaultServerAddress()
{
    return defaultAddress();
}

void RigController::setDefaultServerAddress(const QString &hostPort)
{
    defaultAddress() = hostPort.isEmpty() ? QString::fromLatin1(HamlibRigServer::DefaultAddress) : hostPort;
}

RigController::~RigController()
{
    StopRigLink();
}

void RigController::setServerFactory(ServerFactory factory)
{
    m_factory = std::move(factory);
}

void RigController::setServerAddress(const QString &hostPort)
{
    m_factory = [hostPort]() -> std::unique_ptr<RigServer> {
        return std::make_unique<HamlibRigServer>(hostPort);
    };
}

void RigController::setPollInterval(int ms)
{
    m_pollMs = ms > 0 ? ms : 500;
}

void RigController::StartRigLink()
{
    StopRigLink();
    std::unique_ptr<RigServer> server;
    try {
        server = m_factory ? m_factory() : std::make_unique<HamlibRigServer>(defaultServerAddress());
    } catch (...) {
        server.reset();
    }
    if (!server) {
        onConnectFailed(QStringLiteral("no rig server"));
        return;
    }
    m_link = new RigLink(std::move(server), m_pollMs, this);
    connect(m_link, &RigLink::connected, this, &RigController::onConnected);
    connect(m_link, &RigLink::connectFailed, this, &RigController::onConnectFailed);
    connect(m_link, &RigLink::rigTypeChange, this, &RigController::RigTypeChange);
    connect(m_link, &RigLink::statusChange, this, &RigController::RigStatusChange);
    connect(m_link, &RigLink::paramsChange, this, &RigController::RigParamsChange);
    m_link->connectToServer();
}

void RigController::StopRigLink()
{
    if (!m_link)
        return;
    RigLink *link = m_link;
    m_link = nullptr;
    disconnect(link, nullptr, this, nullptr);
    // Later, not now: this may run inside one of the link's own signals.
    link->deleteLater();
}

void RigController::onConnected()
{
    // Show what the rigs have right away, in the order the notifications
    // would come from a freshly attached server.
    RigTypeChange(1);
    RigTypeChange(2);
    RigStatusChange(1);
    RigStatusChange(2);
    RigParamsChange(1, 0);
    RigParamsChange(2, 0);
}

void RigController::onConnectFailed(const QString &reason)
{
    m_lastFailure = reason;
    StopRigLink();
    emit linkFailed(RigLinkFailedMessage());
}

void RigController::RigParamsChange(int rigNumber, int params)
{
    Q_UNUSED(params); // every notification for rig 1 refreshes both values
    if (!m_link || !m_link->isConnected())
        return;
    if (rigNumber == 1) {
        if (m_link->status(1) != RigStatusOnline)
            return;
        emit paramsChanged(RigFreqText(m_link->frequency(1)), RigModeName(m_link->mode(1)));
    } else if (rigNumber == 2) {
        (void)m_link->status(2);
    }
}

void RigController::RigTypeChange(int rigNumber)
{
    Q_UNUSED(rigNumber);
}

void RigController::RigStatusChange(int rigNumber)
{
    Q_UNUSED(rigNumber);
}
