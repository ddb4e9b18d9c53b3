// The main window's menu commands. Each shows what it must and hands the
// work to the log session, the entry panel or a logic module.
#include "app/mainwindow.h"

#include "app/entrypanel.h"
#include "app/longwork.h"
#include "app/ui/dbgrid.h"
#include "app/ui/dialogs.h"
#include "convert/jetconvert.h"
#include "country/dxcc.h"
#include "exchange/adifexchange.h"
#include "logdb/dberror.h"
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
#include <QFileInfo>

namespace {

// The open and save dialogs' filter for logs: the description is translated,
// the pattern is not.
QString logFilter()
{
    return QCoreApplication::translate("TForm1", "Аппаратный журнал",
                                       "file type in the open and save dialogs")
        + QStringLiteral("|*.mdb");
}

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
    const QString path = Dialogs::openFileName(this, QStringLiteral("OpenDialog1"), logFilter(),
                                               m_folders.OpenDialog1, m_session->currentLogPath());
    if (!path.isEmpty() && isJetFile(path)) {
        convertJetLogToNew(path);   // an old Access log: converted, never opened as it is
    } else if (!path.isEmpty()) {
        try {
            AttachLog(path);
        } catch (const DbError &e) {
            if (!offerSnapshotCopy(path, e.message()))
                Dialogs::showError(this, e.message());
        }
    }
    guarded([this] { m_panel->ResetEntryForm(); });
}

void TForm1::convertJetLogToNew(const QString &source)
{
    const QFileInfo from(source);
    if (!Dialogs::confirm(this, QStringLiteral("Tarnix"),
                          tr("%1 — журнал в формате Microsoft Access (Jet). Tarnix ведёт журналы в своём "
                             "формате. Преобразовать его в новый журнал? Исходный файл не изменится.")
                              .arg(QDir::toNativeSeparators(source))))
        return;
    // The new log beside the old one, under a name of its own.
    QString target;
    for (;;) {
        target = Dialogs::saveFileName(this, QStringLiteral("SaveDialog1"), logFilter(), QStringLiteral("mdb"),
                                       from.absolutePath(),
                                       from.dir().filePath(from.completeBaseName() + QStringLiteral("-tarnix.mdb")));
        if (target.isEmpty())
            return;
        if (!LogFiles::sameFile(target, source))
            break;
        Dialogs::showError(this, tr("Новый журнал нельзя записать на место исходного файла"));
    }
    ConvertResult result;
    const bool ok = guarded([&] {
        LongWork work(this, ProgressBar1, m_session->dataModule()->DataSource1, tr("Преобразование журнала"));
        result = convertJetLog(source, target, LogFiles::findTemplate(QCoreApplication::applicationDirPath()),
                               work.stepProgress());
    });
    if (!ok)
        return;
    if (result.cancelled) {
        Dialogs::showNotice(this, tr("Преобразование прервано. Новый журнал не записан."));
        return;
    }
    QString summary = tr("Журнал преобразован: QSO %1, видов излучения %2, строк настроек %3.")
                          .arg(QString::number(result.qsos), QString::number(result.modes),
                               QString::number(result.stationRows));
    if (!result.skippedColumns.isEmpty())
        summary += QLatin1Char('\n')
            + tr("Пропущены столбцы, которых нет в журнале: %1.")
                  .arg(result.skippedColumnNames().join(QStringLiteral(", ")));
    for (const SkippedRow &row : result.skippedRows)
        summary += QLatin1Char('\n')
            + tr("Пропущена строка %1 таблицы %2: %3.")
                  .arg(QString::number(row.row), row.table, row.reason);
    Dialogs::showNotice(this, summary);
    guarded([&] { AttachLog(target); });
}

bool TForm1::offerSnapshotCopy(const QString &path, const QString &refusal)
{
    // Only a log that exists but cannot be read as one: damaged, or its
    // header destroyed.
    if (m_session->isAttached() || !QFileInfo(path).isFile())
        return false;
    const QList<Snapshots::Entry> snapshots = Snapshots::listFor(path);
    if (snapshots.isEmpty())
        return false;
    const QString question =
        tr("%1\n\nЕсть снимок этого журнала от %2. Открыть его копию рядом с журналом? "
           "Повреждённый файл останется как есть.")
            .arg(Dialogs::withFullStop(refusal), snapshots.first().when.toString(QStringLiteral("dd.MM.yyyy hh:mm")));
    if (!Dialogs::confirm(this, QStringLiteral("Tarnix"), question))
        return true;
    guarded([&] { AttachLog(Snapshots::restoreBeside(snapshots.first().path, path)); });
    return true;
}

void TForm1::N8Click()
{
    const QString path = Dialogs::saveFileName(this, QStringLiteral("SaveDialog1"), logFilter(), QStringLiteral("mdb"),
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
    const QString path = Dialogs::saveFileName(this, QStringLiteral("SaveDialog1"), logFilter(), QStringLiteral("mdb"),
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
            Dialogs::showNotice(this, tr("Архив сохранен в подпапке \\backup"));
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
                                               tr("Импорт ADIF файла") + QStringLiteral("|*.adi"),
                                               m_folders.OpenDialog2);
    bool ok = true;
    if (!path.isEmpty()) {
        AdifExchange::ImportResult done;
        ok = guarded([&] {
            LongWork work(this, ProgressBar1, m_session->dataModule()->DataSource1,
                          tr("Импорт ADIF"));
            AdifExchange::importFile(m_session->logView(), path, work.progress(), &done);
        });
        // The QSOs went straight into the file, also those stored before an
        // error: the log view is read again to show them.
        if (done.stored > 0)
            guarded([&] { m_session->reopenView(); });
        if (ok && done.cancelled)
            Dialogs::showNotice(this, tr("Импорт прерван. Записано QSO: %1.").arg(done.stored));
    }
    // An import stopped by an error leaves the entry panel as it was.
    if (ok)
        guarded([this] { m_panel->ResetEntryForm(); });
}

void TForm1::ADIF2Click()
{
    const QString path = Dialogs::saveFileName(this, QStringLiteral("SaveDialog2"),
                                               tr("Экспорт в ADIF") + QStringLiteral("|*.adi"),
                                               QStringLiteral("adi"), m_folders.SaveDialog2);
    if (path.isEmpty())
        return;
    const bool utf8Asked = ProgramSettings::adifExportEncoding() == ProgramSettings::AdifEncoding::Utf8;
    AdifExchange::ExportResult written;
    const bool ok = guarded([&] {
        LongWork work(this, ProgressBar1, m_session->dataModule()->DataSource1,
                      tr("Экспорт ADIF"));
        written = AdifExchange::exportLog(m_session->logView(), path,
                                          utf8Asked ? AdifExchange::ExportEncoding::Utf8
                                                    : AdifExchange::ExportEncoding::Cp1251WhenItFits,
                                          work.progress());
    });
    if (ok && written.cancelled) {
        Dialogs::showNotice(this, tr("Экспорт прерван. Файл не записан."));
        return;
    }
    // Windows-1251 was asked for, but a name or QTH has letters it lacks:
    // the file was written whole in UTF-8 rather than with "?" in them.
    if (ok && !utf8Asked && written.encoding == Adif::Encoding::Utf8)
        Dialogs::showNotice(this, tr("Файл записан в кодировке UTF-8: не все значения помещаются в "
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
                      tr("DXCC rebuild"));
        result = RebuildDxcc(*m_session->logView(), work.progress());
    });
    if (ok && result.cancelled)
        Dialogs::showNotice(this, tr("DXCC rebuild прерван. Обработано QSO: %1 из %2.")
                                      .arg(result.done)
                                      .arg(result.total));
}

void TForm1::N3Click() { showModal(m_windows.FormFilter); }
void TForm1::SQL1Click() { showModal(m_windows.FormSQL); }
void TForm1::DXCC1Click() { showModal(m_windows.FormDXCC); }
void TForm1::N14Click() { showModal(m_windows.FormOpc); }
void TForm1::N15Click() { showModal(m_windows.FormModes); }
void TForm1::N6Click() { showModal(m_windows.AboutBox); }
void TForm1::showProgramSettings() { showModal(m_windows.ProgramSettings); }

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
    if (!Dialogs::confirm(this, tr("Внимание!!!"), tr("Будет удалена текущая запись,продолжить?")))
        return;
    guarded([this] {
        m_session->logView()->remove();
        m_panel->ResetEntryForm();
    });
}
