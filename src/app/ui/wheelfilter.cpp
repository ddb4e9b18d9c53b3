#include "app/ui/wheelfilter.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWheelEvent>
#include <QWidget>

bool WheelToArrowFilter::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::Wheel || !watched->isWidgetType())
        return false;
    auto *wheel = static_cast<QWheelEvent *>(event);
    if (wheel->spontaneous() == false && wheel->phase() == Qt::NoScrollPhase && wheel->angleDelta().isNull())
        return false;
    // Qt hands a wheel turn on to the parents when a child ignores it: act
    // only on the first delivery, to the widget under the pointer.
    static const QEvent *lastSeen = nullptr;
    if (lastSeen == event)
        return true;
    lastSeen = event;
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
