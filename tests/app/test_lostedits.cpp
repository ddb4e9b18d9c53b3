// A QSO that has gone from the file since the log view read it: saving an
// edit, marking its card or deleting it reports that, and the entry panel
// keeps what was typed.
#include "apptestkit.h"

#include <QtTest>

class TestLostEdits : public QObject {
    Q_OBJECT

    static QPoint rowCentre(DbGrid *grid, int row)
    {
        return grid->visualRect(grid->model()->index(row, 0)).center();
    }

    // The log with two QSOs, the older one (UA3ABC) current in the log grid.
    static QString openLog(AppFixture &fx)
    {
        const QString path = fx.newLog();
        AppFixture::insertQso(path, QStringLiteral("2010-01-27"), QStringLiteral("12:00"), QStringLiteral("UA3ABC"),
                              QStringLiteral("Ivan"));
        AppFixture::insertQso(path, QStringLiteral("2011-03-01"), QStringLiteral("10:00"), QStringLiteral("DL1ABC"),
                              QStringLiteral("Hans"));
        fx.showAndOpen(path);
        fx.dm->ADOQueryLog->first();
        return path;
    }

    // Deleted in the worked-before grid with Ctrl+Delete, as the operator can.
    static void deleteInWorkedBeforeGrid(AppFixture &fx, const QString &call)
    {
        fx.ui.Edit1->setFocus(Qt::OtherFocusReason);
        fx.ui.Edit1->setText(call);
        pressKey(Qt::Key_Return);
        QTest::mouseClick(fx.ui.DBGrid2->viewport(), Qt::LeftButton, {}, rowCentre(fx.ui.DBGrid2, 0));
        Dialogs::Testing::answerConfirm(true);
        pressKey(Qt::Key_Delete, Qt::ControlModifier);
    }

private slots:
    void savingAnEditedQsoThatIsGone_data()
    {
        QTest::addColumn<bool>("byOtherProgram");
        QTest::newRow("deleted by another program") << true;
        QTest::newRow("deleted in the worked-before grid") << false;
    }

    void savingAnEditedQsoThatIsGone()
    {
        QFETCH(bool, byOtherProgram);
        AppFixture fx;
        const QString path = openLog(fx);
        fx.form->DBGrid1DblClick();
        QVERIFY(fx.panel()->editMode());
        if (byOtherProgram)
            AppFixture::exec(path, QStringLiteral("delete from log where CALL = 'UA3ABC'"));
        else
            deleteInWorkedBeforeGrid(fx, QStringLiteral("UA3ABC"));
        fx.ui.Edit5->setText(QStringLiteral("Vanya"));
        QCOMPARE(AppFixture::query(path, QStringLiteral("select count(*) from log")), QStringLiteral("1"));
        Dialogs::Testing::clear();

        fx.panel()->Button2Click();
        QCOMPARE(fx.errors().size(), 1);
        QVERIFY2(fx.errors().first().contains(QStringLiteral("Row cannot be located for updating")),
                 qPrintable(fx.errors().first()));
        // Nothing written, nothing cleared.
        QCOMPARE(AppFixture::query(path, QStringLiteral("select CALL, NAME from log")), QStringLiteral("DL1ABC|Hans"));
        QVERIFY(fx.panel()->editMode());
        QCOMPARE(fx.ui.Edit4->text(), QStringLiteral("UA3ABC"));
        QCOMPARE(fx.ui.Edit5->text(), QStringLiteral("Vanya"));
        QCOMPARE(fx.dm->ADOQueryLog->state(), Dataset::State::Browse);
    }

    void markingOrDeletingAQsoThatIsGone_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("message");
        QTest::newRow("QSL mark") << "QSLsentP1" << "Row cannot be located for updating";
        QTest::newRow("delete") << "N12" << "Row cannot be located for deleting";
    }

    void markingOrDeletingAQsoThatIsGone()
    {
        QFETCH(QString, command);
        QFETCH(QString, message);
        AppFixture fx;
        const QString path = openLog(fx);
        fx.ui.Edit4->setText(QStringLiteral("R1NEW"));   // a QSO being typed
        AppFixture::exec(path, QStringLiteral("delete from log where CALL = 'UA3ABC'"));
        Dialogs::Testing::clear();
        Dialogs::Testing::answerConfirm(true);
        if (command == QLatin1String("QSLsentP1"))
            fx.ui.QSLsentP1->trigger();
        else
            fx.ui.N12->trigger();
        QCOMPARE(fx.errors().size(), 1);
        QVERIFY2(fx.errors().first().contains(message), qPrintable(fx.errors().first()));
        QCOMPARE(fx.ui.Edit4->text(), QStringLiteral("R1NEW"));
        QCOMPARE(fx.dm->ADOQueryLog->state(), Dataset::State::Browse);
        QCOMPARE(AppFixture::query(path, QStringLiteral("select CALL, QSL_SENT from log")), QStringLiteral("DL1ABC|N"));
    }

    void doubleClickBelowTheRowsOfTheLogGrid()
    {
        // Below the last row counts as a double click on the grid: the current
        // QSO is opened for editing.
        AppFixture fx;
        openLog(fx);
        fx.dm->ADOQueryLog->last();
        const QPoint below(20, fx.ui.DBGrid1->viewport()->height() - 5);
        QVERIFY(!fx.ui.DBGrid1->indexAt(below).isValid());
        QTest::mouseDClick(fx.ui.DBGrid1->viewport(), Qt::LeftButton, {}, below);
        QVERIFY(fx.panel()->editMode());
        QCOMPARE(fx.ui.Edit4->text(), QStringLiteral("DL1ABC"));
    }
};

QTEST_MAIN(TestLostEdits)
#include "test_lostedits.moc"
