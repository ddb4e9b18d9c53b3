#include "tformmodes.h"
#include "mainwindow.h"

TFormModes::TFormModes(TDM *dm, TForm1 *mainWindow) : QDialog(mainWindow), m_dm(dm), m_main(mainWindow)
{
    setObjectName(QStringLiteral("FormModes"));
    setWindowTitle(QStringLiteral("Виды излучения"));
}
