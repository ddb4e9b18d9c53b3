// Log file commands: new log from the template, save as, archive.
#include "mainwindow.h"
#include "dialogs.h"

void TForm1::N8Click() { Dialogs::showNotice(this, QStringLiteral("Not available yet")); }
void TForm1::N9Click() { Dialogs::showNotice(this, QStringLiteral("Not available yet")); }
void TForm1::N13Click() { Dialogs::showNotice(this, QStringLiteral("Not available yet")); }
