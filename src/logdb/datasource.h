#pragma once
#include <QAbstractTableModel>
#include <QPointer>
#include <QVector>

#include "logdb/dataset.h"

// Binds a grid to a dataset. Switching it off detaches the grid (the model
// shows no rows), so walking the dataset row by row does not redraw it.
class DataSource : public QObject {
    Q_OBJECT
public:
    explicit DataSource(const QString &name, QObject *parent = nullptr);

    void setDataSet(Dataset *ds);
    Dataset *dataSet() const { return m_ds; }
    void setEnabled(bool on);
    bool isEnabled() const { return m_enabled; }

signals:
    void dataSetChanged();   // another dataset, or switched on/off

private:
    QPointer<Dataset> m_ds;
    bool m_enabled = true;
};

// True when the dataset is inserting a row that nothing has been put into:
// every field of it is still NULL.
bool insertIsBlank(const Dataset *ds);
// Cancels such a row, so that it is never written; true when it did.
bool dropBlankInsert(Dataset *ds);

// Item model over a data source for the grids. Columns are the named fields
// (all fields when none are named); cells show the fields' text forms.
class DatasetModel : public QAbstractTableModel {
    Q_OBJECT
public:
    struct Column {
        QString field;
        QString title;   // empty: the field name
    };

    explicit DatasetModel(DataSource *source, const QVector<Column> &columns = {},
                          QObject *parent = nullptr);

    void setEditable(bool on) { m_editable = on; }
    DataSource *source() const { return m_source; }
    Dataset *dataSet() const;
    int fieldOfColumn(int column) const;   // dataset field index, -1

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation o, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    // Editing puts the dataset on that row in Edit state and sets the field;
    // the grid posts when the row is left. Errors surface through editError.
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;

signals:
    void editError(const QString &message);

private:
    void rebind();
    void resetAll();
    bool live() const;

    DataSource *m_source;
    QVector<Column> m_columns;
    QVector<int> m_fieldIndex;
    QPointer<Dataset> m_bound;
    bool m_editable = false;
    int m_rows = 0;
    int m_cols = 0;
};
