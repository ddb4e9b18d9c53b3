#include "app/ui/wheelfilter.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWheelEvent>
#include <QWidget>

namespace {

// Qt's own dialogs (file dialogs, message boxes and the other standard ones)
// keep the wheel as Qt handles it: the arrow-key rule is for the program's
// own windows, report previews included.
bool insideQtDialog(const QWidget *w)
{
    static const char *const dialogs[]
        = {"QFileDialog",     "QMessageBox",   "QColorDialog",         "QFontDialog",      "QInputDialog",
           "QProgressDialog", "QErrorMessage", "QAbstractPrintDialog", "QPageSetupDialog", "QWizard"};
    for (; w; w = w->parentWidget()) {
        for (const char *name : dialogs)
            if (w->inherits(name))
                return true;
    }
    return false;
}

}   // namespace

bool WheelToArrowFilter::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::Wheel || !watched->isWidgetType())
        return false;
    if (insideQtDialog(static_cast<QWidget *>(watched)) || insideQtDialog(QApplication::focusWidget()))
        return false;
    auto *wheel = static_cast<QWheelEvent *>(event);
    if (wheel->spontaneous() == false && wheel->phase() == Qt::NoScrollPhase && wheel->angleDelta().isNull())
        return false;
    // Filtered out and accepted, the turn is not handed on to the parents of
    // the widget under the pointer: one turn, one key. (Events are told apart
    // by nothing else: each turn's event may sit at the same address.)
    wheel->accept();
    QWidget *target = QApplication::focusWidget();
    if (!target)
        return true;
    const int key = wheel->angleDelta().y() > 0 ? Qt::Key_Up : Qt::Key_Down;
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
    QApplication::sendEvent(target, &release);
    return true;
}
