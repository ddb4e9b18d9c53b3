#pragma once
#include <QString>

// The one QSO another program hands over in loginput.ini (section "QSO").
namespace Handover {

// The Windows directory of the Wine prefix, where programs running under
// Wine write "the Windows directory": $WINEPREFIX/drive_c/windows, by
// default ~/.wine/drive_c/windows.
QString windowsDirectory();
// windowsDirectory() + "/loginput.ini"
QString filePath();

struct Qso {
    QString call;       // "Call"
    QString name;       // "Name"
    QString rprtSent;   // "RprtSent"
    QString mode;       // "Mode"
};

// The four keys of section "QSO", each as GetPrivateProfileString gives it
// (missing key or section: empty text). Cutting to field widths is the
// entry panel's business, as for typed text.
Qso read(const QString &path);

} // namespace Handover
