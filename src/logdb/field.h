#pragma once
#include "logdb/fielddef.h"

#include <QDate>
#include <QString>
#include <QTime>
#include <QVariant>

class Dataset;

// Access to one column of the current row (or of the row being edited).
// Cheap to copy; valid while its dataset lives.
class Field {
public:
    Field(Dataset *ds, int index) : m_ds(ds), m_index(index) {}

    QString name() const;
    FieldType type() const;
    int width() const;
    int index() const { return m_index; }

    bool isNull() const;
    // Text as the program reads it: dates "dd.mm.yyyy", times "hh:mm",
    // numbers in plain digits, NULL as "".
    QString asString() const;
    QDate asDate() const;        // invalid when NULL or unreadable
    QTime asTime() const;
    qint64 asInteger() const;    // 0 when NULL; throws for non-numeric text
    // Typed value: QString, qlonglong, double, QDate, QTime, or null QVariant.
    QVariant value() const;

    // Setting needs the dataset in Edit or Insert state.
    // Text is cut to the width; a Date/Time/Integer field converts the text
    // by the program's text forms and throws DbError when it cannot.
    void setString(const QString &text);
    void setDate(const QDate &d);
    void setTime(const QTime &t);
    void setInteger(qint64 v);
    void setNull();
    void setValue(const QVariant &v);

    // A stored value as a field of this type reads it, and its text.
    static QVariant typedValue(FieldType type, const QVariant &stored);
    static QString text(FieldType type, const QVariant &stored);

private:
    const FieldDef &def() const;
    QVariant stored() const;
    void store(const QVariant &value);

    Dataset *m_ds;
    int m_index;
};
