#pragma once
#include "print/printdoc.h"

#include <QString>

class QPainter;
class QPagedPaintDevice;
class QPrinter;

// Paints one page of a laid-out report. The painter's origin must be the
// paper's top-left corner (a printer in full-page mode, a PDF writer without
// margins); millimetres are turned into the device's pixels here, so fonts
// keep their point sizes on every device.
void paintReportPage(QPainter &painter, const PrintDocument &doc, int pageIndex);

// Paints pages first..last (0-based, inclusive) on a paged device that is
// already set up, starting a new device page between them.
// Returns false when the device cannot be painted on.
bool paintReport(QPagedPaintDevice *device, const PrintDocument &doc, int first, int last);
// Paints the listed pages (0-based) in that order.
bool paintReportPages(QPagedPaintDevice *device, const PrintDocument &doc, const QVector<int> &pages);

// Sets up a printer for the report's paper: A4 landscape, full page.
void setUpPrinter(QPrinter *printer, const PrintDocument &doc);

// Prints the pages the printer's dialog chose (all, or its page ranges).
bool printReport(QPrinter *printer, const PrintDocument &doc);

// Writes the report as a PDF file. On failure returns false with a message.
bool writeReportPdf(const PrintDocument &doc, const QString &path, QString *error);

// Writes reportCsv(doc) to path. On failure returns false with a message.
bool writeReportCsv(const PrintDocument &doc, const QString &path, QString *error);
