#pragma once
#include <QList>
#include <QString>

class QWidget;

// Every message box and file dialog of the program goes through here, so a
// test can answer them in advance and no real modal dialog ever blocks it.
namespace Dialogs {

// The standard error box: title "Tarnix", error icon, OK; a full stop is
// added when the message's last character sorts after ".".
void showError(QWidget *parent, const QString &message);
// An error-icon box with the text exactly as given.
void showErrorText(QWidget *parent, const QString &text);
// A plain notice with an OK button.
void showNotice(QWidget *parent, const QString &text);
// OK / Cancel; true for OK. Closing the box counts as Cancel.
bool confirm(QWidget *parent, const QString &caption, const QString &text);

// File dialogs. `filter` is written "description|pattern". Confirming moves
// the working directory to the chosen file's folder. Empty result: cancelled.
QString openFileName(QWidget *parent, const QString &dialogName, const QString &filter,
                     const QString &initialDir, const QString &selectedFile = QString());
QString saveFileName(QWidget *parent, const QString &dialogName, const QString &filter,
                     const QString &defaultSuffix, const QString &initialDir,
                     const QString &selectedFile = QString());

QString withFullStop(const QString &message);

namespace Testing {
struct Shown {
    QString kind;   // "error", "notice", "confirm", "open", "save"
    QString title;
    QString text;   // message, or the dialog's name for file dialogs
    QString filter; // file dialogs: "description|pattern"
};
void enable();                          // from now on no real dialog is shown
void answerFile(const QString &path);   // next file dialog returns it ("" cancels)
void answerConfirm(bool ok);            // next confirmation
QList<Shown> &shown();                  // what was shown, in order
QStringList errors();                   // texts of the error boxes shown
void clear();
} // namespace Testing

} // namespace Dialogs
