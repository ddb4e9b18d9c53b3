#include "tformfilter.h"
#include "tformsql.h"

#include "dataset.h"
#include "dberror.h"
#include "dbgrid.h"
#include "dialogs.h"
#include "sqlfile.h"
#include "schema.h"
#include "tdm.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QtTest>
#include <memory>

class TestQueryForms : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void filterLayout();
    void filterComposeByButtons();
    void filterJoinerToggles();
    void filterApplyQrpWithoutStatement();
    void filterApplyQroWithoutStatement();
    void filterCancelResets();
    void filterApplyInvalidThenCancel();

    void sqlLayout();
    void sqlRunSelectAll();
    void sqlRunUpdate();
    void sqlEditInPlace();
    void sqlGroupedResultIsReadOnly();
    void sqlRunError();
    void sqlExport();
    void sqlExportWithoutResult();
    void sqlExportNothingOpens();
    void sqlSaveLoad();
    void sqlSaveLoadCancelled();
    void sqlEscapeClosesFromAnyControl();
    void sqlFocusBackOnClose();

private slots:
    void initTestCase() { Dialogs::Testing::enable(); }

private:
    QString logPath() const { return m_dir.filePath(QStringLiteral("log.mdb")); }
    QVariant scalar(const QString &sql);

    QTemporaryDir m_dir;
    std::unique_ptr<TDM> m_dm;
};

static QString row(const char *date, const char *call, const char *mode, const char *pwr,
                   const char *comment)
{
    return QStringLiteral("insert into log (QSO_DATE, TIME_ON, TIME_OFF, FREQ, MODE, CALL, NAME, QTH, "
                          "COMMENT, RST_SENT, RST_RCVD, QSL_SENT, QSL_RCVD, TX_PWR, GRIDSQUARE, dxcc) "
                          "values ('%1', '10:00', '10:05', '7.030', '%3', '%2', '', '', '%5', '599', '599', "
                          "'N', 'N', '%4', '', 'UA')")
        .arg(QLatin1String(date), QLatin1String(call), QLatin1String(mode), QLatin1String(pwr),
             QLatin1String(comment));
}

void TestQueryForms::init()
{
    QFile::remove(logPath());
    Schema::createTemplate(logPath());
    m_dm = std::make_unique<TDM>();
    m_dm->ADOConnection1->setConnectionString(
        QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=%1;Persist Security Info=false ")
            .arg(logPath()));
    m_dm->ADOConnection1->open();
    for (const QString &s : {row("2005-03-01", "UA3AAA", "CW", "5", "qrp"),
                             row("2004-12-31", "UA3BBB", "SSB", "100", ""),
                             row("2005-06-15", "DL1XX", "CW", "1", ""),
                             row("2006-01-01", "RA3CCC", "FM", "50", "")})
        m_dm->ADOConnection1->execute(s);
    m_dm->ADOQueryLog->open();
}

void TestQueryForms::cleanup()
{
    Dialogs::Testing::clear();
    m_dm.reset();
}

QVariant TestQueryForms::scalar(const QString &sql)
{
    Dataset q(QStringLiteral("Check"), m_dm->ADOConnection1);
    q.setSql({sql});
    q.open();
    return q.valueAt(0, 0);
}

void TestQueryForms::filterLayout()
{
    TFormFilter f(m_dm.get());
    QCOMPARE(f.windowTitle(), QStringLiteral("Установка фильтра"));
    QCOMPARE(f.size(), QSize(394, 328));
    for (const char *name : {"RadioButton1", "RadioButton2", "RadioButton3", "ComboBox1", "Edit1", "Button3",
                             "ComboBox2", "Edit2", "Label3", "CheckBox1", "MaskEdit1", "MaskEdit2", "Button4",
                             "Edit3", "Button2", "Button1", "Label1", "Label2"})
        QVERIFY2(f.findChild<QWidget *>(QLatin1String(name)), name);
    QVERIFY(f.RadioButton1->isChecked());
    QCOMPARE(f.ComboBox1->currentText(), QString("CALL"));
    QCOMPARE(f.ComboBox2->currentText(), QString("FREQ"));
    QCOMPARE(f.ComboBox1->count(), 12);
    QCOMPARE(f.ComboBox2->itemText(11), QString("dxcc"));
    QCOMPARE(f.Button3->text(), QString("and"));
    QVERIFY(!(f.Button3->focusPolicy() & Qt::TabFocus));
    QCOMPARE(f.MaskEdit1->text(), QString("27.01.1970"));
    QCOMPARE(f.MaskEdit2->text(), QString("27.01.2010"));
    QCOMPARE(f.MaskEdit1->maxLength(), 10);
    QCOMPARE(f.Label3->text(), QStringLiteral("В маске можно использовать символы _ и %"));
    QVERIFY(f.Edit3->text().isEmpty());
    QVERIFY(!f.CheckBox1->isChecked());
    // "Отменить фильтр" stands left of "Применить" at the bottom.
    QVERIFY(f.Button2->x() < f.Button1->x());
    QCOMPARE(f.Button1->text(), QStringLiteral("Применить"));
    QCOMPARE(f.Button2->text(), QStringLiteral("Отменить фильтр"));
}

void TestQueryForms::filterComposeByButtons()
{
    TFormFilter f(m_dm.get());
    f.Edit1->setText(QStringLiteral("O'B%"));
    QTest::mouseClick(f.Button4, Qt::LeftButton);
    QCOMPARE(f.Edit3->text(), QString("select * from log where CALL like 'O''B%'"));

    f.Edit1->setText(QStringLiteral("UA3%"));
    f.ComboBox2->setEditText(QStringLiteral("MODE"));
    f.Edit2->setText(QStringLiteral("CW"));
    QTest::mouseClick(f.Button3, Qt::LeftButton);
    QTest::mouseClick(f.Button4, Qt::LeftButton);
    QCOMPARE(f.Edit3->text(), QString("select * from log where (CALL like 'UA3%') or (MODE like 'CW')"));

    f.CheckBox1->setChecked(true);
    f.MaskEdit1->setText(QStringLiteral("01.01.2005"));
    f.MaskEdit2->setText(QStringLiteral("31.12.2005"));
    QTest::mouseClick(f.Button4, Qt::LeftButton);
    QCOMPARE(f.Edit3->text(), QString("select * from log where QSO_Date between DateValue('01.01.2005') "
                                      "and DateValue('31.12.2005')"));

    // Nothing to compose: the text stays.
    f.CheckBox1->setChecked(false);
    f.Edit1->clear();
    QTest::mouseClick(f.Button4, Qt::LeftButton);
    QVERIFY(f.Edit3->text().contains("DateValue"));
}

void TestQueryForms::filterJoinerToggles()
{
    TFormFilter f(m_dm.get());
    QTest::mouseClick(f.Button3, Qt::LeftButton);
    QCOMPARE(f.Button3->text(), QString("or"));
    QTest::mouseClick(f.Button3, Qt::LeftButton);
    QCOMPARE(f.Button3->text(), QString("and"));
}

void TestQueryForms::filterApplyQrpWithoutStatement()
{
    TFormFilter f(m_dm.get());
    QSignalSpy count(&f, &TFormFilter::logCountChanged);
    f.show();
    f.RadioButton2->setChecked(true);
    QTest::mouseClick(f.Button1, Qt::LeftButton);
    QCOMPARE(m_dm->ADOQueryLog->sql(),
             QStringList({"select * from log where ", "(TX_PWR like \"_\")"}));
    QCOMPARE(m_dm->ADOQueryLog->recordCount(), 2);
    QCOMPARE(m_dm->ADOQueryLog->recNo(), 1);
    QCOMPARE(count.size(), 1);
    QCOMPARE(count.first().first().toInt(), 2);
    QVERIFY(!f.isVisible());
    QCOMPARE(f.result(), int(QDialog::Accepted));
}

void TestQueryForms::filterApplyQroWithoutStatement()
{
    TFormFilter f(m_dm.get());
    QSignalSpy count(&f, &TFormFilter::logCountChanged);
    f.show();
    m_dm->ADOQueryLog->first();
    QTest::mouseClick(f.Button1, Qt::LeftButton);
    QCOMPARE(m_dm->ADOQueryLog->sql(), TDM::standingLogSql());
    QCOMPARE(m_dm->ADOQueryLog->recNo(), 3);
    QCOMPARE(count.size(), 1);
    QCOMPARE(count.first().first().toInt(), 4);
    QVERIFY(!f.isVisible());
}

void TestQueryForms::filterCancelResets()
{
    TFormFilter f(m_dm.get());
    f.setSavedLogSqlSource([] { return QStringLiteral("select * from log\r\norder by qso_date, time_on\r\n"); });
    QSignalSpy count(&f, &TFormFilter::logCountChanged);
    f.RadioButton3->setChecked(true);
    f.Edit1->setText(QStringLiteral("UA%"));
    QTest::mouseClick(f.Button3, Qt::LeftButton);
    QTest::mouseClick(f.Button4, Qt::LeftButton);
    f.CheckBox1->setChecked(true);
    f.show();
    // The statement composed before the tick stands; two-way QRP narrows it.
    QTest::mouseClick(f.Button1, Qt::LeftButton);
    QCOMPARE(m_dm->ADOQueryLog->recordCount(), 1);

    f.show();
    QTest::mouseClick(f.Button2, Qt::LeftButton);
    QCOMPARE(m_dm->ADOQueryLog->sql(), TDM::standingLogSql());
    QCOMPARE(count.last().first().toInt(), 4);
    QVERIFY(f.RadioButton1->isChecked());
    QVERIFY(f.Edit3->text().isEmpty());
    QVERIFY(!f.CheckBox1->isChecked());
    // The rest keeps its contents.
    QCOMPARE(f.Edit1->text(), QString("UA%"));
    QCOMPARE(f.Button3->text(), QString("or"));
    QVERIFY(!f.isVisible());
}

void TestQueryForms::filterApplyInvalidThenCancel()
{
    TFormFilter f(m_dm.get());
    f.setSavedLogSqlSource([] { return QStringLiteral("select * from log\r\norder by qso_date, time_on\r\n"); });
    QSignalSpy count(&f, &TFormFilter::logCountChanged);
    f.show();
    f.ComboBox1->setEditText(QStringLiteral("NOSUCH"));
    f.Edit1->setText(QStringLiteral("x"));
    QTest::mouseClick(f.Button4, Qt::LeftButton);
    QTest::mouseClick(f.Button1, Qt::LeftButton);
    QCOMPARE(Dialogs::Testing::errors().size(), 1);
    QVERIFY(Dialogs::Testing::errors().first().contains("NOSUCH", Qt::CaseInsensitive));
    QVERIFY(f.isVisible());
    QVERIFY(!m_dm->ADOQueryLog->isActive());
    QCOMPARE(m_dm->ADOQueryLog->sql(), QStringList{"select * from log where NOSUCH like 'x'"});
    QCOMPARE(count.size(), 0);

    QTest::mouseClick(f.Button2, Qt::LeftButton);
    QVERIFY(m_dm->ADOQueryLog->isActive());
    QCOMPARE(m_dm->ADOQueryLog->sql(), TDM::standingLogSql());
    QCOMPARE(count.last().first().toInt(), 4);
    QVERIFY(!f.isVisible());
}

void TestQueryForms::sqlLayout()
{
    TFormSQL w(m_dm.get());
    QCOMPARE(w.windowTitle(), QStringLiteral("Запрос SQL"));
    QCOMPARE(w.size(), QSize(762, 480));
    for (const char *name : {"DBGrid1", "Memo1", "Button1", "Button3", "Button4", "Button5", "ButtonExit"})
        QVERIFY2(w.findChild<QWidget *>(QLatin1String(name)), name);
    QCOMPARE(w.Memo1->toPlainText(),
             QString("select * from log\n"
                     "where TX_PWR like \"_\" and (COMMENT like \"%qrp%\" or call like \"%/qrp%\")"));
    QCOMPARE(w.Button1->text(), QStringLiteral("Выполнить"));
    QCOMPARE(w.Button3->text(), QStringLiteral("EXCEL"));
    QCOMPARE(w.Button4->text(), QStringLiteral("Сохранить"));
    QCOMPARE(w.Button5->text(), QStringLiteral("Загрузить"));
    QCOMPARE(w.ButtonExit->text(), QStringLiteral("Выход"));
    QCOMPARE(w.dialogFolder(), QDir::currentPath());
    QCOMPARE(w.DBGrid1->model()->rowCount(), 0);
}

void TestQueryForms::sqlRunSelectAll()
{
    TFormSQL w(m_dm.get());
    QAbstractItemModelTester tester(w.DBGrid1->model(), QAbstractItemModelTester::FailureReportingMode::QtTest);
    w.Memo1->setPlainText(QStringLiteral("select * from log"));
    QTest::mouseClick(w.Button1, Qt::LeftButton);
    QAbstractItemModel *m = w.DBGrid1->model();
    QCOMPARE(m->rowCount(), 4);
    QCOMPARE(m->columnCount(), 18);
    QCOMPARE(m->headerData(0, Qt::Horizontal).toString(), QString("id"));
    QCOMPARE(m->headerData(6, Qt::Horizontal).toString(), QString("CALL"));
    QCOMPARE(m->headerData(17, Qt::Horizontal).toString(), QString("user1"));
    QCOMPARE(m->index(0, 17).data().toString(), QString());

    // The initial two-line statement works as it stands.
    w.Memo1->setPlainText(QStringLiteral(
        "select * from log\nwhere TX_PWR like \"_\" and (COMMENT like \"%qrp%\" or call like \"%/qrp%\")"));
    QTest::mouseClick(w.Button1, Qt::LeftButton);
    QCOMPARE(m->rowCount(), 1);
    QCOMPARE(m->index(0, 6).data().toString(), QString("UA3AAA"));
}

void TestQueryForms::sqlRunUpdate()
{
    TFormSQL w(m_dm.get());
    w.Memo1->setPlainText(QStringLiteral("select * from log"));
    QTest::mouseClick(w.Button1, Qt::LeftButton);
    QCOMPARE(w.DBGrid1->model()->rowCount(), 4);
    w.Memo1->setPlainText(QStringLiteral("update log\nset COMMENT = COMMENT || '!'\nwhere CALL = 'ua3bbb'"));
    QTest::mouseClick(w.Button1, Qt::LeftButton);
    QCOMPARE(w.DBGrid1->model()->rowCount(), 0);
    QCOMPARE(scalar("select COMMENT from log where CALL = 'UA3BBB'").toString(), QString("!"));
    // The log view shows it only once reopened.
    QCOMPARE(m_dm->ADOQueryLog->sql(), TDM::standingLogSql());
}

void TestQueryForms::sqlEditInPlace()
{
    TFormSQL w(m_dm.get());
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    w.Memo1->setPlainText(QStringLiteral("select id, CALL, QTH from log order by id"));
    QTest::mouseClick(w.Button1, Qt::LeftButton);
    QAbstractItemModel *m = w.DBGrid1->model();
    QCOMPARE(m->rowCount(), 4);
    QVERIFY(!(m->flags(m->index(0, 0)) & Qt::ItemIsEditable));   // the id
    QVERIFY(m->flags(m->index(1, 2)) & Qt::ItemIsEditable);

    w.DBGrid1->setCurrentIndex(m->index(1, 2));
    QVERIFY(m->setData(m->index(1, 2), QStringLiteral("Тула")));
    // Not written while the row is being edited ...
    QCOMPARE(scalar("select QTH from log where id = 2").toString(), QString());
    // ... but when the grid leaves it.
    w.DBGrid1->setCurrentIndex(m->index(2, 2));
    QCOMPARE(scalar("select QTH from log where id = 2").toString(), QStringLiteral("Тула"));
    QCOMPARE(scalar("select count(*) from log where QTH = 'Тула'").toInt(), 1);
    w.close();
}

void TestQueryForms::sqlGroupedResultIsReadOnly()
{
    TFormSQL w(m_dm.get());
    w.Memo1->setPlainText(QStringLiteral("select MODE, count(*) as n from log group by MODE"));
    QTest::mouseClick(w.Button1, Qt::LeftButton);
    QAbstractItemModel *m = w.DBGrid1->model();
    QCOMPARE(m->rowCount(), 3);
    QVERIFY(!(m->flags(m->index(0, 0)) & Qt::ItemIsEditable));
}

void TestQueryForms::sqlRunError()
{
    TFormSQL w(m_dm.get());
    w.Memo1->setPlainText(QStringLiteral("select * from log"));
    QTest::mouseClick(w.Button1, Qt::LeftButton);
    const QString bad = QStringLiteral("select * frm log");
    w.Memo1->setPlainText(bad);
    QTest::mouseClick(w.Button1, Qt::LeftButton);
    QCOMPARE(Dialogs::Testing::errors().size(), 1);
    QVERIFY(Dialogs::Testing::errors().first().contains("syntax"));
    QCOMPARE(w.Memo1->toPlainText(), bad);
    QCOMPARE(w.DBGrid1->model()->rowCount(), 0);
}

void TestQueryForms::sqlExport()
{
    TFormSQL w(m_dm.get());
    QString opened;
    w.setWorkbookOpener([&](const QString &p) { opened = p; return true; });
    w.Memo1->setPlainText(QStringLiteral("select CALL, FREQ, QSO_DATE from log where MODE = 'CW' order by id"));
    QTest::mouseClick(w.Button1, Qt::LeftButton);
    QTest::mouseClick(w.Button3, Qt::LeftButton);
    QVERIFY(!opened.isEmpty());
    QCOMPARE(opened, w.lastWorkbook());
    QVERIFY(QFileInfo(opened).size() > 0);
    QVERIFY(w.Query1->eof());
    QDir(QFileInfo(opened).path()).removeRecursively();
}

void TestQueryForms::sqlExportWithoutResult()
{
    TFormSQL w(m_dm.get());
    bool opened = false;
    w.setWorkbookOpener([&](const QString &) { opened = true; return true; });
    QTest::mouseClick(w.Button3, Qt::LeftButton);   // nothing run yet
    QCOMPARE(Dialogs::Testing::errors().size(), 1);
    QVERIFY(!opened);
    w.Memo1->setPlainText(QStringLiteral("update log set QTH = 'x' where id = 1"));
    QTest::mouseClick(w.Button1, Qt::LeftButton);
    QTest::mouseClick(w.Button3, Qt::LeftButton);   // the last run was a command
    QCOMPARE(Dialogs::Testing::errors().size(), 2);
    QVERIFY(!opened);
}

void TestQueryForms::sqlExportNothingOpens()
{
    TFormSQL w(m_dm.get());
    w.setWorkbookOpener([](const QString &) { return false; });
    w.Memo1->setPlainText(QStringLiteral("select CALL from log"));
    QTest::mouseClick(w.Button1, Qt::LeftButton);
    QTest::mouseClick(w.Button3, Qt::LeftButton);
    const auto shown = Dialogs::Testing::shown();
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown.first().kind, QString("notice"));
    QVERIFY(shown.first().text.contains(QDir::toNativeSeparators(w.lastWorkbook())));
    QVERIFY(QFile::exists(w.lastWorkbook()));
    QDir(QFileInfo(w.lastWorkbook()).path()).removeRecursively();
}

void TestQueryForms::sqlSaveLoad()
{
    TFormSQL w(m_dm.get());
    const QString path = m_dir.filePath(QStringLiteral("запрос.sql"));
    const QString text = QStringLiteral("select * from log\nwhere QTH = 'Москва'");
    w.Memo1->setPlainText(text);
    Dialogs::Testing::answerFile(path);
    QTest::mouseClick(w.Button4, Qt::LeftButton);
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), QString(text).replace("\n", "\r\n").toUtf8());
    f.close();

    w.Memo1->setPlainText(QStringLiteral("something else"));
    Dialogs::Testing::answerFile(path);
    QTest::mouseClick(w.Button5, Qt::LeftButton);
    QCOMPARE(w.Memo1->toPlainText(), text);
    QVERIFY(Dialogs::Testing::errors().isEmpty());
    // Loading does not run the statement.
    QVERIFY(!w.Query1->isActive());

    // A file that cannot be read leaves the memo as it was.
    Dialogs::Testing::answerFile(m_dir.filePath(QStringLiteral("missing.sql")));
    QTest::mouseClick(w.Button5, Qt::LeftButton);
    QCOMPARE(Dialogs::Testing::errors().size(), 1);
    QCOMPARE(w.Memo1->toPlainText(), text);
}

void TestQueryForms::sqlSaveLoadCancelled()
{
    TFormSQL w(m_dm.get());
    const QString before = w.Memo1->toPlainText();
    Dialogs::Testing::answerFile(QString());
    QTest::mouseClick(w.Button4, Qt::LeftButton);
    Dialogs::Testing::answerFile(QString());
    QTest::mouseClick(w.Button5, Qt::LeftButton);
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
    QCOMPARE(w.Memo1->toPlainText(), before);
}

void TestQueryForms::sqlEscapeClosesFromAnyControl()
{
    TFormSQL w(m_dm.get());
    for (QWidget *target : {static_cast<QWidget *>(w.Memo1), static_cast<QWidget *>(w.DBGrid1),
                            static_cast<QWidget *>(w.Button5)}) {
        w.show();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        target->setFocus();
        QTest::keyClick(target, Qt::Key_Escape);
        QVERIFY2(!w.isVisible(), qPrintable(target->objectName()));
    }
    // The memo keeps its text.
    QVERIFY(w.Memo1->toPlainText().startsWith("select * from log"));
}

void TestQueryForms::sqlFocusBackOnClose()
{
    QWidget main;
    auto *grid = new QTableView(&main);
    grid->setObjectName(QStringLiteral("DBGrid1"));
    auto *other = new QLineEdit(&main);
    main.show();
    QVERIFY(QTest::qWaitForWindowActive(&main));
    other->setFocus();

    TFormSQL w(m_dm.get(), &main);
    w.setReturnFocus(grid);
    w.show();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    QTest::mouseClick(w.ButtonExit, Qt::LeftButton);
    QVERIFY(!w.isVisible());
    QTRY_COMPARE(main.focusWidget(), static_cast<QWidget *>(grid));
}

QTEST_MAIN(TestQueryForms)
#include "test_queryforms.moc"
