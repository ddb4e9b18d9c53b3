#pragma once
#include <QDialog>

class TDM;
class TForm1;

class TFormModes : public QDialog {
    Q_OBJECT
public:
    TFormModes(TDM *dm, TForm1 *mainWindow);

private:
    TDM *m_dm;
    TForm1 *m_main;
};
