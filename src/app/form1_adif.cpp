// ADIF import and export.
#include "app/mainwindow.h"

#include "exchange/adifexchange.h"
#include "logdb/dataset.h"
#include "logdb/datasource.h"
#include "app/ui/dialogs.h"
#include "logdb/tdm.h"

#include <QProgressBar>

namespace {

// A long loop over the log: the progress bar shown and the log grid
// detached while it runs, both put back however the loop ends (before an
// error reaches the error box).
class LongLoop {
public:
    explicit LongLoop(TForm1 *form) : m_form(form)
    {
        m_form->ProgressBar1->setValue(0);
        m_form->ProgressBar1->show();
        m_form->DM->DataSource1->setEnabled(false);
    }
    ~LongLoop()
    {
        m_form->ProgressBar1->setValue(0);
        m_form->ProgressBar1->hide();
        m_form->DM->DataSource1->setEnabled(true);
    }
    LongLoop(const LongLoop &) = delete;
    LongLoop &operator=(const LongLoop &) = delete;

    // QProgressBar repaints at once on a visible change; no events are let
    // through, so the operator cannot start anything else meanwhile.
    AdifExchange::Progress progress() const
    {
        QProgressBar *bar = m_form->ProgressBar1;
        return [bar](int position) { bar->setValue(position); };
    }

private:
    TForm1 *m_form;
};

} // namespace

// "Импорт ADIF"
void TForm1::ADIF1Click()
{
    const QString path = Dialogs::openFileName(this, QStringLiteral("OpenDialog2"),
                                               QStringLiteral("Импорт ADIF файла|*.adi"), OpenDialog2Dir);
    bool ok = true;
    if (!path.isEmpty()) {
        AdifExchange::ImportResult done;
        ok = guarded([&] {
            LongLoop loop(this);
            AdifExchange::importFile(DM->ADOQueryLog, path, loop.progress(), &done);
        });
        // The QSOs went straight into the file, also those stored before an
        // error: the log view is read again to show them.
        if (done.stored > 0) {
            guarded([&] {
                DM->ADOQueryLog->close();
                DM->ADOQueryLog->open();
                if (!ok) {
                    DM->ADOQueryLog->last();
                    showQsoCount();
                }
            });
        }
    }
    // An import stopped by an error leaves the entry panel as it was.
    if (ok)
        guarded([this] { ResetEntryForm(); });
}

// "Экспорт ADIF"
void TForm1::ADIF2Click()
{
    const QString path = Dialogs::saveFileName(this, QStringLiteral("SaveDialog2"),
                                               QStringLiteral("Экспорт в ADIF|*.adi"), QStringLiteral("adi"),
                                               SaveDialog2Dir);
    if (path.isEmpty())
        return;
    guarded([&] {
        LongLoop loop(this);
        AdifExchange::exportLog(DM->ADOQueryLog, path, loop.progress());
    });
}
