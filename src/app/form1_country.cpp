// Country of the call, distance to the locator, DXCC rebuild and statistics.
#include "mainwindow.h"
#include "dialogs.h"

void TForm1::LoadCountryTableAtStart() {}
void TForm1::ShowCountry() {}
void TForm1::ShowDistance() {}
void TForm1::DXCCrebuild1Click() { Dialogs::showNotice(this, QStringLiteral("Not available yet")); }
