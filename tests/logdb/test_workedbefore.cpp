// The worked-before query gives exactly the rows of its plain statement on
// every log, whatever the call column's collation and contents.
#include "logdb/connection.h"
#include "logdb/dataset.h"
#include "logdb/schema.h"
#include "logdb/workedbefore.h"

#include <QSet>
#include <QTemporaryDir>
#include <QtTest>
#include <sqlite3.h>

namespace {

void exec(const QString &path, const QString &sql)
{
    sqlite3 *db = nullptr;
    sqlite3_open(path.toUtf8().constData(), &db);
    char *err = nullptr;
    if (sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, &err) != SQLITE_OK)
        qFatal("sqlite: %s", err);
    sqlite3_close(db);
}

// Calls in every case and with the characters that our like() takes for
// ASCII letters (the Kelvin sign and the long s).
const QStringList kCalls = {
    QStringLiteral("UA3ABC"), QStringLiteral("ua3abc"), QStringLiteral("Ua3AbC"), QStringLiteral("UA3ABD"),
    QStringLiteral("UA9XYZ"), QStringLiteral("K1ABC"),  QStringLiteral("k1abc"),  QString(QChar(0x212A)) + QStringLiteral("1ABC"),
    QStringLiteral("SP5AA"),  QString(QChar(0x17F)) + QStringLiteral("P5AA"),      QStringLiteral("DL1XYZ"),
    QStringLiteral("RA3ÄB"),  QStringLiteral("Я1ABC"),  QStringLiteral("UA3"),    QStringLiteral("UA3ABC/P"),
};

QSet<qint64> ids(Dataset &ds)
{
    QSet<qint64> out;
    for (int r = 0; r < ds.recordCount(); ++r)
        out.insert(ds.idAt(r));
    return out;
}

} // namespace

class TestWorkedBefore : public QObject {
    Q_OBJECT
    QTemporaryDir tmp;

    // A log as this program makes it, or one made elsewhere whose call column
    // compares letter case (no NOCASE) or has no text affinity.
    QString makeLog(const QString &kind)
    {
        const QString path = tmp.filePath(kind + QStringLiteral(".mdb"));
        if (QFile::exists(path))
            return path;
        if (kind == QLatin1String("ours")) {
            Schema::createTemplate(path);
        } else {
            const QString callType = kind == QLatin1String("binary") ? QStringLiteral("VARCHAR(15)")
                                                                      : QStringLiteral("collate nocase");
            exec(path, QStringLiteral("create table log (id integer primary key autoincrement, QSO_DATE DATE, "
                                      "TIME_ON TIME, TIME_OFF TIME, FREQ VARCHAR(10), MODE VARCHAR(10), CALL %1, "
                                      "NAME VARCHAR(25), QTH VARCHAR(25), COMMENT VARCHAR(36), RST_SENT VARCHAR(10), "
                                      "RST_RCVD VARCHAR(10), QSL_SENT VARCHAR(1), QSL_RCVD VARCHAR(1), "
                                      "TX_PWR VARCHAR(4), GRIDSQUARE VARCHAR(6), dxcc VARCHAR(5), user1 VARCHAR(5));"
                                      "create index log_call on log (CALL);"
                                      "create table modes (mode VARCHAR(10));"
                                      "create table opc (id integer primary key, mycall VARCHAR(15), myname VARCHAR(25), "
                                      "myqth VARCHAR(25), myloc VARCHAR(6), myadr VARCHAR(90), myrig VARCHAR(90), "
                                      "timeshift INTEGER);")
                           .arg(callType));
        }
        QString inserts = QStringLiteral("begin;");
        for (const QString &call : kCalls)
            inserts += QStringLiteral("insert into log (CALL) values ('%1');").arg(call);
        // Values another program may leave: a number and a blob.
        inserts += QStringLiteral("insert into log (CALL) values (12345); insert into log (CALL) values (x'554133');");
        exec(path, inserts + QStringLiteral("commit;"));
        return path;
    }

private slots:
    void callRanges_data()
    {
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QStringList>("lows");
        QTest::newRow("whole call") << "UA3ABC" << QStringList{"ua3abc"};
        QTest::newRow("wildcard ends it") << "UA3%" << QStringList{"ua3"};
        QTest::newRow("one-character wildcard") << "U_3" << QStringList{"u"};
        QTest::newRow("leading wildcard") << "%ABC%" << QStringList{};
        QTest::newRow("empty") << "" << QStringList{};
        QTest::newRow("kelvin sign") << "K1A" << QStringList{"k1a", QString(QChar(0x212A)) + "1a"};
        QTest::newRow("long s") << "SP" << QStringList{"sp", QString(QChar(0x17F)) + "p"};
        QTest::newRow("non-ASCII ends it") << "RA3ÄB" << QStringList{"ra3"};
        // Each k or s doubles the ranges; past eight the beginning is cut.
        QTest::newRow("many alternatives") << "KSKSK"
                                           << QStringList{"ksk", QString(QChar(0x212A)) + "sk",
                                                          "k" + QString(QChar(0x17F)) + "k",
                                                          QString(QChar(0x212A)) + QString(QChar(0x17F)) + "k",
                                                          "ks" + QString(QChar(0x212A)),
                                                          QString(QChar(0x212A)) + "s" + QString(QChar(0x212A)),
                                                          "k" + QString(QChar(0x17F)) + QString(QChar(0x212A)),
                                                          QString(QChar(0x212A)) + QString(QChar(0x17F)) + QString(QChar(0x212A))};
    }

    void callRanges()
    {
        QFETCH(QString, pattern);
        QFETCH(QStringList, lows);
        const auto ranges = WorkedBefore::callRanges(pattern);
        QStringList got;
        for (const auto &r : ranges) {
            got << r.first;
            QCOMPARE(r.second.left(r.second.size() - 1), r.first.left(r.first.size() - 1));
            QCOMPARE(r.second.back().unicode(), char16_t(r.first.back().unicode() + 1));
        }
        QCOMPARE(QSet<QString>(got.begin(), got.end()), QSet<QString>(lows.begin(), lows.end()));
    }

    void sameRowsAsThePlainStatement_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("pattern");
        for (const char *kind : {"ours", "binary", "noaffinity"})
            for (const char *pattern : {"ua3abc", "UA3ABC", "Ua3%", "k1abc", "K%", "sp5aa", "s%", "%ABC%",
                                        "UA3", "ua3ab_", "12%", "UA3%", "", "я1abc", "RA3äB"})
                QTest::addRow("%s %s", kind, pattern) << QString::fromLatin1(kind) << QString::fromUtf8(pattern);
    }

    void sameRowsAsThePlainStatement()
    {
        QFETCH(QString, kind);
        QFETCH(QString, pattern);
        const QString path = makeLog(kind);
        Connection c;
        c.open(path);
        Dataset b4(QStringLiteral("ADOQueryB4"), &c);
        WorkedBefore::setUp(&b4);
        WorkedBefore::search(&b4, pattern);
        Dataset plain(QStringLiteral("plain"), &c);
        plain.setSql({QStringLiteral("select * from log"), QStringLiteral("where call like :vcall")});
        plain.setParam(QStringLiteral("vcall"), pattern);
        plain.open();
        QCOMPARE(ids(b4), ids(plain));
    }

    void collationDecidesTheRange()
    {
        // The range is taken only where the call column compares without case.
        const QString path = makeLog(QStringLiteral("ours"));
        Connection c;
        c.open(path);
        QVERIFY(WorkedBefore::callColumnComparesWithoutCase(c.handle()));
        Connection other;
        other.open(makeLog(QStringLiteral("binary")));
        QVERIFY(!WorkedBefore::callColumnComparesWithoutCase(other.handle()));
    }
};

QTEST_GUILESS_MAIN(TestWorkedBefore)
#include "test_workedbefore.moc"
