#pragma once
// Shared fixture for the GUI tests: the real windows as start-up makes them,
// dialogs answered in advance, a settable clock and temporary logs.
#include "app/ui/dialogs.h"
#include "app/mainwindow.h"
#include "logdb/tdm.h"

#include <QDateTime>
#include <QTemporaryDir>
#include <QStringList>

class AppFixture {
public:
    AppFixture();
    ~AppFixture();

    TForm1 *form = nullptr;
    TDM *dm = nullptr;
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
