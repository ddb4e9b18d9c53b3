// The file menu's "Создать", "Сохранить как..." and "Архивировать" on the real window.
#include "apptestkit.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QtTest>

#include <zip.h>

namespace {

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

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

QString calls(const QString &log)
{
    return AppFixture::query(log, QStringLiteral("select CALL from log order by id"));
}

QList<Dialogs::Testing::Shown> shownOf(const QString &kind)
{
    QList<Dialogs::Testing::Shown> out;
    for (const auto &s : Dialogs::Testing::shown())
        if (s.kind == kind)
            out << s;
    return out;
}

} // namespace

class TestLogFiles : public QObject {
    Q_OBJECT

    QString m_startDir;

    // A log with two QSOs, attached.
    QString attachLog(AppFixture &fx, const QString &name = QStringLiteral("log.mdb"))
    {
        const QString path = fx.newLog(name);
        AppFixture::insertQso(path, QStringLiteral("2009-05-01"), QStringLiteral("10:00"), QStringLiteral("DL1ABC"), QStringLiteral("Hans"));
        AppFixture::insertQso(path, QStringLiteral("2010-01-27"), QStringLiteral("12:00"), QStringLiteral("UA3ABC"), QStringLiteral("Ivan"));
        fx.showAndOpen(path);
        Dialogs::Testing::clear();
        return path;
    }

    static void noSnapshots(AppFixture &fx)
    {
        Snapshots::Policy off;
        off.enabled = false;
        fx.session()->setSnapshotPolicy(off);
    }

    static void verifyAttached(AppFixture &fx, const QString &path, const QString &count)
    {
        QVERIFY(fx.dm->ADOConnection1->isOpen());
        QVERIFY(fx.dm->ADOQueryLog->isActive());
        QCOMPARE(fx.session()->currentLogPath(), path);
        QCOMPARE(fx.form->windowTitle(), path);
        QCOMPARE(fx.ui.Label18->text(), count);
        QCOMPARE(QFileInfo(fx.dm->ADOConnection1->path()).canonicalFilePath(), QFileInfo(path).canonicalFilePath());
    }

private slots:
    void init() { m_startDir = QDir::currentPath(); }
    void cleanup() { QDir::setCurrent(m_startDir); }

    void createOverAnExistingLog()
    {
        AppFixture fx;
        const QString attached = attachLog(fx);
        const QString other = fx.newLog(QStringLiteral("other.mdb"));
        AppFixture::insertQso(other, QStringLiteral("2011-01-01"), QStringLiteral("09:00"), QStringLiteral("K1ABC"));
        const QByteArray attachedBefore = readFile(attached);
        fx.ui.Edit4->setText(QStringLiteral("R1XYZ"));

        Dialogs::Testing::answerFile(other);
        fx.ui.N8->trigger();
        QVERIFY2(fx.errors().isEmpty(), qPrintable(fx.errors().join(QLatin1Char('\n'))));
        QCOMPARE(Dialogs::Testing::shown().first().kind, QStringLiteral("save"));
        QCOMPARE(Dialogs::Testing::shown().first().text, QStringLiteral("SaveDialog1"));
        // Replaced without asking by an empty log; the old one is untouched.
        QCOMPARE(AppFixture::query(other, QStringLiteral("select count(*) from log")), QStringLiteral("0"));
        verifyAttached(fx, other, QStringLiteral("0"));
        QCOMPARE(readFile(attached), attachedBefore);
        QCOMPARE(fx.ui.Edit4->text(), QString());
        QCOMPARE(fx.form->dialogFolders().OpenDialog2, QDir::currentPath());
        QCOMPARE(fx.form->dialogFolders().SaveDialog2, QDir::currentPath());
        QCOMPARE(QFileInfo(fx.form->dialogFolders().OpenDialog2).canonicalFilePath(), QFileInfo(fx.dir.path()).canonicalFilePath());
    }

    void createInAnotherFolderFindsTheTemplateBesideTheProgram()
    {
        AppFixture fx;
        attachLog(fx);
        QTemporaryDir elsewhere;
        QVERIFY(!QFile::exists(elsewhere.filePath(QStringLiteral("shablon"))));
        const QString fresh = elsewhere.filePath(QStringLiteral("new.mdb"));
        Dialogs::Testing::answerFile(fresh);
        fx.form->N8Click();
        QVERIFY2(fx.errors().isEmpty(), qPrintable(fx.errors().join(QLatin1Char('\n'))));
        verifyAttached(fx, fresh, QStringLiteral("0"));
        QCOMPARE(readFile(fresh), readFile(QStringLiteral(TARNIX_BIN_DIR "/shablon")));
        QCOMPARE(QFileInfo(fx.form->dialogFolders().SaveDialog2).canonicalFilePath(), QFileInfo(elsewhere.path()).canonicalFilePath());
    }

    void createPrefersTheTemplateInTheWorkingFolder()
    {
        AppFixture fx;
        attachLog(fx);
        QTemporaryDir elsewhere;
        // A template of the operator's own, with the station data filled in.
        const QString own = elsewhere.filePath(QStringLiteral("shablon"));
        QVERIFY(QFile::copy(QStringLiteral(TARNIX_BIN_DIR "/shablon"), own));
        AppFixture::exec(own, QStringLiteral("update opc set mycall = 'R9XX'"));
        Dialogs::Testing::answerFile(elsewhere.filePath(QStringLiteral("new.mdb")));
        fx.form->N8Click();
        QVERIFY(fx.errors().isEmpty());
        QCOMPARE(AppFixture::query(elsewhere.filePath(QStringLiteral("new.mdb")), QStringLiteral("select mycall from opc")),
                 QStringLiteral("R9XX"));
    }

    void createOntoTheAttachedLogKeepsIt_data()
    {
        QTest::addColumn<QString>("spelling");
        QTest::newRow("same name") << "log.mdb";
        QTest::newRow("through a link") << "link.mdb";
        QTest::newRow("dotted path") << "./sub/../log.mdb";
    }
    void createOntoTheAttachedLogKeepsIt()
    {
        QFETCH(QString, spelling);
        AppFixture fx;
        const QString path = attachLog(fx);
        QVERIFY(QFile::link(path, fx.dir.filePath(QStringLiteral("link.mdb"))));
        QDir(fx.dir.path()).mkdir(QStringLiteral("sub"));
        const QByteArray before = readFile(path);
        fx.ui.Edit4->setText(QStringLiteral("R1XYZ"));
        Dialogs::Testing::answerFile(fx.dir.path() + QLatin1Char('/') + spelling);
        fx.form->N8Click();
        QVERIFY2(fx.errors().isEmpty(), qPrintable(fx.errors().join(QLatin1Char('\n'))));
        QCOMPARE(readFile(path), before);
        QCOMPARE(calls(path), QStringLiteral("DL1ABC\nUA3ABC"));
        QCOMPARE(fx.ui.Label18->text(), QStringLiteral("2"));
        QVERIFY(fx.dm->ADOConnection1->isOpen());
        QCOMPARE(fx.ui.Edit4->text(), QString());
    }

    void createOntoAFolderReportsAndKeepsTheLog()
    {
        AppFixture fx;
        const QString path = attachLog(fx);
        const QString folder = fx.dir.filePath(QStringLiteral("folder.mdb"));
        QDir(fx.dir.path()).mkdir(QStringLiteral("folder.mdb"));
        Dialogs::Testing::answerFile(folder);
        fx.form->N8Click();
        QCOMPARE(fx.errors().size(), 1);
        QVERIFY2(fx.errors().first().startsWith(QStringLiteral("Cannot write '")), qPrintable(fx.errors().first()));
        verifyAttached(fx, path, QStringLiteral("2"));
        QVERIFY(QFileInfo(folder).isDir());
    }

    void createCancelledClearsThePanel()
    {
        AppFixture fx;
        const QString path = attachLog(fx);
        fx.ui.Edit4->setText(QStringLiteral("R1XYZ"));
        Dialogs::Testing::answerFile(QString());
        fx.form->N8Click();
        QVERIFY(fx.errors().isEmpty());
        QCOMPARE(fx.ui.Edit4->text(), QString());
        verifyAttached(fx, path, QStringLiteral("2"));
    }

    void createBeforeAnyLogIsAttached()
    {
        AppFixture fx;
        fx.showAndOpen(QString());   // the Open dialog cancelled: detached
        Dialogs::Testing::clear();
        const QString fresh = fx.dir.filePath(QStringLiteral("first.mdb"));
        Dialogs::Testing::answerFile(fresh);
        fx.ui.N8->trigger();
        QVERIFY(fx.errors().isEmpty());
        verifyAttached(fx, fresh, QStringLiteral("0"));
        QVERIFY(fx.ui.N9->isEnabled() && fx.ui.N13->isEnabled());
    }

    void saveAsToANewFile()
    {
        AppFixture fx;
        const QString path = attachLog(fx);
        const QByteArray before = readFile(path);
        QTemporaryDir elsewhere;
        const QString copy = elsewhere.filePath(QStringLiteral("copy.mdb"));
        Dialogs::Testing::answerFile(copy);
        fx.ui.N9->trigger();
        QVERIFY2(fx.errors().isEmpty(), qPrintable(fx.errors().join(QLatin1Char('\n'))));
        QCOMPARE(Dialogs::Testing::shown().first().text, QStringLiteral("SaveDialog1"));
        verifyAttached(fx, copy, QStringLiteral("2"));
        QCOMPARE(calls(copy), QStringLiteral("DL1ABC\nUA3ABC"));
        // From now on the program works on the copy; the old file stays as it was.
        fx.ui.Edit4->setText(QStringLiteral("K1ABC"));
        fx.panel()->Button2Click();
        QVERIFY(fx.errors().isEmpty());
        QCOMPARE(calls(copy), QStringLiteral("DL1ABC\nUA3ABC\nK1ABC"));
        QCOMPARE(readFile(path), before);
    }

    void saveAsOverAnExistingFile()
    {
        AppFixture fx;
        const QString path = attachLog(fx);
        const QString other = fx.newLog(QStringLiteral("other.mdb"));
        AppFixture::insertQso(other, QStringLiteral("2011-01-01"), QStringLiteral("09:00"), QStringLiteral("K1ABC"));
        Dialogs::Testing::answerFile(other);
        fx.form->N9Click();
        QVERIFY(fx.errors().isEmpty());
        QCOMPARE(readFile(other), readFile(path));
        verifyAttached(fx, other, QStringLiteral("2"));
    }

    void saveAsOntoItselfKeepsTheLog_data()
    {
        QTest::addColumn<QString>("spelling");
        QTest::newRow("same name") << "log.mdb";
        QTest::newRow("through a link") << "link.mdb";
    }
    void saveAsOntoItselfKeepsTheLog()
    {
        QFETCH(QString, spelling);
        AppFixture fx;
        const QString path = attachLog(fx);
        QVERIFY(QFile::link(path, fx.dir.filePath(QStringLiteral("link.mdb"))));
        const QByteArray before = readFile(path);
        fx.ui.Edit4->setText(QStringLiteral("R1XYZ"));
        Dialogs::Testing::answerFile(fx.dir.filePath(spelling));
        fx.form->N9Click();
        QVERIFY2(fx.errors().isEmpty(), qPrintable(fx.errors().join(QLatin1Char('\n'))));
        QCOMPARE(readFile(path), before);
        verifyAttached(fx, path, QStringLiteral("2"));
        QCOMPARE(fx.ui.Edit4->text(), QString());
    }

    void saveAsOntoAFolderReportsAndKeepsTheLog()
    {
        AppFixture fx;
        const QString path = attachLog(fx);
        QDir(fx.dir.path()).mkdir(QStringLiteral("folder.mdb"));
        Dialogs::Testing::answerFile(fx.dir.filePath(QStringLiteral("folder.mdb")));
        fx.form->N9Click();
        QCOMPARE(fx.errors().size(), 1);
        QVERIFY2(fx.errors().first().startsWith(QStringLiteral("Cannot write '")), qPrintable(fx.errors().first()));
        verifyAttached(fx, path, QStringLiteral("2"));
        QCOMPARE(calls(path), QStringLiteral("DL1ABC\nUA3ABC"));
    }

    void saveAsIntoAMissingFolder()
    {
        AppFixture fx;
        const QString path = attachLog(fx);
        const QByteArray before = readFile(path);
        const QString target = fx.dir.filePath(QStringLiteral("nowhere/copy.mdb"));
        Dialogs::Testing::answerFile(target);
        fx.form->N9Click();
        // The attach of the missing copy reports it; the log itself is intact.
        QCOMPARE(fx.errors().size(), 1);
        QVERIFY2(fx.errors().first().contains(QStringLiteral("copy.mdb")), qPrintable(fx.errors().first()));
        QCOMPARE(fx.session()->currentLogPath(), target);
        QVERIFY(!fx.dm->ADOConnection1->isOpen());
        QCOMPARE(readFile(path), before);
    }

    void archiveHoldsTheLog()
    {
        AppFixture fx;
        noSnapshots(fx);   // the backup folder holds the archives alone
        AppFixture::setPcClock(QDateTime(QDate(2010, 1, 27), QTime(23, 30)));
        const QString path = attachLog(fx);
        // The log clock runs ahead into the next day; the archive takes the PC's date.
        AppFixture::exec(path, QStringLiteral("update opc set timeshift = 3"));
        // A later file dialog moved the working directory: the archive still goes beside the log.
        QTemporaryDir elsewhere;
        QDir::setCurrent(elsewhere.path());
        fx.ui.Edit4->setText(QStringLiteral("R1XYZ"));

        fx.ui.N13->trigger();
        QVERIFY2(fx.errors().isEmpty(), qPrintable(fx.errors().join(QLatin1Char('\n'))));
        QCOMPARE(shownOf(QStringLiteral("notice")).size(), 1);
        QCOMPARE(shownOf(QStringLiteral("notice")).first().text, QStringLiteral("Архив сохранен в подпапке \\backup"));
        const QString zip = fx.dir.filePath(QStringLiteral("backup/log20100127.zip"));
        const auto entries = zipEntries(zip);
        QCOMPARE(entries.keys(), QStringList{QStringLiteral("log.mdb")});
        QCOMPARE(entries.first(), readFile(path));
        QCOMPARE(QDir(fx.dir.filePath(QStringLiteral("backup"))).entryList(QDir::Files | QDir::Hidden),
                 QStringList{QStringLiteral("log20100127.zip")});
        QVERIFY(!QFile::exists(elsewhere.filePath(QStringLiteral("backup"))));
        verifyAttached(fx, path, QStringLiteral("2"));
        QCOMPARE(fx.ui.Edit4->text(), QString());
        QCOMPARE(fx.session()->timeShift(), 3);

        // The same day again: the archive is replaced by the log as it is now.
        AppFixture::insertQso(path, QStringLiteral("2010-01-27"), QStringLiteral("13:00"), QStringLiteral("K1ABC"));
        fx.form->N13Click();
        QVERIFY(fx.errors().isEmpty());
        QCOMPARE(zipEntries(zip).value(QStringLiteral("log.mdb")), readFile(path));
        QCOMPARE(QDir(fx.dir.filePath(QStringLiteral("backup"))).entryList(QDir::Files | QDir::Hidden).size(), 1);
        QCOMPARE(fx.ui.Label18->text(), QStringLiteral("3"));
    }

    void archiveWhenBackupIsAFile()
    {
        AppFixture fx;
        noSnapshots(fx);   // the backup folder holds the archives alone
        const QString path = attachLog(fx);
        QFile f(fx.dir.filePath(QStringLiteral("backup")));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("not a folder");
        f.close();
        fx.form->N13Click();
        QCOMPARE(fx.errors(), QStringList{QStringLiteral("Cannot create \\backup.")});
        QVERIFY(shownOf(QStringLiteral("notice")).isEmpty());
        verifyAttached(fx, path, QStringLiteral("2"));
        QCOMPARE(readFile(fx.dir.filePath(QStringLiteral("backup"))), QByteArray("not a folder"));
    }

    void archiveThatCannotBeWritten()
    {
        AppFixture fx;
        noSnapshots(fx);   // the backup folder holds the archives alone
        AppFixture::setPcClock(QDateTime(QDate(2010, 1, 27), QTime(12, 0)));
        const QString path = attachLog(fx);
        // A folder holds the archive's name, so the finished archive cannot take it.
        QVERIFY(QDir(fx.dir.path()).mkpath(QStringLiteral("backup/log20100127.zip/keep")));
        fx.ui.Edit4->setText(QStringLiteral("R1XYZ"));
        fx.form->N13Click();
        QCOMPARE(fx.errors().size(), 1);
        QVERIFY2(fx.errors().first().startsWith(QStringLiteral("Cannot write '")), qPrintable(fx.errors().first()));
        QVERIFY(shownOf(QStringLiteral("notice")).isEmpty());
        // Attached again all the same, with nothing half-written left behind.
        verifyAttached(fx, path, QStringLiteral("2"));
        QCOMPARE(fx.ui.Edit4->text(), QString());
        QCOMPARE(QDir(fx.dir.filePath(QStringLiteral("backup"))).entryList(QDir::Files | QDir::Hidden), QStringList());
        QVERIFY(QFileInfo(fx.dir.filePath(QStringLiteral("backup/log20100127.zip/keep"))).isDir());
    }
};

QTEST_MAIN(TestLogFiles)
#include "test_logfiles.moc"
