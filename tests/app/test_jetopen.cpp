// Open on an old Jet (Access) log: the window says what it is, offers to
// convert it into a new log beside it, never over it, and attaches the new
// log; cancelling anywhere leaves everything as it was.
#include "filekit.h"
#include "apptestkit.h"

#include "jetwriter.h"

#include "app/longwork.h"

#include <QPushButton>
#include <QTimer>

#include <QFile>
#include <QtTest>

namespace {

// A small old log: two QSOs (one in Cyrillic), a mode list and the station row.
void writeJetLog(const QString &path)
{
    using namespace JetWriter;
    Table log;
    log.name = QStringLiteral("log");
    log.columns = {{QStringLiteral("id"), Type::Long, 0, true}, {QStringLiteral("QSO_DATE"), Type::DateTime},
                   {QStringLiteral("TIME_ON"), Type::DateTime}, {QStringLiteral("CALL"), Type::Text, 15},
                   {QStringLiteral("NAME"), Type::Text, 25}};
    log.rows = {{1, QDate(2005, 3, 1), QTime(10, 5), QStringLiteral("UA3ABC"), QString::fromUtf8("Пётр")},
                {7, QDate(2006, 1, 2), QTime(23, 59), QStringLiteral("DL1XYZ"), QVariant()}};
    Table modes;
    modes.name = QStringLiteral("modes");
    modes.columns = {{QStringLiteral("mode"), Type::Text, 10}};
    modes.rows = {{QStringLiteral("CW")}, {QStringLiteral("SSB")}};
    Table opc;
    opc.name = QStringLiteral("opc");
    opc.columns = {{QStringLiteral("id"), Type::Long, 0, true}, {QStringLiteral("mycall"), Type::Text, 15},
                   {QStringLiteral("timeshift"), Type::Long}};
    opc.rows = {{1, QStringLiteral("RA3XYZ"), 0}};
    write(path, {log, modes, opc});
}

} // namespace

class TestJetOpen : public QObject {
    Q_OBJECT
private slots:
    void convertedAndAttached()
    {
        AppFixture fx;
        const QString old = fx.dir.filePath(QStringLiteral("old log.mdb"));
        writeJetLog(old);
        const QByteArray before = FileKit::bytes(old);
        const QString target = fx.dir.filePath(QStringLiteral("new.mdb"));
        fx.showAndOpen(fx.newLog());
        Dialogs::Testing::clear();
        Dialogs::Testing::answerFile(old);       // Open
        Dialogs::Testing::answerConfirm(true);   // convert it
        Dialogs::Testing::answerFile(old);       // the source itself: refused, asked again
        Dialogs::Testing::answerFile(target);
        fx.form->N7Click();
        const QStringList kinds = [&] {
            QStringList k;
            for (const auto &s : Dialogs::Testing::shown())
                k << s.kind;
            return k;
        }();
        QCOMPARE(kinds, (QStringList{"open", "confirm", "save", "error", "save", "notice"}));
        QVERIFY(Dialogs::Testing::shown().at(1).text.contains(QStringLiteral("Jet")));
        QCOMPARE(fx.session()->currentLogPath(), target);
        QCOMPARE(fx.form->windowTitle(), target);
        QCOMPARE(fx.ui.Label18->text(), QStringLiteral("2"));
        QCOMPARE(AppFixture::query(target, QStringLiteral("select id, QSO_DATE, TIME_ON, CALL, ifnull(NAME, '<null>') "
                                                          "from log order by id")),
                 QString::fromUtf8("1|2005-03-01|10:05|UA3ABC|Пётр\n7|2006-01-02|23:59|DL1XYZ|<null>"));
        QCOMPARE(AppFixture::query(target, QStringLiteral("select group_concat(mode) from modes")),
                 QStringLiteral("CW,SSB"));
        QCOMPARE(FileKit::bytes(old), before);
    }

    void cancelLeavesEverythingAsItWas_data()
    {
        QTest::addColumn<bool>("atQuestion");
        QTest::newRow("at the question") << true;
        QTest::newRow("at the save dialog") << false;
    }

    void cancelLeavesEverythingAsItWas()
    {
        QFETCH(bool, atQuestion);
        AppFixture fx;
        const QString attached = fx.newLog();
        fx.showAndOpen(attached);
        const QString old = fx.dir.filePath(QStringLiteral("old.mdb"));
        writeJetLog(old);
        const QByteArray before = FileKit::bytes(old);
        Dialogs::Testing::clear();
        Dialogs::Testing::answerFile(old);
        if (atQuestion) {
            Dialogs::Testing::answerConfirm(false);
        } else {
            Dialogs::Testing::answerConfirm(true);
            Dialogs::Testing::answerFile(QString());
        }
        fx.form->N7Click();
        QVERIFY(fx.errors().isEmpty());
        QCOMPARE(fx.session()->currentLogPath(), attached);
        QVERIFY(fx.session()->isAttached());
        QCOMPARE(FileKit::bytes(old), before);
        QCOMPARE(QDir(fx.dir.path()).entryList({QStringLiteral("*.mdb")}),
                 (QStringList{QStringLiteral("old.mdb"), QStringLiteral("test.mdb")}));
    }

    void cancelledWhileConverting()
    {
        // Cancel in the progress dialog: no new log, the old one untouched,
        // the attached log kept, and the operator told.
        AppFixture fx;
        const QString attached = fx.newLog();
        fx.showAndOpen(attached);
        const QString old = fx.dir.filePath(QStringLiteral("old.mdb"));
        writeJetLog(old);
        const QByteArray before = FileKit::bytes(old);
        const QString target = fx.dir.filePath(QStringLiteral("new.mdb"));
        Dialogs::Testing::clear();
        Dialogs::Testing::answerFile(old);
        Dialogs::Testing::answerConfirm(true);
        Dialogs::Testing::answerFile(target);
        const int delay = LongWork::dialogDelayMs();
        LongWork::setDialogDelayMs(0);
        bool pressed = false;
        QTimer press;
        connect(&press, &QTimer::timeout, this, [&] {
            const auto buttons = fx.form->findChildren<QPushButton *>(QStringLiteral("LongWorkCancel"));
            if (buttons.isEmpty())
                return;
            press.stop();
            buttons.first()->click();
            pressed = true;
        });
        press.start(0);
        fx.form->N7Click();
        LongWork::setDialogDelayMs(delay);
        QVERIFY(pressed);
        QVERIFY(fx.errors().isEmpty());
        const auto shown = Dialogs::Testing::shown();
        QCOMPARE(shown.last().kind, QStringLiteral("notice"));
        QVERIFY2(shown.last().text.contains(QStringLiteral("прервано")), qPrintable(shown.last().text));
        QVERIFY(!QFile::exists(target));
        QCOMPARE(fx.session()->currentLogPath(), attached);
        QVERIFY(fx.session()->isAttached());
        QCOMPARE(FileKit::bytes(old), before);
        QCOMPARE(QDir(fx.dir.path()).entryList({QStringLiteral("*")}, QDir::Files),
                 (QStringList{QStringLiteral("old.mdb"), QStringLiteral("test.mdb")}));
    }
};

QTEST_MAIN(TestJetOpen)
#include "test_jetopen.moc"
