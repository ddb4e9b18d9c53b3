#include "mainwindow.h"
#include "taboutbox.h"
#include "tdm.h"
#include "tformdxcc.h"
#include "tformfilter.h"
#include "tformmodes.h"
#include "tformopc.h"
#include "tformsql.h"
#include "wheelfilter.h"

#include <QApplication>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tarnix"));
    WheelToArrowFilter wheel;
    app.installEventFilter(&wheel);

    // Windows are created once, in this order, and live until the end.
    TForm1 form1;
    TDM dm;
    form1.setDataModule(&dm);
    form1.AboutBox = new TAboutBox(&dm, &form1);
    form1.FormSQL = new TFormSQL(&dm, &form1);
    form1.FormFilter = new TFormFilter(&dm, &form1);
    form1.FormOpc = new TFormOpc(&dm, &form1);
    form1.FormModes = new TFormModes(&dm, &form1);
    form1.FormDXCC = new TFormDXCC(&dm, &form1);

    form1.show();
    return app.exec();
}
