#include "app/longwork.h"
#include "app/interfacelanguage.h"
#include "logdb/datasource.h"

#include <QCoreApplication>
#include <QDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

int g_dialogDelayMs = 500;
// Between two rounds of events: often enough for a smooth bar and a prompt
// Cancel, seldom enough to cost the work nothing worth counting.
const int kEventsEveryMs = 40;

// Esc and closing the window ask to cancel; the dialog itself stays up
// until the work has stopped and the owner takes it down.
class WorkDialog : public QDialog {
public:
    WorkDialog(QWidget *parent, std::function<void()> onCancel)
        : QDialog(parent), m_onCancel(std::move(onCancel))
    {
    }
    void reject() override { m_onCancel(); }

private:
    std::function<void()> m_onCancel;
};

}   // namespace

void LongWork::setDialogDelayMs(int ms)
{
    g_dialogDelayMs = ms;
}

int LongWork::dialogDelayMs()
{
    return g_dialogDelayMs;
}

LongWork::LongWork(QWidget *window, QProgressBar *bar, DataSource *logGridSource, const QString &caption)
    : m_window(window), m_bar(bar), m_source(logGridSource), m_caption(caption)
{
    m_bar->setValue(0);
    m_bar->show();
    m_source->setEnabled(false);
    m_started.start();
}

LongWork::~LongWork()
{
    delete m_dialog.data();
    m_bar->setValue(0);
    m_bar->hide();
    m_source->setEnabled(true);
}

WorkProgress LongWork::progress()
{
    return [this](const WorkStatus &status) { return report(status); };
}

std::function<bool(qint64, qint64)> LongWork::stepProgress()
{
    return [this](qint64 done, qint64 total) {
        WorkStatus status;
        status.done = done;
        status.total = total;
        status.position = total > 0 ? progressPosition(done, total) : m_bar->value();
        return report(status);
    };
}

bool LongWork::report(const WorkStatus &status)
{
    if (status.position != m_bar->value()) {
        m_bar->setValue(status.position);
        if (!m_dialog)
            m_bar->repaint();   // the loop holds the thread
    }
    if (!m_dialog && !m_cancelled && m_started.elapsed() >= g_dialogDelayMs) {
        showDialog();
        showStatus(status);
        QCoreApplication::processEvents();
        m_sinceEvents.start();
    } else if (m_dialog && m_sinceEvents.elapsed() >= kEventsEveryMs) {
        showStatus(status);
        // The dialog is window-modal: input meant for the window is refused,
        // repaints and the dialog's own button go through.
        QCoreApplication::processEvents();
        m_sinceEvents.start();
    }
    return !m_cancelled;
}

void LongWork::showDialog()
{
    auto cancel = [this] {
        if (m_cancelled)
            return;
        m_cancelled = true;
        m_cancel->setEnabled(false);
        m_text->setText(m_text->text() + QLatin1Char('\n') + tr("Останавливается..."));
    };
    auto *dialog = new WorkDialog(m_window, cancel);
    dialog->setObjectName(QStringLiteral("LongWorkDialog"));
    dialog->setWindowTitle(m_caption);
    dialog->setWindowModality(Qt::WindowModal);
    dialog->setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    m_text = new QLabel(dialog);
    m_text->setObjectName(QStringLiteral("LongWorkText"));
    m_text->setMinimumWidth(260);
    m_dialogBar = new QProgressBar(dialog);
    m_dialogBar->setObjectName(QStringLiteral("LongWorkBar"));
    m_dialogBar->setRange(0, 100);
    m_cancel = new QPushButton(tr("Отмена"), dialog);
    m_cancel->setObjectName(QStringLiteral("LongWorkCancel"));
    m_cancel->setDefault(true);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_cancel);
    auto *layout = new QVBoxLayout(dialog);
    layout->addWidget(m_text);
    layout->addWidget(m_dialogBar);
    layout->addLayout(buttons);
    QObject::connect(m_cancel, &QPushButton::clicked, dialog, cancel);
    m_dialog = dialog;
    dialog->show();
}

void LongWork::showStatus(const WorkStatus &status)
{
    if (!m_dialog || m_cancelled)
        return;
    // Numbers written as in the language of the texts around them.
    const QLocale locale = interfaceLocale();
    const QString text = status.total >= 0
        ? tr("QSO: %1 из %2").arg(locale.toString(status.done), locale.toString(status.total))
        : tr("QSO: %1").arg(locale.toString(status.done));
    m_text->setText(text);
    m_dialogBar->setValue(status.position);
}
