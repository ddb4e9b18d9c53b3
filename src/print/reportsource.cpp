#include "print/reportsource.h"

#include "logdb/dataset.h"
#include "logdb/tdm.h"

namespace {

QString textAt(const Dataset &q, int row, int col)
{
    return col < 0 ? QString() : q.displayAt(row, col);
}

QDate dateAt(const Dataset &q, int row, int col)
{
    if (col < 0)
        return QDate();
    const QVariant v = q.valueAt(row, col);
    return v.typeId() == QMetaType::QDate ? v.toDate() : QDate();
}

QTime timeAt(const Dataset &q, int row, int col)
{
    if (col < 0)
        return QTime();
    const QVariant v = q.valueAt(row, col);
    return v.typeId() == QMetaType::QTime ? v.toTime() : QTime();
}

} // namespace

QVector<QsoRow> readQsoRows(const Dataset &q)
{
    const int count = q.recordCount();   // throws when closed
    auto col = [&](const char *name) { return q.fieldIndex(QString::fromLatin1(name)); };
    const int cDate = col("QSO_DATE"), cOn = col("TIME_ON"), cOff = col("TIME_OFF"),
              cFreq = col("FREQ"), cMode = col("MODE"), cCall = col("CALL"), cName = col("NAME"),
              cQth = col("QTH"), cComment = col("COMMENT"), cRstS = col("RST_SENT"),
              cRstR = col("RST_RCVD"), cQslS = col("QSL_SENT"), cQslR = col("QSL_RCVD"),
              cPwr = col("TX_PWR"), cGrid = col("GRIDSQUARE");
    QVector<QsoRow> rows;
    rows.reserve(count);
    for (int i = 0; i < count; ++i) {
        QsoRow r;
        r.qsoDate = dateAt(q, i, cDate);
        r.timeOn = timeAt(q, i, cOn);
        r.timeOff = timeAt(q, i, cOff);
        r.freq = textAt(q, i, cFreq);
        r.mode = textAt(q, i, cMode);
        r.call = textAt(q, i, cCall);
        r.name = textAt(q, i, cName);
        r.qth = textAt(q, i, cQth);
        r.comment = textAt(q, i, cComment);
        r.rstSent = textAt(q, i, cRstS);
        r.rstRcvd = textAt(q, i, cRstR);
        r.qslSent = textAt(q, i, cQslS);
        r.qslRcvd = textAt(q, i, cQslR);
        r.txPwr = textAt(q, i, cPwr);
        r.gridsquare = textAt(q, i, cGrid);
        rows.append(r);
    }
    return rows;
}

StationData readStationData(Dataset &opc)
{
    StationData s;
    if (opc.recordCount() == 0)   // throws when closed
        return s;
    s.mycall = opc.fieldByName(QStringLiteral("mycall")).asString();
    s.myname = opc.fieldByName(QStringLiteral("myname")).asString();
    s.myadr = opc.fieldByName(QStringLiteral("myadr")).asString();
    s.myloc = opc.fieldByName(QStringLiteral("myloc")).asString();
    s.myrig = opc.fieldByName(QStringLiteral("myrig")).asString();
    return s;
}

PrintDocument buildStationLogReport(TDM &dm, const QDate &today)
{
    const QVector<QsoRow> rows = readQsoRows(*dm.ADOQueryLog);
    return layoutStationLog(rows, readStationData(*dm.ADOQueryOpc), today);
}

PrintDocument buildQslLabelReport(TDM &dm)
{
    dm.ADOQueryQSL->close();
    dm.ADOQueryQSL->open();
    const QVector<QsoRow> rows = readQsoRows(*dm.ADOQueryQSL);
    return layoutQslLabels(rows, readStationData(*dm.ADOQueryOpc));
}
