#include "app/ui/dbgrid.h"
#include "logdb/dataset.h"
#include "app/ui/dialogs.h"
#include "app/ui/guarded.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>

DbGrid::DbGrid(QWidget *parent) : QTableView(parent)
{
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setFocusPolicy(Qt::ClickFocus);
    verticalHeader()->setDefaultSectionSize(17);
    verticalHeader()->setMinimumSectionSize(12);
    verticalHeader()->setFixedWidth(11);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setSectionsMovable(false);
    setWordWrap(false);
}

void DbGrid::setDataSource(DataSource *source, const QVector<DatasetModel::Column> &columns,
                           const QVector<int> &widths)
{
    delete m_model;
    m_model = new DatasetModel(source, columns, this);
    m_widths = widths;
    setModel(m_model);
    connect(m_model, &QAbstractItemModel::modelReset, this, [this] {
        applyWidths();
        followDataset();
    });
    connect(m_model, &QAbstractItemModel::rowsInserted, this, &DbGrid::followDataset);
    connect(m_model, &DatasetModel::editError, this, [this](const QString &msg) { Dialogs::showError(this, msg); });
    connect(source, &DataSource::dataSetChanged, this, [this, source] {
        if (source->dataSet())
            connect(source->dataSet(), &Dataset::afterScroll, this, &DbGrid::followDataset, Qt::UniqueConnection);
    });
    if (source->dataSet())
        connect(source->dataSet(), &Dataset::afterScroll, this, &DbGrid::followDataset, Qt::UniqueConnection);
    applyWidths();
    followDataset();
}

Dataset *DbGrid::dataSet() const
{
    return m_model ? m_model->dataSet() : nullptr;
}

void DbGrid::setEditable(bool on)
{
    if (m_model)
        m_model->setEditable(on);
    // Not on every row move: an editor left open on a row would pull the
    // dataset back to it when the row is changed from code.
    setEditTriggers(on ? QAbstractItemView::DoubleClicked | QAbstractItemView::SelectedClicked
                             | QAbstractItemView::EditKeyPressed | QAbstractItemView::AnyKeyPressed
                       : QAbstractItemView::NoEditTriggers);
}

void DbGrid::setTitleRowVisible(bool on)
{
    horizontalHeader()->setVisible(on);
}

void DbGrid::applyWidths()
{
    for (int i = 0; i < m_widths.size() && m_model && i < m_model->columnCount(); ++i)
        if (m_widths[i] > 0)
            setColumnWidth(i, m_widths[i]);
}

void DbGrid::followDataset()
{
    Dataset *ds = dataSet();
    if (!ds || m_syncing)
        return;
    const int row = ds->recNo();
    if (row < 0 || row >= m_model->rowCount())
        return;
    m_syncing = true;
    const int col = currentIndex().isValid() ? currentIndex().column() : 0;
    setCurrentIndex(m_model->index(row, qMax(0, col)));
    scrollTo(m_model->index(row, qMax(0, col)));
    m_syncing = false;
}

void DbGrid::currentChanged(const QModelIndex &current, const QModelIndex &previous)
{
    // The base class first: it commits an open cell editor into the row left.
    QTableView::currentChanged(current, previous);
    Dataset *ds = dataSet();
    if (m_syncing || !ds || !current.isValid() || current.row() == ds->recNo())
        return;
    const int row = current.row();
    m_syncing = true;
    // Moving to another row posts a pending edit of the row left; a row
    // appended and left as it came is dropped instead (it is the last row, so
    // the row moved to keeps its number).
    const bool ok = runGuarded(this, [&] {
        dropBlankInsert(ds);
        if (row != ds->recNo())
            ds->moveTo(row);
    });
    m_syncing = false;
    if (!ok || row != ds->recNo())
        followDataset();
}

bool DbGrid::postPending()
{
    Dataset *ds = dataSet();
    if (!ds)
        return true;
    if (state() == QAbstractItemView::EditingState)
        commitData(indexWidget(currentIndex()) ? indexWidget(currentIndex()) : nullptr);
    return runGuarded(this, [&] {
        if (dropBlankInsert(ds))
            return;
        if (ds->state() == Dataset::State::Edit || ds->state() == Dataset::State::Insert)
            ds->post();
    });
}

void DbGrid::mousePressEvent(QMouseEvent *event)
{
    // Any button makes the row under the pointer the current row first, so a
    // right click selects the row before a popup menu opens.
    const QModelIndex idx = indexAt(event->position().toPoint());
    if (idx.isValid() && event->button() != Qt::LeftButton)
        setCurrentIndex(idx);
    setFocus(Qt::MouseFocusReason);
    QTableView::mousePressEvent(event);
}

void DbGrid::keyPressEvent(QKeyEvent *event)
{
    Dataset *ds = dataSet();
    if (ds && m_ctrlDelete && event->key() == Qt::Key_Delete && (event->modifiers() & Qt::ControlModifier)) {
        if (!ds->isEmpty() && Dialogs::confirm(this, QStringLiteral("Confirm"), QStringLiteral("Delete record?"))) {
            if (runGuarded(this, [&] { ds->remove(); }))
                emit rowDeleted();
        }
        return;
    }
    if (ds && m_appendOnDown && event->key() == Qt::Key_Down && event->modifiers() == Qt::NoModifier
        && (ds->isEmpty() || ds->recNo() == ds->recordCount() - 1)
        && ds->state() != Dataset::State::Insert) {
        runGuarded(this, [&] { ds->append(); });
        return;
    }
    if (ds && event->key() == Qt::Key_Escape && (ds->state() == Dataset::State::Edit || ds->state() == Dataset::State::Insert)
        && state() != QAbstractItemView::EditingState) {
        runGuarded(this, [&] { ds->cancel(); });
        return;
    }
    QTableView::keyPressEvent(event);
}
