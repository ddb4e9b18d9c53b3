#include "app/tformfilter.h"

#include "app/ui/guarded.h"
#include "app/ui/maskedtext.h"
#include "app/ui/masktyping.h"
#include "logdb/dataset.h"
#include "logdb/logsession.h"
#include "logdb/textforms.h"
#include "query/filtercomposer.h"
#include "query/queryactions.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>

namespace {

// The blue frames around the masks and around the date range.
class BlueFrame : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        p.setPen(QPen(QColor(Qt::blue), 2));
        p.drawRect(rect().adjusted(1, 1, -1, -1));
    }
};

template <class W>
W *place(QWidget *parent, const char *name, int x, int y, int w, int h)
{
    W *widget = new W(parent);
    widget->setObjectName(QLatin1String(name));
    widget->setGeometry(x, y, w, h);
    return widget;
}

} // namespace

TFormFilter::TFormFilter(LogSession *session, QWidget *parent) : QDialog(parent), m_session(session)
{
    setObjectName(QStringLiteral("FormFilter"));
    setWindowTitle(tr("Установка фильтра"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setFont(QFont(QStringLiteral("Tahoma"), 8));
    setFixedSize(394, 328);

    RadioButton1 = place<QRadioButton>(this, "RadioButton1", 16, 8, 90, 17);
    RadioButton1->setText(QStringLiteral("QRO"));
    RadioButton1->setChecked(true);
    RadioButton2 = place<QRadioButton>(this, "RadioButton2", 136, 8, 90, 17);
    RadioButton2->setText(QStringLiteral("QRP"));
    RadioButton3 = place<QRadioButton>(this, "RadioButton3", 256, 8, 120, 17);
    RadioButton3->setText(QStringLiteral("2xWay QRP"));

    auto *frame1 = place<BlueFrame>(this, "Shape1", 8, 32, 378, 104);
    frame1->lower();
    ComboBox1 = place<QComboBox>(this, "ComboBox1", 16, 42, 145, 21);
    Edit1 = place<QLineEdit>(this, "Edit1", 176, 42, 201, 21);
    Button3 = place<QPushButton>(this, "Button3", 160, 71, 75, 25);
    Button3->setText(QStringLiteral("and"));
    Button3->setFocusPolicy(Qt::ClickFocus);   // not a Tab stop
    ComboBox2 = place<QComboBox>(this, "ComboBox2", 16, 105, 145, 21);
    Edit2 = place<QLineEdit>(this, "Edit2", 176, 105, 201, 21);
    for (QComboBox *c : {ComboBox1, ComboBox2}) {
        c->setEditable(true);
        c->setInsertPolicy(QComboBox::NoInsert);
        c->addItems(FilterComposer::columnChoices());
    }
    ComboBox1->setEditText(QStringLiteral("CALL"));
    ComboBox2->setEditText(QStringLiteral("FREQ"));

    Label3 = place<QLabel>(this, "Label3", 16, 142, 362, 16);
    Label3->setText(tr("В маске можно использовать символы _ и %"));

    auto *frame2 = place<BlueFrame>(this, "Shape2", 8, 164, 378, 42);
    frame2->lower();
    CheckBox1 = place<QCheckBox>(this, "CheckBox1", 20, 176, 17, 17);
    Label1 = place<QLabel>(this, "Label1", 52, 178, 12, 14);
    Label1->setText(tr("с"));
    MaskEdit1 = place<QLineEdit>(this, "MaskEdit1", 68, 174, 90, 21);
    Label2 = place<QLabel>(this, "Label2", 186, 178, 18, 14);
    Label2->setText(tr("по"));
    MaskEdit2 = place<QLineEdit>(this, "MaskEdit2", 208, 174, 90, 21);
    // Day and month digits optional, the year's four required.
    for (QLineEdit *e : {MaskEdit1, MaskEdit2}) {
        e->setInputMask(QStringLiteral("00.00.9999;_"));
        installMaskTyping(e);
    }
    // A longer word of another language than "с" and "по" takes room to its
    // left, where there is some before the field.
    for (QLabel *l : {Label1, Label2}) {
        const int needed = l->fontMetrics().horizontalAdvance(l->text()) + 1;
        if (needed > l->width())
            l->setGeometry(l->geometry().adjusted(l->width() - needed, 0, 0, 0));
    }
    MaskEdit1->setText(QStringLiteral("27.01.1970"));
    MaskEdit2->setText(QStringLiteral("27.01.2010"));

    Button4 = place<QPushButton>(this, "Button4", 122, 216, 150, 25);
    Button4->setText(tr("Сформировать запрос"));
    Edit3 = place<QLineEdit>(this, "Edit3", 8, 252, 378, 21);
    Button2 = place<QPushButton>(this, "Button2", 176, 292, 105, 25);
    Button2->setText(tr("Отменить фильтр"));
    Button1 = place<QPushButton>(this, "Button1", 289, 292, 97, 25);
    Button1->setText(tr("Применить"));
    for (QPushButton *b : {Button1, Button2, Button3, Button4})
        b->setAutoDefault(false);

    setTabOrder(RadioButton1, ComboBox1);
    setTabOrder(ComboBox1, Edit1);
    setTabOrder(Edit1, ComboBox2);
    setTabOrder(ComboBox2, Edit2);
    setTabOrder(Edit2, CheckBox1);
    setTabOrder(CheckBox1, MaskEdit1);
    setTabOrder(MaskEdit1, MaskEdit2);
    setTabOrder(MaskEdit2, Button4);
    setTabOrder(Button4, Edit3);
    setTabOrder(Edit3, Button2);
    setTabOrder(Button2, Button1);

    connect(Button4, &QPushButton::clicked, this, &TFormFilter::Button4Click);
    connect(Button3, &QPushButton::clicked, this, &TFormFilter::Button3Click);
    connect(Button1, &QPushButton::clicked, this, &TFormFilter::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &TFormFilter::Button2Click);
}

void TFormFilter::Button4Click()
{
    FilterComposer::Inputs in;
    in.column1 = ComboBox1->currentText();
    in.mask1 = Edit1->text();
    in.joiner = Button3->text();
    in.column2 = ComboBox2->currentText();
    in.mask2 = Edit2->text();
    in.dateRange = CheckBox1->isChecked();
    in.date1 = maskedText(MaskEdit1);
    in.date2 = maskedText(MaskEdit2);
    Edit3->setText(FilterComposer::compose(in, Edit3->text()));
}

void TFormFilter::Button3Click()
{
    Button3->setText(FilterComposer::toggleJoiner(Button3->text()));
}

FilterComposer::Power TFormFilter::power() const
{
    if (RadioButton2->isChecked())
        return FilterComposer::Power::QRP;
    if (RadioButton3->isChecked())
        return FilterComposer::Power::TwoWayQRP;
    return FilterComposer::Power::QRO;
}

void TFormFilter::setEndDate(const QDate &date)
{
    MaskEdit2->setText(TextForms::formatDate(date));
}

bool TFormFilter::postPendingEdit()
{
    // A row being edited in the log view is written before the view changes.
    Dataset *view = m_session->logView();
    return !view->isActive() || runGuarded(this, [view] { view->post(); });
}

void TFormFilter::Button1Click()
{
    if (!postPendingEdit())
        return;
    const bool ok = runGuarded(this, [this] {
        QueryActions::applyFilter(m_session->logView(), Edit3->text(), power());
        m_session->noteViewReopened();
    });
    if (ok)   // on an error the window stays open, the query closed with the rejected statement
        accept();
}

void TFormFilter::Button2Click()
{
    if (!postPendingEdit())
        return;
    const bool ok = runGuarded(this, [this] {
        QueryActions::cancelFilter(m_session->logView(), m_session->savedLogLines());
        m_session->noteViewReopened();
    });
    if (!ok)
        return;
    RadioButton1->setChecked(true);
    Edit3->clear();
    CheckBox1->setChecked(false);
    accept();
}
