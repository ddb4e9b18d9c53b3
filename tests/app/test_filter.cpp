// The filter window over the real main window and data module.
#include "apptestkit.h"

#include "logdb/dataset.h"
#include "app/tformfilter.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

class TestFilter : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void layout();
    void composeByButtons();
    void joinerToggles();
    void applyQrpWithoutStatement();
    void applyQroWithoutStatement();
    void applyInvalidThenCancel();
    void cancelResets();
    void filterStaysWhenAnotherLogIsAttached();
    void resetEntryFormWritesLastDate();
    void datesTypedByHand();

private:
    void fillLog(const QString &path);

    std::unique_ptr<AppFixture> fx;
    TFormFilter *f = nullptr;
    QString path;
};

void TestFilter::fillLog(const QString &p)
{
    AppFixture::insertQso(p, "2005-03-01", "10:00", "UA3AAA", QString(), QString(),
                          "update log set TX_PWR = '5', COMMENT = 'qrp' where CALL = 'UA3AAA'");
    AppFixture::insertQso(p, "2004-12-31", "09:00", "UA3BBB");
    AppFixture::insertQso(p, "2005-06-15", "12:30", "DL1XX", QString(), QString(),
                          "update log set TX_PWR = '1', MODE = 'SSB' where CALL = 'DL1XX'");
    AppFixture::insertQso(p, "2006-01-01", "00:05", "O'BRIEN");
}

void TestFilter::init()
{
    fx = std::make_unique<AppFixture>();
    path = fx->newLog();
    fillLog(path);
    fx->showAndOpen(path);
    QVERIFY(fx->errors().isEmpty());
    QCOMPARE(fx->dm->ADOQueryLog->recordCount(), 4);
    Dialogs::Testing::clear();
    f = fx->window<TFormFilter>("FormFilter");
    QVERIFY(f);
}

void TestFilter::cleanup()
{
    fx.reset();
    f = nullptr;
}

void TestFilter::layout()
{
    QCOMPARE(f->windowTitle(), QStringLiteral("Установка фильтра"));
    QCOMPARE(f->size(), QSize(394, 328));
    for (const char *name : {"RadioButton1", "RadioButton2", "RadioButton3", "ComboBox1", "Edit1", "Button3",
                             "ComboBox2", "Edit2", "Label3", "CheckBox1", "MaskEdit1", "MaskEdit2", "Button4",
                             "Edit3", "Button2", "Button1", "Label1", "Label2"})
        QVERIFY2(f->findChild<QWidget *>(QLatin1String(name)), name);
    QVERIFY(f->RadioButton1->isChecked());
    QCOMPARE(f->RadioButton3->text(), QString("2xWay QRP"));
    QCOMPARE(f->ComboBox1->currentText(), QString("CALL"));
    QCOMPARE(f->ComboBox2->currentText(), QString("FREQ"));
    QCOMPARE(f->ComboBox1->count(), 12);
    QCOMPARE(f->ComboBox2->itemText(11), QString("dxcc"));
    QCOMPARE(f->Button3->text(), QString("and"));
    QVERIFY(!(f->Button3->focusPolicy() & Qt::TabFocus));
    QCOMPARE(f->MaskEdit1->text(), QString("27.01.1970"));
    QCOMPARE(f->MaskEdit1->maxLength(), 10);
    QCOMPARE(f->Label3->text(), QStringLiteral("В маске можно использовать символы _ и %"));
    QCOMPARE(f->Label1->text(), QStringLiteral("с"));
    QCOMPARE(f->Label2->text(), QStringLiteral("по"));
    QCOMPARE(f->Button4->text(), QStringLiteral("Сформировать запрос"));
    QVERIFY(f->Edit3->text().isEmpty());
    QVERIFY(!f->CheckBox1->isChecked());
    QVERIFY(f->CheckBox1->text().isEmpty());
    // "Отменить фильтр" stands left of "Применить" at the bottom.
    QVERIFY(f->Button2->x() < f->Button1->x());
    QCOMPARE(f->Button1->text(), QStringLiteral("Применить"));
    QCOMPARE(f->Button2->text(), QStringLiteral("Отменить фильтр"));
}

void TestFilter::composeByButtons()
{
    f->Edit1->setText(QStringLiteral("O'B%"));
    QTest::mouseClick(f->Button4, Qt::LeftButton);
    QCOMPARE(f->Edit3->text(), QString("select * from log where CALL like 'O''B%'"));

    f->Edit1->setText(QStringLiteral("UA3%"));
    f->ComboBox2->setEditText(QStringLiteral("MODE"));
    f->Edit2->setText(QStringLiteral("CW"));
    QTest::mouseClick(f->Button3, Qt::LeftButton);
    QTest::mouseClick(f->Button4, Qt::LeftButton);
    QCOMPARE(f->Edit3->text(), QString("select * from log where (CALL like 'UA3%') or (MODE like 'CW')"));

    f->CheckBox1->setChecked(true);
    f->MaskEdit1->setText(QStringLiteral("01.01.2005"));
    f->MaskEdit2->setText(QStringLiteral("31.12.2005"));
    QTest::mouseClick(f->Button4, Qt::LeftButton);
    QCOMPARE(f->Edit3->text(), QString("select * from log where QSO_Date between DateValue('01.01.2005') "
                                       "and DateValue('31.12.2005')"));

    // Nothing to compose: the text stays.
    f->CheckBox1->setChecked(false);
    f->Edit1->clear();
    QTest::mouseClick(f->Button4, Qt::LeftButton);
    QVERIFY(f->Edit3->text().contains("DateValue"));
    // Only the second mask: ignored.
    f->Edit2->setText(QStringLiteral("SSB"));
    QTest::mouseClick(f->Button4, Qt::LeftButton);
    QVERIFY(f->Edit3->text().contains("DateValue"));
}

void TestFilter::joinerToggles()
{
    QTest::mouseClick(f->Button3, Qt::LeftButton);
    QCOMPARE(f->Button3->text(), QString("or"));
    QTest::mouseClick(f->Button3, Qt::LeftButton);
    QCOMPARE(f->Button3->text(), QString("and"));
}

void TestFilter::applyQrpWithoutStatement()
{
    f->show();
    f->RadioButton2->setChecked(true);
    QTest::mouseClick(f->Button1, Qt::LeftButton);
    Dataset *log = fx->dm->ADOQueryLog;
    QCOMPARE(log->sql(), QStringList({"select * from log where ", "(TX_PWR like \"_\")"}));
    QCOMPARE(log->recordCount(), 2);
    QCOMPARE(log->recNo(), 1);
    QCOMPARE(fx->ui.Label18->text(), QString("2"));
    QVERIFY(!f->isVisible());
    QVERIFY(fx->errors().isEmpty());

    // Two-way QRP: a one-character power and "qrp" in the comment or "/qrp" in the call.
    f->show();
    f->RadioButton3->setChecked(true);
    QTest::mouseClick(f->Button1, Qt::LeftButton);
    QCOMPARE(fx->ui.Label18->text(), QString("1"));
    QCOMPARE(log->fieldByName("CALL").asString(), QString("UA3AAA"));
}

void TestFilter::applyQroWithoutStatement()
{
    f->show();
    fx->dm->ADOQueryLog->first();
    fx->ui.Label18->setText(QStringLiteral("stale"));
    QTest::mouseClick(f->Button1, Qt::LeftButton);
    QCOMPARE(fx->dm->ADOQueryLog->sql(), TDM::standingLogSql());
    QCOMPARE(fx->dm->ADOQueryLog->recNo(), 3);
    QCOMPARE(fx->ui.Label18->text(), QString("4"));
    QVERIFY(!f->isVisible());
}

void TestFilter::applyInvalidThenCancel()
{
    f->show();
    f->ComboBox1->setEditText(QStringLiteral("NOSUCH"));
    f->Edit1->setText(QStringLiteral("x"));
    QTest::mouseClick(f->Button4, Qt::LeftButton);
    QTest::mouseClick(f->Button1, Qt::LeftButton);
    QCOMPARE(fx->errors().size(), 1);
    QVERIFY(fx->errors().first().contains("NOSUCH", Qt::CaseInsensitive));
    QVERIFY(f->isVisible());
    QVERIFY(!fx->dm->ADOQueryLog->isActive());
    QCOMPARE(fx->dm->ADOQueryLog->sql(), QStringList{"select * from log where NOSUCH like 'x'"});

    QTest::mouseClick(f->Button2, Qt::LeftButton);
    QCOMPARE(fx->errors().size(), 1);
    QVERIFY(fx->dm->ADOQueryLog->isActive());
    QCOMPARE(fx->dm->ADOQueryLog->sql(), TDM::standingLogSql());
    QCOMPARE(fx->ui.Label18->text(), QString("4"));
    QVERIFY(!f->isVisible());
}

void TestFilter::cancelResets()
{
    f->RadioButton3->setChecked(true);
    f->Edit1->setText(QStringLiteral("UA%"));
    QTest::mouseClick(f->Button3, Qt::LeftButton);
    QTest::mouseClick(f->Button4, Qt::LeftButton);
    f->CheckBox1->setChecked(true);
    f->show();
    // The statement composed before the tick stands; two-way QRP narrows it.
    QTest::mouseClick(f->Button1, Qt::LeftButton);
    QCOMPARE(fx->ui.Label18->text(), QString("1"));

    f->show();
    QTest::mouseClick(f->Button2, Qt::LeftButton);
    QCOMPARE(fx->dm->ADOQueryLog->sql(), TDM::standingLogSql());
    QCOMPARE(fx->ui.Label18->text(), QString("4"));
    QCOMPARE(fx->dm->ADOQueryLog->recNo(), 3);
    QVERIFY(f->RadioButton1->isChecked());
    QVERIFY(f->Edit3->text().isEmpty());
    QVERIFY(!f->CheckBox1->isChecked());
    // The rest keeps its contents.
    QCOMPARE(f->Edit1->text(), QString("UA%"));
    QCOMPARE(f->Button3->text(), QString("or"));
    QVERIFY(!f->isVisible());
}

void TestFilter::filterStaysWhenAnotherLogIsAttached()
{
    f->show();
    f->Edit1->setText(QStringLiteral("%X%"));
    QTest::mouseClick(f->Button4, Qt::LeftButton);
    QTest::mouseClick(f->Button1, Qt::LeftButton);
    QCOMPARE(fx->ui.Label18->text(), QString("1"));

    const QString other = fx->newLog(QStringLiteral("other.mdb"));
    AppFixture::insertQso(other, "2010-01-01", "10:00", "K1XYZ");
    AppFixture::insertQso(other, "2010-01-02", "10:00", "K2ABC");
    AppFixture::insertQso(other, "2010-01-03", "10:00", "EX8X");
    fx->form->AttachLog(other);
    QCOMPARE(fx->dm->ADOQueryLog->sql(), QStringList{"select * from log where CALL like '%X%'"});
    QCOMPARE(fx->dm->ADOQueryLog->recordCount(), 2);
    // The attach recorded the filter as the statement to come back to.
    QCOMPARE(fx->session()->savedLogSql(), QString("select * from log where CALL like '%X%'\r\n"));
    f->show();
    QTest::mouseClick(f->Button2, Qt::LeftButton);
    QCOMPARE(fx->dm->ADOQueryLog->sql(), QStringList{"select * from log where CALL like '%X%'"});
    QVERIFY(fx->errors().isEmpty());
}

void TestFilter::resetEntryFormWritesLastDate()
{
    AppFixture::setPcClock(QDateTime(QDate(2024, 2, 29), QTime(23, 30)));
    fx->panel()->ResetEntryForm();
    QCOMPARE(f->MaskEdit2->text(), QString("29.02.2024"));
    f->CheckBox1->setChecked(true);
    f->MaskEdit1->setText(QStringLiteral("01.01.2005"));
    QTest::mouseClick(f->Button4, Qt::LeftButton);
    QCOMPARE(f->Edit3->text(), QString("select * from log where QSO_Date between DateValue('01.01.2005') "
                                       "and DateValue('29.02.2024')"));
    f->show();
    QTest::mouseClick(f->Button1, Qt::LeftButton);
    QCOMPARE(fx->ui.Label18->text(), QString("3"));
}

void TestFilter::datesTypedByHand()
{
    // Typed from the start of fields that hold a date already.
    f->show();
    QVERIFY(QTest::qWaitForWindowActive(f));
    f->CheckBox1->setChecked(true);
    for (auto [field, text] : {std::pair{f->MaskEdit1, QStringLiteral("5.3.2024")}, {f->MaskEdit2, QStringLiteral("06042024")}}) {
        field->setFocus(Qt::OtherFocusReason);
        field->setCursorPosition(0);
        QTest::keyClicks(field, text);
    }
    QTest::mouseClick(f->Button4, Qt::LeftButton);
    QCOMPARE(f->Edit3->text(), QString("select * from log where QSO_Date between DateValue('05.03.2024') "
                                       "and DateValue('06.04.2024')"));
    f->hide();
}

QTEST_MAIN(TestFilter)
#include "test_filter.moc"
