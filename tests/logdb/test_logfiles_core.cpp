// Whole-file work on logs: the template, copies, archive names and archives.
#include "filekit.h"
#include "logdb/dberror.h"
#include "logdb/logfiles.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <sys/resource.h>
#include <zip.h>

namespace {

void writeFile(const QString &path, const QByteArray &data)
{
    QFile f(path);
    QVERIFY2(f.open(QIODevice::WriteOnly), qPrintable(path));
    QCOMPARE(f.write(data), data.size());
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QByteArray noise(int size)
{
    QByteArray b(size, '\0');
    QRandomGenerator gen(42);
    for (char &c : b)
        c = char(gen.generate() & 0xff);
    return b;
}

// Entries of a ZIP file, name -> contents; empty when it is not a readable archive.
QMap<QString, QByteArray> zipEntries(const QString &path)
{
    QMap<QString, QByteArray> out;
    int err = 0;
    zip_t *za = zip_open(QFile::encodeName(path).constData(), ZIP_RDONLY | ZIP_CHECKCONS, &err);
    if (!za)
        return out;
    for (zip_int64_t i = 0; i < zip_get_num_entries(za, 0); ++i) {
        zip_stat_t st;
        zip_stat_index(za, zip_uint64_t(i), 0, &st);
        QByteArray data(qsizetype(st.size), '\0');
        zip_file_t *zf = zip_fopen_index(za, zip_uint64_t(i), 0);
        const zip_int64_t got = zf ? zip_fread(zf, data.data(), st.size) : -1;
        if (zf)
            zip_fclose(zf);
        if (got == zip_int64_t(st.size))
            out.insert(QString::fromUtf8(st.name), data);
    }
    zip_close(za);
    return out;
}

QString message(const std::function<void()> &f)
{
    try {
        f();
    } catch (const DbError &e) {
        return e.message();
    }
    return QString();
}

} // namespace

class TestLogFilesCore : public QObject {
    Q_OBJECT

    QString m_startDir;

private slots:
    void init() { m_startDir = QDir::currentPath(); }
    void cleanup() { QDir::setCurrent(m_startDir); }

    void templateFromWorkingDirectoryFirst()
    {
        QTemporaryDir work, exe;
        writeFile(exe.filePath(QStringLiteral("shablon")), "exe");
        QDir::setCurrent(work.path());
        QCOMPARE(LogFiles::findTemplate(exe.path()), exe.filePath(QStringLiteral("shablon")));
        writeFile(work.filePath(QStringLiteral("shablon")), "work");
        QCOMPARE(readFile(LogFiles::findTemplate(exe.path())), QByteArray("work"));
        // A folder of that name is no template.
        QTemporaryDir other;
        QDir(other.path()).mkdir(QStringLiteral("shablon"));
        QDir::setCurrent(other.path());
        QCOMPARE(LogFiles::findTemplate(exe.path()), exe.filePath(QStringLiteral("shablon")));
        QCOMPARE(LogFiles::findTemplate(other.path()), QString());
    }

    // An installed program: <prefix>/bin holds the executable, the template
    // lies in <prefix>/share/tarnix; a build tree has it beside the executable.
    void templateLookupOrder_data()
    {
        QTest::addColumn<QStringList>("holders");   // folders that hold a "shablon"
        QTest::addColumn<QString>("found");         // whose is taken ("" none)

        QTest::newRow("installed only") << QStringList{"share"} << "share";
        QTest::newRow("beside the executable before installed") << QStringList{"exe", "share"} << "exe";
        QTest::newRow("working directory before all") << QStringList{"work", "exe", "share"} << "work";
        QTest::newRow("working directory before installed") << QStringList{"work", "share"} << "work";
        QTest::newRow("nowhere") << QStringList{} << "";
    }

    void templateLookupOrder()
    {
        QFETCH(QStringList, holders);
        QFETCH(QString, found);
        QTemporaryDir root;
        QVERIFY(root.isValid());
        const QMap<QString, QString> dirs{{"work", root.filePath("work")},
                                          {"exe", root.filePath("prefix/bin")},
                                          {"share", root.filePath("prefix/share/tarnix")}};
        for (const QString &d : dirs)
            QVERIFY(QDir().mkpath(d));
        for (const QString &h : holders)
            writeFile(QDir(dirs[h]).filePath("shablon"), h.toUtf8());
        QDir::setCurrent(dirs["work"]);

        const QString tpl = LogFiles::findTemplate(dirs["exe"]);
        if (found.isEmpty()) {
            QCOMPARE(tpl, QString());
        } else {
            QCOMPARE(tpl, QDir(dirs[found]).filePath("shablon"));
            QCOMPARE(readFile(tpl), found.toUtf8());
        }
    }

    void installedDataDirIsBesideBin()
    {
        QCOMPARE(LogFiles::installedDataDir(QStringLiteral("/usr/bin")), QStringLiteral("/usr/share/tarnix"));
        QCOMPARE(LogFiles::installedDataDir(QStringLiteral("/opt/x/bin/")),
                 QStringLiteral("/opt/x/share/tarnix"));
        QCOMPARE(LogFiles::installedDataDir(QString()), QString());
    }

    void sameFile()
    {
        QTemporaryDir dir;
        const QString a = dir.filePath(QStringLiteral("a.mdb"));
        writeFile(a, "x");
        QVERIFY(QFile::link(a, dir.filePath(QStringLiteral("link.mdb"))));
        QVERIFY(LogFiles::sameFile(a, a));
        QVERIFY(LogFiles::sameFile(a, dir.path() + QStringLiteral("/./sub/../a.mdb")));
        QVERIFY(LogFiles::sameFile(a, dir.filePath(QStringLiteral("link.mdb"))));
        QDir::setCurrent(dir.path());
        QVERIFY(LogFiles::sameFile(a, QStringLiteral("a.mdb")));
        QVERIFY(!LogFiles::sameFile(a, dir.filePath(QStringLiteral("b.mdb"))));
        QVERIFY(LogFiles::sameFile(dir.filePath(QStringLiteral("b.mdb")), QStringLiteral("./b.mdb")));
        QVERIFY(!LogFiles::sameFile(a, QString()));
    }

    void copyReplacesTheTarget()
    {
        QTemporaryDir dir;
        const QString src = dir.filePath(QStringLiteral("src.mdb"));
        const QString dst = dir.filePath(QStringLiteral("dst.mdb"));
        writeFile(src, noise(3 << 20));   // more than one chunk
        writeFile(dst, "old contents that are longer than nothing");
        LogFiles::copyReplacing(src, dst);
        QCOMPARE(readFile(dst), noise(3 << 20));
        LogFiles::copyReplacing(src, dir.filePath(QStringLiteral("new.mdb")));
        QCOMPARE(readFile(dir.filePath(QStringLiteral("new.mdb"))), noise(3 << 20));
        // Onto itself: the file stays.
        LogFiles::copyReplacing(src, src);
        QCOMPARE(readFile(src), noise(3 << 20));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), 3);
    }

    void failedCopyLeavesTheTarget_data()
    {
        QTest::addColumn<QString>("source");   // relative to the folder
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("error");    // start of the message
        QTest::newRow("missing source") << "none.mdb" << "dst.mdb" << "Could not find file";
        QTest::newRow("source is a folder") << "folder" << "dst.mdb" << "'";
        QTest::newRow("target is a folder") << "src.mdb" << "folder" << "Cannot write";
        QTest::newRow("target folder missing") << "src.mdb" << "nowhere/dst.mdb" << "Cannot write";
    }
    void failedCopyLeavesTheTarget()
    {
        QFETCH(QString, source);
        QFETCH(QString, target);
        QFETCH(QString, error);
        QTemporaryDir dir;
        writeFile(dir.filePath(QStringLiteral("src.mdb")), "new");
        writeFile(dir.filePath(QStringLiteral("dst.mdb")), "the only copy");
        QDir(dir.path()).mkdir(QStringLiteral("folder"));
        const QString why = message([&] { LogFiles::copyReplacing(dir.filePath(source), dir.filePath(target)); });
        QVERIFY2(why.startsWith(error), qPrintable(why));
        QCOMPARE(readFile(dir.filePath(QStringLiteral("dst.mdb"))), QByteArray("the only copy"));
        QVERIFY(QFileInfo(dir.filePath(QStringLiteral("folder"))).isDir());
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 2);   // no leftovers
    }

    void copyOntoAFullDiskKeepsTheTarget_data()
    {
        QTest::addColumn<int>("size");
        QTest::newRow("far over") << 256 * 1024;
        QTest::newRow("a few bytes over") << 64 * 1024 + 10;
    }
    void copyOntoAFullDiskKeepsTheTarget()
    {
        QFETCH(int, size);
        QTemporaryDir dir;
        const QString src = dir.filePath(QStringLiteral("src.mdb"));
        const QString dst = dir.filePath(QStringLiteral("dst.mdb"));
        writeFile(src, noise(size));
        writeFile(dst, "the only copy");
        QString why;
        {
            FileKit::FileSizeLimit limit(64 * 1024);
            why = message([&] { LogFiles::copyReplacing(src, dst); });
        }
        QVERIFY2(why.startsWith(QStringLiteral("Cannot write '")), qPrintable(why));
        QCOMPARE(readFile(dst), QByteArray("the only copy"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 2);
    }

    void archiveNames_data()
    {
        QTest::addColumn<QString>("log");
        QTest::addColumn<QDate>("date");
        QTest::addColumn<QString>("name");
        QTest::newRow("log.mdb") << "/x/log.mdb" << QDate(2010, 1, 27) << "log20100127.zip";
        QTest::newRow("dots in the name") << "/x/my.log.mdb" << QDate(2010, 12, 5) << "my.log20101205.zip";
        QTest::newRow("no extension") << "/x/station" << QDate(2010, 1, 27) << "sta20100127.zip";
        QTest::newRow("short name") << "/x/ab" << QDate(2010, 1, 27) << "20100127.zip";
        QTest::newRow("cyrillic") << "/x/журнал.mdb" << QDate(2010, 1, 27) << "журнал20100127.zip";
        QTest::newRow("relative") << "log.mdb" << QDate(2009, 9, 9) << "log20090909.zip";
    }
    void archiveNames()
    {
        QFETCH(QString, log);
        QFETCH(QDate, date);
        QFETCH(QString, name);
        QCOMPARE(LogFiles::archiveFileName(log, date), name);
    }

    void backupFolderBesideTheLog()
    {
        QTemporaryDir dir;
        QCOMPARE(LogFiles::backupFolder(dir.filePath(QStringLiteral("log.mdb"))), dir.filePath(QStringLiteral("backup")));
        const QString folder = dir.filePath(QStringLiteral("backup"));
        LogFiles::makeBackupFolder(folder);
        QVERIFY(QFileInfo(folder).isDir());
        LogFiles::makeBackupFolder(folder);   // already there
        QVERIFY(QDir(folder).removeRecursively());

        writeFile(folder, "a file in the way");
        QCOMPARE(message([&] { LogFiles::makeBackupFolder(folder); }), QStringLiteral("Cannot create \\backup"));
        QCOMPARE(readFile(folder), QByteArray("a file in the way"));
    }

    void archiveHoldsTheLog()
    {
        QTemporaryDir dir;
        const QString log = dir.filePath(QStringLiteral("журнал.mdb"));
        writeFile(log, noise(200 * 1024));
        QDir(dir.path()).mkdir(QStringLiteral("backup"));
        const QString zip = dir.filePath(QStringLiteral("backup/журнал20100127.zip"));
        LogFiles::archiveLog(log, zip);
        auto entries = zipEntries(zip);
        QCOMPARE(entries.keys(), QStringList{QStringLiteral("журнал.mdb")});
        QCOMPARE(entries.first(), noise(200 * 1024));

        // The same day again replaces the archive with the log as it is now.
        writeFile(log, "changed");
        LogFiles::archiveLog(log, zip);
        entries = zipEntries(zip);
        QCOMPARE(entries.size(), 1);
        QCOMPARE(entries.first(), QByteArray("changed"));
        QCOMPARE(QDir(dir.filePath(QStringLiteral("backup"))).entryList(QDir::Files | QDir::Hidden),
                 QStringList{QStringLiteral("журнал20100127.zip")});
        QCOMPARE(readFile(log), QByteArray("changed"));
    }

    void failedArchiveLeavesNoFile_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("log missing") << "log missing";
        QTest::newRow("disk full") << "disk full";
        QTest::newRow("folder missing") << "folder missing";
    }
    void failedArchiveLeavesNoFile()
    {
        QFETCH(QString, how);
        QTemporaryDir dir;
        const QString log = dir.filePath(QStringLiteral("log.mdb"));
        if (how != QLatin1String("log missing"))
            writeFile(log, noise(256 * 1024));
        const QString backup = dir.filePath(QStringLiteral("backup"));
        if (how != QLatin1String("folder missing"))
            QDir(dir.path()).mkdir(QStringLiteral("backup"));
        const QString zip = backup + QStringLiteral("/log20100127.zip");
        QString why;
        {
            FileKit::FileSizeLimit limit(how == QLatin1String("disk full") ? 64 * 1024 : RLIM_INFINITY);
            why = message([&] { LogFiles::archiveLog(log, zip); });
        }
        QVERIFY2(!why.isEmpty(), "no error");
        QVERIFY(!QFile::exists(zip));
        if (QFileInfo(backup).isDir())
            QCOMPARE(QDir(backup).entryList(QDir::Files | QDir::Hidden), QStringList());
    }

    void failedArchiveKeepsTheEarlierOne()
    {
        QTemporaryDir dir;
        const QString log = dir.filePath(QStringLiteral("log.mdb"));
        writeFile(log, "first");
        QDir(dir.path()).mkdir(QStringLiteral("backup"));
        const QString zip = dir.filePath(QStringLiteral("backup/log20100127.zip"));
        LogFiles::archiveLog(log, zip);
        writeFile(log, noise(256 * 1024));
        QString why;
        {
            FileKit::FileSizeLimit limit(64 * 1024);
            why = message([&] { LogFiles::archiveLog(log, zip); });
        }
        QVERIFY(why.startsWith(QStringLiteral("Cannot write '")));
        QCOMPARE(zipEntries(zip).value(QStringLiteral("log.mdb")), QByteArray("first"));
        QCOMPARE(QDir(dir.filePath(QStringLiteral("backup"))).entryList(QDir::Files | QDir::Hidden).size(), 1);
    }

    void archiveOntoAFolderOfThatName()
    {
        QTemporaryDir dir;
        const QString log = dir.filePath(QStringLiteral("log.mdb"));
        writeFile(log, "x");
        QDir(dir.path()).mkpath(QStringLiteral("backup/log20100127.zip/inside"));
        const QString why = message([&] { LogFiles::archiveLog(log, dir.filePath(QStringLiteral("backup/log20100127.zip"))); });
        QVERIFY2(why.startsWith(QStringLiteral("Cannot write '")), qPrintable(why));
        QVERIFY(QFileInfo(dir.filePath(QStringLiteral("backup/log20100127.zip/inside"))).isDir());
        QCOMPARE(QDir(dir.filePath(QStringLiteral("backup"))).entryList(QDir::Files | QDir::Hidden), QStringList());
    }
};

QTEST_GUILESS_MAIN(TestLogFilesCore)
#include "test_logfiles_core.moc"
