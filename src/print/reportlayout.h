#pragma once
#include "print/printdoc.h"

#include <QDate>
#include <QString>
#include <QTime>
#include <QVector>

// One QSO as the reports print it.
struct QsoRow {
    QDate qsoDate;
    QTime timeOn;
    QTime timeOff;
    QString freq;
    QString mode;
    QString call;
    QString name;
    QString qth;
    QString comment;
    QString rstSent;
    QString rstRcvd;
    QString qslSent;
    QString qslRcvd;
    QString txPwr;
    QString gridsquare;
};

// The station's own data (table opc) that the reports print.
struct StationData {
    QString mycall;
    QString myname;
    QString myadr;
    QString myloc;
    QString myrig;
};

// The printed station log "Аппаратный журнал": A4 landscape, 10 mm margins,
// one framed line per QSO in the given order, numbered from 1.
PrintDocument layoutStationLog(const QVector<QsoRow> &rows, const StationData &station,
                               const QDate &today);

// The QSL card labels: one label per given QSO, four to a page (two columns
// of two, each column filled top to bottom). No QSOs: one empty page.
PrintDocument layoutQslLabels(const QVector<QsoRow> &rows, const StationData &station);

// Geometry both reports share, and what tests measure against.
namespace ReportGeometry {
constexpr qreal kMargin = 10.0;          // all four sides
constexpr qreal kPrintWidth = 277.0;
constexpr qreal kPrintHeight = 190.0;

// Station log bands
constexpr qreal kPageHeaderHeight = 7.1;
constexpr qreal kTitleHeight = 8.5;
constexpr qreal kColumnHeaderHeight = 6.3;
constexpr qreal kDetailHeight = 4.2;
constexpr qreal kSummaryHeight = 22.8;
constexpr qreal kLogFontPt = 8.0;

// QSL labels
constexpr qreal kLabelColumnWidth = 138.5;
constexpr qreal kLabelWidth = 138.4;
constexpr qreal kLabelHeight = 87.6;
constexpr qreal kLabelFontPt = 10.0;
constexpr qreal kAddressWidth = 29.9;
constexpr qreal kAddressHeight = 25.7;

QString formatDate(const QDate &d);   // dd.mm.yyyy, empty when invalid
QString formatTime(const QTime &t);   // hh:mm, empty when invalid
}
