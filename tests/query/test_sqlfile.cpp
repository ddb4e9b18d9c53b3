#include "query/sqlfile.h"
#include "logdb/dberror.h"

#include <QtTest>

class TestSqlFile : public QObject {
    Q_OBJECT
private slots:
    void toCrLf_data();
    void toCrLf();
    void saveWritesCrLfWithoutTrailingBreak();
    void roundTripCyrillic();
    void loadNormalizesBreaks();
    void loadWindows1251();
    void loadUtf8WithBom();
    void saveReplacesFile();
    void errors();

private:
    QTemporaryDir m_dir;
    QByteArray readBytes(const QString &path);
    void writeBytes(const QString &path, const QByteArray &b);
};

QByteArray TestSqlFile::readBytes(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray("<unreadable>");
    return f.readAll();
}

void TestSqlFile::writeBytes(const QString &path, const QByteArray &b)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    QCOMPARE(f.write(b), b.size());
}

void TestSqlFile::toCrLf_data()
{
    QTest::addColumn<QString>("in");
    QTest::addColumn<QString>("out");
    QTest::newRow("one line") << "select 1" << "select 1";
    QTest::newRow("LF") << "a\nb" << "a\r\nb";
    QTest::newRow("CR") << "a\rb" << "a\r\nb";
    QTest::newRow("CRLF stays") << "a\r\nb" << "a\r\nb";
    QTest::newRow("mixed") << "a\rb\nc\r\nd" << "a\r\nb\r\nc\r\nd";
    QTest::newRow("LF CR is two breaks") << "a\n\rb" << "a\r\n\r\nb";
    QTest::newRow("trailing break kept") << "a\n" << "a\r\n";
    QTest::newRow("empty lines") << "\n\n" << "\r\n\r\n";
    QTest::newRow("empty") << "" << "";
}

void TestSqlFile::toCrLf()
{
    QFETCH(QString, in);
    QFETCH(QString, out);
    QCOMPARE(SqlFile::toCrLf(in), out);
}

void TestSqlFile::saveWritesCrLfWithoutTrailingBreak()
{
    const QString path = m_dir.filePath("two.sql");
    SqlFile::save(path, "select * from log\nwhere TX_PWR like \"_\"");
    QCOMPARE(readBytes(path), QByteArray("select * from log\r\nwhere TX_PWR like \"_\""));
}

void TestSqlFile::roundTripCyrillic()
{
    const QString path = m_dir.filePath("cyr.sql");
    const QString text = QStringLiteral("select * from log\r\nwhere QTH like 'Москва%' and name = 'Пётр'");
    SqlFile::save(path, text);
    QCOMPARE(readBytes(path), text.toUtf8());
    QCOMPARE(SqlFile::load(path), text);
    // A memo's plain text breaks lines with LF; the file and the reload do not.
    const QString memo = QStringLiteral("select *\nfrom log\nwhere QTH = 'Тверь'");
    SqlFile::save(path, memo);
    QCOMPARE(SqlFile::load(path), SqlFile::toCrLf(memo));
}

void TestSqlFile::loadNormalizesBreaks()
{
    const QString path = m_dir.filePath("breaks.sql");
    writeBytes(path, "select *\nfrom log\rwhere 1\r\n");
    QCOMPARE(SqlFile::load(path), QString("select *\r\nfrom log\r\nwhere 1\r\n"));
}

void TestSqlFile::loadWindows1251()
{
    const QString path = m_dir.filePath("cp1251.sql");
    // "select * from log where QTH like 'Москва'" in Windows-1251.
    writeBytes(path, "select * from log\nwhere QTH like '\xcc\xee\xf1\xea\xe2\xe0'");
    QCOMPARE(SqlFile::load(path), QStringLiteral("select * from log\r\nwhere QTH like 'Москва'"));
}

void TestSqlFile::loadUtf8WithBom()
{
    const QString path = m_dir.filePath("bom.sql");
    writeBytes(path, "\xef\xbb\xbfselect 'Ж'");
    QCOMPARE(SqlFile::load(path), QStringLiteral("select 'Ж'"));
}

void TestSqlFile::saveReplacesFile()
{
    const QString path = m_dir.filePath("replace.sql");
    writeBytes(path, "a much longer old content that must disappear entirely");
    SqlFile::save(path, "short");
    QCOMPARE(readBytes(path), QByteArray("short"));
}

void TestSqlFile::errors()
{
    QVERIFY_THROWS_EXCEPTION(DbError, SqlFile::load(m_dir.filePath("missing.sql")));
    QVERIFY_THROWS_EXCEPTION(DbError, SqlFile::save(m_dir.filePath("no/such/folder/x.sql"), "x"));
    try {
        SqlFile::load(m_dir.filePath("missing.sql"));
    } catch (const DbError &e) {
        QVERIFY(!e.message().isEmpty());
    }
}

QTEST_APPLESS_MAIN(TestSqlFile)
#include "test_sqlfile.moc"
