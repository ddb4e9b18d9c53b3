// The SQL window over the real main window and data module.
#include "apptestkit.h"

#include "logdb/dataset.h"
#include "app/ui/dbgrid.h"
#include "app/tformsql.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QPointer>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QtTest>

class TestSqlWindow : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void layout();
    void runSelectAll();
    void runUpdate();
    void runError();
    void editInPlace();
    void groupedResultIsReadOnly();
    void exportWorkbook();
    void exportWithoutResult();
    void exportNothingOpens();
    void saveLoad();
    void saveLoadCancelled();
    void escapeClosesFromAnyControl();
    void escapeAbandonsRowEdit();
    void focusBackOnLogGrid();

private:
    void run(const QString &sql);

    std::unique_ptr<AppFixture> fx;
    TFormSQL *w = nullptr;
    QString path;
};

void TestSqlWindow::init()
{
    fx = std::make_unique<AppFixture>();
    path = fx->newLog();
    AppFixture::insertQso(path, "2005-03-01", "10:00", "UA3AAA", QString(), QString(),
                          "update log set TX_PWR = '5', COMMENT = 'qrp' where CALL = 'UA3AAA'");
    AppFixture::insertQso(path, "2004-12-31", "09:00", "UA3BBB");
    AppFixture::insertQso(path, "2005-06-15", "12:30", "DL1XX", QString(), QString(),
                          "update log set MODE = 'SSB' where CALL = 'DL1XX'");
    AppFixture::insertQso(path, "2006-01-01", "00:05", "RA3CCC");
    fx->showAndOpen(path);
    QVERIFY(fx->errors().isEmpty());
    Dialogs::Testing::clear();
    w = fx->window<TFormSQL>("FormSQL");
    QVERIFY(w);
}

void TestSqlWindow::cleanup()
{
    if (w && w->lastWorkbook().size())
        QDir(QFileInfo(w->lastWorkbook()).path()).removeRecursively();
    fx.reset();
    w = nullptr;
}

void TestSqlWindow::run(const QString &sql)
{
    w->Memo1->setPlainText(sql);
    QTest::mouseClick(w->Button1, Qt::LeftButton);
}

void TestSqlWindow::layout()
{
    QCOMPARE(w->windowTitle(), QStringLiteral("Запрос SQL"));
    QCOMPARE(w->size(), QSize(762, 480));
    for (const char *name : {"DBGrid1", "Memo1", "Button1", "Button3", "Button4", "Button5", "ButtonExit"})
        QVERIFY2(w->findChild<QWidget *>(QLatin1String(name)), name);
    QCOMPARE(w->Memo1->toPlainText(),
             QString("select * from log\n"
                     "where TX_PWR like \"_\" and (COMMENT like \"%qrp%\" or call like \"%/qrp%\")"));
    QCOMPARE(w->Button1->text(), QStringLiteral("Выполнить"));
    QCOMPARE(w->Button3->text(), QStringLiteral("EXCEL"));
    QCOMPARE(w->Button4->text(), QStringLiteral("Сохранить"));
    QCOMPARE(w->Button5->text(), QStringLiteral("Загрузить"));
    QCOMPARE(w->ButtonExit->text(), QStringLiteral("Выход"));
    QCOMPARE(w->DBGrid1->model()->rowCount(), 0);
    QVERIFY(!w->Query1->isActive());
}

void TestSqlWindow::runSelectAll()
{
    QAbstractItemModelTester tester(w->DBGrid1->model(), QAbstractItemModelTester::FailureReportingMode::QtTest);
    run(QStringLiteral("select * from log"));
    QAbstractItemModel *m = w->DBGrid1->model();
    QCOMPARE(m->rowCount(), 4);
    QCOMPARE(m->columnCount(), 18);
    QStringList titles;
    for (int c = 0; c < m->columnCount(); ++c)
        titles << m->headerData(c, Qt::Horizontal).toString();
    QCOMPARE(titles, QStringList({"id", "QSO_DATE", "TIME_ON", "TIME_OFF", "FREQ", "MODE", "CALL", "NAME", "QTH",
                                  "COMMENT", "RST_SENT", "RST_RCVD", "QSL_SENT", "QSL_RCVD", "TX_PWR",
                                  "GRIDSQUARE", "dxcc", "user1"}));
    for (int r = 0; r < 4; ++r)
        QCOMPARE(m->index(r, 17).data().toString(), QString());

    // The initial two-line statement works as it stands.
    run(QStringLiteral("select * from log\n"
                       "where TX_PWR like \"_\" and (COMMENT like \"%qrp%\" or call like \"%/qrp%\")"));
    QCOMPARE(m->rowCount(), 1);
    QCOMPARE(m->index(0, 6).data().toString(), QString("UA3AAA"));
    QVERIFY(fx->errors().isEmpty());
}

void TestSqlWindow::runUpdate()
{
    run(QStringLiteral("select * from log"));
    QCOMPARE(w->DBGrid1->model()->rowCount(), 4);
    run(QStringLiteral("update log\nset COMMENT = coalesce(COMMENT, '') || '!'\nwhere CALL = 'ua3bbb'"));
    QVERIFY(fx->errors().isEmpty());
    QCOMPARE(w->DBGrid1->model()->rowCount(), 0);
    QCOMPARE(AppFixture::query(path, "select COMMENT from log where CALL = 'UA3BBB'"), QString("!"));
    // The log view shows it only once reopened.
    QVERIFY(fx->dm->ADOQueryLog->isActive());
    QCOMPARE(fx->dm->ADOQueryLog->sql(), TDM::standingLogSql());
    QVERIFY(fx->dm->ADOQueryLog->locate(2));
    QCOMPARE(fx->dm->ADOQueryLog->fieldByName("COMMENT").asString(), QString());
}

void TestSqlWindow::runError()
{
    run(QStringLiteral("select * from log"));
    const QString bad = QStringLiteral("select * frm log");
    run(bad);
    QCOMPARE(fx->errors().size(), 1);
    QVERIFY(fx->errors().first().contains("syntax"));
    QCOMPARE(w->Memo1->toPlainText(), bad);
    QCOMPARE(w->DBGrid1->model()->rowCount(), 0);
    run(QStringLiteral("select nosuch from log"));
    QCOMPARE(fx->errors().size(), 2);
    QVERIFY(fx->errors().last().contains("nosuch"));
}

void TestSqlWindow::editInPlace()
{
    w->show();
    QVERIFY(QTest::qWaitForWindowExposed(w));
    run(QStringLiteral("select id, CALL, QTH from log order by id"));
    QAbstractItemModel *m = w->DBGrid1->model();
    QCOMPARE(m->rowCount(), 4);
    QVERIFY(!(m->flags(m->index(0, 0)) & Qt::ItemIsEditable));   // the id
    QVERIFY(m->flags(m->index(1, 2)) & Qt::ItemIsEditable);

    w->DBGrid1->setCurrentIndex(m->index(1, 2));
    QVERIFY(m->setData(m->index(1, 2), QStringLiteral("Тула")));
    // Not written while the row is being edited ...
    QCOMPARE(AppFixture::query(path, "select QTH from log where id = 2"), QString("<null>"));
    // ... but when the grid leaves it.
    w->DBGrid1->setCurrentIndex(m->index(2, 2));
    QCOMPARE(AppFixture::query(path, "select QTH from log where id = 2"), QStringLiteral("Тула"));
    QCOMPARE(AppFixture::query(path, "select count(*) from log where QTH is not null"), QString("1"));

    // A change left pending when the window closes is written too.
    QVERIFY(m->setData(m->index(2, 1), QStringLiteral("UA3ZZZ")));
    QTest::mouseClick(w->ButtonExit, Qt::LeftButton);
    QCOMPARE(AppFixture::query(path, "select CALL from log where id = 3"), QString("UA3ZZZ"));
    QVERIFY(fx->errors().isEmpty());
}

void TestSqlWindow::groupedResultIsReadOnly()
{
    run(QStringLiteral("select MODE, count(*) as n from log group by MODE"));
    QAbstractItemModel *m = w->DBGrid1->model();
    QCOMPARE(m->rowCount(), 2);
    QVERIFY(!(m->flags(m->index(0, 0)) & Qt::ItemIsEditable));
    // Rows without their id cannot be told apart: not editable either.
    run(QStringLiteral("select CALL, QTH from log"));
    QVERIFY(!(m->flags(m->index(0, 1)) & Qt::ItemIsEditable));
}

void TestSqlWindow::exportWorkbook()
{
    QString opened;
    w->setWorkbookOpener([&](const QString &p) { opened = p; return true; });
    run(QStringLiteral("select CALL, FREQ, QSO_DATE from log where MODE = 'CW' order by id"));
    QTest::mouseClick(w->Button3, Qt::LeftButton);
    QVERIFY(fx->errors().isEmpty());
    QVERIFY(!opened.isEmpty());
    QCOMPARE(opened, w->lastWorkbook());
    QVERIFY(opened.endsWith(".xlsx"));
    QVERIFY(QFileInfo(opened).size() > 0);
    QVERIFY(w->Query1->eof());
    QVERIFY(Dialogs::Testing::shown().isEmpty());
}

void TestSqlWindow::exportWithoutResult()
{
    bool opened = false;
    w->setWorkbookOpener([&](const QString &) { opened = true; return true; });
    QTest::mouseClick(w->Button3, Qt::LeftButton);   // nothing run yet
    QCOMPARE(fx->errors().size(), 1);
    QVERIFY(!opened);
    run(QStringLiteral("update log set QTH = 'x' where id = 1"));
    QTest::mouseClick(w->Button3, Qt::LeftButton);   // the last run was a command
    QCOMPARE(fx->errors().size(), 2);
    QVERIFY(!opened);
}

void TestSqlWindow::exportNothingOpens()
{
    w->setWorkbookOpener([](const QString &) { return false; });
    run(QStringLiteral("select CALL from log"));
    QTest::mouseClick(w->Button3, Qt::LeftButton);
    const auto shown = Dialogs::Testing::shown();
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown.first().kind, QString("notice"));
    QVERIFY(shown.first().text.contains(QDir::toNativeSeparators(w->lastWorkbook())));
    QVERIFY(QFile::exists(w->lastWorkbook()));
}

void TestSqlWindow::saveLoad()
{
    const QString file = fx->dir.filePath(QStringLiteral("запрос.sql"));
    const QString text = QStringLiteral("select * from log\nwhere QTH = 'Москва'");
    w->Memo1->setPlainText(text);
    Dialogs::Testing::answerFile(file);
    QTest::mouseClick(w->Button4, Qt::LeftButton);
    QFile f(file);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), QString(text).replace("\n", "\r\n").toUtf8());
    f.close();

    w->Memo1->setPlainText(QStringLiteral("something else"));
    Dialogs::Testing::answerFile(file);
    QTest::mouseClick(w->Button5, Qt::LeftButton);
    QCOMPARE(w->Memo1->toPlainText(), text);
    QVERIFY(fx->errors().isEmpty());
    QVERIFY(!w->Query1->isActive());   // loading does not run it

    // A file that cannot be read leaves the memo as it was.
    Dialogs::Testing::answerFile(fx->dir.filePath(QStringLiteral("missing.sql")));
    QTest::mouseClick(w->Button5, Qt::LeftButton);
    QCOMPARE(fx->errors().size(), 1);
    QCOMPARE(w->Memo1->toPlainText(), text);
}

void TestSqlWindow::saveLoadCancelled()
{
    const QString before = w->Memo1->toPlainText();
    Dialogs::Testing::answerFile(QString());
    QTest::mouseClick(w->Button4, Qt::LeftButton);
    Dialogs::Testing::answerFile(QString());
    QTest::mouseClick(w->Button5, Qt::LeftButton);
    const auto shown = Dialogs::Testing::shown();
    QCOMPARE(shown.size(), 4);
    QCOMPARE(shown[0].kind, QString("save"));
    QCOMPARE(shown[0].text, QString("SaveDialog1"));
    QCOMPARE(shown[1].kind, QString("notice"));
    QCOMPARE(shown[1].text, QStringLiteral("Файл не сохранен!"));
    QCOMPARE(shown[2].kind, QString("open"));
    QCOMPARE(shown[2].text, QString("OpenDialog1"));
    QCOMPARE(shown[3].kind, QString("notice"));
    QCOMPARE(shown[3].text, QStringLiteral("Файл не выбран"));
    QCOMPARE(w->Memo1->toPlainText(), before);
}

void TestSqlWindow::escapeClosesFromAnyControl()
{
    run(QStringLiteral("select * from log"));
    for (QWidget *target : {static_cast<QWidget *>(w->Memo1), static_cast<QWidget *>(w->DBGrid1),
                            static_cast<QWidget *>(w->Button5)}) {
        w->show();
        QVERIFY(QTest::qWaitForWindowActive(w));
        target->setFocus();
        QTest::keyClick(target, Qt::Key_Escape);
        QVERIFY2(!w->isVisible(), qPrintable(target->objectName()));
    }
    QVERIFY(w->Memo1->toPlainText().startsWith("select * from log"));
    // The main window is left alone.
    QVERIFY(fx->form->isVisible());
}

void TestSqlWindow::escapeAbandonsRowEdit()
{
    w->show();
    QVERIFY(QTest::qWaitForWindowActive(w));
    run(QStringLiteral("select id, CALL, QTH from log order by id"));
    QAbstractItemModel *m = w->DBGrid1->model();

    // A changed row, focus elsewhere: Esc drops the change and closes.
    w->DBGrid1->setCurrentIndex(m->index(0, 2));
    QVERIFY(m->setData(m->index(0, 2), QStringLiteral("Орёл")));
    w->Memo1->setFocus();
    QTest::keyClick(w->Memo1, Qt::Key_Escape);
    QVERIFY(!w->isVisible());
    QCOMPARE(w->Query1->state(), Dataset::State::Browse);
    QCOMPARE(AppFixture::query(path, "select count(*) from log where QTH is not null"), QString("0"));

    // Text typed into an open cell editor: the editor drops it, then the window closes.
    w->show();
    QVERIFY(QTest::qWaitForWindowActive(w));
    w->DBGrid1->setFocus();
    w->DBGrid1->setCurrentIndex(m->index(1, 1));
    w->DBGrid1->edit(m->index(1, 1));
    QPointer<QWidget> editor;
    QTRY_VERIFY((editor = QApplication::focusWidget()) && editor != w->DBGrid1 && w->DBGrid1->isAncestorOf(editor));
    QTest::keyClicks(editor, QStringLiteral("XX"));
    QTest::keyClick(editor, Qt::Key_Escape);
    QTRY_VERIFY(!w->isVisible());
    QCOMPARE(AppFixture::query(path, "select CALL from log where id = 2"), QString("UA3BBB"));
    QVERIFY(fx->errors().isEmpty());
}

void TestSqlWindow::focusBackOnLogGrid()
{
    QVERIFY(QTest::qWaitForWindowActive(fx->form));
    fx->ui.Edit4->setFocus();
    w->show();
    QVERIFY(QTest::qWaitForWindowActive(w));
    QTest::mouseClick(w->ButtonExit, Qt::LeftButton);
    QVERIFY(!w->isVisible());
    QTRY_COMPARE(fx->form->focusWidget(), static_cast<QWidget *>(fx->ui.DBGrid1));
}

QTEST_MAIN(TestSqlWindow)
#include "test_sqlwindow.moc"
