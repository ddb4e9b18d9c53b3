// The printed station log and the QSL labels.
#include "mainwindow.h"
#include "dialogs.h"

void TForm1::N2Click() { Dialogs::showNotice(this, QStringLiteral("Not available yet")); }
void TForm1::QSL1Click() { Dialogs::showNotice(this, QStringLiteral("Not available yet")); }
