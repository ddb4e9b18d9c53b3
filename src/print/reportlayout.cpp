#include "print/reportlayout.h"

#include <QCoreApplication>
#include <QtMath>

using namespace ReportGeometry;

QString ReportGeometry::formatDate(const QDate &d)
{
    return d.isValid() ? d.toString(QStringLiteral("dd.MM.yyyy")) : QString();
}

QString ReportGeometry::formatTime(const QTime &t)
{
    return t.isValid() ? t.toString(QStringLiteral("HH:mm")) : QString();
}

namespace {

constexpr qreal kEps = 1e-6;

// A single-line text that takes the width of its own text.
PrintItem plainText(const TextMeasure &tm, qreal x, qreal y, qreal pt, const QString &text)
{
    return PrintItem::makeText(QRectF(x, y, tm.width(text, pt), tm.lineHeight(pt)), pt,
                               {text}, text);
}

// A single-line text limited to a field width: what does not fit is not printed.
PrintItem clippedText(const TextMeasure &tm, qreal x, qreal y, qreal width, qreal pt,
                      const QString &text)
{
    const QString shown = tm.fitPrefix(text, width, pt);
    return PrintItem::makeText(QRectF(x, y, width, tm.lineHeight(pt)), pt, {shown}, shown);
}

// Joins wrapped lines back into the printed text; unchanged when nothing was
// cut, so the CSV cell keeps the value as stored.
QString printedText(const QString &original, const QStringList &lines, bool complete)
{
    if (complete && !original.contains(QLatin1Char('\n')) && !original.contains(QLatin1Char('\r')))
        return original;
    return lines.join(QLatin1Char(' '));
}

// ---- Station log ---------------------------------------------------------

struct Caption {
    const char *text;
    qreal x;
    qreal pt;
};

// The column headings, translated in context "StationLog" when printed.
const Caption kLogCaptions[] = {
    {QT_TRANSLATE_NOOP("StationLog", "№ п/п"), 2.1, kLogFontPt},
    {QT_TRANSLATE_NOOP("StationLog", "Дата"), 21.2, kLogFontPt},
    {QT_TRANSLATE_NOOP("StationLog", "GMT"), 42.3, 7.0},
    {QT_TRANSLATE_NOOP("StationLog", "MHz"), 61.4, kLogFontPt},
    {QT_TRANSLATE_NOOP("StationLog", "Mode"), 78.3, kLogFontPt},
    {QT_TRANSLATE_NOOP("StationLog", "Позывной"), 101.6, kLogFontPt},
    {QT_TRANSLATE_NOOP("StationLog", "Имя"), 127.0, kLogFontPt},
    {QT_TRANSLATE_NOOP("StationLog", "QTH"), 156.6, kLogFontPt},
    {QT_TRANSLATE_NOOP("StationLog", "RST пер. прин."), 179.9, kLogFontPt},
    {QT_TRANSLATE_NOOP("StationLog", "QSL"), 211.7, kLogFontPt},
    {QT_TRANSLATE_NOOP("StationLog", "QTH loc"), 226.5, kLogFontPt},
    {QT_TRANSLATE_NOOP("StationLog", "PWR"), 241.3, kLogFontPt},
    {QT_TRANSLATE_NOOP("StationLog", "Примечания"), 256.1, kLogFontPt},
};

const qreal kLogRules[] = {14.9, 36.1, 55.2, 74.2, 93.3, 120.8, 146.2, 175.8, 205.4, 222.4, 239.3, 252.0};

struct DetailField {
    qreal x;
    qreal width;
};

// Field positions under the captions, in the order detailTexts() fills them.
const DetailField kLogFields[] = {
    {4.2, 8.7},    // running number
    {16.9, 17.2},  // QSO_DATE
    {36.0, 8.7},   // TIME_ON
    {46.6, 8.7},   // TIME_OFF
    {57.1, 15.1},  // FREQ
    {76.2, 15.1},  // MODE
    {95.2, 23.5},  // CALL
    {122.8, 21.4}, // NAME
    {148.2, 25.7}, // QTH
    {177.8, 10.8}, // RST_SENT
    {192.6, 10.8}, // RST_RCVD
    {207.4, 4.5},  // QSL_SENT
    {215.9, 4.5},  // QSL_RCVD
    {224.4, 13.0}, // GRIDSQUARE
    {241.3, 8.7},  // TX_PWR
    {254.0, 21.4}, // COMMENT
};
constexpr int kLogFieldCount = int(sizeof(kLogFields) / sizeof(kLogFields[0]));

QStringList detailTexts(int number, const QsoRow &r)
{
    return {QString::number(number), formatDate(r.qsoDate), formatTime(r.timeOn),
            formatTime(r.timeOff), r.freq, r.mode, r.call, r.name, r.qth, r.rstSent,
            r.rstRcvd, r.qslSent, r.qslRcvd, r.gridsquare, r.txPwr, r.comment};
}

class StationLogBuilder {
public:
    StationLogBuilder(const StationData &station, const QDate &today)
        : m_station(station), m_today(today), m_tm(m_doc.fontFamily),
          m_lineHeight(m_tm.lineHeight(kLogFontPt))
    {
        m_doc.title = QCoreApplication::translate("StationLog", "Аппаратный журнал");
    }

    PrintDocument build(const QVector<QsoRow> &rows)
    {
        newPage();
        title();
        columnHeader();
        int number = 0;
        for (const QsoRow &row : rows)
            detail(++number, row);
        summary();
        return std::move(m_doc);
    }

private:
    static constexpr qreal kLeft = kMargin;
    static constexpr qreal kBottom = kMargin + kPrintHeight;

    PrintPage &page() { return m_doc.pages.last(); }
    void text(qreal x, qreal y, qreal pt, const QString &s)
    {
        if (!s.isEmpty())
            page().items.append(plainText(m_tm, kLeft + x, y, pt, s));
    }

    void newPage()
    {
        m_doc.pages.append(PrintPage());
        m_y = kMargin;
        m_linesOnPage = 0;
        text(266.7, m_y + 2.1, kLogFontPt, QString::number(m_doc.pages.size()));
        m_y += kPageHeaderHeight;
    }

    void title()
    {
        const QString date = formatDate(m_today);
        text(4.2, m_y + 2.1, kLogFontPt, date);
        text(29.6, m_y + 2.1, kLogFontPt, QCoreApplication::translate("StationLog", "Аппаратный журнал"));
        text(59.3, m_y + 2.1, kLogFontPt, m_station.mycall);
        m_y += kTitleHeight;
    }

    void columnHeader()
    {
        const QRectF band(kLeft, m_y, kPrintWidth, kColumnHeaderHeight);
        page().items.append(PrintItem::makeRect(band));
        for (qreal x : kLogRules)
            page().items.append(PrintItem::makeLine(QPointF(kLeft + x, band.top()),
                                                    QPointF(kLeft + x, band.bottom())));
        for (const Caption &c : kLogCaptions)
            text(c.x, m_y + 2.1, c.pt, QCoreApplication::translate("StationLog", c.text));
        m_y += kColumnHeaderHeight;
    }

    // Height of a detail line whose tallest field has n lines.
    qreal detailHeight(int n) const { return kDetailHeight + qMax(0, n - 1) * m_lineHeight; }
    qreal freshPageRoom() const { return kPrintHeight - kPageHeaderHeight - kColumnHeaderHeight; }

    void detail(int number, const QsoRow &row)
    {
        const QStringList values = detailTexts(number, row);
        QVector<QStringList> wrapped(kLogFieldCount);
        int maxLines = 1;
        for (int i = 0; i < kLogFieldCount; ++i) {
            wrapped[i] = m_tm.wrap(values[i], kLogFields[i].width, kLogFontPt);
            maxLines = qMax(maxLines, int(wrapped[i].size()));
        }

        if (m_y + detailHeight(maxLines) > kBottom + kEps
            && (m_linesOnPage > 0 || kBottom - m_y < freshPageRoom() - kEps)) {
            newPage();
            columnHeader();
        }
        // A line taller than a whole page (text written into the log by other
        // means can be any length) prints as much as the page holds.
        const qreal room = kBottom - m_y;
        int fit = maxLines;
        while (fit > 1 && detailHeight(fit) > room + kEps)
            --fit;

        const qreal top = m_y;
        const qreal height = detailHeight(fit);
        page().items.append(PrintItem::makeRect(QRectF(kLeft, top, kPrintWidth, height)));
        for (int i = 0; i < kLogFieldCount; ++i) {
            if (values[i].isEmpty() || wrapped[i].isEmpty())
                continue;
            const bool complete = wrapped[i].size() <= fit;
            const QStringList lines = wrapped[i].mid(0, fit);
            page().items.append(PrintItem::makeText(
                QRectF(kLeft + kLogFields[i].x, top, kLogFields[i].width,
                       lines.size() * m_lineHeight),
                kLogFontPt, lines, printedText(values[i], lines, complete)));
        }
        m_y += height;
        ++m_linesOnPage;
    }

    void summary()
    {
        if (m_y + kSummaryHeight > kBottom + kEps) {
            newPage();
            columnHeader();
        }
        text(173.6, m_y + 10.6, kLogFontPt, formatDate(m_today));
        page().items.append(PrintItem::makeLine(QPointF(kLeft + 203.2, m_y + 12.7),
                                                QPointF(kLeft + 252.1, m_y + 12.7)));
        m_y += kSummaryHeight;
    }

    PrintDocument m_doc;
    StationData m_station;
    QDate m_today;
    TextMeasure m_tm;
    qreal m_lineHeight;
    qreal m_y = 0;
    int m_linesOnPage = 0;
};

// ---- QSL labels ----------------------------------------------------------

class LabelBuilder {
public:
    LabelBuilder(const StationData &station) : m_station(station), m_tm(m_doc.fontFamily)
    {
        m_doc.title = QCoreApplication::translate("QslLabels", "QSL карточки");
    }

    PrintDocument build(const QVector<QsoRow> &rows)
    {
        m_doc.pages.append(PrintPage());   // produced even with nothing to print
        for (int i = 0; i < rows.size(); ++i) {
            const int slot = i % 4;
            if (i > 0 && slot == 0)
                m_doc.pages.append(PrintPage());
            const int column = slot / 2;
            const int row = slot % 2;
            label(QPointF(kMargin + column * kLabelColumnWidth, kMargin + row * kLabelHeight),
                  rows[i]);
        }
        return std::move(m_doc);
    }

private:
    void add(const PrintItem &it) { m_doc.pages.last().items.append(it); }
    void text(qreal x, qreal y, qreal pt, const QString &s)
    {
        if (!s.isEmpty())
            add(plainText(m_tm, m_o.x() + x, m_o.y() + y, pt, s));
    }
    void clipped(qreal x, qreal y, qreal w, qreal pt, const QString &s)
    {
        if (s.isEmpty())
            return;
        PrintItem it = clippedText(m_tm, m_o.x() + x, m_o.y() + y, w, pt, s);
        if (!it.text.isEmpty())
            add(it);
    }
    void hline(qreal x1, qreal x2, qreal y)
    {
        add(PrintItem::makeLine(m_o + QPointF(x1, y), m_o + QPointF(x2, y)));
    }

    void address(qreal x, qreal y)
    {
        const qreal pt = 8.0;
        const QStringList all = m_tm.wrap(m_station.myadr, kAddressWidth, pt);
        const qreal lh = m_tm.lineHeight(pt);
        const int fit = qMin(int(all.size()), int((kAddressHeight + kEps) / lh));
        if (fit <= 0)
            return;
        const QStringList lines = all.mid(0, fit);
        add(PrintItem::makeText(QRectF(m_o.x() + x, m_o.y() + y, kAddressWidth, lines.size() * lh),
                                pt, lines, printedText(m_station.myadr, lines, fit == all.size())));
    }

    // A QSL card goes abroad: its texts are English in every language of
    // the program.
    void label(QPointF origin, const QsoRow &r)
    {
        m_o = origin;
        const qreal pt = kLabelFontPt;
        add(PrintItem::makeRect(QRectF(m_o + QPointF(2.1, 2.1), QSizeF(135.7, 84.9))));
        text(25.4, 4.2, 18, QStringLiteral("Amateur Radio Station"));
        text(6.3, 8.5, pt, QStringLiteral("QTH loc:"));
        text(6.3, 12.7, pt, m_station.myloc);
        text(105.8, 10.6, 8, m_station.myname);
        address(105.8, 14.8);
        text(25.4, 14.8, 48, m_station.mycall);
        text(6.3, 44.5, pt, QStringLiteral("Confirming QSO with"));
        text(42.3, 44.5, 12, r.call);
        text(91.0, 44.5, pt, QStringLiteral("Via"));

        add(PrintItem::makeRect(QRectF(m_o + QPointF(6.3, 50.8), QSizeF(127.3, 19.3))));
        hline(6.3, 133.6, 60.5);
        for (qreal x : {29.8, 44.6, 59.4, 74.2, 89.0, 106.0})
            add(PrintItem::makeLine(m_o + QPointF(x, 50.8), m_o + QPointF(x, 70.1)));

        const qreal capY = 52.9, valY = 61.4;
        text(14.8, capY, pt, QStringLiteral("Date"));
        text(33.9, capY, pt, QStringLiteral("GMT"));
        text(48.7, capY, pt, QStringLiteral("MHz"));
        text(61.4, capY, pt, QStringLiteral("2xway"));
        text(78.3, capY, pt, QStringLiteral("RS(T)"));
        text(93.1, capY, pt, QStringLiteral("PWR"));
        text(112.2, capY, pt, QStringLiteral("Remarks"));
        text(8.5, valY, pt, formatDate(r.qsoDate));
        clipped(31.8, valY, 10.8, pt, formatTime(r.timeOn));
        text(46.6, valY, pt, r.freq);
        text(61.4, valY, pt, r.mode);
        clipped(76.2, valY, 13.0, pt, r.rstSent);
        clipped(93.1, valY, 10.8, pt, r.txPwr);

        text(6.3, 72.0, pt, QStringLiteral("Rig:"));
        text(14.8, 72.0, pt, m_station.myrig);
        text(6.3, 78.3, pt, QStringLiteral("PSE/TNX QSL"));
        hline(31.8, 93.4, 83.8);
        text(95.2, 78.3, pt, QStringLiteral("73!"));
        hline(103.7, 133.6, 83.8);
    }

    PrintDocument m_doc;
    StationData m_station;
    TextMeasure m_tm;
    QPointF m_o;
};

} // namespace

PrintDocument layoutStationLog(const QVector<QsoRow> &rows, const StationData &station,
                               const QDate &today)
{
    return StationLogBuilder(station, today).build(rows);
}

PrintDocument layoutQslLabels(const QVector<QsoRow> &rows, const StationData &station)
{
    return LabelBuilder(station).build(rows);
}
