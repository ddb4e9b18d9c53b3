// Logic behind the settings windows: finding and reading the program's text
// files, the hour offset, and the values taken from a hand-over file.
#include "exchange/codepage.h"
#include "logdb/dberror.h"
#include "settings/handoverinput.h"
#include "settings/programfiles.h"
#include "settings/stationsettings.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class TestSettingsLogic : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { ProgramFiles::setSearchDirsForTesting({}); }

    void defaultSearchStartsInWorkingDirectory()
    {
        const QStringList dirs = ProgramFiles::searchDirs();
        QVERIFY(!dirs.isEmpty());
        QCOMPARE(dirs.first(), QDir::currentPath());
        QVERIFY(dirs.contains(QCoreApplication::applicationDirPath()));
    }

    void searchOrder_data()
    {
        QTest::addColumn<QString>("work");
        QTest::addColumn<QString>("exe");
        QTest::addColumn<QStringList>("expected");

        QTest::newRow("installed program") << "/home/op/logs" << "/usr/bin"
                                           << QStringList{"/home/op/logs", "/usr/bin", "/usr/share/tarnix"};
        QTest::newRow("started in its own folder") << "/usr/bin" << "/usr/bin/"
                                                   << QStringList{"/usr/bin", "/usr/share/tarnix"};
        QTest::newRow("started in the data folder") << "/usr/share/tarnix" << "/usr/bin"
                                                    << QStringList{"/usr/share/tarnix", "/usr/bin"};
        QTest::newRow("no executable known") << "/home/op" << "" << QStringList{"/home/op"};
    }

    void searchOrder()
    {
        QFETCH(QString, work);
        QFETCH(QString, exe);
        QFETCH(QStringList, expected);
        QCOMPARE(ProgramFiles::searchDirsFor(work, exe), expected);
    }

    void locateFindsInstalledDocuments()
    {
        QTemporaryDir root;
        const QString work = root.filePath(QStringLiteral("work"));
        const QString bin = root.filePath(QStringLiteral("prefix/bin"));
        const QString share = root.filePath(QStringLiteral("prefix/share/tarnix"));
        for (const QString &d : {work, bin, share})
            QVERIFY(QDir().mkpath(d));
        QFile f(QDir(share).filePath(QStringLiteral("Лицензия.txt")));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.close();
        ProgramFiles::setSearchDirsForTesting(ProgramFiles::searchDirsFor(work, bin));
        QCOMPARE(ProgramFiles::locate(QStringLiteral("Лицензия.txt")), QFileInfo(f).absoluteFilePath());
        // A copy beside the executable (a build tree) comes first.
        QFile b(QDir(bin).filePath(QStringLiteral("Лицензия.txt")));
        QVERIFY(b.open(QIODevice::WriteOnly));
        b.close();
        QCOMPARE(ProgramFiles::locate(QStringLiteral("Лицензия.txt")), QFileInfo(b).absoluteFilePath());
    }

    void locateTakesFirstFolderHolding()
    {
        QTemporaryDir a, b;
        QFile fb(b.filePath(QStringLiteral("readme.txt")));
        QVERIFY(fb.open(QIODevice::WriteOnly));
        fb.write("b");
        fb.close();
        ProgramFiles::setSearchDirsForTesting({a.path(), b.path()});
        QCOMPARE(ProgramFiles::locate(QStringLiteral("readme.txt")), QFileInfo(fb).absoluteFilePath());
        QVERIFY(ProgramFiles::exists(QStringLiteral("readme.txt")));

        QFile fa(a.filePath(QStringLiteral("readme.txt")));
        QVERIFY(fa.open(QIODevice::WriteOnly));
        fa.close();
        QCOMPARE(ProgramFiles::locate(QStringLiteral("readme.txt")), QFileInfo(fa).absoluteFilePath());

        // Nowhere: the first place looked at, for the error message.
        QCOMPARE(ProgramFiles::locate(QStringLiteral("nothing.txt")), QDir(a.path()).absoluteFilePath(QStringLiteral("nothing.txt")));
        QVERIFY(!ProgramFiles::exists(QStringLiteral("nothing.txt")));
        // A folder of that name is not the file.
        QVERIFY(QDir(a.path()).mkdir(QStringLiteral("Лицензия.txt")));
        QVERIFY(!ProgramFiles::exists(QStringLiteral("Лицензия.txt")));
    }

    void unreadableFileIsAnError()
    {
        QTemporaryDir d;
        const QString missing = d.filePath(QStringLiteral("readme.txt"));
        try {
            ProgramFiles::readLines(missing);
            QFAIL("no error");
        } catch (const DbError &e) {
            QVERIFY2(e.message().startsWith(QStringLiteral("Cannot open file \"%1\"").arg(missing)), qPrintable(e.message()));
        }
        QVERIFY_THROWS_EXCEPTION(DbError, ProgramFiles::readText(d.path()));
    }

    void readText_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("lines");
        const QString privet = QStringLiteral("Привет");
        QTest::newRow("utf-8, LF") << QStringLiteral("Привет\nмир\n").toUtf8() << QStringList{privet, QStringLiteral("мир")};
        QTest::newRow("cp1251, CR LF") << Codepage::toCp1251(QStringLiteral("Привет\r\nмир"))
                                       << QStringList{privet, QStringLiteral("мир")};
        QTest::newRow("CR alone, blank lines kept") << QByteArray("a\r\rb\r\n\r\nc")
                                                   << QStringList{"a", "", "b", "", "c"};
        QTest::newRow("utf-8 with BOM") << QByteArray("\xEF\xBB\xBFTarnix\n") << QStringList{"Tarnix"};
        QTest::newRow("empty") << QByteArray() << QStringList{};
    }
    void readText()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, lines);
        QTemporaryDir d;
        QFile f(d.filePath(QStringLiteral("readme.txt")));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        f.close();
        QCOMPARE(ProgramFiles::readLines(f.fileName()), lines);
    }

    void offset_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<bool>("hasValue");
        QTest::addColumn<int>("hours");
        QTest::newRow("plain") << "3" << true << true << 3;
        QTest::newRow("plus") << "+4" << true << true << 4;
        QTest::newRow("minus") << "-11" << true << true << -11;
        QTest::newRow("zero") << "0" << true << true << 0;
        QTest::newRow("empty: no value") << "" << true << false << 0;
        QTest::newRow("lone sign") << "-" << false << false << 0;
        QTest::newRow("sign after digit") << "3-" << false << false << 0;
        QTest::newRow("two signs") << "+-3" << false << false << 0;
        QTest::newRow("beyond the column") << "99999999999" << false << false << 0;
        QTest::newRow("largest") << "2147483647" << true << true << 2147483647;
    }
    void offset()
    {
        QFETCH(QString, text);
        QFETCH(bool, valid);
        QFETCH(bool, hasValue);
        QFETCH(int, hours);
        int got = 0;
        try {
            const bool has = StationSettings::parseOffset(text, &got);
            QVERIFY(valid);
            QCOMPARE(has, hasValue);
            if (has)
                QCOMPARE(got, hours);
        } catch (const DbError &e) {
            QVERIFY(!valid);
            QCOMPARE(e.message(), QStringLiteral("'%1' is not a valid integer value").arg(text));
        }
    }

    void offsetCharacters()
    {
        QVERIFY(StationSettings::isOffsetTypeable(QStringLiteral("+-0123456789")));
        QVERIFY(StationSettings::isOffsetTypeable(QString()));
        for (const char *bad : {"1.5", " 3", "3h", "١"})
            QVERIFY2(!StationSettings::isOffsetTypeable(QString::fromUtf8(bad)), bad);
    }

    void handoverValues_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("expected");
        QTest::newRow("om is no name") << "om" << "";
        QTest::newRow("Om stays") << "Om" << "Om";
        QTest::newRow("OM stays") << "OM" << "OM";
        QTest::newRow("om inside stays") << "tom" << "tom";
        QTest::newRow("name") << "ivan" << "ivan";
    }
    void handoverValues()
    {
        QFETCH(QString, name);
        QFETCH(QString, expected);
        Handover::Qso q{QStringLiteral("ua3abc"), name, QStringLiteral("57"), QStringLiteral("SSB")};
        const HandoverInput::Entry e = HandoverInput::fromQso(q);
        QCOMPARE(e.name, expected);
        QCOMPARE(e.call, QStringLiteral("ua3abc"));
        QCOMPARE(e.rprtSent, QStringLiteral("57"));
        QCOMPARE(e.mode, QStringLiteral("SSB"));
    }

    void handoverDropsControlCharacters()
    {
        Handover::Qso q{QStringLiteral("UA\x01" "3\tABC"), QStringLiteral("o\x7fm"), QString::fromUtf8("5\0" "7", 3),
                        QString(QChar(0x2028)) + QStringLiteral("CW")};
        const HandoverInput::Entry e = HandoverInput::fromQso(q);
        QCOMPARE(e.call, QStringLiteral("UA3ABC"));
        QCOMPARE(e.name, QString());   // what is left is "om"
        QCOMPARE(e.rprtSent, QStringLiteral("57"));
        QCOMPARE(e.mode, QStringLiteral("CW"));
    }
};

QTEST_GUILESS_MAIN(TestSettingsLogic)
#include "tst_settings.moc"
