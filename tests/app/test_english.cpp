// Under an English locale the program speaks English: every caption, label,
// button, menu item and tool tip of every window, the report previews and
// every message box are free of Cyrillic letters. Data (calls, names, mode
// names, country names) is not the program's text and is kept ASCII here.
// CTest runs this program with LANG=en_US.UTF-8.
#include "apptestkit.h"

#include "app/programsettingsdialog.h"
#include "app/taboutbox.h"
#include "app/tformdxcc.h"
#include "app/tformfilter.h"
#include "app/tformmodes.h"
#include "app/tformopc.h"
#include "app/tformsql.h"
#include "country/ctysupport.h"
#include "jetwriter.h"
#include "logdb/snapshots.h"
#include "print/printpreview.h"
#include "settings/programsettings.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QSettings>
#include <QStandardPaths>
#include <QTabWidget>
#include <QToolBar>
#include <QtTest>

namespace {

bool hasCyrillic(const QString &text)
{
    for (const QChar c : text)
        if (c.script() == QChar::Script_Cyrillic)
            return true;
    return false;
}

// Collects what the operator reads in a window and reports any Cyrillic in it.
class TextScan {
public:
    void add(const QString &where, const QString &text)
    {
        if (text.isEmpty())
            return;
        ++m_count;
        if (hasCyrillic(text))
            m_found << QStringLiteral("%1: \"%2\"").arg(where, text);
    }

    void addAction(const QString &where, const QAction *a)
    {
        add(where + QStringLiteral(" text"), a->text());
        add(where + QStringLiteral(" tool tip"), a->toolTip());
        add(where + QStringLiteral(" status tip"), a->statusTip());
        if (a->menu())
            addWindow(a->menu());
    }

    void addWindow(QWidget *root)
    {
        QList<QWidget *> widgets = root->findChildren<QWidget *>();
        widgets.prepend(root);
        for (QWidget *w : widgets) {
            const QString name
                = QStringLiteral("%1 %2").arg(QLatin1String(w->metaObject()->className()), w->objectName());
            if (w->isWindow())
                add(name + QStringLiteral(" title"), w->windowTitle());
            add(name + QStringLiteral(" tool tip"), w->toolTip());
            add(name + QStringLiteral(" accessible name"), w->accessibleName());
            add(name + QStringLiteral(" accessible description"), w->accessibleDescription());
            if (auto *l = qobject_cast<QLabel *>(w))
                add(name, l->text());
            if (auto *b = qobject_cast<QAbstractButton *>(w))
                add(name, b->text());
            if (auto *g = qobject_cast<QGroupBox *>(w))
                add(name, g->title());
            if (auto *m = qobject_cast<QMenu *>(w))
                add(name, m->title());
            if (auto *t = qobject_cast<QTabWidget *>(w))
                for (int i = 0; i < t->count(); ++i) {
                    add(name + QStringLiteral(" tab"), t->tabText(i));
                    add(name + QStringLiteral(" tab tip"), t->tabToolTip(i));
                }
            if (auto *h = qobject_cast<QHeaderView *>(w); h && h->model())
                for (int i = 0; i < h->count(); ++i)
                    add(name + QStringLiteral(" header"),
                        h->model()->headerData(i, h->orientation()).toString());
            if (auto *c = qobject_cast<QComboBox *>(w))
                for (int i = 0; i < c->count(); ++i) {
                    // The languages are named each in its own language.
                    if (w->objectName() == QLatin1String("languageBox") && i > 0)
                        continue;
                    add(name + QStringLiteral(" item"), c->itemText(i));
                }
            for (const QAction *a : w->actions())
                addAction(name + QStringLiteral(" action ") + a->objectName(), a);
        }
    }

    void addShown()
    {
        for (const Dialogs::Testing::Shown &s : Dialogs::Testing::shown()) {
            add(s.kind + QStringLiteral(" title"), s.title);
            if (s.kind != QLatin1String("open") && s.kind != QLatin1String("save"))
                add(s.kind, s.text);
            add(s.kind + QStringLiteral(" file type"), s.filter.section(QLatin1Char('|'), 0, 0));
        }
    }

    int count() const { return m_count; }
    QString found() const { return m_found.join(QLatin1Char('\n')); }

private:
    int m_count = 0;
    QStringList m_found;
};

QStringList kindsShown()
{
    QStringList kinds;
    for (const Dialogs::Testing::Shown &s : Dialogs::Testing::shown())
        kinds << s.kind;
    return kinds;
}

QString textShown(const QString &kind)
{
    for (const Dialogs::Testing::Shown &s : Dialogs::Testing::shown())
        if (s.kind == kind)
            return s.text;
    return QString();
}

void writeFile(const QString &path, const QByteArray &data)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(data);
}

// An old Access log of one QSO, to be converted.
void writeJetLog(const QString &path)
{
    using namespace JetWriter;
    Table log;
    log.name = QStringLiteral("log");
    log.columns = {{QStringLiteral("id"), Type::Long, 0, true},
                   {QStringLiteral("CALL"), Type::Text, 15},
                   {QStringLiteral("OLDCOLUMN"), Type::Text, 10}};
    log.rows = {{1, QStringLiteral("DL1XYZ"), QStringLiteral("x")}};
    write(path, {log});
}

}   // namespace

class TestEnglish : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QSettings().clear();
    }
    void cleanup()
    {
        ReportPreview::setModalHookForTesting({});
        QSettings().clear();
    }

    void languageComesFromTheLocale()
    {
        QCOMPARE(ProgramSettings::interfaceLanguage(), ProgramSettings::Language::English);
    }

    void windowsAndMenus()
    {
        AppFixture fx;
        TextScan detached;
        fx.showAndOpen(QString());   // Open cancelled: no log attached
        QVERIFY(!fx.session()->isAttached());
        detached.addWindow(fx.form);
        detached.addAction(QStringLiteral("popup"), fx.ui.PopupMenu1->menuAction());
        detached.addShown();
        QVERIFY2(detached.found().isEmpty(), qPrintable(detached.found()));
        QCOMPARE(fx.ui.N1->title(), QStringLiteral("File"));
        QCOMPARE(fx.form->windowTitle(), QStringLiteral("Tarnix by Orvel"));   // the program's name

        const QString log = fx.newLog();
        AppFixture::insertQso(log, QStringLiteral("2020-01-01"), QStringLiteral("10:00"),
                              QStringLiteral("DL1ABC"), QStringLiteral("Hans"), QStringLiteral("JO62"));
        Dialogs::Testing::clear();
        Dialogs::Testing::answerFile(log);
        fx.form->N7Click();
        QVERIFY(fx.session()->isAttached());
        TextScan attached;
        attached.addWindow(fx.form);
        const char *dialogs[]
            = {"FormFilter",           "FormSQL", "FormOpc", "FormModes", "FormDXCC", "AboutBox",
               "ProgramSettingsDialog"};
        for (const char *name : dialogs) {
            auto *w = fx.window<QDialog>(name);
            QVERIFY2(w, name);
            w->show();
            QApplication::processEvents();
            attached.addWindow(w);
            w->hide();
        }
        attached.addShown();
        QVERIFY2(attached.found().isEmpty(), qPrintable(attached.found()));
        QVERIFY(attached.count() > 150);
        QCOMPARE(fx.window<QDialog>("FormFilter")->windowTitle(), QStringLiteral("Set Filter"));
        QCOMPARE(fx.ui.Button2->text(), QStringLiteral("Save(F1)"));
    }

    void reportPreviews()
    {
        AppFixture fx;
        const QString log = fx.newLog();
        AppFixture::exec(log, QStringLiteral("update opc set mycall = 'DL0AA'"));
        AppFixture::insertQso(log, QStringLiteral("2020-01-01"), QStringLiteral("10:00"),
                              QStringLiteral("DL1ABC"), QStringLiteral("Hans"), QStringLiteral("JO62"));
        fx.showAndOpen(log);
        TextScan scan;
        QStringList titles;
        ReportPreview::setModalHookForTesting([&](ReportPreview &preview) {
            titles << preview.windowTitle();
            scan.addWindow(&preview);
            for (const PrintPage &page : preview.document().pages)
                for (const PrintItem *t : page.texts())
                    scan.add(QStringLiteral("printed"), t->text);
            // Both save dialogs, cancelled.
            for (const char *save : {"ActionSavePdf", "ActionSaveCsv"}) {
                Dialogs::Testing::answerFile(QString());
                preview.findChild<QAction *>(QLatin1String(save))->trigger();
            }
        });
        Dialogs::Testing::clear();
        fx.ui.N2->trigger();
        fx.ui.QSL1->trigger();
        QCOMPARE(titles, (QStringList{"Print preview - Station log", "Print preview - QSL cards"}));
        QCOMPARE(kindsShown(), (QStringList{"save", "save", "save", "save"}));
        scan.addShown();
        QVERIFY2(scan.found().isEmpty(), qPrintable(scan.found()));
        QVERIFY(scan.count() > 40);
    }

    void messageBoxesOfTheMainWindow()
    {
        AppFixture fx;
        const QString log = fx.newLog();
        // A name Windows-1251 cannot hold: the export says it wrote UTF-8.
        AppFixture::insertQso(log, QStringLiteral("2020-01-01"), QStringLiteral("10:00"),
                              QStringLiteral("SP1ABC"), QString::fromUtf8("\xc5\x81ukasz"));
        fx.showAndOpen(log);
        TextScan scan;
        Dialogs::Testing::clear();

        Dialogs::Testing::answerConfirm(false);
        fx.ui.N12->trigger();   // delete the QSO? no
        QCOMPARE(textShown(QStringLiteral("confirm")),
                 QStringLiteral("The current record will be deleted, continue?"));
        fx.ui.N13->trigger();   // archive
        Dialogs::Testing::answerFile(fx.dir.filePath(QStringLiteral("out.adi")));
        fx.ui.ADIF2->trigger();
        {
            // The file is data: its header and the QSO as they are in every language.
            QFile adi(fx.dir.filePath(QStringLiteral("out.adi")));
            QVERIFY(adi.open(QIODevice::ReadOnly));
            const QByteArray written = adi.readAll();
            QVERIFY(written.startsWith("Tarnix by Orvel\r\n"));
            QVERIFY(written.contains("<NAME:7>\xc5\x81ukasz"));
        }
        for (QAction *cancelled : {fx.ui.ADIF1, fx.ui.N8, fx.ui.N9, fx.ui.N7}) {
            Dialogs::Testing::answerFile(QString());
            cancelled->trigger();
        }
        QCOMPARE(kindsShown(),
                 (QStringList{"confirm", "notice", "save", "notice", "open", "save", "save", "open"}));
        scan.addShown();

        // An old Access log: the question, the refusal to write over it, the summary.
        const QString old = fx.dir.filePath(QStringLiteral("old.mdb"));
        writeJetLog(old);
        Dialogs::Testing::clear();
        Dialogs::Testing::answerFile(old);
        Dialogs::Testing::answerConfirm(true);
        Dialogs::Testing::answerFile(old);
        Dialogs::Testing::answerFile(fx.dir.filePath(QStringLiteral("new.mdb")));
        fx.form->N7Click();
        QCOMPARE(kindsShown(), (QStringList{"open", "confirm", "save", "error", "save", "notice"}));
        QVERIFY2(textShown(QStringLiteral("notice")).contains(QStringLiteral("OLDCOLUMN")),
                 qPrintable(textShown(QStringLiteral("notice"))));
        scan.addShown();
        QVERIFY2(scan.found().isEmpty(), qPrintable(scan.found()));
    }

    void snapshotOffer()
    {
        QTemporaryDir keep;   // outlives the first window
        const QString log = keep.filePath(QStringLiteral("kept.mdb"));
        {
            AppFixture fx;
            QFile::copy(fx.newLog(), log);
            fx.showAndOpen(log);
            fx.form->close();
        }
        QCOMPARE(Snapshots::listFor(log).size(), 1);
        {
            QFile f(log);   // its header destroyed
            QVERIFY(f.open(QIODevice::ReadWrite));
            f.write(QByteArray(100, 'x'));
        }
        AppFixture fx;
        Dialogs::Testing::answerConfirm(false);
        fx.showAndOpen(log);
        // Refused, then nothing attached: the entry panel says it cannot reset.
        QCOMPARE(kindsShown().mid(0, 2), (QStringList{"open", "confirm"}));
        TextScan scan;
        scan.addShown();
        QVERIFY2(scan.found().isEmpty(), qPrintable(scan.found()));
    }

    void messageBoxesOfTheDialogs()
    {
        AppFixture fx;
        fx.showAndOpen(fx.newLog());
        TextScan scan;
        Dialogs::Testing::clear();

        auto *sql = fx.window<TFormSQL>("FormSQL");
        sql->Button1Click();
        sql->setWorkbookOpener([](const QString &) { return false; });
        sql->Button3Click();   // no program for the workbook
        Dialogs::Testing::answerFile(QString());
        sql->Button4Click();
        Dialogs::Testing::answerFile(QString());
        sql->Button5Click();
        QDir(QFileInfo(sql->lastWorkbook()).absolutePath()).removeRecursively();

        auto *modes = fx.window<TFormModes>("FormModes");
        modes->show();
        modes->Button1Click();   // restart needed

        // A newer country file taken.
        const QString chosen = fx.dir.filePath(QStringLiteral("cty.dat"));
        writeFile(chosen,
                  "Testland:                 14:  27:  EU:   50.00:   -10.00:    -1.0:  QQ:\n    QQ;\n");
        auto *settings = fx.window<ProgramSettingsDialog>("ProgramSettingsDialog");
        Dialogs::Testing::answerFile(chosen);
        settings->loadCountryFile();
        QDir(QFileInfo(UserCountryFilePath()).absolutePath()).removeRecursively();
        LoadCountryTable(CountryFilePath());

        QCOMPARE(kindsShown(),
                 (QStringList{"notice", "save", "notice", "open", "notice", "notice", "open", "notice"}));
        scan.addShown();
        QVERIFY2(scan.found().isEmpty(), qPrintable(scan.found()));
    }
};

QTEST_MAIN(TestEnglish)
#include "test_english.moc"
