#include "country/ctysupport.h"
#include "logdb/dberror.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QString kRealFile = QStringLiteral("/usr/share/hamradio-files/cty.dat");

QString fixture(const char *name)
{
    return QStringLiteral(TARNIX_TEST_DATA "/country/") + QLatin1String(name);
}

// The PrefixTable records with this key, in table order.
std::vector<TCountryRecord> withKey(const QByteArray &key)
{
    std::vector<TCountryRecord> out;
    for (const TCountryRecord &r : PrefixTable()) {
        if (r.Prefix.bytes() == key)
            out.push_back(r);
    }
    return out;
}

QByteArray entityLine(const char *name, const char *primary)
{
    // Columns as the country file lays them out: name 1-26, zones 27-36,
    // continent 37-41, latitude 42-50, longitude 51-60, offset 61-69,
    // primary prefix from 70.
    QByteArray line = QByteArray(name) + ':';
    line = line.leftJustified(26, ' ');
    line += "14:  28:  EU:    51.00:    -10.00:    -1.0:  ";
    return line + primary + ':';
}

// Contents that yield no country, each as a file would hold them.
QByteArray noCountryContents(const QString &kind)
{
    if (kind == QLatin1String("empty"))
        return QByteArray();
    if (kind == QLatin1String("blank lines"))
        return "\n   \r\n\t\n";
    if (kind == QLatin1String("random bytes")) {
        QRandomGenerator random(20240305);
        QByteArray bytes(64 * 1024, '\0');
        for (char &b : bytes)
            b = char(random.bounded(256));
        return bytes;
    }
    if (kind == QLatin1String("zeros"))
        return QByteArray(4096, '\0');
    if (kind == QLatin1String("other text"))
        return "Dear operator,\nthis file lists nothing; it is a letter, not a list.\nBest 73, see you;\n";
    if (kind == QLatin1String("ADIF"))
        return "Log\n<ADIF_VER:5>3.1.0 <EOH>\n<CALL:6>UA3ABC <QSO_DATE:8>20240305 <MODE:2>CW <EOR>\n";
    // An entity line cut off in the middle and prefixes without their entity.
    return "Alpha La\n    AB,AC;\n";
}

const QStringList kNoCountryKinds = {QStringLiteral("empty"),        QStringLiteral("blank lines"),
                                     QStringLiteral("random bytes"), QStringLiteral("zeros"),
                                     QStringLiteral("other text"),   QStringLiteral("ADIF"),
                                     QStringLiteral("truncated")};

QString writeFile(const QTemporaryDir &dir, const QByteArray &contents)
{
    const QString path = dir.filePath(QStringLiteral("cty.dat"));
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(contents) != contents.size())
        return QString();
    return path;
}

QString noCountryMessage(const QString &kind, const QString &path)
{
    const QString shown = QDir::toNativeSeparators(path);
    if (kind == QLatin1String("empty") || kind == QLatin1String("blank lines"))
        return QStringLiteral("The country file '%1' is empty").arg(shown);
    return QStringLiteral("'%1' is not a country file: no country could be read from it").arg(shown);
}

} // namespace

class TestCountry : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { ClearCountryTable(); }

    void fixtureRecords_data();
    void fixtureRecords();
    void fixtureCountsAndKeys();
    void entityTableDropsOneStar();
    void blankFileGivesEmptyTables();
    void lineEndings_data();
    void lineEndings();
    void irregularBlocks();
    void unsignedByteOrder();
    void missingFile();
    void unreadableFile();
    void reloadReplacesTables();
    void fileWithoutCountry_data();
    void fileWithoutCountry();
    void damagedFileWithCountriesIsTaken();
    void replaceTakesACountryFile();
    void replaceKeepsTablesOnFailure_data();
    void replaceKeepsTablesOnFailure();
    void fileBesideExecutable();

    void longestPrefix_data();
    void longestPrefix();
    void emptyTablesFindNothing();
    void findCountryByPrefix_data();
    void findCountryByPrefix();

    void storedTextsFindEntity();
    void realFileCalls_data();
    void realFileCalls();
    void realFileTables();
    void realFileStarredEntities();
};

void TestCountry::fixtureRecords_data()
{
    QTest::addColumn<QByteArray>("key");
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<QByteArray>("cq");
    QTest::addColumn<QByteArray>("itu");
    QTest::addColumn<QByteArray>("primary");

    // One line: AB, AC(4)[7], AD; the override stays with its own item.
    QTest::newRow("AB") << QByteArray("AB") << QByteArray("Alpha Land") << QByteArray("14") << QByteArray("28") << QByteArray("AB");
    QTest::newRow("AC overrides") << QByteArray("AC") << QByteArray("Alpha Land") << QByteArray("4") << QByteArray("7") << QByteArray("AB");
    QTest::newRow("AD after override") << QByteArray("AD") << QByteArray("Alpha Land") << QByteArray("14") << QByteArray("28") << QByteArray("AB");
    // Items over three lines, the block ends with the ";" line.
    QTest::newRow("K") << QByteArray("K") << QByteArray("Multi Line") << QByteArray("05") << QByteArray("08") << QByteArray("K");
    QTest::newRow("W cq only") << QByteArray("W") << QByteArray("Multi Line") << QByteArray("4") << QByteArray("08") << QByteArray("K");
    QTest::newRow("N itu only") << QByteArray("N") << QByteArray("Multi Line") << QByteArray("05") << QByteArray("7") << QByteArray("K");
    QTest::newRow("AA") << QByteArray("AA") << QByteArray("Multi Line") << QByteArray("05") << QByteArray("08") << QByteArray("K");
    QTest::newRow("full call keeps =") << QByteArray("=K1XYZ") << QByteArray("Multi Line") << QByteArray("3") << QByteArray("6") << QByteArray("K");
    QTest::newRow("star kept") << QByteArray("TA1") << QByteArray("Starred Island") << QByteArray("20") << QByteArray("39") << QByteArray("*TA1");
    QTest::newRow("full call with /") << QByteArray("=TA1/ST") << QByteArray("Starred Island") << QByteArray("20") << QByteArray("39") << QByteArray("*TA1");
    QTest::newRow("first item override") << QByteArray("FO") << QByteArray("First Override") << QByteArray("12") << QByteArray("34") << QByteArray("FO");
    QTest::newRow("after first override") << QByteArray("FP") << QByteArray("First Override") << QByteArray("15") << QByteArray("28") << QByteArray("FO");
    QTest::newRow("item cut to 20") << QByteArray("ABCDEFGHIJKLMNOPQRST") << QByteArray("Long Items") << QByteArray("39") << QByteArray("53") << QByteArray("LI");
    QTest::newRow("overrides cut to 5") << QByteArray("LI") << QByteArray("Long Items") << QByteArray("12345") << QByteArray("ABCDE") << QByteArray("LI");
    QTest::newRow("six character primary") << QByteArray("VP8H") << QByteArray("Six Letter Prefix") << QByteArray("13") << QByteArray("73") << QByteArray("VP8/hx");
    QTest::newRow("short entity line") << QByteArray("SH") << QByteArray("Short") << QByteArray("01") << QByteArray("02") << QByteArray("");
}

void TestCountry::fixtureRecords()
{
    QFETCH(QByteArray, key);
    QFETCH(QByteArray, name);
    QFETCH(QByteArray, cq);
    QFETCH(QByteArray, itu);
    QFETCH(QByteArray, primary);

    LoadCountryTable(fixture("basic.dat"));
    const auto found = withKey(key);
    QCOMPARE(found.size(), size_t(1));
    const TCountryRecord &r = found.front();
    QCOMPARE(r.Name.bytes(), name);
    QCOMPARE(r.CQZone.bytes(), cq);
    QCOMPARE(r.ITUZone.bytes(), itu);
    QCOMPARE(r.PrimaryPrefix.bytes(), primary);
}

void TestCountry::fixtureCountsAndKeys()
{
    LoadCountryTable(fixture("basic.dat"));
    QCOMPARE(CountryCount(), 16);
    QCOMPARE(int(PrefixTable().size()), 16);
    QCOMPARE(int(EntityTable().size()), 16);

    QList<QByteArray> keys;
    for (const TCountryRecord &r : PrefixTable())
        keys << r.Prefix.bytes();
    const QList<QByteArray> expected = {"=K1XYZ", "=TA1/ST", "AA", "AB", "ABCDEFGHIJKLMNOPQRST", "AC", "AD",
                                        "FO", "FP", "K", "LI", "N", "SH", "TA1", "VP8H", "W"};
    QCOMPARE(keys, expected);

    // Entity line fields of a full line, colons and blanks removed.
    const TCountryRecord ab = withKey("AB").front();
    QCOMPARE(ab.Continent.bytes(), QByteArray("EU"));
    QCOMPARE(ab.Latitude.bytes(), QByteArray("51.00"));
    QCOMPARE(ab.Longitude.bytes(), QByteArray("-10.00"));
    QCOMPARE(ab.UTCOffset.bytes(), QByteArray("-1.0"));
    // A line that stops after the continent leaves the rest empty.
    const TCountryRecord sh = withKey("SH").front();
    QCOMPARE(sh.Continent.bytes(), QByteArray("AF"));
    QVERIFY(sh.Latitude.bytes().isEmpty());
    QVERIFY(sh.Longitude.bytes().isEmpty());
    QVERIFY(sh.UTCOffset.bytes().isEmpty());
}

void TestCountry::entityTableDropsOneStar()
{
    LoadCountryTable(fixture("basic.dat"));
    QList<QByteArray> primaries;
    for (const TCountryRecord &r : EntityTable())
        primaries << r.PrimaryPrefix.bytes();
    const QList<QByteArray> expected = {"", "AB", "AB", "AB", "FO", "FO", "K", "K", "K", "K", "K",
                                        "LI", "LI", "TA1", "TA1", "VP8/hx"};
    QCOMPARE(primaries, expected);

    // Only the first "*" goes.
    LoadCountryTableFromData(entityLine("Two Stars", "**X") + "\n    XX;\n");
    QCOMPARE(PrefixTable().front().PrimaryPrefix.bytes(), QByteArray("**X"));
    QCOMPARE(EntityTable().front().PrimaryPrefix.bytes(), QByteArray("*X"));
}

void TestCountry::blankFileGivesEmptyTables()
{
    LoadCountryTableFromData("\n   \n\t\r\n\n");
    QCOMPARE(CountryCount(), 0);
    QVERIFY(PrefixTable().empty());
    QVERIFY(EntityTable().empty());
    LoadCountryTableFromData(QByteArray());
    QCOMPARE(CountryCount(), 0);
}

void TestCountry::lineEndings_data()
{
    QTest::addColumn<QByteArray>("eol");
    QTest::newRow("LF") << QByteArray("\n");
    QTest::newRow("CR LF") << QByteArray("\r\n");
    QTest::newRow("CR") << QByteArray("\r");
}

void TestCountry::lineEndings()
{
    QFETCH(QByteArray, eol);
    const QByteArray text = entityLine("First", "F1") + eol + "    F1," + eol + "    F2;" + eol + eol
                            + entityLine("Second", "S1") + eol + "    S1;" + eol;
    LoadCountryTableFromData(text);
    QCOMPARE(CountryCount(), 3);
    QCOMPARE(FindCountryByCall("F2ABC").Name, QStringLiteral("First"));
    QCOMPARE(FindCountryByCall("S1ABC").Name, QStringLiteral("Second"));
    QCOMPARE(FindCountryByCall("S1ABC").PrimaryPrefix, QStringLiteral("S1"));
}

void TestCountry::irregularBlocks()
{
    // Blank lines inside a block, an empty item, a line whose last item has
    // no terminator, text after the closing ";", and a file ending inside a
    // block: every written key is kept, nothing else is made up.
    const QByteArray text = entityLine("Gaps", "G1") + "\n"
                            + "    G1,,G2,\n"
                            + "\n"
                            + "    G3\n"
                            + "    G4; trailing words\n"
                            + entityLine("Unfinished", "U1") + "\n"
                            + "    U1,U2,\n";
    LoadCountryTableFromData(text);
    QList<QByteArray> keys;
    for (const TCountryRecord &r : PrefixTable())
        keys << r.Prefix.bytes();
    QCOMPARE(keys, (QList<QByteArray>{"G1", "G2", "G3", "G4", "U1", "U2"}));
    QCOMPARE(FindCountryByCall("G4AAA").Name, QStringLiteral("Gaps"));
    QCOMPARE(FindCountryByCall("U2AAA").Name, QStringLiteral("Unfinished"));
}

void TestCountry::unsignedByteOrder()
{
    // A byte above 127 sorts after every ASCII character; a key sorts before
    // the longer keys it begins; case matters ("a" after "Z").
    const QByteArray text = entityLine("Order", "O") + "\n    Z,\xC4X,A,0,AB,a,\xC4;\n";
    LoadCountryTableFromData(text);
    QList<QByteArray> keys;
    for (const TCountryRecord &r : PrefixTable())
        keys << r.Prefix.bytes();
    QCOMPARE(keys, (QList<QByteArray>{"0", "A", "AB", "Z", "a", "\xC4", "\xC4X"}));

    QVERIFY(compareCountryKeys("Z", "\xC4") < 0);
    QVERIFY(compareCountryKeys("AB", "A") > 0);
    QVERIFY(compareCountryKeys("A", "A") == 0);
    QVERIFY(compareCountryKeys("", "A") < 0);

    // The high byte is found as the Latin-1 character it stands for.
    QCOMPARE(FindCountryByCall(QString::fromLatin1("\xC4X1")).Name, QStringLiteral("Order"));
    // A character beyond Latin-1 matches no key; the beginning before it can.
    QCOMPARE(FindCountryByCall(QString::fromUtf8("AB\xD0\x96")).Name, QStringLiteral("Order"));
    QVERIFY(!FindCountryByCall(QString::fromUtf8("\xD0\x96")).found());
}

void TestCountry::missingFile()
{
    LoadCountryTable(fixture("basic.dat"));
    QVERIFY(CountryCount() > 0);
    try {
        LoadCountryTable(fixture("no-such-file.dat"));
        QFAIL("no error for a missing file");
    } catch (const DbError &e) {
        QCOMPARE(e.message(), QStringLiteral("File not found"));
    }
    QCOMPARE(CountryCount(), 0);
    QVERIFY(!FindCountryByCall("AB1ABC").found());
    QVERIFY(!FindCountryByPrefix("AB").found());
}

void TestCountry::unreadableFile()
{
    // A folder in the file's place cannot be read as a file.
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("cty.dat")));
    QVERIFY_THROWS_EXCEPTION(DbError, LoadCountryTable(dir.filePath(QStringLiteral("cty.dat"))));
    QCOMPARE(CountryCount(), 0);
}

void TestCountry::reloadReplacesTables()
{
    LoadCountryTable(fixture("basic.dat"));
    LoadCountryTableFromData(entityLine("Only", "ON") + "\n    ON;\n");
    QCOMPARE(CountryCount(), 1);
    QVERIFY(!FindCountryByCall("AB1ABC").found());
    QCOMPARE(FindCountryByCall("ON4ABC").Name, QStringLiteral("Only"));
}

void TestCountry::fileWithoutCountry_data()
{
    QTest::addColumn<QString>("kind");
    for (const QString &kind : kNoCountryKinds)
        QTest::newRow(qPrintable(kind)) << kind;
}

void TestCountry::fileWithoutCountry()
{
    QFETCH(QString, kind);
    QTemporaryDir dir;
    const QString path = writeFile(dir, noCountryContents(kind));
    QVERIFY(!path.isEmpty());
    LoadCountryTable(fixture("basic.dat"));
    QVERIFY(CountryCount() > 0);
    try {
        LoadCountryTable(path);
        QFAIL("a file without a country was taken");
    } catch (const DbError &e) {
        QCOMPARE(e.message(), noCountryMessage(kind, path));
    }
    // As for a missing file: empty tables, every lookup finds nothing.
    QCOMPARE(CountryCount(), 0);
    QVERIFY(EntityTable().empty());
    QVERIFY(!FindCountryByCall("AB1ABC").found());
}

void TestCountry::damagedFileWithCountriesIsTaken()
{
    // Garbage blocks around real entities: the entities are read, the rest
    // as it comes.
    QTemporaryDir dir;
    QFile basic(fixture("basic.dat"));
    QVERIFY(basic.open(QIODevice::ReadOnly));
    const QString path = writeFile(dir, QByteArray("\x01\x02 junk\n    more, junk;\n") + basic.readAll()
                                            + QByteArray("\xff\xfe\x00tail", 7));
    LoadCountryTable(path);
    QCOMPARE(FindCountryByCall("AB1ABC").Name, QStringLiteral("Alpha Land"));
}

void TestCountry::replaceTakesACountryFile()
{
    LoadCountryTable(fixture("basic.dat"));
    QTemporaryDir dir;
    const QString path = writeFile(dir, entityLine("Newer Land", "NL") + "\n    NL,PA;\n");
    ReplaceCountryTable(path);
    QCOMPARE(CountryCount(), 2);
    QCOMPARE(FindCountryByCall("PA3ABC").Name, QStringLiteral("Newer Land"));
    QVERIFY(!FindCountryByCall("AB1ABC").found());
    QCOMPARE(FindCountryByPrefix("NL").Name, QStringLiteral("Newer Land"));
}

void TestCountry::replaceKeepsTablesOnFailure_data()
{
    QTest::addColumn<QString>("kind");
    for (const QString &kind : kNoCountryKinds)
        QTest::newRow(qPrintable(kind)) << kind;
    QTest::newRow("missing") << QStringLiteral("missing");
    QTest::newRow("folder") << QStringLiteral("folder");
}

void TestCountry::replaceKeepsTablesOnFailure()
{
    QFETCH(QString, kind);
    LoadCountryTable(fixture("basic.dat"));
    const int count = CountryCount();
    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("cty.dat"));
    QString expected;
    if (kind == QLatin1String("missing")) {
        expected = QStringLiteral("The country file '%1' was not found").arg(QDir::toNativeSeparators(path));
    } else if (kind == QLatin1String("folder")) {
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("cty.dat")));
        expected = QStringLiteral("The country file '%1' cannot be read: ").arg(QDir::toNativeSeparators(path));
    } else {
        path = writeFile(dir, noCountryContents(kind));
        expected = noCountryMessage(kind, path);
    }
    try {
        ReplaceCountryTable(path);
        QFAIL("the tables were replaced");
    } catch (const DbError &e) {
        QVERIFY2(e.message().startsWith(expected), qPrintable(e.message()));
    }
    QCOMPARE(CountryCount(), count);
    QCOMPARE(FindCountryByCall("AB1ABC").Name, QStringLiteral("Alpha Land"));
    QCOMPARE(FindCountryByPrefix("TA1").Name, QStringLiteral("Starred Island"));
}

void TestCountry::fileBesideExecutable()
{
    // The build puts the country file beside the executables.
    QCOMPARE(CountryFilePath(), QStringLiteral(TARNIX_BIN_DIR "/cty.dat"));
    LoadCountryTable(CountryFilePath());
    QVERIFY(CountryCount() > 20000);
}

void TestCountry::longestPrefix_data()
{
    QTest::addColumn<QString>("call");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("cq");
    QTest::addColumn<QString>("primary");

    QTest::newRow("longest beginning") << "ABCDEFGHIJKLMNOPQRSTUV" << "Long Items" << "39" << "LI";
    QTest::newRow("shorter beginning") << "AB1ABC" << "Alpha Land" << "14" << "AB";
    QTest::newRow("override comes with the record") << "AC1ABC" << "Alpha Land" << "4" << "AB";
    QTest::newRow("whole call is a key") << "AA" << "Multi Line" << "05" << "K";
    QTest::newRow("portable suffix plays no part") << "W1AW/P" << "Multi Line" << "4" << "K";
    QTest::newRow("beginning before the slash") << "FO/W1AW" << "First Override" << "12" << "FO";
    QTest::newRow("star kept in the result") << "TA1ABC" << "Starred Island" << "20" << "*TA1";
    QTest::newRow("six characters") << "VP8HXX" << "Six Letter Prefix" << "13" << "VP8/hx";
    QTest::newRow("full call needs its =") << "K1XYZ" << "Multi Line" << "05" << "K";
    QTest::newRow("full call as written") << "=K1XYZ" << "Multi Line" << "3" << "K";
    QTest::newRow("no beginning matches") << "QQ1ABC" << "" << "" << "";
    QTest::newRow("empty call") << "" << "" << "" << "";
    QTest::newRow("lower case matches nothing") << "ab1abc" << "" << "" << "";
    QTest::newRow("no trimming") << " AB1ABC" << "" << "" << "";
}

void TestCountry::longestPrefix()
{
    QFETCH(QString, call);
    QFETCH(QString, name);
    QFETCH(QString, cq);
    QFETCH(QString, primary);

    LoadCountryTable(fixture("basic.dat"));
    const CountryInfo info = FindCountryByCall(call);
    QCOMPARE(info.Name, name);
    QCOMPARE(info.CQZone, cq);
    QCOMPARE(info.PrimaryPrefix, primary);
    if (name.isEmpty()) {
        QVERIFY(!info.found());
        QVERIFY(info.ITUZone.isEmpty() && info.Continent.isEmpty() && info.Latitude.isEmpty()
                && info.Longitude.isEmpty() && info.UTCOffset.isEmpty());
    }
}

void TestCountry::emptyTablesFindNothing()
{
    ClearCountryTable();
    QVERIFY(!FindCountryByCall("AB1ABC").found());
    QVERIFY(!FindCountryByPrefix("AB").found());
}

void TestCountry::findCountryByPrefix_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("name");

    QTest::newRow("primary prefix") << "AB" << "Alpha Land";
    QTest::newRow("stored with the star") << "*TA1" << "Starred Island";
    QTest::newRow("without the star") << "TA1" << "Starred Island";
    QTest::newRow("six characters") << "VP8/hx" << "Six Letter Prefix";
    QTest::newRow("cut to the column's 5") << "VP8/h" << "Six Letter Prefix";
    QTest::newRow("longest beginning") << "KX" << "Multi Line";
    QTest::newRow("four characters are never a cut") << "VP8/" << "";
    QTest::newRow("unknown") << "QQ" << "";
    QTest::newRow("star alone") << "*" << "";
    QTest::newRow("empty") << "" << "";
    QTest::newRow("item keys are not entity keys") << "W" << "";
}

void TestCountry::findCountryByPrefix()
{
    QFETCH(QString, text);
    QFETCH(QString, name);
    LoadCountryTable(fixture("basic.dat"));
    const CountryInfo info = FindCountryByPrefix(text);
    QCOMPARE(info.Name, name);
    if (!name.isEmpty())
        QVERIFY(!info.Continent.isEmpty());
}

void TestCountry::storedTextsFindEntity()
{
    // What the rebuild stores for each entity (primary prefix as the file
    // writes it, cut to the dxcc column) leads back to that entity.
    LoadCountryTableFromData(entityLine("Star Six", "*ST/xy") + "\n    ST;\n"
                             + entityLine("Plain Six", "PL/xyz") + "\n    PL;\n"
                             + entityLine("Plain", "PL") + "\n    PM;\n");
    for (const char *call : {"ST1A", "PL1A", "PM1A"}) {
        const CountryInfo byCall = FindCountryByCall(QLatin1String(call));
        const QString stored = byCall.PrimaryPrefix.left(kStoredCountryWidth);
        QCOMPARE(FindCountryByPrefix(stored).Name, byCall.Name);
    }
    QCOMPARE(FindCountryByCall("ST1A").PrimaryPrefix, QStringLiteral("*ST/xy"));
    QCOMPARE(FindCountryByPrefix("*ST/x").Name, QStringLiteral("Star Six"));
    QCOMPARE(FindCountryByPrefix("PL/xy").Name, QStringLiteral("Plain Six"));
}

void TestCountry::realFileCalls_data()
{
    QTest::addColumn<QString>("call");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("primary");
    QTest::addColumn<QString>("continent");

    QTest::newRow("UA3ABC") << "UA3ABC" << "European Russia" << "UA" << "EU";
    QTest::newRow("UA9ABC") << "UA9ABC" << "Asiatic Russia" << "UA9" << "AS";
    QTest::newRow("DL1ABC") << "DL1ABC" << "Fed. Rep. of Germany" << "DL" << "EU";
    QTest::newRow("K1ABC") << "K1ABC" << "United States of America" << "K" << "NA";
    QTest::newRow("JA1ABC") << "JA1ABC" << "Japan" << "JA" << "AS";
    QTest::newRow("VK2ABC") << "VK2ABC" << "Australia" << "VK" << "OC";
    QTest::newRow("DL/UA3ABC") << "DL/UA3ABC" << "Fed. Rep. of Germany" << "DL" << "EU";
    QTest::newRow("UA3ABC/P") << "UA3ABC/P" << "European Russia" << "UA" << "EU";
    QTest::newRow("full-call key as written") << "=9M4SDX" << "Spratly Islands" << "1S" << "AS";
    QTest::newRow("QQ1ABC") << "QQ1ABC" << "" << "" << "";
    QTest::newRow("lower case") << "ua3abc" << "" << "" << "";
}

void TestCountry::realFileCalls()
{
    QFETCH(QString, call);
    QFETCH(QString, name);
    QFETCH(QString, primary);
    QFETCH(QString, continent);

    LoadCountryTable(kRealFile);
    const CountryInfo info = FindCountryByCall(call);
    QCOMPARE(info.Name, name);
    QCOMPARE(info.PrimaryPrefix, primary);
    QCOMPARE(info.Continent, continent);
}

void TestCountry::realFileTables()
{
    LoadCountryTable(kRealFile);
    // Far more items than the 3400 an old fixed table had room for.
    QVERIFY2(CountryCount() > 20000, qPrintable(QString::number(CountryCount())));
    QCOMPARE(int(EntityTable().size()), CountryCount());

    const auto &prefixes = PrefixTable();
    for (size_t i = 1; i < prefixes.size(); ++i)
        QVERIFY(compareCountryKeys(prefixes[i - 1].Prefix.view(), prefixes[i].Prefix.view()) <= 0);
    const auto &entities = EntityTable();
    for (size_t i = 1; i < entities.size(); ++i)
        QVERIFY(compareCountryKeys(entities[i - 1].PrimaryPrefix.view(), entities[i].PrimaryPrefix.view()) <= 0);
    for (const TCountryRecord &r : entities)
        QVERIFY(!r.PrimaryPrefix.bytes().startsWith('*'));

    // Every entity name is as written, without its colon, and the zones are
    // plain numbers.
    for (const TCountryRecord &r : prefixes) {
        QVERIFY(!r.Name.bytes().isEmpty() && !r.Name.bytes().endsWith(':'));
        QVERIFY(!r.CQZone.bytes().isEmpty() && !r.CQZone.bytes().contains(':'));
        QVERIFY(!r.Prefix.bytes().contains(',') && !r.Prefix.bytes().contains(';') && !r.Prefix.bytes().contains('('));
    }
}

void TestCountry::realFileStarredEntities()
{
    LoadCountryTable(kRealFile);
    QCOMPARE(FindCountryByPrefix("*4U1V").Name, QStringLiteral("Vienna Intl Ctr"));
    QCOMPARE(FindCountryByPrefix("UA9").Name, QStringLiteral("Asiatic Russia"));
    QCOMPARE(FindCountryByPrefix("UA").Name, QStringLiteral("European Russia"));
    QCOMPARE(FindCountryByPrefix("VP8/h").Name, QStringLiteral("South Shetland Islands"));
    // Every stored country text names its entity again.
    for (const TCountryRecord &r : PrefixTable()) {
        const QString stored = QString::fromLatin1(r.PrimaryPrefix.bytes().left(kStoredCountryWidth));
        const CountryInfo info = FindCountryByPrefix(stored);
        if (info.Name != QString::fromLatin1(r.Name.bytes()))
            QFAIL(qPrintable(stored + QLatin1String(" -> ") + info.Name));
    }
}

QTEST_GUILESS_MAIN(TestCountry)
#include "test_country.moc"
