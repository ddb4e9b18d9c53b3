// "Freq from Rig" on the real window, with Hamlib's dummy radio behind rigctld.
#include "apptestkit.h"
#include "rig/rigcontroller.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QtTest>
#include <netinet/in.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int freePort()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    int port = -1;
    if (::bind(fd, reinterpret_cast<sockaddr *>(&a), sizeof a) == 0
        && ::getsockname(fd, reinterpret_cast<sockaddr *>(&a), &len) == 0)
        port = ntohs(a.sin_port);
    ::close(fd);
    return port;
}

} // namespace

class TestRig : public QObject {
    Q_OBJECT

    int m_port = -1;
    QString m_rigctl;
    QProcess m_rigctld;

    QString address() const { return QStringLiteral("127.0.0.1:%1").arg(m_port); }

    bool startRigctld()
    {
        // Another program may take the port between choosing it and rigctld's start.
        for (int attempt = 0; attempt < 5; ++attempt) {
            if (startRigctldOnce())
                return true;
            m_port = freePort();
            RigController::setDefaultServerAddress(address());
        }
        return false;
    }

    bool startRigctldOnce()
    {
        cleanup();
        const QString exe = QStandardPaths::findExecutable(QStringLiteral("rigctld"));
        m_rigctld.setStandardOutputFile(QProcess::nullDevice());
        m_rigctld.setStandardErrorFile(QProcess::nullDevice());
        m_rigctld.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
        m_rigctld.start(exe, {QStringLiteral("-m"), QStringLiteral("1"), QStringLiteral("-T"), QStringLiteral("127.0.0.1"),
                              QStringLiteral("-t"), QString::number(m_port)});
        if (!m_rigctld.waitForStarted(5000))
            return false;
        // A rigctld that could not have the port ends at once.
        if (m_rigctld.waitForFinished(300))
            return false;
        // Ready once rigctl gets through.
        for (int i = 0; i < 100; ++i) {
            if (rigctl({QStringLiteral("f")}))
                return m_rigctld.state() == QProcess::Running;
            QTest::qWait(50);
        }
        return false;
    }

    bool rigctl(const QStringList &args)
    {
        QProcess p;
        p.setProcessChannelMode(QProcess::MergedChannels);
        p.start(m_rigctl, QStringList{QStringLiteral("-m"), QStringLiteral("2"), QStringLiteral("-r"), address()} + args);
        return p.waitForFinished(10000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    }

private slots:
    void initTestCase()
    {
        m_rigctl = QStandardPaths::findExecutable(QStringLiteral("rigctl"));
        if (m_rigctl.isEmpty() || QStandardPaths::findExecutable(QStringLiteral("rigctld")).isEmpty())
            QSKIP("rigctld and rigctl (package libhamlib-utils) are needed");
        m_port = freePort();
        QVERIFY(m_port > 0);
        RigController::setDefaultServerAddress(address());
    }

    void cleanup()
    {
        if (m_rigctld.state() != QProcess::NotRunning) {
            m_rigctld.kill();
            m_rigctld.waitForFinished(5000);
        }
    }

    void noRigctldShowsTheMessageOnce()
    {
        AppFixture fx;
        fx.showAndOpen(fx.newLog());
        QVERIFY(fx.errors().isEmpty());
        fx.ui.Edit3->setText(QStringLiteral("7.010"));
        fx.ui.ComboBox1->setCurrentText(QStringLiteral("SSB"));

        fx.ui.CheckBox2->click();
        QTRY_COMPARE(fx.errors(), QStringList{QStringLiteral("Unable to create the Omnirig object")});
        QCOMPARE(Dialogs::Testing::shown().last().kind, QStringLiteral("error"));
        QVERIFY(fx.ui.CheckBox2->isChecked());
        QVERIFY(!fx.rigLink());
        QTest::qWait(1500);
        QCOMPARE(fx.errors().size(), 1);
        QCOMPARE(fx.ui.Edit3->text(), QStringLiteral("7.010"));
        QCOMPARE(fx.ui.ComboBox1->currentText(), QStringLiteral("SSB"));

        // Unticking changes nothing; ticking again tries anew.
        fx.ui.CheckBox2->click();
        QVERIFY(!fx.ui.CheckBox2->isChecked());
        QTest::qWait(200);
        QCOMPARE(fx.errors().size(), 1);
        fx.ui.CheckBox2->click();
        QTRY_COMPARE(fx.errors().size(), 2);
        QVERIFY(!fx.rigLink());
    }

    void fieldsFollowTheRadio()
    {
        QVERIFY(startRigctld());
        QVERIFY(rigctl({QStringLiteral("F"), QStringLiteral("7074000"), QStringLiteral("M"), QStringLiteral("LSB"),
                        QStringLiteral("2400")}));
        AppFixture fx;
        fx.showAndOpen(fx.newLog());
        fx.ui.CheckBox2->click();
        QVERIFY(fx.rigLink());
        QTRY_COMPARE(fx.ui.Edit3->text(), QStringLiteral("7.074"));
        QCOMPARE(fx.ui.ComboBox1->currentText(), QStringLiteral("LSB"));

        QVERIFY(rigctl({QStringLiteral("F"), QStringLiteral("14074000")}));
        QVERIFY(rigctl({QStringLiteral("M"), QStringLiteral("USB"), QStringLiteral("2400")}));
        QTRY_COMPARE(fx.ui.Edit3->text(), QStringLiteral("14.074"));
        QTRY_COMPARE(fx.ui.ComboBox1->currentText(), QStringLiteral("USB"));

        // What the operator types stays until the radio changes again.
        fx.ui.Edit3->setFocus();
        fx.ui.Edit3->selectAll();
        QTest::keyClicks(fx.ui.Edit3, QStringLiteral("14.080"));
        QTest::qWait(1500);
        QCOMPARE(fx.ui.Edit3->text(), QStringLiteral("14.080"));
        QVERIFY(rigctl({QStringLiteral("F"), QStringLiteral("1296200000")}));
        QTRY_COMPARE(fx.ui.Edit3->text(), QStringLiteral("1296.200"));

        // The radio goes away: no message, the fields stay, the window keeps working.
        cleanup();
        int ticks = 0;
        QTimer ticker;
        connect(&ticker, &QTimer::timeout, [&ticks] { ++ticks; });
        ticker.start(20);
        QTRY_VERIFY(ticks >= 50);
        QVERIFY(fx.errors().isEmpty());
        QCOMPARE(fx.ui.Edit3->text(), QStringLiteral("1296.200"));
        QCOMPARE(fx.ui.ComboBox1->currentText(), QStringLiteral("USB"));
        fx.ui.Edit4->setFocus();
        QTest::keyClicks(fx.ui.Edit4, QStringLiteral("dl1abc"));
        QCOMPARE(fx.ui.Edit4->text(), QStringLiteral("DL1ABC"));

        fx.ui.CheckBox2->click();
        QVERIFY(!fx.rigLink());
        QVERIFY(fx.errors().isEmpty());
    }
};

QTEST_MAIN(TestRig)
#include "test_rig.moc"
