// Taking over one QSO handed over by another program.
#include "mainwindow.h"

void TForm1::Button3Click() {}
