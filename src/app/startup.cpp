#include "startup.h"

#include "mainwindow.h"
#include "taboutbox.h"
#include "tdm.h"
#include "tformdxcc.h"
#include "tformfilter.h"
#include "tformmodes.h"
#include "tformopc.h"
#include "tformsql.h"

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
