#include "tformsql.h"
#include "mainwindow.h"

TFormSQL::TFormSQL(TDM *dm, TForm1 *mainWindow) : QDialog(mainWindow), m_dm(dm), m_main(mainWindow)
{
    setObjectName(QStringLiteral("FormSQL"));
    setWindowTitle(QStringLiteral("Запрос SQL"));
}
