#include "logdb/tdm.h"
#include "logdb/schema.h"
#include "logdb/workedbefore.h"

TDM::TDM(QObject *parent) : QObject(parent)
{
    setObjectName(QStringLiteral("DM"));
    ADOConnection1 = new Connection(this);
    ADOConnection1->setObjectName(QStringLiteral("ADOConnection1"));
    ADOQueryLog = new Dataset(QStringLiteral("ADOQueryLog"), ADOConnection1, this);
    ADOQueryLog->setSql(standingLogSql());
    ADOQueryLog->setFixedFields(Schema::logFields());
    ADOQueryLog->setBaseTable(QStringLiteral("log"));

    ADOQueryB4 = new Dataset(QStringLiteral("ADOQueryB4"), ADOConnection1, this);
    WorkedBefore::setUp(ADOQueryB4);

    ADOQueryOpc = new Dataset(QStringLiteral("ADOQueryOpc"), ADOConnection1, this);
    ADOQueryOpc->setSql({QStringLiteral("select * from opc")});
    ADOQueryOpc->setFixedFields(Schema::opcFields());
    ADOQueryOpc->setBaseTable(QStringLiteral("opc"));

    ADOQueryModes = new Dataset(QStringLiteral("ADOQueryModes"), ADOConnection1, this);
    ADOQueryModes->setSql({QStringLiteral("select mode from modes")});
    ADOQueryModes->setFixedFields(Schema::modesFields());
    ADOQueryModes->setBaseTable(QStringLiteral("modes"));

    ADOQueryCom = new Dataset(QStringLiteral("ADOQueryCom"), ADOConnection1, this);

    ADOQueryQSL = new Dataset(QStringLiteral("ADOQueryQSL"), ADOConnection1, this);
    ADOQueryQSL->setSql({QStringLiteral("select * from log where qsl_sent = 'P'")});
    ADOQueryQSL->setFixedFields(Schema::qslFields());
    ADOQueryQSL->setBaseTable(QStringLiteral("log"));

    DataSource1 = new DataSource(QStringLiteral("DataSource1"), this);
    DataSource1->setDataSet(ADOQueryLog);
    DataSource2 = new DataSource(QStringLiteral("DataSource2"), this);
    DataSource2->setDataSet(ADOQueryB4);
    DataSource3 = new DataSource(QStringLiteral("DataSource3"), this);
    DataSource3->setDataSet(ADOQueryOpc);
    DataSource4 = new DataSource(QStringLiteral("DataSource4"), this);
    DataSource4->setDataSet(ADOQueryModes);
    DataSource5 = new DataSource(QStringLiteral("DataSource5"), this);
}

QStringList TDM::standingLogSql()
{
    return {QStringLiteral("select * from log"), QStringLiteral("order by qso_date, time_on")};
}
