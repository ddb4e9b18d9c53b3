// ADIF import and export.
#include "mainwindow.h"
#include "dialogs.h"

void TForm1::ADIF1Click() { Dialogs::showNotice(this, QStringLiteral("Not available yet")); }
void TForm1::ADIF2Click() { Dialogs::showNotice(this, QStringLiteral("Not available yet")); }
