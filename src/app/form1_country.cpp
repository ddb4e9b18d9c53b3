// Country of the call, distance to the locator, DXCC rebuild.
#include "app/mainwindow.h"

#include "country/ctysupport.h"
#include "logdb/dataset.h"
#include "country/dxcc.h"
#include "locator/locator.h"
#include "logdb/tdm.h"

#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>

void TForm1::LoadCountryTableAtStart()
{
    // Beside the executable, not in the working folder. A missing file is
    // reported once by the caller; every lookup then finds nothing.
    LoadCountryTable(CountryFilePath());
}

void TForm1::ShowCountry()
{
    const CountryInfo country = FindCountryByCall(Edit4->text());
    CurrentDxcc = country.PrimaryPrefix;
    Label19->setText(country.Name + QLatin1Char(' ') + country.Continent + QLatin1Char(' ') + CurrentDxcc);
}

void TForm1::ShowDistance()
{
    // The own locator is read at the moment of use, so a change made in the
    // station settings counts at once.
    QString ownLocator;
    Dataset *opc = DM ? DM->ADOQueryOpc : nullptr;
    if (opc && opc->isActive() && !opc->isEmpty() && opc->fieldIndex(QStringLiteral("myloc")) >= 0)
        ownLocator = opc->fieldByName(QStringLiteral("myloc")).asString();
    // Empty when either locator is not a Maidenhead locator.
    Label20->setText(DistanceText(ownLocator, Edit10->text()));
}

void TForm1::DXCCrebuild1Click()
{
    // The log grid must not follow the loop's row moves.
    DM->DataSource1->setEnabled(false);
    ProgressBar1->setValue(0);
    ProgressBar1->show();
    guarded([this] {
        RebuildDxcc(*DM->ADOQueryLog, [this](int position) {
            if (position != ProgressBar1->value()) {
                ProgressBar1->setValue(position);
                ProgressBar1->repaint();   // the loop holds the thread
            }
        });
    });
    // Also after an error: the bar goes away and the grid comes back.
    ProgressBar1->setValue(0);
    ProgressBar1->hide();
    DM->DataSource1->setEnabled(true);
}
