#include "tformopc.h"
#include "mainwindow.h"

TFormOpc::TFormOpc(TDM *dm, TForm1 *mainWindow) : QDialog(mainWindow), m_dm(dm), m_main(mainWindow)
{
    setObjectName(QStringLiteral("FormOpc"));
    setWindowTitle(QStringLiteral("Настройки"));
}
