#include "rig/hamlibrigserver.h"
#include "rig/rigvalues.h"
#include <QtTest>
#include <hamlib/rig.h>

class TestRigValues : public QObject {
    Q_OBJECT
private slots:
    void modeName_data();
    void modeName();
    void freqText_data();
    void freqText();
    void versionAccepted_data();
    void versionAccepted();
    void hamlibModes_data();
    void hamlibModes();
};

void TestRigValues::modeName_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("name");
    QTest::newRow("CW upper") << 0x00800000 << "CW";
    QTest::newRow("CW lower") << 0x01000000 << "CW";
    QTest::newRow("USB") << 0x02000000 << "USB";
    QTest::newRow("LSB") << 0x04000000 << "LSB";
    QTest::newRow("DIG upper") << 0x08000000 << "DIG";
    QTest::newRow("DIG lower") << 0x10000000 << "DIG";
    QTest::newRow("AM") << 0x20000000 << "AM";
    QTest::newRow("FM") << 0x40000000 << "FM";
    // Compared whole: two bits set is no mode at all.
    QTest::newRow("USB|DIG") << 0x0A000000 << "Unknown";
    QTest::newRow("CW both") << 0x01800000 << "Unknown";
    QTest::newRow("zero") << 0 << "Unknown";
    QTest::newRow("bit below CW") << 0x00400000 << "Unknown";
    QTest::newRow("sign bit") << int(0x80000000u) << "Unknown";
    QTest::newRow("all bits") << -1 << "Unknown";
}

void TestRigValues::modeName()
{
    QFETCH(int, mode);
    QFETCH(QString, name);
    QCOMPARE(RigModeName(mode), name);
}

void TestRigValues::freqText_data()
{
    QTest::addColumn<qint64>("hz");
    QTest::addColumn<QString>("text");
    QTest::newRow("20 m FT8") << qint64(14074000) << "14.074";
    QTest::newRow("below 1 MHz") << qint64(475000) << "0.475";
    QTest::newRow("23 cm") << qint64(1296200000) << "1296.200";
    QTest::newRow("3 cm, beyond 32 bits") << qint64(10368100000) << "10368.100";
    QTest::newRow("zero") << qint64(0) << "0.000";
    QTest::newRow("one kHz") << qint64(1000) << "0.001";
    QTest::newRow("rounds down") << qint64(14074499) << "14.074";
    QTest::newRow("rounds half up") << qint64(14074500) << "14.075";
    QTest::newRow("carries into MHz") << qint64(14999500) << "15.000";
    QTest::newRow("under half a kHz") << qint64(499) << "0.000";
    QTest::newRow("negative") << qint64(-1500000) << "-1.500";
}

void TestRigValues::freqText()
{
    QFETCH(qint64, hz);
    QFETCH(QString, text);
    QCOMPARE(RigFreqText(hz), text);
}

void TestRigValues::versionAccepted_data()
{
    QTest::addColumn<int>("version");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("0x100") << 0x100 << false;
    QTest::newRow("0x101") << 0x101 << true;
    QTest::newRow("0x150") << 0x150 << true;
    QTest::newRow("0x199") << 0x199 << true;
    QTest::newRow("0x19A") << 0x19A << false;
    QTest::newRow("0") << 0 << false;
    QTest::newRow("0x201") << 0x201 << false;
}

void TestRigValues::versionAccepted()
{
    QFETCH(int, version);
    QFETCH(bool, accepted);
    QCOMPARE(RigVersionAccepted(version), accepted);
}

void TestRigValues::hamlibModes_data()
{
    QTest::addColumn<quint64>("hamlib");
    QTest::addColumn<QString>("name");
    QTest::newRow("CW") << quint64(RIG_MODE_CW) << "CW";
    QTest::newRow("CWR") << quint64(RIG_MODE_CWR) << "CW";
    QTest::newRow("USB") << quint64(RIG_MODE_USB) << "USB";
    QTest::newRow("LSB") << quint64(RIG_MODE_LSB) << "LSB";
    QTest::newRow("PKTUSB") << quint64(RIG_MODE_PKTUSB) << "DIG";
    QTest::newRow("PKTLSB") << quint64(RIG_MODE_PKTLSB) << "DIG";
    QTest::newRow("PKTFM") << quint64(RIG_MODE_PKTFM) << "DIG";
    QTest::newRow("RTTY") << quint64(RIG_MODE_RTTY) << "DIG";
    QTest::newRow("RTTYR") << quint64(RIG_MODE_RTTYR) << "DIG";
    QTest::newRow("AM") << quint64(RIG_MODE_AM) << "AM";
    QTest::newRow("FM") << quint64(RIG_MODE_FM) << "FM";
    QTest::newRow("WFM") << quint64(RIG_MODE_WFM) << "FM";
    QTest::newRow("none") << quint64(RIG_MODE_NONE) << "Unknown";
    QTest::newRow("D-STAR voice") << quint64(RIG_MODE_DSTAR) << "Unknown";
    QTest::newRow("two modes") << quint64(RIG_MODE_USB | RIG_MODE_LSB) << "Unknown";
}

void TestRigValues::hamlibModes()
{
    QFETCH(quint64, hamlib);
    QFETCH(QString, name);
    QCOMPARE(RigModeName(RigModeFromHamlib(hamlib)), name);
}

QTEST_GUILESS_MAIN(TestRigValues)
#include "tst_rigvalues.moc"
