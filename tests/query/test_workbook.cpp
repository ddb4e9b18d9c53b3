#include "query/workbook.h"
#include "logdb/dberror.h"

#include <QtTest>
#include <QXmlStreamReader>

#include <zip.h>

namespace {

// One stored part of the .xlsx (a ZIP of XML parts); empty when missing.
QByteArray readPart(const QString &xlsx, const char *name)
{
    int err = 0;
    zip_t *z = zip_open(QFile::encodeName(xlsx).constData(), ZIP_RDONLY, &err);
    if (!z)
        return QByteArray();
    QByteArray out;
    zip_stat_t st;
    if (zip_stat(z, name, 0, &st) == 0) {
        if (zip_file_t *f = zip_fopen(z, name, 0)) {
            out.resize(qsizetype(st.size));
            const zip_int64_t n = zip_fread(f, out.data(), st.size);
            if (n != zip_int64_t(st.size))
                out.clear();
            zip_fclose(f);
        }
    }
    zip_close(z);
    return out;
}

struct Cell {
    QString type;    // the t attribute: "s" shared string, "b" boolean, "" number
    int style = 0;
    QString value;   // <v> text
};

struct Style {
    QString numFormat;   // format code, "General" for the built-in 0
    QString fontName;
    double fontSize = 0;
};

struct Sheet {
    QMap<QString, Cell> cells;   // by reference, "A1"
    QStringList strings;          // shared strings
    QVector<Style> styles;        // cellXfs
    QVector<double> widths;       // per column from A, 0 when not set
    QStringList selections;       // sqref of each <selection>

    QString text(const QString &ref) const
    {
        const Cell c = cells.value(ref);
        return c.type == QLatin1String("s") ? strings.value(c.value.toInt()) : c.value;
    }
    Style style(const QString &ref) const { return styles.value(cells.value(ref).style); }
};

Sheet readSheet(const QString &xlsx)
{
    Sheet s;
    {
        QXmlStreamReader x(readPart(xlsx, "xl/sharedStrings.xml"));
        QString cur;
        bool inSi = false;
        while (!x.atEnd()) {
            x.readNext();
            if (x.isStartElement() && x.name() == QLatin1String("si")) {
                inSi = true;
                cur.clear();
            } else if (x.isStartElement() && x.name() == QLatin1String("t") && inSi) {
                cur += x.readElementText();
            } else if (x.isEndElement() && x.name() == QLatin1String("si")) {
                s.strings << cur;
                inSi = false;
            }
        }
    }
    {
        QXmlStreamReader x(readPart(xlsx, "xl/styles.xml"));
        QMap<int, QString> numFmts{{0, QStringLiteral("General")}};
        QVector<QPair<QString, double>> fonts;
        QVector<QPair<int, int>> xfs;   // numFmtId, fontId
        bool inFonts = false, inXfs = false;
        while (!x.atEnd()) {
            x.readNext();
            if (x.isStartElement()) {
                const auto n = x.name();
                const auto a = x.attributes();
                if (n == QLatin1String("numFmt"))
                    numFmts[a.value("numFmtId").toInt()] = a.value("formatCode").toString();
                else if (n == QLatin1String("fonts"))
                    inFonts = true;
                else if (n == QLatin1String("font") && inFonts)
                    fonts.append({QString(), 0});
                else if (n == QLatin1String("sz") && inFonts)
                    fonts.last().second = a.value("val").toDouble();
                else if (n == QLatin1String("name") && inFonts)
                    fonts.last().first = a.value("val").toString();
                else if (n == QLatin1String("cellXfs"))
                    inXfs = true;
                else if (n == QLatin1String("xf") && inXfs)
                    xfs.append({a.value("numFmtId").toInt(), a.value("fontId").toInt()});
            } else if (x.isEndElement()) {
                if (x.name() == QLatin1String("fonts"))
                    inFonts = false;
                else if (x.name() == QLatin1String("cellXfs"))
                    inXfs = false;
            }
        }
        for (const auto &xf : xfs) {
            Style st;
            st.numFormat = numFmts.value(xf.first, QStringLiteral("builtin %1").arg(xf.first));
            st.fontName = fonts.value(xf.second).first;
            st.fontSize = fonts.value(xf.second).second;
            s.styles << st;
        }
    }
    {
        const QByteArray xml = readPart(xlsx, "xl/worksheets/sheet1.xml");
        QXmlStreamReader x(xml);
        QString ref;
        while (!x.atEnd()) {
            x.readNext();
            if (!x.isStartElement())
                continue;
            const auto a = x.attributes();
            if (x.name() == QLatin1String("c")) {
                ref = a.value("r").toString();
                Cell c;
                c.type = a.value("t").toString();
                c.style = a.value("s").toInt();
                s.cells.insert(ref, c);
            } else if (x.name() == QLatin1String("v")) {
                s.cells[ref].value = x.readElementText();
            } else if (x.name() == QLatin1String("col")) {
                const int lo = a.value("min").toInt(), hi = a.value("max").toInt();
                if (s.widths.size() < hi)
                    s.widths.resize(hi);
                for (int i = lo; i <= hi; ++i)
                    s.widths[i - 1] = a.value("width").toDouble();
            } else if (x.name() == QLatin1String("selection")) {
                s.selections << a.value("sqref").toString();
            }
        }
        if (x.hasError())
            qWarning() << "sheet XML:" << x.errorString();
    }
    return s;
}

} // namespace

class TestWorkbook : public QObject {
    Q_OBJECT
private slots:
    void columnName_data();
    void columnName();
    void serialDate_data();
    void serialDate();
    void threeColumnsTwoRows();
    void thirtyColumns();
    void emptyResult();
    void oddValues();
    void widthsFollowContents();
    void writeFailure();
    void newWorkbookPath();

private:
    QTemporaryDir m_dir;
};

void TestWorkbook::columnName_data()
{
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("name");
    QTest::newRow("first") << 0 << "A";
    QTest::newRow("26th") << 25 << "Z";
    QTest::newRow("27th") << 26 << "AA";
    QTest::newRow("28th") << 27 << "AB";
    QTest::newRow("30th") << 29 << "AD";
    QTest::newRow("52nd") << 51 << "AZ";
    QTest::newRow("53rd") << 52 << "BA";
    QTest::newRow("702nd") << 701 << "ZZ";
    QTest::newRow("703rd") << 702 << "AAA";
    QTest::newRow("last of a sheet") << 16383 << "XFD";
}

void TestWorkbook::columnName()
{
    QFETCH(int, column);
    QFETCH(QString, name);
    QCOMPARE(Workbook::columnName(column), name);
}

void TestWorkbook::serialDate_data()
{
    QTest::addColumn<QDate>("date");
    QTest::addColumn<double>("serial");
    QTest::newRow("first day") << QDate(1900, 1, 1) << 1.0;
    QTest::newRow("before the phantom leap day") << QDate(1900, 2, 28) << 59.0;
    QTest::newRow("after the phantom leap day") << QDate(1900, 3, 1) << 61.0;
    QTest::newRow("2005") << QDate(2005, 1, 1) << 38353.0;
    QTest::newRow("2024 leap day") << QDate(2024, 2, 29) << 45351.0;
    QTest::newRow("before the calendar") << QDate(1899, 12, 31) << -1.0;
    QTest::newRow("invalid") << QDate() << -1.0;
}

void TestWorkbook::serialDate()
{
    QFETCH(QDate, date);
    QFETCH(double, serial);
    QCOMPARE(Workbook::serialDate(date), serial);
}

void TestWorkbook::threeColumnsTwoRows()
{
    const QString path = m_dir.filePath("three.xlsx");
    QVector<Workbook::Row> rows{
        {QStringLiteral("UA3AAA"), 14.074, QDate(2005, 1, 2)},
        {QStringLiteral("Пётр"), QVariant(qlonglong(5)), QTime(13, 45)},
    };
    Workbook::write(path, rows, 3);
    const Sheet s = readSheet(path);

    QCOMPARE(s.cells.keys(), QStringList({"A1", "A2", "B1", "B2", "C1", "C2"}));

    QCOMPARE(s.cells["A1"].type, QString("s"));
    QCOMPARE(s.text("A1"), QString("UA3AAA"));
    QCOMPARE(s.cells["A2"].type, QString("s"));
    QCOMPARE(s.text("A2"), QStringLiteral("Пётр"));

    QCOMPARE(s.cells["B1"].type, QString());
    QCOMPARE(s.text("B1").toDouble(), 14.074);
    QCOMPARE(s.style("B1").numFormat, QString("General"));
    QCOMPARE(s.cells["B2"].type, QString());
    QCOMPARE(s.text("B2"), QString("5"));

    QCOMPARE(s.cells["C1"].type, QString());
    QCOMPARE(s.text("C1").toDouble(), 38354.0);
    QCOMPARE(s.style("C1").numFormat, QString("dd.mm.yyyy"));
    QCOMPARE(s.cells["C2"].type, QString());
    QVERIFY(qAbs(s.text("C2").toDouble() - (13 * 60 + 45) / 1440.0) < 1e-9);
    QCOMPARE(s.style("C2").numFormat, QString("hh:mm"));

    for (const QString &ref : s.cells.keys()) {
        QCOMPARE(s.style(ref).fontName, QString("Arial cur"));
        QCOMPARE(s.style(ref).fontSize, 10.0);
    }
    QCOMPARE(s.widths.size(), 3);
    for (double w : s.widths)
        QVERIFY(w > 0);
    QVERIFY(s.selections.isEmpty() || s.selections == QStringList{"A1"});
}

void TestWorkbook::thirtyColumns()
{
    const QString path = m_dir.filePath("thirty.xlsx");
    Workbook::Row row;
    for (int i = 0; i < 30; ++i)
        row << QVariant(i);
    Workbook::write(path, {row}, 30);
    const Sheet s = readSheet(path);
    QCOMPARE(s.cells.size(), 30);
    QCOMPARE(s.text("Z1"), QString("25"));
    QCOMPARE(s.text("AA1"), QString("26"));
    QCOMPARE(s.text("AD1"), QString("29"));
    QVERIFY(!s.cells.contains("AE1"));
    QCOMPARE(s.widths.size(), 30);
}

void TestWorkbook::emptyResult()
{
    const QString path = m_dir.filePath("empty.xlsx");
    Workbook::write(path, {}, 3);
    const Sheet s = readSheet(path);
    QVERIFY(!readPart(path, "xl/worksheets/sheet1.xml").isEmpty());
    QVERIFY(s.cells.isEmpty());
    // The font still covers the result's columns.
    QCOMPARE(s.widths.size(), 3);
}

void TestWorkbook::oddValues()
{
    const QString path = m_dir.filePath("odd.xlsx");
    QVector<Workbook::Row> rows{
        {QVariant(), QString(), QDateTime(QDate(2005, 1, 2), QTime(6, 0)), QDate(1899, 12, 31)},
        {QStringLiteral("a\"<&>'b"), qQNaN(), QVariant(true), QStringLiteral("x").repeated(40000)},
    };
    Workbook::write(path, rows, 4);
    const Sheet s = readSheet(path);
    QVERIFY(!s.cells.contains("A1"));    // null: no cell
    QVERIFY(!s.cells.contains("B1"));    // empty text: no cell
    QCOMPARE(s.text("C1").toDouble(), 38354.25);
    QCOMPARE(s.style("C1").numFormat, QString("dd.mm.yyyy hh:mm"));
    QCOMPARE(s.text("D1"), QString("31.12.1899"));    // too early for a sheet date
    QCOMPARE(s.cells["D1"].type, QString("s"));
    QCOMPARE(s.text("A2"), QString("a\"<&>'b"));
    QCOMPARE(s.cells["B2"].type, QString("s"));   // not a number a sheet can hold
    QCOMPARE(s.cells["C2"].type, QString("b"));
    QCOMPARE(s.text("C2"), QString("1"));
    QCOMPARE(s.text("D2").size(), 32767);          // a cell's limit
}

void TestWorkbook::widthsFollowContents()
{
    const QString path = m_dir.filePath("widths.xlsx");
    QVector<Workbook::Row> rows{
        {QStringLiteral("ab"), QStringLiteral("a much longer comment text"), QVariant(), QStringLiteral("x")},
        {QStringLiteral("abc"), QStringLiteral("short"), QVariant(), QStringLiteral("y").repeated(1000)},
    };
    Workbook::write(path, rows, 4);
    const Sheet s = readSheet(path);
    QCOMPARE(s.widths.size(), 4);
    QVERIFY(s.widths[1] > s.widths[0]);
    QVERIFY(s.widths[1] >= 26);
    QVERIFY(s.widths[2] > 0);          // an empty column keeps a usual width
    // The widest a column can be (stored with the cell margin added).
    QVERIFY(s.widths[3] >= 255 && s.widths[3] < 256);
    QCOMPARE(Workbook::fittedWidth({QVariant(), QString()}), 0.0);
    QVERIFY(Workbook::fittedWidth({QDate(2005, 1, 2)}) >= 10);
}

void TestWorkbook::writeFailure()
{
    try {
        Workbook::write(m_dir.filePath("no/such/folder/x.xlsx"), {{QStringLiteral("a")}}, 1);
        QFAIL("no error for a missing folder");
    } catch (const DbError &e) {
        QVERIFY2(e.message().contains("x.xlsx"), qPrintable(e.message()));
    }
    // A file in the way is replaced.
    const QString path = m_dir.filePath("replace.xlsx");
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("not a workbook");
    f.close();
    Workbook::write(path, {{QStringLiteral("new")}}, 1);
    QCOMPARE(readSheet(path).text("A1"), QString("new"));
}

void TestWorkbook::newWorkbookPath()
{
    const QString a = Workbook::newWorkbookPath();
    const QString b = Workbook::newWorkbookPath();
    QVERIFY(a != b);
    QVERIFY(a.endsWith(".xlsx"));
    QVERIFY(QFileInfo(a).dir().exists());
    QVERIFY(!QFileInfo::exists(a));
    QVERIFY(a.startsWith(QDir::tempPath()));
    QDir(QFileInfo(a).path()).removeRecursively();
    QDir(QFileInfo(b).path()).removeRecursively();
}

QTEST_APPLESS_MAIN(TestWorkbook)
#include "test_workbook.moc"
