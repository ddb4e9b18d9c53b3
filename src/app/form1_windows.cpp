// Menu commands that open one of the other windows.
#include "app/mainwindow.h"

#include <QDialog>

namespace {
void showModal(QDialog *w)
{
    if (w)
        w->exec();
}
} // namespace

void TForm1::N3Click() { showModal(FormFilter); }
void TForm1::SQL1Click() { showModal(FormSQL); }
void TForm1::DXCC1Click() { showModal(FormDXCC); }
void TForm1::N14Click() { showModal(FormOpc); }
void TForm1::N15Click() { showModal(FormModes); }
void TForm1::N6Click() { showModal(AboutBox); }
