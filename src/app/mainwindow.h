#pragma once
#include <QMainWindow>
#include <QPointer>
#include <QString>
#include <functional>

class QAction;
class QCheckBox;
class QComboBox;
class QDialog;
class QFrame;
class QLabel;
class QLineEdit;
class QMenu;
class QProgressBar;
class QPushButton;
class QWidget;
class DbGrid;
class TDM;

// The main window: menus, the log grid, the entry panel and the
// worked-before grid. Its handlers are spread over form1_*.cpp by subject;
// each menu command or key leads to one handler here.
class TForm1 : public QMainWindow {
    Q_OBJECT
public:
    explicit TForm1(QWidget *parent = nullptr);
    ~TForm1() override;

    // Start-up wiring (after the data module and the other windows exist).
    void setDataModule(TDM *dm);
    TDM *DM = nullptr;

    // The other windows, created at start-up after the data module.
    QPointer<QDialog> AboutBox, FormSQL, FormFilter, FormOpc, FormModes, FormDXCC;
    QPointer<QObject> FormSw, FormLab;

    // Program-wide state.
    QString CurrentLogPath;
    QString SavedLogSql;       // lines of the log statement, each ended by CR LF
    QString CurrentDxcc;
    bool EditMode = false;
    bool SearchMode = false;
    int TimeShift = 0;
    qint64 EditedQsoId = -1;   // the QSO that edit mode is bound to
    QObject *RigLink = nullptr;

    // Routines.
    void AttachLog(const QString &path);
    void ResetEntryForm();
    void LoadQsoIntoForm();
    void ShowCountry();
    void ShowDistance();
    void LoadCountryTableAtStart();   // last step of FormCreate
    void setReportDefaults();
    void clockStamp();
    QDateTime logClockNow() const;
    // Runs an action; an error is shown in the standard error box.
    bool guarded(const std::function<void()> &action);
    // Log view's row count into Label18.
    void showQsoCount();

    // Handlers.
    void N7Click();   // Открыть
    void N8Click();   // Создать
    void N9Click();   // Сохранить как...
    void N13Click();  // Архивировать
    void ADIF1Click();
    void ADIF2Click();
    void N10Click();
    void N3Click();
    void SQL1Click();
    void N2Click();
    void QSL1Click();
    void DXCC1Click();
    void DXCCrebuild1Click();
    void N14Click();
    void N15Click();
    void N6Click();
    void Button1Click();   // Отмена(Esc)
    void Button2Click();   // Сохранить(F1)
    void Button3Click();   // QSO import
    void CheckBox1Click();
    void CheckBox2Click();
    void ComboBox1Change();
    void MaskEdit2DblClick();
    void MaskEdit2Exit();
    void Edit4Exit();
    void Edit5Exit();
    void Edit8Exit();
    void Edit10Exit();
    void Edit1KeyDown();     // Enter in the fragment field
    void DBGrid1DblClick();
    void DBGrid2DblClick();
    void QSLsentP1Click();
    void p1Click();
    void N12Click();
    void StartRigLink();
    void StopRigLink();

    // Initial folders of the file dialogs.
    QString OpenDialog1Dir, SaveDialog1Dir, OpenDialog2Dir, SaveDialog2Dir;

    // Controls, named as the program's design names them.
    QWidget *Panel = nullptr;
    DbGrid *DBGrid1 = nullptr;
    DbGrid *DBGrid2 = nullptr;
    QFrame *Bevel1 = nullptr;
    QLineEdit *MaskEdit1 = nullptr, *MaskEdit2 = nullptr, *MaskEdit3 = nullptr;
    QCheckBox *CheckBox1 = nullptr, *CheckBox2 = nullptr;
    QLineEdit *Edit1 = nullptr, *Edit3 = nullptr, *Edit4 = nullptr, *Edit5 = nullptr, *Edit6 = nullptr,
              *Edit7 = nullptr, *Edit8 = nullptr, *Edit9 = nullptr, *Edit10 = nullptr, *Edit11 = nullptr;
    QComboBox *ComboBox1 = nullptr, *ComboBox2 = nullptr, *ComboBox3 = nullptr;
    QLabel *Label15 = nullptr, *Label16 = nullptr, *Label17 = nullptr, *Label18 = nullptr,
           *Label19 = nullptr, *Label20 = nullptr;
    QProgressBar *ProgressBar1 = nullptr;
    QPushButton *Button1 = nullptr, *Button2 = nullptr, *Button3 = nullptr;
    QAction *N7 = nullptr, *N8 = nullptr, *N9 = nullptr, *N13 = nullptr, *ADIF1 = nullptr, *ADIF2 = nullptr,
            *N10 = nullptr, *SQL1 = nullptr, *N2 = nullptr, *QSL1 = nullptr, *DXCC1 = nullptr,
            *DXCCrebuild1 = nullptr, *N14 = nullptr, *N15 = nullptr, *N6 = nullptr;
    QMenu *N1 = nullptr, *N3 = nullptr, *N4 = nullptr, *N5 = nullptr;
    QAction *N3Action = nullptr;   // the menu-bar item "Фильтр"
    QMenu *PopupMenu1 = nullptr;
    QAction *QSLsentP1 = nullptr, *p1 = nullptr, *N12 = nullptr;

    // The fifteen entry fields in tab order.
    QList<QWidget *> entryFields() const;
    void focusNextField(QWidget *from, bool backwards);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void FormCreate();
    void buildMenus();
    void buildControls();
    void setAttachedLayout(bool attached);
    bool formKeyDown(QKeyEvent *key);
    bool fieldKeyDown(QWidget *field, QKeyEvent *key);
    bool maskedFieldMayBeLeft(QLineEdit *edit);
    void runExitHandler(QWidget *field);
    QWidget *fieldOf(QObject *o) const;

    bool m_shownOnce = false;
    bool m_inMaskCheck = false;
};

// Text of a masked field as the program reads it: separators kept and blank
// positions as blanks ("  .  .    " for an empty date).
QString maskedText(const QLineEdit *edit);
