// Where the country file is found: the user's own copy, the one beside the
// executable, Debian's hamradio-files.
#include "country/ctysupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

namespace {
const QString kDebianFile = QStringLiteral("/usr/share/hamradio-files/cty.dat");

void writeFile(const QString &path, const QByteArray &data)
{
    QVERIFY(QDir().mkpath(QFileInfo(path).absolutePath()));
    QFile f(path);
    QVERIFY2(f.open(QIODevice::WriteOnly), qPrintable(path));
    QCOMPARE(f.write(data), data.size());
}
}   // namespace

class TestCountryFile : public QObject {
    Q_OBJECT

private slots:
    // The user's data folder of the test mode, never the real one.
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void cleanup() { QDir(QFileInfo(UserCountryFilePath()).absolutePath()).removeRecursively(); }

    void userFileInGenericDataFolder()
    {
        const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
        QVERIFY(!base.isEmpty());
        QCOMPARE(UserCountryFilePath(), base + QStringLiteral("/tarnix/cty.dat"));
    }

    void candidatesInOrder()
    {
        QCOMPARE(CountryFileCandidates(QStringLiteral("/opt/tarnix/bin")),
                 (QStringList{UserCountryFilePath(), QStringLiteral("/opt/tarnix/bin/cty.dat"),
                              kDebianFile}));
        QCOMPARE(CountryFileCandidates(QString()), (QStringList{UserCountryFilePath(), kDebianFile}));
    }

    void firstExistingTaken_data()
    {
        QTest::addColumn<bool>("user");        // a file in the user's data folder
        QTest::addColumn<bool>("userIsDir");   // a folder named cty.dat there instead
        QTest::addColumn<bool>("exe");         // a file beside the executable
        QTest::addColumn<QString>("taken");    // "user", "exe", "debian"

        QTest::newRow("user's copy first") << true << false << true << "user";
        QTest::newRow("user's copy alone") << true << false << false << "user";
        QTest::newRow("beside the executable") << false << false << true << "exe";
        QTest::newRow("a folder is no file") << false << true << true << "exe";
        QTest::newRow("Debian's last") << false << false << false << "debian";
    }

    void firstExistingTaken()
    {
        QFETCH(bool, user);
        QFETCH(bool, userIsDir);
        QFETCH(bool, exe);
        QFETCH(QString, taken);
        QTemporaryDir exeDir;
        QVERIFY(exeDir.isValid());
        const QString exeFile = exeDir.filePath(QStringLiteral("cty.dat"));
        if (user)
            writeFile(UserCountryFilePath(), "user");
        if (userIsDir)
            QVERIFY(QDir().mkpath(UserCountryFilePath()));
        if (exe)
            writeFile(exeFile, "exe");

        const QString expected = taken == QLatin1String("user")  ? UserCountryFilePath()
                                 : taken == QLatin1String("exe") ? exeFile
                                                                 : kDebianFile;
        QCOMPARE(CountryFilePath(exeDir.path()), expected);
    }

    void programReadsUserCopy()
    {
        // The test program lies beside the build's cty.dat; a user's copy wins.
        QCOMPARE(CountryFilePath(), QStringLiteral(TARNIX_BIN_DIR "/cty.dat"));
        writeFile(UserCountryFilePath(), "DL/Germany");
        QCOMPARE(CountryFilePath(), UserCountryFilePath());
    }
};

QTEST_GUILESS_MAIN(TestCountryFile)
#include "test_ctyfile.moc"
