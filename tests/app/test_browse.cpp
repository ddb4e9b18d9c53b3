// The two grids: worked-before lookup, fragment search, double clicks,
// QSL marks and deletion, on the real window.
#include "apptestkit.h"
#include "app/ui/dbgrid.h"

#include <QAbstractItemModelTester>
#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QtTest>

namespace {

QString calls(const QString &log, const QString &where = QString())
{
    return AppFixture::query(log, QStringLiteral("select CALL from log %1 order by id").arg(where));
}

// Calls listed by a grid's dataset, in its order.
QStringList listed(Dataset *ds)
{
    QStringList out;
    if (!ds->isActive())
        return out;
    const int col = ds->fieldIndex(QStringLiteral("CALL"));
    for (int r = 0; r < ds->recordCount(); ++r)
        out << ds->displayAt(r, col);
    return out;
}

int rowOfCall(Dataset *ds, const QString &call, const QString &date = QString())
{
    const int c = ds->fieldIndex(QStringLiteral("CALL"));
    const int d = ds->fieldIndex(QStringLiteral("QSO_DATE"));
    for (int r = 0; r < ds->recordCount(); ++r)
        if (ds->displayAt(r, c) == call && (date.isEmpty() || ds->displayAt(r, d) == date))
            return r;
    return -1;
}

QPoint rowCentre(DbGrid *grid, int row)
{
    return grid->visualRect(grid->model()->index(row, 0)).center();
}

// A double click as the mouse makes it: press, release, double click, release.
void doubleClick(DbGrid *grid, int row)
{
    const QPoint at = rowCentre(grid, row);
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseRelease(grid->viewport(), Qt::LeftButton, {}, at);
}

} // namespace

class TestBrowse : public QObject {
    Q_OBJECT

    // DL1ABC once, UA3ABC three times (ids not in date order), UA3XYZ, UA1AAA.
    QString m_log;

    QString makeLog(AppFixture &fx)
    {
        const QString path = fx.newLog();
        AppFixture::insertQso(path, QStringLiteral("2011-03-01"), QStringLiteral("10:00"), QStringLiteral("UA3ABC"), QStringLiteral("Third"), QStringLiteral("KO85AA"));
        AppFixture::insertQso(path, QStringLiteral("2009-05-01"), QStringLiteral("10:00"), QStringLiteral("DL1ABC"), QStringLiteral("Hans"), QStringLiteral("JO62QM"));
        AppFixture::insertQso(path, QStringLiteral("2009-06-01"), QStringLiteral("08:00"), QStringLiteral("UA3ABC"), QStringLiteral("First"), QStringLiteral("KO85UT"));
        AppFixture::insertQso(path, QStringLiteral("2010-01-27"), QStringLiteral("12:00"), QStringLiteral("UA3ABC"), QStringLiteral("Second"), QStringLiteral("KO85BB"));
        AppFixture::insertQso(path, QStringLiteral("2010-02-01"), QStringLiteral("12:00"), QStringLiteral("UA3XYZ"), QStringLiteral("Petr"));
        AppFixture::insertQso(path, QStringLiteral("2010-03-01"), QStringLiteral("12:00"), QStringLiteral("UA1AAA"), QStringLiteral("Oleg"));
        return path;
    }

    // Types a call and leaves the field with Enter, as the operator does.
    static void leaveCall(AppFixture &fx, const QString &call)
    {
        fx.ui.Edit4->setFocus(Qt::OtherFocusReason);
        QTRY_COMPARE(focused(), fx.ui.Edit4);
        fx.ui.Edit4->setText(call);
        pressKey(Qt::Key_Return);
        QCOMPARE(focused(), fx.ui.Edit6);
    }

    static void fragmentSearch(AppFixture &fx, const QString &fragment)
    {
        fx.ui.Edit1->setFocus(Qt::OtherFocusReason);
        QTRY_COMPARE(focused(), fx.ui.Edit1);
        fx.ui.Edit1->setText(fragment);
        pressKey(Qt::Key_Return);
    }

    static qint64 currentLogId(AppFixture &fx)
    {
        return fx.dm->ADOQueryLog->fieldByName(QStringLiteral("id")).asInteger();
    }

    static void applyFilter(AppFixture &fx, const QString &where)
    {
        fx.dm->ADOQueryLog->close();
        fx.dm->ADOQueryLog->setSql({QStringLiteral("select * from log"), where});
        fx.dm->ADOQueryLog->open();
        fx.dm->ADOQueryLog->last();
    }

private slots:
    void gridModelsAreSound()
    {
        AppFixture fx;
        fx.showAndOpen(makeLog(fx));
        QAbstractItemModelTester t1(fx.ui.DBGrid1->model(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        QAbstractItemModelTester t2(fx.ui.DBGrid2->model(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        leaveCall(fx, QStringLiteral("UA3ABC"));
        fragmentSearch(fx, QStringLiteral("UA"));
        fx.panel()->ResetEntryForm();
    }

    void lookupWithANewCall()
    {
        AppFixture fx;
        fx.showAndOpen(makeLog(fx));
        const qint64 before = currentLogId(fx);
        fx.ui.Edit5->setText(QStringLiteral("Typed"));
        fx.ui.Edit10->setText(QStringLiteral("LO02"));
        leaveCall(fx, QStringLiteral("R1NEW"));
        QVERIFY(fx.errors().isEmpty());
        QCOMPARE(fx.ui.Edit5->text(), QStringLiteral("Typed"));
        QCOMPARE(fx.ui.Edit10->text(), QStringLiteral("LO02"));
        QVERIFY(fx.dm->ADOQueryB4->isActive());
        QCOMPARE(fx.ui.DBGrid2->model()->rowCount(), 0);
        QCOMPARE(currentLogId(fx), before);
        QVERIFY(!fx.panel()->searchMode());
    }

    void quotesInTheCallAreText_data()
    {
        QTest::addColumn<QString>("call");
        QTest::newRow("quote") << "O'B";
        QTest::newRow("double quote") << "UA\"3";
    }
    void quotesInTheCallAreText()
    {
        QFETCH(QString, call);
        AppFixture fx;
        const QString path = fx.newLog();
        AppFixture::insertQso(path, QStringLiteral("2010-01-27"), QStringLiteral("12:00"), call, QStringLiteral("Odd"));
        fx.showAndOpen(path);
        leaveCall(fx, call);
        QVERIFY2(fx.errors().isEmpty(), qPrintable(fx.errors().join(QLatin1Char('\n'))));
        QCOMPARE(fx.ui.Edit5->text(), QStringLiteral("Odd"));
        QCOMPARE(listed(fx.dm->ADOQueryB4), QStringList{call});
        fragmentSearch(fx, call.left(2));
        QVERIFY(fx.errors().isEmpty());
        QCOMPARE(listed(fx.dm->ADOQueryB4), QStringList{call});
    }

    void lookupOfAStationWorkedThreeTimes()
    {
        AppFixture fx;
        fx.showAndOpen(makeLog(fx));
        const qint64 before = currentLogId(fx);
        fx.ui.Edit5->setText(QStringLiteral("Typed"));
        leaveCall(fx, QStringLiteral("UA3ABC"));
        // The earliest of the three in the log's order supplies name and locator.
        QCOMPARE(fx.ui.Edit5->text(), QStringLiteral("First"));
        QCOMPARE(fx.ui.Edit10->text(), QStringLiteral("KO85UT"));
        QStringList three = listed(fx.dm->ADOQueryB4);
        QCOMPARE(three, (QStringList{QStringLiteral("UA3ABC"), QStringLiteral("UA3ABC"), QStringLiteral("UA3ABC")}));
        QCOMPARE(fx.ui.DBGrid2->model()->rowCount(), 3);
        QCOMPARE(currentLogId(fx), before);   // the log grid does not move
        QCOMPARE(fx.ui.DBGrid2->model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("CALL"));
    }

    void lookupCopiesOnlyStoredValues_data()
    {
        QTest::addColumn<QString>("name");   // null QString: NULL in the log
        QTest::addColumn<QString>("grid");
        QTest::addColumn<QString>("nameAfter");
        QTest::addColumn<QString>("gridAfter");
        QTest::newRow("null name, a locator") << QString() << "KO85UT" << "Typed" << "KO85UT";
        QTest::newRow("empty name") << "" << "KO85UT" << "" << "KO85UT";
        QTest::newRow("name, null locator") << "Ivan" << QString() << "Ivan" << "LO02";
        QTest::newRow("both null") << QString() << QString() << "Typed" << "LO02";
    }
    void lookupCopiesOnlyStoredValues()
    {
        QFETCH(QString, name);
        QFETCH(QString, grid);
        QFETCH(QString, nameAfter);
        QFETCH(QString, gridAfter);
        AppFixture fx;
        const QString path = fx.newLog();
        AppFixture::insertQso(path, QStringLiteral("2010-01-27"), QStringLiteral("12:00"), QStringLiteral("UA3ABC"), name, grid);
        fx.showAndOpen(path);
        fx.ui.Edit5->setText(QStringLiteral("Typed"));
        fx.ui.Edit10->setText(QStringLiteral("LO02"));
        leaveCall(fx, QStringLiteral("UA3ABC"));
        QCOMPARE(fx.ui.Edit5->text(), nameAfter);
        QCOMPARE(fx.ui.Edit10->text(), gridAfter);
        QCOMPARE(fx.ui.DBGrid2->model()->rowCount(), 1);
    }

    void wildcardInTheCall()
    {
        AppFixture fx;
        fx.showAndOpen(makeLog(fx));
        fx.ui.Edit5->setText(QStringLiteral("Typed"));
        leaveCall(fx, QStringLiteral("UA3%"));
        QCOMPARE(fx.ui.Edit5->text(), QStringLiteral("Typed"));   // the whole call matches nothing
        QStringList found = listed(fx.dm->ADOQueryB4);
        found.sort();
        QCOMPARE(found, (QStringList{QStringLiteral("UA3ABC"), QStringLiteral("UA3ABC"), QStringLiteral("UA3ABC"),
                                     QStringLiteral("UA3XYZ")}));
        // An empty call clears the grid without an error.
        leaveCall(fx, QString());
        QVERIFY(fx.errors().isEmpty());
        QCOMPARE(fx.ui.DBGrid2->model()->rowCount(), 0);
    }

    void lookupInEditModeReplacesTheLoadedValues()
    {
        AppFixture fx;
        fx.showAndOpen(makeLog(fx));
        fx.dm->ADOQueryLog->first();   // DL1ABC, the oldest
        fx.form->DBGrid1DblClick();
        QVERIFY(fx.panel()->editMode());
        QCOMPARE(fx.ui.Edit5->text(), QStringLiteral("Hans"));
        leaveCall(fx, QStringLiteral("UA3XYZ"));
        QCOMPARE(fx.ui.Edit5->text(), QStringLiteral("Petr"));
        QCOMPARE(fx.ui.Edit10->text(), QStringLiteral("JO62QM"));   // no stored locator: kept
        QVERIFY(fx.panel()->editMode());
    }

    void fragmentSearchThenDoubleClickOpensTheQso()
    {
        AppFixture fx;
        fx.showAndOpen(makeLog(fx));
        fx.ui.Edit4->setText(QString());
        fragmentSearch(fx, QStringLiteral("a3x"));
        QCOMPARE(fx.ui.Edit1->text(), QStringLiteral("A3X"));   // upper case as typed
        QVERIFY(fx.panel()->searchMode());
        QCOMPARE(listed(fx.dm->ADOQueryB4), QStringList{QStringLiteral("UA3XYZ")});

        doubleClick(fx.ui.DBGrid2, 0);
        QVERIFY(fx.errors().isEmpty());
        QVERIFY(fx.panel()->editMode());
        QCOMPARE(fx.ui.Edit4->text(), QStringLiteral("UA3XYZ"));
        QCOMPARE(fx.ui.Edit5->text(), QStringLiteral("Petr"));
        QCOMPARE(fx.ui.Label16->text(), QStringLiteral("QSO editing..."));
        QCOMPARE(fx.dm->ADOQueryLog->fieldByName(QStringLiteral("CALL")).asString(), QStringLiteral("UA3XYZ"));
        QCOMPARE(fx.ui.DBGrid1->currentIndex().row(), fx.dm->ADOQueryLog->recNo());
        QCOMPARE(focused(), fx.ui.DBGrid1);
    }

    void emptyFragmentListsEveryQsoWithACall()
    {
        AppFixture fx;
        const QString path = makeLog(fx);
        AppFixture::insertQso(path, QStringLiteral("2010-04-01"), QStringLiteral("12:00"), QString());
        fx.showAndOpen(path);
        fragmentSearch(fx, QString());
        QCOMPARE(fx.dm->ADOQueryB4->recordCount(), 6);
        QCOMPARE(fx.ui.Label18->text(), QStringLiteral("7"));
    }

    void lookupThenDoubleClickOnlyMovesTheLogGrid()
    {
        AppFixture fx;
        fx.showAndOpen(makeLog(fx));
        leaveCall(fx, QStringLiteral("UA3ABC"));
        fx.ui.Edit5->setText(QStringLiteral("Changed"));
        const int row = rowOfCall(fx.dm->ADOQueryB4, QStringLiteral("UA3ABC"), QStringLiteral("27.01.2010"));
        QVERIFY(row >= 0);
        const qint64 id = fx.dm->ADOQueryB4->idAt(row);
        doubleClick(fx.ui.DBGrid2, row);
        QVERIFY(fx.errors().isEmpty());
        QCOMPARE(currentLogId(fx), id);
        QCOMPARE(fx.ui.DBGrid1->currentIndex().row(), fx.dm->ADOQueryLog->recNo());
        QVERIFY(!fx.panel()->editMode());
        QCOMPARE(fx.ui.Edit5->text(), QStringLiteral("Changed"));
        QCOMPARE(focused(), fx.ui.DBGrid1);
    }

    void searchModeOutlivesALookupUntilReset()
    {
        AppFixture fx;
        fx.showAndOpen(makeLog(fx));
        fragmentSearch(fx, QStringLiteral("XYZ"));
        leaveCall(fx, QStringLiteral("DL1ABC"));
        QCOMPARE(listed(fx.dm->ADOQueryB4), QStringList{QStringLiteral("DL1ABC")});
        QVERIFY(fx.panel()->searchMode());
        doubleClick(fx.ui.DBGrid2, 0);
        QVERIFY(fx.panel()->editMode());
        QCOMPARE(fx.ui.Edit4->text(), QStringLiteral("DL1ABC"));

        pressKey(Qt::Key_Escape);
        QVERIFY(!fx.panel()->searchMode());
        QVERIFY(!fx.dm->ADOQueryB4->isActive());
        QCOMPARE(fx.ui.DBGrid2->model()->rowCount(), 0);
    }

    void filterHidesEarlierQsos()
    {
        AppFixture fx;
        fx.showAndOpen(makeLog(fx));
        applyFilter(fx, QStringLiteral("where CALL <> 'UA3ABC'"));
        const qint64 before = currentLogId(fx);
        fragmentSearch(fx, QStringLiteral("UA3AB"));
        fx.ui.Edit5->setText(QStringLiteral("Typed"));
        leaveCall(fx, QStringLiteral("UA3ABC"));
        QCOMPARE(fx.ui.Edit5->text(), QStringLiteral("Typed"));
        QCOMPARE(fx.dm->ADOQueryB4->recordCount(), 3);
        doubleClick(fx.ui.DBGrid2, 0);
        QVERIFY(fx.errors().isEmpty());
        QVERIFY(!fx.panel()->editMode());
        QCOMPARE(currentLogId(fx), before);
        QCOMPARE(fx.ui.Edit4->text(), QStringLiteral("UA3ABC"));
    }

    void rightPressSelectsTheRowBeforeThePopup_data()
    {
        QTest::addColumn<int>("button");
        QTest::newRow("right") << int(Qt::RightButton);
        QTest::newRow("middle") << int(Qt::MiddleButton);
        QTest::newRow("left") << int(Qt::LeftButton);
    }
    void rightPressSelectsTheRowBeforeThePopup()
    {
        QFETCH(int, button);
        AppFixture fx;
        const QString path = makeLog(fx);
        fx.showAndOpen(path);
        fx.ui.Edit4->setText(QStringLiteral("R1XYZ"));
        QCOMPARE(fx.dm->ADOQueryLog->recNo(), 5);
        QTest::mousePress(fx.ui.DBGrid1->viewport(), Qt::MouseButton(button), {}, rowCentre(fx.ui.DBGrid1, 1));
        QTest::mouseRelease(fx.ui.DBGrid1->viewport(), Qt::MouseButton(button), {}, rowCentre(fx.ui.DBGrid1, 1));
        QCOMPARE(fx.dm->ADOQueryLog->recNo(), 1);
        QCOMPARE(focused(), fx.ui.DBGrid1);
        const QString call = fx.dm->ADOQueryLog->fieldByName(QStringLiteral("CALL")).asString();
        const QString date = fx.dm->ADOQueryLog->fieldByName(QStringLiteral("QSO_DATE")).asString();
        QCOMPARE(call + QLatin1Char(' ') + date, QStringLiteral("UA3ABC 01.06.2009"));

        fx.ui.QSLsentP1->trigger();
        QVERIFY(fx.errors().isEmpty());
        QCOMPARE(AppFixture::query(path, QStringLiteral("select CALL, QSO_DATE from log where QSL_SENT = 'P'")),
                 QStringLiteral("UA3ABC|2009-06-01"));
        QCOMPARE(fx.dm->ADOQueryLog->fieldByName(QStringLiteral("QSL_SENT")).asString(), QStringLiteral("P"));
        QCOMPARE(fx.ui.Edit4->text(), QStringLiteral("R1XYZ"));   // the panel is not touched
    }

    void markOnAnEmptyLogDoesNothing()
    {
        AppFixture fx;
        fx.showAndOpen(fx.newLog());
        fx.form->QSLsentP1Click();
        QVERIFY(fx.errors().isEmpty());
    }

    void replaceAllPWithYAlsoBehindAFilter()
    {
        AppFixture fx;
        const QString path = makeLog(fx);
        AppFixture::exec(path, QStringLiteral("update log set QSL_SENT = 'P' where CALL in ('DL1ABC', 'UA1AAA');"
                                              "update log set QSL_SENT = 'Y' where CALL = 'UA3XYZ'"));
        fx.showAndOpen(path);
        applyFilter(fx, QStringLiteral("where CALL like 'UA%'"));
        fx.dm->ADOQueryLog->first();
        fx.ui.Edit4->setText(QStringLiteral("R1XYZ"));
        fx.ui.Label18->setText(QStringLiteral("count"));

        fx.ui.p1->trigger();
        QVERIFY2(fx.errors().isEmpty(), qPrintable(fx.errors().join(QLatin1Char('\n'))));
        // DL1ABC, hidden by the filter, is changed too; N and Y stay.
        QCOMPARE(AppFixture::query(path, QStringLiteral("select CALL, QSL_SENT from log order by id")),
                 QStringLiteral("UA3ABC|N\nDL1ABC|Y\nUA3ABC|N\nUA3ABC|N\nUA3XYZ|Y\nUA1AAA|Y"));
        // The filter stays in force, on its last row; panel and count untouched.
        QCOMPARE(fx.dm->ADOQueryLog->recordCount(), 5);
        QCOMPARE(fx.dm->ADOQueryLog->recNo(), 4);
        QCOMPARE(fx.ui.DBGrid1->currentIndex().row(), 4);
        QCOMPARE(fx.dm->ADOQueryLog->sql().last(), QStringLiteral("where CALL like 'UA%'"));
        QCOMPARE(fx.ui.Edit4->text(), QStringLiteral("R1XYZ"));
        QCOMPARE(fx.ui.Label18->text(), QStringLiteral("count"));
        const int qslCol = fx.dm->ADOQueryLog->fieldIndex(QStringLiteral("QSL_SENT"));
        QCOMPARE(fx.dm->ADOQueryLog->displayAt(fx.dm->ADOQueryLog->recordCount() - 1, qslCol), QStringLiteral("Y"));
    }

    void deleteAsksFirst()
    {
        AppFixture fx;
        const QString path = makeLog(fx);
        fx.showAndOpen(path);
        QTest::mousePress(fx.ui.DBGrid1->viewport(), Qt::RightButton, {}, rowCentre(fx.ui.DBGrid1, 0));
        fx.ui.Edit4->setText(QStringLiteral("R1XYZ"));

        Dialogs::Testing::clear();
        Dialogs::Testing::answerConfirm(false);
        fx.ui.N12->trigger();
        QCOMPARE(Dialogs::Testing::shown().size(), 1);
        QCOMPARE(Dialogs::Testing::shown().first().kind, QStringLiteral("confirm"));
        QCOMPARE(Dialogs::Testing::shown().first().title, QStringLiteral("Внимание!!!"));
        QCOMPARE(Dialogs::Testing::shown().first().text, QStringLiteral("Будет удалена текущая запись,продолжить?"));
        QCOMPARE(AppFixture::query(path, QStringLiteral("select count(*) from log")), QStringLiteral("6"));
        QCOMPARE(fx.ui.Label18->text(), QStringLiteral("6"));
        QCOMPARE(fx.ui.Edit4->text(), QStringLiteral("R1XYZ"));

        Dialogs::Testing::answerConfirm(true);
        fx.ui.N12->trigger();
        QVERIFY(fx.errors().isEmpty());
        // The oldest QSO, DL1ABC, is gone; the panel is cleared and the count lowered.
        QCOMPARE(calls(path), QStringLiteral("UA3ABC\nUA3ABC\nUA3ABC\nUA3XYZ\nUA1AAA"));
        QCOMPARE(fx.ui.Label18->text(), QStringLiteral("5"));
        QCOMPARE(fx.ui.DBGrid1->model()->rowCount(), 5);
        QCOMPARE(fx.ui.Edit4->text(), QString());
    }

    void deleteOnAnEmptyLog()
    {
        AppFixture fx;
        fx.showAndOpen(fx.newLog());
        Dialogs::Testing::clear();
        Dialogs::Testing::answerConfirm(true);
        fx.form->N12Click();
        QCOMPARE(fx.errors(), QStringList{QStringLiteral("ADOQueryLog: Cannot perform this operation on an empty dataset.")});
    }

    void ctrlDeleteInTheWorkedBeforeGrid()
    {
        AppFixture fx;
        const QString path = makeLog(fx);
        fx.showAndOpen(path);
        leaveCall(fx, QStringLiteral("UA3ABC"));
        const int row = rowOfCall(fx.dm->ADOQueryB4, QStringLiteral("UA3ABC"), QStringLiteral("27.01.2010"));
        QTest::mouseClick(fx.ui.DBGrid2->viewport(), Qt::LeftButton, {}, rowCentre(fx.ui.DBGrid2, row));
        QCOMPARE(focused(), fx.ui.DBGrid2);
        QCOMPARE(fx.dm->ADOQueryB4->recNo(), row);
        Dialogs::Testing::clear();

        Dialogs::Testing::answerConfirm(false);
        pressKey(Qt::Key_Delete, Qt::ControlModifier);
        QCOMPARE(Dialogs::Testing::shown().size(), 1);
        QCOMPARE(Dialogs::Testing::shown().first().text, QStringLiteral("Delete record?"));
        QCOMPARE(AppFixture::query(path, QStringLiteral("select count(*) from log")), QStringLiteral("6"));

        Dialogs::Testing::answerConfirm(true);
        pressKey(Qt::Key_Delete, Qt::ControlModifier);
        QVERIFY(fx.errors().isEmpty());
        QCOMPARE(AppFixture::query(path, QStringLiteral("select QSO_DATE from log where CALL = 'UA3ABC' order by QSO_DATE")),
                 QStringLiteral("2009-06-01\n2011-03-01"));
        QCOMPARE(fx.ui.DBGrid2->model()->rowCount(), 2);
        // Nothing else is refreshed until the log view is reopened.
        QCOMPARE(fx.ui.Label18->text(), QStringLiteral("6"));
        QCOMPARE(fx.dm->ADOQueryLog->recordCount(), 6);
        fx.form->p1Click();
        QCOMPARE(fx.dm->ADOQueryLog->recordCount(), 5);
    }

    void ctrlDeleteInTheLogGridDoesNothing()
    {
        AppFixture fx;
        const QString path = makeLog(fx);
        fx.showAndOpen(path);
        QTest::mouseClick(fx.ui.DBGrid1->viewport(), Qt::LeftButton, {}, rowCentre(fx.ui.DBGrid1, 2));
        QCOMPARE(focused(), fx.ui.DBGrid1);
        Dialogs::Testing::clear();
        Dialogs::Testing::answerConfirm(true);
        pressKey(Qt::Key_Delete, Qt::ControlModifier);
        QVERIFY(Dialogs::Testing::shown().isEmpty());
        QCOMPARE(AppFixture::query(path, QStringLiteral("select count(*) from log")), QStringLiteral("6"));
    }
};

QTEST_MAIN(TestBrowse)
#include "test_browse.moc"
