// "QSO import": one QSO handed over by another program in loginput.ini.
#include "apptestkit.h"
#include "exchange/codepage.h"
#include "app/ui/dbgrid.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

class TestHandover : public QObject {
    Q_OBJECT

    QTemporaryDir m_wine;

    QString iniPath() const { return m_wine.filePath(QStringLiteral("drive_c/windows/loginput.ini")); }

    void writeIni(const QByteArray &bytes)
    {
        QFile f(iniPath());
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }

    // A log with one earlier QSO with UA3ABC, attached, the clock set.
    QString openLog(AppFixture &fx)
    {
        const QString path = fx.newLog();
        AppFixture::insertQso(path, QStringLiteral("2010-01-27"), QStringLiteral("12:00"), QStringLiteral("UA3ABC"),
                              QStringLiteral("Ivan"), QStringLiteral("KO85UT"));
        AppFixture::setPcClock(QDateTime(QDate(2026, 12, 10), QTime(9, 41)));
        fx.showAndOpen(path);
        Dialogs::Testing::clear();
        return path;
    }

    static QByteArray example(const char *call, const char *name)
    {
        return QByteArray("[QSO]\r\nCall=") + call + "\r\nName=" + name + "\r\nRprtSent=57\r\nMode=SSB\r\n";
    }

private slots:
    void initTestCase()
    {
        QVERIFY(QDir(m_wine.path()).mkpath(QStringLiteral("drive_c/windows")));
        qputenv("WINEPREFIX", QFile::encodeName(m_wine.path()));
    }
    void init() { QFile::remove(iniPath()); }

    void theExample_data()
    {
        QTest::addColumn<QByteArray>("call");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("grid");
        QTest::addColumn<int>("workedBefore");
        QTest::newRow("new station: om dropped") << QByteArray("DL1XYZ") << QString() << QString() << 0;
        QTest::newRow("worked before: the log's name") << QByteArray("UA3ABC") << QStringLiteral("Ivan")
                                                      << QStringLiteral("KO85UT") << 1;
    }
    void theExample()
    {
        QFETCH(QByteArray, call);
        QFETCH(QString, name);
        QFETCH(QString, grid);
        QFETCH(int, workedBefore);
        AppFixture fx;
        openLog(fx);
        writeIni(example(call.constData(), "om"));
        fx.ui.Edit9->setText(QStringLiteral("kept comment"));
        fx.ui.Edit3->setText(QStringLiteral("14.200"));
        QTest::mouseClick(fx.ui.Button3, Qt::LeftButton);
        QVERIFY2(fx.errors().isEmpty(), qPrintable(fx.errors().join(QLatin1Char('\n'))));
        QCOMPARE(fx.ui.MaskEdit1->text(), QStringLiteral("10.12.2026"));
        QCOMPARE(fx.ui.MaskEdit2->text(), QStringLiteral("09:41"));
        QCOMPARE(fx.ui.Edit4->text(), QString::fromLatin1(call));
        QCOMPARE(fx.ui.Edit5->text(), name);
        QCOMPARE(fx.ui.Edit10->text(), grid);
        QCOMPARE(fx.ui.Edit6->text(), QStringLiteral("57"));   // not the 59 of SSB chosen by hand
        QCOMPARE(fx.ui.Edit7->text(), QStringLiteral("599"));
        QCOMPARE(fx.ui.ComboBox1->currentText(), QStringLiteral("SSB"));
        QCOMPARE(fx.ui.Edit9->text(), QStringLiteral("kept comment"));
        QCOMPARE(fx.ui.Edit3->text(), QStringLiteral("14.200"));
        QCOMPARE(fx.ui.DBGrid2->model()->rowCount(), workedBefore);
        QVERIFY(!fx.ui.Label19->text().isEmpty());   // the call's country
        QCOMPARE(focused(), fx.ui.Edit7);
        QCOMPARE(fx.ui.Label16->text(), QString());
        // Nothing is saved, the file stays.
        QCOMPARE(fx.ui.Label18->text(), QStringLiteral("1"));
        QVERIFY(QFile::exists(iniPath()));
        // F1 saves it as usual.
        pressKey(Qt::Key_F1);
        QCOMPARE(AppFixture::query(fx.session()->currentLogPath(),
                                   QStringLiteral("select CALL, RST_SENT, RST_RCVD, MODE from log order by id desc limit 1")),
                 QString::fromLatin1(call) + QStringLiteral("|57|599|SSB"));
    }

    void namesAsIfTyped_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<QString>("shown");
        QTest::newRow("ivan gets its capital") << QByteArray("ivan") << QStringLiteral("Ivan");
        QTest::newRow("Om stays") << QByteArray("Om") << QStringLiteral("Om");
        QTest::newRow("OM stays") << QByteArray("OM") << QStringLiteral("OM");
    }
    void namesAsIfTyped()
    {
        QFETCH(QByteArray, name);
        QFETCH(QString, shown);
        AppFixture fx;
        openLog(fx);
        writeIni(example("DL1XYZ", name.constData()));
        fx.ui.Edit8->setText(QStringLiteral("berlin"));
        fx.panel()->Button3Click();
        QCOMPARE(fx.ui.Edit5->text(), shown);
        QCOMPARE(fx.ui.Edit8->text(), QStringLiteral("Berlin"));   // left on the way, too
    }

    void keysWithoutCaseAndWindows1251()
    {
        AppFixture fx;
        openLog(fx);
        writeIni(Codepage::toCp1251(QStringLiteral("[qso]\r\ncall = r1abc\r\nNAME=Вася\r\nrprtsent=579\r\nmode=CW\r\n")));
        fx.panel()->Button3Click();
        QCOMPARE(fx.ui.Edit4->text(), QStringLiteral("R1ABC"));
        QCOMPARE(fx.ui.Edit5->text(), QStringLiteral("Вася"));
        QCOMPARE(fx.ui.Edit6->text(), QStringLiteral("579"));
        QCOMPARE(fx.ui.ComboBox1->currentText(), QStringLiteral("CW"));
    }

    void missingFileDoesNothing()
    {
        AppFixture fx;
        openLog(fx);
        fx.ui.Edit4->setText(QStringLiteral("R1ABC"));
        fx.ui.MaskEdit2->setText(QStringLiteral("08:00"));
        fx.panel()->Button3Click();
        QCOMPARE(fx.ui.Edit4->text(), QStringLiteral("R1ABC"));
        QCOMPARE(fx.ui.MaskEdit2->text(), QStringLiteral("08:00"));
        QCOMPARE(fx.ui.Edit7->text(), QStringLiteral("599"));
        QVERIFY(Dialogs::Testing::shown().isEmpty());
        // A folder of that name is not the file either.
        QVERIFY(QDir().mkpath(iniPath()));
        fx.panel()->Button3Click();
        QCOMPARE(fx.ui.Edit4->text(), QStringLiteral("R1ABC"));
        QVERIFY(Dialogs::Testing::shown().isEmpty());
        QVERIFY(QDir(iniPath()).removeRecursively());
    }

    void fileWithoutTheSection()
    {
        AppFixture fx;
        openLog(fx);
        writeIni("[Other]\r\nCall=UA3ABC\r\nName=Petr\r\n");
        fx.ui.Edit4->setText(QStringLiteral("R1ABC"));
        fx.ui.Edit5->setText(QStringLiteral("Ivan"));
        fx.ui.Edit6->setText(QStringLiteral("55"));
        fx.ui.Label19->setText(QStringLiteral("country line"));
        fx.panel()->Button3Click();
        QVERIFY(fx.errors().isEmpty());
        QCOMPARE(fx.ui.Edit4->text(), QString());
        QCOMPARE(fx.ui.Edit5->text(), QString());
        QCOMPARE(fx.ui.Edit6->text(), QString());
        QCOMPARE(fx.ui.ComboBox1->currentText(), QString());
        QCOMPARE(fx.ui.Edit7->text(), QStringLiteral("599"));
        QCOMPARE(fx.ui.DBGrid2->model()->rowCount(), 0);
        QCOMPARE(fx.ui.Label19->text(), QStringLiteral("country line"));
        QCOMPARE(focused(), fx.ui.Edit7);
    }

    void pressingTwiceTakesTheSameQsoAgain()
    {
        AppFixture fx;
        openLog(fx);
        writeIni(example("DL1XYZ", "hans"));
        fx.panel()->Button3Click();
        fx.ui.Edit5->setText(QStringLiteral("changed"));
        fx.ui.Edit7->setText(QStringLiteral("449"));
        AppFixture::setPcClock(QDateTime(QDate(2026, 12, 10), QTime(9, 47)));
        fx.panel()->Button3Click();
        QCOMPARE(fx.ui.MaskEdit2->text(), QStringLiteral("09:47"));
        QCOMPARE(fx.ui.Edit4->text(), QStringLiteral("DL1XYZ"));
        QCOMPARE(fx.ui.Edit5->text(), QStringLiteral("Hans"));
        QCOMPARE(fx.ui.Edit7->text(), QStringLiteral("599"));
        QCOMPARE(focused(), fx.ui.Edit7);
        QCOMPARE(fx.ui.Label18->text(), QStringLiteral("1"));
    }

    void editModeStaysAndEndTimeUntouched()
    {
        AppFixture fx;
        openLog(fx);
        writeIni(example("DL1XYZ", "om"));
        fx.form->DBGrid1DblClick();   // the logged QSO into the panel
        QCOMPARE(fx.ui.Label16->text(), QStringLiteral("QSO editing..."));
        const QString endTime = fx.ui.MaskEdit3->text();
        fx.panel()->Button3Click();
        QVERIFY(fx.panel()->editMode());
        QCOMPARE(fx.ui.Label16->text(), QStringLiteral("QSO editing..."));
        QCOMPARE(fx.ui.MaskEdit3->text(), endTime);
        QCOMPARE(fx.ui.Edit4->text(), QStringLiteral("DL1XYZ"));
    }

    void oddValuesAreCutOnSave()
    {
        AppFixture fx;
        const QString path = openLog(fx);
        const QByteArray longCall(3000, 'K');
        writeIni("[QSO]\nCall=" + longCall + "\nName=\tPe\x01tr\x7f\nRprtSent=5999999999999\nMode=" + QByteArray(40, 'M') + "\n");
        fx.panel()->Button3Click();
        QVERIFY2(fx.errors().isEmpty(), qPrintable(fx.errors().join(QLatin1Char('\n'))));
        QCOMPARE(fx.ui.Edit5->text(), QStringLiteral("Petr"));
        QCOMPARE(focused(), fx.ui.Edit7);
        fx.panel()->Button2Click();   // Сохранить(F1)
        QVERIFY2(fx.errors().isEmpty(), qPrintable(fx.errors().join(QLatin1Char('\n'))));
        QCOMPARE(AppFixture::query(path, QStringLiteral("select CALL, NAME, RST_SENT, MODE from log order by id desc limit 1")),
                 QStringLiteral("KKKKKKKKKKKKKKK|Petr|5999999999|MMMMMMMMMM"));
    }
};

QTEST_MAIN(TestHandover)
#include "test_handover.moc"
