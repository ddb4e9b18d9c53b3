// The printed station log and the QSL labels.
#include "app/mainwindow.h"
#include "app/ui/dialogs.h"
#include "logdb/logclock.h"
#include "print/printpreview.h"
#include "print/reportsource.h"
#include "logdb/tdm.h"

#include <QDir>

namespace {

// The preview's save dialogs and error boxes are the program's own.
void routePreviewDialogs()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    ReportPreview::setAskFileName([](QWidget *parent, const QString &caption, const QString &description,
                                     const QString &pattern, const QString &suffix) {
        Q_UNUSED(caption);
        return Dialogs::saveFileName(parent, QStringLiteral("ReportSaveDialog"),
                                     description + QLatin1Char('|') + pattern, suffix,
                                     QDir::currentPath());
    });
    ReportPreview::setShowError([](QWidget *parent, const QString &message) {
        Dialogs::showError(parent, message);
    });
}

} // namespace

void TForm1::N2Click()
{
    guarded([this] {
        routePreviewDialogs();
        // The report's own dates are today's date of the PC.
        const PrintDocument doc = buildStationLogReport(*DM, LogClock::pcNow().date());
        ReportPreview::showModal(doc, this);
        ResetEntryForm();
    });
}

void TForm1::QSL1Click()
{
    guarded([this] {
        routePreviewDialogs();
        const PrintDocument doc = buildQslLabelReport(*DM);
        ReportPreview::showModal(doc, this);
    });
}
