#include "fakerigserver.h"
#include "rig/rigcontroller.h"
#include "rig/riglink.h"
#include <QtTest>
#include <clocale>
#include <cstdio>
#include <cstdlib>

namespace {

constexpr int PollMs = 20;

// A controller on a fake server, with the window's view of it: the error
// messages it got and the texts it was given for the frequency field and
// the mode box.
struct Station {
    std::shared_ptr<FakeRigState> state = std::make_shared<FakeRigState>();
    RigController controller;
    QSignalSpy failed;
    QSignalSpy params;

    Station()
        : controller([s = state]() { return std::make_unique<FakeRigServer>(s); }),
          failed(&controller, &RigController::linkFailed),
          params(&controller, &RigController::paramsChanged)
    {
        controller.setPollInterval(PollMs);
    }

    // Waits until the worker has made at least `rounds` more poll rounds.
    void waitRounds(int rounds)
    {
        const int start = state->get(&FakeRigState::reads);
        QTRY_VERIFY(state->get(&FakeRigState::reads) >= start + 2 * rounds);
        QCoreApplication::processEvents(); // deliver what those rounds queued
    }
    QString lastFreq() const { return params.isEmpty() ? QString() : params.last().at(0).toString(); }
    QString lastMode() const { return params.isEmpty() ? QString() : params.last().at(1).toString(); }
};

} // namespace

class TestRigLink : public QObject {
    Q_OBJECT
private slots:
    void startShowsRigOneAtOnce();
    void interfaceVersion_data();
    void interfaceVersion();
    void noServerFailsOnceAndRetriesOnNextStart();
    void notificationOnlyWhenSomethingChanged();
    void rigOneOfflineLeavesFields();
    void losingRadioLaterIsQuiet();
    void rigTwoIsIgnored();
    void stopEndsTheLink();
    void startAgainWhileLinkedReplacesTheLink();
    void linkCachesReadings();
    void stopDoesNotWaitForHungRadio();
    void startDoesNotWaitForHungServer();
    void separatorUnderCommaLocale();
    void waitForWorkersIsBoundedWhileStuck();
    void waitForWorkersEndsLiveLinks();
    void programEndsWithWorkerStuck_data();
    void programEndsWithWorkerStuck();
};

void TestRigLink::startShowsRigOneAtOnce()
{
    Station st;
    st.controller.StartRigLink();
    QVERIFY(st.controller.rigLink());
    QTRY_COMPARE(st.params.count(), 1);
    QCOMPARE(st.lastFreq(), QStringLiteral("14.074"));
    QCOMPARE(st.lastMode(), QStringLiteral("USB"));
    QVERIFY(st.failed.isEmpty());
    QVERIFY(st.controller.rigLink()->isConnected());
    QCOMPARE(st.controller.rigLink()->interfaceVersion(), 0x101);
}

void TestRigLink::interfaceVersion_data()
{
    QTest::addColumn<int>("version");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("0x100 refused") << 0x100 << false;
    QTest::newRow("0x101 accepted") << 0x101 << true;
    QTest::newRow("0x199 accepted") << 0x199 << true;
    QTest::newRow("0x19A refused") << 0x19A << false;
}

void TestRigLink::interfaceVersion()
{
    QFETCH(int, version);
    QFETCH(bool, accepted);
    Station st;
    st.state->version = version;
    st.controller.StartRigLink();
    QTRY_VERIFY(!st.failed.isEmpty() || !st.params.isEmpty());
    if (accepted) {
        QVERIFY(st.failed.isEmpty());
        QVERIFY(st.controller.rigLink());
        QCOMPARE(st.lastFreq(), QStringLiteral("14.074"));
    } else {
        QCOMPARE(st.failed.count(), 1);
        QCOMPARE(st.failed.first().at(0).toString(), QStringLiteral("Unable to create the Omnirig object"));
        QVERIFY(!st.controller.rigLink());
        QVERIFY(st.params.isEmpty());
        // The refused server is let go.
        QTRY_COMPARE(st.state->get(&FakeRigState::alive), 0);
    }
}

void TestRigLink::noServerFailsOnceAndRetriesOnNextStart()
{
    Station st;
    st.state->openOk = false;
    st.controller.StartRigLink();
    QTRY_COMPARE(st.failed.count(), 1);
    QCOMPARE(st.failed.first().at(0).toString(), RigLinkFailedMessage());
    QVERIFY(!st.controller.rigLink());
    QVERIFY(!st.controller.lastFailureReason().isEmpty());
    QTest::qWait(10 * PollMs);
    QCOMPARE(st.failed.count(), 1); // once, not once per poll
    QVERIFY(st.params.isEmpty());
    QCOMPARE(st.state->get(&FakeRigState::reads), 0);

    // Unticked in between or not: the next start tries anew.
    st.controller.StopRigLink();
    st.state->set(1, {RigStatusOnline, 7074000, RigModeLsb});
    {
        QMutexLocker lock(&st.state->mutex);
        st.state->openOk = true;
    }
    st.controller.StartRigLink();
    QTRY_COMPARE(st.params.count(), 1);
    QCOMPARE(st.lastFreq(), QStringLiteral("7.074"));
    QCOMPARE(st.lastMode(), QStringLiteral("LSB"));
    QCOMPARE(st.failed.count(), 1);
    QCOMPARE(st.state->get(&FakeRigState::opens), 2);
}

void TestRigLink::notificationOnlyWhenSomethingChanged()
{
    Station st;
    st.controller.StartRigLink();
    QTRY_COMPARE(st.params.count(), 1);

    // The operator may be typing in the frequency field: quiet rounds leave it alone.
    st.waitRounds(5);
    QCOMPARE(st.params.count(), 1);

    st.state->set(1, {RigStatusOnline, 475000, RigModeUsb});
    QTRY_COMPARE(st.params.count(), 2);
    QCOMPARE(st.lastFreq(), QStringLiteral("0.475"));
    QCOMPARE(st.lastMode(), QStringLiteral("USB"));

    st.state->set(1, {RigStatusOnline, 475000, RigModeCwL});
    QTRY_COMPARE(st.params.count(), 3);
    QCOMPARE(st.lastFreq(), QStringLiteral("0.475"));
    QCOMPARE(st.lastMode(), QStringLiteral("CW"));

    st.state->set(1, {RigStatusOnline, 1296200000, 0x0A000000});
    QTRY_COMPARE(st.params.count(), 4);
    QCOMPARE(st.lastFreq(), QStringLiteral("1296.200"));
    QCOMPARE(st.lastMode(), QStringLiteral("Unknown"));

    st.waitRounds(5);
    QCOMPARE(st.params.count(), 4);
    QVERIFY(st.failed.isEmpty());
}

void TestRigLink::rigOneOfflineLeavesFields()
{
    Station st;
    st.state->set(1, {RigStatusNotResponding, 14074000, RigModeUsb});
    st.controller.StartRigLink();
    QTRY_VERIFY(st.controller.rigLink() && st.controller.rigLink()->isConnected());
    QCOMPARE(st.controller.rigLink()->status(1), int(RigStatusNotResponding));

    // Whatever an offline rig claims, nothing reaches the fields.
    st.state->set(1, {RigStatusNotResponding, 3573000, RigModeDigU});
    st.waitRounds(5);
    st.controller.RigParamsChange(1, 0);
    QVERIFY(st.params.isEmpty());
    QVERIFY(st.failed.isEmpty());

    // Back online: shown once.
    st.state->set(1, {RigStatusOnline, 3573000, RigModeDigU});
    QTRY_COMPARE(st.params.count(), 1);
    QCOMPARE(st.lastFreq(), QStringLiteral("3.573"));
    QCOMPARE(st.lastMode(), QStringLiteral("DIG"));
    st.waitRounds(3);
    QCOMPARE(st.params.count(), 1);
}

void TestRigLink::losingRadioLaterIsQuiet()
{
    Station st;
    st.controller.StartRigLink();
    QTRY_COMPARE(st.params.count(), 1);
    RigLink *link = st.controller.rigLink();
    QSignalSpy status(link, &RigLink::statusChange);

    st.state->set(1, {RigStatusNotResponding, 0, 0});
    QTRY_COMPARE(status.count(), 1);
    QCOMPARE(link->status(1), int(RigStatusNotResponding));
    // The last good values stay, as do the fields.
    QCOMPARE(link->frequency(1), qint64(14074000));
    st.waitRounds(5);
    QCOMPARE(st.params.count(), 1);
    QVERIFY(st.failed.isEmpty());
    QCOMPARE(st.controller.rigLink(), link);
    QCOMPARE(status.count(), 1);

    // Back with the same values: refreshed once, since the operator may
    // have typed meanwhile and the radio is the better source again.
    st.state->set(1, {RigStatusOnline, 14074000, RigModeUsb});
    QTRY_COMPARE(st.params.count(), 2);
    QCOMPARE(status.count(), 2);
    QCOMPARE(st.lastFreq(), QStringLiteral("14.074"));
}

void TestRigLink::rigTwoIsIgnored()
{
    Station st;
    st.state->set(2, {RigStatusOnline, 21074000, RigModeFm});
    st.controller.StartRigLink();
    QTRY_COMPARE(st.params.count(), 1);
    QCOMPARE(st.lastFreq(), QStringLiteral("14.074")); // rig 1's, primed for both rigs

    QSignalSpy linkParams(st.controller.rigLink(), &RigLink::paramsChange);
    st.state->set(2, {RigStatusOnline, 28074000, RigModeAm});
    QTRY_COMPARE(linkParams.count(), 1);
    QCOMPARE(linkParams.first().at(0).toInt(), 2);
    QCOMPARE(st.controller.rigLink()->frequency(2), qint64(28074000));
    st.state->set(2, {RigStatusNotResponding, 28074000, RigModeAm});
    st.waitRounds(3);
    st.controller.RigParamsChange(2, RigParamFreq);
    QCOMPARE(st.params.count(), 1);
}

void TestRigLink::stopEndsTheLink()
{
    Station st;
    st.controller.StartRigLink();
    QTRY_COMPARE(st.params.count(), 1);
    st.controller.StopRigLink();
    QVERIFY(!st.controller.rigLink());
    st.controller.StopRigLink(); // again: nothing to do

    // The worker closes the server and lets it go; nothing more arrives.
    QTRY_COMPARE(st.state->get(&FakeRigState::alive), 0);
    QCOMPARE(st.state->get(&FakeRigState::closes), 1);
    st.state->set(1, {RigStatusOnline, 18100000, RigModeUsb});
    QTest::qWait(5 * PollMs);
    st.controller.RigParamsChange(1, 0);
    QCOMPARE(st.params.count(), 1);
    QVERIFY(st.failed.isEmpty());
}

void TestRigLink::startAgainWhileLinkedReplacesTheLink()
{
    Station st;
    st.controller.StartRigLink();
    QTRY_COMPARE(st.params.count(), 1);
    st.controller.StartRigLink();
    QTRY_COMPARE(st.params.count(), 2);
    QTRY_COMPARE(st.state->get(&FakeRigState::alive), 1);
    QCOMPARE(st.controller.findChildren<RigLink *>().size(), 1);
}

void TestRigLink::linkCachesReadings()
{
    auto state = std::make_shared<FakeRigState>();
    state->set(1, {RigStatusOnline, 50313000, RigModeDigU});
    RigLink link(std::make_unique<FakeRigServer>(state), PollMs);
    QSignalSpy connected(&link, &RigLink::connected);
    QSignalSpy params(&link, &RigLink::paramsChange);
    QCOMPARE(link.status(1), int(RigStatusNotConfigured)); // nothing known before connecting
    link.connectToServer();
    QTRY_COMPARE(connected.count(), 1);
    QCOMPARE(link.status(1), int(RigStatusOnline));
    QCOMPARE(link.frequency(1), qint64(50313000));
    QCOMPARE(link.mode(1), int(RigModeDigU));
    QCOMPARE(link.status(2), int(RigStatusNotConfigured));
    QCOMPARE(link.status(3), int(RigStatusNotConfigured));

    state->set(1, {RigStatusOnline, 50313000, RigModeUsb});
    QTRY_COMPARE(params.count(), 1);
    QCOMPARE(params.first().at(0).toInt(), 1);
    QCOMPARE(params.first().at(1).toInt(), int(RigParamMode));
    QCOMPARE(link.mode(1), int(RigModeUsb));
}

void TestRigLink::stopDoesNotWaitForHungRadio()
{
    Station st;
    st.controller.StartRigLink();
    QTRY_COMPARE(st.params.count(), 1);

    // The radio stops answering in the middle of a poll round.
    st.state->closeGates(false, true);
    QTRY_VERIFY(st.state->get(&FakeRigState::waitingAtGate));

    int ticks = 0;
    QTimer ticker;
    connect(&ticker, &QTimer::timeout, [&ticks] { ++ticks; });
    ticker.start(10);
    st.controller.RigParamsChange(1, 0); // served from what is known
    QCOMPARE(st.params.count(), 2);
    st.controller.StopRigLink();
    QVERIFY(!st.controller.rigLink());
    QTRY_VERIFY(ticks >= 5); // the caller's thread keeps running its events
    QVERIFY(st.state->get(&FakeRigState::waitingAtGate));

    // When the radio finally returns, the old worker cleans up by itself.
    st.state->openGates();
    QTRY_COMPARE(st.state->get(&FakeRigState::alive), 0);
    QVERIFY(!st.state->get(&FakeRigState::gateTimedOut));
    QCOMPARE(st.params.count(), 2);
    QVERIFY(st.failed.isEmpty());
}

void TestRigLink::startDoesNotWaitForHungServer()
{
    Station st;
    st.state->closeGates(true, false);
    st.controller.StartRigLink();
    QVERIFY(st.controller.rigLink());
    QVERIFY(!st.controller.rigLink()->isConnected());
    QTRY_VERIFY(st.state->get(&FakeRigState::waitingAtGate));

    int ticks = 0;
    QTimer ticker;
    connect(&ticker, &QTimer::timeout, [&ticks] { ++ticks; });
    ticker.start(10);
    QTRY_VERIFY(ticks >= 5);

    // Unticked while still connecting: whatever the server does later is not shown.
    st.controller.StopRigLink();
    {
        QMutexLocker lock(&st.state->mutex);
        st.state->openOk = false;
    }
    st.state->openGates();
    QTRY_COMPARE(st.state->get(&FakeRigState::alive), 0);
    QTest::qWait(5 * PollMs);
    QVERIFY(st.failed.isEmpty());
    QVERIFY(st.params.isEmpty());
    QVERIFY(!st.state->get(&FakeRigState::gateTimedOut));

    // The next start goes through.
    {
        QMutexLocker lock(&st.state->mutex);
        st.state->openOk = true;
    }
    st.controller.StartRigLink();
    QTRY_COMPARE(st.params.count(), 1);
}

void TestRigLink::separatorUnderCommaLocale()
{
    // The C library's numeric locale: Russian, built here if the system lacks it.
    QTemporaryDir localeDir;
    const char *numeric = std::setlocale(LC_NUMERIC, "ru_RU.UTF-8");
    if (!numeric && localeDir.isValid()) {
        const QString target = localeDir.filePath(QStringLiteral("ru_RU.UTF-8"));
        QProcess::execute(QStringLiteral("localedef"),
                          {QStringLiteral("-i"), QStringLiteral("ru_RU"), QStringLiteral("-f"),
                           QStringLiteral("UTF-8"), target});
        qputenv("LOCPATH", QFile::encodeName(localeDir.path()));
        numeric = std::setlocale(LC_NUMERIC, "ru_RU.UTF-8");
    }
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    auto restore = qScopeGuard([] {
        std::setlocale(LC_NUMERIC, "C");
        QLocale::setDefault(QLocale::c());
        qunsetenv("LOCPATH");
    });

    QCOMPARE(QLocale().toString(1.5, 'f', 1), QStringLiteral("1,5"));
    if (numeric) {
        char buf[32];
        std::snprintf(buf, sizeof buf, "%.3f", 14.074);
        QCOMPARE(QByteArray(buf), QByteArray("14,074"));
    } else {
        qWarning("no Russian C locale available: only Qt's default locale is comma-separated here");
    }

    Station st;
    st.controller.StartRigLink();
    QTRY_COMPARE(st.params.count(), 1);
    QCOMPARE(st.lastFreq(), QStringLiteral("14.074"));
    st.state->set(1, {RigStatusOnline, 1296200000, RigModeFm});
    QTRY_COMPARE(st.params.count(), 2);
    QCOMPARE(st.lastFreq(), QStringLiteral("1296.200"));
    QCOMPARE(RigFreqText(475000), QStringLiteral("0.475"));
}

void TestRigLink::waitForWorkersIsBoundedWhileStuck()
{
    Station st;
    st.controller.StartRigLink();
    QTRY_COMPARE(st.params.count(), 1);
    st.state->closeGates(false, true);
    QTRY_VERIFY(st.state->get(&FakeRigState::waitingAtGate));
    st.controller.StopRigLink();

    // The wait gives up while the worker is still in the server call.
    QVERIFY(!RigLink::waitForWorkers(200));
    QVERIFY(st.state->get(&FakeRigState::waitingAtGate));

    // Once the call returns, the worker ends and the wait sees it, with no
    // event loop running in between.
    st.state->openGates();
    QVERIFY(RigLink::waitForWorkers(20000));
    QCOMPARE(st.state->get(&FakeRigState::alive), 0);
    QCOMPARE(st.state->get(&FakeRigState::closes), 1);
    QVERIFY(!st.state->get(&FakeRigState::gateTimedOut));
    QVERIFY(RigLink::waitForWorkers(0)); // nothing left
}

void TestRigLink::waitForWorkersEndsLiveLinks()
{
    Station st;
    st.controller.StartRigLink();
    QTRY_COMPARE(st.params.count(), 1);
    RigLink *link = st.controller.rigLink();
    QVERIFY(link && link->isConnected());
    QSignalSpy linkParams(link, &RigLink::paramsChange);

    // The window has not let its link go yet: the wait ends it all the same.
    QVERIFY(RigLink::waitForWorkers(20000));
    QCOMPARE(st.state->get(&FakeRigState::alive), 0);
    QCOMPARE(st.state->get(&FakeRigState::closes), 1);
    QVERIFY(!link->isConnected());
    QCOMPARE(link->frequency(1), qint64(0));
    link->connectToServer(); // asks nothing of a worker that is gone
    QTest::qWait(5 * PollMs);
    QVERIFY(linkParams.isEmpty());
    QVERIFY(st.failed.isEmpty());

    // The controller can still let go of it, and start anew.
    st.controller.StopRigLink();
    st.controller.StartRigLink();
    QTRY_COMPARE(st.params.count(), 2);
}

void TestRigLink::programEndsWithWorkerStuck_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("wait");
    QTest::newRow("fake server never answers") << QStringList{"fake", "300"} << "stuck";
    QTest::newRow("rigctld port never answers") << QStringList{"silent", "300", "30000"} << "stuck";
    QTest::newRow("rigctld port, short Hamlib timeout")
        << QStringList{"silent", "20000", "200"} << "finished";
}

void TestRigLink::programEndsWithWorkerStuck()
{
    QFETCH(QStringList, args);
    QFETCH(QString, wait);
    QProcess child;
    child.start(QStringLiteral(TARNIX_RIGEXITCHILD), args);
    QVERIFY(child.waitForStarted());
    QVERIFY2(child.waitForFinished(120000), "the program did not end");
    const QByteArray err = child.readAllStandardError();
    QVERIFY2(child.exitStatus() == QProcess::NormalExit, err.constData());
    QVERIFY2(child.exitCode() == 0, qPrintable(QStringLiteral("exit %1: %2").arg(child.exitCode()).arg(QString::fromLocal8Bit(err))));
    QCOMPARE(QString::fromLatin1(child.readAllStandardOutput()).trimmed(), wait);
}

QTEST_GUILESS_MAIN(TestRigLink)
#include "tst_riglink.moc"
