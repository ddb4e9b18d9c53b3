#include "app/startup.h"

#include "app/mainwindow.h"
#include "app/taboutbox.h"
#include "logdb/tdm.h"
#include "app/tformdxcc.h"
#include "app/tformfilter.h"
#include "app/tformmodes.h"
#include "app/tformopc.h"
#include "app/tformsql.h"

TForm1 *createProgramWindows()
{
    auto *form1 = new TForm1;
    auto *dm = new TDM(form1);
    form1->setDataModule(dm);
    form1->AboutBox = new TAboutBox(dm, form1);
    form1->FormSQL = new TFormSQL(dm, form1);
    form1->FormFilter = new TFormFilter(dm, form1);
    form1->FormOpc = new TFormOpc(dm, form1);
    form1->FormModes = new TFormModes(dm, form1);
    form1->FormDXCC = new TFormDXCC(dm, form1);
    return form1;
}
