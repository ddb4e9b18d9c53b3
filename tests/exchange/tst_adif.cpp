#include "exchange/adif.h"
#include "exchange/codepage.h"
#include "logdb/dberror.h"

#include <QtTest>

#include <cstring>
#include <memory>

namespace {

// Records as "TAG=value;TAG=value|TAG=value", the tags in writing order.
QString describe(const QVector<Adif::Record> &records)
{
    QStringList out;
    for (const Adif::Record &r : records) {
        QStringList fields;
        for (int t = 0; t < Adif::TagCount; ++t) {
            if (!r.values[t].isEmpty())
                fields << QString::fromLatin1(Adif::tagName(Adif::Tag(t))) + u'=' + r.values[t];
        }
        out << fields.join(u';');
    }
    return out.join(u'|');
}

// A text handed out a few bytes at a time, as a file may be read.
class PieceSource : public Adif::Source {
public:
    PieceSource(const QByteArray &bytes, qsizetype piece) : m_bytes(bytes), m_piece(piece) { }
    qsizetype read(char *buffer, qsizetype capacity) override
    {
        const qsizetype n = qMin(qMin(capacity, m_piece), m_bytes.size() - m_at);
        std::memcpy(buffer, m_bytes.constData() + m_at, size_t(n));
        m_at += n;
        return n;
    }
    void rewind() override { m_at = 0; }
    qint64 size() const override { return m_bytes.size(); }

private:
    QByteArray m_bytes;
    qsizetype m_piece;
    qsizetype m_at = 0;
};

QVector<Adif::Record> readAll(Adif::Reader &reader)
{
    QVector<Adif::Record> out;
    Adif::Record r;
    while (reader.next(r))
        out << r;
    return out;
}

QVector<Adif::Record> readAll(const QByteArray &bytes)
{
    Adif::Reader reader(bytes);
    return readAll(reader);
}

// Pieces that split tags, lengths and UTF-8 characters anywhere.
const qsizetype kPieces[] = {1, 2, 3, 5, 7, 64, qsizetype(1) << 30};

// The records as read from the text given in pieces of every size above;
// they must be the same for every size.
QString readInPieces(const QByteArray &bytes, int *encoding = nullptr)
{
    QString first;
    for (qsizetype piece : kPieces) {
        PieceSource source(bytes, piece);
        Adif::Reader reader(source);
        const QString records = describe(readAll(reader));
        if (piece == kPieces[0]) {
            first = records;
            if (encoding)
                *encoding = int(reader.encoding());
        } else if (records != first) {
            return QStringLiteral("pieces of %1 give %2, pieces of 1 give %3").arg(piece).arg(records, first);
        }
        if (reader.position() != bytes.size())
            return QStringLiteral("stopped at %1 of %2").arg(reader.position()).arg(bytes.size());
    }
    return first;
}

Adif::Record fullRecord()
{
    Adif::Record r;
    r[Adif::Call] = QStringLiteral("UA3ABC");
    r[Adif::QsoDate] = Adif::dateValue(QDate(2024, 3, 7));
    r[Adif::TimeOn] = Adif::timeValue(QTime(9, 5));
    r[Adif::TimeOff] = Adif::timeValue(QTime(23, 59));
    r[Adif::Mode] = QStringLiteral("SSB");
    r[Adif::Name] = QStringLiteral("Иван");
    r[Adif::Qth] = QStringLiteral("Moscow");
    r[Adif::Comment] = QStringLiteral("tnx");
    r[Adif::Freq] = QStringLiteral("14.195");
    r[Adif::RstSent] = QStringLiteral("59");
    r[Adif::RstRcvd] = QStringLiteral("57");
    r[Adif::QslSent] = QStringLiteral("P");
    r[Adif::QslRcvd] = QStringLiteral("N");
    r[Adif::TxPwr] = QStringLiteral("100");
    r[Adif::GridSquare] = QStringLiteral("KO85UR");
    return r;
}

int utf8Encoding()
{
    return int(Adif::Reader::Encoding::Utf8);
}

} // namespace

class TestAdif : public QObject {
    Q_OBJECT
private slots:
    void writerFullRecord();
    void writerLeavesOutEmptyTags();
    void writerCountsBytesOfConvertedValue();
    void valueForms();
    void tagNames();

    void reader_data();
    void reader();
    void readerEncoding_data();
    void readerEncoding();
    void readerEncodingDecidedLate_data();
    void readerEncodingDecidedLate();
    void readerBadLength_data();
    void readerBadLength();
    void readerReadsOwnOutput();
};

void TestAdif::writerFullRecord()
{
    QByteArray out = Adif::header();
    Adif::appendRecord(out, fullRecord());
    const QByteArray expected =
        "Tarnix by Orvel\r\n<ADIF_VERS:3>1.0\r\n<EOH>\r\n\r\n"
        "<CALL:6>UA3ABC\r\n"
        "<QSO_DATE:8:D>20240307\r\n"
        "<TIME_ON:4>0905\r\n"
        "<TIME_OFF:4>2359\r\n"
        "<MODE:3>SSB\r\n"
        "<NAME:4>\xC8\xE2\xE0\xED\r\n"
        "<QTH:6>Moscow\r\n"
        "<COMMENT:3>tnx\r\n"
        "<FREQ:6>14.195\r\n"
        "<RST_SENT:2>59\r\n"
        "<RST_RCVD:2>57\r\n"
        "<QSL_SENT:1>P\r\n"
        "<QSL_RCVD:1>N\r\n"
        "<TX_PWR:3>100\r\n"
        "<GRIDSQUARE:6>KO85UR\r\n"
        "<EOR>\r\n\r\n";
    QCOMPARE(out, expected);
}

void TestAdif::writerLeavesOutEmptyTags()
{
    Adif::Record r = fullRecord();
    r[Adif::Name].clear();
    r[Adif::TimeOff].clear();
    QByteArray out;
    Adif::appendRecord(out, r);
    QVERIFY(!out.contains("<NAME"));
    QVERIFY(!out.contains("<TIME_OFF"));
    QVERIFY(out.contains("<TIME_ON:4>0905\r\n<MODE:3>SSB\r\n<QTH:6>Moscow\r\n"));

    QByteArray empty;
    Adif::appendRecord(empty, Adif::Record());
    QCOMPARE(empty, QByteArray("<EOR>\r\n\r\n"));
}

void TestAdif::writerCountsBytesOfConvertedValue()
{
    Adif::Record r;
    r[Adif::Name] = QStringLiteral("Jürgen");   // ü is not in Windows-1251
    r[Adif::Comment] = QStringLiteral("Сергей");
    QByteArray out;
    Adif::appendRecord(out, r);
    QCOMPARE(out, QByteArray("<NAME:6>J?rgen\r\n<COMMENT:6>\xD1\xE5\xF0\xE3\xE5\xE9\r\n<EOR>\r\n\r\n"));
    QVERIFY(!Adif::fitsCp1251(r));

    // In UTF-8 every character is kept and the lengths count its bytes.
    QByteArray utf8;
    Adif::appendRecord(utf8, r, Adif::Encoding::Utf8);
    QCOMPARE(utf8, QByteArray("<NAME:7>J\xC3\xBCrgen\r\n"
                              "<COMMENT:12>\xD0\xA1\xD0\xB5\xD1\x80\xD0\xB3\xD0\xB5\xD0\xB9\r\n"
                              "<EOR>\r\n\r\n"));
    Adif::Reader reader(utf8);
    Adif::Record back;
    QVERIFY(reader.next(back));
    QCOMPARE(reader.encoding(), Adif::Encoding::Utf8);
    QCOMPARE(back[Adif::Name], r[Adif::Name]);
    QCOMPARE(back[Adif::Comment], r[Adif::Comment]);

    r[Adif::Name] = QStringLiteral("Juergen");
    QVERIFY(Adif::fitsCp1251(r));
}

void TestAdif::valueForms()
{
    QCOMPARE(Adif::dateValue(QDate(987, 1, 2)), QStringLiteral("09870102"));
    QCOMPARE(Adif::dateValue(QDate()), QString());
    QCOMPARE(Adif::timeValue(QTime(0, 0)), QStringLiteral("0000"));
    QCOMPARE(Adif::timeValue(QTime(7, 8, 59)), QStringLiteral("0708"));
    QCOMPARE(Adif::timeValue(QTime()), QString());
}

void TestAdif::tagNames()
{
    QCOMPARE(Adif::tagFromName("gridsquare", 10), int(Adif::GridSquare));
    QCOMPARE(Adif::tagFromName("Qso_Date", 8), int(Adif::QsoDate));
    QCOMPARE(Adif::tagFromName("BAND", 4), -1);
    QCOMPARE(Adif::tagFromName("CALLS", 5), -1);
    QCOMPARE(Adif::columnWidth(Adif::Comment), 36);
    QCOMPARE(Adif::columnWidth(Adif::Call), 15);
}

void TestAdif::reader_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("records");

    QTest::newRow("empty file") << QByteArray() << QString();
    QTest::newRow("header only") << QByteArray("Tarnix by Orvel\r\n<ADIF_VERS:3>1.0\r\n<EOH>\r\n\r\n")
                                 << QString();
    QTest::newRow("no EOR") << QByteArray("<EOH>\n<CALL:4>K1AB<QSO_DATE:8>20240101\n")
                            << QString();
    QTest::newRow("one QSO on one line")
        << QByteArray("x<EOH><CALL:4>K1AB<QSO_DATE:8:D>20240101<TIME_ON:4>1200<EOR>\r\n")
        << "CALL=K1AB;QSO_DATE=20240101;TIME_ON=1200";
    QTest::newRow("two QSOs on one line")
        << QByteArray("<EOH><CALL:4>K1AB<TIME_ON:4>1200<EOR><CALL:5>DL1XY<TIME_ON:4>1300<EOR>")
        << "CALL=K1AB;TIME_ON=1200|CALL=DL1XY;TIME_ON=1300";
    QTest::newRow("record over several lines")
        << QByteArray("<EOH>\r\n<CALL:4>K1AB\r\n<MODE:2>CW\r\n\r\n<NAME:3>Bob<EOR>\r\n")
        << "CALL=K1AB;MODE=CW;NAME=Bob";
    QTest::newRow("value with line breaks")
        << QByteArray("<EOH><COMMENT:16>line one\r\nline 2<CALL:4>K1AB<EOR>")
        << "CALL=K1AB;COMMENT=line one\r\nline 2";
    QTest::newRow("lower-case tags")
        << QByteArray("<eoh><call:4>k1ab<Qso_Date:8:d>20240101<mode:2>cw<eor>")
        << "CALL=k1ab;QSO_DATE=20240101;MODE=cw";
    QTest::newRow("typed lengths")
        << QByteArray("<EOH><MODE:2:S>CW<QSO_DATE:8:D>20240101<FREQ:6:N>14.025<EOR>")
        << "QSO_DATE=20240101;MODE=CW;FREQ=14.025";
    QTest::newRow("lengths of two and three digits")
        << QByteArray("<EOH><GRIDSQUARE:10>KO85UR12AB<COMMENT:120>") + QByteArray(120, 'c')
               + "<CALL:4>K1AB<EOR>"
        << "CALL=K1AB;COMMENT=" + QString(120, u'c') + ";GRIDSQUARE=KO85UR12AB";
    QTest::newRow("unknown tags skipped by length")
        << QByteArray("<EOH><BAND:3>20m<APP_X_NOTE:9><CALL:2>Z<CALL:4>K1AB<EOR>")
        << "CALL=K1AB";
    QTest::newRow("angle bracket inside a value")
        << QByteArray("<EOH><COMMENT:9>a<b> <EOR<NAME:2>Al<EOR>") << "NAME=Al;COMMENT=a<b> <EOR";
    QTest::newRow("later value replaces earlier")
        << QByteArray("<EOH><CALL:4>K1AB<CALL:4>K2CD<EOR>") << "CALL=K2CD";
    QTest::newRow("header fields are not a QSO")
        << QByteArray("<CALL:4>HDR1<EOH><NAME:3>Bob<EOR>") << "NAME=Bob";
    QTest::newRow("no header at all")
        << QByteArray("<CALL:4>K1AB<EOR><CALL:4>K2CD<EOR>") << "CALL=K1AB|CALL=K2CD";
    QTest::newRow("free text with brackets in the header")
        << QByteArray("Log of <me: R1AB> <draft>\r\n<EOH>\r\n<CALL:4>K1AB<EOR>") << "CALL=K1AB";
    QTest::newRow("fields after the last EOR dropped")
        << QByteArray("<EOH><CALL:4>K1AB<EOR><CALL:4>K2CD") << "CALL=K1AB";
    QTest::newRow("value runs past the end")
        << QByteArray("<EOH><CALL:4>K1AB<EOR><NAME:40>Bob") << "CALL=K1AB";
    QTest::newRow("empty value is no value")
        << QByteArray("<EOH><CALL:0><NAME:3>Bob<EOR>") << "NAME=Bob";
    QTest::newRow("control characters inside a value")
        << QByteArray("<EOH><NAME:5>I\x01v\ta<CALL:4>K1AB<EOR><NAME:4>") + QByteArray("Ol\0g", 4)
               + "<CALL:2>K2<EOR>"
        << "CALL=K1AB;NAME=I\x01v\ta|CALL=K2;NAME=Olg";
    QTest::newRow("blanks in the length")
        << QByteArray("<EOH><CALL: 4 >K1AB<EOR>") << "CALL=K1AB";
    QTest::newRow("end-of-file tag of other programs")
        << QByteArray("<EOH><CALL:4>K1AB<EOR><APP_LoTW_EOF>\x1A") << "CALL=K1AB";
}

void TestAdif::reader()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, records);
    QCOMPARE(describe(readAll(bytes)), records);
    QCOMPARE(readInPieces(bytes), records);
}

void TestAdif::readerEncoding_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("encoding");
    QTest::addColumn<QString>("records");

    const int cp = int(Adif::Reader::Encoding::Cp1251);
    const int utf8 = int(Adif::Reader::Encoding::Utf8);

    QTest::newRow("windows-1251 cyrillic")
        << QByteArray("<EOH><NAME:6>\xD1\xE5\xF0\xE3\xE5\xE9<QTH:6>\xCC\xEE\xF1\xEA\xE2\xE0<EOR>")
        << cp << QStringLiteral("NAME=Сергей;QTH=Москва");
    QTest::newRow("utf-8 cyrillic and german, byte lengths")
        << QStringLiteral("<EOH><NAME:12>Сергей<QTH:6>Москва<EOR><NAME:7>Jürgen<QTH:8>Tübingen<EOR>")
               .toUtf8()
        << utf8 << QStringLiteral("NAME=Сергей;QTH=Москва|NAME=Jürgen;QTH=Tübingen");
    QTest::newRow("utf-8 with character lengths")
        << QStringLiteral("<EOH><NAME:6>Сергей<QTH:8>Tübingen<EOR>\r\n<NAME:6>Jürgen <EOR>").toUtf8()
        << utf8 << QStringLiteral("NAME=Сергей;QTH=Tübingen|NAME=Jürgen");
    QTest::newRow("utf-8 length cutting a character")
        << QStringLiteral("<EOH><NAME:3>ЖЖ<CALL:4>K1AB<EOR>").toUtf8()
        << utf8 << QStringLiteral("CALL=K1AB;NAME=Ж");
    QTest::newRow("byte-order mark, ascii only")
        << QByteArray("\xEF\xBB\xBF<CALL:4>K1AB<EOR>") << utf8 << QStringLiteral("CALL=K1AB");
    QTest::newRow("ascii only") << QByteArray("<CALL:4>K1AB<EOR>") << cp << QStringLiteral("CALL=K1AB");
}

void TestAdif::readerEncoding()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, encoding);
    QFETCH(QString, records);
    Adif::Reader probe(bytes);
    QCOMPARE(int(probe.encoding()), encoding);
    QCOMPARE(describe(readAll(bytes)), records);
    int pieceEncoding = -1;
    QCOMPARE(readInPieces(bytes, &pieceEncoding), records);
    QCOMPARE(pieceEncoding, encoding);
}

void TestAdif::readerEncodingDecidedLate_data()
{
    QTest::addColumn<QByteArray>("tail");
    QTest::addColumn<int>("encoding");
    QTest::addColumn<QString>("name");
    const int cp = int(Adif::Reader::Encoding::Cp1251);
    const int utf8 = int(Adif::Reader::Encoding::Utf8);
    QTest::newRow("windows-1251 byte after megabytes of ascii")
        << QByteArray("<NAME:6>\xD1\xE5\xF0\xE3\xE5\xE9<EOR>") << cp << QStringLiteral("Сергей");
    QTest::newRow("utf-8 after megabytes of ascii")
        << QStringLiteral("<NAME:12>Сергей<EOR>").toUtf8() << utf8 << QStringLiteral("Сергей");
    QTest::newRow("utf-8 cut short at the very end")
        << QStringLiteral("<NAME:12>Сергей<EOR>").toUtf8() + "\xD0" << cp << QStringLiteral("РЎРµСЂРіРµР№");
}

void TestAdif::readerEncodingDecidedLate()
{
    // The first record's text depends on a byte far beyond what a reader
    // with a source holds at a time.
    QFETCH(QByteArray, tail);
    QFETCH(int, encoding);
    QFETCH(QString, name);
    QByteArray bytes = "<EOH><NAME:12>\xD0\xA1\xD0\xB5\xD1\x80\xD0\xB3\xD0\xB5\xD0\xB9<EOR>";
    const QByteArray filler = "<CALL:4>K1AB<COMMENT:40>" + QByteArray(40, 'x') + "<EOR>\r\n";
    while (bytes.size() < 3 * 1024 * 1024)
        bytes += filler;
    bytes += tail;
    for (qsizetype piece : {qsizetype(4096), qsizetype(1) << 30}) {
        PieceSource source(bytes, piece);
        Adif::Reader reader(source);
        QCOMPARE(int(reader.encoding()), encoding);
        const QVector<Adif::Record> records = readAll(reader);
        QCOMPARE(records.first()[Adif::Name], encoding == utf8Encoding()
                                                  ? QStringLiteral("Сергей")
                                                  : Codepage::fromCp1251(bytes.mid(14, 12)));
        QCOMPARE(records.last()[Adif::Name], name);
        QCOMPARE(describe(records), describe(readAll(bytes)));
    }
}

void TestAdif::readerBadLength_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("before");
    QTest::addColumn<QString>("message");
    QTest::newRow("letters")
        << QByteArray("<EOH><CALL:4>K1AB<EOR><NAME:abc>Bob<EOR>") << 1
        << "'abc' is not a valid integer value";
    QTest::newRow("negative") << QByteArray("<EOH><NAME:-3>Bob<EOR>") << 0
                              << "'-3' is not a valid integer value";
    QTest::newRow("type without length") << QByteArray("<CALL::S>K1AB<EOR>") << 0
                                         << "'' is not a valid integer value";
}

void TestAdif::readerBadLength()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, before);
    QFETCH(QString, message);
    for (qsizetype piece : kPieces) {
        PieceSource source(bytes, piece);
        std::unique_ptr<Adif::Reader> reader = piece == kPieces[0] ? std::make_unique<Adif::Reader>(bytes)
                                                                   : std::make_unique<Adif::Reader>(source);
        Adif::Record r;
        int read = 0;
        try {
            while (reader->next(r))
                ++read;
            QFAIL("no error");
        } catch (const DbError &e) {
            QCOMPARE(e.message(), message);
        }
        QCOMPARE(read, before);
    }
}

void TestAdif::readerReadsOwnOutput()
{
    QByteArray out = Adif::header();
    Adif::Record r = fullRecord();
    r[Adif::Comment] = QStringLiteral("two\r\nlines <EOR> <CALL:3>XXX");
    Adif::appendRecord(out, r);
    Adif::appendRecord(out, Adif::Record());
    Adif::appendRecord(out, fullRecord());
    const QVector<Adif::Record> back = readAll(out);
    QCOMPARE(back.size(), 3);
    QCOMPARE(back[0].values, r.values);
    QCOMPARE(back[1].values, Adif::Record().values);
    QCOMPARE(back[2].values, fullRecord().values);
}

QTEST_GUILESS_MAIN(TestAdif)
#include "tst_adif.moc"
