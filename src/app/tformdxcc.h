#pragma once
#include <QDialog>

class DbGrid;
class QLabel;
class TDM;

// DXCC statistics: how many country texts the QSOs of the log view carry,
// each with its number of QSOs, and the entity name of the selected one.
class TFormDXCC : public QDialog {
    Q_OBJECT
public:
    TFormDXCC(TDM *dm, QWidget *parent);

    QLabel *Label1 = nullptr;    // number of distinct country texts
    QLabel *Label2 = nullptr;    // "Всего стран:"
    DbGrid *DBGrid1 = nullptr;   // country text and its number of QSOs
    QLabel *Label3 = nullptr;    // entity name of the grid's current row

    void FormShow();
    void ADOQueryComAfterScroll();

protected:
    void showEvent(QShowEvent *event) override;

private:
    TDM *m_dm;
};
