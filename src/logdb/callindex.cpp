#include "logdb/callindex.h"
#include "logdb/dataset.h"

namespace {
const QString kCall = QStringLiteral("CALL");
const QString kName = QStringLiteral("NAME");
const QString kGrid = QStringLiteral("GRIDSQUARE");
} // namespace

CallIndex::CallIndex(Dataset *logView, QObject *parent) : QObject(parent), m_view(logView)
{
    connect(logView, &Dataset::opened, this, &CallIndex::invalidate);
    connect(logView, &Dataset::closed, this, &CallIndex::invalidate);
    connect(logView, &Dataset::rowInserted, this, [this](int row) { m_appendedRow = row; });
    connect(logView, &Dataset::rowChanged, this, &CallIndex::rowPosted);
    connect(logView, &Dataset::rowRemoved, this, [this](int row) {
        // A cancelled append shifts nothing.
        if (row == m_appendedRow)
            m_appendedRow = -1;
        else
            invalidate();
    });
}

void CallIndex::invalidate()
{
    m_valid = false;
    m_appendedRow = -1;
    m_firstRow.clear();
}

void CallIndex::rowPosted(int row)
{
    if (row != m_appendedRow) {
        invalidate();   // an edit may have changed the call
        return;
    }
    m_appendedRow = -1;
    // A new QSO is the last row: it only adds a call not seen before.
    const int callF = m_view->fieldIndex(kCall);
    if (!m_valid || callF < 0)
        return;
    const QVariant v = m_view->storedAt(row, callF);
    if (!v.isNull())
        m_firstRow.insert(v.toString().toCaseFolded(), m_firstRow.value(v.toString().toCaseFolded(), row));
}

void CallIndex::rebuild()
{
    m_firstRow.clear();
    const int callF = m_view->fieldIndex(kCall);
    const int rows = m_view->recordCount();
    m_firstRow.reserve(rows);
    // Walked backwards, so the earliest row of a call is the one kept.
    for (int r = rows - 1; r >= 0 && callF >= 0; --r) {
        const QVariant v = m_view->storedAt(r, callF);
        if (!v.isNull())
            m_firstRow.insert(v.toString().toCaseFolded(), r);
    }
    m_valid = true;
}

CallIndex::Found CallIndex::lookup(const QString &call)
{
    Found res;
    if (!m_view)
        return res;
    m_view->recordCount();   // the view's own error when it is closed
    if (!m_valid)
        rebuild();
    const auto it = m_firstRow.constFind(call.toCaseFolded());
    if (it == m_firstRow.constEnd())
        return res;
    res.found = true;
    res.name = m_view->storedAt(*it, m_view->fieldIndex(kName));
    res.grid = m_view->storedAt(*it, m_view->fieldIndex(kGrid));
    return res;
}
