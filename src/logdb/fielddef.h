#pragma once
#include <QString>
#include <QVector>

enum class FieldType {
    AutoInc,   // id assigned by the engine, read-only
    Integer,
    Real,
    Text,      // width in characters; longer values are cut on assignment
    Date,      // stored "yyyy-MM-dd", shown and set as "dd.mm.yyyy"
    Time,      // stored "HH:mm", shown and set as "hh:mm"
    Variant    // whatever the engine returns (free queries)
};

struct FieldDef {
    QString name;
    FieldType type = FieldType::Variant;
    int width = 0;           // Text only; 0 = no limit
};

using FieldDefs = QVector<FieldDef>;
