#include "app/startup.h"

#include "app/entrypanel.h"
#include "app/mainwindow.h"
#include "app/programsettingsdialog.h"
#include "app/taboutbox.h"
#include "app/tformdxcc.h"
#include "app/tformfilter.h"
#include "app/tformmodes.h"
#include "app/tformopc.h"
#include "app/tformsql.h"
#include "logdb/logsession.h"
#include "settings/programsettings.h"

TForm1 *createProgramWindows()
{
    auto *form1 = new TForm1;
    auto *session = new LogSession(form1);
    const ProgramSettings::SnapshotPolicy policy = ProgramSettings::snapshotPolicy();
    session->setSnapshotPolicy({policy.enabled, policy.keepNewest, policy.keepDailyDays});
    form1->setSession(session);
    TDM *dm = session->dataModule();
    auto *about = new TAboutBox(dm, form1);
    auto *sql = new TFormSQL(session, form1);
    auto *filter = new TFormFilter(session, form1);
    auto *opc = new TFormOpc(dm, form1);
    auto *modes = new TFormModes(dm, form1);
    auto *dxcc = new TFormDXCC(dm, form1);
    auto *programSettings = new ProgramSettingsDialog(session, form1);
    form1->setWindows({about, sql, filter, opc, modes, dxcc, programSettings});

    // Every reset of the entry panel gives the filter's range the log clock's date.
    QObject::connect(form1->entryPanel(), &EntryPanel::entryFormReset, filter, &TFormFilter::setEndDate);
    // Leaving the SQL window puts the focus back on the log grid.
    QObject::connect(sql, &TFormSQL::deactivated, form1, &TForm1::focusLogGrid);
    return form1;
}
