#include "tformfilter.h"
#include "mainwindow.h"

#include <QLineEdit>

TFormFilter::TFormFilter(TDM *dm, TForm1 *mainWindow) : QDialog(mainWindow), m_dm(dm), m_main(mainWindow)
{
    setObjectName(QStringLiteral("FormFilter"));
    setWindowTitle(QStringLiteral("Установка фильтра"));
    MaskEdit1 = new QLineEdit(this);
    MaskEdit1->setObjectName(QStringLiteral("MaskEdit1"));
    MaskEdit1->setInputMask(QStringLiteral("00.00.9999;_"));
    MaskEdit1->setText(QStringLiteral("27.01.1970"));
    MaskEdit2 = new QLineEdit(this);
    MaskEdit2->setObjectName(QStringLiteral("MaskEdit2"));
    MaskEdit2->setInputMask(QStringLiteral("00.00.9999;_"));
    MaskEdit2->setText(QStringLiteral("27.01.2010"));
}
