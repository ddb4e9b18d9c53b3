#pragma once
#include <QDialog>

class TDM;
class TForm1;

class TFormOpc : public QDialog {
    Q_OBJECT
public:
    TFormOpc(TDM *dm, TForm1 *mainWindow);

private:
    TDM *m_dm;
    TForm1 *m_main;
};
