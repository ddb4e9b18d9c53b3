#pragma once
#include "logdb/connection.h"
#include "logdb/datasource.h"
#include "logdb/dataset.h"

#include <QObject>

// The data module: the one connection, the six standing queries over it and
// the five data sources the windows show them through.
class TDM : public QObject {
    Q_OBJECT
public:
    explicit TDM(QObject *parent = nullptr);

    static QStringList standingLogSql();   // "select * from log" / "order by qso_date, time_on"

    Connection *ADOConnection1;
    Dataset *ADOQueryLog;
    Dataset *ADOQueryB4;
    Dataset *ADOQueryOpc;
    Dataset *ADOQueryModes;
    Dataset *ADOQueryCom;
    Dataset *ADOQueryQSL;

    DataSource *DataSource1;   // ADOQueryLog: the log grid
    DataSource *DataSource2;   // ADOQueryB4: the worked-before grid
    DataSource *DataSource3;   // ADOQueryOpc: the settings fields
    DataSource *DataSource4;   // ADOQueryModes: the mode list grid
    DataSource *DataSource5;   // nothing until the DXCC statistics bind ADOQueryCom
};
