#pragma once
// Shared fixture for the GUI tests: the real windows as start-up makes them,
// dialogs answered in advance, a settable clock and temporary logs.
#include "app/entrypanel.h"
#include "app/mainwindow.h"
#include "app/ui/dbgrid.h"
#include "app/ui/dialogs.h"
#include "logdb/logsession.h"
#include "logdb/tdm.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>

#include <QDateTime>
#include <QTemporaryDir>
#include <QStringList>

class RigLink;

// The main window's controls, found by their names as a tool would.
struct MainWindowControls {
    explicit MainWindowControls(TForm1 *form);

    QWidget *Panel;   // the client area under the menu bar
    QFrame *Bevel1;
    QLineEdit *MaskEdit1, *MaskEdit2, *MaskEdit3;
    QLineEdit *Edit1, *Edit3, *Edit4, *Edit5, *Edit6, *Edit7, *Edit8, *Edit9, *Edit10, *Edit11;
    QComboBox *ComboBox1, *ComboBox2, *ComboBox3;
    QCheckBox *CheckBox1, *CheckBox2;
    QLabel *Label15, *Label16, *Label17, *Label18, *Label19, *Label20;
    DbGrid *DBGrid1, *DBGrid2;
    QProgressBar *ProgressBar1;
    QPushButton *Button1, *Button2, *Button3;
    QMenu *N1, *N4, *N5, *PopupMenu1;
    QAction *N3Action;   // "Фильтр" on the menu bar
    QAction *N7, *N8, *N9, *N13, *ADIF1, *ADIF2, *N10, *SQL1, *N2, *QSL1, *DXCC1, *DXCCrebuild1, *N14, *N15, *N6;
    QAction *QSLsentP1, *p1, *N12;
};

class AppFixture {
public:
    AppFixture();
    ~AppFixture();

    TForm1 *form = nullptr;
    TDM *dm = nullptr;
    MainWindowControls ui;

    EntryPanel *panel() const { return form->entryPanel(); }
    LogSession *session() const { return form->session(); }
    // One of the other windows, by its name ("FormFilter", "AboutBox", ...).
    template <class W>
    W *window(const char *name) const { return form->findChild<W *>(QLatin1String(name)); }
    // The rig link while "Freq from Rig" has one, else null.
    RigLink *rigLink() const;
    QTemporaryDir dir;

    // A fresh log made from the template, in the temporary folder.
    QString newLog(const QString &name = QStringLiteral("test.mdb"));
    // Shows the main window, answering its Open dialog with path ("" cancels).
    void showAndOpen(const QString &path);
    // Appends a QSO straight into a log file with the sqlite3 C API.
    static void insertQso(const QString &logPath, const QString &isoDate, const QString &timeOn,
                          const QString &call, const QString &name = QString(),
                          const QString &grid = QString(), const QString &extraSql = QString());
    static QString query(const QString &logPath, const QString &sql);   // "a|b\nc|d"
    static void exec(const QString &logPath, const QString &sql);

    // The PC clock seen by the program.
    static void setPcClock(const QDateTime &t);

    QStringList errors() const { return Dialogs::Testing::errors(); }
};

// Sends a key to the focused widget of the active window.
void pressKey(int key, Qt::KeyboardModifiers mods = Qt::NoModifier);
QWidget *focused();
