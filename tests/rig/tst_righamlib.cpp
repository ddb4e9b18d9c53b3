#include "rig/hamlibrigserver.h"
#include "rig/rigcontroller.h"
#include "rig/riglink.h"
#include <QtTest>
#include <clocale>
#include <netinet/in.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// A loopback TCP port that nobody listens on right now.
int freePort()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = 0;
    socklen_t len = sizeof a;
    int port = -1;
    if (::bind(fd, reinterpret_cast<sockaddr *>(&a), sizeof a) == 0
        && ::getsockname(fd, reinterpret_cast<sockaddr *>(&a), &len) == 0)
        port = ntohs(a.sin_port);
    ::close(fd);
    return port;
}

} // namespace

// Hamlib's dummy radio behind a real rigctld.
class TestRigHamlib : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanup();
    void noRigctldFailsOnce();
    void protocolVersion();
    void followsTheDummyRadio();

private:
    bool startRigctld(bool samePort = false);
    bool startRigctldOnce();
    void stopRigctld();
    bool rigctl(const QStringList &args);
    QString address() const { return QStringLiteral("127.0.0.1:%1").arg(m_port); }

    QString m_rigctld, m_rigctl;
    int m_port = -1;
    QProcess m_daemon;
};

void TestRigHamlib::initTestCase()
{
    m_rigctld = QStandardPaths::findExecutable(QStringLiteral("rigctld"));
    m_rigctl = QStandardPaths::findExecutable(QStringLiteral("rigctl"));
    if (m_rigctld.isEmpty() || m_rigctl.isEmpty())
        QSKIP("rigctld and rigctl (package libhamlib-utils) are needed");
    m_port = freePort();
    QVERIFY(m_port > 0);
}

void TestRigHamlib::cleanup()
{
    stopRigctld();
}

bool TestRigHamlib::startRigctld(bool samePort)
{
    // Another program may take the port between choosing it and rigctld's
    // start; unless the port must stay (a link is bound to it), choose anew.
    for (int attempt = 0; attempt < 5; ++attempt) {
        if (startRigctldOnce())
            return true;
        if (samePort)
            return false;
        m_port = freePort();
    }
    return false;
}

bool TestRigHamlib::startRigctldOnce()
{
    stopRigctld();
    m_daemon.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_daemon.setStandardOutputFile(QProcess::nullDevice());
    // Should this test die, rigctld goes with it instead of holding the port and ctest's pipe.
    m_daemon.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
    m_daemon.start(m_rigctld, {QStringLiteral("-m"), QStringLiteral("1"), QStringLiteral("-T"),
                               QStringLiteral("127.0.0.1"), QStringLiteral("-t"), QString::number(m_port)});
    if (!m_daemon.waitForStarted(5000))
        return false;
    // A rigctld that could not have the port ends at once.
    if (m_daemon.waitForFinished(300))
        return false;
    // Ready once it answers like rigctld.
    QString error;
    for (int i = 0; i < 100; ++i) {
        if (RigctldProtocolVersion(address(), 500, &error) >= 0)
            return m_daemon.state() == QProcess::Running;
        QTest::qWait(50);
    }
    qWarning("rigctld did not answer: %s", qPrintable(error));
    return false;
}

void TestRigHamlib::stopRigctld()
{
    if (m_daemon.state() == QProcess::NotRunning)
        return;
    m_daemon.kill();
    m_daemon.waitForFinished(5000);
}

bool TestRigHamlib::rigctl(const QStringList &args)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(m_rigctl, QStringList{QStringLiteral("-m"), QStringLiteral("2"), QStringLiteral("-r"), address()} + args);
    if (!p.waitForFinished(10000))
        return false;
    if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        qWarning("rigctl %s: %s", qPrintable(args.join(' ')), p.readAll().constData());
        return false;
    }
    return true;
}

void TestRigHamlib::noRigctldFailsOnce()
{
    RigController controller;
    controller.setServerAddress(address());
    QSignalSpy failed(&controller, &RigController::linkFailed);
    QSignalSpy params(&controller, &RigController::paramsChanged);
    controller.StartRigLink();
    QTRY_COMPARE(failed.count(), 1);
    QCOMPARE(failed.first().at(0).toString(), QStringLiteral("Unable to create the Omnirig object"));
    QVERIFY(!controller.rigLink());
    QVERIFY2(controller.lastFailureReason().contains(QString::number(m_port)),
             qPrintable(controller.lastFailureReason()));
    QTest::qWait(300);
    QCOMPARE(failed.count(), 1);
    QVERIFY(params.isEmpty());
}

void TestRigHamlib::protocolVersion()
{
    QVERIFY(startRigctld());
    QString error;
    const int protocol = RigctldProtocolVersion(address(), 2000, &error);
    QVERIFY2(protocol == 1, qPrintable(QStringLiteral("%1 %2").arg(protocol).arg(error)));

    HamlibRigServer server(address());
    QVERIFY2(server.open(&error), qPrintable(error));
    QVERIFY(RigVersionAccepted(server.interfaceVersion()));
    QCOMPARE(server.readRig(1).status, int(RigStatusOnline));
    QCOMPARE(server.readRig(2).status, int(RigStatusNotConfigured));
    server.close();
}

void TestRigHamlib::followsTheDummyRadio()
{
    QVERIFY(startRigctld());
    QVERIFY(rigctl({QStringLiteral("F"), QStringLiteral("7074000"), QStringLiteral("M"),
                    QStringLiteral("LSB"), QStringLiteral("2400")}));

    RigController controller;
    controller.setServerAddress(address());
    controller.setPollInterval(100);
    QSignalSpy failed(&controller, &RigController::linkFailed);
    QSignalSpy params(&controller, &RigController::paramsChanged);
    controller.StartRigLink();
    QTRY_COMPARE(params.count(), 1);
    QCOMPARE(params.last().at(0).toString(), QStringLiteral("7.074"));
    QCOMPARE(params.last().at(1).toString(), QStringLiteral("LSB"));

    QVERIFY(rigctl({QStringLiteral("F"), QStringLiteral("14074000")}));
    QVERIFY(rigctl({QStringLiteral("M"), QStringLiteral("USB"), QStringLiteral("2400")}));
    QTRY_VERIFY(params.last().at(0).toString() == QLatin1String("14.074")
                && params.last().at(1).toString() == QLatin1String("USB"));

    QVERIFY(rigctl({QStringLiteral("M"), QStringLiteral("PKTUSB"), QStringLiteral("2400")}));
    QTRY_COMPARE(params.last().at(1).toString(), QStringLiteral("DIG"));
    QVERIFY(rigctl({QStringLiteral("M"), QStringLiteral("CWR"), QStringLiteral("500")}));
    QTRY_COMPARE(params.last().at(1).toString(), QStringLiteral("CW"));

    // rigctld goes away: the fields stay, no message, and this thread keeps
    // running its events and calls while the worker finds the radio gone.
    RigLink *link = controller.rigLink();
    QVERIFY(link);
    const int shown = params.count();
    int ticks = 0;
    QTimer ticker;
    connect(&ticker, &QTimer::timeout, [&ticks] { ++ticks; });
    ticker.start(20);
    stopRigctld();
    QTRY_COMPARE(link->status(1), int(RigStatusNotResponding));
    const int ticksAtLoss = ticks;
    QTRY_VERIFY(ticks >= ticksAtLoss + 10);
    controller.RigParamsChange(1, 0);
    QCOMPARE(params.count(), shown);
    QVERIFY(failed.isEmpty());
    QCOMPARE(controller.rigLink(), link);

    // rigctld is back (a fresh dummy radio): the link finds it again by itself.
    QVERIFY(startRigctld(true));
    QVERIFY(rigctl({QStringLiteral("F"), QStringLiteral("3573000"), QStringLiteral("M"),
                    QStringLiteral("PKTLSB"), QStringLiteral("2400")}));
    // rigctl sets frequency and mode one after the other; a round may fall in between.
    QTRY_VERIFY_WITH_TIMEOUT(params.last().at(0).toString() == QLatin1String("3.573")
                                 && params.last().at(1).toString() == QLatin1String("DIG"),
                             15000);
    QCOMPARE(link->status(1), int(RigStatusOnline));

    controller.StopRigLink();
    QVERIFY(!controller.rigLink());
    QVERIFY(failed.isEmpty());
}

QTEST_GUILESS_MAIN(TestRigHamlib)
#include "tst_righamlib.moc"
