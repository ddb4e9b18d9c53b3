#include "print/printdoc.h"
#include "print/printpreview.h"
#include "print/reportlayout.h"
#include "print/reportrender.h"

#include <QAction>
#include <QFile>
#include <QPrintPreviewWidget>
#include <QPageRanges>
#include <QPrinter>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

using namespace ReportGeometry;

namespace {

const QDate kToday(2026, 12, 10);

QsoRow sampleRow(int i)
{
    QsoRow r;
    r.qsoDate = QDate(2026, 1, 1).addDays(i);
    r.timeOn = QTime(12, 5).addSecs(60 * i);
    r.timeOff = r.timeOn.addSecs(120);
    r.freq = QStringLiteral("14.195");
    r.mode = QStringLiteral("SSB");
    r.call = QStringLiteral("RA3A%1").arg(i);
    r.name = QStringLiteral("Ivan");
    r.qth = QStringLiteral("Moscow");
    r.comment = QStringLiteral("tnx");
    r.rstSent = QStringLiteral("59");
    r.rstRcvd = QStringLiteral("57");
    r.qslSent = QStringLiteral("P");
    r.qslRcvd = QStringLiteral("N");
    r.txPwr = QStringLiteral("100");
    r.gridsquare = QStringLiteral("KO85UU");
    return r;
}

QVector<QsoRow> sampleRows(int n)
{
    QVector<QsoRow> rows;
    for (int i = 1; i <= n; ++i)
        rows.append(sampleRow(i));
    return rows;
}

StationData sampleStation()
{
    StationData s;
    s.mycall = QStringLiteral("UA3XYZ");
    s.myname = QStringLiteral("Pavel");
    s.myadr = QStringLiteral("Box 12, Moscow");
    s.myloc = QStringLiteral("KO85TS");
    s.myrig = QStringLiteral("IC-7300, 100 W, dipole");
    return s;
}

bool near(qreal a, qreal b) { return qAbs(a - b) < 0.005; }

// Texts of a page at a given left edge, top to bottom.
QVector<const PrintItem *> textsAtX(const PrintPage &page, qreal x)
{
    QVector<const PrintItem *> out;
    for (const PrintItem *t : page.texts())
        if (near(t->rect.left(), x))
            out.append(t);
    std::sort(out.begin(), out.end(),
              [](const PrintItem *a, const PrintItem *b) { return a->rect.top() < b->rect.top(); });
    return out;
}

// Running numbers of the detail lines on a page (the texts in the number
// field's place that are numbers; the title's date shares that place).
QVector<int> numbersOnPage(const PrintPage &page)
{
    QVector<int> out;
    for (const PrintItem *t : textsAtX(page, kMargin + 4.2)) {
        bool ok = false;
        const int n = t->text.toInt(&ok);
        if (ok)
            out.append(n);
    }
    return out;
}

int pdfPageCount(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray pdf = f.readAll();
    if (!pdf.startsWith("%PDF-"))
        return -1;
    static const QRegularExpression re(QStringLiteral("/Type\\s*/Page(?![a-zA-Z])"));
    return int(QString::fromLatin1(pdf).count(re));
}

// Splits CSV text written by reportCsv into lines of cells.
QVector<QStringList> parseCsv(const QByteArray &csv)
{
    QVector<QStringList> out;
    const QString text = QString::fromUtf8(csv);
    const QStringList lines = text.split(QStringLiteral("\r\n"));
    for (int li = 0; li < lines.size(); ++li) {
        const QString &line = lines[li];
        if (line.isEmpty() && li == lines.size() - 1)
            break;
        QStringList cells;
        int i = 0;
        while (i < line.size()) {
            if (line.at(i) != QLatin1Char('"'))
                return {};   // every cell must be quoted
            QString cell;
            ++i;
            for (;;) {
                if (i >= line.size())
                    return {};
                if (line.at(i) == QLatin1Char('"')) {
                    if (i + 1 < line.size() && line.at(i + 1) == QLatin1Char('"')) {
                        cell += QLatin1Char('"');
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                cell += line.at(i++);
            }
            cells.append(cell);
            if (i < line.size()) {
                if (line.at(i) != QLatin1Char(';'))
                    return {};
                ++i;
            }
        }
        out.append(cells);
    }
    return out;
}

QStringList nonEmpty(const QStringList &cells)
{
    QStringList out;
    for (const QString &c : cells)
        if (!c.isEmpty())
            out.append(c);
    return out;
}

} // namespace

class TestPrint : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();

    void wrapping_data();
    void wrapping();

    void stationLogPageCount_data();
    void stationLogPageCount();
    void stationLogNumbersAndHeaders();
    void stationLogTitle();
    void stationLogLongCommentGrowsLine();
    void stationLogSummaryPlacement();
    void stationLogOverlongLineStaysOnPage();

    void labelsPages_data();
    void labelsPages();
    void labelPlacementOrder();
    void labelContent();
    void labelAddressCutToBox();
    void labelFixedWidthFieldsClipped();

    void csvOfSmallLog();
    void pdfFiles();
    void printPageRange();
    void previewWindow();
};

void TestPrint::initTestCase()
{
    // The forms name Arial; a metric-compatible face must stand in for it.
    const QFontInfo info(PrintDocument().font(8));
    qInfo() << "report font resolves to" << info.family();
    QVERIFY(TextMeasure(QStringLiteral("Arial")).lineHeight(8) > 2.5);
}

void TestPrint::wrapping_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<qreal>("width");
    QTest::addColumn<int>("minLines");

    QTest::newRow("fits") << QStringLiteral("tnx") << 21.4 << 1;
    QTest::newRow("words") << QStringLiteral("tnx for nice qso and see you again soon 73") << 21.4 << 3;
    QTest::newRow("long word") << QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZABCDEFGHIJ") << 21.4 << 3;
    QTest::newRow("cyrillic") << QStringLiteral("спасибо за связь до встречи в эфире") << 21.4 << 3;
    QTest::newRow("line feeds") << QStringLiteral("a\nb\r\nc") << 21.4 << 3;
}

void TestPrint::wrapping()
{
    QFETCH(QString, text);
    QFETCH(qreal, width);
    QFETCH(int, minLines);
    const TextMeasure tm(QStringLiteral("Arial"));
    const QStringList lines = tm.wrap(text, width, 8);
    QVERIFY2(lines.size() >= minLines, qPrintable(lines.join(QLatin1Char('|'))));
    for (const QString &l : lines)
        QVERIFY2(tm.width(l, 8) <= width + 1e-6, qPrintable(l));
    // Nothing is lost: the lines hold every non-blank character in order.
    QString flat = text;
    flat.remove(QRegularExpression(QStringLiteral("\\s")));
    QCOMPARE(lines.join(QString()).remove(QLatin1Char(' ')), flat);
}

void TestPrint::stationLogPageCount_data()
{
    QTest::addColumn<int>("qsos");
    QTest::addColumn<int>("pages");
    // First page: 190 - 7.1 - 8.5 - 6.3 = 168.1 mm, 40 lines of 4.2 mm;
    // further pages 190 - 7.1 - 6.3 = 176.6 mm, 42 lines; summary 22.8 mm.
    QTest::newRow("empty") << 0 << 1;
    QTest::newRow("one") << 1 << 1;
    QTest::newRow("summary fits") << 34 << 1;
    QTest::newRow("summary moves") << 35 << 2;
    QTest::newRow("40") << 40 << 2;
    QTest::newRow("41") << 41 << 2;
    QTest::newRow("100") << 100 << 3;
}

void TestPrint::stationLogPageCount()
{
    QFETCH(int, qsos);
    QFETCH(int, pages);
    const PrintDocument doc = layoutStationLog(sampleRows(qsos), sampleStation(), kToday);
    QCOMPARE(doc.pageCount(), pages);
    // Nothing is placed outside the printable area.
    for (const PrintPage &p : doc.pages)
        for (const PrintItem &it : p.items) {
            const QRectF r = it.kind == PrintItem::Kind::Line ? QRectF(it.p1, it.p2).normalized() : it.rect;
            QVERIFY(r.top() >= kMargin - 1e-6);
            QVERIFY(r.bottom() <= kMargin + kPrintHeight + 1e-6);
            QVERIFY(r.right() <= kMargin + kPrintWidth + 1e-6);
        }
}

void TestPrint::stationLogNumbersAndHeaders()
{
    const PrintDocument doc = layoutStationLog(sampleRows(100), sampleStation(), kToday);
    QVector<int> numbers;
    for (int p = 0; p < doc.pageCount(); ++p) {
        const PrintPage &page = doc.pages[p];
        numbers += numbersOnPage(page);
        // Page number in the page header at the top of the page.
        const auto pageNo = textsAtX(page, kMargin + 266.7);
        QCOMPARE(pageNo.size(), 1);
        QCOMPARE(pageNo[0]->text, QString::number(p + 1));
        QVERIFY(near(pageNo[0]->rect.top(), kMargin + 2.1));
        // The column header, framed, with all its captions.
        const qreal headerTop = kMargin + kPageHeaderHeight + (p == 0 ? kTitleHeight : 0);
        for (const char *caption : {"№ п/п", "Дата", "GMT", "MHz", "Mode", "Позывной", "Имя", "QTH",
                                    "RST пер. прин.", "QSL", "QTH loc", "PWR", "Примечания"}) {
            const auto found = page.findText(QString::fromUtf8(caption));
            QVERIFY2(found.size() == 1, caption);
            QVERIFY(near(found[0]->rect.top(), headerTop + 2.1));
            QCOMPARE(found[0]->pointSize, qstrcmp(caption, "GMT") == 0 ? 7.0 : 8.0);
        }
        int rules = 0;
        for (const PrintItem &it : page.items)
            if (it.kind == PrintItem::Kind::Line && near(it.p1.y(), headerTop)
                && near(it.p2.y(), headerTop + kColumnHeaderHeight))
                ++rules;
        QCOMPARE(rules, 12);
    }
    QVector<int> expected;
    for (int i = 1; i <= 100; ++i)
        expected.append(i);
    QCOMPARE(numbers, expected);
    // The title is on the first page only.
    QCOMPARE(doc.pages[0].findText(QStringLiteral("Аппаратный журнал")).size(), 1);
    QCOMPARE(doc.pages[1].findText(QStringLiteral("Аппаратный журнал")).size(), 0);
}

void TestPrint::stationLogTitle()
{
    const PrintDocument doc = layoutStationLog({}, sampleStation(), kToday);
    const qreal titleTop = kMargin + kPageHeaderHeight + 2.1;
    const PrintPage &p = doc.pages[0];
    QCOMPARE(p.findText(QStringLiteral("10.12.2026")).size(), 2);   // title and summary
    QVERIFY(near(p.findText(QStringLiteral("10.12.2026"))[0]->rect.left(), kMargin + 4.2));
    const auto caption = p.findText(QStringLiteral("Аппаратный журнал"));
    QVERIFY(near(caption[0]->rect.left(), kMargin + 29.6) && near(caption[0]->rect.top(), titleTop));
    const auto call = p.findText(QStringLiteral("UA3XYZ"));
    QCOMPARE(call.size(), 1);
    QVERIFY(near(call[0]->rect.left(), kMargin + 59.3) && near(call[0]->rect.top(), titleTop));

    StationData noCall = sampleStation();
    noCall.mycall.clear();
    const PrintDocument bare = layoutStationLog({}, noCall, kToday);
    int inTitle = 0;
    for (const PrintItem *t : bare.pages[0].texts())
        if (near(t->rect.top(), titleTop))
            ++inTitle;
    QCOMPARE(inTitle, 2);
}

void TestPrint::stationLogLongCommentGrowsLine()
{
    QVector<QsoRow> rows = sampleRows(3);
    rows[1].comment = QStringLiteral("Very nice QSO, tnx for the report, 73!");
    const PrintDocument doc = layoutStationLog(rows, sampleStation(), kToday);
    const PrintPage &page = doc.pages[0];

    const auto comment = page.findText(rows[1].comment);
    QCOMPARE(comment.size(), 1);
    QVERIFY(comment[0]->lines.size() >= 2);
    QVERIFY(near(comment[0]->rect.left(), kMargin + 254.0));

    // Detail frames: full-width rectangles below the column header.
    QVector<QRectF> frames;
    for (const PrintItem &it : page.items)
        if (it.kind == PrintItem::Kind::Rect && it.rect.top() > kMargin + 20)
            frames.append(it.rect);
    QCOMPARE(frames.size(), 3);
    const qreal lh = TextMeasure(QStringLiteral("Arial")).lineHeight(8);
    QVERIFY(near(frames[0].height(), kDetailHeight));
    QVERIFY(near(frames[1].height(), kDetailHeight + (comment[0]->lines.size() - 1) * lh));
    QVERIFY(near(frames[2].top(), frames[1].bottom()));
    // The comment stays inside its line; the other fields keep the top.
    QVERIFY(comment[0]->rect.bottom() <= frames[1].bottom() + 1e-6);
    const auto calls = page.findText(rows[1].call);
    QVERIFY(near(calls[0]->rect.top(), frames[1].top()));
    const QVector<int> numbers = numbersOnPage(page);
    QCOMPARE(numbers, QVector<int>({1, 2, 3}));
    QVERIFY(near(textsAtX(page, kMargin + 4.2).last()->rect.top(), frames[2].top()));
}

void TestPrint::stationLogSummaryPlacement()
{
    for (int n : {34, 40}) {
        const PrintDocument doc = layoutStationLog(sampleRows(n), sampleStation(), kToday);
        const PrintPage &last = doc.pages.last();
        const auto rules = [&] {
            QVector<const PrintItem *> out;
            for (const PrintItem &it : last.items)
                if (it.kind == PrintItem::Kind::Line && near(it.p1.x(), kMargin + 203.2)
                    && near(it.p2.x(), kMargin + 252.1) && near(it.p1.y(), it.p2.y()))
                    out.append(&it);
            return out;
        }();
        QCOMPARE(rules.size(), 1);
        const auto dates = textsAtX(last, kMargin + 173.6);
        QCOMPARE(dates.size(), 1);
        QCOMPARE(dates[0]->text, QStringLiteral("10.12.2026"));
        QVERIFY(near(rules[0]->p1.y() - dates[0]->rect.top(), 12.7 - 10.6));
        if (n == 40) {
            // Moved: the new page has the page header and the column header only.
            QCOMPARE(doc.pageCount(), 2);
            QVERIFY(numbersOnPage(last).isEmpty());
            QCOMPARE(last.findText(QStringLiteral("Примечания")).size(), 1);
            QVERIFY(near(dates[0]->rect.top(),
                         kMargin + kPageHeaderHeight + kColumnHeaderHeight + 10.6));
        } else {
            QCOMPARE(doc.pageCount(), 1);
            QVERIFY(near(dates[0]->rect.top(), kMargin + kPageHeaderHeight + kTitleHeight
                                                   + kColumnHeaderHeight + 34 * kDetailHeight + 10.6));
        }
    }
}

void TestPrint::stationLogOverlongLineStaysOnPage()
{
    // Text put into the log by other means is not limited to the column width.
    QVector<QsoRow> rows = sampleRows(2);
    rows[0].comment = QString(3000, QLatin1Char('W'));
    const PrintDocument doc = layoutStationLog(rows, sampleStation(), kToday);
    QVERIFY(doc.pageCount() <= 4);
    QVector<int> numbers;
    for (const PrintPage &p : doc.pages)
        numbers += numbersOnPage(p);
    QCOMPARE(numbers, QVector<int>({1, 2}));
}

void TestPrint::labelsPages_data()
{
    QTest::addColumn<int>("qsos");
    QTest::addColumn<int>("pages");
    QTest::newRow("none") << 0 << 1;
    QTest::newRow("one") << 1 << 1;
    QTest::newRow("four") << 4 << 1;
    QTest::newRow("five") << 5 << 2;
    QTest::newRow("nine") << 9 << 3;
}

void TestPrint::labelsPages()
{
    QFETCH(int, qsos);
    QFETCH(int, pages);
    const PrintDocument doc = layoutQslLabels(sampleRows(qsos), sampleStation());
    QCOMPARE(doc.pageCount(), pages);
    if (qsos == 0)
        QVERIFY(doc.pages[0].items.isEmpty());
    int cards = 0;
    for (const PrintPage &p : doc.pages)
        cards += p.findText(QStringLiteral("Amateur Radio Station")).size();
    QCOMPARE(cards, qsos);
}

void TestPrint::labelPlacementOrder()
{
    const QVector<QsoRow> rows = sampleRows(5);
    const PrintDocument doc = layoutQslLabels(rows, sampleStation());
    QCOMPARE(doc.pageCount(), 2);
    // Left column top and bottom, then right column top and bottom, then page 2.
    const QPointF origins[] = {{10, 10}, {10, 97.6}, {148.5, 10}, {148.5, 97.6}, {10, 10}};
    for (int i = 0; i < 5; ++i) {
        const PrintPage &page = doc.pages[i / 4];
        const auto call = page.findText(rows[i].call);
        QCOMPARE(call.size(), 1);
        QVERIFY2(near(call[0]->rect.left(), origins[i].x() + 42.3)
                     && near(call[0]->rect.top(), origins[i].y() + 44.5),
                 qPrintable(rows[i].call));
        bool outline = false;
        for (const PrintItem &it : page.items)
            if (it.kind == PrintItem::Kind::Rect && near(it.rect.left(), origins[i].x() + 2.1)
                && near(it.rect.top(), origins[i].y() + 2.1) && near(it.rect.width(), 135.7)
                && near(it.rect.height(), 84.9))
                outline = true;
        QVERIFY(outline);
    }
}

void TestPrint::labelContent()
{
    QsoRow r = sampleRow(1);
    const PrintDocument doc = layoutQslLabels({r}, sampleStation());
    const PrintPage &p = doc.pages[0];
    struct Expect {
        QString text;
        qreal x, y, pt;
    };
    const Expect expected[] = {
        {QStringLiteral("Amateur Radio Station"), 25.4, 4.2, 18},
        {QStringLiteral("QTH loc:"), 6.3, 8.5, 10},
        {QStringLiteral("KO85TS"), 6.3, 12.7, 10},
        {QStringLiteral("Pavel"), 105.8, 10.6, 8},
        {QStringLiteral("Box 12, Moscow"), 105.8, 14.8, 8},
        {QStringLiteral("UA3XYZ"), 25.4, 14.8, 48},
        {QStringLiteral("Confirming QSO with"), 6.3, 44.5, 10},
        {r.call, 42.3, 44.5, 12},
        {QStringLiteral("Via"), 91.0, 44.5, 10},
        {QStringLiteral("Date"), 14.8, 52.9, 10},
        {QStringLiteral("GMT"), 33.9, 52.9, 10},
        {QStringLiteral("MHz"), 48.7, 52.9, 10},
        {QStringLiteral("2xway"), 61.4, 52.9, 10},
        {QStringLiteral("RS(T)"), 78.3, 52.9, 10},
        {QStringLiteral("PWR"), 93.1, 52.9, 10},
        {QStringLiteral("Remarks"), 112.2, 52.9, 10},
        {QStringLiteral("02.01.2026"), 8.5, 61.4, 10},
        {QStringLiteral("12:06"), 31.8, 61.4, 10},
        {QStringLiteral("14.195"), 46.6, 61.4, 10},
        {QStringLiteral("SSB"), 61.4, 61.4, 10},
        {QStringLiteral("59"), 76.2, 61.4, 10},
        {QStringLiteral("100"), 93.1, 61.4, 10},
        {QStringLiteral("Rig:"), 6.3, 72.0, 10},
        {QStringLiteral("IC-7300, 100 W, dipole"), 14.8, 72.0, 10},
        {QStringLiteral("PSE/TNX QSL"), 6.3, 78.3, 10},
        {QStringLiteral("73!"), 95.2, 78.3, 10},
    };
    for (const Expect &e : expected) {
        const auto found = p.findText(e.text);
        QVERIFY2(found.size() == 1, qPrintable(e.text));
        QVERIFY2(near(found[0]->rect.left(), 10 + e.x) && near(found[0]->rect.top(), 10 + e.y),
                 qPrintable(e.text));
        QCOMPARE(found[0]->pointSize, e.pt);
    }
    // myqth and the QSO's other fields are not on the card; the Remarks cell is blank.
    QCOMPARE(p.texts().size(), int(std::size(expected)));
}

void TestPrint::labelAddressCutToBox()
{
    StationData s = sampleStation();
    // Longer than the column allows: written into the file by another program.
    s.myadr = QStringLiteral("Russia, 123456, Moscow region, Krasnogorsk district, "
                             "Nakhabino settlement, Lenina street, house 25, flat 117, "
                             "c/o Radio Club of the Krasnogorsk district, P.O. Box 44");
    const TextMeasure tm(QStringLiteral("Arial"));
    const QStringList all = tm.wrap(s.myadr, kAddressWidth, 8);
    const qreal lh = tm.lineHeight(8);
    QVERIFY(all.size() * lh > kAddressHeight);   // the fixture really overflows

    const PrintDocument doc = layoutQslLabels({sampleRow(1)}, s);
    const PrintItem *adr = nullptr;
    for (const PrintItem *t : doc.pages[0].texts())
        if (near(t->rect.left(), 10 + 105.8) && near(t->rect.top(), 10 + 14.8))
            adr = t;
    QVERIFY(adr);
    QCOMPARE(adr->lines.size(), int(kAddressHeight / lh));
    QCOMPARE(adr->lines, all.mid(0, adr->lines.size()));
    QVERIFY(adr->rect.height() <= kAddressHeight);
    // Broken at blanks: every printed line is made of whole words of the address.
    for (const QString &line : adr->lines) {
        for (const QString &word : line.split(QLatin1Char(' ')))
            QVERIFY2(s.myadr.split(QLatin1Char(' ')).contains(word), qPrintable(word));
        QVERIFY(tm.width(line, 8) <= kAddressWidth + 1e-6);
    }
}

void TestPrint::labelFixedWidthFieldsClipped()
{
    QsoRow r = sampleRow(1);
    r.rstSent = QStringLiteral("599599599599");
    r.txPwr = QStringLiteral("1000W");
    r.freq = QStringLiteral("144.300000");   // no stated width: printed whole
    const PrintDocument doc = layoutQslLabels({r}, sampleStation());
    const TextMeasure tm(QStringLiteral("Arial"));
    const PrintPage &p = doc.pages[0];
    const auto rst = textsAtX(p, 10 + 76.2);
    QCOMPARE(rst.size(), 1);
    QVERIFY(r.rstSent.startsWith(rst[0]->text));
    QVERIFY(rst[0]->text.size() < r.rstSent.size());
    QVERIFY(tm.width(rst[0]->text, 10) <= 13.0);
    QVERIFY(tm.width(r.rstSent.left(rst[0]->text.size() + 1), 10) > 13.0);
    const auto pwr = textsAtX(p, 10 + 93.1);
    QCOMPARE(pwr.size(), 2);   // caption "PWR" and value share the x
    QVERIFY(tm.width(pwr[1]->text, 10) <= 10.8);
    QCOMPARE(p.findText(r.freq).size(), 1);
}

void TestPrint::csvOfSmallLog()
{
    QVector<QsoRow> rows = sampleRows(2);
    rows[1].name = QStringLiteral("Ivan \"Vanya\"");
    rows[1].comment.clear();
    const PrintDocument doc = layoutStationLog(rows, sampleStation(), kToday);
    const QByteArray csv = reportCsv(doc);
    QVERIFY(csv.endsWith("\r\n"));
    QCOMPARE(csv.count('\n'), csv.count("\r\n"));
    QVERIFY(csv.contains("\"Ivan \"\"Vanya\"\"\""));

    const QVector<QStringList> table = parseCsv(csv);
    // Page header, title, column header, two QSO lines, summary.
    QCOMPARE(table.size(), 6);
    const int columns = table[0].size();
    for (const QStringList &line : table)
        QCOMPARE(line.size(), columns);
    // Distinct left edges of the page's texts.
    QSet<qint64> xs;
    for (const PrintItem *t : doc.pages[0].texts())
        xs.insert(qRound64(t->rect.left() * 100));
    QCOMPARE(columns, xs.size());

    QCOMPARE(nonEmpty(table[0]), QStringList{QStringLiteral("1")});
    QCOMPARE(table[0].last(), QStringLiteral("1"));   // rightmost text on the page
    QCOMPARE(nonEmpty(table[1]), QStringList({QStringLiteral("10.12.2026"),
                                              QStringLiteral("Аппаратный журнал"),
                                              QStringLiteral("UA3XYZ")}));
    QCOMPARE(nonEmpty(table[2]).size(), 13);
    QCOMPARE(nonEmpty(table[2]).first(), QStringLiteral("№ п/п"));
    QCOMPARE(nonEmpty(table[3]),
             QStringList({"1", "02.01.2026", "12:06", "12:08", "14.195", "SSB", "RA3A1", "Ivan",
                          "Moscow", "59", "57", "P", "N", "KO85UU", "100", "tnx"}));
    QCOMPARE(nonEmpty(table[4]).at(7), QStringLiteral("Ivan \"Vanya\""));
    QCOMPARE(nonEmpty(table[4]).size(), 15);
    // The running number sits in the same column as the title's date.
    QCOMPARE(table[3].indexOf(QStringLiteral("1")), table[1].indexOf(QStringLiteral("10.12.2026")));
    QCOMPARE(nonEmpty(table[5]), QStringList{QStringLiteral("10.12.2026")});

    // An empty label page writes nothing.
    QVERIFY(reportCsv(layoutQslLabels({}, sampleStation())).isEmpty());
}

void TestPrint::pdfFiles()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString log = dir.filePath(QStringLiteral("log.pdf"));
    const QString labels = dir.filePath(QStringLiteral("labels.pdf"));
    QString error;
    QVERIFY(writeReportPdf(layoutStationLog(sampleRows(100), sampleStation(), kToday), log, &error));
    QCOMPARE(pdfPageCount(log), 3);
    QVERIFY(writeReportPdf(layoutQslLabels(sampleRows(5), sampleStation()), labels, &error));
    QCOMPARE(pdfPageCount(labels), 2);
    QVERIFY(writeReportPdf(layoutQslLabels({}, sampleStation()), labels, &error));
    QCOMPARE(pdfPageCount(labels), 1);

    const QString bad = dir.filePath(QStringLiteral("no/such/dir/x.pdf"));
    QVERIFY(!writeReportPdf(layoutQslLabels({}, sampleStation()), bad, &error));
    QVERIFY(error.contains(bad));
    error.clear();
    QVERIFY(!writeReportCsv(layoutQslLabels({}, sampleStation()), bad, &error));
    QVERIFY(error.contains(bad));
}

void TestPrint::printPageRange()
{
    // What the print action does after the printer dialog: only the chosen pages.
    QTemporaryDir dir;
    const PrintDocument doc = layoutStationLog(sampleRows(100), sampleStation(), kToday);
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    setUpPrinter(&printer, doc);
    printer.setOutputFileName(dir.filePath(QStringLiteral("range.pdf")));
    printer.setPrintRange(QPrinter::PageRange);
    printer.setFromTo(2, 3);
    QVERIFY(printReport(&printer, doc));
    QCOMPARE(pdfPageCount(dir.filePath(QStringLiteral("range.pdf"))), 2);

    QPageRanges ranges;
    ranges.addPage(1);
    ranges.addPage(3);
    printer.setPageRanges(ranges);
    printer.setOutputFileName(dir.filePath(QStringLiteral("odd.pdf")));
    QVERIFY(printReport(&printer, doc));
    QCOMPARE(pdfPageCount(dir.filePath(QStringLiteral("odd.pdf"))), 2);

    printer.setOutputFileName(dir.filePath(QStringLiteral("all.pdf")));
    printer.setPrintRange(QPrinter::AllPages);
    QVERIFY(printReport(&printer, doc));
    QCOMPARE(pdfPageCount(dir.filePath(QStringLiteral("all.pdf"))), 3);
}

void TestPrint::previewWindow()
{
    const PrintDocument doc = layoutStationLog(sampleRows(100), sampleStation(), kToday);
    ReportPreview preview(doc);
    preview.show();
    QVERIFY(QTest::qWaitForWindowExposed(&preview));
    QCOMPARE(preview.view()->pageCount(), 3);   // painted through the printer
    auto act = [&](const char *name) {
        QAction *a = preview.findChild<QAction *>(QString::fromLatin1(name));
        if (!a)
            qFatal("no action %s", name);
        a->trigger();
    };
    QCOMPARE(preview.currentPage(), 1);
    act("ActionNextPage");
    QCOMPARE(preview.currentPage(), 2);
    act("ActionLastPage");
    QCOMPARE(preview.currentPage(), 3);
    act("ActionNextPage");
    QCOMPARE(preview.currentPage(), 3);
    act("ActionPriorPage");
    QCOMPARE(preview.currentPage(), 2);
    act("ActionFirstPage");
    QCOMPARE(preview.currentPage(), 1);
    act("ActionZoom100");
    QCOMPARE(preview.view()->zoomMode(), QPrintPreviewWidget::CustomZoom);
    QCOMPARE(preview.view()->zoomFactor(), 1.0);
    act("ActionZoomWidth");
    QCOMPARE(preview.view()->zoomMode(), QPrintPreviewWidget::FitToWidth);
    act("ActionZoomPage");
    QCOMPARE(preview.view()->zoomMode(), QPrintPreviewWidget::FitInView);

    QTemporaryDir dir;
    QString answer = dir.filePath(QStringLiteral("journal"));
    QStringList errors;
    ReportPreview::setAskFileName([&](QWidget *, const QString &, const QString &, const QString &,
                                      const QString &) {
        return answer;
    });
    ReportPreview::setShowError([&](QWidget *, const QString &m) { errors.append(m); });
    act("ActionSaveCsv");
    QFile csv(dir.filePath(QStringLiteral("journal.csv")));
    QVERIFY(csv.open(QIODevice::ReadOnly));
    QCOMPARE(csv.readAll(), reportCsv(doc));
    act("ActionSavePdf");
    QCOMPARE(pdfPageCount(dir.filePath(QStringLiteral("journal.pdf"))), 3);
    QVERIFY(errors.isEmpty());
    answer = dir.filePath(QStringLiteral("missing/journal.csv"));
    act("ActionSaveCsv");
    QCOMPARE(errors.size(), 1);
    answer.clear();   // the user cancelled the dialog
    act("ActionSavePdf");
    QCOMPARE(errors.size(), 1);
    ReportPreview::setAskFileName({});
    ReportPreview::setShowError({});
}

QTEST_MAIN(TestPrint)
#include "test_print.moc"
