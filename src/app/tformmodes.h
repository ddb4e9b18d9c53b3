#pragma once
#include <QDialog>

class QPushButton;
class DbGrid;
class TDM;

// The list of modes offered in the entry panel (table modes), edited in
// place; each row is written when it is left. The entry panel reads the
// list when a log is attached, hence the restart notice after "OK".
class TFormModes : public QDialog {
    Q_OBJECT
public:
    TFormModes(TDM *dm, QWidget *parent);

    DbGrid *DBGrid1 = nullptr;
    QPushButton *Button1 = nullptr;   // OK

    void Button1Click();

    void done(int result) override;

protected:
    void keyPressEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool dropBlankNewRow();

    TDM *m_dm;
};
