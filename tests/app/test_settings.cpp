// Station settings and the mode list, driven through the real windows.
#include "apptestkit.h"
#include "app/ui/dbgrid.h"
#include "app/tformmodes.h"
#include "app/tformopc.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

class TestSettings : public QObject {
    Q_OBJECT

    // A log with stored station data, attached; the settings window shown.
    TFormOpc *openSettings(AppFixture &fx, QString *logPath = nullptr, const QString &extraSql = QString())
    {
        const QString path = fx.newLog();
        AppFixture::exec(path, QStringLiteral("update opc set mycall = 'R1ABC', myloc = 'KO85UT', timeshift = 0"));
        if (!extraSql.isEmpty())
            AppFixture::exec(path, extraSql);
        fx.showAndOpen(path);
        Dialogs::Testing::clear();
        auto *opc = fx.window<TFormOpc>("FormOpc");
        showActive(opc);
        if (logPath)
            *logPath = path;
        return opc;
    }

    // Shown as the program shows it and made the active window, so that
    // focus moves inside it are real.
    static bool showActive(QWidget *w)
    {
        w->show();
        w->activateWindow();
        return QTest::qWaitFor([w] { return QApplication::activeWindow() == w; }, 5000);
    }

    static void typeInto(QLineEdit *e, const QString &text)
    {
        e->setFocus(Qt::OtherFocusReason);
        e->selectAll();
        QTest::keyClick(e, Qt::Key_Delete);
        QTest::keyClicks(e, text);
    }

    static QString stored(const QString &path, const char *column)
    {
        return AppFixture::query(path, QStringLiteral("select %1 from opc").arg(QLatin1String(column)));
    }

private slots:
    void init() { AppFixture::setPcClock({}); }

    void fieldsShowTheRow()
    {
        AppFixture fx;
        TFormOpc *opc = openSettings(fx);
        QCOMPARE(opc->windowTitle(), QStringLiteral("Настройки"));
        QCOMPARE(opc->size(), QSize(206, 236));
        QCOMPARE(opc->DBEdit1->text(), QStringLiteral("R1ABC"));
        QCOMPARE(opc->DBEdit4->text(), QStringLiteral("KO85UT"));
        QCOMPARE(opc->DBEdit7->text(), QStringLiteral("0"));
        // Widths of the columns.
        QCOMPARE(opc->DBEdit1->maxLength(), 15);
        QCOMPARE(opc->DBEdit4->maxLength(), 6);
        QCOMPARE(opc->DBEdit5->maxLength(), 90);
        QCOMPARE(opc->Button1->text(), QStringLiteral("OK"));
        QCOMPARE(opc->Button2->text(), QStringLiteral("Отмена"));
    }

    void lowerCaseCallAndLocatorSavedInUpperCase()
    {
        AppFixture fx;
        QString path;
        TFormOpc *opc = openSettings(fx, &path);
        typeInto(opc->DBEdit1, QStringLiteral("ua3abc"));
        QCOMPARE(opc->DBEdit1->text(), QStringLiteral("UA3ABC"));
        QCOMPARE(fx.dm->ADOQueryOpc->state(), Dataset::State::Edit);
        typeInto(opc->DBEdit4, QStringLiteral("lo02ab"));
        QCOMPARE(opc->DBEdit4->text(), QStringLiteral("LO02AB"));
        // Leaving the call field made its text the pending value.
        QCOMPARE(fx.dm->ADOQueryOpc->fieldByName(QStringLiteral("mycall")).asString(), QStringLiteral("UA3ABC"));
        typeInto(opc->DBEdit2, QStringLiteral("Ivan Petrovich Sidorov-Dlinnyj"));
        QCOMPARE(opc->DBEdit2->text().size(), 25);
        QTest::mouseClick(opc->Button1, Qt::LeftButton);
        QVERIFY(!opc->isVisible());
        QVERIFY2(fx.errors().isEmpty(), qPrintable(fx.errors().join(QLatin1Char('\n'))));
        QCOMPARE(stored(path, "mycall || '|' || myloc || '|' || myname"),
                 QStringLiteral("UA3ABC|LO02AB|Ivan Petrovich Sidorov-Dl"));
        QCOMPARE(fx.dm->ADOQueryOpc->state(), Dataset::State::Browse);
        // The next distance is measured from the saved locator, no restart.
        fx.ui.Edit10->setText(QStringLiteral("LO02AB"));
        fx.panel()->ShowDistance();
        QVERIFY2(fx.ui.Label20->text().startsWith(QStringLiteral("0km")), qPrintable(fx.ui.Label20->text()));
    }

    void okWithoutChangeWritesNothing_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::newRow("nothing typed") << QString();
        QTest::newRow("typed and put back") << QStringLiteral("KO85UT");
    }
    void okWithoutChangeWritesNothing()
    {
        QFETCH(QString, typed);
        AppFixture fx;
        QString path;
        // Any write to opc would leave a trace.
        TFormOpc *opc = openSettings(fx, &path, QStringLiteral(
            "create table trace (n integer); "
            "create trigger opc_written after update on opc begin insert into trace values (1); end"));
        if (!typed.isNull())
            typeInto(opc->DBEdit4, typed);
        opc->DBEdit1->setFocus(Qt::OtherFocusReason);
        QTest::mouseClick(opc->Button1, Qt::LeftButton);
        QVERIFY(!opc->isVisible());
        QVERIFY(fx.errors().isEmpty());
        QCOMPARE(AppFixture::query(path, QStringLiteral("select count(*) from trace")), QStringLiteral("0"));
        QCOMPARE(fx.dm->ADOQueryOpc->state(), Dataset::State::Browse);
    }

    void cancelRestoresStoredLocator()
    {
        AppFixture fx;
        QString path;
        TFormOpc *opc = openSettings(fx, &path);
        // Distance and bearing from the stored locator to Berlin.
        fx.ui.Edit10->setText(QStringLiteral("JO62QM"));
        fx.panel()->ShowDistance();
        const QString fromStored = fx.ui.Label20->text();
        QVERIFY(!fromStored.isEmpty());
        typeInto(opc->DBEdit4, QStringLiteral("FN31PR"));
        opc->DBEdit5->setFocus(Qt::OtherFocusReason);
        // The pending value is what the distance reads now.
        QCOMPARE(fx.dm->ADOQueryOpc->fieldByName(QStringLiteral("myloc")).asString(), QStringLiteral("FN31PR"));
        fx.panel()->ShowDistance();
        QVERIFY(fx.ui.Label20->text() != fromStored);
        QTest::mouseClick(opc->Button2, Qt::LeftButton);
        QVERIFY(!opc->isVisible());
        QCOMPARE(opc->DBEdit4->text(), QStringLiteral("KO85UT"));
        QCOMPARE(fx.dm->ADOQueryOpc->state(), Dataset::State::Browse);
        QCOMPARE(fx.dm->ADOQueryOpc->fieldByName(QStringLiteral("myloc")).asString(), QStringLiteral("KO85UT"));
        QCOMPARE(stored(path, "myloc"), QStringLiteral("KO85UT"));
        fx.panel()->ShowDistance();
        QCOMPARE(fx.ui.Label20->text(), fromStored);
        // Also a text typed but not yet left is dropped.
        QVERIFY(showActive(opc));
        typeInto(opc->DBEdit3, QStringLiteral("Moscow"));
        opc->Button2Click();
        QCOMPARE(opc->DBEdit3->text(), QString());
        QCOMPARE(stored(path, "myqth"), QString());
    }

    void titleBarCloseKeepsEditsPending()
    {
        AppFixture fx;
        QString path;
        TFormOpc *opc = openSettings(fx, &path);
        typeInto(opc->DBEdit2, QStringLiteral("Ivan"));
        opc->DBEdit3->setFocus(Qt::OtherFocusReason);
        typeInto(opc->DBEdit3, QStringLiteral("Tula"));   // typed, field not left
        opc->close();
        QVERIFY(!opc->isVisible());
        QCOMPARE(fx.dm->ADOQueryOpc->state(), Dataset::State::Edit);
        QCOMPARE(stored(path, "myname"), QString());
        QVERIFY(showActive(opc));
        QCOMPARE(opc->DBEdit2->text(), QStringLiteral("Ivan"));
        QCOMPARE(opc->DBEdit3->text(), QStringLiteral("Tula"));
        opc->Button1Click();
        QVERIFY(!opc->isVisible());
        QCOMPARE(stored(path, "myname || '|' || myqth"), QStringLiteral("Ivan|Tula"));
    }

    void escapeRestoresTheField()
    {
        AppFixture fx;
        TFormOpc *opc = openSettings(fx);
        typeInto(opc->DBEdit1, QStringLiteral("UA3ABC"));
        QTest::keyClick(opc->DBEdit1, Qt::Key_Escape);
        QCOMPARE(opc->DBEdit1->text(), QStringLiteral("R1ABC"));
        QCOMPARE(opc->DBEdit1->selectedText(), QStringLiteral("R1ABC"));
        QVERIFY(opc->isVisible());   // Esc does not close the window
        QTest::keyClick(opc->DBEdit1, Qt::Key_Return);
        QVERIFY(opc->isVisible());   // nor does Enter
    }

    void savedOffsetUsedByNextReset_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("date");
        QTest::addColumn<QString>("time");
        QTest::newRow("+3") << "+3" << "3" << "10.12.2026" << "23:30";
        QTest::newRow("-4") << "-4" << "-4" << "10.12.2026" << "16:30";
        QTest::newRow("date rolls over") << "5" << "5" << "11.12.2026" << "01:30";
        QTest::newRow("empty: no offset") << "" << "<null>" << "10.12.2026" << "20:30";
    }
    void savedOffsetUsedByNextReset()
    {
        QFETCH(QString, typed);
        QFETCH(QString, stored);
        QFETCH(QString, date);
        QFETCH(QString, time);
        AppFixture fx;
        AppFixture::setPcClock(QDateTime(QDate(2026, 12, 10), QTime(20, 30)));
        QString path;
        TFormOpc *opc = openSettings(fx, &path);
        typeInto(opc->DBEdit7, typed);
        QTest::mouseClick(opc->Button1, Qt::LeftButton);
        QVERIFY2(fx.errors().isEmpty(), qPrintable(fx.errors().join(QLatin1Char('\n'))));
        QCOMPARE(TestSettings::stored(path, "timeshift"), stored);
        fx.panel()->Button1Click();   // Отмена(Esc): the panel is reset
        QCOMPARE(fx.ui.MaskEdit1->text(), date);
        QCOMPARE(fx.ui.MaskEdit2->text(), time);
    }

    void badOffsetRefused_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown");
        QTest::newRow("lone sign") << "-" << "-";
        QTest::newRow("sign after digit") << "3-" << "3-";
        QTest::newRow("two signs") << "+-2" << "+-2";
        QTest::newRow("letters are not typed") << "1a.5-" << "15-";
        QTest::newRow("beyond the column") << "99999999999" << "99999999999";
    }
    void badOffsetRefused()
    {
        QFETCH(QString, typed);
        QFETCH(QString, shown);
        AppFixture fx;
        QString path;
        TFormOpc *opc = openSettings(fx, &path);
        typeInto(opc->DBEdit7, typed);
        QCOMPARE(opc->DBEdit7->text(), shown);
        const QString message = QStringLiteral("'%1' is not a valid integer value.").arg(shown);
        // Leaving the field: refused, focus back.
        opc->DBEdit1->setFocus(Qt::OtherFocusReason);
        QCOMPARE(fx.errors(), QStringList{message});
        QCOMPARE(QApplication::focusWidget(), opc->DBEdit7);
        // Clicking OK leaves the field the same way: one message, window open.
        Dialogs::Testing::clear();
        QTest::mouseClick(opc->Button1, Qt::LeftButton);
        QCOMPARE(fx.errors(), QStringList{message});
        QVERIFY(opc->isVisible());
        QCOMPARE(QApplication::focusWidget(), opc->DBEdit7);
        // Pressing it from the keyboard's reach (no focus move) says it again.
        Dialogs::Testing::clear();
        opc->Button1Click();
        QCOMPARE(fx.errors(), QStringList{message});
        QVERIFY(opc->isVisible());
        QCOMPARE(stored(path, "timeshift"), QStringLiteral("0"));
        // Esc puts the stored value back; then OK closes.
        Dialogs::Testing::clear();
        QTest::keyClick(opc->DBEdit7, Qt::Key_Escape);
        QCOMPARE(opc->DBEdit7->text(), QStringLiteral("0"));
        QTest::mouseClick(opc->Button1, Qt::LeftButton);
        QVERIFY(fx.errors().isEmpty());
        QVERIFY(!opc->isVisible());
    }

    void cancelIsNotStoppedByBadOffset()
    {
        AppFixture fx;
        QString path;
        TFormOpc *opc = openSettings(fx, &path);
        typeInto(opc->DBEdit7, QStringLiteral("-"));
        QTest::mouseClick(opc->Button2, Qt::LeftButton);
        QVERIFY(fx.errors().isEmpty());
        QVERIFY(!opc->isVisible());
        QCOMPARE(opc->DBEdit7->text(), QStringLiteral("0"));
    }

    void engineErrorKeepsWindowOpen()
    {
        AppFixture fx;
        QString path;
        TFormOpc *opc = openSettings(fx, &path, QStringLiteral(
            "create trigger opc_locked before update on opc begin select raise(abort, 'settings are locked'); end"));
        typeInto(opc->DBEdit2, QStringLiteral("Ivan"));
        QTest::mouseClick(opc->Button1, Qt::LeftButton);
        QCOMPARE(fx.errors(), QStringList{QStringLiteral("settings are locked.")});
        QVERIFY(opc->isVisible());
        QCOMPARE(fx.dm->ADOQueryOpc->state(), Dataset::State::Edit);
        QCOMPARE(opc->DBEdit2->text(), QStringLiteral("Ivan"));
        opc->Button2Click();
        QVERIFY(!opc->isVisible());
        QCOMPARE(opc->DBEdit2->text(), QString());
    }

    void attachingAnotherLogDropsEdits()
    {
        AppFixture fx;
        QString path;
        TFormOpc *opc = openSettings(fx, &path);
        typeInto(opc->DBEdit1, QStringLiteral("UA3ABC"));
        opc->close();
        const QString other = fx.newLog(QStringLiteral("other.mdb"));
        AppFixture::exec(other, QStringLiteral("update opc set mycall = 'DL1XYZ'"));
        Dialogs::Testing::answerFile(other);
        fx.form->N7Click();
        QVERIFY(fx.errors().isEmpty());
        QVERIFY(showActive(opc));
        QCOMPARE(opc->DBEdit1->text(), QStringLiteral("DL1XYZ"));
        QVERIFY(!opc->isRowModified());
        QCOMPARE(stored(path, "mycall"), QStringLiteral("R1ABC"));
    }

    void logWithoutSettingsRowGetsOne()
    {
        AppFixture fx;
        QString path;
        TFormOpc *opc = openSettings(fx, &path, QStringLiteral("delete from opc"));
        QCOMPARE(opc->DBEdit1->text(), QString());
        typeInto(opc->DBEdit1, QStringLiteral("r1abc"));
        opc->Button1Click();
        QVERIFY2(fx.errors().isEmpty(), qPrintable(fx.errors().join(QLatin1Char('\n'))));
        QCOMPARE(stored(path, "mycall"), QStringLiteral("R1ABC"));
    }

    // ------------------------------------------------------------ mode list

    void modeAddedVisibleAfterNextAttach()
    {
        AppFixture fx;
        const QString path = fx.newLog();
        fx.showAndOpen(path);
        Dialogs::Testing::clear();
        auto *modes = fx.window<TFormModes>("FormModes");
        QCOMPARE(modes->windowTitle(), QStringLiteral("Виды излучения"));
        QCOMPARE(modes->size(), QSize(208, 328));
        QCOMPARE(modes->DBGrid1->size(), QSize(137, 257));
        QVERIFY(showActive(modes));
        DbGrid *grid = modes->DBGrid1;
        const int before = grid->model()->rowCount();
        QCOMPARE(before, 10);
        grid->setFocus(Qt::OtherFocusReason);
        fx.dm->ADOQueryModes->last();
        QCOMPARE(grid->currentIndex().row(), before - 1);
        QTest::keyClick(grid, Qt::Key_Down);            // past the last row: a new one
        QCOMPARE(grid->model()->rowCount(), before + 1);
        QTest::keyClick(grid, 'J');                     // typing opens the cell
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("T65"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QApplication::processEvents();                  // the cell closes after the key
        QCOMPARE(fx.dm->ADOQueryModes->fieldByName(QStringLiteral("mode")).asString(), QStringLiteral("JT65"));
        QCOMPARE(AppFixture::query(path, QStringLiteral("select count(*) from modes where mode = 'JT65'")), QStringLiteral("0"));
        QTest::keyClick(grid, Qt::Key_Up);              // leaving the row writes it
        QCOMPARE(AppFixture::query(path, QStringLiteral("select count(*) from modes where mode = 'JT65'")), QStringLiteral("1"));

        QTest::mouseClick(modes->Button1, Qt::LeftButton);
        QVERIFY(!modes->isVisible());
        QCOMPARE(Dialogs::Testing::shown().size(), 1);
        QCOMPARE(Dialogs::Testing::shown().first().kind, QStringLiteral("notice"));
        QCOMPARE(Dialogs::Testing::shown().first().text, QStringLiteral("Требуется перезапуск программы!"));
        QCOMPARE(fx.ui.ComboBox1->findText(QStringLiteral("JT65")), -1);

        Dialogs::Testing::answerFile(path);
        fx.form->N7Click();
        QVERIFY(fx.ui.ComboBox1->findText(QStringLiteral("JT65")) >= 0);
    }

    void modeEditedInPlaceAndWrittenOnClose()
    {
        AppFixture fx;
        const QString path = fx.newLog();
        fx.showAndOpen(path);
        auto *modes = fx.window<TFormModes>("FormModes");
        QVERIFY(showActive(modes));
        DbGrid *grid = modes->DBGrid1;
        grid->setFocus(Qt::OtherFocusReason);
        fx.dm->ADOQueryModes->first();
        QCOMPARE(grid->model()->data(grid->currentIndex()).toString(), QStringLiteral("SSB"));
        QTest::keyClick(grid, Qt::Key_F2);
        QWidget *editor = QApplication::focusWidget();
        QVERIFY(editor && editor != grid);
        QTest::keyClick(editor, Qt::Key_End);
        QTest::keyClicks(editor, QStringLiteral("-Q"));
        // Still in the cell: the title bar's close writes it.
        modes->close();
        QVERIFY(!modes->isVisible());
        QCOMPARE(AppFixture::query(path, QStringLiteral("select mode from modes where mode like 'SSB%'")), QStringLiteral("SSB-Q"));
        // No restart notice without "OK".
        QVERIFY(Dialogs::Testing::shown().size() == 1);
    }

    void blankNewRowIsNotWritten()
    {
        AppFixture fx;
        const QString path = fx.newLog();
        fx.showAndOpen(path);
        auto *modes = fx.window<TFormModes>("FormModes");
        QVERIFY(showActive(modes));
        DbGrid *grid = modes->DBGrid1;
        grid->setFocus(Qt::OtherFocusReason);
        fx.dm->ADOQueryModes->last();
        QTest::keyClick(grid, Qt::Key_Down);
        QCOMPARE(grid->model()->rowCount(), 11);
        QTest::keyClick(grid, Qt::Key_Up);
        QCOMPARE(grid->model()->rowCount(), 10);
        QCOMPARE(grid->currentIndex().row(), 9);
        QTest::keyClick(grid, Qt::Key_Down);
        modes->Button1Click();
        QCOMPARE(AppFixture::query(path, QStringLiteral("select count(*) from modes")), QStringLiteral("10"));
        QVERIFY(fx.errors().isEmpty());
    }

    void ctrlDeleteAsksFirst()
    {
        AppFixture fx;
        const QString path = fx.newLog();
        fx.showAndOpen(path);
        Dialogs::Testing::clear();
        auto *modes = fx.window<TFormModes>("FormModes");
        QVERIFY(showActive(modes));
        DbGrid *grid = modes->DBGrid1;
        grid->setFocus(Qt::OtherFocusReason);
        fx.dm->ADOQueryModes->first();
        fx.dm->ADOQueryModes->next();   // CW
        Dialogs::Testing::answerConfirm(false);
        QTest::keyClick(grid, Qt::Key_Delete, Qt::ControlModifier);
        QCOMPARE(Dialogs::Testing::shown().last().text, QStringLiteral("Delete record?"));
        QCOMPARE(AppFixture::query(path, QStringLiteral("select count(*) from modes where mode = 'CW'")), QStringLiteral("1"));
        Dialogs::Testing::answerConfirm(true);
        QTest::keyClick(grid, Qt::Key_Delete, Qt::ControlModifier);
        QCOMPARE(AppFixture::query(path, QStringLiteral("select count(*) from modes where mode = 'CW'")), QStringLiteral("0"));
        QCOMPARE(grid->model()->rowCount(), 9);
        QVERIFY(fx.errors().isEmpty());
    }
};

QTEST_MAIN(TestSettings)
#include "test_settings.moc"
