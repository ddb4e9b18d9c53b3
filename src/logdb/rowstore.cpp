#include "logdb/rowstore.h"

#include <QString>
#include <cstring>

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

} // namespace

void RowStore::putNull(QByteArray &row)
{
    row.append(char(TNull));
}

void RowStore::putInteger(QByteArray &row, qint64 v)
{
    row.append(char(TInt));
    row.append(reinterpret_cast<const char *>(&v), 8);
}

void RowStore::putReal(QByteArray &row, double v)
{
    row.append(char(TReal));
    row.append(reinterpret_cast<const char *>(&v), 8);
}

void RowStore::putText(QByteArray &row, const char *utf8, int size)
{
    row.append(char(TText));
    putVarint(row, quint32(size));
    row.append(utf8, size);
}

void RowStore::putBlob(QByteArray &row, const char *data, int size)
{
    row.append(char(TBlob));
    putVarint(row, quint32(size));
    row.append(data, size);
}

QByteArray RowStore::encode(const QVector<QVariant> &values)
{
    QByteArray out;
    for (const QVariant &v : values) {
        if (v.isNull() || !v.isValid()) {
            putNull(out);
            continue;
        }
        switch (v.typeId()) {
        case QMetaType::LongLong:
        case QMetaType::Int:
        case QMetaType::Bool:
            putInteger(out, v.toLongLong());
            break;
        case QMetaType::Double:
            putReal(out, v.toDouble());
            break;
        case QMetaType::QByteArray: {
            const QByteArray b = v.toByteArray();
            putBlob(out, b.constData(), int(b.size()));
            break;
        }
        default: {
            const QByteArray b = v.toString().toUtf8();
            putText(out, b.constData(), int(b.size()));
            break;
        }
        }
    }
    return out;
}

QVariant RowStore::decode(const QByteArray &row, int col)
{
    const char *p = skipTo(row, col);
    switch (*p++) {
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

QVector<QVariant> RowStore::values(int row, int columns) const
{
    QVector<QVariant> out(columns);
    for (int c = 0; c < columns; ++c)
        out[c] = decode(m_rows[row], c);
    return out;
}

void RowStore::appendNulls(int columns)
{
    m_rows.append(QByteArray(columns, char(TNull)));
}
