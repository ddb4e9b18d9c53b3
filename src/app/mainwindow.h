#pragma once
#include <QMainWindow>
#include <QString>
#include <functional>

class DbGrid;
class EntryPanel;
class LogSession;
class QAction;
class QDialog;
class QMenu;
class QProgressBar;

// The main window: it composes the menus, the log grid and the entry panel
// and handles the menu commands. Everything a command does beyond showing a
// dialog lives in the log session, the entry panel or a logic module.
class TForm1 : public QMainWindow {
    Q_OBJECT
public:
    explicit TForm1(QWidget *parent = nullptr);
    ~TForm1() override;

    // Start-up wiring, once the log session and the other windows exist.
    void setSession(LogSession *session);
    struct Windows {
        QDialog *AboutBox, *FormSQL, *FormFilter, *FormOpc, *FormModes, *FormDXCC, *ProgramSettings;
    };
    void setWindows(const Windows &windows);

    LogSession *session() const { return m_session; }
    EntryPanel *entryPanel() const { return m_panel; }

    // Initial folders of the file dialogs: the working directory at start,
    // the new log's folder for the two ADIF dialogs after "Создать".
    struct DialogFolders {
        QString OpenDialog1, SaveDialog1, OpenDialog2, SaveDialog2;
    };
    const DialogFolders &dialogFolders() const { return m_folders; }

    void focusLogGrid();

    // Points the program at a log file (the Open command and the file commands).
    void AttachLog(const QString &path);

    // Menu commands.
    void N7Click();    // Открыть
    void N8Click();    // Создать
    void N9Click();    // Сохранить как...
    void N13Click();   // Архивировать
    void ADIF1Click(); // Импорт ADIF
    void ADIF2Click(); // Экспорт ADIF
    void N10Click();   // Выход
    void N3Click();    // Фильтр
    void SQL1Click();
    void N2Click();    // Аппаратный журнал
    void QSL1Click();
    void DXCC1Click();
    void DXCCrebuild1Click();
    void N14Click();   // Опции
    void N15Click();   // Виды излучения
    void N6Click();    // О программе
    void showProgramSettings();
    // The log grid's pop-up menu and double click.
    void QSLsentP1Click();
    void p1Click();
    void N12Click();
    void DBGrid1DblClick();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void FormCreate();
    void LoadCountryTableAtStart();
    // A log refused as damaged, with a snapshot of it: offers a copy of the
    // newest snapshot beside it. False when there is nothing to offer.
    bool offerSnapshotCopy(const QString &path, const QString &refusal);
    // An old Jet (Access) log chosen in the Open dialog: converted into a new
    // log beside it, which is then attached; the old file is never written.
    void convertJetLogToNew(const QString &source);
    void buildMenus();
    void buildLogGrid();
    void setAttachedLayout(bool attached);
    bool guarded(const std::function<void()> &action);

    LogSession *m_session = nullptr;
    Windows m_windows{};
    DialogFolders m_folders;
    bool m_shownOnce = false;

    // Controls, named as the program's design names them.
    QWidget *ClientArea = nullptr;
    DbGrid *DBGrid1 = nullptr;
    EntryPanel *m_panel = nullptr;
    QProgressBar *ProgressBar1 = nullptr;
    QMenu *N1 = nullptr, *N4 = nullptr, *N5 = nullptr, *PopupMenu1 = nullptr;
    QAction *N3 = nullptr, *N9 = nullptr, *N13 = nullptr;
};
