#include "logdb/callindex.h"
#include "logdb/dataset.h"

namespace {
const QString kCall = QStringLiteral("CALL");
const QString kName = QStringLiteral("NAME");
const QString kGrid = QStringLiteral("GRIDSQUARE");
} // namespace

CallIndex::CallIndex(Dataset *logView, QObject *parent) : QObject(parent), m_view(logView)
{
    m_idle.setInterval(0);
    connect(&m_idle, &QTimer::timeout, this, &CallIndex::idleStep);
    connect(logView, &Dataset::opened, this, [this] {
        invalidate();
        m_idle.start();
    });
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
    m_idle.stop();
    m_valid = false;
    m_appendedRow = -1;
    m_builtRows = 0;
    m_firstRow.clear();
}

void CallIndex::rowPosted(int row)
{
    if (row != m_appendedRow) {
        invalidate();   // an edit may have changed the call
        return;
    }
    m_appendedRow = -1;
    // A new QSO is the last row: it only adds a call not seen before. While
    // the building is under way it has not got to the last row yet, and will.
    if (m_valid) {
        buildAt(row);
        m_builtRows = row + 1;
    }
}

void CallIndex::buildAt(int row)
{
    if (m_callField < 0)
        return;
    const QVariant v = m_view->storedAt(row, m_callField);
    if (v.isNull())
        return;
    QString folded = v.toString().toCaseFolded();
    if (!m_firstRow.contains(folded))
        m_firstRow.insert(std::move(folded), row);
}

void CallIndex::buildUntil(int until)
{
    if (m_builtRows == 0) {
        m_callField = m_view->fieldIndex(kCall);
        m_firstRow.reserve(m_view->recordCount());
    }
    // In the view's order: the first row of a call is the one kept.
    for (; m_builtRows < until; ++m_builtRows)
        buildAt(m_builtRows);
}

void CallIndex::idleStep()
{
    if (!m_view || !m_view->isActive()) {
        m_idle.stop();
        return;
    }
    const int rows = m_view->recordCount();
    buildUntil(qMin(rows, m_builtRows + kStepRows));
    if (m_builtRows >= rows) {
        m_idle.stop();
        m_valid = true;
    }
}

CallIndex::Found CallIndex::lookup(const QString &call)
{
    Found res;
    if (!m_view)
        return res;
    m_view->recordCount();   // the view's own error when it is closed
    if (!m_valid) {
        m_idle.stop();
        buildUntil(m_view->recordCount());
        m_valid = true;
    }
    const auto it = m_firstRow.constFind(call.toCaseFolded());
    if (it == m_firstRow.constEnd())
        return res;
    res.found = true;
    res.name = m_view->storedAt(*it, m_view->fieldIndex(kName));
    res.grid = m_view->storedAt(*it, m_view->fieldIndex(kGrid));
    return res;
}
