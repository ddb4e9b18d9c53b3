#pragma once
#include "logdb/datasource.h"

#include <QTableView>

// A grid over a data source that keeps the dataset's current row and the
// grid's current row together, as the program's data grids do. Optionally
// editable in place (a changed row is posted when it is left), appending a
// row when the user moves down past the last one (left with nothing put into
// it, that row is dropped, never written), and deleting with Ctrl+Delete
// after "Delete record?".
class DbGrid : public QTableView {
    Q_OBJECT
public:
    explicit DbGrid(QWidget *parent = nullptr);

    void setDataSource(DataSource *source, const QVector<DatasetModel::Column> &columns = {},
                       const QVector<int> &widths = {});
    DatasetModel *datasetModel() const { return m_model; }
    Dataset *dataSet() const;

    void setEditable(bool on);
    void setAppendOnDown(bool on) { m_appendOnDown = on; }
    void setDeleteWithCtrlDel(bool on) { m_ctrlDelete = on; }
    void setTitleRowVisible(bool on);

    // Posts a pending edit of the current row (leaving the grid); a blank
    // appended row is dropped instead.
    bool postPending();

signals:
    void rowDeleted();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void currentChanged(const QModelIndex &current, const QModelIndex &previous) override;

private:
    void followDataset();
    void applyWidths();

    DatasetModel *m_model = nullptr;
    QVector<int> m_widths;
    bool m_syncing = false;
    bool m_appendOnDown = false;
    bool m_ctrlDelete = false;
};
