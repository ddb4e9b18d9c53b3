#include "print/printpreview.h"
#include "print/reportrender.h"

#include <QAction>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>
#include <QPageSetupDialog>
#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewWidget>
#include <QToolBar>
#include <QVBoxLayout>

namespace {

ReportPreview::AskFileName &askHook()
{
    static ReportPreview::AskFileName hook;
    return hook;
}

ReportPreview::ShowError &errorHook()
{
    static ReportPreview::ShowError hook;
    return hook;
}

ReportPreview::ModalHook &modalHook()
{
    static ReportPreview::ModalHook hook;
    return hook;
}

} // namespace

void ReportPreview::setModalHookForTesting(ModalHook hook) { modalHook() = std::move(hook); }

void ReportPreview::showModal(const PrintDocument &doc, QWidget *parent)
{
    ReportPreview preview(doc, parent);
    if (modalHook()) {
        modalHook()(preview);
        return;
    }
    preview.setWindowState(preview.windowState() | Qt::WindowMaximized);
    preview.exec();
}

void ReportPreview::setAskFileName(AskFileName f) { askHook() = std::move(f); }
void ReportPreview::setShowError(ShowError f) { errorHook() = std::move(f); }

ReportPreview::ReportPreview(const PrintDocument &doc, QWidget *parent)
    : QDialog(parent), m_doc(doc), m_printer(QPrinter::HighResolution)
{
    setObjectName(QStringLiteral("ReportPreview"));
    setWindowTitle(tr("Предварительный просмотр - %1").arg(doc.title));
    setWindowFlag(Qt::WindowMaximizeButtonHint, true);
    setUpPrinter(&m_printer, m_doc);

    m_toolBar = new QToolBar(this);
    m_toolBar->setObjectName(QStringLiteral("PreviewToolBar"));
    m_view = new QPrintPreviewWidget(&m_printer, this);
    m_view->setObjectName(QStringLiteral("PreviewWidget"));
    // The preview always shows every page, whatever range the last print used.
    connect(m_view, &QPrintPreviewWidget::paintRequested, this, [this](QPrinter *printer) {
        paintReport(printer, m_doc, 0, m_doc.pageCount() - 1);
    });
    connect(m_view, &QPrintPreviewWidget::previewChanged, this, &ReportPreview::updatePageLabel);

    connect(addAction(QStringLiteral("ActionZoomPage"), tr("Вся страница"), QString()),
            &QAction::triggered, this, &ReportPreview::zoomWholePage);
    connect(addAction(QStringLiteral("ActionZoom100"), tr("100 %"), QString()),
            &QAction::triggered, this, &ReportPreview::zoom100);
    connect(addAction(QStringLiteral("ActionZoomWidth"), tr("По ширине"), QString()),
            &QAction::triggered, this, &ReportPreview::zoomPageWidth);
    m_toolBar->addSeparator();
    connect(addAction(QStringLiteral("ActionFirstPage"), QStringLiteral("|<"), QStringLiteral("Home")),
            &QAction::triggered, this, &ReportPreview::firstPage);
    connect(addAction(QStringLiteral("ActionPriorPage"), QStringLiteral("<"), QStringLiteral("PgUp")),
            &QAction::triggered, this, &ReportPreview::previousPage);
    m_pageLabel = new QLabel(this);
    m_pageLabel->setObjectName(QStringLiteral("PageLabel"));
    m_toolBar->addWidget(m_pageLabel);
    connect(addAction(QStringLiteral("ActionNextPage"), QStringLiteral(">"), QStringLiteral("PgDown")),
            &QAction::triggered, this, &ReportPreview::nextPage);
    connect(addAction(QStringLiteral("ActionLastPage"), QStringLiteral(">|"), QStringLiteral("End")),
            &QAction::triggered, this, &ReportPreview::lastPage);
    m_toolBar->addSeparator();
    connect(addAction(QStringLiteral("ActionPrinterSetup"), tr("Настройка принтера"), QString()),
            &QAction::triggered, this, &ReportPreview::printerSetup);
    connect(addAction(QStringLiteral("ActionPrint"), tr("Печать"), QStringLiteral("Ctrl+P")),
            &QAction::triggered, this, &ReportPreview::print);
    connect(addAction(QStringLiteral("ActionSavePdf"), tr("Сохранить PDF"), QString()),
            &QAction::triggered, this, &ReportPreview::savePdfAs);
    connect(addAction(QStringLiteral("ActionSaveCsv"), tr("Сохранить CSV"), QString()),
            &QAction::triggered, this, &ReportPreview::saveCsvAs);
    m_toolBar->addSeparator();
    connect(addAction(QStringLiteral("ActionClose"), tr("Закрыть"), QString()),
            &QAction::triggered, this, &QDialog::accept);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_toolBar);
    layout->addWidget(m_view, 1);

    const std::pair<const char *, const char *> tips[] = {
        {"ActionFirstPage", QT_TR_NOOP("Первая страница")},
        {"ActionPriorPage", QT_TR_NOOP("Предыдущая страница")},
        {"ActionNextPage", QT_TR_NOOP("Следующая страница")},
        {"ActionLastPage", QT_TR_NOOP("Последняя страница")},
        {"ActionZoom100", QT_TR_NOOP("Масштаб 100 %")},
        {"ActionSaveCsv", QT_TR_NOOP("Сохранить как текст CSV (разделитель \";\")")}};
    for (const auto &tip : tips)
        if (QAction *a = findChild<QAction *>(QString::fromLatin1(tip.first)))
            a->setToolTip(tr(tip.second));

    resize(1100, 760);
    m_view->fitInView();
    updatePageLabel();
}

ReportPreview::~ReportPreview() = default;

QAction *ReportPreview::addAction(const QString &objectName, const QString &text,
                                  const QString &shortcut)
{
    QAction *a = m_toolBar->addAction(text);
    a->setObjectName(objectName);
    if (!shortcut.isEmpty())
        a->setShortcut(QKeySequence(shortcut));
    return a;
}

int ReportPreview::currentPage() const { return m_view->currentPage(); }

void ReportPreview::updatePageLabel()
{
    m_pageLabel->setText(tr(" %1 из %2 ", "page of pages")
                             .arg(m_view->currentPage())
                             .arg(m_doc.pageCount()));
}

void ReportPreview::zoomWholePage() { m_view->fitInView(); }
void ReportPreview::zoom100()
{
    m_view->setZoomMode(QPrintPreviewWidget::CustomZoom);
    m_view->setZoomFactor(1.0);
}
void ReportPreview::zoomPageWidth() { m_view->fitToWidth(); }

void ReportPreview::firstPage() { m_view->setCurrentPage(1); updatePageLabel(); }
void ReportPreview::previousPage()
{
    m_view->setCurrentPage(qMax(1, m_view->currentPage() - 1));
    updatePageLabel();
}
void ReportPreview::nextPage()
{
    m_view->setCurrentPage(qMin(m_doc.pageCount(), m_view->currentPage() + 1));
    updatePageLabel();
}
void ReportPreview::lastPage() { m_view->setCurrentPage(m_doc.pageCount()); updatePageLabel(); }

void ReportPreview::printerSetup()
{
    QPageSetupDialog dlg(&m_printer, this);
    if (dlg.exec() == QDialog::Accepted)
        m_view->updatePreview();
}

void ReportPreview::print()
{
    QPrintDialog dlg(&m_printer, this);
    dlg.setMinMax(1, m_doc.pageCount());
    dlg.setFromTo(1, m_doc.pageCount());
    dlg.setOption(QAbstractPrintDialog::PrintPageRange, true);
    if (dlg.exec() != QDialog::Accepted)
        return;
    if (!printReport(&m_printer, m_doc))
        reportError(tr("Printer error"));
    m_view->updatePreview();
}

void ReportPreview::reportError(const QString &message)
{
    if (errorHook()) {
        errorHook()(this, message);
        return;
    }
    QString text = message;
    if (!text.isEmpty() && text.at(text.size() - 1) > QLatin1Char('.'))
        text += QLatin1Char('.');
    QMessageBox::critical(this, QStringLiteral("Tarnix"), text);
}

QString ReportPreview::askName(const QString &caption, const QString &description,
                               const QString &pattern, const QString &suffix)
{
    QString name;
    if (askHook())
        name = askHook()(this, caption, description, pattern, suffix);
    else
        name = QFileDialog::getSaveFileName(this, caption, QString(),
                                            QStringLiteral("%1 (%2)").arg(description, pattern),
                                            nullptr, QFileDialog::DontConfirmOverwrite);
    if (name.isEmpty())
        return name;
    if (QFileInfo(name).suffix().isEmpty())
        name += QLatin1Char('.') + suffix;
    // A confirmed file dialog makes the chosen folder the working directory.
    QDir::setCurrent(QFileInfo(name).absolutePath());
    return name;
}

bool ReportPreview::savePdf(const QString &path)
{
    QString error;
    if (!writeReportPdf(m_doc, path, &error)) {
        reportError(error);
        return false;
    }
    return true;
}

bool ReportPreview::saveCsv(const QString &path)
{
    QString error;
    if (!writeReportCsv(m_doc, path, &error)) {
        reportError(error);
        return false;
    }
    return true;
}

void ReportPreview::savePdfAs()
{
    const QString name = askName(tr("Сохранить в PDF"), tr("PDF"),
                                 QStringLiteral("*.pdf"), QStringLiteral("pdf"));
    if (!name.isEmpty())
        savePdf(name);
}

void ReportPreview::saveCsvAs()
{
    const QString name = askName(tr("Сохранить в CSV"),
                                 tr("CSV (разделитель \";\")"), QStringLiteral("*.csv"),
                                 QStringLiteral("csv"));
    if (!name.isEmpty())
        saveCsv(name);
}
