#include "tformdxcc.h"
#include "mainwindow.h"

TFormDXCC::TFormDXCC(TDM *dm, TForm1 *mainWindow) : QDialog(mainWindow), m_dm(dm), m_main(mainWindow)
{
    setObjectName(QStringLiteral("FormDXCC"));
    setWindowTitle(QStringLiteral(" DXCC"));
}
