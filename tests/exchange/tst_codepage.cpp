#include "exchange/codepage.h"
#include "exchange/handover.h"
#include "exchange/inifile.h"

#include <QTemporaryDir>
#include <QtTest>

class TestCodepage : public QObject {
    Q_OBJECT
private slots:
    void cp1251RoundTripsEveryByte();
    void cp1251Encode_data();
    void cp1251Encode();
    void cp1251Fits_data();
    void cp1251Fits();
    void utf8Validity_data();
    void utf8Validity();
    void decodeText_data();
    void decodeText();

    void iniLookup_data();
    void iniLookup();
    void iniBufferCut();
    void iniMissingFile();
    void iniEncodings();
    void handoverReadsFourKeys();
    void handoverLocation();
};

void TestCodepage::cp1251RoundTripsEveryByte()
{
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all.append(char(b));
    const QString text = Codepage::fromCp1251(all);
    QCOMPARE(text.size(), 256);
    QCOMPARE(Codepage::toCp1251(text), all);
    // Spot checks against the published table.
    QCOMPARE(text.at(0xC0), QChar(0x0410));   // А
    QCOMPARE(text.at(0xFF), QChar(0x044F));   // я
    QCOMPARE(text.at(0xA8), QChar(0x0401));   // Ё
    QCOMPARE(text.at(0xB8), QChar(0x0451));   // ё
    QCOMPARE(text.at(0x88), QChar(0x20AC));   // €
    QCOMPARE(text.at(0xB9), QChar(0x2116));   // №
}

void TestCodepage::cp1251Encode_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("ascii") << QStringLiteral("UA3ABC 599") << QByteArray("UA3ABC 599");
    QTest::newRow("cyrillic") << QStringLiteral("Иван") << QByteArray("\xC8\xE2\xE0\xED");
    QTest::newRow("ukrainian") << QStringLiteral("Їжак ґ") << QByteArray("\xAF\xE6\xE0\xEA \xB4");
    QTest::newRow("german becomes ?") << QStringLiteral("Jürgen Weiß") << QByteArray("J?rgen Wei?");
    QTest::newRow("astral is one ?") << QStringLiteral("a\U0001F600b") << QByteArray("a?b");
    QTest::newRow("empty") << QString() << QByteArray();
}

void TestCodepage::cp1251Encode()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    QCOMPARE(Codepage::toCp1251(text), bytes);
}

void TestCodepage::cp1251Fits_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("fits");
    QTest::newRow("ascii") << QStringLiteral("UA3ABC 599") << true;
    QTest::newRow("question mark") << QStringLiteral("?") << true;
    QTest::newRow("cyrillic") << QStringLiteral("Иван Ёлкин") << true;
    QTest::newRow("ukrainian") << QStringLiteral("Їжак ґ") << true;
    QTest::newRow("euro, numero, nbsp") << QStringLiteral("€ № \u00A0") << true;
    QTest::newRow("empty") << QString() << true;
    QTest::newRow("u umlaut") << QStringLiteral("Jürgen") << false;
    QTest::newRow("e acute") << QStringLiteral("René") << false;
    QTest::newRow("o slash") << QStringLiteral("Bjørn") << false;
    QTest::newRow("l stroke") << QStringLiteral("Łódź") << false;
    QTest::newRow("astral") << QStringLiteral("a\U0001F600b") << false;
    QTest::newRow("lone surrogate") << QString(QChar(0xD800)) << false;
}

void TestCodepage::cp1251Fits()
{
    QFETCH(QString, text);
    QFETCH(bool, fits);
    QCOMPARE(Codepage::fitsCp1251(text), fits);
    if (fits)
        QCOMPARE(Codepage::fromCp1251(Codepage::toCp1251(text)), text);
}

void TestCodepage::utf8Validity_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("valid");
    QTest::newRow("ascii") << QByteArray("abc") << true;
    QTest::newRow("cyrillic") << QStringLiteral("Иван").toUtf8() << true;
    QTest::newRow("astral") << QStringLiteral("\U0001F600").toUtf8() << true;
    QTest::newRow("cp1251 cyrillic") << QByteArray("\xC8\xE2\xE0\xED") << false;
    QTest::newRow("cut at end") << QByteArray("ab\xD0") << false;
    QTest::newRow("overlong") << QByteArray("\xC0\xAF") << false;
    QTest::newRow("surrogate") << QByteArray("\xED\xA0\x80") << false;
    QTest::newRow("above 10FFFF") << QByteArray("\xF4\x90\x80\x80") << false;
    QTest::newRow("stray continuation") << QByteArray("a\x80") << false;
}

void TestCodepage::utf8Validity()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, valid);
    QCOMPARE(Codepage::isValidUtf8(bytes), valid);
}

void TestCodepage::decodeText_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    QTest::newRow("utf8") << QStringLiteral("Привет, Jürgen").toUtf8() << QStringLiteral("Привет, Jürgen");
    QTest::newRow("utf8 bom") << QByteArray("\xEF\xBB\xBFselect 1") << QStringLiteral("select 1");
    QTest::newRow("cp1251") << QByteArray("\xCF\xF0\xE8\xE2\xE5\xF2") << QStringLiteral("Привет");
    QTest::newRow("utf16le bom") << QByteArray("\xFF\xFE" "a\0\x16\x04", 6) << QStringLiteral("aЖ");
    QTest::newRow("empty") << QByteArray() << QString();
}

void TestCodepage::decodeText()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QCOMPARE(Codepage::decodeText(bytes), text);
}

void TestCodepage::iniLookup_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");

    const QString basic = QStringLiteral("[QSO]\r\nCall=UA3ABC\r\nName=om\r\nRprtSent=57\r\nMode=SSB\r\n");
    QTest::newRow("plain") << basic << "QSO" << "Call" << "UA3ABC";
    QTest::newRow("key case") << basic << "QSO" << "rprtsent" << "57";
    QTest::newRow("section case") << basic << "qso" << "MODE" << "SSB";
    QTest::newRow("missing key") << basic << "QSO" << "QTH" << "";
    QTest::newRow("missing section") << basic << "Other" << "Call" << "";
    QTest::newRow("blanks trimmed")
        << "  [ QSO ]  \n  Call  =   DL1XYZ   \n" << "QSO" << "Call" << "DL1XYZ";
    QTest::newRow("quotes dropped") << "[QSO]\nName=\" Ivan \"\n" << "QSO" << "Name" << " Ivan ";
    QTest::newRow("unmatched quote kept") << "[QSO]\nName=\"Ivan\n" << "QSO" << "Name" << "\"Ivan";
    QTest::newRow("first key wins") << "[QSO]\nCall=A1A\ncall=B2B\n" << "QSO" << "Call" << "A1A";
    QTest::newRow("first section wins") << "[QSO]\nCall=A1A\n[qso]\nCall=B2B\n" << "QSO" << "Call" << "A1A";
    QTest::newRow("other section's key") << "[X]\nCall=A1A\n[QSO]\nMode=CW\n" << "QSO" << "Call" << "";
    QTest::newRow("key before any section") << "Call=A1A\n[QSO]\n" << "QSO" << "Call" << "";
    QTest::newRow("equals in value") << "[QSO]\nComment=a=b\n" << "QSO" << "Comment" << "a=b";
    QTest::newRow("comment line") << "[QSO]\n;Call=A1A\nCall=B2B\n" << "QSO" << "Call" << "B2B";
    QTest::newRow("cr line ends") << "[QSO]\rCall=A1A\rMode=FM\r" << "QSO" << "Mode" << "FM";
    QTest::newRow("empty value") << "[QSO]\nName=\n" << "QSO" << "Name" << "";
}

void TestCodepage::iniLookup()
{
    QFETCH(QString, text);
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, value);
    QCOMPARE(IniFile::fromText(text).readString(section, key), value);
}

void TestCodepage::iniBufferCut()
{
    const IniFile ini = IniFile::fromText(QStringLiteral("[QSO]\nComment=") + QString(3000, u'x'));
    QCOMPARE(ini.readString(QStringLiteral("QSO"), QStringLiteral("Comment")).size(), 2047);
    QCOMPARE(ini.readString(QStringLiteral("QSO"), QStringLiteral("Comment"), QString(), 10),
             QString(9, u'x'));
    QCOMPARE(ini.readString(QStringLiteral("QSO"), QStringLiteral("None"), QStringLiteral("dflt  ")),
             QStringLiteral("dflt"));
}

void TestCodepage::iniMissingFile()
{
    const IniFile ini = IniFile::load(QStringLiteral("/nonexistent/loginput.ini"));
    QVERIFY(!ini.hasSection(QStringLiteral("QSO")));
    QCOMPARE(ini.readString(QStringLiteral("QSO"), QStringLiteral("Call")), QString());
}

void TestCodepage::iniEncodings()
{
    const IniFile utf8 = IniFile::fromBytes(QStringLiteral("[QSO]\nName=Сергей\n").toUtf8());
    QCOMPARE(utf8.readString(QStringLiteral("QSO"), QStringLiteral("Name")), QStringLiteral("Сергей"));
    const IniFile cp = IniFile::fromBytes(QByteArray("[QSO]\nName=\xD1\xE5\xF0\xE3\xE5\xE9\n"));
    QCOMPARE(cp.readString(QStringLiteral("QSO"), QStringLiteral("Name")), QStringLiteral("Сергей"));
}

void TestCodepage::handoverReadsFourKeys()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("loginput.ini"));
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("[qso]\r\ncall=RA3XYZ\r\nNAME=om\r\nRprtSent=57\r\nMode=SSB\r\nQTH=Moscow\r\n");
    f.close();
    const Handover::Qso q = Handover::read(path);
    QCOMPARE(q.call, QStringLiteral("RA3XYZ"));
    QCOMPARE(q.name, QStringLiteral("om"));
    QCOMPARE(q.rprtSent, QStringLiteral("57"));
    QCOMPARE(q.mode, QStringLiteral("SSB"));

    const Handover::Qso none = Handover::read(dir.filePath(QStringLiteral("missing.ini")));
    QVERIFY(none.call.isEmpty() && none.name.isEmpty() && none.mode.isEmpty());
}

void TestCodepage::handoverLocation()
{
    const QByteArray saved = qgetenv("WINEPREFIX");
    qputenv("WINEPREFIX", "/tmp/prefix/");
    QCOMPARE(Handover::filePath(), QStringLiteral("/tmp/prefix/drive_c/windows/loginput.ini"));
    qunsetenv("WINEPREFIX");
    QCOMPARE(Handover::windowsDirectory(), QDir::homePath() + QStringLiteral("/.wine/drive_c/windows"));
    if (!saved.isNull())
        qputenv("WINEPREFIX", saved);
}

QTEST_GUILESS_MAIN(TestCodepage)
#include "tst_codepage.moc"
