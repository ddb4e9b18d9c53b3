// "Импорт ADIF" and "Экспорт ADIF" driven through the main window.
#include "apptestkit.h"

#include "app/longwork.h"

#include "logdb/dataset.h"
#include "logdb/datasource.h"
#include "settings/programsettings.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTimer>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QSettings>
#include <QStandardPaths>
#include <QtTest>

namespace {

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

void writeAll(const QString &path, const QByteArray &data)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(data);
}

const QByteArray kHeader = "Tarnix by Orvel\r\n<ADIF_VERS:3>1.0\r\n<EOH>\r\n\r\n";

// Presses Cancel on the long-work dialog as soon as it shows (the tests let
// it show at once), as the operator would.
class CancelWhenShown : public QObject {
public:
    CancelWhenShown()
    {
        LongWork::setDialogDelayMs(0);
        connect(&m_timer, &QTimer::timeout, this, [this] {
            for (QWidget *w : QApplication::allWidgets()) {
                if (w->objectName() == QLatin1String("LongWorkDialog") && w->isVisible()) {
                    m_timer.stop();
                    w->findChild<QPushButton *>(QStringLiteral("LongWorkCancel"))->click();
                    pressed = true;
                    return;
                }
            }
        });
        m_timer.start(0);
    }
    ~CancelWhenShown() override { LongWork::setDialogDelayMs(500); }
    bool pressed = false;

private:
    QTimer m_timer;
};

QStringList notices()
{
    QStringList out;
    for (const auto &shown : Dialogs::Testing::shown()) {
        if (shown.kind == QLatin1String("notice"))
            out << shown.text;
    }
    return out;
}

// A log of `count` QSOs, a minute apart, calls K0..K<count-1>.
void fillLog(const QString &log, int count)
{
    AppFixture::exec(log,
                     QStringLiteral(
                         "insert into log (QSO_DATE, TIME_ON, TIME_OFF, CALL, MODE, dxcc) "
                         "with recursive n(i) as (select 0 union all select i + 1 from n where i < LAST) "
                         "select date('2020-01-01', '+' || (i / 1440) || ' days'), "
                         "printf('%02d:%02d', i / 60 % 24, i % 60), printf('%02d:%02d', i / 60 % 24, i % "
                         "60), 'K' || i, 'CW', 'OLD' "
                         "from n")
                         .replace(QStringLiteral("LAST"), QString::number(count - 1)));
}

} // namespace

class TestAdifWindow : public QObject {
    Q_OBJECT
private slots:
    void exportWritesTheLogView();
    void exportErrorRestoresWindow();
    void exportCancelled();
    void importAppendsAndResets();
    void importStopsAtBadRecord();
    void importCancelledStillResets();
    void importMissingFile();
    void roundTripThroughTheWindow();
    void exportSaysWhenItWritesUtf8_data();
    void exportSaysWhenItWritesUtf8();
    void importCancelledKeepsWholeQsos();
    void exportCancelledWritesNothing();
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void cleanup() { QSettings().clear(); }
};

void TestAdifWindow::exportWritesTheLogView()
{
    AppFixture fx;
    const QString log = fx.newLog();
    AppFixture::insertQso(log, QStringLiteral("2024-01-02"), QStringLiteral("10:00"), QStringLiteral("B2B"),
                          QStringLiteral("Иван"));
    AppFixture::insertQso(log, QStringLiteral("2024-01-01"), QStringLiteral("09:30"), QStringLiteral("A1A"));
    fx.showAndOpen(log);
    QVERIFY(fx.errors().isEmpty());

    const QString out = fx.dir.filePath(QStringLiteral("out.adi"));
    writeAll(out, "an older file");
    Dialogs::Testing::answerFile(out);
    fx.form->ADIF2Click();
    QVERIFY(fx.errors().isEmpty());
    const QByteArray expected = kHeader
        + "<CALL:3>A1A\r\n<QSO_DATE:8:D>20240101\r\n<TIME_ON:4>0930\r\n<TIME_OFF:4>0930\r\n<MODE:2>CW\r\n"
          "<FREQ:6>14.074\r\n<RST_SENT:3>599\r\n<RST_RCVD:3>599\r\n<QSL_SENT:1>N\r\n<QSL_RCVD:1>N\r\n"
          "<TX_PWR:3>100\r\n<EOR>\r\n\r\n"
          "<CALL:3>B2B\r\n<QSO_DATE:8:D>20240102\r\n<TIME_ON:4>1000\r\n<TIME_OFF:4>1000\r\n<MODE:2>CW\r\n"
          "<NAME:4>\xC8\xE2\xE0\xED\r\n"
          "<FREQ:6>14.074\r\n<RST_SENT:3>599\r\n<RST_RCVD:3>599\r\n<QSL_SENT:1>N\r\n<QSL_RCVD:1>N\r\n"
          "<TX_PWR:3>100\r\n<EOR>\r\n\r\n";
    QCOMPARE(readAll(out), expected);
    QVERIFY(fx.ui.ProgressBar1->isHidden());
    QCOMPARE(fx.ui.ProgressBar1->value(), 0);
    QVERIFY(fx.dm->DataSource1->isEnabled());
    QCOMPARE(fx.dm->ADOQueryLog->recNo(), 1);   // the log view stands on its last row
}

void TestAdifWindow::exportErrorRestoresWindow()
{
    AppFixture fx;
    const QString log = fx.newLog();
    AppFixture::insertQso(log, QStringLiteral("2024-01-02"), QStringLiteral("10:00"), QStringLiteral("B2B"));
    fx.showAndOpen(log);

    const QString out = fx.dir.filePath(QStringLiteral("missing/out.adi"));
    Dialogs::Testing::answerFile(out);
    fx.form->ADIF2Click();
    QCOMPARE(fx.errors(),
             QStringList{QStringLiteral("Cannot create file \"%1\". No such file or directory.").arg(out)});
    QVERIFY(fx.ui.ProgressBar1->isHidden());
    QVERIFY(fx.dm->DataSource1->isEnabled());
}

void TestAdifWindow::exportCancelled()
{
    AppFixture fx;
    const QString log = fx.newLog();
    fx.showAndOpen(log);
    Dialogs::Testing::answerFile(QString());
    fx.form->ADIF2Click();
    QVERIFY(fx.errors().isEmpty());
    QVERIFY(fx.ui.ProgressBar1->isHidden());
}

void TestAdifWindow::importAppendsAndResets()
{
    AppFixture fx;
    const QString log = fx.newLog();
    AppFixture::insertQso(log, QStringLiteral("2024-01-02"), QStringLiteral("10:00"), QStringLiteral("B2B"));
    fx.showAndOpen(log);
    fx.ui.Edit4->setText(QStringLiteral("TYPED"));

    const QString in = fx.dir.filePath(QStringLiteral("in.adi"));
    writeAll(in, QStringLiteral("<EOH><CALL:6>UA3ABC<QSO_DATE:8:D>20240301<TIME_ON:6>101500<NAME:12>Сергей<EOR>"
                                "<call:5>DL1XY<qso_date:8>20240302<time_on:4>1100<eor>")
                     .toUtf8());
    Dialogs::Testing::answerFile(in);
    fx.form->ADIF1Click();
    QVERIFY(fx.errors().isEmpty());
    QCOMPARE(AppFixture::query(log, QStringLiteral("select CALL, QSO_DATE, TIME_ON, TIME_OFF, NAME, dxcc from log order by id")),
             QStringLiteral("B2B|2024-01-02|10:00|10:00|<null>|<null>\n"
                            "UA3ABC|2024-03-01|10:15|10:15|Сергей|<null>\n"
                            "DL1XY|2024-03-02|11:00|11:00||<null>"));
    // The view shows the new rows; the entry panel was reset.
    QCOMPARE(fx.dm->ADOQueryLog->recordCount(), 3);
    QCOMPARE(fx.ui.Label18->text(), QStringLiteral("3"));
    QCOMPARE(fx.dm->ADOQueryLog->recNo(), 2);
    QCOMPARE(fx.dm->ADOQueryLog->fieldByName(QStringLiteral("CALL")).asString(), QStringLiteral("DL1XY"));
    QVERIFY(fx.ui.Edit4->text().isEmpty());
    QVERIFY(fx.ui.ProgressBar1->isHidden());
    QVERIFY(fx.dm->DataSource1->isEnabled());
}

void TestAdifWindow::importStopsAtBadRecord()
{
    AppFixture fx;
    const QString log = fx.newLog();
    fx.showAndOpen(log);
    fx.ui.Edit4->setText(QStringLiteral("TYPED"));

    const QString in = fx.dir.filePath(QStringLiteral("in.adi"));
    writeAll(in, "<EOH><CALL:4>K1AB<QSO_DATE:8>20240115<TIME_ON:4>1200<EOR>\r\n"
                 "<CALL:5>DL1XY<QSO_DATE:8>20240116<TIME_ON:4>0730<EOR>\r\n"
                 "<CALL:5>F5ABC<QSO_DATE:8>20241332<TIME_ON:4>0800<EOR>\r\n"
                 "<CALL:5>G4DEF<QSO_DATE:8>20240117<TIME_ON:4>0900<EOR>\r\n");
    Dialogs::Testing::answerFile(in);
    fx.form->ADIF1Click();
    QCOMPARE(fx.errors(), QStringList{QStringLiteral("'32.13.2024' is not a valid date.")});
    QCOMPARE(AppFixture::query(log, QStringLiteral("select CALL from log order by id")),
             QStringLiteral("K1AB\nDL1XY"));
    // Window restored; the two stored QSOs shown and counted; the panel kept.
    QVERIFY(fx.ui.ProgressBar1->isHidden());
    QCOMPARE(fx.ui.ProgressBar1->value(), 0);
    QVERIFY(fx.dm->DataSource1->isEnabled());
    QCOMPARE(fx.dm->ADOQueryLog->recordCount(), 2);
    QCOMPARE(fx.ui.Label18->text(), QStringLiteral("2"));
    QCOMPARE(fx.ui.Edit4->text(), QStringLiteral("TYPED"));
}

void TestAdifWindow::importCancelledStillResets()
{
    AppFixture fx;
    const QString log = fx.newLog();
    fx.showAndOpen(log);
    fx.ui.Edit4->setText(QStringLiteral("TYPED"));
    Dialogs::Testing::answerFile(QString());
    fx.form->ADIF1Click();
    QVERIFY(fx.errors().isEmpty());
    QVERIFY(fx.ui.Edit4->text().isEmpty());
}

void TestAdifWindow::importMissingFile()
{
    AppFixture fx;
    const QString log = fx.newLog();
    fx.showAndOpen(log);
    const QString in = fx.dir.filePath(QStringLiteral("none.adi"));
    Dialogs::Testing::answerFile(in);
    fx.form->ADIF1Click();
    QCOMPARE(fx.errors(),
             QStringList{QStringLiteral("Cannot open file \"%1\". No such file or directory.").arg(in)});
    QVERIFY(fx.ui.ProgressBar1->isHidden());
    QVERIFY(fx.dm->DataSource1->isEnabled());
}

void TestAdifWindow::roundTripThroughTheWindow()
{
    AppFixture fx;
    const QString from = fx.newLog(QStringLiteral("from.mdb"));
    AppFixture::insertQso(from, QStringLiteral("2024-01-02"), QStringLiteral("10:00"), QStringLiteral("UA3ABC"),
                          QStringLiteral("Пётр Ёлкин"), QStringLiteral("KO85UR"),
                          QStringLiteral("update log set QTH = 'Щёлково', COMMENT = 'тнх 73'"));
    AppFixture::insertQso(from, QStringLiteral("2023-12-31"), QStringLiteral("23:59"), QStringLiteral("K1AB"));
    fx.showAndOpen(from);
    const QString file = fx.dir.filePath(QStringLiteral("rt.adi"));
    Dialogs::Testing::answerFile(file);
    fx.form->ADIF2Click();

    const QString to = fx.newLog(QStringLiteral("to.mdb"));
    Dialogs::Testing::answerFile(to);
    fx.form->N7Click();
    Dialogs::Testing::answerFile(file);
    fx.form->ADIF1Click();
    QVERIFY(fx.errors().isEmpty());

    // A NULL text and an empty one read back alike; ADIF carries neither.
    QStringList cells;
    for (const char *c : {"CALL", "QSO_DATE", "TIME_ON", "TIME_OFF", "MODE", "NAME", "QTH", "COMMENT", "FREQ",
                          "RST_SENT", "RST_RCVD", "QSL_SENT", "QSL_RCVD", "TX_PWR", "GRIDSQUARE"})
        cells << QStringLiteral("ifnull(%1, '')").arg(QLatin1String(c));
    const QString columns =
        QStringLiteral("select %1 from log order by QSO_DATE, TIME_ON").arg(cells.join(QStringLiteral(", ")));
    QCOMPARE(AppFixture::query(to, columns), AppFixture::query(from, columns));
}

void TestAdifWindow::exportSaysWhenItWritesUtf8_data()
{
    QTest::addColumn<bool>("utf8Setting");
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("notice");
    QTest::addColumn<QByteArray>("nameTag");
    QTest::newRow("Windows-1251, fits") << false << QString::fromUtf8("Иван") << false << QByteArray("<NAME:4>\xC8\xE2\xE0\xED");
    QTest::newRow("Windows-1251, does not fit") << false << QString::fromUtf8("Jürgen") << true
                                                << QByteArray("<NAME:7>J\xC3\xBCrgen");
    QTest::newRow("UTF-8 always") << true << QString::fromUtf8("Иван") << false
                                  << QByteArray("<NAME:8>\xD0\x98\xD0\xB2\xD0\xB0\xD0\xBD");
}

void TestAdifWindow::exportSaysWhenItWritesUtf8()
{
    QFETCH(bool, utf8Setting);
    QFETCH(QString, name);
    QFETCH(bool, notice);
    QFETCH(QByteArray, nameTag);
    ProgramSettings::setAdifExportEncoding(utf8Setting ? ProgramSettings::AdifEncoding::Utf8
                                                       : ProgramSettings::AdifEncoding::Cp1251);
    AppFixture fx;
    const QString log = fx.newLog();
    AppFixture::insertQso(log, QStringLiteral("2024-01-02"), QStringLiteral("10:00"), QStringLiteral("DL1ABC"), name);
    fx.showAndOpen(log);
    Dialogs::Testing::clear();
    const QString out = fx.dir.filePath(QStringLiteral("out.adi"));
    Dialogs::Testing::answerFile(out);
    fx.form->ADIF2Click();
    QVERIFY(fx.errors().isEmpty());
    bool said = false;
    for (const auto &shown : Dialogs::Testing::shown())
        said = said || (shown.kind == QLatin1String("notice") && shown.text.contains(QLatin1String("UTF-8")));
    QCOMPARE(said, notice);
    QVERIFY2(readAll(out).contains(nameTag), readAll(out).constData());
}

void TestAdifWindow::importCancelledKeepsWholeQsos()
{
    AppFixture fx;
    const QString log = fx.newLog();
    AppFixture::insertQso(log, QStringLiteral("2019-01-02"), QStringLiteral("10:00"), QStringLiteral("OLD1"));
    fx.showAndOpen(log);
    fx.ui.Edit4->setText(QStringLiteral("TYPED"));
    const int total = 4000;
    QByteArray adi = kHeader;
    for (int i = 0; i < total; ++i)
        adi += "<CALL:5>N" + QByteArray::number(1000 + i) + "<QSO_DATE:8>20240115<TIME_ON:4>1200<EOR>\r\n";
    const QString in = fx.dir.filePath(QStringLiteral("in.adi"));
    writeAll(in, adi);
    Dialogs::Testing::clear();
    Dialogs::Testing::answerFile(in);
    CancelWhenShown cancel;
    fx.form->ADIF1Click();
    QVERIFY(cancel.pressed);
    QVERIFY(fx.errors().isEmpty());

    const int stored
        = AppFixture::query(log, QStringLiteral("select count(*) from log where CALL like 'N%'")).toInt();
    QVERIFY2(stored > 0 && stored < total, qPrintable(QString::number(stored)));
    QCOMPARE(notices(), QStringList{QStringLiteral("Импорт прерван. Записано QSO: %1.").arg(stored)});
    // Whole QSOs, the first ones of the file.
    QCOMPARE(AppFixture::query(log,
                               QStringLiteral("select count(*) from log where CALL like 'N%' and "
                                              "CALL = 'N' || (1000 + id - 2) and QSO_DATE = '2024-01-15' "
                                              "and TIME_ON = '12:00' and TIME_OFF = '12:00'")),
             QString::number(stored));
    // The view shows them, the panel starts over, the window is back.
    QCOMPARE(fx.dm->ADOQueryLog->recordCount(), stored + 1);
    QCOMPARE(fx.ui.Label18->text(), QString::number(stored + 1));
    QVERIFY(fx.ui.Edit4->text().isEmpty());
    QVERIFY(fx.ui.ProgressBar1->isHidden());
    QVERIFY(fx.dm->DataSource1->isEnabled());
}

void TestAdifWindow::exportCancelledWritesNothing()
{
    AppFixture fx;
    const QString log = fx.newLog();
    fillLog(log, 4000);
    fx.showAndOpen(log);
    const QString out = fx.dir.filePath(QStringLiteral("out.adi"));
    writeAll(out, "an older file");
    const QStringList before = QDir(fx.dir.path()).entryList(QDir::Files | QDir::Hidden);
    Dialogs::Testing::clear();
    Dialogs::Testing::answerFile(out);
    CancelWhenShown cancel;
    fx.form->ADIF2Click();
    QVERIFY(cancel.pressed);
    QVERIFY(fx.errors().isEmpty());
    QCOMPARE(notices(), QStringList{QStringLiteral("Экспорт прерван. Файл не записан.")});
    QCOMPARE(readAll(out), QByteArray("an older file"));
    QCOMPARE(QDir(fx.dir.path()).entryList(QDir::Files | QDir::Hidden), before);
    QVERIFY(fx.ui.ProgressBar1->isHidden());
    QVERIFY(fx.dm->DataSource1->isEnabled());
}

QTEST_MAIN(TestAdifWindow)
#include "test_adif.moc"
