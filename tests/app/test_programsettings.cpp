// "Параметры программы" and the country file: program-wide settings stored
// and used, a newer cty.dat taken or refused, and a country file without
// countries reported at start-up.
#include "apptestkit.h"

#include "app/programsettingsdialog.h"
#include "app/taboutbox.h"
#include "country/ctysupport.h"
#include "settings/programsettings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QRadioButton>
#include <QSettings>
#include <QSpinBox>
#include <QStandardPaths>
#include <QtTest>

namespace {

void writeFile(const QString &path, const QByteArray &data)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(data);
}

const QByteArray kNewer = "Testland:                 14:  27:  EU:   50.00:   -10.00:    -1.0:  QQ:\n"
                          "    QQ,=VERSION;\n";

} // namespace

class TestProgramSettings : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void cleanup()
    {
        QSettings().clear();
        QDir(QFileInfo(UserCountryFilePath()).absolutePath()).removeRecursively();
        LoadCountryTable(CountryFilePath());
    }

    void settingsStoredAndUsed()
    {
        AppFixture fx;
        const QString log = fx.newLog();
        fx.showAndOpen(log);
        auto *w = fx.window<ProgramSettingsDialog>("ProgramSettingsDialog");
        QVERIFY(fx.ui.N1->findChild<QAction *>(QStringLiteral("programSettingsAction")));
        w->show();
        QCOMPARE(w->languageBox->currentIndex(), 0);   // automatic
        QVERIFY(w->cp1251Button->isChecked());
        QVERIFY(w->snapshotsBox->isChecked());
        QCOMPARE(w->keepNewestBox->value(), 10);
        QCOMPARE(w->keepDailyBox->value(), 30);
        w->languageBox->setCurrentIndex(2);
        w->utf8Button->setChecked(true);
        w->snapshotsBox->setChecked(false);
        w->keepNewestBox->setValue(3);
        w->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok)->click();
        QCOMPARE(ProgramSettings::language(), ProgramSettings::Language::English);
        QCOMPARE(ProgramSettings::adifExportEncoding(), ProgramSettings::AdifEncoding::Utf8);
        QCOMPARE(ProgramSettings::snapshotPolicy().enabled, false);
        QCOMPARE(ProgramSettings::snapshotPolicy().keepNewest, 3);
        // The log session follows at once: no snapshot when the log is let go.
        QCOMPARE(fx.session()->snapshots()->policy().enabled, false);
    }

    void newerCountryFileTaken()
    {
        AppFixture fx;
        fx.showAndOpen(fx.newLog());
        const QString chosen = fx.dir.filePath(QStringLiteral("cty-3510.dat"));
        writeFile(chosen, kNewer);
        auto *w = fx.window<ProgramSettingsDialog>("ProgramSettingsDialog");
        Dialogs::Testing::clear();
        Dialogs::Testing::answerFile(chosen);
        w->loadCountryFile();
        QVERIFY(fx.errors().isEmpty());
        QVERIFY(w->countryFileLabel->text().contains(QStringLiteral("Testland")));
        QCOMPARE(FindCountryByCall(QStringLiteral("QQ1AB")).Name, QStringLiteral("Testland"));
        // The About window names it too.
        auto *about = fx.window<TAboutBox>("AboutBox");
        about->show();
        QVERIFY2(about->CountryFile->text().contains(QStringLiteral("Testland")), qPrintable(about->CountryFile->text()));
        about->hide();
    }

    void brokenCountryFileRefused_data()
    {
        QTest::addColumn<QByteArray>("contents");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("not a country file") << QByteArray("<CALL:5>DL1AB<EOR>\n");
    }

    void brokenCountryFileRefused()
    {
        QFETCH(QByteArray, contents);
        AppFixture fx;
        fx.showAndOpen(fx.newLog());
        const QString chosen = fx.dir.filePath(QStringLiteral("broken.dat"));
        writeFile(chosen, contents);
        const CountryInfo before = FindCountryByCall(QStringLiteral("DL1ABC"));
        QVERIFY(!before.Name.isEmpty());
        auto *w = fx.window<ProgramSettingsDialog>("ProgramSettingsDialog");
        Dialogs::Testing::clear();
        Dialogs::Testing::answerFile(chosen);
        w->loadCountryFile();
        QCOMPARE(fx.errors().size(), 1);
        QVERIFY2(fx.errors().first().contains(chosen), qPrintable(fx.errors().first()));
        QCOMPARE(FindCountryByCall(QStringLiteral("DL1ABC")).Name, before.Name);   // the tables in use stay
        QVERIFY(!QFile::exists(UserCountryFilePath()));
    }

    void countryFileWithoutCountriesReportedAtStart()
    {
        writeFile(UserCountryFilePath(), QByteArray("\x01\x02 random bytes, no country at all\n"));
        AppFixture fx;   // the main window loads the country file when it is made
        QCOMPARE(fx.errors().size(), 1);
        QVERIFY2(fx.errors().first().contains(UserCountryFilePath()), qPrintable(fx.errors().first()));
        // Start-up goes on: the Open dialog comes and a log attaches.
        fx.showAndOpen(fx.newLog());
        QVERIFY(fx.session()->isAttached());
    }
};

QTEST_MAIN(TestProgramSettings)
#include "test_programsettings.moc"
