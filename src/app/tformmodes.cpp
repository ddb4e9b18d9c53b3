#include "app/tformmodes.h"

#include "app/ui/dbgrid.h"
#include "app/ui/dialogs.h"
#include "app/ui/guarded.h"
#include "logdb/tdm.h"

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPushButton>

TFormModes::TFormModes(TDM *dm, QWidget *parent) : QDialog(parent), m_dm(dm)
{
    setObjectName(QStringLiteral("FormModes"));
    setWindowTitle(tr("Виды излучения"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint
                   | Qt::MSWindowsFixedSizeDialogHint);
    QFont f(QStringLiteral("Tahoma"));
    f.setPointSize(8);
    setFont(f);
    setFixedSize(208, 328);

    DBGrid1 = new DbGrid(this);
    DBGrid1->setObjectName(QStringLiteral("DBGrid1"));
    DBGrid1->setGeometry(36, 16, 137, 257);
    DBGrid1->setFocusPolicy(Qt::StrongFocus);
    DBGrid1->setDataSource(dm->DataSource4, {{QStringLiteral("mode"), {}}}, {100});
    DBGrid1->setEditable(true);
    // A cell opens for editing when typed into, by F2 or a click on the
    // current cell; merely moving between rows leaves the cells closed.
    DBGrid1->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::SelectedClicked
                             | QAbstractItemView::EditKeyPressed | QAbstractItemView::AnyKeyPressed);
    DBGrid1->setAppendOnDown(true);
    DBGrid1->setDeleteWithCtrlDel(true);
    DBGrid1->horizontalHeader()->setStretchLastSection(true);

    Button1 = new QPushButton(tr("OK"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setGeometry(66, 288, 75, 25);
    Button1->setAutoDefault(false);
    connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
    DBGrid1->installEventFilter(this);
    DBGrid1->viewport()->installEventFilter(this);
}

bool TFormModes::dropBlankNewRow()
{
    // A row appended by moving down and left without a mode typed into it is
    // not a mode: it is dropped rather than written as an empty entry.
    Dataset *ds = DBGrid1->dataSet();
    // A cell editor open in the grid has the focus: its text is not in the row yet.
    QWidget *fw = QApplication::focusWidget();
    const bool cellEditorOpen = fw && fw != DBGrid1 && DBGrid1->isAncestorOf(fw);
    if (!ds || !ds->isActive() || ds->state() != Dataset::State::Insert || cellEditorOpen)
        return false;
    bool blank = false;
    runGuarded(this, [&] {
        blank = ds->fieldByName(QStringLiteral("mode")).asString().trimmed().isEmpty();
        if (blank)
            ds->cancel();
    });
    return blank;
}

bool TFormModes::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == DBGrid1 && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if ((key == Qt::Key_Up || key == Qt::Key_PageUp || key == Qt::Key_Home) && dropBlankNewRow())
            return true;   // back on the last row, where the append started
    } else if (watched == DBGrid1->viewport() && event->type() == QEvent::MouseButtonPress) {
        dropBlankNewRow();
    }
    return QDialog::eventFilter(watched, event);
}

void TFormModes::Button1Click()
{
    // done() writes the row being edited first; it stays open when that fails.
    accept();
    if (!isVisible())
        Dialogs::showNotice(parentWidget(), tr("Требуется перезапуск программы!"));
}

void TFormModes::done(int result)
{
    // Leaving the window leaves the row being edited: it is written now.
    if (!dropBlankNewRow() && !DBGrid1->postPending())
        return;
    QDialog::done(result);
}

void TFormModes::keyPressEvent(QKeyEvent *event)
{
    // Enter and Esc belong to the grid's editing, never close the window.
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
