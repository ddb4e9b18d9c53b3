#pragma once
#include <QString>
#include <QStringList>

// The filter window's statement building, apart from the window: what
// "Сформировать запрос" writes into the statement field, and the statement
// lines that "Применить" puts into the log query.
namespace FilterComposer {

// What the window's controls hold when the statement is composed.
struct Inputs {
    QString column1;            // ComboBox1
    QString mask1;              // Edit1
    QString joiner = QStringLiteral("and");   // caption of Button3
    QString column2;            // ComboBox2
    QString mask2;              // Edit2
    bool dateRange = false;     // CheckBox1
    QString date1;              // MaskEdit1, "dd.mm.yyyy"
    QString date2;              // MaskEdit2
};

enum class Power { QRO, QRP, TwoWayQRP };

// The column names both lists offer, in their order.
QStringList columnChoices();

// x as an SQL string literal: between single quotes, inner quotes doubled.
QString quote(const QString &x);

// The text of the statement field after composing: each step whose
// condition holds replaces the text, a later step overwriting an earlier
// one; when none holds the previous text stays.
QString compose(const Inputs &in, const QString &previous);

// "and" becomes "or"; anything else becomes "and".
QString toggleJoiner(const QString &caption);

// The power condition of the selected radio button; empty for QRO.
QString powerCondition(Power p);

// The lines that become the log query's statement on "Применить", or an
// empty list when the log query keeps its statement (no statement and QRO).
QStringList applyLines(const QString &statement, Power p);

} // namespace FilterComposer
