#include "app/entrypanel.h"

#include "app/ui/captionedcombo.h"
#include "app/ui/dbgrid.h"
#include "app/ui/dialogs.h"
#include "app/ui/guarded.h"
#include "app/ui/masktyping.h"
#include "app/ui/uppercase.h"
#include "logdb/logsession.h"
#include "logdb/tdm.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFocusEvent>
#include <QFrame>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

// The panel lies under the log grid; positions below are those of the
// window's client area, as the window's design gives them.
const int kTop = 136;
const int kWidth = 713;
const int kHeight = 240;

template <class W>
W *place(W *w, const char *name, int x, int y, int width, int height)
{
    if (name)
        w->setObjectName(QLatin1String(name));
    w->setGeometry(x, y - kTop, width, height);
    return w;
}

QLabel *makeLabel(QWidget *panel, const QString &text, int x, int y, int w = -1, int h = -1)
{
    auto *l = new QLabel(text, panel);
    if (w > 0) {
        place(l, nullptr, x, y, w, h > 0 ? h : 17);
    } else {
        l->adjustSize();
        l->move(x, y - kTop);
    }
    return l;
}

QLineEdit *makeEdit(QWidget *panel, const char *name, int x, int y, int w, int h = 21)
{
    return place(new QLineEdit(panel), name, x, y, w, h);
}

QComboBox *makeCombo(QWidget *panel, const char *name, int x, int y, int w)
{
    auto *c = place(new QComboBox(panel), name, x, y, w, 21);
    c->setEditable(true);
    c->setInsertPolicy(QComboBox::NoInsert);
    c->lineEdit()->setObjectName(QLatin1String(name) + QStringLiteral("Edit"));
    return c;
}

void setTextColour(QWidget *w, const QColor &colour, int pixelSize)
{
    QPalette p = w->palette();
    p.setColor(QPalette::WindowText, colour);
    w->setPalette(p);
    QFont f = w->font();
    f.setPixelSize(pixelSize);
    w->setFont(f);
}

} // namespace

EntryPanel::EntryPanel(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("EntryPanel"));
    setGeometry(0, kTop, kWidth, kHeight);
    buildEntryFields();
    buildWorkedBefore();
    buildStatusRow();

    // Only the entry fields take Tab; everything else is reached by mouse.
    const QList<QWidget *> fields = entryFields();
    for (int i = 0; i < fields.size(); ++i) {
        fields[i]->setFocusPolicy(Qt::StrongFocus);
        if (i > 0)
            setTabOrder(fields[i - 1], fields[i]);
    }
    // The panel sees every key and focus change of its controls first.
    for (QWidget *w : findChildren<QWidget *>())
        w->installEventFilter(this);
}

EntryPanel::~EntryPanel() = default;

void EntryPanel::buildEntryFields()
{
    Bevel1 = place(new QFrame(this), "Bevel1", 8, 136, 401, 209);
    Bevel1->setFrameStyle(QFrame::Panel | QFrame::Raised);

    // A field is announced by its caption, whatever it holds.
    auto fieldLabel = [this](QWidget *field, const QString &text, int x, int y) {
        QLabel *l = makeLabel(this, text, x, y + 3);
        l->setBuddy(field);
        field->setAccessibleName(text);
        if (auto *c = qobject_cast<QComboBox *>(field))
            announceByCaption(c);
        return l;
    };
    auto wrappedLabel = [&](QWidget *field, const QString &text, int x, int y, int w) {
        QLabel *l = fieldLabel(field, text, x, y);
        l->setWordWrap(true);
        place(l, nullptr, x, y, w, 30);
    };

    // Row 1: date, start and end time, "Real time".
    MaskEdit1 = makeEdit(this, "MaskEdit1", 64, 144, 72);
    MaskEdit1->setInputMask(QStringLiteral("00.00.9999;_"));
    installMaskTyping(MaskEdit1);
    fieldLabel(MaskEdit1, tr("Date"), 20, 144);
    MaskEdit2 = makeEdit(this, "MaskEdit2", 184, 144, 40);
    MaskEdit2->setInputMask(QStringLiteral("09:99;_"));
    installMaskTyping(MaskEdit2);
    fieldLabel(MaskEdit2, tr("S_time"), 146, 144);
    MaskEdit3 = makeEdit(this, "MaskEdit3", 272, 144, 40);
    MaskEdit3->setInputMask(QStringLiteral("09:99;_"));
    installMaskTyping(MaskEdit3);
    Label15 = fieldLabel(MaskEdit3, tr("E_time"), 234, 144);
    Label15->setObjectName(QStringLiteral("Label15"));
    CheckBox1 = place(new QCheckBox(tr("Real time"), this), "CheckBox1", 328, 144, 76, 21);
    CheckBox1->setChecked(true);
    CheckBox1->setFocusPolicy(Qt::ClickFocus);
    // toggled, not clicked: a screen reader's toggle action counts as a click.
    connect(CheckBox1, &QCheckBox::toggled, this, [this] { CheckBox1Click(); });

    // Row 2: frequency, mode, status line.
    Edit3 = makeEdit(this, "Edit3", 64, 176, 65);
    fieldLabel(Edit3, tr("MHz"), 20, 176);
    ComboBox1 = makeCombo(this, "ComboBox1", 168, 176, 73);
    fieldLabel(ComboBox1, tr("Mode"), 136, 176);
    // Only the operator's changes set the reports: typing, choosing, the
    // arrow keys and the wheel (which arrives as arrow keys).
    connect(ComboBox1->lineEdit(), &QLineEdit::textEdited, this, [this] { ComboBox1Change(); });
    connect(ComboBox1, qOverload<int>(&QComboBox::activated), this, [this] { ComboBox1Change(); });
    Label16 = makeLabel(this, QString(), 264, 176, 121, 19);
    Label16->setObjectName(QStringLiteral("Label16"));
    setTextColour(Label16, Qt::red, 16);

    // Row 3: call and reports.
    Edit4 = makeEdit(this, "Edit4", 64, 208, 129, 24);
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
        QLabel *l = fieldLabel(Edit4, tr("Call"), 20, 208);
        QFont lf = font();
        lf.setPixelSize(16);
        l->setFont(lf);
        l->adjustSize();
    }
    Edit6 = makeEdit(this, "Edit6", 240, 208, 57);
    wrappedLabel(Edit6, tr("RST sent"), 200, 204, 38);
    Edit7 = makeEdit(this, "Edit7", 344, 208, 57);
    wrappedLabel(Edit7, tr("RST rcvd"), 304, 204, 38);

    // Rows 4 to 6.
    Edit5 = makeEdit(this, "Edit5", 64, 248, 129);
    fieldLabel(Edit5, tr("Name"), 20, 248);
    Edit8 = makeEdit(this, "Edit8", 224, 248, 177);
    fieldLabel(Edit8, tr("QTH"), 198, 248);
    Edit9 = makeEdit(this, "Edit9", 64, 280, 217);
    fieldLabel(Edit9, tr("Comment"), 14, 280);
    Edit10 = makeEdit(this, "Edit10", 328, 280, 73);
    forceUpperCase(Edit10);
    fieldLabel(Edit10, tr("Grid"), 300, 280);
    ComboBox2 = makeCombo(this, "ComboBox2", 64, 312, 41);
    ComboBox2->addItems({QStringLiteral("N"), QStringLiteral("Y"), QStringLiteral("P")});
    forceUpperCase(ComboBox2->lineEdit());
    wrappedLabel(ComboBox2, tr("QSL sent"), 14, 308, 48);
    ComboBox3 = makeCombo(this, "ComboBox3", 168, 312, 41);
    ComboBox3->addItems({QStringLiteral("N"), QStringLiteral("Y")});
    forceUpperCase(ComboBox3->lineEdit());
    wrappedLabel(ComboBox3, tr("QSL rcvd"), 116, 308, 48);
    Edit11 = makeEdit(this, "Edit11", 272, 312, 41);
    fieldLabel(Edit11, tr("TX_PWR"), 222, 312);
    Label20 = makeLabel(this, QString(), 328, 314, 73, 17);
    Label20->setObjectName(QStringLiteral("Label20"));
}

void EntryPanel::buildWorkedBefore()
{
    DBGrid2 = place(new DbGrid(this), "DBGrid2", 416, 136, 289, 153);
    DBGrid2->setDeleteWithCtrlDel(true);
    // A double click anywhere on the grid, rows or not, runs the handler.
    DBGrid2->viewport()->installEventFilter(this);
    QPalette p = DBGrid2->palette();
    p.setColor(QPalette::Base, QColor(230, 232, 231));
    p.setColor(QPalette::Text, Qt::black);
    DBGrid2->setPalette(p);
    QFont hf = font();
    hf.setPixelSize(9);
    DBGrid2->horizontalHeader()->setFont(hf);
    DBGrid2->horizontalHeader()->setStyleSheet(QStringLiteral("QHeaderView { color: grey; }"));

    Label17 = makeLabel(this, tr("Поиск по фрагменту в позывном"), 416, 307);
    Label17->setObjectName(QStringLiteral("Label17"));
    Edit1 = makeEdit(this, "Edit1", 592, 304, 113);
    Edit1->setFocusPolicy(Qt::ClickFocus);
    Edit1->setAccessibleName(Label17->text());
    forceUpperCase(Edit1);
}

void EntryPanel::buildStatusRow()
{
    Label18 = makeLabel(this, QString(), 8, 352, 81, 17);
    Label18->setObjectName(QStringLiteral("Label18"));
    Label19 = makeLabel(this, QString(), 99, 352, 222, 21);
    Label19->setObjectName(QStringLiteral("Label19"));
    setTextColour(Label19, Qt::red, 13);
    CheckBox2 = place(new QCheckBox(tr("Freq from Rig"), this), "CheckBox2", 328, 352, 92, 17);
    CheckBox2->setFocusPolicy(Qt::ClickFocus);
    connect(CheckBox2, &QCheckBox::toggled, this, [this] { CheckBox2Click(); });

    auto button = [this](const char *name, const QString &text, int x, void (EntryPanel::*handler)()) {
        auto *b = place(new QPushButton(text, this), name, x, 344, 89, 25);
        b->setFocusPolicy(Qt::ClickFocus);
        b->setAutoDefault(false);
        connect(b, &QPushButton::clicked, this, [this, handler] { (this->*handler)(); });
        return b;
    };
    Button3 = button("Button3", tr("QSO import"), 424, &EntryPanel::Button3Click);
    Button1 = button("Button1", tr("Отмена(Esc)"), 520, &EntryPanel::Button1Click);
    Button2 = button("Button2", tr("Сохранить(F1)"), 616, &EntryPanel::Button2Click);
}

void EntryPanel::setSession(LogSession *session)
{
    m_session = session;
    DBGrid2->setDataSource(session->dataModule()->DataSource2,
        {{QStringLiteral("call"), QStringLiteral("CALL")}, {QStringLiteral("qso_date"), QStringLiteral("QSO_DATE")},
         {QStringLiteral("time_on"), QStringLiteral("TIME_on")}, {QStringLiteral("FREQ"), {}},
         {QStringLiteral("MODE"), {}}, {QStringLiteral("name"), QStringLiteral("NAME")},
         {QStringLiteral("QTH"), {}}, {QStringLiteral("qsl_sent"), {}}, {QStringLiteral("qsl_rcvd"), {}},
         {QStringLiteral("COMMENT"), {}}, {QStringLiteral("RST_SENT"), {}}, {QStringLiteral("RST_RCVD"), {}},
         {QStringLiteral("TX_PWR"), {}}, {QStringLiteral("GRIDSQUARE"), {}}},
        {62, 59, 34, 42, 35, 63, 62, 20, 19, 77, 37, 38, 23, 60});
    connect(session, &LogSession::countChanged, Label18,
            [this](int count) { Label18->setText(QString::number(count)); });
}

bool EntryPanel::guarded(const std::function<void()> &action)
{
    return runGuarded(this, action);
}

// ---------------------------------------------------------------- keyboard

QList<QWidget *> EntryPanel::entryFields() const
{
    return {MaskEdit1, MaskEdit2, MaskEdit3, Edit3, ComboBox1, Edit4, Edit6, Edit7,
            Edit5, Edit8, Edit9, Edit10, ComboBox2, ComboBox3, Edit11};
}

QWidget *EntryPanel::fieldOf(QObject *o) const
{
    for (QWidget *f : entryFields())
        if (o == f || (qobject_cast<QComboBox *>(f) && o == static_cast<QComboBox *>(f)->lineEdit()))
            return f;
    return nullptr;
}

void EntryPanel::focusNextField(QWidget *from, bool backwards)
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

namespace {

// The Latin letter of the key pressed. Under a layout without Latin letters
// (Russian, Ukrainian, ...) Qt reports the layout's own letter, so the
// physical key decides: these are the X11 / evdev key codes of the letters
// of a Latin keyboard.
int latinLetter(const QKeyEvent *key)
{
    if (key->key() >= Qt::Key_A && key->key() <= Qt::Key_Z)
        return key->key();
    static const int kCodes[26] = {38, 56, 54, 40, 26, 41, 42, 43, 31, 44, 45, 46, 58,
                                   57, 32, 33, 24, 27, 39, 28, 30, 55, 25, 53, 29, 52};
    for (int i = 0; i < 26; ++i)
        if (key->nativeScanCode() == quint32(kCodes[i]))
            return Qt::Key_A + i;
    return 0;
}

} // namespace

bool EntryPanel::FormKeyDown(QKeyEvent *key)
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
    default:
        break;
    }
    if (alt && latinLetter(key) == Qt::Key_S) {
        Button2Click();
        return true;
    }
    if (alt && latinLetter(key) == Qt::Key_C) {
        Button1Click();
        return true;
    }
    return false;
}

bool EntryPanel::fieldKeyDown(QWidget *field, QKeyEvent *key)
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

bool EntryPanel::maskedFieldMayBeLeft(QLineEdit *edit)
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

void EntryPanel::runExitHandler(QWidget *field)
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

bool EntryPanel::eventFilter(QObject *watched, QEvent *event)
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
        if (FormKeyDown(key) || !alive)
            return true;
        if (watched == Edit1 && (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)) {
            Edit1KeyDown();
            return true;
        }
        if (QWidget *field = fieldOf(watched))
            if (fieldKeyDown(field, key))
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
        if (auto *le = qobject_cast<QLineEdit *>(field))
            if (!le->inputMask().isEmpty() && !maskedFieldMayBeLeft(le))
                break;
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
    return QWidget::eventFilter(watched, event);
}
