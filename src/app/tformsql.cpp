#include "app/tformsql.h"

#include "query/queryactions.h"
#include "query/sqlfile.h"
#include "query/workbook.h"

#include "logdb/dataset.h"
#include "logdb/datasource.h"
#include "app/ui/dbgrid.h"
#include "app/ui/dialogs.h"
#include "app/ui/guarded.h"
#include "logdb/logsession.h"
#include "logdb/snapshots.h"
#include "logdb/tdm.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QUrl>

namespace {

template <class W>
W *place(QWidget *parent, const char *name, int x, int y, int w, int h)
{
    W *widget = new W(parent);
    widget->setObjectName(QLatin1String(name));
    widget->setGeometry(x, y, w, h);
    return widget;
}

QPushButton *button(QWidget *parent, const char *name, const QString &text, int x)
{
    QPushButton *b = place<QPushButton>(parent, name, x, 444, 75, 25);
    b->setText(text);
    b->setAutoDefault(false);
    return b;
}

} // namespace

TFormSQL::TFormSQL(LogSession *session, QWidget *parent)
    : QDialog(parent), m_session(session)
{
    setObjectName(QStringLiteral("FormSQL"));
    setWindowTitle(tr("Запрос SQL"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setFont(QFont(QStringLiteral("MS Sans Serif"), 8));
    setFixedSize(762, 480);

    Query1 = new Dataset(QStringLiteral("Query1"), session->dataModule()->ADOConnection1, this);
    DataSource1 = new DataSource(QStringLiteral("DataSource1"), this);
    DataSource1->setDataSet(Query1);
    DBGrid1 = place<DbGrid>(this, "DBGrid1", 8, 8, 745, 313);
    DBGrid1->setDataSource(DataSource1);

    Memo1 = place<QPlainTextEdit>(this, "Memo1", 8, 328, 745, 97);
    Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
    Memo1->setTabChangesFocus(true);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->setPlainText(QStringLiteral(
        "select * from log\n"
        "where TX_PWR like \"_\" and (COMMENT like \"%qrp%\" or call like \"%/qrp%\")"));

    Button1 = button(this, "Button1", tr("Выполнить"), 8);
    Button3 = button(this, "Button3", tr("EXCEL"), 96);
    Button4 = button(this, "Button4", tr("Сохранить"), 184);
    Button5 = button(this, "Button5", tr("Загрузить"), 272);
    ButtonExit = button(this, "ButtonExit", tr("Выход"), 678);

    connect(Button1, &QPushButton::clicked, this, &TFormSQL::Button1Click);
    connect(Button3, &QPushButton::clicked, this, &TFormSQL::Button3Click);
    connect(Button4, &QPushButton::clicked, this, &TFormSQL::Button4Click);
    connect(Button5, &QPushButton::clicked, this, &TFormSQL::Button5Click);
    connect(ButtonExit, &QPushButton::clicked, this, &TFormSQL::ButtonExitClick);

    // FormCreate: both file dialogs start in the working folder of start-up.
    m_dialogFolder = QDir::currentPath();

    // Key preview: Esc closes the window whichever control has the focus.
    qApp->installEventFilter(this);
}

QStringList TFormSQL::memoLines() const
{
    return SqlFile::splitLines(Memo1->toPlainText());
}

void TFormSQL::Button1Click()
{
    // A row changed in the grid is written before its result goes away.
    if (!DBGrid1->postPending())
        return;
    runGuarded(this, [this] {
        // A statement that may change the log runs only after a snapshot as
        // new as the log exists, so that it can always be undone from one.
        const QStringList lines = memoLines();
        if (Snapshots::modifiesData(lines.join(QLatin1Char('\n'))))
            m_session->ensureFreshSnapshot();
        QueryActions::runStatement(Query1, lines);
    });
    // Cells are edited in place only where the rows carry their table's id,
    // so a change is written to exactly the row it was made in.
    DBGrid1->setEditable(Query1->isActive() && Query1->canModify() && Query1->idAt(0) >= 0);
}

void TFormSQL::Button3Click()
{
    QString path;
    const bool written = runGuarded(this, [&] {
        const QVector<Workbook::Row> rows = QueryActions::readRows(Query1);
        path = Workbook::newWorkbookPath();
        Workbook::write(path, rows, Query1->fieldCount());
    });
    if (!written)
        return;
    m_lastWorkbook = path;
    const bool opened = m_opener ? m_opener(path) : QDesktopServices::openUrl(QUrl::fromLocalFile(path));
    if (!opened)
        Dialogs::showNotice(this, tr("Нет программы, которая открыла бы книгу. Книга записана в файл %1")
                                      .arg(QDir::toNativeSeparators(path)));
}

QString TFormSQL::sqlFilter()
{
    return tr("Запрос") + QStringLiteral("|*.sql");
}

void TFormSQL::Button4Click()
{
    const QString name = Dialogs::saveFileName(this, QStringLiteral("SaveDialog1"), sqlFilter(),
                                               QStringLiteral("sql"), m_dialogFolder);
    if (name.isEmpty()) {
        Dialogs::showNotice(this, tr("Файл не сохранен!"));
        return;
    }
    runGuarded(this, [&] { SqlFile::save(name, Memo1->toPlainText()); });
}

void TFormSQL::Button5Click()
{
    const QString name = Dialogs::openFileName(this, QStringLiteral("OpenDialog1"), sqlFilter(), m_dialogFolder);
    if (name.isEmpty()) {
        Dialogs::showNotice(this, tr("Файл не выбран"));
        return;
    }
    runGuarded(this, [&] {
        Memo1->setPlainText(SqlFile::splitLines(SqlFile::load(name)).join(QLatin1Char('\n')));
    });
}

void TFormSQL::ButtonExitClick()
{
    close();
}

bool TFormSQL::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress && isVisible()) {
        auto *ke = static_cast<QKeyEvent *>(event);
        auto *w = qobject_cast<QWidget *>(watched);
        if (ke->key() == Qt::Key_Escape && w && w->window() == this) {
            // An open cell editor takes the Esc first and drops what was
            // typed into it; then the window closes.
            if (w != DBGrid1 && DBGrid1->isAncestorOf(w)) {
                QMetaObject::invokeMethod(this, &TFormSQL::abandonAndClose, Qt::QueuedConnection);
                return false;
            }
            abandonAndClose();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TFormSQL::abandonAndClose()
{
    // Esc abandons a row being edited; closing otherwise writes it.
    if (Query1->state() == Dataset::State::Edit || Query1->state() == Dataset::State::Insert)
        runGuarded(this, [this] { Query1->cancel(); });
    close();
}

void TFormSQL::changeEvent(QEvent *event)
{
    QDialog::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && !isActiveWindow())
        FormDeactivate();
}

void TFormSQL::hideEvent(QHideEvent *event)
{
    QDialog::hideEvent(event);
    // A cell changed just before closing is not lost.
    DBGrid1->postPending();
    FormDeactivate();
}

void TFormSQL::FormDeactivate()
{
    emit deactivated();
}
