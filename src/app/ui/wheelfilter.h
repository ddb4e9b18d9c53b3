#pragma once
#include <QObject>

// Turns every mouse-wheel turn, in any window of the program, into one Up or
// Down arrow key for the focused control, whatever the distance. Qt's own
// dialogs (file dialogs, message boxes, ...) and everything in them keep the
// wheel as Qt handles it.
class WheelToArrowFilter : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject *watched, QEvent *event) override;
};
