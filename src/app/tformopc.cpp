#include "app/tformopc.h"
#include "app/ui/uppercase.h"

#include "app/ui/dialogs.h"
#include "app/ui/guarded.h"
#include "logdb/schema.h"
#include "settings/stationsettings.h"
#include "logdb/tdm.h"

#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>

namespace {
const char *const kColumns[] = {"mycall", "myname", "myqth", "myloc", "myadr", "myrig", "timeshift"};
const char *const kLabels[] = {
    QT_TRANSLATE_NOOP("TFormOpc", "Позывной"), QT_TRANSLATE_NOOP("TFormOpc", "Имя"),
    QT_TRANSLATE_NOOP("TFormOpc", "QTH"),      QT_TRANSLATE_NOOP("TFormOpc", "QTH loc"),
    QT_TRANSLATE_NOOP("TFormOpc", "Адрес"),    QT_TRANSLATE_NOOP("TFormOpc", "Аппаратура"),
    QT_TRANSLATE_NOOP("TFormOpc", "local-GMT")};

int columnWidth(const QString &column)
{
    for (const FieldDef &f : Schema::opcFields())
        if (f.name.compare(column, Qt::CaseInsensitive) == 0)
            return f.width;
    return 0;
}

// Typing puts the row into edit state; a log without its settings row gets
// one when the edit is saved.
void beginEdit(Dataset *ds)
{
    if (ds->state() == Dataset::State::Edit || ds->state() == Dataset::State::Insert)
        return;
    if (ds->isEmpty())
        ds->append();
    else
        ds->edit();
}

} // namespace

TFormOpc::TFormOpc(TDM *dm, QWidget *parent) : QDialog(parent), m_dm(dm)
{
    setObjectName(QStringLiteral("FormOpc"));
    setWindowTitle(tr("Настройки"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint
                   | Qt::MSWindowsFixedSizeDialogHint);
    QFont f(QStringLiteral("Tahoma"));
    f.setPointSize(8);
    setFont(f);
    setFixedSize(206, 236);

    QLineEdit **edits[] = {&DBEdit1, &DBEdit2, &DBEdit3, &DBEdit4, &DBEdit5, &DBEdit6, &DBEdit7};
    for (int i = 0; i < 7; ++i) {
        const int y = 8 + i * 27;
        auto *e = new QLineEdit(this);
        e->setObjectName(QStringLiteral("DBEdit%1").arg(i + 1));
        e->setProperty("column", QLatin1String(kColumns[i]));
        e->setGeometry(80, y, 118, 21);
        auto *l = new QLabel(tr(kLabels[i]), this);
        l->setObjectName(QStringLiteral("Label%1").arg(i + 1));
        l->setGeometry(8, y + 3, 70, 15);
        l->setBuddy(e);
        const int w = columnWidth(QLatin1String(kColumns[i]));
        if (w > 0)
            e->setMaxLength(w);
        e->installEventFilter(this);
        connect(e, &QLineEdit::textEdited, this, [this] { startEditing(); });
        *edits[i] = e;
    }
    forceUpperCase(DBEdit1);
    forceUpperCase(DBEdit4);
    // Only digits and the signs can be typed; whether the text is a number
    // is decided when the field is left.
    DBEdit7->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9+\\-]*")), DBEdit7));
    for (int i = 1; i < 7; ++i)
        setTabOrder(*edits[i - 1], *edits[i]);

    Button2 = new QPushButton(tr("Отмена"), this);
    Button2->setObjectName(QStringLiteral("Button2"));
    Button2->setGeometry(8, 203, 89, 25);
    Button1 = new QPushButton(tr("OK"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setGeometry(109, 203, 89, 25);
    // Neither button answers Enter.
    for (QPushButton *b : {Button1, Button2}) {
        b->setAutoDefault(false);
        b->setDefault(false);
    }
    setTabOrder(DBEdit7, Button2);
    setTabOrder(Button2, Button1);
    connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
    connect(Button2, &QPushButton::clicked, this, [this] { Button2Click(); });

    // Attaching another log reopens the settings row and drops any edit.
    Dataset *ds = dataSet();
    connect(ds, &Dataset::opened, this, [this] {
        m_modified = false;
        loadFields();
    });
    connect(ds, &Dataset::closed, this, [this] {
        m_modified = false;
        loadFields();
    });
}

Dataset *TFormOpc::dataSet() const
{
    return m_dm->DataSource3->dataSet() ? m_dm->DataSource3->dataSet() : m_dm->ADOQueryOpc;
}

QList<QLineEdit *> TFormOpc::fields() const
{
    return {DBEdit1, DBEdit2, DBEdit3, DBEdit4, DBEdit5, DBEdit6, DBEdit7};
}

QString TFormOpc::columnOf(const QLineEdit *edit) const
{
    return edit->property("column").toString();
}

bool TFormOpc::rowEditing() const
{
    Dataset *ds = dataSet();
    return ds->isActive() && (ds->state() == Dataset::State::Edit || ds->state() == Dataset::State::Insert);
}

void TFormOpc::loadField(QLineEdit *edit)
{
    Dataset *ds = dataSet();
    QString text;
    if (ds->isActive() && !ds->isEmpty())
        runGuarded(this, [&] { text = ds->fieldByName(columnOf(edit)).asString(); });
    edit->setText(text);
    edit->setModified(false);
    m_refusedOnWayToOk = false;
}

void TFormOpc::loadFields()
{
    for (QLineEdit *e : fields())
        loadField(e);
}

void TFormOpc::startEditing()
{
    Dataset *ds = dataSet();
    if (!ds->isActive() || rowEditing())
        return;
    runGuarded(this, [ds] { beginEdit(ds); });
}

bool TFormOpc::updateField(QLineEdit *edit)
{
    if (!edit->isModified())
        return true;
    Dataset *ds = dataSet();
    if (!ds->isActive())
        return true;
    const bool ok = runGuarded(this, [&] {
        beginEdit(ds);
        Field f = ds->fieldByName(columnOf(edit));
        const QString text = edit->text();
        if (edit == DBEdit7) {
            int hours = 0;
            if (!StationSettings::parseOffset(text, &hours)) {
                if (!f.isNull()) {
                    f.setNull();
                    m_modified = true;
                }
            } else if (f.isNull() || f.asInteger() != hours) {
                f.setInteger(hours);
                m_modified = true;
            }
        } else if (f.asString() != text) {
            f.setString(text);
            m_modified = true;
        }
    });
    if (ok) {
        edit->setModified(false);
        return true;
    }
    edit->setFocus(Qt::OtherFocusReason);
    edit->selectAll();
    return false;
}

bool TFormOpc::commitFields()
{
    for (QLineEdit *e : fields())
        if (e->isModified() && !updateField(e))
            return false;
    return true;
}

void TFormOpc::Button1Click()
{
    // A click on "OK" leaves the field first; when that refused the text,
    // its error has been shown and the click goes no further.
    if (m_refusedOnWayToOk) {
        m_refusedOnWayToOk = false;
        return;
    }
    if (!commitFields())
        return;
    Dataset *ds = dataSet();
    const bool ok = runGuarded(this, [&] {
        if (!ds->isActive())
            return;
        if (m_modified)
            ds->post();              // an engine error keeps the row in edit state
        else if (rowEditing())
            ds->cancel();            // typed and put back: nothing to write
        m_modified = false;
    });
    if (!ok)
        return;
    loadFields();
    accept();
}

void TFormOpc::Button2Click()
{
    Dataset *ds = dataSet();
    runGuarded(this, [&] {
        if (ds->isActive())
            ds->cancel();
    });
    m_modified = false;
    loadFields();
    reject();
}

void TFormOpc::showEvent(QShowEvent *event)
{
    // Edits left pending by closing the window stay on show.
    if (!rowEditing() && !m_modified)
        loadFields();
    QDialog::showEvent(event);
}

void TFormOpc::keyPressEvent(QKeyEvent *event)
{
    // Neither Esc nor Enter closes the window.
    switch (event->key()) {
    case Qt::Key_Escape:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        event->accept();
        return;
    default:
        QDialog::keyPressEvent(event);
    }
}

bool TFormOpc::eventFilter(QObject *watched, QEvent *event)
{
    auto *edit = qobject_cast<QLineEdit *>(watched);
    if (!edit || !fields().contains(edit))
        return QDialog::eventFilter(watched, event);
    if (event->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Escape && key->modifiers() == Qt::NoModifier) {
            // Esc puts the row's current value back into the field.
            loadField(edit);
            edit->selectAll();
            return true;
        }
    } else if (event->type() == QEvent::FocusOut) {
        auto *fe = static_cast<QFocusEvent *>(event);
        // Leaving means focus moving inside this window; not the window
        // losing activation, a popup, or our own error box. On the way to
        // "Отмена" the text is about to be discarded anyway.
        if (m_inError || fe->reason() == Qt::ActiveWindowFocusReason || fe->reason() == Qt::PopupFocusReason
            || QApplication::focusWidget() == Button2)
            return QDialog::eventFilter(watched, event);
        m_refusedOnWayToOk = false;
        const bool toOk = fe->reason() == Qt::MouseFocusReason && QApplication::focusWidget() == Button1;
        m_inError = true;
        if (!updateField(edit) && toOk)
            m_refusedOnWayToOk = true;
        m_inError = false;
    }
    return QDialog::eventFilter(watched, event);
}
