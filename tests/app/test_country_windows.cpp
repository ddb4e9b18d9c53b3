// Country line, distance line, DXCC rebuild and the statistics window in the
// real windows.
#include "apptestkit.h"

#include "app/longwork.h"

#include "country/ctysupport.h"
#include "logdb/dataset.h"
#include "logdb/datasource.h"
#include "app/ui/dbgrid.h"
#include "app/ui/guarded.h"
#include "app/tformdxcc.h"

#include <QAction>
#include <QApplication>
#include <QPushButton>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QTimer>
#include <QtTest>

class TestCountryWindows : public QObject {
    Q_OBJECT
private slots:
    void countryTableLoadedAtStart();
    void missingCountryFileReportedOnce();
    void countryLineWhenLeavingCall_data();
    void countryLineWhenLeavingCall();
    void savedQsoStoresCountry();
    void distanceLine();
    void distanceWithoutOwnLocator();
    void loadedQsoShowsCountryAndDistance();
    void rebuildMenu();
    void rebuildErrorRestoresWindow();
    void rebuildCancelledKeepsWholeRows();
    void statisticsWindow();
    void statisticsUnderFilter();

private:
    // Types text into a field and leaves it with Enter, as the operator does.
    void typeAndLeave(QLineEdit *field, const QString &text);
};

void TestCountryWindows::typeAndLeave(QLineEdit *field, const QString &text)
{
    field->setFocus(Qt::OtherFocusReason);
    QTRY_COMPARE(focused(), static_cast<QWidget *>(field));
    field->selectAll();
    QTest::keyClicks(field, text);
    pressKey(Qt::Key_Return);
    QTRY_VERIFY(focused() != field);
}

void TestCountryWindows::countryTableLoadedAtStart()
{
    AppFixture fx;
    // The build puts Debian's country file beside the executable.
    QVERIFY(CountryCount() > 20000);
    QVERIFY(fx.errors().isEmpty());
}

void TestCountryWindows::missingCountryFileReportedOnce()
{
    AppFixture fx;
    runGuarded(fx.form, [&] { LoadCountryTable(fx.dir.filePath(QStringLiteral("cty.dat"))); });
    QCOMPARE(fx.errors(), QStringList{QStringLiteral("File not found.")});
    QCOMPARE(CountryCount(), 0);
    // Start-up goes on; the next start finds the file again.
    LoadCountryTable(CountryFilePath());
}

void TestCountryWindows::countryLineWhenLeavingCall_data()
{
    QTest::addColumn<QString>("call");
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("dxcc");

    QTest::newRow("European Russia") << "UA3ABC" << "European Russia EU UA" << "UA";
    QTest::newRow("Asiatic Russia") << "UA9ABC" << "Asiatic Russia AS UA9" << "UA9";
    QTest::newRow("portable abroad") << "DL/UA3ABC" << "Fed. Rep. of Germany EU DL" << "DL";
    QTest::newRow("no country") << "QQ1ABC" << "  " << "";
}

void TestCountryWindows::countryLineWhenLeavingCall()
{
    QFETCH(QString, call);
    QFETCH(QString, line);
    QFETCH(QString, dxcc);

    AppFixture fx;
    fx.showAndOpen(fx.newLog());
    typeAndLeave(fx.ui.Edit4, call);
    QCOMPARE(fx.ui.Label19->text(), line);
    QCOMPARE(fx.panel()->currentDxcc(), dxcc);
    QVERIFY(fx.errors().isEmpty());
}

void TestCountryWindows::savedQsoStoresCountry()
{
    AppFixture fx;
    const QString log = fx.newLog();
    fx.showAndOpen(log);
    typeAndLeave(fx.ui.Edit4, QStringLiteral("JA1ABC"));
    pressKey(Qt::Key_F1);
    QTRY_COMPARE(AppFixture::query(log, QStringLiteral("select CALL, dxcc from log")), QStringLiteral("JA1ABC|JA"));
    QVERIFY(fx.errors().isEmpty());
}

void TestCountryWindows::distanceLine()
{
    AppFixture fx;
    const QString log = fx.newLog();
    AppFixture::exec(log, QStringLiteral("update opc set myloc = 'KO85UR'"));
    fx.showAndOpen(log);
    typeAndLeave(fx.ui.Edit10, QStringLiteral("FN31PR"));
    QCOMPARE(fx.ui.Label20->text(), QStringLiteral("7355km/310"));
    typeAndLeave(fx.ui.Edit10, QStringLiteral("KO85UR"));
    QCOMPARE(fx.ui.Label20->text(), QStringLiteral("0km/0"));
    // Garbage shows no distance rather than a wrong one.
    typeAndLeave(fx.ui.Edit10, QStringLiteral("ZZ99"));
    QCOMPARE(fx.ui.Label20->text(), QString());

    typeAndLeave(fx.ui.Edit10, QStringLiteral("FN31PR"));
    // Leaving an empty field keeps the line.
    fx.ui.Edit10->setFocus(Qt::OtherFocusReason);
    QTRY_COMPARE(focused(), static_cast<QWidget *>(fx.ui.Edit10));
    fx.ui.Edit10->clear();
    pressKey(Qt::Key_Return);
    QTRY_VERIFY(focused() != fx.ui.Edit10);
    QCOMPARE(fx.ui.Label20->text(), QStringLiteral("7355km/310"));

    // The own locator is read when it is used.
    fx.dm->ADOQueryOpc->edit();
    fx.dm->ADOQueryOpc->fieldByName(QStringLiteral("myloc")).setString(QStringLiteral("FN31PR"));
    fx.dm->ADOQueryOpc->post();
    typeAndLeave(fx.ui.Edit10, QStringLiteral("KO85UR"));
    QCOMPARE(fx.ui.Label20->text(), QStringLiteral("7355km/35"));
    QVERIFY(fx.errors().isEmpty());
}

void TestCountryWindows::distanceWithoutOwnLocator()
{
    AppFixture fx;
    fx.showAndOpen(fx.newLog());   // the template's own locator is empty
    typeAndLeave(fx.ui.Edit10, QStringLiteral("FN31PR"));
    QCOMPARE(fx.ui.Label20->text(), QString());
    QVERIFY(fx.errors().isEmpty());
}

void TestCountryWindows::loadedQsoShowsCountryAndDistance()
{
    AppFixture fx;
    const QString log = fx.newLog();
    AppFixture::exec(log, QStringLiteral("update opc set myloc = 'KO85UR'"));
    AppFixture::insertQso(log, QStringLiteral("2024-05-01"), QStringLiteral("10:00"), QStringLiteral("K1ABC"),
                          QStringLiteral("John"), QStringLiteral("FN31PR"));
    fx.showAndOpen(log);
    fx.dm->ADOQueryLog->last();
    fx.form->DBGrid1DblClick();
    QCOMPARE(fx.ui.Label19->text(), QStringLiteral("United States of America NA K"));
    QCOMPARE(fx.ui.Label20->text(), QStringLiteral("7355km/310"));
}

void TestCountryWindows::rebuildMenu()
{
    AppFixture fx;
    const QString log = fx.newLog();
    for (const char *call : {"UA3ABC", "VK2ABC", "QQ1ABC"})
        AppFixture::insertQso(log, QStringLiteral("2024-05-01"), QStringLiteral("10:0%1").arg(qstrlen(call)),
                              QLatin1String(call), QString(), QString(), QString());
    AppFixture::exec(log, QStringLiteral("update log set dxcc = 'OLD'"));
    fx.showAndOpen(log);

    QList<int> positions;
    bool gridDetached = false;
    connect(fx.ui.ProgressBar1, &QProgressBar::valueChanged, this, [&](int v) {
        if (v > 0)
            positions << v;
        gridDetached = !fx.dm->DataSource1->isEnabled() && fx.ui.ProgressBar1->isVisible();
    });
    fx.ui.DXCCrebuild1->trigger();
    QCOMPARE(positions, (QList<int>{33, 67, 100}));
    QVERIFY(gridDetached);
    QVERIFY(fx.ui.ProgressBar1->isHidden());
    QCOMPARE(fx.ui.ProgressBar1->value(), 0);
    QVERIFY(fx.dm->DataSource1->isEnabled());
    QCOMPARE(AppFixture::query(log, QStringLiteral("select CALL, dxcc from log order by CALL")),
             QStringLiteral("QQ1ABC|\nUA3ABC|UA\nVK2ABC|VK"));
    QVERIFY(fx.errors().isEmpty());
}

void TestCountryWindows::rebuildErrorRestoresWindow()
{
    AppFixture fx;
    const QString log = fx.newLog();
    AppFixture::insertQso(log, QStringLiteral("2024-05-01"), QStringLiteral("10:00"), QStringLiteral("UA3ABC"));
    AppFixture::insertQso(log, QStringLiteral("2024-05-01"), QStringLiteral("10:01"), QStringLiteral("DL1BAD"));
    AppFixture::insertQso(log, QStringLiteral("2024-05-01"), QStringLiteral("10:02"), QStringLiteral("DL2ABC"));
    AppFixture::exec(log, QStringLiteral("create trigger refuse before update on log when new.CALL = 'DL1BAD' "
                                         "begin select raise(abort, 'row refused'); end"));
    fx.showAndOpen(log);
    fx.ui.DXCCrebuild1->trigger();
    QCOMPARE(fx.errors(), QStringList{QStringLiteral("row refused.")});
    QVERIFY(fx.ui.ProgressBar1->isHidden());
    QVERIFY(fx.dm->DataSource1->isEnabled());
    QCOMPARE(AppFixture::query(log, QStringLiteral("select CALL, ifnull(dxcc, '-') from log order by TIME_ON")),
             QStringLiteral("UA3ABC|UA\nDL1BAD|-\nDL2ABC|-"));
}

void TestCountryWindows::rebuildCancelledKeepsWholeRows()
{
    AppFixture fx;
    const QString log = fx.newLog();
    const int total = 3000;
    AppFixture::exec(log,
                     QStringLiteral(
                         "insert into log (QSO_DATE, TIME_ON, TIME_OFF, CALL, dxcc) "
                         "with recursive n(i) as (select 0 union all select i + 1 from n where i < LAST) "
                         "select date('2020-01-01', '+' || (i / 1440) || ' days'), printf('%02d:%02d', i / "
                         "60 % 24, i % 60), "
                         "printf('%02d:%02d', i / 60 % 24, i % 60), 'UA3A' || i, 'OLD' from n")
                         .replace(QStringLiteral("LAST"), QString::number(total - 1)));
    fx.showAndOpen(log);
    Dialogs::Testing::clear();

    // Cancel as soon as the dialog shows (at once here).
    LongWork::setDialogDelayMs(0);
    bool pressed = false;
    QTimer press;
    connect(&press, &QTimer::timeout, this, [&] {
        for (QWidget *w : QApplication::allWidgets()) {
            if (w->objectName() == QLatin1String("LongWorkDialog") && w->isVisible()) {
                press.stop();
                w->findChild<QPushButton *>(QStringLiteral("LongWorkCancel"))->click();
                pressed = true;
            }
        }
    });
    press.start(0);
    fx.ui.DXCCrebuild1->trigger();
    LongWork::setDialogDelayMs(500);
    QVERIFY(pressed);
    QVERIFY(fx.errors().isEmpty());

    const int done
        = AppFixture::query(log, QStringLiteral("select count(*) from log where dxcc = 'UA'")).toInt();
    QVERIFY2(done > 0 && done < total, qPrintable(QString::number(done)));
    QStringList notices;
    for (const auto &shown : Dialogs::Testing::shown()) {
        if (shown.kind == QLatin1String("notice"))
            notices << shown.text;
    }
    QCOMPARE(notices,
             QStringList{
                 QStringLiteral("DXCC rebuild прерван. Обработано QSO: %1 из %2.").arg(done).arg(total)});
    // Every row rebuilt or as it was: the first ones of the view rebuilt.
    QCOMPARE(AppFixture::query(log,
                               QStringLiteral("select count(*) from log where dxcc not in ('UA', 'OLD')")),
             QStringLiteral("0"));
    QCOMPARE(AppFixture::query(log, QStringLiteral("select max(id) from log where dxcc = 'UA'")),
             QString::number(done));
    QVERIFY(fx.ui.ProgressBar1->isHidden());
    QVERIFY(fx.dm->DataSource1->isEnabled());
}

void TestCountryWindows::statisticsWindow()
{
    AppFixture fx;
    const QString log = fx.newLog();
    int minute = 0;
    for (const char *call : {"UA3ABC", "UA3XYZ", "DL1ABC", "VK2ABC", "UA9ABC"})
        AppFixture::insertQso(log, QStringLiteral("2024-05-01"), QStringLiteral("10:%1").arg(minute++, 2, 10, QLatin1Char('0')),
                              QLatin1String(call));
    fx.showAndOpen(log);
    fx.ui.DXCCrebuild1->trigger();

    auto *w = fx.window<TFormDXCC>("FormDXCC");
    QVERIFY(w);
    QCOMPARE(w->windowTitle(), QStringLiteral(" DXCC"));
    QCOMPARE(w->findChild<QLabel *>(QStringLiteral("Label2"))->text(), QStringLiteral("Всего стран:"));
    // The menu command shows the window modally; close it once it is up.
    QTimer::singleShot(0, w, [w] { w->accept(); });
    fx.ui.DXCC1->trigger();

    QCOMPARE(w->findChild<QLabel *>(QStringLiteral("Label1"))->text(), QStringLiteral("4"));
    auto *grid = w->findChild<DbGrid *>(QStringLiteral("DBGrid1"));
    QVERIFY(grid);
    QAbstractItemModel *model = grid->model();
    QCOMPARE(model->rowCount(), 4);
    QMap<QString, QString> counts;
    for (int r = 0; r < model->rowCount(); ++r)
        counts.insert(model->index(r, 0).data().toString(), model->index(r, 1).data().toString());
    QCOMPARE(counts, (QMap<QString, QString>{{"UA", "2"}, {"UA9", "1"}, {"DL", "1"}, {"VK", "1"}}));

    // The name follows the grid's current row.
    auto *label3 = w->findChild<QLabel *>(QStringLiteral("Label3"));
    QCOMPARE(label3->text(), FindCountryByPrefix(model->index(0, 0).data().toString()).Name);
    QVERIFY(!label3->text().isEmpty());
    for (int r = 0; r < model->rowCount(); ++r) {
        grid->setCurrentIndex(model->index(r, 0));
        QCOMPARE(label3->text(), FindCountryByPrefix(model->index(r, 0).data().toString()).Name);
    }
    QVERIFY(fx.errors().isEmpty());
}

void TestCountryWindows::statisticsUnderFilter()
{
    AppFixture fx;
    const QString log = fx.newLog();
    int minute = 0;
    for (const char *call : {"UA3ABC", "UA3XYZ", "DL1ABC", "UA9ABC"})
        AppFixture::insertQso(log, QStringLiteral("2024-05-01"), QStringLiteral("10:%1").arg(minute++, 2, 10, QLatin1Char('0')),
                              QLatin1String(call));
    fx.showAndOpen(log);
    fx.ui.DXCCrebuild1->trigger();

    Dataset *view = fx.dm->ADOQueryLog;
    view->close();
    view->setSql({QStringLiteral("select * from log where CALL like 'UA%'")});
    view->open();

    auto *w = fx.window<TFormDXCC>("FormDXCC");
    QTimer::singleShot(0, w, [w] { w->accept(); });
    fx.ui.DXCC1->trigger();
    QCOMPARE(w->findChild<QLabel *>(QStringLiteral("Label1"))->text(), QStringLiteral("2"));
    QCOMPARE(w->findChild<DbGrid *>(QStringLiteral("DBGrid1"))->model()->rowCount(), 2);
    QCOMPARE(fx.dm->ADOQueryCom->sqlText(),
             QStringLiteral("select dxcc, Count(dxcc) from log\n where CALL like 'UA%'\ngroup by dxcc"));
    QVERIFY(fx.errors().isEmpty());
}

QTEST_MAIN(TestCountryWindows)
#include "test_country_windows.moc"
