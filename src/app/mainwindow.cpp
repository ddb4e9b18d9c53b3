#include "app/mainwindow.h"

#include "app/ui/dbgrid.h"
#include "app/ui/dialogs.h"
#include "app/ui/guarded.h"
#include "logdb/logclock.h"
#include "logdb/tdm.h"
#include "logdb/textforms.h"
#include "app/ui/uppercase.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QFrame>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

namespace {

const int kClientWidth = 713;
const int kClientHeight = 376;

QLabel *makeLabel(QWidget *parent, const QString &text, int x, int y, int w = -1, int h = -1)
{
    auto *l = new QLabel(text, parent);
    if (w > 0)
        l->setGeometry(x, y, w, h > 0 ? h : 17);
    else {
        l->adjustSize();
        l->move(x, y);
    }
    return l;
}

QLineEdit *makeEdit(QWidget *parent, const char *name, int x, int y, int w, int h = 21)
{
    auto *e = new QLineEdit(parent);
    e->setObjectName(QLatin1String(name));
    e->setGeometry(x, y, w, h);
    return e;
}

QComboBox *makeCombo(QWidget *parent, const char *name, int x, int y, int w)
{
    auto *c = new QComboBox(parent);
    c->setObjectName(QLatin1String(name));
    c->setEditable(true);
    c->setInsertPolicy(QComboBox::NoInsert);
    c->setGeometry(x, y, w, 21);
    c->lineEdit()->setObjectName(QLatin1String(name) + QStringLiteral("Edit"));
    return c;
}

void setComboText(QComboBox *c, const QString &text)
{
    c->setCurrentText(text);
}

} // namespace

QString maskedText(const QLineEdit *edit)
{
    QString t = edit->displayText();
    t.replace(QLatin1Char('_'), QLatin1Char(' '));
    return t;
}

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
    buildMenus();
    buildControls();
    move(11, 8);
    FormCreate();
}

TForm1::~TForm1() = default;

void TForm1::setDataModule(TDM *dm)
{
    DM = dm;
    DBGrid1->setDataSource(DM->DataSource1,
        {{QStringLiteral("QSO_DATE"), {}}, {QStringLiteral("TIME_ON"), {}}, {QStringLiteral("TIME_OFF"), {}},
         {QStringLiteral("FREQ"), {}}, {QStringLiteral("MODE"), {}}, {QStringLiteral("CALL"), {}},
         {QStringLiteral("NAME"), {}}, {QStringLiteral("QTH"), {}}, {QStringLiteral("COMMENT"), {}},
         {QStringLiteral("RST_SENT"), {}}, {QStringLiteral("RST_RCVD"), {}}, {QStringLiteral("QSL_SENT"), {}},
         {QStringLiteral("QSL_RCVD"), {}}, {QStringLiteral("TX_PWR"), {}}, {QStringLiteral("GRIDSQUARE"), {}},
         {QStringLiteral("dxcc"), {}}},
        {65, 42, 42, 50, 43, 80, 60, 60, 60, 33, 31, 23, 21, 28, 0, 64});
    DBGrid2->setDataSource(DM->DataSource2,
        {{QStringLiteral("call"), QStringLiteral("CALL")}, {QStringLiteral("qso_date"), QStringLiteral("QSO_DATE")},
         {QStringLiteral("time_on"), QStringLiteral("TIME_on")}, {QStringLiteral("FREQ"), {}},
         {QStringLiteral("MODE"), {}}, {QStringLiteral("name"), QStringLiteral("NAME")},
         {QStringLiteral("QTH"), {}}, {QStringLiteral("qsl_sent"), {}}, {QStringLiteral("qsl_rcvd"), {}},
         {QStringLiteral("COMMENT"), {}}, {QStringLiteral("RST_SENT"), {}}, {QStringLiteral("RST_RCVD"), {}},
         {QStringLiteral("TX_PWR"), {}}, {QStringLiteral("GRIDSQUARE"), {}}},
        {62, 59, 34, 42, 35, 63, 62, 20, 19, 77, 37, 38, 23, 60});
}

void TForm1::buildMenus()
{
    QMenuBar *bar = menuBar();
    bar->setObjectName(QStringLiteral("MainMenu1"));
    auto act = [this](QMenu *m, const char *name, const QString &text, void (TForm1::*slot)()) {
        QAction *a = m->addAction(text);
        a->setObjectName(QLatin1String(name));
        connect(a, &QAction::triggered, this, [this, slot] { (this->*slot)(); });
        return a;
    };
    N1 = bar->addMenu(QStringLiteral("Файл"));
    N1->setObjectName(QStringLiteral("N1"));
    N7 = act(N1, "N7", QStringLiteral("Открыть"), &TForm1::N7Click);
    N8 = act(N1, "N8", QStringLiteral("Создать"), &TForm1::N8Click);
    N9 = act(N1, "N9", QStringLiteral("Сохранить как..."), &TForm1::N9Click);
    N13 = act(N1, "N13", QStringLiteral("Архивировать"), &TForm1::N13Click);
    ADIF1 = act(N1, "ADIF1", QStringLiteral("Импорт ADIF"), &TForm1::ADIF1Click);
    ADIF2 = act(N1, "ADIF2", QStringLiteral("Экспорт ADIF"), &TForm1::ADIF2Click);
    N1->addSeparator()->setObjectName(QStringLiteral("N11"));
    N10 = act(N1, "N10", QStringLiteral("Выход"), &TForm1::N10Click);

    // "Фильтр" is a command on the menu bar itself.
    N3Action = bar->addAction(QStringLiteral("Фильтр"));
    N3Action->setObjectName(QStringLiteral("N3"));
    connect(N3Action, &QAction::triggered, this, [this] { N3Click(); });

    N4 = bar->addMenu(QStringLiteral("Печать"));
    N4->setObjectName(QStringLiteral("N4"));
    SQL1 = act(N4, "SQL1", QStringLiteral("SQL запрос"), &TForm1::SQL1Click);
    N2 = act(N4, "N2", QStringLiteral("Аппаратный журнал"), &TForm1::N2Click);
    QSL1 = act(N4, "QSL1", QStringLiteral("QSL карточки"), &TForm1::QSL1Click);
    DXCC1 = act(N4, "DXCC1", QStringLiteral("DXCC статистика"), &TForm1::DXCC1Click);
    DXCCrebuild1 = act(N4, "DXCCrebuild1", QStringLiteral("DXCC rebuild"), &TForm1::DXCCrebuild1Click);

    N5 = bar->addMenu(QStringLiteral("Настройки"));
    N5->setObjectName(QStringLiteral("N5"));
    N14 = act(N5, "N14", QStringLiteral("Опции"), &TForm1::N14Click);
    N15 = act(N5, "N15", QStringLiteral("Виды излучения"), &TForm1::N15Click);

    N6 = bar->addAction(QStringLiteral("О программе"));
    N6->setObjectName(QStringLiteral("N6"));
    connect(N6, &QAction::triggered, this, [this] { N6Click(); });

    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    QSLsentP1 = act(PopupMenu1, "QSLsentP1", QStringLiteral("Пометить QSL_sent, как P"), &TForm1::QSLsentP1Click);
    p1 = act(PopupMenu1, "p1", QStringLiteral("Заменить все P на Y"), &TForm1::p1Click);
    N12 = act(PopupMenu1, "N12", QStringLiteral("Удалить"), &TForm1::N12Click);
}

void TForm1::buildControls()
{
    Panel = new QWidget(this);
    Panel->setObjectName(QStringLiteral("ClientArea"));
    Panel->setFixedSize(kClientWidth, kClientHeight);
    setCentralWidget(Panel);

    DBGrid1 = new DbGrid(Panel);
    DBGrid1->setObjectName(QStringLiteral("DBGrid1"));
    DBGrid1->setGeometry(8, 0, 697, 129);
    DBGrid1->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(DBGrid1, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &pos) { PopupMenu1->popup(DBGrid1->viewport()->mapToGlobal(pos)); });
    connect(DBGrid1, &QAbstractItemView::doubleClicked, this, [this] { DBGrid1DblClick(); });
    {
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

    Bevel1 = new QFrame(Panel);
    Bevel1->setObjectName(QStringLiteral("Bevel1"));
    Bevel1->setFrameStyle(QFrame::Panel | QFrame::Raised);
    Bevel1->setGeometry(8, 136, 401, 209);

    auto fieldLabel = [this](QWidget *field, const QString &text, int x, int y) {
        QLabel *l = makeLabel(Panel, text, x, y + 3);
        l->setBuddy(field);
        field->setAccessibleName(text);
        return l;
    };

    // Row 1: date, start and end time, "Real time".
    MaskEdit1 = makeEdit(Panel, "MaskEdit1", 64, 144, 72);
    MaskEdit1->setInputMask(QStringLiteral("00.00.9999;_"));
    fieldLabel(MaskEdit1, QStringLiteral("Date"), 20, 144);
    MaskEdit2 = makeEdit(Panel, "MaskEdit2", 184, 144, 40);
    MaskEdit2->setInputMask(QStringLiteral("09:99;_"));
    fieldLabel(MaskEdit2, QStringLiteral("S_time"), 146, 144);
    MaskEdit3 = makeEdit(Panel, "MaskEdit3", 272, 144, 40);
    MaskEdit3->setInputMask(QStringLiteral("09:99;_"));
    Label15 = fieldLabel(MaskEdit3, QStringLiteral("E_time"), 234, 144);
    Label15->setObjectName(QStringLiteral("Label15"));
    CheckBox1 = new QCheckBox(QStringLiteral("Real time"), Panel);
    CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
    CheckBox1->setChecked(true);
    CheckBox1->setFocusPolicy(Qt::ClickFocus);
    CheckBox1->setGeometry(328, 144, 76, 21);
    connect(CheckBox1, &QCheckBox::clicked, this, [this] { CheckBox1Click(); });

    // Row 2: frequency, mode, status line.
    Edit3 = makeEdit(Panel, "Edit3", 64, 176, 65);
    fieldLabel(Edit3, QStringLiteral("MHz"), 20, 176);
    ComboBox1 = makeCombo(Panel, "ComboBox1", 168, 176, 73);
    fieldLabel(ComboBox1, QStringLiteral("Mode"), 136, 176);
    connect(ComboBox1->lineEdit(), &QLineEdit::textEdited, this, [this] { ComboBox1Change(); });
    connect(ComboBox1, qOverload<int>(&QComboBox::activated), this, [this] { ComboBox1Change(); });
    Label16 = makeLabel(Panel, QString(), 264, 176, 121, 19);
    Label16->setObjectName(QStringLiteral("Label16"));
    {
        QPalette p = Label16->palette();
        p.setColor(QPalette::WindowText, Qt::red);
        Label16->setPalette(p);
        QFont lf = font();
        lf.setPixelSize(16);
        Label16->setFont(lf);
    }

    // Row 3: call and reports.
    Edit4 = makeEdit(Panel, "Edit4", 64, 208, 129, 24);
    {
        QFont cf;
        cf.setFamilies({QStringLiteral("Arial"), QStringLiteral("Liberation Sans")});
        cf.setPixelSize(13);
        cf.setBold(true);
        Edit4->setFont(cf);
        QPalette p = Edit4->palette();
        p.setColor(QPalette::Text, Qt::blue);
        p.setColor(QPalette::Base, QColor(0xf0, 0xf0, 0xf0));   // the system's inactive caption text colour
        Edit4->setPalette(p);
    }
    forceUpperCase(Edit4);
    {
        QLabel *l = fieldLabel(Edit4, QStringLiteral("Call"), 20, 208);
        QFont lf = font();
        lf.setPixelSize(16);
        l->setFont(lf);
        l->adjustSize();
    }
    Edit6 = makeEdit(Panel, "Edit6", 240, 208, 57);
    {
        QLabel *l = fieldLabel(Edit6, QStringLiteral("RST sent"), 200, 204);
        l->setWordWrap(true);
        l->setGeometry(200, 204, 38, 30);
    }
    Edit7 = makeEdit(Panel, "Edit7", 344, 208, 57);
    {
        QLabel *l = fieldLabel(Edit7, QStringLiteral("RST rcvd"), 304, 204);
        l->setWordWrap(true);
        l->setGeometry(304, 204, 38, 30);
    }

    // Row 4-6.
    Edit5 = makeEdit(Panel, "Edit5", 64, 248, 129);
    fieldLabel(Edit5, QStringLiteral("Name"), 20, 248);
    Edit8 = makeEdit(Panel, "Edit8", 224, 248, 177);
    fieldLabel(Edit8, QStringLiteral("QTH"), 198, 248);
    Edit9 = makeEdit(Panel, "Edit9", 64, 280, 217);
    fieldLabel(Edit9, QStringLiteral("Comment"), 14, 280);
    Edit10 = makeEdit(Panel, "Edit10", 328, 280, 73);
    forceUpperCase(Edit10);
    fieldLabel(Edit10, QStringLiteral("Grid"), 300, 280);
    ComboBox2 = makeCombo(Panel, "ComboBox2", 64, 312, 41);
    ComboBox2->addItems({QStringLiteral("N"), QStringLiteral("Y"), QStringLiteral("P")});
    forceUpperCase(ComboBox2->lineEdit());
    {
        QLabel *l = fieldLabel(ComboBox2, QStringLiteral("QSL sent"), 14, 308);
        l->setWordWrap(true);
        l->setGeometry(14, 308, 48, 30);
    }
    ComboBox3 = makeCombo(Panel, "ComboBox3", 168, 312, 41);
    ComboBox3->addItems({QStringLiteral("N"), QStringLiteral("Y")});
    forceUpperCase(ComboBox3->lineEdit());
    {
        QLabel *l = fieldLabel(ComboBox3, QStringLiteral("QSL rcvd"), 116, 308);
        l->setWordWrap(true);
        l->setGeometry(116, 308, 48, 30);
    }
    Edit11 = makeEdit(Panel, "Edit11", 272, 312, 41);
    fieldLabel(Edit11, QStringLiteral("TX_PWR"), 222, 312);
    Label20 = makeLabel(Panel, QString(), 328, 314, 73, 17);
    Label20->setObjectName(QStringLiteral("Label20"));

    // Worked-before grid and the fragment search.
    DBGrid2 = new DbGrid(Panel);
    DBGrid2->setObjectName(QStringLiteral("DBGrid2"));
    DBGrid2->setGeometry(416, 136, 289, 153);
    DBGrid2->setDeleteWithCtrlDel(true);
    // A double click anywhere on the grid, rows or not, runs the handler.
    DBGrid2->viewport()->installEventFilter(this);
    {
        QPalette p = DBGrid2->palette();
        p.setColor(QPalette::Base, QColor(230, 232, 231));
        p.setColor(QPalette::Text, Qt::black);
        DBGrid2->setPalette(p);
        QFont hf = font();
        hf.setPixelSize(9);
        DBGrid2->horizontalHeader()->setFont(hf);
        DBGrid2->horizontalHeader()->setStyleSheet(QStringLiteral("QHeaderView { color: grey; }"));
    }
    Label17 = makeLabel(Panel, QStringLiteral("Поиск по фрагменту в позывном"), 416, 307);
    Label17->setObjectName(QStringLiteral("Label17"));
    Edit1 = makeEdit(Panel, "Edit1", 592, 304, 113);
    Edit1->setFocusPolicy(Qt::ClickFocus);
    forceUpperCase(Edit1);

    // Under the frame.
    Label18 = makeLabel(Panel, QString(), 8, 352, 81, 17);
    Label18->setObjectName(QStringLiteral("Label18"));
    Label19 = makeLabel(Panel, QString(), 99, 352, 222, 21);
    Label19->setObjectName(QStringLiteral("Label19"));
    {
        QPalette p = Label19->palette();
        p.setColor(QPalette::WindowText, Qt::red);
        Label19->setPalette(p);
        QFont lf = font();
        lf.setPixelSize(13);
        Label19->setFont(lf);
    }
    ProgressBar1 = new QProgressBar(Panel);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setGeometry(112, 352, 145, 17);
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    ProgressBar1->setTextVisible(false);
    ProgressBar1->hide();
    CheckBox2 = new QCheckBox(QStringLiteral("Freq from Rig"), Panel);
    CheckBox2->setObjectName(QStringLiteral("CheckBox2"));
    CheckBox2->setFocusPolicy(Qt::ClickFocus);
    CheckBox2->setGeometry(328, 352, 92, 17);
    connect(CheckBox2, &QCheckBox::clicked, this, [this] { CheckBox2Click(); });

    auto button = [this](const char *name, const QString &text, int x, void (TForm1::*slot)()) {
        auto *b = new QPushButton(text, Panel);
        b->setObjectName(QLatin1String(name));
        b->setGeometry(x, 344, 89, 25);
        b->setFocusPolicy(Qt::ClickFocus);
        b->setAutoDefault(false);
        connect(b, &QPushButton::clicked, this, [this, slot] { (this->*slot)(); });
        return b;
    };
    Button3 = button("Button3", QStringLiteral("QSO import"), 424, &TForm1::Button3Click);
    Button1 = button("Button1", QStringLiteral("Отмена(Esc)"), 520, &TForm1::Button1Click);
    Button2 = button("Button2", QStringLiteral("Сохранить(F1)"), 616, &TForm1::Button2Click);

    // Only the entry fields take Tab; everything else is reached by mouse.
    const QList<QWidget *> fields = entryFields();
    for (int i = 0; i < fields.size(); ++i) {
        fields[i]->setFocusPolicy(Qt::StrongFocus);
        if (i > 0)
            setTabOrder(fields[i - 1], fields[i]);
    }
    for (QWidget *w : Panel->findChildren<QWidget *>())
        w->installEventFilter(this);
    MaskEdit2->installEventFilter(this);
}

QList<QWidget *> TForm1::entryFields() const
{
    return {MaskEdit1, MaskEdit2, MaskEdit3, Edit3, ComboBox1, Edit4, Edit6, Edit7,
            Edit5, Edit8, Edit9, Edit10, ComboBox2, ComboBox3, Edit11};
}

QWidget *TForm1::fieldOf(QObject *o) const
{
    for (QWidget *f : entryFields())
        if (o == f || (qobject_cast<QComboBox *>(f) && o == static_cast<QComboBox *>(f)->lineEdit()))
            return f;
    return nullptr;
}

void TForm1::setAttachedLayout(bool attached)
{
    const int menuHeight = menuBar()->sizeHint().height();
    Panel->setVisible(attached);
    if (attached) {
        setFixedSize(kClientWidth, menuHeight + kClientHeight);
    } else {
        setFixedSize(kClientWidth, menuHeight);
    }
}

void TForm1::FormCreate()
{
    SearchMode = false;
    EditMode = false;
    setAttachedLayout(false);
    N3Action->setEnabled(false);
    N4->menuAction()->setEnabled(false);
    N5->menuAction()->setEnabled(false);
    N9->setEnabled(false);
    N13->setEnabled(false);
    const QString cwd = QDir::currentPath();
    OpenDialog1Dir = SaveDialog1Dir = OpenDialog2Dir = SaveDialog2Dir = cwd;
    guarded([this] { LoadCountryTableAtStart(); });
}

bool TForm1::guarded(const std::function<void()> &action)
{
    return runGuarded(this, action);
}

QDateTime TForm1::logClockNow() const
{
    return LogClock::now(TimeShift);
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
    StopRigLink();
    if (DM)
        DM->ADOConnection1->close();
    QMainWindow::closeEvent(event);
}

void TForm1::N10Click()
{
    close();
}

// ---------------------------------------------------------------- attaching

void TForm1::N7Click()
{
    const QString path = Dialogs::openFileName(this, QStringLiteral("OpenDialog1"),
                                               QStringLiteral("Аппаратный журнал|*.mdb"), OpenDialog1Dir,
                                               CurrentLogPath);
    if (!path.isEmpty()) {
        CurrentLogPath = path;
        guarded([&] { AttachLog(path); });
    }
    guarded([this] { ResetEntryForm(); });
}

void TForm1::AttachLog(const QString &path)
{
    Connection *c = DM->ADOConnection1;
    c->close();                                                           // 1
    c->setConnectionString(QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") + path
                           + QStringLiteral(";Persist Security Info=false "));  // 2
    c->open();                                                            // 3
    DM->ADOQueryLog->open();                                              // 4
    DM->ADOQueryLog->last();
    DM->ADOQueryOpc->open();                                              // 5
    DM->ADOQueryModes->open();                                            // 6
    ComboBox1->clear();
    for (DM->ADOQueryModes->first(); !DM->ADOQueryModes->eof(); DM->ADOQueryModes->next())
        ComboBox1->addItem(DM->ADOQueryModes->fieldByName(QStringLiteral("mode")).asString());
    SavedLogSql.clear();                                                  // 7
    for (const QString &line : DM->ADOQueryLog->sql())
        SavedLogSql += line + QStringLiteral("\r\n");
    setAttachedLayout(true);                                              // 8
    N3Action->setEnabled(true);                                           // 9
    N4->menuAction()->setEnabled(true);
    N5->menuAction()->setEnabled(true);
    N9->setEnabled(true);
    N13->setEnabled(true);
    ResetEntryForm();                                                     // 10
    Dataset *q = DM->ADOQueryLog;                                         // 11
    Edit3->setText(q->fieldByName(QStringLiteral("FREQ")).asString());
    setComboText(ComboBox1, q->fieldByName(QStringLiteral("MODE")).asString());
    Edit11->setText(q->fieldByName(QStringLiteral("TX_PWR")).asString());
    Edit4->setFocus(Qt::OtherFocusReason);                                // 12
    setWindowTitle(path);                                                 // 13
}

void TForm1::showQsoCount()
{
    Label18->setText(QString::number(DM->ADOQueryLog->recordCount()));
}

// ---------------------------------------------------------------- entry panel

void TForm1::setReportDefaults()
{
    const QString mode = ComboBox1->currentText();
    QString report = QStringLiteral("599");
    if (mode == QLatin1String("SSB") || mode == QLatin1String("USB") || mode == QLatin1String("LSB")
        || mode == QLatin1String("FM"))
        report = QStringLiteral("59");
    if (mode == QLatin1String("SSTV"))
        report = QStringLiteral("595");
    Edit6->setText(report);
    Edit7->setText(report);
}

void TForm1::ComboBox1Change()
{
    setReportDefaults();
}

void TForm1::ResetEntryForm()
{
    Label20->clear();                                                      // 1
    Label19->clear();
    CheckBox1->show();
    SearchMode = false;
    Edit1->clear();
    Label16->clear();
    EditMode = false;
    EditedQsoId = -1;
    DM->ADOQueryLog->last();                                               // 2
    showQsoCount();
    DM->ADOQueryB4->close();                                               // 3
    TimeShift = DM->ADOQueryOpc->isActive() && !DM->ADOQueryOpc->isEmpty() // 4
                    ? int(DM->ADOQueryOpc->fieldByName(QStringLiteral("timeshift")).asInteger())
                    : 0;
    const QDateTime now = logClockNow();
    const bool realTime = CheckBox1->isChecked();
    if (realTime)                                                          // 5
        MaskEdit1->setText(TextForms::formatDate(now.date()));
    if (FormFilter) {                                                      // 6
        if (auto *to = FormFilter->findChild<QLineEdit *>(QStringLiteral("MaskEdit2")))
            to->setText(TextForms::formatDate(now.date()));
    }
    if (realTime) {                                                        // 7
        MaskEdit2->setText(TextForms::formatTime(now.time()));
        MaskEdit3->setText(TextForms::formatTime(now.time()));
    } else {
        MaskEdit2->clear();
        MaskEdit3->clear();
    }
    Label15->setVisible(!realTime);                                        // 8
    MaskEdit3->setVisible(!realTime);
    setReportDefaults();                                                   // 9
    for (QLineEdit *e : {Edit4, Edit5, Edit8, Edit9, Edit10})              // 10
        e->clear();
    setComboText(ComboBox2, QStringLiteral("N"));
    setComboText(ComboBox3, QStringLiteral("N"));
    for (QLineEdit *e : {MaskEdit1, MaskEdit2, MaskEdit3})
        e->setModified(false);
    if (realTime)                                                          // 11
        Edit4->setFocus(Qt::OtherFocusReason);
    else
        MaskEdit1->setFocus(Qt::OtherFocusReason);
}

void TForm1::LoadQsoIntoForm()
{
    Dataset *q = DM->ADOQueryLog;
    if (q->isEmpty() || q->eof())
        return;   // nothing to load: the mode stays as it was
    Label16->setText(QStringLiteral("QSO editing..."));
    CheckBox1->hide();
    EditMode = true;
    EditedQsoId = q->fieldByName(QStringLiteral("id")).asInteger();
    MaskEdit3->show();
    Label15->show();
    MaskEdit1->setText(q->fieldByName(QStringLiteral("QSO_DATE")).asString());
    MaskEdit2->setText(q->fieldByName(QStringLiteral("TIME_ON")).asString());
    MaskEdit3->setText(q->fieldByName(QStringLiteral("TIME_OFF")).asString());
    for (QLineEdit *e : {MaskEdit1, MaskEdit2, MaskEdit3})
        e->setModified(false);
    Edit3->setText(q->fieldByName(QStringLiteral("FREQ")).asString());
    setComboText(ComboBox1, q->fieldByName(QStringLiteral("MODE")).asString());
    Edit4->setText(q->fieldByName(QStringLiteral("CALL")).asString());
    Edit6->setText(q->fieldByName(QStringLiteral("RST_SENT")).asString());
    Edit7->setText(q->fieldByName(QStringLiteral("RST_RCVD")).asString());
    Edit5->setText(q->fieldByName(QStringLiteral("NAME")).asString());
    Edit8->setText(q->fieldByName(QStringLiteral("QTH")).asString());
    Edit9->setText(q->fieldByName(QStringLiteral("COMMENT")).asString());
    Edit10->setText(q->fieldByName(QStringLiteral("GRIDSQUARE")).asString());
    setComboText(ComboBox2, q->fieldByName(QStringLiteral("QSL_SENT")).asString());
    setComboText(ComboBox3, q->fieldByName(QStringLiteral("QSL_RCVD")).asString());
    Edit11->setText(q->fieldByName(QStringLiteral("TX_PWR")).asString());
    ShowCountry();
    if (!Edit10->text().isEmpty())
        ShowDistance();
    else
        Label20->clear();
}

void TForm1::Button2Click()
{
    Dataset *q = DM->ADOQueryLog;
    auto setFields = [&](const QDate &date, const QTime &on, const QTime &off) {
        q->fieldByName(QStringLiteral("QSO_DATE")).setDate(date);
        q->fieldByName(QStringLiteral("TIME_ON")).setTime(on);
        q->fieldByName(QStringLiteral("TIME_OFF")).setTime(off);
        q->fieldByName(QStringLiteral("FREQ")).setString(Edit3->text());
        q->fieldByName(QStringLiteral("MODE")).setString(ComboBox1->currentText());
        q->fieldByName(QStringLiteral("CALL")).setString(Edit4->text());
        q->fieldByName(QStringLiteral("RST_SENT")).setString(Edit6->text());
        q->fieldByName(QStringLiteral("RST_RCVD")).setString(Edit7->text());
        q->fieldByName(QStringLiteral("NAME")).setString(Edit5->text());
        q->fieldByName(QStringLiteral("QTH")).setString(Edit8->text());
        q->fieldByName(QStringLiteral("COMMENT")).setString(Edit9->text());
        q->fieldByName(QStringLiteral("GRIDSQUARE")).setString(Edit10->text());
        q->fieldByName(QStringLiteral("QSL_SENT")).setString(ComboBox2->currentText());
        q->fieldByName(QStringLiteral("QSL_RCVD")).setString(ComboBox3->currentText());
        q->fieldByName(QStringLiteral("TX_PWR")).setString(Edit11->text());
    };
    guarded([&] {
        if (!EditMode) {
            if (!Edit4->text().isEmpty()) {
                // Convert everything before a row exists, so a bad date or
                // time leaves nothing half-written and the panel as it is.
                const QDate date = TextForms::parseDate(maskedText(MaskEdit1));
                const QTime on = TextForms::parseTime(maskedText(MaskEdit2));
                QTime off;
                if (CheckBox1->isChecked()) {
                    const QTime t = logClockNow().time();
                    off = QTime(t.hour(), t.minute());
                } else {
                    off = TextForms::parseTime(maskedText(MaskEdit3));
                }
                q->append();
                try {
                    setFields(date, on, off);
                    ShowCountry();
                    q->fieldByName(QStringLiteral("dxcc")).setString(CurrentDxcc);
                    q->post();
                } catch (...) {
                    if (q->state() == Dataset::State::Insert)
                        q->cancel();
                    throw;
                }
            }
        } else {
            const QDate date = TextForms::parseDate(maskedText(MaskEdit1));
            const QTime on = TextForms::parseTime(maskedText(MaskEdit2));
            const QTime off = TextForms::parseTime(maskedText(MaskEdit3));
            // Edit mode is bound to the loaded QSO, wherever the grid has moved since.
            if (!q->locate(EditedQsoId))
                q->raise(QStringLiteral("The QSO being edited is no longer in the log view"));
            q->edit();
            try {
                setFields(date, on, off);
                q->post();
            } catch (...) {
                if (q->state() == Dataset::State::Edit)
                    q->cancel();
                throw;
            }
        }
        ResetEntryForm();
    });
}

void TForm1::Button1Click()
{
    guarded([this] { ResetEntryForm(); });
}

void TForm1::CheckBox1Click()
{
    guarded([this] { ResetEntryForm(); });
}

void TForm1::clockStamp()
{
    const QDateTime now = logClockNow();
    MaskEdit1->setText(TextForms::formatDate(now.date()));
    MaskEdit2->setText(TextForms::formatTime(now.time()));
    MaskEdit3->setText(TextForms::formatTime(now.time()));
}

void TForm1::MaskEdit2DblClick()
{
    clockStamp();
}

void TForm1::MaskEdit2Exit()
{
    MaskEdit3->setText(MaskEdit2->displayText());
}

namespace {
void capitaliseFirstLatin(QLineEdit *e)
{
    const QString t = e->text();
    if (!t.isEmpty() && t[0] >= QLatin1Char('a') && t[0] <= QLatin1Char('z'))
        e->setText(t[0].toUpper() + t.mid(1));
}
} // namespace

void TForm1::Edit5Exit()
{
    capitaliseFirstLatin(Edit5);
}

void TForm1::Edit8Exit()
{
    capitaliseFirstLatin(Edit8);
}

void TForm1::Edit10Exit()
{
    if (!Edit10->text().isEmpty())
        ShowDistance();
}

void TForm1::DBGrid1DblClick()
{
    guarded([this] { LoadQsoIntoForm(); });
}

// ---------------------------------------------------------------- keyboard

void TForm1::focusNextField(QWidget *from, bool backwards)
{
    const QList<QWidget *> fields = entryFields();
    const int at = fields.indexOf(from);
    if (at < 0)
        return;
    for (int step = 1; step <= fields.size(); ++step) {
        const int i = (at + (backwards ? -step : step) + fields.size() * 2) % fields.size();
        QWidget *w = fields[i];
        if (w->isVisible() && w->isEnabled()) {
            w->setFocus(backwards ? Qt::BacktabFocusReason : Qt::TabFocusReason);
            if (auto *le = qobject_cast<QLineEdit *>(w))
                le->selectAll();
            return;
        }
    }
}

bool TForm1::formKeyDown(QKeyEvent *key)
{
    const bool alt = key->modifiers() & Qt::AltModifier;
    switch (key->key()) {
    case Qt::Key_Escape:
        Button1Click();
        return true;
    case Qt::Key_F1:
        Button2Click();
        return true;
    case Qt::Key_F2:
        clockStamp();
        return true;
    case Qt::Key_F5:
        Button1Click();
        return true;
    case Qt::Key_S:
        if (alt) {
            Button2Click();
            return true;
        }
        break;
    case Qt::Key_C:
        if (alt) {
            Button1Click();
            return true;
        }
        break;
    default:
        break;
    }
    return false;
}

bool TForm1::fieldKeyDown(QWidget *field, QKeyEvent *key)
{
    switch (key->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_F9:
        focusNextField(field, false);
        return true;
    case Qt::Key_F8:
        focusNextField(field, true);
        return true;
    default:
        return false;
    }
}

bool TForm1::maskedFieldMayBeLeft(QLineEdit *edit)
{
    if (!edit->isModified() || edit->hasAcceptableInput())
        return true;
    QApplication::beep();
    m_inMaskCheck = true;
    Dialogs::showErrorText(this, QStringLiteral("Invalid input value.  Use escape key to abandon changes"));
    m_inMaskCheck = false;
    edit->setFocus(Qt::OtherFocusReason);
    return false;
}

void TForm1::runExitHandler(QWidget *field)
{
    if (field == MaskEdit2)
        MaskEdit2Exit();
    else if (field == Edit4)
        Edit4Exit();
    else if (field == Edit5)
        Edit5Exit();
    else if (field == Edit8)
        Edit8Exit();
    else if (field == Edit10)
        Edit10Exit();
}

bool TForm1::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::KeyPress: {
        auto *key = static_cast<QKeyEvent *>(event);
        // Escape on a masked field abandons its changes, as well as cancelling.
        if (key->key() == Qt::Key_Escape)
            for (QLineEdit *m : {MaskEdit1, MaskEdit2, MaskEdit3})
                if (watched == m)
                    m->setModified(false);
        // The window sees every key before the focused control.
        QPointer<QObject> alive(watched);
        const bool windowKey = formKeyDown(key);
        if (!alive)
            return true;
        if (watched == Edit1 && (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)) {
            Edit1KeyDown();
            return true;
        }
        if (QWidget *field = fieldOf(watched)) {
            if (fieldKeyDown(field, key))
                return true;
        }
        // Keys the window acted on still reach the control, except those that
        // would make a line edit or grid act a second time.
        if (windowKey && (key->key() == Qt::Key_Escape || key->key() == Qt::Key_F1 || key->key() == Qt::Key_F2
                          || key->key() == Qt::Key_F5 || (key->modifiers() & Qt::AltModifier)))
            return true;
        break;
    }
    case QEvent::FocusOut: {
        auto *fe = static_cast<QFocusEvent *>(event);
        // Leaving a field means focus moving inside this window, not the
        // window losing activation or a popup opening.
        if (fe->reason() == Qt::ActiveWindowFocusReason || fe->reason() == Qt::PopupFocusReason || m_inMaskCheck)
            break;
        QWidget *field = fieldOf(watched);
        if (!field)
            break;
        if (auto *le = qobject_cast<QLineEdit *>(field)) {
            if (!le->inputMask().isEmpty() && !maskedFieldMayBeLeft(le))
                break;
        }
        runExitHandler(field);
        break;
    }
    case QEvent::MouseButtonDblClick:
        if (watched == MaskEdit2)
            MaskEdit2DblClick();
        else if (watched == DBGrid2->viewport())
            DBGrid2DblClick();   // the press before it has already chosen the row
        break;
    default:
        break;
    }
    return QMainWindow::eventFilter(watched, event);
}
