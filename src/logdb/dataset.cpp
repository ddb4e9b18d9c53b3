#include "logdb/dataset.h"
#include "logdb/connection.h"
#include "logdb/dberror.h"
#include "logdb/rowwriter.h"
#include "logdb/sqldialect.h"

#include <algorithm>
#include <vector>

Dataset::Dataset(const QString &name, Connection *connection, QObject *parent)
    : QObject(parent), m_connection(connection)
{
    setObjectName(name);
    m_connection->registerDataset(this);
}

Dataset::~Dataset()
{
    if (m_connection)
        m_connection->unregisterDataset(this);
}

void Dataset::raise(const QString &message) const
{
    throw DbError(name() + QStringLiteral(": ") + message);
}

void Dataset::setSql(const QStringList &lines)
{
    m_sql = lines;
}

void Dataset::setFixedFields(const FieldDefs &defs)
{
    m_fixed = defs;
}

void Dataset::setParam(const QString &name, const QVariant &value)
{
    m_params.insert(name.toLower(), value);
}

void Dataset::requireActive() const
{
    if (m_state == State::Inactive)
        raise(QStringLiteral("Cannot perform this operation on a closed dataset"));
}

void Dataset::requireEditing() const
{
    requireActive();
    if (m_state != State::Edit && m_state != State::Insert)
        raise(QStringLiteral("Dataset not in edit or insert mode"));
}

void Dataset::requireConnection() const
{
    if (!m_connection || !m_connection->isOpen())
        throw DbError(QStringLiteral("ADOConnection1: Connection is closed"));
}

void Dataset::open()
{
    if (isActive())
        return;
    requireConnection();
    QString statement = sqlText();
    SqlParams params = m_params;
    if (m_refiner)
        m_refiner(*m_connection, statement, params);
    ResultSet result = readResult(m_connection->handle(), SqlDialect::adapt(statement), params, name());
    const int ncol = int(result.columns.size());

    // The table that row changes go to.
    QString table = m_baseTable;
    if (table.isEmpty()) {
        for (const QString &t : result.originTable) {
            if (t.isEmpty())
                continue;
            if (table.isEmpty())
                table = t;
            else if (table.compare(t, Qt::CaseInsensitive) != 0) {
                table.clear();
                break;
            }
        }
    }
    int idCol = -1;
    for (int c = 0; c < ncol && !table.isEmpty(); ++c)
        if (result.originTable[c].compare(table, Qt::CaseInsensitive) == 0
            && result.originColumn[c].compare(QLatin1String("id"), Qt::CaseInsensitive) == 0) {
            idCol = c;
            break;
        }

    FieldDefs fields;
    QVector<int> fieldCol;
    if (m_fixed.isEmpty()) {
        fields = result.defs;
        for (int c = 0; c < ncol; ++c)
            fieldCol << c;
    } else {
        fields = m_fixed;
        for (const FieldDef &fd : m_fixed) {
            int col = 0;
            while (col < ncol && result.columns[col].compare(fd.name, Qt::CaseInsensitive) != 0)
                ++col;
            if (col == ncol)
                raise(QStringLiteral("Field '%1' not found").arg(fd.name));
            fieldCol << col;
        }
    }

    m_fieldUpdate.reset();
    m_fieldUpdateCol = -1;
    m_writer.reset(table.isEmpty() ? nullptr
                                   : new RowWriter(table, result.originTable, result.originColumn, idCol));
    m_result = std::move(result);
    m_fields = fields;
    m_fieldCol = fieldCol;
    m_idCol = idCol;
    m_effectiveTable = table;
    m_rowOfId.clear();
    m_rowOfIdValid = false;
    m_state = State::Browse;
    m_cur = m_result.rows.isEmpty() ? -1 : 0;
    emit opened();
    emit afterScroll();
}

void Dataset::close()
{
    if (m_state == State::Inactive)
        return;
    m_result = ResultSet();
    m_fieldUpdate.reset();
    m_fieldUpdateCol = -1;
    m_writer.reset();
    m_buffer.clear();
    m_changed.clear();
    m_oldValues.clear();
    m_rowOfId.clear();
    m_rowOfIdValid = false;
    m_state = State::Inactive;
    m_cur = -1;
    emit closed();
}

void Dataset::execSql()
{
    requireConnection();
    m_connection->execute(sqlText());
}

int Dataset::recordCount() const
{
    requireActive();
    return m_result.rows.size();
}

bool Dataset::isEmpty() const
{
    return !isActive() || m_result.rows.isEmpty();
}

bool Dataset::eof() const
{
    return !isActive() || m_result.rows.isEmpty() || m_cur >= m_result.rows.size();
}

bool Dataset::bof() const
{
    return !isActive() || m_result.rows.isEmpty() || m_cur <= 0;
}

void Dataset::setCurrent(int row)
{
    if (m_state == State::Edit || m_state == State::Insert)
        post();
    m_cur = row;
    emit afterScroll();
}

void Dataset::first()
{
    requireActive();
    setCurrent(m_result.rows.isEmpty() ? -1 : 0);
}

void Dataset::last()
{
    requireActive();
    setCurrent(m_result.rows.size() - 1);
}

void Dataset::next()
{
    requireActive();
    if (m_cur < m_result.rows.size())
        setCurrent(m_cur + 1);   // one past the last row is the end of data
}

void Dataset::prior()
{
    requireActive();
    if (m_cur > 0)
        setCurrent(qMin(m_cur - 1, m_result.rows.size() - 1));
}

void Dataset::moveTo(int row)
{
    requireActive();
    if (row < 0 || row >= m_result.rows.size())
        return;
    if (row != m_cur)
        setCurrent(row);
}

bool Dataset::locate(qint64 id)
{
    requireActive();
    if (m_idCol < 0)
        return false;
    if (!m_rowOfIdValid) {
        m_rowOfId.clear();
        m_rowOfId.reserve(m_result.rows.size());
        for (int r = 0; r < m_result.rows.size(); ++r)
            m_rowOfId.insert(m_result.rows.value(r, m_idCol).toLongLong(), r);
        m_rowOfIdValid = true;
    }
    const auto it = m_rowOfId.constFind(id);
    if (it == m_rowOfId.constEnd())
        return false;
    moveTo(*it);
    return true;
}

bool Dataset::canModify() const
{
    return isActive() && m_writer;
}

void Dataset::append()
{
    requireActive();
    if (m_state == State::Edit || m_state == State::Insert)
        post();
    if (!canModify())
        raise(QStringLiteral("Cannot modify a read-only dataset"));
    const int n = m_result.columns.size();
    m_buffer = QVector<QVariant>(n);
    m_changed = QVector<bool>(n, false);
    m_result.rows.appendNulls(n);
    m_cur = m_result.rows.size() - 1;
    m_state = State::Insert;
    emit rowInserted(m_cur);
    emit stateChanged();
    emit afterScroll();
}

void Dataset::edit()
{
    requireActive();
    if (m_state == State::Edit || m_state == State::Insert)
        return;
    if (m_result.rows.isEmpty() || m_cur < 0 || m_cur >= m_result.rows.size())
        raise(QStringLiteral("Cannot perform this operation on an empty dataset"));
    if (!canModify())
        raise(QStringLiteral("Cannot modify a read-only dataset"));
    const int n = m_result.columns.size();
    m_oldValues = m_result.rows.values(m_cur, n);
    m_buffer = m_oldValues;
    m_changed = QVector<bool>(n, false);
    m_state = State::Edit;
    emit stateChanged();
}

void Dataset::post()
{
    requireActive();
    if (m_state != State::Edit && m_state != State::Insert)
        return;
    requireConnection();
    sqlite3 *db = m_connection->handle();
    if (m_state == State::Insert) {
        const qint64 id = m_writer->insert(db, m_buffer, m_changed);
        if (m_idCol >= 0) {
            m_buffer[m_idCol] = QVariant(qlonglong(id));
            if (m_rowOfIdValid)
                m_rowOfId.insert(id, m_cur);
        }
    } else {
        if (!m_writer->writes(m_changed)) {   // nothing changed: nothing to write
            m_state = State::Browse;
            emit stateChanged();
            return;
        }
        // A write that finds nothing must not pass for a saved change.
        if (!m_writer->update(db, m_buffer, m_changed, m_oldValues))
            raise(QStringLiteral("Row cannot be located for updating: it was deleted or changed in the log file "
                                 "since it was read"));
    }
    m_result.rows.replace(m_cur, m_buffer);
    m_state = State::Browse;
    emit stateChanged();
    emit rowChanged(m_cur);
}

void Dataset::cancel()
{
    requireActive();
    if (m_state == State::Insert) {
        const int r = m_cur;
        m_result.rows.removeAt(r);
        m_state = State::Browse;
        m_cur = m_result.rows.isEmpty() ? -1 : qMin(r, m_result.rows.size() - 1);
        emit rowRemoved(r);
        emit stateChanged();
        emit afterScroll();
    } else if (m_state == State::Edit) {
        m_state = State::Browse;
        emit stateChanged();
        emit rowChanged(m_cur);
    }
}

void Dataset::remove()
{
    requireActive();
    if (m_state == State::Insert) {
        cancel();
        return;
    }
    if (m_result.rows.isEmpty() || m_cur < 0 || m_cur >= m_result.rows.size())
        raise(QStringLiteral("Cannot perform this operation on an empty dataset"));
    if (!canModify())
        raise(QStringLiteral("Cannot modify a read-only dataset"));
    if (m_state == State::Edit)
        cancel();
    requireConnection();
    if (!m_writer->remove(m_connection->handle(), m_result.rows.values(m_cur, m_result.columns.size())))
        raise(QStringLiteral("Row cannot be located for deleting: it was deleted or changed in the log file "
                             "since it was read"));
    const int r = m_cur;
    m_result.rows.removeAt(r);
    m_rowOfIdValid = false;
    m_cur = m_result.rows.isEmpty() ? -1 : qMin(r, m_result.rows.size() - 1);
    emit rowRemoved(r);
    emit afterScroll();
}

int Dataset::fieldIndex(const QString &name) const
{
    for (int i = 0; i < m_fields.size(); ++i)
        if (m_fields[i].name.compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

Field Dataset::field(int i)
{
    requireActive();
    if (i < 0 || i >= m_fields.size())
        raise(QStringLiteral("List index out of bounds (%1)").arg(i));
    return Field(this, i);
}

Field Dataset::fieldByName(const QString &name)
{
    const int i = fieldIndex(name);
    if (i < 0) {
        requireActive();
        raise(QStringLiteral("Field '%1' not found").arg(name));
    }
    return Field(this, i);
}

QVariant Dataset::currentStored(int field) const
{
    requireActive();
    if (m_state == State::Edit || m_state == State::Insert)
        return m_buffer[columnOf(field)];
    if (m_cur < 0 || m_cur >= m_result.rows.size())
        return QVariant();   // reading past the end gives empty values
    return m_result.rows.value(m_cur, columnOf(field));
}

void Dataset::setStored(int field, const QVariant &storedValue)
{
    requireEditing();
    if (m_fields[field].type == FieldType::AutoInc)
        raise(QStringLiteral("Field '%1' cannot be modified").arg(m_fields[field].name));
    const int col = columnOf(field);
    m_buffer[col] = storedValue;
    m_changed[col] = true;
}

QVariant Dataset::storedAt(int row, int field) const
{
    if (!isActive() || row < 0 || row >= m_result.rows.size() || field < 0 || field >= m_fields.size())
        return QVariant();
    return m_result.rows.value(row, columnOf(field));
}

QVariant Dataset::valueAt(int row, int field) const
{
    if (!isActive() || row < 0 || row >= m_result.rows.size() || field < 0 || field >= m_fields.size())
        return QVariant();
    if (row == m_cur && (m_state == State::Edit || m_state == State::Insert))
        return Field::typedValue(m_fields[field].type, m_buffer[columnOf(field)]);
    return Field::typedValue(m_fields[field].type, m_result.rows.value(row, columnOf(field)));
}

QString Dataset::displayAt(int row, int field) const
{
    if (!isActive() || row < 0 || row >= m_result.rows.size() || field < 0 || field >= m_fields.size())
        return QString();
    if (row == m_cur && (m_state == State::Edit || m_state == State::Insert))
        return Field::text(m_fields[field].type, m_buffer[columnOf(field)]);
    return Field::text(m_fields[field].type, m_result.rows.value(row, columnOf(field)));
}

qint64 Dataset::idAt(int row) const
{
    if (!isActive() || m_idCol < 0 || row < 0 || row >= m_result.rows.size())
        return -1;
    return m_result.rows.value(row, m_idCol).toLongLong();
}

RowStore::Cell Dataset::cellAt(int row, int field) const
{
    if (!isActive() || row < 0 || row >= m_result.rows.size() || field < 0 || field >= m_fields.size())
        return RowStore::Cell();
    return m_result.rows.cell(row, columnOf(field));
}

void Dataset::cellsAt(int row, RowStore::Cell *cells) const
{
    const int n = int(m_fields.size());
    if (!isActive() || row < 0 || row >= m_result.rows.size()) {
        std::fill(cells, cells + n, RowStore::Cell());
        return;
    }
    const int columns = int(m_result.columns.size());
    RowStore::Cell stackCells[32];
    std::vector<RowStore::Cell> heapCells;
    RowStore::Cell *all = stackCells;
    if (columns > 32) {
        heapCells.resize(size_t(columns));
        all = heapCells.data();
    }
    m_result.rows.cells(row, all, columns);
    for (int f = 0; f < n; ++f)
        cells[f] = all[columnOf(f)];
}

bool Dataset::writeFieldAt(int row, int field, const QVariant &stored)
{
    requireActive();
    if (m_state != State::Browse || !m_writer || row < 0 || row >= m_result.rows.size() || field < 0
        || field >= m_fields.size())
        return false;
    if (m_fields[field].type == FieldType::AutoInc)
        raise(QStringLiteral("Field '%1' cannot be modified").arg(m_fields[field].name));
    requireConnection();
    const int col = columnOf(field);
    if (!m_fieldUpdate || m_fieldUpdateCol != col) {
        const QString sql = m_writer->updateByIdSql(col);
        if (sql.isEmpty())
            return false;
        m_fieldUpdate = std::make_unique<Statement>(m_connection->handle(), sql);
        m_fieldUpdateCol = col;
    }
    m_fieldUpdate->bind(1, stored);
    m_fieldUpdate->bind(2, m_result.rows.value(row, m_idCol));
    int changed = 0;
    try {
        changed = m_fieldUpdate->run();
    } catch (...) {
        m_fieldUpdate->reset();
        throw;
    }
    m_fieldUpdate->reset();   // holds nothing of the file between rows
    if (changed == 0)
        raise(QStringLiteral("Row cannot be located for updating: it was deleted or changed in the log file "
                             "since it was read"));
    m_result.rows.replaceCell(row, col, stored);
    emit rowChanged(row);
    return true;
}
