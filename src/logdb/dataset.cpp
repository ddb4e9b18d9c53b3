#include "logdb/dataset.h"
#include "logdb/connection.h"
#include "logdb/dberror.h"
#include "logdb/sqldialect.h"
#include "logdb/textforms.h"

#include <QRegularExpression>
#include <cstring>
#include <sqlite3.h>

// Rows are kept packed, one byte string per row, so that a log of a hundred
// thousand QSOs costs a few megabytes rather than one object per cell.
// Per column: a type byte, then 8 bytes (integer, real) or a varint length
// and the UTF-8 bytes (text, blob).
namespace {

enum Tag : char { TNull = 0, TInt = 1, TReal = 2, TText = 3, TBlob = 4 };

void putVarint(QByteArray &out, quint32 v)
{
    while (v >= 0x80) {
        out.append(char((v & 0x7f) | 0x80));
        v >>= 7;
    }
    out.append(char(v));
}

quint32 getVarint(const char *&p)
{
    quint32 v = 0;
    int shift = 0;
    while (true) {
        const unsigned char b = static_cast<unsigned char>(*p++);
        v |= quint32(b & 0x7f) << shift;
        if (!(b & 0x80))
            return v;
        shift += 7;
    }
}

void encodeValue(QByteArray &out, const QVariant &v)
{
    if (v.isNull() || !v.isValid()) {
        out.append(char(TNull));
        return;
    }
    switch (v.typeId()) {
    case QMetaType::LongLong:
    case QMetaType::Int:
    case QMetaType::Bool: {
        out.append(char(TInt));
        const qint64 x = v.toLongLong();
        out.append(reinterpret_cast<const char *>(&x), 8);
        return;
    }
    case QMetaType::Double: {
        out.append(char(TReal));
        const double x = v.toDouble();
        out.append(reinterpret_cast<const char *>(&x), 8);
        return;
    }
    case QMetaType::QByteArray: {
        const QByteArray b = v.toByteArray();
        out.append(char(TBlob));
        putVarint(out, quint32(b.size()));
        out.append(b);
        return;
    }
    default: {
        const QByteArray b = v.toString().toUtf8();
        out.append(char(TText));
        putVarint(out, quint32(b.size()));
        out.append(b);
        return;
    }
    }
}

const char *skipTo(const QByteArray &row, int col)
{
    const char *p = row.constData();
    for (int i = 0; i < col; ++i) {
        const char t = *p++;
        if (t == TInt || t == TReal)
            p += 8;
        else if (t == TText || t == TBlob) {
            const quint32 n = getVarint(p);
            p += n;
        }
    }
    return p;
}

QVariant decodeAt(const QByteArray &row, int col)
{
    const char *p = skipTo(row, col);
    const char t = *p++;
    switch (t) {
    case TInt: {
        qint64 x;
        std::memcpy(&x, p, 8);
        return QVariant(qlonglong(x));
    }
    case TReal: {
        double x;
        std::memcpy(&x, p, 8);
        return QVariant(x);
    }
    case TText: {
        const quint32 n = getVarint(p);
        return QVariant(QString::fromUtf8(p, int(n)));
    }
    case TBlob: {
        const quint32 n = getVarint(p);
        return QVariant(QByteArray(p, int(n)));
    }
    default:
        return QVariant();
    }
}

FieldType typeFromDecl(const char *decl)
{
    if (!decl)
        return FieldType::Variant;
    const QString d = QString::fromLatin1(decl).toUpper();
    if (d.startsWith(QLatin1String("DATETIME")) || d == QLatin1String("DATE"))
        return FieldType::Date;
    if (d == QLatin1String("TIME"))
        return FieldType::Time;
    if (d.contains(QLatin1String("INT")))
        return FieldType::Integer;
    if (d.contains(QLatin1String("CHAR")) || d.contains(QLatin1String("TEXT")))
        return FieldType::Text;
    if (d.contains(QLatin1String("REAL")) || d.contains(QLatin1String("FLOA")) || d.contains(QLatin1String("DOUB")))
        return FieldType::Real;
    return FieldType::Variant;
}

int widthFromDecl(const char *decl)
{
    if (!decl)
        return 0;
    static const QRegularExpression re(QStringLiteral("\\((\\d+)\\)"));
    const auto m = re.match(QString::fromLatin1(decl));
    return m.hasMatch() ? m.captured(1).toInt() : 0;
}

// Stored value as the program reads it.
QVariant typedValue(FieldType type, const QVariant &stored)
{
    if (stored.isNull())
        return QVariant();
    if (type == FieldType::Date && stored.typeId() == QMetaType::QString) {
        const QDate d = TextForms::readStoredDate(stored.toString());
        return d.isValid() ? QVariant(d) : stored;
    }
    if (type == FieldType::Time && stored.typeId() == QMetaType::QString) {
        const QTime t = TextForms::readStoredTime(stored.toString());
        return t.isValid() ? QVariant(t) : stored;
    }
    return stored;
}

QString textOf(FieldType type, const QVariant &stored)
{
    const QVariant v = typedValue(type, stored);
    if (v.isNull())
        return QString();
    switch (v.typeId()) {
    case QMetaType::QDate:
        return TextForms::formatDate(v.toDate());
    case QMetaType::QTime:
        return TextForms::formatTime(v.toTime());
    case QMetaType::Double:
        return QString::number(v.toDouble(), 'g', 15);
    default:
        return v.toString();
    }
}

} // namespace

struct Dataset::Impl {
    QStringList columns;            // result column names
    QStringList originTable;        // per result column, "" when computed
    QStringList originColumn;
    QVector<int> fieldCol;          // field index -> result column
    int idCol = -1;                 // result column holding the table's id
    QVector<QByteArray> rows;
    // Edit/insert buffer, one stored value per result column.
    QVector<QVariant> buffer;
    QVector<bool> changed;
    QByteArray oldRow;              // the row before editing (write-back by old values)
    // Lazy indexes, dropped on changes that shift rows.
    QHash<qint64, int> byId;
    bool byIdValid = false;
    QHash<QString, int> byCall;
    bool byCallValid = false;
};

// ---------------------------------------------------------------- Field

QString Field::name() const { return m_ds->m_fields[m_index].name; }
FieldType Field::type() const { return m_ds->m_fields[m_index].type; }
int Field::width() const { return m_ds->m_fields[m_index].width; }

bool Field::isNull() const
{
    return m_ds->currentRaw(m_index).isNull();
}

QString Field::asString() const
{
    return textOf(type(), m_ds->currentRaw(m_index));
}

QDate Field::asDate() const
{
    const QVariant v = value();
    return v.typeId() == QMetaType::QDate ? v.toDate() : QDate();
}

QTime Field::asTime() const
{
    const QVariant v = value();
    return v.typeId() == QMetaType::QTime ? v.toTime() : QTime();
}

qint64 Field::asInteger() const
{
    const QVariant v = m_ds->currentRaw(m_index);
    if (v.isNull())
        return 0;
    if (v.typeId() == QMetaType::LongLong || v.typeId() == QMetaType::Double)
        return v.toLongLong();
    return TextForms::parseInteger(v.toString());
}

QVariant Field::value() const
{
    return typedValue(type(), m_ds->currentRaw(m_index));
}

void Field::setString(const QString &text)
{
    switch (type()) {
    case FieldType::Date:
        if (text.trimmed().isEmpty())
            return setNull();
        return setDate(TextForms::parseDate(text));
    case FieldType::Time:
        if (text.trimmed().isEmpty())
            return setNull();
        return setTime(TextForms::parseTime(text));
    case FieldType::Integer:
    case FieldType::AutoInc:
        if (text.trimmed().isEmpty())
            return setNull();
        return setInteger(TextForms::parseInteger(text));
    case FieldType::Real: {
        if (text.trimmed().isEmpty())
            return setNull();
        bool ok = false;
        const double d = text.trimmed().toDouble(&ok);
        if (!ok)
            throw DbError(QStringLiteral("'%1' is not a valid floating point value").arg(text));
        return m_ds->setRaw(m_index, d);
    }
    default: {
        const int w = width();
        m_ds->setRaw(m_index, QVariant((w > 0 && text.size() > w) ? text.left(w) : text));
    }
    }
}

void Field::setDate(const QDate &d)
{
    if (!d.isValid())
        return setNull();
    m_ds->setRaw(m_index, TextForms::storeDate(d));
}

void Field::setTime(const QTime &t)
{
    if (!t.isValid())
        return setNull();
    m_ds->setRaw(m_index, TextForms::storeTime(t));
}

void Field::setInteger(qint64 v)
{
    m_ds->setRaw(m_index, QVariant(qlonglong(v)));
}

void Field::setNull()
{
    m_ds->setRaw(m_index, QVariant());
}

void Field::setValue(const QVariant &v)
{
    if (v.isNull() || !v.isValid())
        return setNull();
    switch (v.typeId()) {
    case QMetaType::QDate:
        return setDate(v.toDate());
    case QMetaType::QTime:
        return setTime(v.toTime());
    case QMetaType::QDateTime:
        return type() == FieldType::Time ? setTime(v.toDateTime().time()) : setDate(v.toDateTime().date());
    case QMetaType::LongLong:
    case QMetaType::Int:
        if (type() == FieldType::Text || type() == FieldType::Variant)
            return setString(v.toString());
        return setInteger(v.toLongLong());
    default:
        return setString(v.toString());
    }
}

// ---------------------------------------------------------------- Dataset

Dataset::Dataset(const QString &name, Connection *connection, QObject *parent)
    : QObject(parent), m_connection(connection), d(new Impl)
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

namespace {
struct Statement {
    sqlite3_stmt *st = nullptr;
    ~Statement() { sqlite3_finalize(st); }
};
} // namespace

void Dataset::open()
{
    if (isActive())
        return;
    if (!m_connection || !m_connection->isOpen())
        throw DbError(QStringLiteral("ADOConnection1: Connection is closed"));
    sqlite3 *db = m_connection->handle();
    QString statement = sqlText();
    QHash<QString, QVariant> params = m_params;
    if (!m_hintColumn.isEmpty()) {
        // The plain ASCII beginning of the pattern; the column compares with
        // NOCASE, so the range is taken in lower case.
        const QString pattern = m_params.value(m_hintParam).toString();
        QString prefix;
        for (QChar c : pattern) {
            if (c == QLatin1Char('%') || c == QLatin1Char('_') || c.unicode() >= 128 || c.unicode() < 32)
                break;
            prefix += c.toLower();
        }
        if (!prefix.isEmpty() && prefix.back().unicode() < 127) {
            QString upper = prefix;
            upper.back() = QChar(upper.back().unicode() + 1);
            statement += QStringLiteral("\nand %1 >= :tarnix_lo and %1 < :tarnix_hi").arg(m_hintColumn);
            params.insert(QStringLiteral("tarnix_lo"), prefix);
            params.insert(QStringLiteral("tarnix_hi"), upper);
        }
    }
    const QByteArray text = SqlDialect::adapt(statement).toUtf8();
    Statement s;
    const char *tail = nullptr;
    if (sqlite3_prepare_v2(db, text.constData(), text.size(), &s.st, &tail) != SQLITE_OK)
        throw DbError(QString::fromUtf8(sqlite3_errmsg(db)));
    if (!s.st)
        raise(QStringLiteral("CommandText does not return a result set"));
    const int ncol = sqlite3_column_count(s.st);
    if (ncol == 0)
        raise(QStringLiteral("CommandText does not return a result set"));
    for (int i = 1; i <= sqlite3_bind_parameter_count(s.st); ++i) {
        const char *pn = sqlite3_bind_parameter_name(s.st, i);
        if (!pn)
            continue;
        const QVariant v = params.value(QString::fromUtf8(pn + 1).toLower());
        if (v.isNull()) {
            sqlite3_bind_null(s.st, i);
        } else if (v.typeId() == QMetaType::LongLong || v.typeId() == QMetaType::Int) {
            sqlite3_bind_int64(s.st, i, v.toLongLong());
        } else {
            const QByteArray b = v.toString().toUtf8();
            sqlite3_bind_text(s.st, i, b.constData(), b.size(), SQLITE_TRANSIENT);
        }
    }

    Impl fresh;
    FieldDefs resultDefs;
    for (int c = 0; c < ncol; ++c) {
        fresh.columns << QString::fromUtf8(sqlite3_column_name(s.st, c));
        const char *tbl = sqlite3_column_table_name(s.st, c);
        const char *org = sqlite3_column_origin_name(s.st, c);
        fresh.originTable << (tbl ? QString::fromUtf8(tbl) : QString());
        fresh.originColumn << (org ? QString::fromUtf8(org) : QString());
        const char *decl = sqlite3_column_decltype(s.st, c);
        FieldDef fd;
        fd.name = fresh.columns.last();
        fd.type = typeFromDecl(decl);
        fd.width = fd.type == FieldType::Text ? widthFromDecl(decl) : 0;
        if (org && QString::fromUtf8(org).compare(QLatin1String("id"), Qt::CaseInsensitive) == 0
            && fd.type == FieldType::Integer)
            fd.type = FieldType::AutoInc;
        resultDefs << fd;
    }

    // The table that row changes go to.
    QString table = m_baseTable;
    if (table.isEmpty()) {
        for (const QString &t : fresh.originTable) {
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
    for (int c = 0; c < ncol; ++c)
        if (!table.isEmpty() && fresh.originTable[c].compare(table, Qt::CaseInsensitive) == 0
            && fresh.originColumn[c].compare(QLatin1String("id"), Qt::CaseInsensitive) == 0) {
            fresh.idCol = c;
            break;
        }

    FieldDefs fields;
    if (m_fixed.isEmpty()) {
        fields = resultDefs;
        for (int c = 0; c < ncol; ++c)
            fresh.fieldCol << c;
    } else {
        fields = m_fixed;
        for (const FieldDef &fd : m_fixed) {
            int col = -1;
            for (int c = 0; c < ncol; ++c)
                if (fresh.columns[c].compare(fd.name, Qt::CaseInsensitive) == 0) {
                    col = c;
                    break;
                }
            if (col < 0)
                raise(QStringLiteral("Field '%1' not found").arg(fd.name));
            fresh.fieldCol << col;
        }
    }

    int rc;
    QByteArray row;
    while ((rc = sqlite3_step(s.st)) == SQLITE_ROW) {
        row.clear();
        for (int c = 0; c < ncol; ++c) {
            switch (sqlite3_column_type(s.st, c)) {
            case SQLITE_INTEGER: {
                row.append(char(TInt));
                const qint64 x = sqlite3_column_int64(s.st, c);
                row.append(reinterpret_cast<const char *>(&x), 8);
                break;
            }
            case SQLITE_FLOAT: {
                row.append(char(TReal));
                const double x = sqlite3_column_double(s.st, c);
                row.append(reinterpret_cast<const char *>(&x), 8);
                break;
            }
            case SQLITE_TEXT: {
                const char *t = reinterpret_cast<const char *>(sqlite3_column_text(s.st, c));
                const int n = sqlite3_column_bytes(s.st, c);
                row.append(char(TText));
                putVarint(row, quint32(n));
                row.append(t, n);
                break;
            }
            case SQLITE_BLOB: {
                const char *t = static_cast<const char *>(sqlite3_column_blob(s.st, c));
                const int n = sqlite3_column_bytes(s.st, c);
                row.append(char(TBlob));
                putVarint(row, quint32(n));
                row.append(t, n);
                break;
            }
            default:
                row.append(char(TNull));
            }
        }
        fresh.rows.append(QByteArray(row.constData(), row.size()));
    }
    if (rc != SQLITE_DONE)
        throw DbError(QString::fromUtf8(sqlite3_errmsg(db)));

    *d = std::move(fresh);
    m_fields = fields;
    m_effectiveTable = table;
    m_state = State::Browse;
    m_cur = d->rows.isEmpty() ? -1 : 0;
    emit opened();
    emit afterScroll();
}

void Dataset::close()
{
    if (m_state == State::Inactive)
        return;
    *d = Impl();
    m_state = State::Inactive;
    m_cur = -1;
    emit closed();
}

void Dataset::execSql()
{
    if (!m_connection || !m_connection->isOpen())
        throw DbError(QStringLiteral("ADOConnection1: Connection is closed"));
    m_connection->execute(sqlText());
}

int Dataset::recordCount() const
{
    requireActive();
    return d->rows.size();
}

bool Dataset::isEmpty() const
{
    return !isActive() || d->rows.isEmpty();
}

bool Dataset::eof() const
{
    return !isActive() || d->rows.isEmpty() || m_cur >= d->rows.size();
}

bool Dataset::bof() const
{
    return !isActive() || d->rows.isEmpty() || m_cur <= 0;
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
    setCurrent(d->rows.isEmpty() ? -1 : 0);
}

void Dataset::last()
{
    requireActive();
    setCurrent(d->rows.size() - 1);
}

void Dataset::next()
{
    requireActive();
    if (m_cur < d->rows.size())
        setCurrent(m_cur + 1);   // one past the last row is the end of data
}

void Dataset::prior()
{
    requireActive();
    if (m_cur > 0)
        setCurrent(qMin(m_cur - 1, int(d->rows.size()) - 1));
}

void Dataset::moveTo(int row)
{
    requireActive();
    if (row < 0 || row >= d->rows.size())
        return;
    if (row != m_cur)
        setCurrent(row);
}

bool Dataset::locate(qint64 id)
{
    requireActive();
    if (d->idCol < 0)
        return false;
    if (!d->byIdValid) {
        d->byId.clear();
        d->byId.reserve(d->rows.size());
        for (int r = 0; r < d->rows.size(); ++r)
            d->byId.insert(decodeAt(d->rows[r], d->idCol).toLongLong(), r);
        d->byIdValid = true;
    }
    const auto it = d->byId.constFind(id);
    if (it == d->byId.constEnd())
        return false;
    moveTo(*it);
    return true;
}

Dataset::CallLookup Dataset::lookupByCall(const QString &call)
{
    requireActive();
    CallLookup res;
    const int callF = fieldIndex(QStringLiteral("CALL"));
    if (callF < 0)
        return res;
    const int callCol = d->fieldCol[callF];
    if (!d->byCallValid) {
        // QHash::insert replaces, so walk backwards to keep the earliest row.
        d->byCall.clear();
        d->byCall.reserve(d->rows.size());
        for (int r = d->rows.size() - 1; r >= 0; --r) {
            const QVariant v = decodeAt(d->rows[r], callCol);
            if (!v.isNull())
                d->byCall.insert(v.toString().toCaseFolded(), r);
        }
        d->byCallValid = true;
    }
    const auto it = d->byCall.constFind(call.toCaseFolded());
    if (it == d->byCall.constEnd())
        return res;
    res.found = true;
    const int nameF = fieldIndex(QStringLiteral("NAME"));
    const int gridF = fieldIndex(QStringLiteral("GRIDSQUARE"));
    if (nameF >= 0)
        res.name = decodeAt(d->rows[*it], d->fieldCol[nameF]);
    if (gridF >= 0)
        res.grid = decodeAt(d->rows[*it], d->fieldCol[gridF]);
    return res;
}

bool Dataset::canModify() const
{
    return isActive() && !m_effectiveTable.isEmpty();
}

void Dataset::append()
{
    requireActive();
    if (m_state == State::Edit || m_state == State::Insert)
        post();
    if (!canModify())
        raise(QStringLiteral("Cannot modify a read-only dataset"));
    const int n = d->columns.size();
    d->buffer = QVector<QVariant>(n);
    d->changed = QVector<bool>(n, false);
    QByteArray blank;
    for (int c = 0; c < n; ++c)
        blank.append(char(TNull));
    d->rows.append(blank);
    m_cur = d->rows.size() - 1;
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
    if (d->rows.isEmpty() || m_cur < 0 || m_cur >= d->rows.size())
        raise(QStringLiteral("Cannot perform this operation on an empty dataset"));
    if (!canModify())
        raise(QStringLiteral("Cannot modify a read-only dataset"));
    const int n = d->columns.size();
    d->oldRow = d->rows[m_cur];
    d->buffer.resize(n);
    for (int c = 0; c < n; ++c)
        d->buffer[c] = decodeAt(d->oldRow, c);
    d->changed = QVector<bool>(n, false);
    m_state = State::Edit;
    emit stateChanged();
}

namespace {
void bindValue(sqlite3_stmt *st, int i, const QVariant &v)
{
    if (v.isNull() || !v.isValid())
        sqlite3_bind_null(st, i);
    else if (v.typeId() == QMetaType::LongLong || v.typeId() == QMetaType::Int)
        sqlite3_bind_int64(st, i, v.toLongLong());
    else if (v.typeId() == QMetaType::Double)
        sqlite3_bind_double(st, i, v.toDouble());
    else if (v.typeId() == QMetaType::QByteArray) {
        const QByteArray b = v.toByteArray();
        sqlite3_bind_blob(st, i, b.constData(), b.size(), SQLITE_TRANSIENT);
    } else {
        const QByteArray b = v.toString().toUtf8();
        sqlite3_bind_text(st, i, b.constData(), b.size(), SQLITE_TRANSIENT);
    }
}

QString quoteIdent(const QString &s)
{
    return QLatin1Char('"') + QString(s).replace(QLatin1Char('"'), QLatin1String("\"\"")) + QLatin1Char('"');
}
} // namespace

void Dataset::post()
{
    requireActive();
    if (m_state != State::Edit && m_state != State::Insert)
        return;
    if (!m_connection || !m_connection->isOpen())
        throw DbError(QStringLiteral("ADOConnection1: Connection is closed"));
    sqlite3 *db = m_connection->handle();
    const int n = d->columns.size();
    QStringList cols;
    QVector<QVariant> vals;
    for (int c = 0; c < n; ++c)
        if (d->changed[c] && c != d->idCol
            && d->originTable[c].compare(m_effectiveTable, Qt::CaseInsensitive) == 0
            && !d->originColumn[c].isEmpty()) {
            cols << quoteIdent(d->originColumn[c]);
            vals << d->buffer[c];
        }

    QString sql;
    QVector<QVariant> whereVals;
    if (m_state == State::Insert) {
        if (cols.isEmpty())
            sql = QStringLiteral("insert into %1 default values").arg(quoteIdent(m_effectiveTable));
        else
            sql = QStringLiteral("insert into %1 (%2) values (%3)")
                      .arg(quoteIdent(m_effectiveTable), cols.join(QLatin1Char(',')),
                           QStringList(cols.size(), QStringLiteral("?")).join(QLatin1Char(',')));
    } else {
        if (cols.isEmpty()) {            // nothing changed: nothing to write
            m_state = State::Browse;
            emit stateChanged();
            return;
        }
        QStringList sets;
        for (const QString &c : cols)
            sets << c + QStringLiteral("=?");
        if (d->idCol >= 0) {
            sql = QStringLiteral("update %1 set %2 where id=?").arg(quoteIdent(m_effectiveTable), sets.join(QLatin1Char(',')));
            whereVals << decodeAt(d->oldRow, d->idCol);
        } else {
            // No id: find the row by its old values.
            QStringList conds;
            for (int c = 0; c < n; ++c)
                if (d->originTable[c].compare(m_effectiveTable, Qt::CaseInsensitive) == 0 && !d->originColumn[c].isEmpty()) {
                    conds << quoteIdent(d->originColumn[c]) + QStringLiteral(" is ?");
                    whereVals << decodeAt(d->oldRow, c);
                }
            sql = QStringLiteral("update %1 set %2 where rowid = (select rowid from %1 where %3 limit 1)")
                      .arg(quoteIdent(m_effectiveTable), sets.join(QLatin1Char(',')), conds.join(QStringLiteral(" and ")));
        }
    }
    Statement s;
    const QByteArray text = sql.toUtf8();
    if (sqlite3_prepare_v2(db, text.constData(), text.size(), &s.st, nullptr) != SQLITE_OK)
        throw DbError(QString::fromUtf8(sqlite3_errmsg(db)));
    int i = 1;
    for (const QVariant &v : vals)
        bindValue(s.st, i++, v);
    for (const QVariant &v : whereVals)
        bindValue(s.st, i++, v);
    if (sqlite3_step(s.st) != SQLITE_DONE)
        throw DbError(QString::fromUtf8(sqlite3_errmsg(db)));

    if (m_state == State::Insert && d->idCol >= 0) {
        d->buffer[d->idCol] = QVariant(qlonglong(sqlite3_last_insert_rowid(db)));
        if (d->byIdValid)
            d->byId.insert(d->buffer[d->idCol].toLongLong(), m_cur);
    }
    QByteArray row;
    for (int c = 0; c < n; ++c)
        encodeValue(row, d->buffer[c]);
    d->rows[m_cur] = row;
    // Keep the call index: a new row is the last one, so it only adds a call
    // not seen before; an edit drops the index only when the call changed.
    const int callF = fieldIndex(QStringLiteral("CALL"));
    if (d->byCallValid && callF >= 0) {
        const int callCol = d->fieldCol[callF];
        if (m_state == State::Insert) {
            const QVariant v = d->buffer[callCol];
            if (!v.isNull() && !d->byCall.contains(v.toString().toCaseFolded()))
                d->byCall.insert(v.toString().toCaseFolded(), m_cur);
        } else if (d->changed[callCol]) {
            d->byCallValid = false;
        }
    }
    m_state = State::Browse;
    emit stateChanged();
    emit rowChanged(m_cur);
}

void Dataset::cancel()
{
    requireActive();
    if (m_state == State::Insert) {
        const int r = m_cur;
        d->rows.removeAt(r);
        m_state = State::Browse;
        m_cur = d->rows.isEmpty() ? -1 : qMin(r, int(d->rows.size()) - 1);
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
    if (d->rows.isEmpty() || m_cur < 0 || m_cur >= d->rows.size())
        raise(QStringLiteral("Cannot perform this operation on an empty dataset"));
    if (!canModify())
        raise(QStringLiteral("Cannot modify a read-only dataset"));
    if (m_state == State::Edit)
        cancel();
    sqlite3 *db = m_connection ? m_connection->handle() : nullptr;
    if (!db)
        throw DbError(QStringLiteral("ADOConnection1: Connection is closed"));
    const QByteArray row = d->rows[m_cur];
    QString sql;
    QVector<QVariant> whereVals;
    if (d->idCol >= 0) {
        sql = QStringLiteral("delete from %1 where id=?").arg(quoteIdent(m_effectiveTable));
        whereVals << decodeAt(row, d->idCol);
    } else {
        QStringList conds;
        for (int c = 0; c < d->columns.size(); ++c)
            if (d->originTable[c].compare(m_effectiveTable, Qt::CaseInsensitive) == 0 && !d->originColumn[c].isEmpty()) {
                conds << quoteIdent(d->originColumn[c]) + QStringLiteral(" is ?");
                whereVals << decodeAt(row, c);
            }
        sql = QStringLiteral("delete from %1 where rowid = (select rowid from %1 where %2 limit 1)")
                  .arg(quoteIdent(m_effectiveTable), conds.join(QStringLiteral(" and ")));
    }
    Statement s;
    const QByteArray text = sql.toUtf8();
    if (sqlite3_prepare_v2(db, text.constData(), text.size(), &s.st, nullptr) != SQLITE_OK)
        throw DbError(QString::fromUtf8(sqlite3_errmsg(db)));
    int i = 1;
    for (const QVariant &v : whereVals)
        bindValue(s.st, i++, v);
    if (sqlite3_step(s.st) != SQLITE_DONE)
        throw DbError(QString::fromUtf8(sqlite3_errmsg(db)));
    const int r = m_cur;
    d->rows.removeAt(r);
    d->byIdValid = false;
    d->byCallValid = false;
    m_cur = d->rows.isEmpty() ? -1 : qMin(r, int(d->rows.size()) - 1);
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
        if (!isActive())
            requireActive();
        raise(QStringLiteral("Field '%1' not found").arg(name));
    }
    return Field(this, i);
}

QVariant Dataset::currentRaw(int fieldIdx) const
{
    requireActive();
    const int col = d->fieldCol[fieldIdx];
    if ((m_state == State::Edit || m_state == State::Insert))
        return d->buffer[col];
    if (m_cur < 0 || m_cur >= d->rows.size())
        return QVariant();   // reading past the end gives empty values
    return decodeAt(d->rows[m_cur], col);
}

void Dataset::setRaw(int fieldIdx, const QVariant &storedValue)
{
    requireEditing();
    if (m_fields[fieldIdx].type == FieldType::AutoInc)
        raise(QStringLiteral("Field '%1' cannot be modified").arg(m_fields[fieldIdx].name));
    const int col = d->fieldCol[fieldIdx];
    d->buffer[col] = storedValue;
    d->changed[col] = true;
}

QVariant Dataset::valueAt(int row, int col) const
{
    if (!isActive() || row < 0 || row >= d->rows.size() || col < 0 || col >= m_fields.size())
        return QVariant();
    const int rc = d->fieldCol[col];
    if (row == m_cur && (m_state == State::Edit || m_state == State::Insert))
        return typedValue(m_fields[col].type, d->buffer[rc]);
    return typedValue(m_fields[col].type, decodeAt(d->rows[row], rc));
}

QString Dataset::displayAt(int row, int col) const
{
    if (!isActive() || row < 0 || row >= d->rows.size() || col < 0 || col >= m_fields.size())
        return QString();
    const int rc = d->fieldCol[col];
    if (row == m_cur && (m_state == State::Edit || m_state == State::Insert))
        return textOf(m_fields[col].type, d->buffer[rc]);
    return textOf(m_fields[col].type, decodeAt(d->rows[row], rc));
}

qint64 Dataset::idAt(int row) const
{
    if (!isActive() || d->idCol < 0 || row < 0 || row >= d->rows.size())
        return -1;
    return decodeAt(d->rows[row], d->idCol).toLongLong();
}
