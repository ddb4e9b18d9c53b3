#pragma once
#include "logdb/progress.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QPointer>
#include <QString>
#include <functional>

class DataSource;
class QDialog;
class QLabel;
class QProgressBar;
class QPushButton;
class QWidget;

// A long loop over the log (ADIF import and export, DXCC rebuild, a log
// conversion), run on the window's own thread: the main window's progress
// bar shown and the log grid detached from its query while it runs, both put
// back however the loop ends (before an error reaches the error box).
//
// Once the work has run for about half a second, a window-modal dialog
// appears over the window with the command's name, the QSOs done (of the
// total when known) and a Cancel button. From then on the events are let
// through a few times a second, so the windows repaint and the button can be
// pressed, while the dialog keeps every other command of the window out.
// Cancel (the button, Esc, closing the dialog) makes the progress receiver
// answer false: the work stops at a whole QSO.
class LongWork {
    Q_DECLARE_TR_FUNCTIONS(LongWork)

public:
    LongWork(QWidget *window, QProgressBar *bar, DataSource *logGridSource, const QString &caption);
    ~LongWork();
    LongWork(const LongWork &) = delete;
    LongWork &operator=(const LongWork &) = delete;

    // The receiver to hand to importFile, exportLog or RebuildDxcc.
    WorkProgress progress();
    // The same for work that counts its own steps (convertJetLog): `done`
    // of `total` (total -1 when not known).
    std::function<bool(qint64 done, qint64 total)> stepProgress();

    bool cancelled() const { return m_cancelled; }

    // How long the work runs before the dialog shows; tests make it 0.
    static void setDialogDelayMs(int ms);
    static int dialogDelayMs();

private:
    bool report(const WorkStatus &status);
    void showDialog();
    void showStatus(const WorkStatus &status);

    QWidget *m_window;
    QProgressBar *m_bar;
    DataSource *m_source;
    QString m_caption;
    QElapsedTimer m_started;
    QElapsedTimer m_sinceEvents;
    QPointer<QDialog> m_dialog;
    QLabel *m_text = nullptr;
    QProgressBar *m_dialogBar = nullptr;
    QPushButton *m_cancel = nullptr;
    bool m_cancelled = false;
};
