#pragma once
#include "logdb/dberror.h"
#include "app/ui/dialogs.h"

#include <exception>
#include <functional>

// Runs one user action; an error stops it where it occurred and is shown in
// the standard error box. Returns false when the action failed.
inline bool runGuarded(QWidget *parent, const std::function<void()> &action)
{
    try {
        action();
        return true;
    } catch (const DbError &e) {
        Dialogs::showError(parent, e.message());
    } catch (const std::exception &e) {
        Dialogs::showError(parent, QString::fromLocal8Bit(e.what()));
    }
    return false;
}
