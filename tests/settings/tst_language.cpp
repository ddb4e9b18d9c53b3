// Which language the program speaks: the setting, the system's locale as
// gettext reads it from the environment, and the catalogues installed.
#include "settings/programsettings.h"
#include "settings/translations.h"

#include <QCoreApplication>
#include <QProcessEnvironment>
#include <QSettings>
#include <QStandardPaths>
#include <QTest>
#include <QTranslator>

using ProgramSettings::Language;
Q_DECLARE_METATYPE(ProgramSettings::Language)

namespace {
void removeTranslators()
{
    qDeleteAll(QCoreApplication::instance()->findChildren<QTranslator *>());
}
}   // namespace

class TestLanguage : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void cleanup()
    {
        QSettings().clear();
        removeTranslators();
    }

    void systemMessageLanguage_data()
    {
        QTest::addColumn<QStringList>("variables");   // NAME=value
        QTest::addColumn<QString>("expected");
        QTest::newRow("nothing set") << QStringList() << "C";
        QTest::newRow("C.UTF-8") << QStringList{"LANG=C.UTF-8"} << "C";
        QTest::newRow("POSIX") << QStringList{"LANG=POSIX"} << "C";
        QTest::newRow("LANG ru") << QStringList{"LANG=ru_RU.UTF-8"} << "ru";
        QTest::newRow("LANG en") << QStringList{"LANG=en_US.UTF-8"} << "en";
        QTest::newRow("LANG with modifier") << QStringList{"LANG=be_BY@latin"} << "be";
        QTest::newRow("LANG language only") << QStringList{"LANG=de"} << "de";
        QTest::newRow("LC_ALL over LANG") << QStringList{"LANG=ru_RU.UTF-8", "LC_ALL=en_GB.UTF-8"} << "en";
        QTest::newRow("LC_ALL C over LANG") << QStringList{"LANG=ru_RU.UTF-8", "LC_ALL=C.UTF-8"} << "C";
        QTest::newRow("LC_MESSAGES over LANG")
            << QStringList{"LANG=en_US.UTF-8", "LC_MESSAGES=uk_UA.UTF-8"} << "uk";
        QTest::newRow("LC_ALL over LC_MESSAGES")
            << QStringList{"LC_MESSAGES=uk_UA.UTF-8", "LC_ALL=de_DE.UTF-8"} << "de";
        QTest::newRow("empty LC_ALL is unset") << QStringList{"LC_ALL=", "LANG=ru_RU.UTF-8"} << "ru";
        QTest::newRow("LANGUAGE first entry") << QStringList{"LANG=en_US.UTF-8", "LANGUAGE=ru:en"} << "ru";
        QTest::newRow("LANGUAGE with empty entries")
            << QStringList{"LANG=ru_RU.UTF-8", "LANGUAGE=:en_GB:"} << "en";
        QTest::newRow("LANGUAGE ignored under C") << QStringList{"LC_ALL=C.UTF-8", "LANGUAGE=en"} << "C";
        QTest::newRow("LANGUAGE ignored with no locale") << QStringList{"LANGUAGE=en"} << "C";
        QTest::newRow("LANGUAGE of C") << QStringList{"LANG=ru_RU.UTF-8", "LANGUAGE=C"} << "C";
    }

    void systemMessageLanguage()
    {
        QFETCH(QStringList, variables);
        QFETCH(QString, expected);
        QProcessEnvironment env;
        for (const QString &v : variables)
            env.insert(v.section(QLatin1Char('='), 0, 0), v.section(QLatin1Char('='), 1));
        QCOMPARE(ProgramSettings::systemMessageLanguage(env), expected);
    }

    void decision_data()
    {
        QTest::addColumn<Language>("chosen");
        QTest::addColumn<QString>("system");
        QTest::addColumn<Language>("expected");
        QTest::newRow("auto, C") << Language::Automatic << "C" << Language::Russian;
        QTest::newRow("auto, ru") << Language::Automatic << "ru" << Language::Russian;
        QTest::newRow("auto, uk") << Language::Automatic << "uk" << Language::Russian;
        QTest::newRow("auto, be") << Language::Automatic << "be" << Language::Russian;
        QTest::newRow("auto, kk") << Language::Automatic << "kk" << Language::Russian;
        QTest::newRow("auto, en") << Language::Automatic << "en" << Language::English;
        QTest::newRow("auto, de") << Language::Automatic << "de" << Language::English;
        QTest::newRow("auto, pl") << Language::Automatic << "pl" << Language::English;
        QTest::newRow("auto, unknown") << Language::Automatic << "xx" << Language::English;
        QTest::newRow("Russian, en") << Language::Russian << "en" << Language::Russian;
        QTest::newRow("English, ru") << Language::English << "ru" << Language::English;
        QTest::newRow("English, C") << Language::English << "C" << Language::English;
    }

    void decision()
    {
        QFETCH(Language, chosen);
        QFETCH(QString, system);
        QFETCH(Language, expected);
        QCOMPARE(ProgramSettings::interfaceLanguageFor(chosen, system), expected);
    }

    void settingDecidesOverSystem()
    {
        // This test runs under the C locale: automatic is Russian.
        QCOMPARE(ProgramSettings::interfaceLanguage(), Language::Russian);
        ProgramSettings::setLanguage(Language::English);
        QCOMPARE(ProgramSettings::interfaceLanguage(), Language::English);
        ProgramSettings::setLanguage(Language::Russian);
        QCOMPARE(ProgramSettings::interfaceLanguage(), Language::Russian);
        QCOMPARE(ProgramSettings::languageCode(Language::Russian), QStringLiteral("ru"));
        QCOMPARE(ProgramSettings::languageCode(Language::English), QStringLiteral("en"));
    }

    void sourceLanguageTakesQtsOwnTexts()
    {
        // Texts written in Russian: no catalogue of the program's, Qt's own in Russian.
        QVERIFY(Translations::install(QStringLiteral("ru"), QStringLiteral("nosuch"), QStringLiteral("ru")));
        QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), QString::fromUtf8("Отмена"));
    }

    void missingCatalogueInstallsNothing()
    {
        // The program has no Russian texts of its own here: Qt's stay English
        // too, rather than a mixture.
        QVERIFY(!Translations::install(QStringLiteral("ru"), QStringLiteral("nosuch"), QStringLiteral("en")));
        QVERIFY(QCoreApplication::instance()->findChildren<QTranslator *>().isEmpty());
        QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("Cancel"));
        // English texts in an English program: nothing to load at all.
        QVERIFY(Translations::install(QStringLiteral("en"), QStringLiteral("nosuch"), QStringLiteral("en")));
        QVERIFY(QCoreApplication::instance()->findChildren<QTranslator *>().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestLanguage)
#include "tst_language.moc"
