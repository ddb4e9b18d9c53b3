#pragma once
#include <QByteArray>
#include <QVariant>
#include <QVector>

// The rows of a result, kept packed: one byte string per row, so that a log
// of a hundred thousand QSOs costs a few megabytes rather than one object
// per cell. Per column a type byte, then 8 bytes (integer, real) or a varint
// length and the bytes (UTF-8 text, blob).
class RowStore {
public:
    int size() const { return int(m_rows.size()); }
    bool isEmpty() const { return m_rows.isEmpty(); }
    void reserve(int rows) { m_rows.reserve(rows); }
    void clear() { m_rows.clear(); }

    // Stored value of a cell: qlonglong, double, QString, QByteArray or null.
    QVariant value(int row, int col) const { return decode(m_rows[row], col); }
    QVector<QVariant> values(int row, int columns) const;

    void append(const QByteArray &packed) { m_rows.append(packed); }
    void appendNulls(int columns);
    void replace(int row, const QVector<QVariant> &values) { m_rows[row] = encode(values); }
    void removeAt(int row) { m_rows.removeAt(row); }

    static QByteArray encode(const QVector<QVariant> &values);
    static QVariant decode(const QByteArray &row, int col);

    // Building a row column by column straight from the engine's values.
    static void putNull(QByteArray &row);
    static void putInteger(QByteArray &row, qint64 v);
    static void putReal(QByteArray &row, double v);
    static void putText(QByteArray &row, const char *utf8, int size);
    static void putBlob(QByteArray &row, const char *data, int size);

private:
    QVector<QByteArray> m_rows;
};
