#pragma once
#include <QDialog>

class QLineEdit;
class TDM;
class TForm1;

class TFormFilter : public QDialog {
    Q_OBJECT
public:
    TFormFilter(TDM *dm, TForm1 *mainWindow);

    QLineEdit *MaskEdit1 = nullptr;
    QLineEdit *MaskEdit2 = nullptr;

private:
    TDM *m_dm;
    TForm1 *m_main;
};
