#include "query/filtercomposer.h"

namespace FilterComposer {

QStringList columnChoices()
{
    return {QStringLiteral("CALL"),     QStringLiteral("FREQ"),     QStringLiteral("MODE"),
            QStringLiteral("QTH"),      QStringLiteral("COMMENT"),  QStringLiteral("RST_SENT"),
            QStringLiteral("RST_RCVD"), QStringLiteral("QSL_SENT"), QStringLiteral("QSL_RCVD"),
            QStringLiteral("TX_PWR"),   QStringLiteral("GRIDSQUARE"), QStringLiteral("dxcc")};
}

QString quote(const QString &x)
{
    QString inner = x;
    inner.replace(QLatin1Char('\''), QLatin1String("''"));
    return QLatin1Char('\'') + inner + QLatin1Char('\'');
}

QString compose(const Inputs &in, const QString &previous)
{
    static const QString head = QStringLiteral("select * from log where ");
    QString text = previous;
    if (!in.mask1.isEmpty())
        text = head + in.column1 + QLatin1String(" like ") + quote(in.mask1);
    if (!in.mask1.isEmpty() && !in.mask2.isEmpty())
        text = head + QLatin1Char('(') + in.column1 + QLatin1String(" like ") + quote(in.mask1)
               + QLatin1String(") ") + in.joiner + QLatin1String(" (") + in.column2
               + QLatin1String(" like ") + quote(in.mask2) + QLatin1Char(')');
    if (in.dateRange)
        text = head + QLatin1String("QSO_Date between DateValue(") + quote(in.date1)
               + QLatin1String(") and DateValue(") + quote(in.date2) + QLatin1Char(')');
    return text;
}

QString toggleJoiner(const QString &caption)
{
    return caption == QLatin1String("and") ? QStringLiteral("or") : QStringLiteral("and");
}

QString powerCondition(Power p)
{
    switch (p) {
    case Power::QRO:
        return QString();
    case Power::QRP:
        return QStringLiteral("(TX_PWR like \"_\")");
    case Power::TwoWayQRP:
        return QStringLiteral(
            "(TX_PWR like \"_\") and (COMMENT like \"%qrp%\" or call like \"%/qrp%\")");
    }
    return QString();
}

QStringList applyLines(const QString &statement, Power p)
{
    const QString cond = powerCondition(p);
    if (!statement.isEmpty()) {
        QStringList lines{statement};
        if (p != Power::QRO)
            lines << QLatin1String(" and ") + cond;
        return lines;
    }
    if (p != Power::QRO)
        return {QStringLiteral("select * from log where "), cond};
    return {};
}

} // namespace FilterComposer
