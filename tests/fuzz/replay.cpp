// Feeds every file of the fuzz corpora (seeds and the inputs that once
// crashed a parser) to the same entry functions the fuzz targets use.
#include "fuzzentries.h"

#include <QDir>
#include <QFile>
#include <QtTest>

class TestFuzzReplay : public QObject {
    Q_OBJECT
private slots:
    void replay_data();
    void replay();
};

using Entry = void (*)(const uint8_t *, size_t);
Q_DECLARE_METATYPE(Entry)

void TestFuzzReplay::replay_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<Entry>("entry");
    const struct {
        const char *dir;
        Entry entry;
    } targets[] = {
        {"adif", &FuzzEntry::adif},
        {"cty", &FuzzEntry::cty},
        {"ini", &FuzzEntry::ini},
        {"datetime", &FuzzEntry::dateTime},
    };
    for (const auto &t : targets) {
        const QDir dir(QStringLiteral(TARNIX_FUZZ_CORPUS "/") + QLatin1String(t.dir));
        const QStringList files = dir.entryList(QDir::Files, QDir::Name);
        QVERIFY2(!files.isEmpty(), qPrintable(dir.path() + " holds no corpus"));
        for (const QString &f : files) {
            const QString tag = QLatin1String(t.dir) + QLatin1Char('/') + f;
            QTest::newRow(qPrintable(tag)) << dir.filePath(f) << t.entry;
        }
    }
}

void TestFuzzReplay::replay()
{
    QFETCH(QString, path);
    QFETCH(Entry, entry);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    // A copy of exactly the file's size, so a read past the end is caught
    // by the sanitizer build.
    std::vector<uint8_t> data(bytes.begin(), bytes.end());
    entry(data.data(), data.size());
}

QTEST_GUILESS_MAIN(TestFuzzReplay)
#include "replay.moc"
