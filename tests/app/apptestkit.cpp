#include "apptestkit.h"
#include "logdb/logclock.h"
#include "app/interfacelanguage.h"
#include "app/startup.h"
#include "rig/rigcontroller.h"

#include <QApplication>
#include <QFile>
#include <QStandardPaths>
#include <QTest>
#include <sqlite3.h>

namespace {
template <class T>
T *child(QObject *parent, const char *name)
{
    T *w = parent->findChild<T *>(QLatin1String(name));
    if (!w)
        qFatal("no control %s", name);
    return w;
}

TForm1 *makeWindows()
{
    Dialogs::Testing::enable();
    Dialogs::Testing::clear();
    LogClock::setPcClockForTesting({});
    // Program-wide settings and user files of the tests' own, never the user's.
    QStandardPaths::setTestModeEnabled(true);
    // The language as the program decides it at start-up, from the tests'
    // settings and the locale CTest gives them.
    static const bool languageInstalled = (installInterfaceLanguage(), true);
    Q_UNUSED(languageInstalled);
    return createProgramWindows();
}
} // namespace

MainWindowControls::MainWindowControls(TForm1 *form)
{
    // The client area holds only the main window's own controls; the other
    // windows' controls share some of their names.
    QWidget *area = form->centralWidget();
    Panel = area;
    Bevel1 = child<QFrame>(area, "Bevel1");
    QLineEdit **edits[] = {&MaskEdit1, &MaskEdit2, &MaskEdit3, &Edit1, &Edit3, &Edit4, &Edit5,
                           &Edit6, &Edit7, &Edit8, &Edit9, &Edit10, &Edit11};
    const char *editNames[] = {"MaskEdit1", "MaskEdit2", "MaskEdit3", "Edit1", "Edit3", "Edit4", "Edit5",
                               "Edit6", "Edit7", "Edit8", "Edit9", "Edit10", "Edit11"};
    for (int i = 0; i < 13; ++i)
        *edits[i] = child<QLineEdit>(area, editNames[i]);
    ComboBox1 = child<QComboBox>(area, "ComboBox1");
    ComboBox2 = child<QComboBox>(area, "ComboBox2");
    ComboBox3 = child<QComboBox>(area, "ComboBox3");
    CheckBox1 = child<QCheckBox>(area, "CheckBox1");
    CheckBox2 = child<QCheckBox>(area, "CheckBox2");
    Label15 = child<QLabel>(area, "Label15");
    Label16 = child<QLabel>(area, "Label16");
    Label17 = child<QLabel>(area, "Label17");
    Label18 = child<QLabel>(area, "Label18");
    Label19 = child<QLabel>(area, "Label19");
    Label20 = child<QLabel>(area, "Label20");
    DBGrid1 = child<DbGrid>(area, "DBGrid1");
    DBGrid2 = child<DbGrid>(area, "DBGrid2");
    ProgressBar1 = child<QProgressBar>(area, "ProgressBar1");
    Button1 = child<QPushButton>(area, "Button1");
    Button2 = child<QPushButton>(area, "Button2");
    Button3 = child<QPushButton>(area, "Button3");
    N1 = child<QMenu>(form, "N1");
    N4 = child<QMenu>(form, "N4");
    N5 = child<QMenu>(form, "N5");
    PopupMenu1 = child<QMenu>(form, "PopupMenu1");
    N3Action = child<QAction>(form, "N3");
    QAction **actions[] = {&N7, &N8, &N9, &N13, &ADIF1, &ADIF2, &N10, &SQL1, &N2, &QSL1, &DXCC1,
                           &DXCCrebuild1, &N14, &N15, &N6, &QSLsentP1, &p1, &N12};
    const char *actionNames[] = {"N7", "N8", "N9", "N13", "ADIF1", "ADIF2", "N10", "SQL1", "N2", "QSL1", "DXCC1",
                                 "DXCCrebuild1", "N14", "N15", "N6", "QSLsentP1", "p1", "N12"};
    for (int i = 0; i < 18; ++i)
        *actions[i] = child<QAction>(form, actionNames[i]);
}

AppFixture::AppFixture() : form(makeWindows()), dm(form->session()->dataModule()), ui(form) {}

RigLink *AppFixture::rigLink() const
{
    auto *c = panel()->findChild<RigController *>(QStringLiteral("RigController"));
    return c ? c->rigLink() : nullptr;
}

AppFixture::~AppFixture()
{
    delete form;
    Dialogs::Testing::clear();
    LogClock::setPcClockForTesting({});
}

QString AppFixture::newLog(const QString &name)
{
    const QString path = dir.filePath(name);
    QFile::remove(path);
    QFile::copy(QStringLiteral(TARNIX_BIN_DIR "/shablon"), path);
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    return path;
}

void AppFixture::showAndOpen(const QString &path)
{
    Dialogs::Testing::answerFile(path);
    form->show();
    if (!QTest::qWaitForWindowActive(form))
        qWarning("main window not active");
    // The Open command runs right after the first show.
    QTRY_VERIFY_WITH_TIMEOUT(!Dialogs::Testing::shown().isEmpty(), 5000);
    QApplication::processEvents();
}

void AppFixture::exec(const QString &logPath, const QString &sql)
{
    sqlite3 *db = nullptr;
    sqlite3_open(logPath.toUtf8().constData(), &db);
    char *err = nullptr;
    if (sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, &err) != SQLITE_OK)
        qWarning("sqlite: %s", err);
    sqlite3_free(err);
    sqlite3_close(db);
}

void AppFixture::insertQso(const QString &logPath, const QString &isoDate, const QString &timeOn,
                           const QString &call, const QString &name, const QString &grid,
                           const QString &extraSql)
{
    auto lit = [](const QString &s) {
        return s.isNull() ? QStringLiteral("NULL") : QLatin1Char('\'') + QString(s).replace(QLatin1Char('\''), QStringLiteral("''")) + QLatin1Char('\'');
    };
    exec(logPath, QStringLiteral("insert into log (QSO_DATE, TIME_ON, TIME_OFF, FREQ, MODE, CALL, NAME, GRIDSQUARE, "
                                 "RST_SENT, RST_RCVD, QSL_SENT, QSL_RCVD, TX_PWR) values (%1, %2, %2, '14.074', 'CW', %3, %4, %5, "
                                 "'599', '599', 'N', 'N', '100')")
                      .arg(lit(isoDate), lit(timeOn), lit(call), lit(name), lit(grid)));
    if (!extraSql.isEmpty())
        exec(logPath, extraSql);
}

QString AppFixture::query(const QString &logPath, const QString &sql)
{
    sqlite3 *db = nullptr;
    sqlite3_open(logPath.toUtf8().constData(), &db);
    sqlite3_stmt *st = nullptr;
    QStringList rows;
    if (sqlite3_prepare_v2(db, sql.toUtf8().constData(), -1, &st, nullptr) == SQLITE_OK) {
        while (sqlite3_step(st) == SQLITE_ROW) {
            QStringList cells;
            for (int c = 0; c < sqlite3_column_count(st); ++c) {
                const unsigned char *t = sqlite3_column_text(st, c);
                cells << (t ? QString::fromUtf8(reinterpret_cast<const char *>(t)) : QStringLiteral("<null>"));
            }
            rows << cells.join(QLatin1Char('|'));
        }
    }
    sqlite3_finalize(st);
    sqlite3_close(db);
    return rows.join(QLatin1Char('\n'));
}

void AppFixture::setPcClock(const QDateTime &t)
{
    LogClock::setPcClockForTesting([t] { return t; });
}

QWidget *focused()
{
    return QApplication::focusWidget();
}

void pressKey(int key, Qt::KeyboardModifiers mods)
{
    QWidget *w = QApplication::focusWidget();
    if (!w)
        w = QApplication::activeWindow();
    QTest::keyClick(w, Qt::Key(key), mods);
}
