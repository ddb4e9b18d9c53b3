#include "logdb/field.h"
#include "logdb/dataset.h"
#include "logdb/dberror.h"
#include "logdb/textforms.h"

QVariant Field::typedValue(FieldType type, const QVariant &stored)
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

QString Field::text(FieldType type, const QVariant &stored)
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

const FieldDef &Field::def() const { return m_ds->fieldDef(m_index); }
QString Field::name() const { return def().name; }
FieldType Field::type() const { return def().type; }
int Field::width() const { return def().width; }

QVariant Field::stored() const { return m_ds->currentStored(m_index); }
void Field::store(const QVariant &value) { m_ds->setStored(m_index, value); }

bool Field::isNull() const
{
    return stored().isNull();
}

QString Field::asString() const
{
    return text(type(), stored());
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
    const QVariant v = stored();
    if (v.isNull())
        return 0;
    if (v.typeId() == QMetaType::LongLong || v.typeId() == QMetaType::Double)
        return v.toLongLong();
    return TextForms::parseInteger(v.toString());
}

QVariant Field::value() const
{
    return typedValue(type(), stored());
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
        return store(d);
    }
    default: {
        const int w = width();
        store(QVariant((w > 0 && text.size() > w) ? text.left(w) : text));
    }
    }
}

void Field::setDate(const QDate &d)
{
    if (!d.isValid())
        return setNull();
    store(TextForms::storeDate(d));
}

void Field::setTime(const QTime &t)
{
    if (!t.isValid())
        return setNull();
    store(TextForms::storeTime(t));
}

void Field::setInteger(qint64 v)
{
    store(QVariant(qlonglong(v)));
}

void Field::setNull()
{
    store(QVariant());
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
