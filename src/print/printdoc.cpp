#include "print/printdoc.h"

#include <QFontMetricsF>
#include <QImage>
#include <QMap>
#include <QtMath>
#include <map>

namespace {

// Measuring resolution: high enough that glyph advances are not rounded to
// whole pixels in a way that would move line breaks.
constexpr int kMeasureDpi = 1200;

const QImage &measureDevice()
{
    static const QImage image = [] {
        QImage img(4, 4, QImage::Format_RGB32);
        const int dpm = qRound(kMeasureDpi / 0.0254);
        img.setDotsPerMeterX(dpm);
        img.setDotsPerMeterY(dpm);
        return img;
    }();
    return image;
}

constexpr qreal kEps = 1e-6;

} // namespace

PrintItem PrintItem::makeText(const QRectF &box, qreal pt, const QStringList &lines,
                              const QString &text)
{
    PrintItem it;
    it.kind = Kind::Text;
    it.rect = box;
    it.pointSize = pt;
    it.lines = lines;
    it.text = text;
    return it;
}

PrintItem PrintItem::makeLine(QPointF a, QPointF b)
{
    PrintItem it;
    it.kind = Kind::Line;
    it.p1 = a;
    it.p2 = b;
    return it;
}

PrintItem PrintItem::makeRect(const QRectF &r)
{
    PrintItem it;
    it.kind = Kind::Rect;
    it.rect = r;
    return it;
}

QVector<const PrintItem *> PrintPage::texts() const
{
    QVector<const PrintItem *> out;
    for (const PrintItem &it : items)
        if (it.kind == PrintItem::Kind::Text)
            out.append(&it);
    return out;
}

QVector<const PrintItem *> PrintPage::findText(const QString &text) const
{
    QVector<const PrintItem *> out;
    for (const PrintItem &it : items)
        if (it.kind == PrintItem::Kind::Text && it.text == text)
            out.append(&it);
    return out;
}

QFont PrintDocument::font(qreal pointSize) const
{
    QFont f(fontFamily);
    f.setPointSizeF(pointSize);
    // Unhinted outlines scale linearly, so the widths measured for the layout
    // hold on the printer, in the PDF and in the preview alike.
    f.setHintingPreference(QFont::PreferNoHinting);
    return f;
}

TextMeasure::TextMeasure(const QString &family) : m_family(family) {}

const QFontMetricsF &TextMeasure::metrics(qreal pointSize) const
{
    const int key = qRound(pointSize * 100);
    auto it = m_metrics.find(key);
    if (it == m_metrics.end()) {
        PrintDocument d;
        d.fontFamily = m_family;
        it = m_metrics.emplace(key, QFontMetricsF(d.font(pointSize), &measureDevice())).first;
    }
    return it->second;
}

qreal TextMeasure::width(const QString &text, qreal pointSize) const
{
    return metrics(pointSize).horizontalAdvance(text) * 25.4 / kMeasureDpi;
}

qreal TextMeasure::lineHeight(qreal pointSize) const
{
    return metrics(pointSize).height() * 25.4 / kMeasureDpi;
}

QString TextMeasure::fitPrefix(const QString &text, qreal widthMm, qreal pointSize) const
{
    if (width(text, pointSize) <= widthMm + kEps)
        return text;
    // Widths grow with length: binary search for the longest fitting prefix.
    int lo = 0, hi = text.size();
    while (lo < hi) {
        const int mid = (lo + hi + 1) / 2;
        if (width(text.left(mid), pointSize) <= widthMm + kEps)
            lo = mid;
        else
            hi = mid - 1;
    }
    // Never split a surrogate pair.
    if (lo > 0 && lo < text.size() && text.at(lo).isLowSurrogate())
        --lo;
    return text.left(lo);
}

QStringList TextMeasure::wrap(const QString &text, qreal widthMm, qreal pointSize) const
{
    QStringList out;
    const bool singleLine = !text.contains(QLatin1Char('\n')) && !text.contains(QLatin1Char('\r'));
    // Most fields fit their column: one measurement settles them.
    if (singleLine && !text.startsWith(QLatin1Char(' ')) && width(text, pointSize) <= widthMm + kEps) {
        if (!text.trimmed().isEmpty())
            out.append(text.trimmed());
        return out;
    }
    QString normalized = text;
    normalized.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    normalized.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    const QStringList paragraphs = normalized.split(QLatin1Char('\n'));
    for (const QString &para : paragraphs) {
        const QStringList words = para.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        QString cur;
        for (const QString &word : words) {
            const QString candidate = cur.isEmpty() ? word : cur + QLatin1Char(' ') + word;
            if (width(candidate, pointSize) <= widthMm + kEps) {
                cur = candidate;
                continue;
            }
            if (!cur.isEmpty())
                out.append(cur);
            cur = word;
            // A word wider than the whole line is broken where it must be.
            while (width(cur, pointSize) > widthMm + kEps) {
                QString head = fitPrefix(cur, widthMm, pointSize);
                if (head.isEmpty())
                    head = cur.left(cur.at(0).isHighSurrogate() && cur.size() > 1 ? 2 : 1);
                out.append(head);
                cur = cur.mid(head.size());
            }
        }
        if (!cur.isEmpty() || words.isEmpty())
            out.append(cur);
    }
    // Blank paragraphs at the end print nothing.
    while (!out.isEmpty() && out.last().isEmpty())
        out.removeLast();
    return out;
}

static QByteArray csvCell(const QString &text)
{
    QString t = text;
    t.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return '"' + t.toUtf8() + '"';
}

QByteArray reportCsv(const PrintDocument &doc)
{
    QByteArray out;
    for (const PrintPage &page : doc.pages) {
        // Positions compared at 0.01 mm so that values computed by different
        // sums of the same distances meet.
        std::map<qint64, int> columns;
        std::map<qint64, std::map<qint64, QStringList>> grid;   // y -> x -> texts
        for (const PrintItem &it : page.items) {
            if (it.kind != PrintItem::Kind::Text || it.text.isEmpty())
                continue;
            const qint64 x = qRound64(it.rect.left() * 100);
            const qint64 y = qRound64(it.rect.top() * 100);
            columns[x] = 0;
            grid[y][x].append(it.text);
        }
        int n = 0;
        for (auto &c : columns)
            c.second = n++;
        for (const auto &row : grid) {
            QVector<QString> cells(n);
            for (const auto &cell : row.second)
                cells[columns[cell.first]] = cell.second.join(QLatin1Char(' '));
            for (int i = 0; i < n; ++i) {
                if (i)
                    out += ';';
                out += csvCell(cells[i]);
            }
            out += "\r\n";
        }
    }
    return out;
}
