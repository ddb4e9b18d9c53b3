#include "taboutbox.h"
#include "mainwindow.h"

TAboutBox::TAboutBox(TDM *dm, TForm1 *mainWindow) : QDialog(mainWindow), m_dm(dm), m_main(mainWindow)
{
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(QStringLiteral("О программе"));
}
