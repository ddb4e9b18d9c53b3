#include "print/reportrender.h"

#include <QFile>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPageRanges>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <QSaveFile>

namespace {

QPageLayout reportPageLayout(const PrintDocument &doc)
{
    const bool landscape = doc.paperMm.width() > doc.paperMm.height();
    const QSizeF portrait = landscape ? doc.paperMm.transposed() : doc.paperMm;
    return QPageLayout(QPageSize(portrait, QPageSize::Millimeter),
                       landscape ? QPageLayout::Landscape : QPageLayout::Portrait,
                       QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
}

} // namespace

void paintReportPage(QPainter &painter, const PrintDocument &doc, int pageIndex)
{
    if (pageIndex < 0 || pageIndex >= doc.pages.size())
        return;
    QPaintDevice *dev = painter.device();
    const qreal sx = dev->logicalDpiX() / 25.4;
    const qreal sy = dev->logicalDpiY() / 25.4;
    auto pt = [&](QPointF mm) { return QPointF(mm.x() * sx, mm.y() * sy); };

    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    // Width 0: the thinnest line the device draws, one printer pen width.
    QPen pen(Qt::black, 0);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);

    for (const PrintItem &it : doc.pages[pageIndex].items) {
        switch (it.kind) {
        case PrintItem::Kind::Line:
            painter.drawLine(pt(it.p1), pt(it.p2));
            break;
        case PrintItem::Kind::Rect:
            painter.drawRect(QRectF(pt(it.rect.topLeft()), pt(it.rect.bottomRight())));
            break;
        case PrintItem::Kind::Text: {
            painter.setFont(doc.font(it.pointSize));
            const QFontMetricsF fm(painter.font(), dev);
            const qreal lh = fm.height();
            QPointF origin = pt(it.rect.topLeft());
            for (int i = 0; i < it.lines.size(); ++i)
                painter.drawText(QPointF(origin.x(), origin.y() + fm.ascent() + i * lh),
                                 it.lines[i]);
            break;
        }
        }
    }
    painter.restore();
}

bool paintReport(QPagedPaintDevice *device, const PrintDocument &doc, int first, int last)
{
    QVector<int> pages;
    for (int i = qMax(0, first); i <= qMin(last, doc.pageCount() - 1); ++i)
        pages.append(i);
    return paintReportPages(device, doc, pages);
}

bool paintReportPages(QPagedPaintDevice *device, const PrintDocument &doc, const QVector<int> &pages)
{
    QPainter painter;
    if (!painter.begin(device))
        return false;
    bool firstPage = true;
    for (int i : pages) {
        if (i < 0 || i >= doc.pageCount())
            continue;
        if (!firstPage)
            device->newPage();
        firstPage = false;
        paintReportPage(painter, doc, i);
    }
    return painter.end();
}

void setUpPrinter(QPrinter *printer, const PrintDocument &doc)
{
    printer->setFullPage(true);
    printer->setPageLayout(reportPageLayout(doc));
    printer->setDocName(doc.title);
    printer->setCreator(QStringLiteral("Tarnix"));
}

bool printReport(QPrinter *printer, const PrintDocument &doc)
{
    QVector<int> pages;
    const QPageRanges ranges = printer->pageRanges();
    const bool chosen = printer->printRange() == QPrinter::PageRange && !ranges.isEmpty();
    for (int i = 0; i < doc.pageCount(); ++i)
        if (!chosen || ranges.contains(i + 1))
            pages.append(i);
    if (pages.isEmpty())
        return true;
    return paintReportPages(printer, doc, pages);
}

bool writeReportPdf(const PrintDocument &doc, const QString &path, QString *error)
{
    // QPdfWriter does not report open errors itself: check the file first.
    QFile probe(path);
    if (!probe.open(QIODevice::WriteOnly)) {
        if (error)
            *error = QStringLiteral("Cannot create file \"%1\". %2").arg(path, probe.errorString());
        return false;
    }
    QPdfWriter writer(&probe);
    writer.setResolution(1200);
    writer.setPageLayout(reportPageLayout(doc));
    writer.setTitle(doc.title);
    writer.setCreator(QStringLiteral("Tarnix"));
    const bool ok = paintReport(&writer, doc, 0, doc.pageCount() - 1);
    probe.close();
    if (!ok || probe.error() != QFileDevice::NoError) {
        if (error)
            *error = QStringLiteral("Cannot write file \"%1\". %2").arg(path, probe.errorString());
        return false;
    }
    return true;
}

bool writeReportCsv(const PrintDocument &doc, const QString &path, QString *error)
{
    QSaveFile f(path);
    // Replacing a file the user chose without asking is what save dialogs do here.
    f.setDirectWriteFallback(true);
    if (!f.open(QIODevice::WriteOnly) || f.write(reportCsv(doc)) < 0 || !f.commit()) {
        if (error)
            *error = QStringLiteral("Cannot write file \"%1\". %2").arg(path, f.errorString());
        return false;
    }
    return true;
}
