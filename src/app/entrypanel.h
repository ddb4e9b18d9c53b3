#pragma once
#include <QDate>
#include <functional>
#include <QPointer>
#include <QWidget>

class DbGrid;
class LogSession;
class QCheckBox;
class QComboBox;
class QFrame;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QPushButton;
class RigController;

// The QSO entry panel under the log grid: the fifteen entry fields in their
// frame, "Real time", the worked-before grid with its fragment search, the
// QSO count, the country line, "Freq from Rig" and the three buttons. It
// enters and edits QSOs through the log session and owns the window's keys
// (the main window hands it every key pressed elsewhere in the window).
class EntryPanel : public QWidget {
    Q_OBJECT
public:
    explicit EntryPanel(QWidget *parent = nullptr);
    ~EntryPanel() override;

    void setSession(LogSession *session);

    // State of the entry.
    bool editMode() const { return EditMode; }
    bool searchMode() const { return SearchMode; }
    QString currentDxcc() const { return CurrentDxcc; }

    // Routines.
    void ResetEntryForm();
    void LoadQsoIntoForm();
    void ShowCountry();
    void ShowDistance();
    // After a log is attached: its mode list, and the newest QSO's
    // frequency, mode and power; then the focus on the call field.
    void takeAttachedLog();

    // Handlers.
    void Button1Click();    // Отмена(Esc)
    void Button2Click();    // Сохранить(F1)
    void Button3Click();    // QSO import
    void CheckBox1Click();
    void CheckBox2Click();
    void ComboBox1Change();
    void MaskEdit2DblClick();
    void MaskEdit2Exit();
    void Edit4Exit();
    void Edit5Exit();
    void Edit8Exit();
    void Edit10Exit();
    void Edit1KeyDown();    // Enter in the fragment field
    void DBGrid2DblClick();
    void StartRigLink();
    void StopRigLink();

    // The window keys (Esc, F1, Alt+S, F2, F5, Alt+C), from whichever
    // control of the window has the focus. True when the key was acted on
    // and must not reach the control as well.
    bool FormKeyDown(QKeyEvent *key);

    // The fifteen entry fields in tab order.
    QList<QWidget *> entryFields() const;
    void focusNextField(QWidget *from, bool backwards);

signals:
    // ResetEntryForm ran; the log clock's date at that moment.
    void entryFormReset(const QDate &logClockDate);
    // The worked-before grid's double click hands the focus to the log grid.
    void logGridFocusRequested();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildEntryFields();
    void buildWorkedBefore();
    void buildStatusRow();
    void setReportDefaults();
    void clockStamp();
    bool fieldKeyDown(QWidget *field, QKeyEvent *key);
    bool maskedFieldMayBeLeft(QLineEdit *edit);
    void runExitHandler(QWidget *field);
    QWidget *fieldOf(QObject *o) const;
    bool guarded(const std::function<void()> &action);
    RigController *rigController();

    LogSession *m_session = nullptr;
    bool EditMode = false;
    bool SearchMode = false;
    qint64 EditedQsoId = -1;   // the QSO that edit mode is bound to
    QString CurrentDxcc;
    bool m_inMaskCheck = false;
    QPointer<RigController> m_rig;

    // Controls, named as the program's design names them.
    QFrame *Bevel1 = nullptr;
    QLineEdit *MaskEdit1 = nullptr, *MaskEdit2 = nullptr, *MaskEdit3 = nullptr;
    QCheckBox *CheckBox1 = nullptr, *CheckBox2 = nullptr;
    QLineEdit *Edit1 = nullptr, *Edit3 = nullptr, *Edit4 = nullptr, *Edit5 = nullptr, *Edit6 = nullptr,
              *Edit7 = nullptr, *Edit8 = nullptr, *Edit9 = nullptr, *Edit10 = nullptr, *Edit11 = nullptr;
    QComboBox *ComboBox1 = nullptr, *ComboBox2 = nullptr, *ComboBox3 = nullptr;
    QLabel *Label15 = nullptr, *Label16 = nullptr, *Label17 = nullptr, *Label18 = nullptr, *Label19 = nullptr,
           *Label20 = nullptr;
    DbGrid *DBGrid2 = nullptr;
    QPushButton *Button1 = nullptr, *Button2 = nullptr, *Button3 = nullptr;
};
