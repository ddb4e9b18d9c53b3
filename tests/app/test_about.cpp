// The About window: readme.txt read at start-up, the licence button, Esc.
#include "apptestkit.h"
#include "exchange/codepage.h"
#include "settings/programfiles.h"
#include "app/taboutbox.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QUrl>
#include <QtTest>

// Takes the desktop's "open" requests instead of starting a viewer.
class UrlCatcher : public QObject {
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void open(const QUrl &url) { urls << url; }
};

class TestAbout : public QObject {
    Q_OBJECT

    static TAboutBox *about(AppFixture &fx) { return fx.window<TAboutBox>("AboutBox"); }

    static bool showActive(QWidget *w)
    {
        w->show();
        w->activateWindow();
        return QTest::qWaitFor([w] { return QApplication::activeWindow() == w; }, 5000);
    }

    static void writeFile(const QString &path, const QByteArray &bytes)
    {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }

private slots:
    void cleanup()
    {
        ProgramFiles::setSearchDirsForTesting({});
        QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
    }

    void showsTheShippedReadme()
    {
        AppFixture fx;
        QVERIFY2(fx.errors().isEmpty(), qPrintable(fx.errors().join(QLatin1Char('\n'))));
        TAboutBox *box = about(fx);
        QCOMPARE(box->windowTitle(), QStringLiteral("О программе"));
        QCOMPARE(box->size(), QSize(531, 413));
        QFile f(QStringLiteral(TARNIX_BIN_DIR "/readme.txt"));
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(f.readAll());
        QCOMPARE(box->Memo1->toPlainText() + QLatin1Char('\n'), text);
        QVERIFY(box->Memo1->toPlainText().contains(QStringLiteral("Tarnix")));
        // The program's lines.
        QStringList labels;
        for (QLabel *l : box->Panel1->findChildren<QLabel *>())
            labels << l->text();
        for (const QString &line : {QStringLiteral("Программа"), QStringLiteral("Tarnix - Аппаратный журнал"),
                                    QStringLiteral("Version 1.3            18.05.2008"),
                                    QStringLiteral("Простой, компактный,"), QStringLiteral("QRP совместимый..."),
                                    QStringLiteral("73,72! from Orvel")})
            QVERIFY2(labels.contains(line), qPrintable(line));
        QCOMPARE(box->Button1->text(), QStringLiteral("Текст лицензионного соглашения"));
        QVERIFY(box->OKButton->isDefault());
    }

    void readmeInWorkingDirectoryComesFirst()
    {
        QTemporaryDir dir;
        // Windows-1251 text with CR LF, as an older editor writes it.
        writeFile(dir.filePath(QStringLiteral("readme.txt")),
                  Codepage::toCp1251(QStringLiteral("Журнал станции\r\nвторая строка\r\n")));
        const QString saved = QDir::currentPath();
        QDir::setCurrent(dir.path());
        AppFixture fx;
        QDir::setCurrent(saved);
        QVERIFY(fx.errors().isEmpty());
        QCOMPARE(about(fx)->Memo1->toPlainText(), QStringLiteral("Журнал станции\nвторая строка"));
    }

    void missingReadmeShownOnceStartupGoesOn()
    {
        QTemporaryDir dir;
        ProgramFiles::setSearchDirsForTesting({dir.path()});
        AppFixture fx;
        const QString expected = QStringLiteral("Cannot open file \"%1\". ").arg(QDir(dir.path()).filePath(QStringLiteral("readme.txt")));
        QCOMPARE(fx.errors().size(), 1);
        QVERIFY2(fx.errors().first().startsWith(expected), qPrintable(fx.errors().first()));
        QVERIFY(about(fx)->Memo1->toPlainText().isEmpty());
        // The program goes on to its Open dialog and attaches the log.
        const QString log = fx.newLog();
        fx.showAndOpen(log);
        QCOMPARE(fx.session()->currentLogPath(), log);
        QCOMPARE(fx.errors().size(), 1);
    }

    void escapeClosesFromAnyControl_data()
    {
        QTest::addColumn<QString>("control");
        QTest::newRow("memo") << "Memo1";
        QTest::newRow("licence button") << "Button1";
        QTest::newRow("OK") << "OKButton";
    }
    void escapeClosesFromAnyControl()
    {
        QFETCH(QString, control);
        AppFixture fx;
        TAboutBox *box = about(fx);
        QVERIFY(showActive(box));
        auto *w = box->findChild<QWidget *>(control);
        w->setFocus(Qt::OtherFocusReason);
        QCOMPARE(QApplication::focusWidget(), w);
        pressKey(Qt::Key_Escape);
        QVERIFY(!box->isVisible());
    }

    void memoKeepsEditsBetweenShowings()
    {
        AppFixture fx;
        TAboutBox *box = about(fx);
        QVERIFY(showActive(box));
        box->Memo1->setFocus(Qt::OtherFocusReason);
        box->Memo1->moveCursor(QTextCursor::Start);
        QTest::keyClicks(box->Memo1, QStringLiteral("73 de R1ABC"));
        QTest::keyClick(box->Memo1, Qt::Key_Return);   // a new line in the memo, not OK
        QVERIFY(box->isVisible());
        QTest::mouseClick(box->OKButton, Qt::LeftButton);
        QVERIFY(!box->isVisible());
        QVERIFY(showActive(box));
        QVERIFY(box->Memo1->toPlainText().startsWith(QStringLiteral("73 de R1ABC\n")));
        // Nothing is written back.
        QFile f(QStringLiteral(TARNIX_BIN_DIR "/readme.txt"));
        QVERIFY(f.open(QIODevice::ReadOnly));
        QVERIFY(!f.readAll().contains("R1ABC"));
    }

    void licenceOpensInTheDesktopViewer()
    {
        AppFixture fx;
        UrlCatcher catcher;
        QDesktopServices::setUrlHandler(QStringLiteral("file"), &catcher, "open");
        TAboutBox *box = about(fx);
        QVERIFY(showActive(box));
        QTest::mouseClick(box->Button1, Qt::LeftButton);
        QCOMPARE(catcher.urls.size(), 1);
        QCOMPARE(catcher.urls.first().toLocalFile(),
                 QFileInfo(QStringLiteral(TARNIX_BIN_DIR "/Лицензия.txt")).absoluteFilePath());
        QVERIFY(QFileInfo(catcher.urls.first().toLocalFile()).size() > 0);
        QVERIFY(box->isVisible());

        // No licence file: nothing opens, nothing is said, the window stays.
        QTemporaryDir empty;
        ProgramFiles::setSearchDirsForTesting({empty.path()});
        Dialogs::Testing::clear();
        box->Button1Click();
        QCOMPARE(catcher.urls.size(), 1);
        QVERIFY(Dialogs::Testing::shown().isEmpty());
        QVERIFY(box->isVisible());
        QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
    }

    void openedFromTheMenuWhileNoLogIsAttached()
    {
        AppFixture fx;
        fx.showAndOpen(QString());
        QVERIFY(fx.ui.N6->isEnabled());
        // The menu command shows it modally; close it from inside the loop.
        bool seen = false;
        QTimer::singleShot(0, fx.form, [&] {
            seen = about(fx)->isVisible();
            about(fx)->reject();
        });
        fx.form->N6Click();
        QVERIFY(seen);
        QVERIFY(!about(fx)->isVisible());
    }
};

QTEST_MAIN(TestAbout)
#include "test_about.moc"
