#pragma once
#include <QByteArray>
#include <QFont>
#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QStringList>
#include <QFontMetricsF>
#include <QVector>
#include <map>

// A laid-out report: pages of items placed in millimetres from the paper's
// top-left corner. Produced without any printer, so it can be inspected by
// tests, painted on any device and turned into CSV.
struct PrintItem {
    enum class Kind { Text, Line, Rect };

    Kind kind = Kind::Text;
    // Text: the box the text is set in (top-left is where it starts; width is
    // the field's width, or the text's own width when the field has none).
    // Rect: the frame. Line: unused.
    QRectF rect;
    QPointF p1, p2;        // Line: its two ends
    qreal pointSize = 0;   // Text
    QStringList lines;     // Text: the lines as printed (one unless wrapped)
    QString text;          // Text: what was printed, as one string (CSV cell)

    static PrintItem makeText(const QRectF &box, qreal pt, const QStringList &lines,
                              const QString &text);
    static PrintItem makeLine(QPointF a, QPointF b);
    static PrintItem makeRect(const QRectF &r);
};

struct PrintPage {
    QVector<PrintItem> items;

    QVector<const PrintItem *> texts() const;
    // Texts whose whole printed string equals text.
    QVector<const PrintItem *> findText(const QString &text) const;
};

struct PrintDocument {
    QString title;                       // shown as the PDF title and preview caption
    QString fontFamily = QStringLiteral("Arial");
    QSizeF paperMm{297.0, 210.0};        // A4 landscape
    QVector<PrintPage> pages;

    int pageCount() const { return pages.size(); }
    QFont font(qreal pointSize) const;
};

// Measures text in millimetres at a fixed resolution, so that line breaks do
// not depend on the screen the program happens to run on.
class TextMeasure {
public:
    explicit TextMeasure(const QString &family);

    qreal width(const QString &text, qreal pointSize) const;
    qreal lineHeight(qreal pointSize) const;   // ascent + descent

    // Breaks text into lines no wider than widthMm: at blanks where it can,
    // inside a word only when the word alone is wider than the line.
    // Line feeds in the text start new lines.
    QStringList wrap(const QString &text, qreal widthMm, qreal pointSize) const;
    // The longest beginning of text that is no wider than widthMm.
    QString fitPrefix(const QString &text, qreal widthMm, qreal pointSize) const;

private:
    const QFontMetricsF &metrics(qreal pointSize) const;

    QString m_family;
    mutable std::map<int, QFontMetricsF> m_metrics;   // by size in 1/100 pt
};

// The report as CSV text: for each page a table whose columns are the
// distinct horizontal and whose lines are the distinct vertical positions of
// that page's texts; every cell between double quotes (inner quotes doubled),
// ";" between cells, CR LF after each line. UTF-8.
QByteArray reportCsv(const PrintDocument &doc);
