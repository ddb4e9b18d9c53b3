#include "app/mainwindow.h"

#include "app/entrypanel.h"
#include "app/ui/dbgrid.h"
#include "app/ui/dialogs.h"
#include "app/ui/guarded.h"
#include "country/ctysupport.h"
#include "logdb/logsession.h"
#include "logdb/tdm.h"

#include <QAction>
#include <QCloseEvent>
#include <QDir>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenuBar>
#include <QPointer>
#include <QProgressBar>
#include <QTimer>

namespace {
const int kClientWidth = 713;
const int kClientHeight = 376;
} // namespace

TForm1::TForm1(QWidget *parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Tarnix by Orvel"));
    // Tahoma where it is installed, otherwise a face of similar width.
    QFont f;
    f.setFamilies({QStringLiteral("Tahoma"), QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")});
    f.setPixelSize(11);
    setFont(f);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(230, 232, 231));
    setPalette(pal);
    setAutoFillBackground(true);
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint
                   | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);

    ClientArea = new QWidget(this);
    ClientArea->setObjectName(QStringLiteral("ClientArea"));
    ClientArea->setFixedSize(kClientWidth, kClientHeight);
    setCentralWidget(ClientArea);
    buildMenus();
    buildLogGrid();
    m_panel = new EntryPanel(ClientArea);
    connect(m_panel, &EntryPanel::logGridFocusRequested, this, &TForm1::focusLogGrid);
    // Shown over the country line while a long command runs.
    ProgressBar1 = new QProgressBar(ClientArea);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setGeometry(112, 352, 145, 17);
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    ProgressBar1->setTextVisible(false);
    ProgressBar1->hide();
    move(11, 8);
    FormCreate();
}

TForm1::~TForm1() = default;

void TForm1::buildMenus()
{
    QMenuBar *bar = menuBar();
    bar->setObjectName(QStringLiteral("MainMenu1"));
    auto act = [this](QMenu *m, const char *name, const QString &text, void (TForm1::*handler)()) {
        QAction *a = m->addAction(text);
        a->setObjectName(QLatin1String(name));
        connect(a, &QAction::triggered, this, [this, handler] { (this->*handler)(); });
        return a;
    };
    N1 = bar->addMenu(tr("Файл"));
    N1->setObjectName(QStringLiteral("N1"));
    act(N1, "N7", tr("Открыть"), &TForm1::N7Click);
    act(N1, "N8", tr("Создать"), &TForm1::N8Click);
    N9 = act(N1, "N9", tr("Сохранить как..."), &TForm1::N9Click);
    N13 = act(N1, "N13", tr("Архивировать"), &TForm1::N13Click);
    act(N1, "ADIF1", tr("Импорт ADIF"), &TForm1::ADIF1Click);
    act(N1, "ADIF2", tr("Экспорт ADIF"), &TForm1::ADIF2Click);
    // Settings of the program itself: usable before any log is attached.
    act(N1, "programSettingsAction", tr("Параметры программы..."), &TForm1::showProgramSettings);
    N1->addSeparator()->setObjectName(QStringLiteral("N11"));
    act(N1, "N10", tr("Выход"), &TForm1::N10Click);

    // "Фильтр" is a command on the menu bar itself.
    N3 = bar->addAction(tr("Фильтр"));
    N3->setObjectName(QStringLiteral("N3"));
    connect(N3, &QAction::triggered, this, [this] { N3Click(); });

    N4 = bar->addMenu(tr("Печать"));
    N4->setObjectName(QStringLiteral("N4"));
    act(N4, "SQL1", tr("SQL запрос"), &TForm1::SQL1Click);
    act(N4, "N2", tr("Аппаратный журнал"), &TForm1::N2Click);
    act(N4, "QSL1", tr("QSL карточки"), &TForm1::QSL1Click);
    act(N4, "DXCC1", tr("DXCC статистика"), &TForm1::DXCC1Click);
    act(N4, "DXCCrebuild1", tr("DXCC rebuild"), &TForm1::DXCCrebuild1Click);

    N5 = bar->addMenu(tr("Настройки"));
    N5->setObjectName(QStringLiteral("N5"));
    act(N5, "N14", tr("Опции"), &TForm1::N14Click);
    act(N5, "N15", tr("Виды излучения"), &TForm1::N15Click);

    QAction *n6 = bar->addAction(tr("О программе"));
    n6->setObjectName(QStringLiteral("N6"));
    connect(n6, &QAction::triggered, this, [this] { N6Click(); });

    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    act(PopupMenu1, "QSLsentP1", tr("Пометить QSL_sent, как P"), &TForm1::QSLsentP1Click);
    act(PopupMenu1, "p1", tr("Заменить все P на Y"), &TForm1::p1Click);
    act(PopupMenu1, "N12", tr("Удалить"), &TForm1::N12Click);
}

void TForm1::buildLogGrid()
{
    DBGrid1 = new DbGrid(ClientArea);
    DBGrid1->setObjectName(QStringLiteral("DBGrid1"));
    DBGrid1->setGeometry(8, 0, 697, 129);
    DBGrid1->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(DBGrid1, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &pos) { PopupMenu1->popup(DBGrid1->viewport()->mapToGlobal(pos)); });
    // A double click anywhere on the grid, on its rows or below them, runs
    // the handler; the window keys work from the grid too.
    DBGrid1->viewport()->installEventFilter(this);
    DBGrid1->installEventFilter(this);
    QPalette p = DBGrid1->palette();
    p.setColor(QPalette::Base, QColor(194, 254, 247));
    p.setColor(QPalette::Text, Qt::blue);
    DBGrid1->setPalette(p);
    QFont gf = font();
    gf.setPixelSize(11);
    DBGrid1->setFont(gf);
    QFont hf = font();
    hf.setPixelSize(9);
    DBGrid1->horizontalHeader()->setFont(hf);
    DBGrid1->horizontalHeader()->setStyleSheet(QStringLiteral("QHeaderView { color: grey; }"));
}

void TForm1::setSession(LogSession *session)
{
    m_session = session;
    DBGrid1->setDataSource(session->dataModule()->DataSource1,
        {{QStringLiteral("QSO_DATE"), {}}, {QStringLiteral("TIME_ON"), {}}, {QStringLiteral("TIME_OFF"), {}},
         {QStringLiteral("FREQ"), {}}, {QStringLiteral("MODE"), {}}, {QStringLiteral("CALL"), {}},
         {QStringLiteral("NAME"), {}}, {QStringLiteral("QTH"), {}}, {QStringLiteral("COMMENT"), {}},
         {QStringLiteral("RST_SENT"), {}}, {QStringLiteral("RST_RCVD"), {}}, {QStringLiteral("QSL_SENT"), {}},
         {QStringLiteral("QSL_RCVD"), {}}, {QStringLiteral("TX_PWR"), {}}, {QStringLiteral("GRIDSQUARE"), {}},
         {QStringLiteral("dxcc"), {}}},
        {65, 42, 42, 50, 43, 80, 60, 60, 60, 33, 31, 23, 21, 28, 0, 64});
    m_panel->setSession(session);
    connect(session, &LogSession::snapshotFailed, this, [this](const QString &message) {
        Dialogs::showError(this, message);
    });
}

void TForm1::focusLogGrid()
{
    DBGrid1->setFocus(Qt::OtherFocusReason);
}

void TForm1::setWindows(const Windows &windows)
{
    m_windows = windows;
}

void TForm1::setAttachedLayout(bool attached)
{
    const int menuHeight = menuBar()->sizeHint().height();
    ClientArea->setVisible(attached);
    setFixedSize(kClientWidth, attached ? menuHeight + kClientHeight : menuHeight);
}

void TForm1::FormCreate()
{
    setAttachedLayout(false);
    N3->setEnabled(false);
    N4->menuAction()->setEnabled(false);
    N5->menuAction()->setEnabled(false);
    N9->setEnabled(false);
    N13->setEnabled(false);
    const QString cwd = QDir::currentPath();
    m_folders = {cwd, cwd, cwd, cwd};
    guarded([this] { LoadCountryTableAtStart(); });
}

void TForm1::LoadCountryTableAtStart()
{
    // Beside the executable, not in the working folder. A missing file is
    // reported once by the caller; every lookup then finds nothing.
    LoadCountryTable(CountryFilePath());
}

bool TForm1::guarded(const std::function<void()> &action)
{
    return runGuarded(this, action);
}

void TForm1::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (!m_shownOnce) {
        m_shownOnce = true;
        // The first thing the operator sees is the open-file dialog.
        QTimer::singleShot(0, this, [this] { N7Click(); });
    }
}

void TForm1::closeEvent(QCloseEvent *event)
{
    m_panel->StopRigLink();
    if (m_session)
        m_session->finish();   // lets the log go and waits for its snapshot
    QMainWindow::closeEvent(event);
}

bool TForm1::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress) {
        // The window keys act from the log grid as from the entry panel.
        QPointer<QObject> alive(watched);
        if (m_panel->FormKeyDown(static_cast<QKeyEvent *>(event)) || !alive)
            return true;
    } else if (event->type() == QEvent::MouseButtonDblClick && watched == DBGrid1->viewport()) {
        DBGrid1DblClick();   // the press before it has already chosen the row
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

void TForm1::AttachLog(const QString &path)
{
    m_session->attach(path);                     // the file, the view, station data, modes
    setAttachedLayout(true);
    N3->setEnabled(true);
    N4->menuAction()->setEnabled(true);
    N5->menuAction()->setEnabled(true);
    N9->setEnabled(true);
    N13->setEnabled(true);
    m_panel->takeAttachedLog();                  // reset, the newest QSO's values, focus on the call
    setWindowTitle(path);
}
