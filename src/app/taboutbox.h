#pragma once
#include <QDialog>

class TDM;
class TForm1;

class TAboutBox : public QDialog {
    Q_OBJECT
public:
    TAboutBox(TDM *dm, TForm1 *mainWindow);

private:
    TDM *m_dm;
    TForm1 *m_main;
};
