// Where the country file is found: the user's own copy, the one beside the
// executable, Debian's hamradio-files.
#include "country/countryfile.h"
#include "country/ctysupport.h"
#include "logdb/dberror.h"

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

    // "Load a newer cty.dat": a country file is taken, becomes the user's
    // copy and the tables in use; anything else is refused, naming the file,
    // with the tables and the older copy as they were.
    void installTakesACountryFile()
    {
        QTemporaryDir dir;
        const QString chosen = dir.filePath(QStringLiteral("cty-3510.dat"));
        writeFile(chosen, kNewer);
        LoadCountryTable(kDebianFile);
        QVERIFY(FindCountryByCall(QStringLiteral("QQ1AB")).Name.isEmpty());
        QCOMPARE(CountryFile::install(chosen), UserCountryFilePath());
        QCOMPARE(FindCountryByCall(QStringLiteral("QQ1AB")).Name, QStringLiteral("Testland"));
        const CountryFile::InUse in = CountryFile::inUse();
        QCOMPARE(in.path, UserCountryFilePath());
        QCOMPARE(in.versionName, QStringLiteral("Testland"));
        QCOMPARE(in.versionPrefix, QStringLiteral("QQ"));
        QVERIFY(!QFile::exists(UserCountryFilePath() + QStringLiteral(".new")));
    }

    void installRefusesWhatIsNoCountryFile_data()
    {
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<bool>("exists");
        QTest::newRow("empty") << QByteArray() << true;
        QTest::newRow("random bytes") << QByteArray("\x01\xfe\x00garbage\x7f", 11) << true;
        QTest::newRow("another text") << QByteArray("Hello, world\nthis is no country file\n") << true;
        QTest::newRow("missing") << QByteArray() << false;
    }

    void installRefusesWhatIsNoCountryFile()
    {
        QFETCH(QByteArray, contents);
        QFETCH(bool, exists);
        QTemporaryDir dir;
        const QString chosen = dir.filePath(QStringLiteral("broken.dat"));
        if (exists)
            writeFile(chosen, contents);
        writeFile(UserCountryFilePath(), kNewer);   // an older copy that works
        LoadCountryTable(UserCountryFilePath());
        QString message;
        try {
            CountryFile::install(chosen);
        } catch (const DbError &e) {
            message = e.message();
        }
        QVERIFY2(message.contains(chosen), qPrintable(message));
        QCOMPARE(FindCountryByCall(QStringLiteral("QQ1AB")).Name, QStringLiteral("Testland"));
        QFile user(UserCountryFilePath());
        QVERIFY(user.open(QIODevice::ReadOnly));
        QCOMPARE(user.readAll(), kNewer);
        QVERIFY(!QFile::exists(UserCountryFilePath() + QStringLiteral(".new")));
    }

private:
    // A country file of one made-up entity that also carries the version entry.
    const QByteArray kNewer = "Testland:                 14:  27:  EU:   50.00:   -10.00:    -1.0:  QQ:\n"
                              "    QQ,=VERSION;\n";
};

QTEST_GUILESS_MAIN(TestCountryFile)
#include "test_ctyfile.moc"
