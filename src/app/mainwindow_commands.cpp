// The main window's menu commands. Each shows what it must and hands the
// work to the log session, the entry panel or a logic module.
#include "app/mainwindow.h"

#include "app/entrypanel.h"
#include "app/longwork.h"
#include "app/ui/dbgrid.h"
#include "app/ui/dialogs.h"
#include "country/dxcc.h"
#include "exchange/adifexchange.h"
#include "logdb/logclock.h"
#include "logdb/logfiles.h"
#include "logdb/logsession.h"
#include "logdb/tdm.h"
#include "print/printpreview.h"
#include "print/reportsource.h"
#include "settings/programsettings.h"

#include <QCoreApplication>
#include <QDialog>
#include <QDir>

namespace {

const QString kLogFilter = QStringLiteral("Аппаратный журнал|*.mdb");

void showModal(QDialog *w)
{
    if (w)
        w->exec();
}

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
                                     description + QLatin1Char('|') + pattern, suffix, QDir::currentPath());
    });
    ReportPreview::setShowError([](QWidget *parent, const QString &message) { Dialogs::showError(parent, message); });
}

} // namespace

// ---------------------------------------------------------------- files

void TForm1::N7Click()
{
    const QString path = Dialogs::openFileName(this, QStringLiteral("OpenDialog1"), kLogFilter,
                                               m_folders.OpenDialog1, m_session->currentLogPath());
    if (!path.isEmpty())
        guarded([&] { AttachLog(path); });
    guarded([this] { m_panel->ResetEntryForm(); });
}

void TForm1::N8Click()
{
    const QString path = Dialogs::saveFileName(this, QStringLiteral("SaveDialog1"), kLogFilter, QStringLiteral("mdb"),
                                               m_folders.SaveDialog1);
    if (path.isEmpty()) {
        guarded([this] { m_panel->ResetEntryForm(); });
        return;
    }
    guarded([&] {
        m_session->makeLogFromTemplate(path, LogFiles::findTemplate(QCoreApplication::applicationDirPath()));
        AttachLog(path);
        m_folders.OpenDialog2 = QDir::currentPath();
        m_folders.SaveDialog2 = QDir::currentPath();
        m_panel->ResetEntryForm();
    });
}

void TForm1::N9Click()
{
    const QString path = Dialogs::saveFileName(this, QStringLiteral("SaveDialog1"), kLogFilter, QStringLiteral("mdb"),
                                               m_folders.SaveDialog1);
    if (path.isEmpty()) {
        guarded([this] { m_panel->ResetEntryForm(); });
        return;
    }
    guarded([&] {
        const QString failure = m_session->copyLogTo(path);
        if (!failure.isEmpty())
            Dialogs::showError(this, failure);
        AttachLog(m_session->currentLogPath());
        m_panel->ResetEntryForm();
    });
}

void TForm1::N13Click()
{
    guarded([this] {
        const QString failure = m_session->archiveLog(LogClock::pcNow().date());
        if (failure.isEmpty())
            Dialogs::showNotice(this, QStringLiteral("Архив сохранен в подпапке \\backup"));
        else
            Dialogs::showError(this, failure);
        AttachLog(m_session->currentLogPath());
        m_panel->ResetEntryForm();
    });
}

void TForm1::N10Click()
{
    close();
}

// ---------------------------------------------------------------- ADIF

void TForm1::ADIF1Click()
{
    const QString path = Dialogs::openFileName(this, QStringLiteral("OpenDialog2"),
                                               QStringLiteral("Импорт ADIF файла|*.adi"), m_folders.OpenDialog2);
    bool ok = true;
    if (!path.isEmpty()) {
        AdifExchange::ImportResult done;
        ok = guarded([&] {
            LongWork work(this, ProgressBar1, m_session->dataModule()->DataSource1,
                          QStringLiteral("Импорт ADIF"));
            AdifExchange::importFile(m_session->logView(), path, work.progress(), &done);
        });
        // The QSOs went straight into the file, also those stored before an
        // error: the log view is read again to show them.
        if (done.stored > 0)
            guarded([&] { m_session->reopenView(); });
        if (ok && done.cancelled)
            Dialogs::showNotice(this, QStringLiteral("Импорт прерван. Записано QSO: %1.").arg(done.stored));
    }
    // An import stopped by an error leaves the entry panel as it was.
    if (ok)
        guarded([this] { m_panel->ResetEntryForm(); });
}

void TForm1::ADIF2Click()
{
    const QString path = Dialogs::saveFileName(this, QStringLiteral("SaveDialog2"),
                                               QStringLiteral("Экспорт в ADIF|*.adi"), QStringLiteral("adi"),
                                               m_folders.SaveDialog2);
    if (path.isEmpty())
        return;
    const bool utf8Asked = ProgramSettings::adifExportEncoding() == ProgramSettings::AdifEncoding::Utf8;
    AdifExchange::ExportResult written;
    const bool ok = guarded([&] {
        LongWork work(this, ProgressBar1, m_session->dataModule()->DataSource1,
                      QStringLiteral("Экспорт ADIF"));
        written = AdifExchange::exportLog(m_session->logView(), path,
                                          utf8Asked ? AdifExchange::ExportEncoding::Utf8
                                                    : AdifExchange::ExportEncoding::Cp1251WhenItFits,
                                          work.progress());
    });
    if (ok && written.cancelled) {
        Dialogs::showNotice(this, QStringLiteral("Экспорт прерван. Файл не записан."));
        return;
    }
    // Windows-1251 was asked for, but a name or QTH has letters it lacks:
    // the file was written whole in UTF-8 rather than with "?" in them.
    if (ok && !utf8Asked && written.encoding == Adif::Encoding::Utf8)
        Dialogs::showNotice(this, QStringLiteral("Файл записан в кодировке UTF-8: не все значения помещаются в "
                                                 "Windows-1251."));
}

// ---------------------------------------------------------------- print menu

void TForm1::N2Click()
{
    guarded([this] {
        routePreviewDialogs();
        // The report's own dates are today's date of the PC.
        const PrintDocument doc = buildStationLogReport(*m_session->dataModule(), LogClock::pcNow().date());
        ReportPreview::showModal(doc, this);
        m_panel->ResetEntryForm();
    });
}

void TForm1::QSL1Click()
{
    guarded([this] {
        routePreviewDialogs();
        const PrintDocument doc = buildQslLabelReport(*m_session->dataModule());
        ReportPreview::showModal(doc, this);
    });
}

void TForm1::DXCCrebuild1Click()
{
    RebuildResult result;
    const bool ok = guarded([&] {
        LongWork work(this, ProgressBar1, m_session->dataModule()->DataSource1,
                      QStringLiteral("DXCC rebuild"));
        result = RebuildDxcc(*m_session->logView(), work.progress());
    });
    if (ok && result.cancelled)
        Dialogs::showNotice(this, QStringLiteral("DXCC rebuild прерван. Обработано QSO: %1 из %2.")
                                      .arg(result.done)
                                      .arg(result.total));
}

void TForm1::N3Click() { showModal(m_windows.FormFilter); }
void TForm1::SQL1Click() { showModal(m_windows.FormSQL); }
void TForm1::DXCC1Click() { showModal(m_windows.FormDXCC); }
void TForm1::N14Click() { showModal(m_windows.FormOpc); }
void TForm1::N15Click() { showModal(m_windows.FormModes); }
void TForm1::N6Click() { showModal(m_windows.AboutBox); }

// ---------------------------------------------------------------- log grid

void TForm1::DBGrid1DblClick()
{
    guarded([this] { m_panel->LoadQsoIntoForm(); });
}

void TForm1::QSLsentP1Click()
{
    guarded([this] {
        Dataset *q = m_session->logView();
        if (q->isEmpty())
            return;
        q->edit();
        try {
            q->fieldByName(QStringLiteral("QSL_SENT")).setString(QStringLiteral("P"));
            q->post();
        } catch (...) {
            q->cancel();   // the row stays as it was read
            throw;
        }
    });
}

void TForm1::p1Click()
{
    guarded([this] {
        m_session->dataModule()->ADOConnection1->execute(
            QStringLiteral("update log set QSL_SENT = \"Y\" where QSL_SENT = \"P\""));
        Dataset *view = m_session->logView();
        view->close();
        view->open();
        view->last();
    });
}

void TForm1::N12Click()
{
    if (!Dialogs::confirm(this, QStringLiteral("Внимание!!!"), QStringLiteral("Будет удалена текущая запись,продолжить?")))
        return;
    guarded([this] {
        m_session->logView()->remove();
        m_panel->ResetEntryForm();
    });
}
