#pragma once
#include <QByteArray>
#include <QVariant>
#include <QVector>

#include <string>
#include <vector>

// The rows of a result, packed one after another into a few large blocks,
// so that a log of a million QSOs costs about the bytes of its values plus
// a pointer per row, with no heap object per row or per cell. A cell is a
// type byte and its value: texts shorter than 128 bytes carry their length
// in that byte, integers are varints, reals 8 bytes, longer texts and blobs
// a varint length and the bytes.
class RowStore {
public:
    RowStore() = default;
    RowStore(RowStore &&other) noexcept;
    RowStore &operator=(RowStore &&other) noexcept;
    RowStore(const RowStore &) = delete;
    RowStore &operator=(const RowStore &) = delete;
    ~RowStore();

    int size() const { return int(m_rows.size()); }
    bool isEmpty() const { return m_rows.empty(); }
    void reserve(int rows) { m_rows.reserve(size_t(rows)); }
    void clear();

    // Stored value of a cell: qlonglong, double, QString, QByteArray or null.
    QVariant value(int row, int col) const;
    QVector<QVariant> values(int row, int columns) const;

    // A cell as stored, without copying it: for readers that walk many rows.
    enum class Kind : char { Null, Integer, Real, Text, Blob };
    struct Cell {
        Kind kind = Kind::Null;
        qint64 integer = 0;
        double real = 0;
        const char *data = nullptr;   // Text: UTF-8; Blob: the bytes
        int size = 0;
    };
    Cell cell(int row, int col) const;
    void cells(int row, Cell *out, int columns) const;   // the first `columns` cells

    void appendNulls(int columns);
    void replace(int row, const QVector<QVariant> &values);
    // One cell of a row replaced, the others kept byte for byte.
    void replaceCell(int row, int col, const QVariant &value);
    void removeAt(int row);
    // The rows put in another order: row i becomes the row that was at place[i].
    void reorder(const std::vector<int> &place);

    // Appending a row cell by cell straight from the engine's values: one
    // put per column, then endRow().
    void putNull();
    void putInteger(qint64 v);
    void putReal(double v);
    void putText(const char *utf8, int size);
    void putBlob(const char *data, int size);
    void endRow();

    // Bytes taken by the packed rows (blocks, not counting the row pointers).
    qint64 bytesHeld() const { return m_held; }

private:
    void putValue(const QVariant &v);
    const char *store(const char *data, size_t size);
    const char *cellStart(int row, int col) const;
    void compactIfWasteful();

    std::vector<const char *> m_rows;   // start of each row in a block
    std::vector<char *> m_blocks;       // malloc'd
    size_t m_blockUsed = 0;             // of the last block
    size_t m_blockSize = 0;
    qint64 m_held = 0;       // all blocks' sizes
    qint64 m_wasted = 0;     // bytes of replaced or removed rows
    int m_columns = -1;      // cells per row, known from the first row
    std::string m_pending;   // the row being put together
    int m_pendingCells = 0;
};
