#include "app/ui/dialogs.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QQueue>

namespace {
struct TestState {
    bool enabled = false;
    QQueue<QString> files;
    QQueue<bool> confirms;
    QList<Dialogs::Testing::Shown> shown;
};
TestState &state()
{
    static TestState s;
    return s;
}

// The program's name, the same in every language.
const QString kTitle = QStringLiteral("Tarnix");

QString qtFilter(const QString &filter)
{
    // "description|pattern|description|pattern" -> "description (pattern);;..."
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList out;
    for (int i = 0; i + 1 < parts.size(); i += 2)
        out << QStringLiteral("%1 (%2)").arg(parts[i], parts[i + 1]);
    return out.join(QStringLiteral(";;"));
}

QString finishFile(const QString &path)
{
    if (!path.isEmpty())
        QDir::setCurrent(QFileInfo(path).absolutePath());
    return path;
}

QString runFileDialog(QWidget *parent, bool save, const QString &name, const QString &filter,
                      const QString &suffix, const QString &dir, const QString &selected)
{
    if (state().enabled) {
        state().shown.append({save ? QStringLiteral("save") : QStringLiteral("open"), QString(), name, filter});
        const QString answer = state().files.isEmpty() ? QString() : state().files.dequeue();
        return finishFile(answer.isEmpty() ? QString() : QFileInfo(answer).absoluteFilePath());
    }
    QFileDialog dlg(parent);
    dlg.setObjectName(name);
    dlg.setNameFilter(qtFilter(filter));
    dlg.setDirectory(selected.isEmpty() ? dir : QFileInfo(selected).absolutePath());
    if (!selected.isEmpty())
        dlg.selectFile(QFileInfo(selected).fileName());
    dlg.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dlg.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    // The program's save dialogs never ask before replacing a file.
    dlg.setOption(QFileDialog::DontConfirmOverwrite, true);
    if (!suffix.isEmpty())
        dlg.setDefaultSuffix(suffix);
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty())
        return QString();
    return finishFile(dlg.selectedFiles().first());
}
} // namespace

namespace Dialogs {

QString withFullStop(const QString &message)
{
    if (!message.isEmpty() && message.back().unicode() > u'.')
        return message + QLatin1Char('.');
    return message;
}

void showErrorText(QWidget *parent, const QString &text)
{
    if (state().enabled) {
        state().shown.append({QStringLiteral("error"), kTitle, text, QString()});
        return;
    }
    QMessageBox box(QMessageBox::Critical, kTitle, text, QMessageBox::Ok, parent);
    box.exec();
}

void showError(QWidget *parent, const QString &message)
{
    showErrorText(parent, withFullStop(message));
}

void showNotice(QWidget *parent, const QString &text)
{
    if (state().enabled) {
        state().shown.append({QStringLiteral("notice"), kTitle, text, QString()});
        return;
    }
    QMessageBox box(QMessageBox::NoIcon, kTitle, text, QMessageBox::Ok, parent);
    box.exec();
}

bool confirm(QWidget *parent, const QString &caption, const QString &text)
{
    if (state().enabled) {
        state().shown.append({QStringLiteral("confirm"), caption, text, QString()});
        return state().confirms.isEmpty() ? false : state().confirms.dequeue();
    }
    QMessageBox box(QMessageBox::Warning, caption, text, QMessageBox::Ok | QMessageBox::Cancel, parent);
    return box.exec() == QMessageBox::Ok;
}

QString openFileName(QWidget *parent, const QString &dialogName, const QString &filter,
                     const QString &initialDir, const QString &selectedFile)
{
    return runFileDialog(parent, false, dialogName, filter, QString(), initialDir, selectedFile);
}

QString saveFileName(QWidget *parent, const QString &dialogName, const QString &filter,
                     const QString &defaultSuffix, const QString &initialDir, const QString &selectedFile)
{
    return runFileDialog(parent, true, dialogName, filter, defaultSuffix, initialDir, selectedFile);
}

namespace Testing {
void enable() { state().enabled = true; }
void answerFile(const QString &path) { state().files.enqueue(path); }
void answerConfirm(bool ok) { state().confirms.enqueue(ok); }
QList<Shown> &shown() { return state().shown; }
QStringList errors()
{
    QStringList out;
    for (const Shown &s : state().shown)
        if (s.kind == QLatin1String("error"))
            out << s.text;
    return out;
}
void clear()
{
    state().shown.clear();
    state().files.clear();
    state().confirms.clear();
}
} // namespace Testing

} // namespace Dialogs
