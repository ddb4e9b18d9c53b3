// Automatic snapshots as the operator meets them: taken when a log is
// attached and let go after a change, offered when a damaged log is opened,
// and made before the SQL window changes the log.
#include "filekit.h"
#include "apptestkit.h"

#include "app/tformsql.h"
#include "logdb/snapshots.h"

#include <QDir>
#include <QFile>
#include <QPlainTextEdit>
#include <QtTest>

namespace {

QString count(const QString &path)
{
    return AppFixture::query(path, QStringLiteral("select count(*) from log"));
}

} // namespace

class TestSnapshotsWindow : public QObject {
    Q_OBJECT
private slots:
    void takenOnAttachAndOnCloseAfterAChange()
    {
        AppFixture fx;
        const QString log = fx.newLog();
        AppFixture::insertQso(log, QStringLiteral("2020-01-01"), QStringLiteral("10:00"), QStringLiteral("DL1ABC"));
        fx.showAndOpen(log);
        fx.session()->snapshots()->waitForIdle();
        QCOMPARE(Snapshots::listFor(log).size(), 1);   // the first attach

        // Let go and attached again without a change: nothing new.
        Dialogs::Testing::answerFile(log);
        fx.form->N7Click();
        fx.session()->snapshots()->waitForIdle();
        QCOMPARE(Snapshots::listFor(log).size(), 1);

        // A QSO saved, then the program closed: one more, holding it.
        fx.ui.Edit4->setText(QStringLiteral("UA3ABC"));
        fx.panel()->Button2Click();
        fx.form->close();
        const auto after = Snapshots::listFor(log);
        QCOMPARE(after.size(), 2);
        QCOMPARE(count(after.first().path), QStringLiteral("2"));
        QVERIFY(fx.errors().isEmpty());
    }

    void switchedOff()
    {
        AppFixture fx;
        Snapshots::Policy off;
        off.enabled = false;
        fx.session()->setSnapshotPolicy(off);
        const QString log = fx.newLog();
        fx.showAndOpen(log);
        fx.form->close();
        QVERIFY(Snapshots::listFor(log).isEmpty());
    }

    void damagedLogOffersItsNewestSnapshot_data()
    {
        QTest::addColumn<bool>("accept");
        QTest::newRow("accepted") << true;
        QTest::newRow("declined") << false;
    }

    void damagedLogOffersItsNewestSnapshot()
    {
        QFETCH(bool, accept);
        AppFixture fx;
        const QString log = fx.newLog();
        QString sql = QStringLiteral("begin;");
        for (int i = 0; i < 2000; ++i)
            sql += QStringLiteral("insert into log (QSO_DATE, TIME_ON, CALL, COMMENT) values ('2020-01-01', '10:00', "
                                  "'UA%1AA', 'a comment long enough to fill a few pages');").arg(i);
        AppFixture::exec(log, sql + QStringLiteral("commit;"));
        fx.showAndOpen(log);
        fx.form->close();
        QCOMPARE(Snapshots::listFor(log).size(), 1);

        // Damaged while nobody held it: random bytes over its middle pages.
        QByteArray bytes = FileKit::bytes(log);
        for (qsizetype i = bytes.size() / 2; i < bytes.size() / 2 + 8192; ++i)
            bytes[i] = char((i * 7919) & 0xff);
        {
            QFile f(log);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(bytes);
        }

        AppFixture again;
        Dialogs::Testing::answerConfirm(accept);
        again.showAndOpen(log);
        const auto shown = Dialogs::Testing::shown();
        const auto offer = std::find_if(shown.begin(), shown.end(), [](const Dialogs::Testing::Shown &s) {
            return s.kind == QLatin1String("confirm") && s.text.contains(QStringLiteral("damaged"));
        });
        QVERIFY2(offer != shown.end(), "no offer of the snapshot");
        QCOMPARE(FileKit::bytes(log), bytes);   // the damaged file is untouched
        if (accept) {
            const QString copy = again.session()->currentLogPath();
            QVERIFY(copy != log);
            QCOMPARE(QFileInfo(copy).dir(), QFileInfo(log).dir());
            QCOMPARE(again.ui.Label18->text(), QStringLiteral("2000"));
            QCOMPARE(count(copy), QStringLiteral("2000"));
        } else {
            QVERIFY(!again.session()->isAttached());
        }
    }

    void sqlWindowChangesTheLogOnlyAfterASnapshot()
    {
        AppFixture fx;
        Snapshots::Policy off;   // automatic ones off: the SQL window still makes its own
        off.enabled = false;
        fx.session()->setSnapshotPolicy(off);
        const QString log = fx.newLog();
        AppFixture::insertQso(log, QStringLiteral("2020-01-01"), QStringLiteral("10:00"), QStringLiteral("DL1ABC"));
        fx.showAndOpen(log);
        auto *w = fx.window<TFormSQL>("FormSQL");
        w->Memo1->setPlainText(QStringLiteral("select * from log"));
        QTest::mouseClick(w->Button1, Qt::LeftButton);
        QVERIFY(Snapshots::listFor(log).isEmpty());   // reading needs none

        w->Memo1->setPlainText(QStringLiteral("delete from log"));
        QTest::mouseClick(w->Button1, Qt::LeftButton);
        QVERIFY2(fx.errors().isEmpty(), qPrintable(fx.errors().join(QLatin1Char('\n'))));
        QCOMPARE(count(log), QStringLiteral("0"));
        const auto snapshots = Snapshots::listFor(log);
        QCOMPARE(snapshots.size(), 1);
        QCOMPARE(count(snapshots.first().path), QStringLiteral("1"));   // the deleted QSO is in it
    }

    void sqlWindowRefusesWhenNoSnapshotCanBeMade()
    {
        AppFixture fx;
        const QString log = fx.newLog();
        AppFixture::insertQso(log, QStringLiteral("2020-01-01"), QStringLiteral("10:00"), QStringLiteral("DL1ABC"));
        // The backup folder cannot be made: a file holds its name.
        QFile blocker(fx.dir.filePath(QStringLiteral("backup")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        fx.showAndOpen(log);
        Dialogs::Testing::clear();
        auto *w = fx.window<TFormSQL>("FormSQL");
        w->Memo1->setPlainText(QStringLiteral("update log set NAME = 'x'"));
        QTest::mouseClick(w->Button1, Qt::LeftButton);
        QCOMPARE(fx.errors().size(), 1);
        QCOMPARE(AppFixture::query(log, QStringLiteral("select ifnull(NAME, '') from log")), QString());
    }
};

QTEST_MAIN(TestSnapshotsWindow)
#include "test_snapshotswindow.moc"
