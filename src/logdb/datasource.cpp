#include "logdb/datasource.h"
#include "logdb/dataset.h"
#include "logdb/dberror.h"

DataSource::DataSource(const QString &name, QObject *parent) : QObject(parent)
{
    setObjectName(name);
}

void DataSource::setDataSet(Dataset *ds)
{
    if (m_ds == ds)
        return;
    m_ds = ds;
    emit dataSetChanged();
}

void DataSource::setEnabled(bool on)
{
    if (m_enabled == on)
        return;
    m_enabled = on;
    emit dataSetChanged();
}

bool insertIsBlank(const Dataset *ds)
{
    if (!ds || !ds->isActive() || ds->state() != Dataset::State::Insert)
        return false;
    const int row = ds->recNo();
    for (int f = 0; f < ds->fieldCount(); ++f)
        if (!ds->valueAt(row, f).isNull())
            return false;
    return true;
}

bool dropBlankInsert(Dataset *ds)
{
    if (!insertIsBlank(ds))
        return false;
    ds->cancel();
    return true;
}

DatasetModel::DatasetModel(DataSource *source, const QVector<Column> &columns, QObject *parent)
    : QAbstractTableModel(parent), m_source(source), m_columns(columns)
{
    connect(m_source, &DataSource::dataSetChanged, this, &DatasetModel::rebind);
    rebind();
}

Dataset *DatasetModel::dataSet() const
{
    return live() ? m_bound.data() : nullptr;
}

bool DatasetModel::live() const
{
    return m_bound && m_source->isEnabled() && m_bound->isActive();
}

void DatasetModel::rebind()
{
    if (m_bound)
        disconnect(m_bound, nullptr, this, nullptr);
    m_bound = m_source->isEnabled() ? m_source->dataSet() : nullptr;
    if (m_bound) {
        connect(m_bound, &Dataset::opened, this, &DatasetModel::resetAll);
        connect(m_bound, &Dataset::closed, this, &DatasetModel::resetAll);
        connect(m_bound, &Dataset::rowChanged, this, [this](int row) {
            if (live() && row >= 0 && row < m_rows && m_cols > 0)
                emit dataChanged(index(row, 0), index(row, m_cols - 1));
        });
        connect(m_bound, &Dataset::rowInserted, this, [this](int row) {
            if (!live() || row != m_rows) {
                resetAll();
                return;
            }
            beginInsertRows(QModelIndex(), row, row);
            ++m_rows;
            endInsertRows();
        });
        connect(m_bound, &Dataset::rowRemoved, this, [this](int row) {
            if (!live() || row < 0 || row >= m_rows) {
                resetAll();
                return;
            }
            beginRemoveRows(QModelIndex(), row, row);
            --m_rows;
            endRemoveRows();
        });
        connect(m_bound, &QObject::destroyed, this, &DatasetModel::resetAll);
        connect(m_bound, &Dataset::afterScroll, this, [this] {
            if (live() && m_rows > 0)
                emit headerDataChanged(Qt::Vertical, 0, m_rows - 1);
        });
    }
    resetAll();
}

void DatasetModel::resetAll()
{
    beginResetModel();
    m_fieldIndex.clear();
    m_rows = 0;
    m_cols = 0;
    if (live()) {
        Dataset *ds = m_bound;
        if (m_columns.isEmpty()) {
            for (int i = 0; i < ds->fieldCount(); ++i)
                m_fieldIndex << i;
        } else {
            for (const Column &c : m_columns)
                m_fieldIndex << ds->fieldIndex(c.field);
        }
        m_rows = ds->recordCount();
        m_cols = m_fieldIndex.size();
    }
    endResetModel();
}

int DatasetModel::fieldOfColumn(int column) const
{
    return column >= 0 && column < m_fieldIndex.size() ? m_fieldIndex[column] : -1;
}

int DatasetModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_rows;
}

int DatasetModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_cols;
}

QVariant DatasetModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || !live() || (role != Qt::DisplayRole && role != Qt::EditRole))
        return QVariant();
    const int f = fieldOfColumn(index.column());
    if (f < 0)
        return QVariant();
    return m_bound->displayAt(index.row(), f);
}

QVariant DatasetModel::headerData(int section, Qt::Orientation o, int role) const
{
    if (role != Qt::DisplayRole)
        return QVariant();
    // The row indicator column: a mark at the current row, as data grids
    // show it, rather than row numbers that do not fit its width.
    if (o == Qt::Vertical)
        return live() && section == m_bound->recNo() ? QVariant(QStringLiteral("\u25B8")) : QVariant(QString());
    if (section < 0 || section >= m_cols)
        return QVariant();
    if (!m_columns.isEmpty()) {
        const Column &c = m_columns[section];
        return c.title.isEmpty() ? c.field : c.title;
    }
    const int f = fieldOfColumn(section);
    return f >= 0 && live() ? m_bound->fieldDef(f).name : QVariant();
}

Qt::ItemFlags DatasetModel::flags(const QModelIndex &index) const
{
    Qt::ItemFlags fl = QAbstractTableModel::flags(index);
    if (m_editable && index.isValid() && live() && m_bound->canModify()) {
        const int f = fieldOfColumn(index.column());
        if (f >= 0 && m_bound->fieldDef(f).type != FieldType::AutoInc)
            fl |= Qt::ItemIsEditable;
    }
    return fl;
}

bool DatasetModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (role != Qt::EditRole || !index.isValid() || !live())
        return false;
    const int f = fieldOfColumn(index.column());
    if (f < 0)
        return false;
    try {
        Dataset *ds = m_bound;
        // Nothing typed: leave the dataset where it is.
        if (ds->displayAt(index.row(), f) == value.toString())
            return false;
        if (ds->recNo() != index.row())
            ds->moveTo(index.row());
        if (ds->state() == Dataset::State::Browse)
            ds->edit();
        ds->field(f).setString(value.toString());
        emit dataChanged(index, index);
        return true;
    } catch (const DbError &e) {
        emit editError(e.message());
        return false;
    }
}
