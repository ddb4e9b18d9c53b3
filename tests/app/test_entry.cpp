// The main window: start-up, attaching a log, entering and editing QSOs.
#include "apptestkit.h"
#include "app/ui/dbgrid.h"
#include "app/ui/wheelfilter.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QtTest>

class TestEntry : public QObject {
    Q_OBJECT

    QString logWithQsos(AppFixture &fx)
    {
        const QString path = fx.newLog();
        AppFixture::insertQso(path, QStringLiteral("2009-05-01"), QStringLiteral("10:00"), QStringLiteral("DL1ABC"), QStringLiteral("Hans"));
        AppFixture::insertQso(path, QStringLiteral("2010-01-27"), QStringLiteral("12:00"), QStringLiteral("UA3ABC"), QStringLiteral("Ivan"), QStringLiteral("KO85UT"),
                              QStringLiteral("update log set FREQ = '7.010', MODE = 'SSB', TX_PWR = '50' where CALL = 'UA3ABC'"));
        return path;
    }

private slots:
    void startupOpensTheLogChosenFirst()
    {
        AppFixture fx;
        const QString path = logWithQsos(fx);
        QVERIFY(!fx.ui.N3Action->isEnabled());
        QVERIFY(!fx.ui.N9->isEnabled());
        QVERIFY(fx.ui.N8->isEnabled());
        QCOMPARE(fx.form->windowTitle(), QStringLiteral("Tarnix by Orvel"));
        fx.showAndOpen(path);
        QCOMPARE(Dialogs::Testing::shown().first().kind, QStringLiteral("open"));
        QCOMPARE(Dialogs::Testing::shown().first().text, QStringLiteral("OpenDialog1"));
        QVERIFY2(fx.errors().isEmpty(), qPrintable(fx.errors().join(QLatin1Char('\n'))));
        QCOMPARE(fx.form->windowTitle(), path);
        QCOMPARE(fx.session()->currentLogPath(), path);
        QVERIFY(fx.ui.N3Action->isEnabled() && fx.ui.N4->menuAction()->isEnabled()
                && fx.ui.N5->menuAction()->isEnabled() && fx.ui.N9->isEnabled() && fx.ui.N13->isEnabled());
        QVERIFY(fx.ui.Panel->isVisible());
        // The newest QSO supplies frequency, mode and power; the grid stands on it.
        QCOMPARE(fx.ui.Edit3->text(), QStringLiteral("7.010"));
        QCOMPARE(fx.ui.ComboBox1->currentText(), QStringLiteral("SSB"));
        QCOMPARE(fx.ui.Edit11->text(), QStringLiteral("50"));
        QCOMPARE(fx.ui.Edit6->text(), QStringLiteral("59"));
        QCOMPARE(fx.ui.Label18->text(), QStringLiteral("2"));
        QCOMPARE(fx.ui.DBGrid1->currentIndex().row(), 1);
        QCOMPARE(fx.session()->savedLogSql(), QStringLiteral("select * from log\r\norder by qso_date, time_on\r\n"));
        QCOMPARE(focused(), fx.ui.Edit4);
        // The mode list in the engine's order.
        QCOMPARE(fx.ui.ComboBox1->itemText(0), QStringLiteral("SSB"));
        QCOMPARE(fx.ui.ComboBox1->itemText(1), QStringLiteral("CW"));
        if (qEnvironmentVariableIsSet("TARNIX_SHOT"))
            fx.form->grab().save(qEnvironmentVariable("TARNIX_SHOT"));
    }

    void emptyLogAttaches()
    {
        AppFixture fx;
        fx.showAndOpen(fx.newLog());
        QVERIFY(fx.errors().isEmpty());
        QCOMPARE(fx.ui.Label18->text(), QStringLiteral("0"));
        QCOMPARE(fx.ui.Edit3->text(), QString());
        QCOMPARE(fx.ui.ComboBox1->currentText(), QString());
        QCOMPARE(fx.ui.Edit6->text(), QStringLiteral("599"));
    }

    void cancellingOpen()
    {
        AppFixture fx;
        fx.showAndOpen(QString());
        QCOMPARE(fx.errors(), QStringList{QStringLiteral("ADOQueryLog: Cannot perform this operation on a closed dataset.")});
        QVERIFY(!fx.ui.Panel->isVisible());
        QVERIFY(!fx.ui.N3Action->isEnabled());

        // With a log attached the log stays and the panel is cleared.
        const QString path = logWithQsos(fx);
        Dialogs::Testing::clear();
        Dialogs::Testing::answerFile(path);
        fx.form->N7Click();
        fx.ui.Edit4->setText(QStringLiteral("R1XYZ"));
        Dialogs::Testing::answerFile(QString());
        fx.form->N7Click();
        QVERIFY(fx.errors().isEmpty());
        QCOMPARE(fx.ui.Edit4->text(), QString());
        QCOMPARE(fx.form->windowTitle(), path);
        QCOMPARE(fx.ui.Label18->text(), QStringLiteral("2"));
    }

    void attachingAMissingFileKeepsTheWindow()
    {
        AppFixture fx;
        fx.showAndOpen(fx.dir.filePath(QStringLiteral("nothing.mdb")));
        QCOMPARE(fx.errors().size(), 2);   // the engine's error, then the closed log view's
        QVERIFY(fx.errors().first().contains(QStringLiteral("nothing.mdb")));
        QVERIFY(!QFile::exists(fx.dir.filePath(QStringLiteral("nothing.mdb"))));
        QCOMPARE(fx.form->windowTitle(), QStringLiteral("Tarnix by Orvel"));
    }

    void realTimeSaveUsesTheLogClock()
    {
        AppFixture fx;
        const QString path = fx.newLog();
        AppFixture::exec(path, QStringLiteral("update opc set timeshift = -3"));
        // PC clock 01:30 on 02.03.2010, offset -3: the log clock reads 22:30 the day before.
        AppFixture::setPcClock(QDateTime(QDate(2010, 3, 2), QTime(1, 30, 10)));
        fx.showAndOpen(path);
        QCOMPARE(fx.ui.MaskEdit1->text(), QStringLiteral("01.03.2010"));
        QCOMPARE(fx.ui.MaskEdit2->text(), QStringLiteral("22:30"));
        QVERIFY(!fx.ui.MaskEdit3->isVisible());

        QTest::keyClicks(fx.ui.Edit4, QStringLiteral("ua3abc"));
        QCOMPARE(fx.ui.Edit4->text(), QStringLiteral("UA3ABC"));
        fx.ui.Edit5->setText(QString(30, QLatin1Char('n')));
        fx.ui.Edit3->setText(QStringLiteral("14.074"));
        fx.ui.ComboBox1->setCurrentText(QStringLiteral("CW"));
        // Saved at 12:34:59 by the log clock: the end time is cut to the minute.
        AppFixture::setPcClock(QDateTime(QDate(2010, 3, 2), QTime(15, 34, 59)));
        pressKey(Qt::Key_F1);
        QVERIFY(fx.errors().isEmpty());
        QCOMPARE(AppFixture::query(path, QStringLiteral("select QSO_DATE, TIME_ON, TIME_OFF, CALL, length(NAME), FREQ, MODE, "
                                                        "RST_SENT, QSL_SENT, typeof(COMMENT), dxcc is not null from log")),
                 QStringLiteral("2010-03-01|22:30|12:34|UA3ABC|25|14.074|CW|599|N|text|1"));
        // The panel is ready for the next QSO with frequency, mode and power kept.
        QCOMPARE(fx.ui.Edit4->text(), QString());
        QCOMPARE(fx.ui.Edit5->text(), QString());
        QCOMPARE(fx.ui.Edit3->text(), QStringLiteral("14.074"));
        QCOMPARE(fx.ui.Label18->text(), QStringLiteral("1"));
        QCOMPARE(fx.ui.MaskEdit2->text(), QStringLiteral("12:34"));
        QCOMPARE(focused(), fx.ui.Edit4);
    }

    void saveWithEmptyCallWritesNothing()
    {
        AppFixture fx;
        const QString path = fx.newLog();
        fx.showAndOpen(path);
        fx.ui.Edit5->setText(QStringLiteral("Ivan"));
        fx.panel()->Button2Click();
        QCOMPARE(AppFixture::query(path, QStringLiteral("select count(*) from log")), QStringLiteral("0"));
        QCOMPARE(fx.ui.Edit5->text(), QString());
    }

    void invalidDatesAndTimesKeepThePanel_data()
    {
        QTest::addColumn<QString>("date");
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("end");
        QTest::addColumn<QString>("message");
        QTest::newRow("31 February") << "31022010" << "1200" << "1205" << "'31.02.2010' is not a valid date.";
        QTest::newRow("hour 25") << "01022010" << "2500" << "1205" << "'25:00' is not a valid time.";
        QTest::newRow("blank end time") << "01022010" << "1200" << "" << "'  :  ' is not a valid time.";
    }
    void invalidDatesAndTimesKeepThePanel()
    {
        QFETCH(QString, date);
        QFETCH(QString, start);
        QFETCH(QString, end);
        QFETCH(QString, message);
        AppFixture fx;
        const QString path = fx.newLog();
        fx.showAndOpen(path);
        fx.ui.CheckBox1->click();   // typed times
        QCOMPARE(focused(), fx.ui.MaskEdit1);
        QVERIFY(fx.ui.MaskEdit3->isVisible());
        fx.ui.MaskEdit1->setText(date);
        fx.ui.MaskEdit2->setText(start);
        fx.ui.MaskEdit3->setText(end);
        fx.ui.Edit4->setText(QStringLiteral("DL1ABC"));
        pressKey(Qt::Key_F1);
        QCOMPARE(fx.errors(), QStringList{message});
        QCOMPARE(AppFixture::query(path, QStringLiteral("select count(*) from log")), QStringLiteral("0"));
        QCOMPARE(fx.ui.Edit4->text(), QStringLiteral("DL1ABC"));
    }

    // Dates and times typed as operators write them become exactly that
    // date and time, typed into a field that holds an older value.
    void datesAndTimesTypedByHand_data()
    {
        QTest::addColumn<QString>("date");
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("end");
        QTest::addColumn<QString>("stored");
        QTest::newRow("short with points") << "5.3.2024" << "9:30" << "9:35" << "2024-03-05|09:30|09:35";
        QTest::newRow("full with points") << "05.03.2024" << "09:30" << "09:35" << "2024-03-05|09:30|09:35";
        QTest::newRow("digits alone") << "05032024" << "0930" << "0935" << "2024-03-05|09:30|09:35";
        QTest::newRow("two-digit day") << "25.3.2024" << "0:05" << "23:59" << "2024-03-25|00:05|23:59";
    }
    void datesAndTimesTypedByHand()
    {
        QFETCH(QString, date);
        QFETCH(QString, start);
        QFETCH(QString, end);
        QFETCH(QString, stored);
        AppFixture fx;
        const QString path = fx.newLog();
        fx.showAndOpen(path);
        fx.ui.CheckBox1->click();   // typed times
        fx.ui.MaskEdit1->setText(QStringLiteral("27.01.2010"));
        for (auto [field, text] : {std::pair{fx.ui.MaskEdit1, date}, {fx.ui.MaskEdit2, start}, {fx.ui.MaskEdit3, end}}) {
            field->setFocus(Qt::OtherFocusReason);
            QTRY_COMPARE(focused(), field);
            field->setCursorPosition(0);
            QTest::keyClicks(field, text);
        }
        fx.ui.Edit4->setText(QStringLiteral("DL1ABC"));
        pressKey(Qt::Key_F1);
        QVERIFY2(fx.errors().isEmpty(), qPrintable(fx.errors().join(QLatin1Char('\n'))));
        QCOMPARE(AppFixture::query(path, QStringLiteral("select QSO_DATE, TIME_ON, TIME_OFF from log")), stored);
    }

    void dateTypedRightAfterTheReset()
    {
        // The panel clears with the date kept and the focus on it: what the
        // operator types next is the new date.
        AppFixture fx;
        const QString path = fx.newLog();
        fx.showAndOpen(path);
        fx.ui.CheckBox1->click();
        QTRY_COMPARE(focused(), fx.ui.MaskEdit1);
        QTest::keyClicks(focused(), QStringLiteral("5.3.2024"));
        pressKey(Qt::Key_Return);
        QTest::keyClicks(focused(), QStringLiteral("0930"));
        pressKey(Qt::Key_Return);
        QTest::keyClicks(focused(), QStringLiteral("0935"));
        fx.ui.Edit4->setText(QStringLiteral("DL1ABC"));
        pressKey(Qt::Key_F1);
        QVERIFY2(fx.errors().isEmpty(), qPrintable(fx.errors().join(QLatin1Char('\n'))));
        QCOMPARE(AppFixture::query(path, QStringLiteral("select QSO_DATE, TIME_ON, TIME_OFF from log")),
                 QStringLiteral("2024-03-05|09:30|09:35"));
    }

    // A time shift written by the SQL window that no clock can be shifted
    // by: a clear message naming it, and no time stamped from it.
    void timeShiftOutOfRange_data()
    {
        QTest::addColumn<QString>("value");
        QTest::newRow("beyond an integer") << "99999999999";
        QTest::newRow("beyond the calendar") << "-99999999";
        QTest::newRow("fraction") << "'1.5'";
        QTest::newRow("text") << "'abc'";
    }
    void timeShiftOutOfRange()
    {
        QFETCH(QString, value);
        AppFixture fx;
        const QString path = fx.newLog();
        AppFixture::exec(path, QStringLiteral("update opc set timeshift = %1").arg(value));
        AppFixture::setPcClock(QDateTime(QDate(2010, 3, 2), QTime(1, 30)));
        fx.showAndOpen(path);
        QVERIFY(!fx.errors().isEmpty());
        QString shown = value;
        shown.remove(QLatin1Char('\''));
        for (const QString &e : fx.errors())
            QVERIFY2(e.contains(shown), qPrintable(e));
        QVERIFY(fx.ui.MaskEdit1->text() != QStringLiteral("02.03.2010"));
        QVERIFY(fx.ui.MaskEdit2->text() != QStringLiteral("01:30"));
        // Nothing can be saved with a time that was never stamped.
        Dialogs::Testing::clear();
        fx.ui.Edit4->setText(QStringLiteral("DL1ABC"));
        pressKey(Qt::Key_F1);
        QCOMPARE(AppFixture::query(path, QStringLiteral("select count(*) from log")), QStringLiteral("0"));
    }

    void startTimeTypedThenF1BeforeLeaving()
    {
        AppFixture fx;
        const QString path = fx.newLog();
        fx.showAndOpen(path);
        fx.ui.CheckBox1->click();
        fx.ui.MaskEdit1->setText(QStringLiteral("05.05.2011"));
        fx.ui.MaskEdit2->setFocus();
        QTest::keyClicks(fx.ui.MaskEdit2, QStringLiteral("1015"));
        fx.ui.Edit4->setText(QStringLiteral("K1ABC"));
        fx.ui.MaskEdit2->setFocus();
        pressKey(Qt::Key_F1);
        QCOMPARE(fx.errors(), QStringList{QStringLiteral("'  :  ' is not a valid time.")});
        // Leaving the start time copies it into the end time; then the save goes through.
        Dialogs::Testing::clear();
        pressKey(Qt::Key_Return);
        QCOMPARE(fx.ui.MaskEdit3->text(), QStringLiteral("10:15"));
        pressKey(Qt::Key_F1);
        QVERIFY(fx.errors().isEmpty());
        QCOMPARE(AppFixture::query(path, QStringLiteral("select QSO_DATE, TIME_ON, TIME_OFF from log")), QStringLiteral("2011-05-05|10:15|10:15"));
        // Unticked: the date is kept, the times cleared.
        QCOMPARE(fx.ui.MaskEdit1->text(), QStringLiteral("05.05.2011"));
        QCOMPARE(fx.ui.MaskEdit2->text(), QStringLiteral(":"));
    }

    void maskedFieldWithBlankRequiredPosition()
    {
        AppFixture fx;
        fx.showAndOpen(fx.newLog());
        fx.ui.CheckBox1->click();
        fx.ui.MaskEdit2->setFocus();
        fx.ui.MaskEdit2->setCursorPosition(0);
        QTest::keyClicks(fx.ui.MaskEdit2, QStringLiteral("1"));
        QVERIFY(fx.ui.MaskEdit2->isModified());
        pressKey(Qt::Key_Return);
        QCOMPARE(fx.errors(), QStringList{QStringLiteral("Invalid input value.  Use escape key to abandon changes")});
        QCOMPARE(focused(), fx.ui.MaskEdit2);
        QCOMPARE(fx.ui.MaskEdit3->text(), QStringLiteral(":"));   // the exit handler did not run
    }

    void editModeUpdatesTheLoadedQso()
    {
        AppFixture fx;
        const QString path = logWithQsos(fx);
        fx.showAndOpen(path);
        fx.dm->ADOQueryLog->first();                 // DL1ABC
        fx.form->DBGrid1DblClick();
        QCOMPARE(fx.ui.Label16->text(), QStringLiteral("QSO editing..."));
        QVERIFY(!fx.ui.CheckBox1->isVisible());
        QVERIFY(fx.ui.MaskEdit3->isVisible());
        QCOMPARE(fx.ui.Edit4->text(), QStringLiteral("DL1ABC"));
        QCOMPARE(fx.ui.MaskEdit1->text(), QStringLiteral("01.05.2009"));
        fx.ui.Edit5->setText(QStringLiteral("Johann"));
        fx.ui.Edit4->setText(QStringLiteral("DL2ABC"));
        fx.dm->ADOQueryLog->last();                  // the grid moved meanwhile
        pressKey(Qt::Key_F1);
        QVERIFY(fx.errors().isEmpty());
        QCOMPARE(AppFixture::query(path, QStringLiteral("select CALL, NAME, TIME_OFF, dxcc from log order by id")),
                 QStringLiteral("DL2ABC|Johann|10:00|<null>\nUA3ABC|Ivan|12:00|<null>"));
        QCOMPARE(fx.ui.Label16->text(), QString());
        QVERIFY(fx.ui.CheckBox1->isVisible());
    }

    void resetKeys_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("mods");
        QTest::newRow("Esc") << int(Qt::Key_Escape) << int(Qt::NoModifier);
        QTest::newRow("F5") << int(Qt::Key_F5) << int(Qt::NoModifier);
        QTest::newRow("Alt+C") << int(Qt::Key_C) << int(Qt::AltModifier);
    }
    void resetKeys()
    {
        QFETCH(int, key);
        QFETCH(int, mods);
        AppFixture fx;
        const QString path = fx.newLog();
        fx.showAndOpen(path);
        fx.ui.Edit9->setFocus();
        fx.ui.Edit4->setText(QStringLiteral("UA3ABC"));
        fx.ui.Edit9->setText(QStringLiteral("note"));
        pressKey(key, Qt::KeyboardModifiers(mods));
        QCOMPARE(fx.ui.Edit4->text(), QString());
        QCOMPARE(fx.ui.Edit9->text(), QString());
        QCOMPARE(AppFixture::query(path, QStringLiteral("select count(*) from log")), QStringLiteral("0"));
    }

    void altSSaves()
    {
        AppFixture fx;
        const QString path = fx.newLog();
        fx.showAndOpen(path);
        fx.ui.Edit4->setText(QStringLiteral("UA3ABC"));
        pressKey(Qt::Key_S, Qt::AltModifier);
        QCOMPARE(AppFixture::query(path, QStringLiteral("select CALL from log")), QStringLiteral("UA3ABC"));
    }

    void fieldOrder_data()
    {
        QTest::addColumn<bool>("realTime");
        QTest::addColumn<QStringList>("order");
        QTest::newRow("real time") << true << QStringList{"Edit4", "Edit6", "Edit7", "Edit5", "Edit8", "Edit9", "Edit10",
                                                          "ComboBox2", "ComboBox3", "Edit11", "MaskEdit1", "MaskEdit2", "Edit3", "ComboBox1", "Edit4"};
        QTest::newRow("typed times") << false << QStringList{"MaskEdit1", "MaskEdit2", "MaskEdit3", "Edit3", "ComboBox1", "Edit4", "Edit6", "Edit7",
                                                             "Edit5", "Edit8", "Edit9", "Edit10", "ComboBox2", "ComboBox3", "Edit11", "MaskEdit1"};
    }
    void fieldOrder()
    {
        QFETCH(bool, realTime);
        QFETCH(QStringList, order);
        AppFixture fx;
        fx.showAndOpen(fx.newLog());
        if (!realTime)
            fx.ui.CheckBox1->click();
        auto name = [&] {
            QWidget *w = focused();
            if (w && qobject_cast<QComboBox *>(w->parentWidget()))
                w = w->parentWidget();
            return w ? w->objectName() : QString();
        };
        QStringList seen{name()};
        for (int i = 1; i < order.size(); ++i) {
            pressKey(i % 2 ? Qt::Key_Return : Qt::Key_F9);
            seen << name();
        }
        QCOMPARE(seen, order);
        // F8 walks back, wrapping around.
        QStringList back{name()};
        for (int i = 1; i < order.size(); ++i) {
            pressKey(Qt::Key_F8);
            back << name();
        }
        std::reverse(order.begin(), order.end());
        QCOMPARE(back, order);
    }

    void reportDefaultsFollowTheOperatorsMode_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QString>("report");
        QTest::newRow("FM") << "FM" << "59";
        QTest::newRow("USB") << "USB" << "59";
        QTest::newRow("SSTV") << "SSTV" << "595";
        QTest::newRow("CW") << "CW" << "599";
        QTest::newRow("ssb lower case") << "ssb" << "599";
        QTest::newRow("empty") << "" << "599";
    }
    void reportDefaultsFollowTheOperatorsMode()
    {
        QFETCH(QString, mode);
        QFETCH(QString, report);
        AppFixture fx;
        fx.showAndOpen(fx.newLog());
        fx.ui.ComboBox1->setFocus();
        fx.ui.ComboBox1->lineEdit()->selectAll();
        QTest::keyClick(fx.ui.ComboBox1->lineEdit(), Qt::Key_Backspace);
        QTest::keyClicks(fx.ui.ComboBox1->lineEdit(), mode);
        QCOMPARE(fx.ui.Edit6->text(), report);
        QCOMPARE(fx.ui.Edit7->text(), report);
        // Set from code (rig, hand-over): the reports stay.
        fx.ui.ComboBox1->setCurrentText(QStringLiteral("SSTV"));
        QCOMPARE(fx.ui.Edit6->text(), report);
    }

    void choosingModeWithArrowKeysAppliesDefaults()
    {
        AppFixture fx;
        fx.showAndOpen(fx.newLog());
        fx.ui.ComboBox1->setCurrentIndex(0);   // SSB, from code
        fx.ui.ComboBox1->setFocus();
        pressKey(Qt::Key_Down);                    // CW, by the operator
        QCOMPARE(fx.ui.ComboBox1->currentText(), QStringLiteral("CW"));
        QCOMPARE(fx.ui.Edit6->text(), QStringLiteral("599"));
        pressKey(Qt::Key_Up);
        QCOMPARE(fx.ui.Edit6->text(), QStringLiteral("59"));
    }

    void clockStampAndCapitals()
    {
        AppFixture fx;
        fx.showAndOpen(fx.newLog());
        AppFixture::setPcClock(QDateTime(QDate(2012, 12, 31), QTime(23, 59, 30)));
        pressKey(Qt::Key_F2);
        QCOMPARE(fx.ui.MaskEdit1->text(), QStringLiteral("31.12.2012"));
        QCOMPARE(fx.ui.MaskEdit2->text(), QStringLiteral("23:59"));
        QCOMPARE(fx.ui.MaskEdit3->text(), QStringLiteral("23:59"));
        AppFixture::setPcClock(QDateTime(QDate(2013, 1, 1), QTime(0, 1)));
        QTest::mouseDClick(fx.ui.MaskEdit2, Qt::LeftButton);
        QCOMPARE(fx.ui.MaskEdit1->text(), QStringLiteral("01.01.2013"));

        const QList<QPair<QString, QString>> names{{"ivan", "Ivan"}, {"иван", "иван"}, {"1st", "1st"}, {"", ""}};
        for (const auto &n : names) {
            fx.ui.Edit5->setFocus();
            fx.ui.Edit5->setText(n.first);
            pressKey(Qt::Key_Return);
            QCOMPARE(fx.ui.Edit5->text(), n.second);
            fx.ui.Edit8->setText(n.first);
            pressKey(Qt::Key_Return);
            QCOMPARE(fx.ui.Edit8->text(), n.second);
        }
    }

    void wheelActsAsArrowKeysOnTheFocusedGrid()
    {
        AppFixture fx;
        WheelToArrowFilter wheel;
        qApp->installEventFilter(&wheel);
        const QString path = logWithQsos(fx);
        fx.showAndOpen(path);
        fx.ui.DBGrid1->setFocus();
        QCOMPARE(fx.dm->ADOQueryLog->recNo(), 1);
        QWheelEvent up(QPointF(5, 5), fx.ui.DBGrid1->mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, 120),
                       Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(fx.ui.Edit9, &up);   // under the pointer: not the focused control
        QCOMPARE(fx.dm->ADOQueryLog->recNo(), 0);
        QWheelEvent down(QPointF(5, 5), fx.ui.DBGrid1->mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, -360),
                         Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(fx.ui.DBGrid1->viewport(), &down);
        QCOMPARE(fx.dm->ADOQueryLog->recNo(), 1);   // one row, whatever the distance
        qApp->removeEventFilter(&wheel);
    }

    void accessibleNames()
    {
        AppFixture fx;
        QCOMPARE(fx.ui.Edit4->accessibleName(), QStringLiteral("Call"));
        QCOMPARE(fx.ui.MaskEdit1->accessibleName(), QStringLiteral("Date"));
        QCOMPARE(fx.ui.ComboBox2->accessibleName(), QStringLiteral("QSL sent"));
    }
};

QTEST_MAIN(TestEntry)
#include "test_entry.moc"
