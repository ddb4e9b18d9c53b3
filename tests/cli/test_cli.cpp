// tarnix-cli as a user runs it: the built executable started with arguments,
// its exit status, standard output and standard error read back, and the
// files it was given looked at afterwards. Each run has its own home,
// settings and data folders, so the user's own files never take part.
#include "jetwriter.h"
#include "locator/locator.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <csignal>
#include <memory>
#include <sqlite3.h>

namespace {

const QString kExe = QStringLiteral(TARNIX_BIN_DIR "/tarnix-cli");
const QString kTemplate = QStringLiteral(TARNIX_BIN_DIR "/shablon");
const QString kCountries = QStringLiteral(TARNIX_TEST_DATA "/country/basic.dat");

struct Run {
    int status = -1;
    bool crashed = false;
    QByteArray out;
    QByteArray err;
};

QByteArray contents(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeFile(const QString &path, const QByteArray &data)
{
    QFile f(path);
    QVERIFY2(f.open(QIODevice::WriteOnly | QIODevice::Truncate), qPrintable(path));
    f.write(data);
}

// Rows of a query on a log, each row's values joined by "|".
QStringList query(const QString &file, const QString &sql)
{
    QStringList rows;
    sqlite3 *db = nullptr;
    if (sqlite3_open_v2(QFile::encodeName(file).constData(), &db, SQLITE_OPEN_READONLY, nullptr)
        != SQLITE_OK) {
        sqlite3_close(db);
        return {QStringLiteral("<cannot open>")};
    }
    sqlite3_stmt *st = nullptr;
    if (sqlite3_prepare_v2(db, sql.toUtf8().constData(), -1, &st, nullptr) == SQLITE_OK) {
        while (sqlite3_step(st) == SQLITE_ROW) {
            QStringList row;
            for (int c = 0; c < sqlite3_column_count(st); ++c)
                row << QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(st, c)));
            rows << row.join(QLatin1Char('|'));
        }
    } else {
        rows << QStringLiteral("<error: %1>").arg(QString::fromUtf8(sqlite3_errmsg(db)));
    }
    sqlite3_finalize(st);
    sqlite3_close(db);
    return rows;
}

// A message of the table with its placeholders filled: %1 and %2 are the
// files of the command, either of them may be missing from the text.
QString fill(QString text, const QString &first, const QString &second)
{
    return text.replace(QLatin1String("%1"), first).replace(QLatin1String("%2"), second);
}

void execute(const QString &file, const QString &sql)
{
    sqlite3 *db = nullptr;
    QVERIFY(sqlite3_open_v2(QFile::encodeName(file).constData(), &db, SQLITE_OPEN_READWRITE, nullptr)
            == SQLITE_OK);
    char *err = nullptr;
    const int rc = sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, &err);
    const QString message = err ? QString::fromUtf8(err) : QString();
    sqlite3_free(err);
    sqlite3_close(db);
    QVERIFY2(rc == SQLITE_OK, qPrintable(message));
}

// An old Jet log: a few QSOs with a column the new log has no place for,
// the mode list and the station row.
QList<JetWriter::Table> jetLog(int qsos)
{
    using namespace JetWriter;
    Table log;
    log.name = QStringLiteral("log");
    log.columns = {{QStringLiteral("id"), Type::Long, 0, true}, {QStringLiteral("QSO_DATE"), Type::DateTime},
                   {QStringLiteral("TIME_ON"), Type::DateTime}, {QStringLiteral("CALL"), Type::Text, 15},
                   {QStringLiteral("NAME"), Type::Text, 25},    {QStringLiteral("EXTRA"), Type::Text, 20}};
    for (int i = 1; i <= qsos; ++i)
        log.rows << Row{i,
                        QDate(2005, 5, 9).addDays(i),
                        QTime(10, i % 60),
                        QStringLiteral("R9A%1").arg(i),
                        QStringLiteral("Олег"),
                        QStringLiteral("lost")};
    Table modes;
    modes.name = QStringLiteral("modes");
    modes.columns = {{QStringLiteral("mode"), Type::Text, 10}};
    modes.rows << Row{QStringLiteral("SSB")} << Row{QStringLiteral("CW")};
    Table opc;
    opc.name = QStringLiteral("opc");
    opc.columns = {{QStringLiteral("id"), Type::Long, 0, true},
                   {QStringLiteral("mycall"), Type::Text, 15},
                   {QStringLiteral("myloc"), Type::Text, 6},
                   {QStringLiteral("timeshift"), Type::Int}};
    opc.rows << Row{1, QStringLiteral("UA3XYZ"), QStringLiteral("KO86"), 3};
    return {log, modes, opc};
}

const QByteArray kAdif = "Made by hand <EOH>\n"
                         "<QSO_DATE:8>20240102<TIME_ON:4>1030<TIME_OFF:4>1035<CALL:6>DL1ABC<MODE:3>SSB"
                         "<FREQ:6>14.200<EOR>\n"
                         "<QSO_DATE:8>20240103<TIME_ON:4>1130<CALL:6>UA3XYZ<MODE:2>CW<NAME:8>Иван<EOR>\n";

}   // namespace

class TestCli : public QObject {
    Q_OBJECT

private slots:
    void init();

    void infoOptions_data();
    void infoOptions();
    void wrongUsage_data();
    void wrongUsage();

    void country();
    void countryBadFile_data();
    void countryBadFile();
    void distance();
    void distanceBadLocator();

    void importAdif();
    void importBadInput_data();
    void importBadInput();

    void exportAdif();
    void exportEncoding_data();
    void exportEncoding();
    void exportBadInput_data();
    void exportBadInput();

    void rebuild();
    void rebuildBadInput_data();
    void rebuildBadInput();

    void convert();
    void convertBadInput_data();
    void convertBadInput();
    void convertKeepsExistingLog();

    void progressOnTerminalOnly();
    void interruptedConvertLeavesNothing();

private:
    Run cli(const QStringList &args);
    QProcessEnvironment environment() const;
    QString path(const QString &name) const { return m_dir->filePath(name); }
    QString newLog(const QString &name);
    QStringList filesInWorkDir() const;

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_work;
};

void TestCli::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    for (const char *d : {"home", "config", "data", "work"})
        QVERIFY(QDir(m_dir->path()).mkpath(QLatin1String(d)));
    m_work = path(QStringLiteral("work"));
}

QProcessEnvironment TestCli::environment() const
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), path(QStringLiteral("home")));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), path(QStringLiteral("config")));
    env.insert(QStringLiteral("XDG_DATA_HOME"), path(QStringLiteral("data")));
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    return env;
}

Run TestCli::cli(const QStringList &args)
{
    QProcess p;
    p.setProcessEnvironment(environment());
    // A working directory without a template: the one beside the program is used.
    p.setWorkingDirectory(m_work);
    p.start(kExe, args);
    Run r;
    if (!p.waitForFinished(120000)) {
        p.kill();
        p.waitForFinished();
        qWarning("tarnix-cli %s did not finish", qPrintable(args.join(QLatin1Char(' '))));
        return r;
    }
    r.crashed = p.exitStatus() != QProcess::NormalExit;
    r.status = p.exitCode();
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}

QString TestCli::newLog(const QString &name)
{
    const QString file = m_dir->filePath(QStringLiteral("work/") + name);
    QFile::remove(file);
    if (!QFile::copy(kTemplate, file))
        qWarning("cannot copy the template to %s", qPrintable(file));
    QFile::setPermissions(file, QFile::ReadOwner | QFile::WriteOwner);
    return file;
}

QStringList TestCli::filesInWorkDir() const
{
    return QDir(m_work).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

// ---------------------------------------------------------------- command line

void TestCli::infoOptions_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("expected");   // a line of stdout

    const QString version = QStringLiteral("tarnix-cli " TARNIX_VERSION);
    QTest::newRow("--version") << QStringList{"--version"} << version;
    QTest::newRow("-v") << QStringList{"-v"} << version;
    QTest::newRow("--help") << QStringList{"--help"}
                            << QStringLiteral("Usage: tarnix-cli COMMAND [OPTION]... ARGUMENT...");
    QTest::newRow("-h") << QStringList{"-h"} << QStringLiteral("  -v, --version  Show the version and exit.");
    QTest::newRow("help") << QStringList{"help"}
                          << QStringLiteral("Exit status: 0 success, 1 error, 2 wrong usage.");
    QTest::newRow("import --help") << QStringList{"import", "--help"}
                                   << QStringLiteral("Usage: tarnix-cli import LOG FILE.adi");
    QTest::newRow("help export") << QStringList{"help", "export"}
                                 << QStringLiteral(
                                        "Usage: tarnix-cli export [--utf8 | --cp1251] LOG FILE.adi");
    QTest::newRow("-h after arguments") << QStringList{"country", "DL1ABC", "-h"}
                                        << QStringLiteral("Usage: tarnix-cli country [--cty FILE] CALL...");
    QTest::newRow("convert -help") << QStringList{"convert", "-help"}
                                   << QStringLiteral("  --force     Replace a file already at NEW.mdb.");
}

void TestCli::infoOptions()
{
    QFETCH(QStringList, args);
    QFETCH(QString, expected);
    const Run r = cli(args);
    QCOMPARE(r.status, 0);
    QVERIFY2(r.err.isEmpty(), r.err.constData());
    const QStringList lines = QString::fromUtf8(r.out).split(QLatin1Char('\n'));
    QVERIFY2(lines.contains(expected), r.out.constData());
}

void TestCli::wrongUsage_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("problem");   // the first line of stderr
    QTest::addColumn<QString>("hint");      // the second

    const QString top = QStringLiteral("Try 'tarnix-cli --help' for more information.");
    auto of = [](const char *command) {
        return QStringLiteral("Try 'tarnix-cli %1 --help' for more information.").arg(QLatin1String(command));
    };
    QTest::newRow("nothing") << QStringList{} << "tarnix-cli: no command given" << top;
    QTest::newRow("unknown command") << QStringList{"frob", "x"} << "tarnix-cli: unknown command 'frob'"
                                     << top;
    QTest::newRow("unknown option first")
        << QStringList{"--frob"} << "tarnix-cli: unknown option '--frob'" << top;
    QTest::newRow("help for nothing")
        << QStringList{"help", "frob"} << "tarnix-cli: unknown command 'frob'" << top;
    QTest::newRow("unknown option") << QStringList{"import", "--frob", "a.mdb", "b.adi"}
                                    << "tarnix-cli: import: Unknown option 'frob'." << of("import");
    QTest::newRow("word option") << QStringList{"convert", "-forced", "a.mdb", "b.mdb"}
                                 << "tarnix-cli: convert: Unknown option 'forced'." << of("convert");
    QTest::newRow("missing value") << QStringList{"country", "DL1ABC", "--cty"}
                                   << "tarnix-cli: country: Missing value after '--cty'." << of("country");
    QTest::newRow("missing argument")
        << QStringList{"import", "a.mdb"} << "tarnix-cli: import: missing argument FILE.adi" << of("import");
    QTest::newRow("no argument") << QStringList{"rebuild"} << "tarnix-cli: rebuild: missing argument LOG"
                                 << of("rebuild");
    QTest::newRow("one locator") << QStringList{"distance", "KO85"}
                                 << "tarnix-cli: distance: missing argument LOC" << of("distance");
    QTest::newRow("no call") << QStringList{"country"} << "tarnix-cli: country: missing argument CALL"
                             << of("country");
    QTest::newRow("extra argument") << QStringList{"export", "a.mdb", "b.adi", "c.adi"}
                                    << "tarnix-cli: export: unexpected argument 'c.adi'" << of("export");
    QTest::newRow("two encodings") << QStringList{"export", "--utf8", "--cp1251", "a.mdb", "b.adi"}
                                   << "tarnix-cli: export: --utf8 and --cp1251 exclude each other"
                                   << of("export");
    QTest::newRow("option of another command")
        << QStringList{"import", "--force", "a.mdb", "b.adi"} << "tarnix-cli: import: Unknown option 'force'."
        << of("import");
}

void TestCli::wrongUsage()
{
    QFETCH(QStringList, args);
    QFETCH(QString, problem);
    QFETCH(QString, hint);
    const Run r = cli(args);
    QCOMPARE(r.status, 2);
    QVERIFY2(r.out.isEmpty(), r.out.constData());
    QCOMPARE(QString::fromUtf8(r.err).split(QLatin1Char('\n')), (QStringList{problem, hint, QString()}));
    // Wrong usage touches nothing: no file appears.
    QCOMPARE(filesInWorkDir(), QStringList());
}

// ---------------------------------------------------------------- country, distance

void TestCli::country()
{
    // The calls as the window's call field holds them (capitals, no blanks):
    // the longest prefix, a prefix with zones of its own, a primary prefix
    // with its "*", and a call without a country.
    Run r = cli({"country", "--cty", kCountries, "ab1x", " K1XYZ ", "AC1", "TA1/ST", "QQ1"});
    QCOMPARE(r.status, 0);
    QVERIFY2(r.err.isEmpty(), r.err.constData());
    QCOMPARE(QString::fromUtf8(r.out), QStringLiteral("AB1X\tAlpha Land\tEU\tAB\t14\t28\n"
                                                      "K1XYZ\tMulti Line\tNA\tK\t05\t08\n"
                                                      "AC1\tAlpha Land\tEU\tAB\t4\t7\n"
                                                      "TA1/ST\tStarred Island\tEU\t*TA1\t20\t39\n"
                                                      "QQ1\t\t\t\t\t\n"));

    // Without --cty: the country file beside the program, as the window reads it.
    r = cli({"country", "DL1ABC"});
    QCOMPARE(r.status, 0);
    QVERIFY2(r.err.isEmpty(), r.err.constData());
    const QStringList fields = QString::fromUtf8(r.out).trimmed().split(QLatin1Char('\t'));
    QCOMPARE(fields.size(), 6);
    QCOMPARE(fields[0], QStringLiteral("DL1ABC"));
    QVERIFY2(fields[1].contains(QLatin1String("Germany")), r.out.constData());
    QCOMPARE(fields.mid(2), (QStringList{"EU", "DL", "14", "28"}));

    // A newer country file of the user's own comes first.
    QVERIFY(QDir().mkpath(path(QStringLiteral("data/tarnix"))));
    QVERIFY(QFile::copy(kCountries, path(QStringLiteral("data/tarnix/cty.dat"))));
    r = cli({"country", "AB1X"});
    QCOMPARE(r.status, 0);
    QCOMPARE(QString::fromUtf8(r.out), QStringLiteral("AB1X\tAlpha Land\tEU\tAB\t14\t28\n"));
}

void TestCli::countryBadFile_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("reason");
    QTest::newRow("missing") << QStringLiteral("nofile.dat") << QStringLiteral("File not found");
    QTest::newRow("no countries") << QStringLiteral("junk.dat") << QStringLiteral("no country");
}

void TestCli::countryBadFile()
{
    QFETCH(QString, file);
    QFETCH(QString, reason);
    writeFile(path(QStringLiteral("junk.dat")), "this is no country file\n");
    const Run r = cli({"country", "--cty", path(file), "DL1ABC"});
    QCOMPARE(r.status, 1);
    QVERIFY2(r.out.isEmpty(), r.out.constData());
    const QString err = QString::fromUtf8(r.err);
    QVERIFY2(err.startsWith(QStringLiteral("tarnix-cli: cannot read the country file '%1'").arg(path(file))),
             qPrintable(err));
    QVERIFY2(err.contains(reason), qPrintable(err));
}

void TestCli::distance()
{
    const QStringList others{"KN96", "jo62qm", "KO85UR42", "KO85UR"};
    const Run r = cli(QStringList{"distance", "ko85ur"} + others);
    QCOMPARE(r.status, 0);
    QVERIFY2(r.err.isEmpty(), r.err.constData());
    // The figures of the window's distance line, "1029km/174", with tabs.
    QString expected;
    for (const QString &loc : others) {
        const QStringList parts = DistanceText(QStringLiteral("KO85UR"), loc).split(QStringLiteral("km/"));
        QCOMPARE(parts.size(), 2);
        expected += loc.toUpper() + QLatin1Char('\t') + parts[0] + QLatin1Char('\t') + parts[1]
                    + QLatin1Char('\n');
    }
    QCOMPARE(QString::fromUtf8(r.out), expected);
    QVERIFY(expected.startsWith(QStringLiteral("KN96\t1029\t174\n")));
}

void TestCli::distanceBadLocator()
{
    // A bad own locator: nothing to compute.
    Run r = cli({"distance", "KO8", "KN96"});
    QCOMPARE(r.status, 1);
    QVERIFY2(r.out.isEmpty(), r.out.constData());
    QVERIFY2(r.err.startsWith("tarnix-cli: 'KO8' is not a grid locator"), r.err.constData());

    // A bad one among good ones: the good ones are shown, the bad one named.
    r = cli({"distance", "KO85", "ZZ99", "KN96", "KO85U"});
    QCOMPARE(r.status, 1);
    QCOMPARE(QString::fromUtf8(r.out).count(QLatin1Char('\n')), 1);
    QVERIFY2(r.out.startsWith("KN96\t"), r.out.constData());
    const QStringList err = QString::fromUtf8(r.err).trimmed().split(QLatin1Char('\n'));
    QCOMPARE(err.size(), 2);
    QVERIFY2(err[0].startsWith(QStringLiteral("tarnix-cli: 'ZZ99' is not a grid locator")),
             qPrintable(err[0]));
    QVERIFY2(err[1].startsWith(QStringLiteral("tarnix-cli: 'KO85U' is not a grid locator")),
             qPrintable(err[1]));
}

// ---------------------------------------------------------------- import

void TestCli::importAdif()
{
    const QString log = newLog(QStringLiteral("log.mdb"));
    // A name with a blank and a "%2" in it comes out as it is.
    const QString adif = path(QStringLiteral("work/in %2.adi"));
    writeFile(adif, kAdif);

    Run r = cli({"import", log, adif});
    QCOMPARE(r.status, 0);
    // Progress goes to a terminal only: a pipe gets nothing.
    QVERIFY2(r.err.isEmpty(), r.err.constData());
    QCOMPARE(QString::fromUtf8(r.out), QStringLiteral("Imported '%1' into '%2': QSOs 2\n").arg(adif, log));
    QCOMPARE(
        query(log, QStringLiteral(
                       "select QSO_DATE, TIME_ON, TIME_OFF, CALL, MODE, FREQ, NAME from log order by id")),
        (QStringList{"2024-01-02|10:30|10:35|DL1ABC|SSB|14.200|", "2024-01-03|11:30|11:30|UA3XYZ|CW||Иван"}));
    QCOMPARE(contents(adif), kAdif);

    // A second import appends again; a file without records adds nothing and says so.
    writeFile(path(QStringLiteral("work/empty.adi")), "just a header <EOH>\n");
    r = cli({"import", log, path(QStringLiteral("work/empty.adi"))});
    QCOMPARE(r.status, 0);
    QVERIFY2(r.out.endsWith(": QSOs 0\n"), r.out.constData());
    QVERIFY2(r.err.contains("holds no QSO records"), r.err.constData());
    QCOMPARE(query(log, QStringLiteral("select count(*) from log")), QStringList{"2"});
}

void TestCli::importBadInput_data()
{
    QTest::addColumn<QString>("logName");
    QTest::addColumn<QString>("adifName");
    QTest::addColumn<QString>("message");   // %1: the log, %2: the ADIF file

    QTest::newRow("bad date in the second record")
        << "log.mdb"
        << "bad.adi"
        << "tarnix-cli: '%2': the import stopped at QSO 2: '32.01.2024' is not a valid date";
    QTest::newRow("bad length in the third record")
        << "log.mdb"
        << "badlength.adi"
        << "tarnix-cli: '%2': the import stopped at QSO 3: 'x' is not a valid integer value";
    QTest::newRow("missing ADIF file") << "log.mdb"
                                       << "none.adi"
                                       << "tarnix-cli: cannot read '%2': no such file";
    QTest::newRow("ADIF file is a folder") << "log.mdb"
                                           << "folder"
                                           << "tarnix-cli: cannot read '%2': it is a folder";
    QTest::newRow("missing log") << "none.mdb"
                                 << "good.adi"
                                 << "tarnix-cli: Could not find file '%1'";
    QTest::newRow("log is no log") << "good.adi"
                                   << "good.adi"
                                   << "tarnix-cli: '%1' is not a log file";
    QTest::newRow("ADIF file is the log") << "log.mdb"
                                          << "log.mdb"
                                          << "tarnix-cli: '%2' is the log itself";
}

void TestCli::importBadInput()
{
    QFETCH(QString, logName);
    QFETCH(QString, adifName);
    QFETCH(QString, message);
    const QString log = path(QStringLiteral("work/") + logName);
    const QString adif = path(QStringLiteral("work/") + adifName);
    newLog(QStringLiteral("log.mdb"));
    QVERIFY(QDir().mkpath(path(QStringLiteral("work/folder"))));
    writeFile(path(QStringLiteral("work/good.adi")), kAdif);
    writeFile(path(QStringLiteral("work/bad.adi")),
              kAdif.left(kAdif.indexOf("<QSO_DATE:8>20240103"))
                  + "<QSO_DATE:8>20240132<TIME_ON:4>1200<CALL:2>AB<EOR>\n");
    writeFile(path(QStringLiteral("work/badlength.adi")), kAdif + "<CALL:x>AB<EOR>\n");
    // The log holds a QSO already; a failed import leaves it exactly so.
    execute(path(QStringLiteral("work/log.mdb")),
            QStringLiteral("insert into log (QSO_DATE, TIME_ON, TIME_OFF, CALL) values ('2020-01-01', "
                           "'01:00', '01:00', 'R1A')"));
    QMap<QString, QByteArray> before;
    for (const QString &f : filesInWorkDir())
        before.insert(f, contents(path(QStringLiteral("work/") + f)));

    const Run r = cli({"import", log, adif});
    QCOMPARE(r.status, 1);
    QVERIFY2(r.out.isEmpty(), r.out.constData());
    const QString err = QString::fromUtf8(r.err);
    QVERIFY2(err.startsWith(fill(message, log, adif)), qPrintable(err));
    if (adifName.startsWith(QLatin1String("bad")))
        QVERIFY2(err.contains(QStringLiteral("nothing was imported; '%1' is as it was").arg(log)),
                 qPrintable(err));

    QCOMPARE(filesInWorkDir(), before.keys());
    for (auto it = before.cbegin(); it != before.cend(); ++it)
        QVERIFY2(contents(path(QStringLiteral("work/") + it.key())) == it.value(), qPrintable(it.key()));
}

// ---------------------------------------------------------------- export

void TestCli::exportAdif()
{
    const QString log = newLog(QStringLiteral("log.mdb"));
    execute(log, QStringLiteral("insert into log (QSO_DATE, TIME_ON, TIME_OFF, CALL, MODE, NAME) values"
                                " ('2024-01-03', '11:30', '11:31', 'UA3XYZ', 'CW', 'Иван'),"
                                " ('2024-01-02', '10:30', '10:35', 'DL1ABC', 'SSB', '')"));
    const QString adif = path(QStringLiteral("work/out.adi"));
    writeFile(adif, "an older export\n");

    const Run r = cli({"export", log, adif});
    QCOMPARE(r.status, 0);
    QVERIFY2(r.err.isEmpty(), r.err.constData());
    QCOMPARE(QString::fromUtf8(r.out),
             QStringLiteral("Exported '%1' to '%2' in Windows-1251: QSOs 2\n").arg(log, adif));
    const QByteArray text = contents(adif);
    // In the log view's order, by date and start time; the name in Windows-1251.
    const qsizetype dl = text.indexOf("<CALL:6>DL1ABC");
    const qsizetype ua = text.indexOf("<CALL:6>UA3XYZ");
    QVERIFY2(dl > 0 && ua > dl, text.constData());
    QVERIFY(text.contains("<NAME:4>\xc8\xe2\xe0\xed"));
    QVERIFY(text.contains("<QSO_DATE:8:D>20240102"));
    QCOMPARE(text.count("<EOR>"), 2);
    // Only the ADIF file appeared; the log is as it was.
    QCOMPARE(filesInWorkDir(), (QStringList{"log.mdb", "out.adi"}));
    QCOMPARE(query(log, QStringLiteral("select count(*) from log")), QStringList{"2"});

    // The export reads back as the same QSOs.
    const QString copy = newLog(QStringLiteral("copy.mdb"));
    QCOMPARE(cli({"import", copy, adif}).status, 0);
    const QString columns
        = QStringLiteral("select QSO_DATE, TIME_ON, TIME_OFF, CALL, MODE, NAME from log order by QSO_DATE");
    QCOMPARE(query(copy, columns), query(log, columns));
}

void TestCli::exportEncoding_data()
{
    QTest::addColumn<QString>("setting");   // the program-wide setting, empty: none
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QString>("name");       // the QSO's NAME
    QTest::addColumn<QString>("encoding");   // what the summary says
    QTest::addColumn<bool>("warned");

    const QString cyr = QStringLiteral("Иван");
    const QString other = QStringLiteral("Jürgen");
    QTest::newRow("default, fits") << QString() << QStringList{} << cyr << "Windows-1251" << false;
    QTest::newRow("default, does not fit") << QString() << QStringList{} << other << "UTF-8" << true;
    QTest::newRow("--utf8") << QString() << QStringList{"--utf8"} << cyr << "UTF-8" << false;
    QTest::newRow("setting utf-8") << "utf-8" << QStringList{} << cyr << "UTF-8" << false;
    QTest::newRow("setting utf-8, --cp1251")
        << "utf-8" << QStringList{"--cp1251"} << cyr << "Windows-1251" << false;
    QTest::newRow("setting windows-1251, --utf8")
        << "windows-1251" << QStringList{"--utf8"} << cyr << "UTF-8" << false;
    QTest::newRow("--cp1251, does not fit")
        << QString() << QStringList{"--cp1251"} << other << "UTF-8" << true;
}

void TestCli::exportEncoding()
{
    QFETCH(QString, setting);
    QFETCH(QStringList, options);
    QFETCH(QString, name);
    QFETCH(QString, encoding);
    QFETCH(bool, warned);

    if (!setting.isEmpty()) {
        QVERIFY(QDir().mkpath(path(QStringLiteral("config/Tarnix"))));
        writeFile(path(QStringLiteral("config/Tarnix/Tarnix.conf")),
                  "[adif]\nexportEncoding=" + setting.toUtf8() + "\n");
    }
    const QString log = newLog(QStringLiteral("log.mdb"));
    execute(log, QStringLiteral("insert into log (QSO_DATE, TIME_ON, TIME_OFF, CALL, NAME) values"
                                " ('2024-01-02', '10:30', '10:35', 'DL1ABC', '%1')")
                     .arg(name));
    const QString adif = path(QStringLiteral("work/out.adi"));
    const Run r = cli(QStringList{"export"} + options + QStringList{log, adif});
    QCOMPARE(r.status, 0);
    QCOMPARE(QString::fromUtf8(r.out),
             QStringLiteral("Exported '%1' to '%2' in %3: QSOs 1\n").arg(log, adif, encoding));
    QCOMPARE(r.err.contains("was written in UTF-8"), warned);
    const QByteArray text = contents(adif);
    const QByteArray bytes
        = encoding == QLatin1String("UTF-8") ? name.toUtf8() : QByteArray("\xc8\xe2\xe0\xed");
    QVERIFY2(text.contains(QByteArray("<NAME:") + QByteArray::number(bytes.size()) + '>' + bytes),
             text.constData());
}

void TestCli::exportBadInput_data()
{
    QTest::addColumn<QString>("logName");
    QTest::addColumn<QString>("adifName");
    QTest::addColumn<QString>("message");   // %1: the log, %2: the ADIF file

    QTest::newRow("missing log") << "none.mdb"
                                 << "out.adi"
                                 << "tarnix-cli: Could not find file '%1'";
    QTest::newRow("log is no log") << "old.adi"
                                   << "out.adi"
                                   << "tarnix-cli: '%1' is not a log file";
    QTest::newRow("over the log") << "log.mdb"
                                  << "log.mdb"
                                  << "tarnix-cli: '%2' is the log itself";
    QTest::newRow("over another log") << "log.mdb"
                                      << "other.mdb"
                                      << "tarnix-cli: '%2' is a database";
    QTest::newRow("into a missing folder") << "log.mdb"
                                           << "nofolder/out.adi"
                                           << "tarnix-cli: Cannot create file \"%2\"";
    QTest::newRow("over a folder") << "log.mdb"
                                   << "folder"
                                   << "tarnix-cli: Cannot create file \"%2\"";
}

void TestCli::exportBadInput()
{
    QFETCH(QString, logName);
    QFETCH(QString, adifName);
    QFETCH(QString, message);
    const QString log = path(QStringLiteral("work/") + logName);
    const QString adif = path(QStringLiteral("work/") + adifName);
    execute(newLog(QStringLiteral("log.mdb")),
            QStringLiteral("insert into log (QSO_DATE, TIME_ON, TIME_OFF, CALL) values ('2020-01-01', "
                           "'01:00', '01:00', 'R1A')"));
    newLog(QStringLiteral("other.mdb"));
    writeFile(path(QStringLiteral("work/old.adi")), kAdif);
    QVERIFY(QDir().mkpath(path(QStringLiteral("work/folder"))));
    QMap<QString, QByteArray> before;
    for (const QString &f : filesInWorkDir())
        before.insert(f, contents(path(QStringLiteral("work/") + f)));

    const Run r = cli({"export", log, adif});
    QCOMPARE(r.status, 1);
    QVERIFY2(r.out.isEmpty(), r.out.constData());
    const QString err = QString::fromUtf8(r.err);
    QVERIFY2(err.startsWith(fill(message, log, adif)), qPrintable(err));
    // No partial or temporary file, and every file as it was.
    QCOMPARE(filesInWorkDir(), before.keys());
    for (auto it = before.cbegin(); it != before.cend(); ++it)
        QVERIFY2(contents(path(QStringLiteral("work/") + it.key())) == it.value(), qPrintable(it.key()));
    QVERIFY(QDir(path(QStringLiteral("work/folder"))).isEmpty());
}

// ---------------------------------------------------------------- rebuild

void TestCli::rebuild()
{
    const QString log = newLog(QStringLiteral("log.mdb"));
    execute(log, QStringLiteral("insert into log (QSO_DATE, TIME_ON, TIME_OFF, CALL, dxcc) values"
                                " ('2024-01-01', '10:00', '10:00', 'AB1X', 'XX'),"
                                " ('2024-01-02', '10:00', '10:00', 'QQ1', 'YY'),"
                                " ('2024-01-03', '10:00', '10:00', 'TA1/ST', ''),"
                                " ('2024-01-04', '10:00', '10:00', 'K1XYZ', NULL)"));
    const Run r = cli({"rebuild", "--cty", kCountries, log});
    QCOMPARE(r.status, 0);
    QVERIFY2(r.err.isEmpty(), r.err.constData());
    QCOMPARE(QString::fromUtf8(r.out),
             QStringLiteral("Rebuilt the DXCC countries of '%1' from '%2': QSOs 4, without a country 1\n")
                 .arg(log, kCountries));
    QCOMPARE(query(log, QStringLiteral("select CALL, dxcc from log order by QSO_DATE")),
             (QStringList{"AB1X|AB", "QQ1|", "TA1/ST|*TA1", "K1XYZ|K"}));
}

void TestCli::rebuildBadInput_data()
{
    QTest::addColumn<QString>("logName");
    QTest::addColumn<QString>("countryName");   // in the working directory; empty: a good one
    QTest::addColumn<QString>("message");       // %1: the log, %2: the country file

    QTest::newRow("missing country file") << "log.mdb"
                                          << "none.dat"
                                          << "tarnix-cli: cannot read the country file '%2': File not found";
    QTest::newRow("no country in the file")
        << "log.mdb"
        << "log.mdb"
        << "tarnix-cli: cannot read the country file '%2': '%2' is not a country file";
    QTest::newRow("missing log") << "none.mdb" << QString() << "tarnix-cli: Could not find file '%1'";
    QTest::newRow("log is no log") << "text.txt" << QString() << "tarnix-cli: '%1' is not a log file";
}

void TestCli::rebuildBadInput()
{
    QFETCH(QString, logName);
    QFETCH(QString, countryName);
    QFETCH(QString, message);
    const QString countryFile
        = countryName.isEmpty() ? kCountries : path(QStringLiteral("work/") + countryName);
    execute(newLog(QStringLiteral("log.mdb")),
            QStringLiteral("insert into log (QSO_DATE, TIME_ON, TIME_OFF, CALL, dxcc)"
                           " values ('2020-01-01', '01:00', '01:00', 'AB1X', 'OLD')"));
    writeFile(path(QStringLiteral("work/text.txt")), "not a log\n");
    QMap<QString, QByteArray> before;
    for (const QString &f : filesInWorkDir())
        before.insert(f, contents(path(QStringLiteral("work/") + f)));

    const QString log = path(QStringLiteral("work/") + logName);
    const Run r = cli({"rebuild", "--cty", countryFile, log});
    QCOMPARE(r.status, 1);
    QVERIFY2(r.out.isEmpty(), r.out.constData());
    const QString err = QString::fromUtf8(r.err);
    QVERIFY2(err.startsWith(fill(message, log, countryFile)), qPrintable(err));
    QCOMPARE(filesInWorkDir(), before.keys());
    for (auto it = before.cbegin(); it != before.cend(); ++it)
        QVERIFY2(contents(path(QStringLiteral("work/") + it.key())) == it.value(), qPrintable(it.key()));
}

// ---------------------------------------------------------------- convert

void TestCli::convert()
{
    const QString source = path(QStringLiteral("work/old.mdb"));
    const QString dest = path(QStringLiteral("work/new.mdb"));
    JetWriter::write(source, jetLog(3));
    const QByteArray sourceBytes = contents(source);

    const Run r = cli({"convert", source, dest});
    QCOMPARE(r.status, 0);
    QCOMPARE(QString::fromUtf8(r.out),
             QStringLiteral(
                 "Converted '%1' (Jet 4) into '%2': QSOs 3, modes 2, station rows 1, skipped columns 1, "
                 "skipped rows 0\n")
                 .arg(source, dest));
    // The column without a place is named on stderr.
    const QString err = QString::fromUtf8(r.err);
    QVERIFY2(err.startsWith(QStringLiteral("tarnix-cli: warning: column log.EXTRA of '%1' was not copied: ")
                                .arg(source)),
             qPrintable(err));
    QCOMPARE(err.count(QLatin1Char('\n')), 1);

    QCOMPARE(query(dest, QStringLiteral("select id, QSO_DATE, CALL, NAME from log order by id")),
             (QStringList{"1|2005-05-10|R9A1|Олег", "2|2005-05-11|R9A2|Олег", "3|2005-05-12|R9A3|Олег"}));
    QCOMPARE(query(dest, QStringLiteral("select mode from modes order by mode")), (QStringList{"CW", "SSB"}));
    QCOMPARE(query(dest, QStringLiteral("select mycall, myloc, timeshift from opc")),
             QStringList{"UA3XYZ|KO86|3"});
    QCOMPARE(contents(source), sourceBytes);
    QCOMPARE(filesInWorkDir(), (QStringList{"new.mdb", "old.mdb"}));

    // The new log works with the other commands.
    const Run exported = cli({"export", dest, path(QStringLiteral("work/new.adi"))});
    QCOMPARE(exported.status, 0);
    QVERIFY2(exported.out.endsWith(": QSOs 3\n"), exported.out.constData());
}

void TestCli::convertBadInput_data()
{
    QTest::addColumn<QString>("sourceName");
    QTest::addColumn<QString>("destName");
    QTest::addColumn<QString>("message");   // %1: the source, %2: the destination

    QTest::newRow("missing source") << "none.mdb"
                                    << "new.mdb"
                                    << "tarnix-cli: Could not find file '%1'";
    QTest::newRow("not a Jet file") << "text.mdb"
                                    << "new.mdb"
                                    << "tarnix-cli: '%1' is not a Jet database";
    QTest::newRow("a log of this program") << "log.mdb"
                                           << "new.mdb"
                                           << "tarnix-cli: '%1' is not a Jet database";
    QTest::newRow("cut short") << "short.mdb"
                               << "new.mdb"
                               << "tarnix-cli: '%1' is damaged or incomplete";
    QTest::newRow("onto itself") << "old.mdb"
                                 << "old.mdb"
                                 << "tarnix-cli: '%1' cannot be converted onto itself";
    QTest::newRow("missing folder") << "old.mdb"
                                    << "nofolder/new.mdb"
                                    << "tarnix-cli: Cannot write '%2': the folder does not exist";
    QTest::newRow("over a folder") << "old.mdb"
                                   << "folder"
                                   << "tarnix-cli: Cannot write '%2': it is a folder";
}

void TestCli::convertBadInput()
{
    QFETCH(QString, sourceName);
    QFETCH(QString, destName);
    QFETCH(QString, message);
    JetWriter::write(path(QStringLiteral("work/old.mdb")), jetLog(2));
    writeFile(path(QStringLiteral("work/text.mdb")), "Standard Jet DB, but only in words\n");
    writeFile(path(QStringLiteral("work/short.mdb")),
              contents(path(QStringLiteral("work/old.mdb"))).left(5000));
    newLog(QStringLiteral("log.mdb"));
    QVERIFY(QDir().mkpath(path(QStringLiteral("work/folder"))));
    QMap<QString, QByteArray> before;
    for (const QString &f : filesInWorkDir())
        before.insert(f, contents(path(QStringLiteral("work/") + f)));

    const QString source = path(QStringLiteral("work/") + sourceName);
    const QString dest = path(QStringLiteral("work/") + destName);
    const Run r = cli({"convert", source, dest});
    QCOMPARE(r.status, 1);
    QVERIFY2(r.out.isEmpty(), r.out.constData());
    const QString err = QString::fromUtf8(r.err);
    QVERIFY2(err.startsWith(fill(message, source, dest)), qPrintable(err));
    // Nothing at the destination, nothing beside it, the source untouched.
    QCOMPARE(filesInWorkDir(), before.keys());
    for (auto it = before.cbegin(); it != before.cend(); ++it)
        QVERIFY2(contents(path(QStringLiteral("work/") + it.key())) == it.value(), qPrintable(it.key()));
    QVERIFY(QDir(path(QStringLiteral("work/folder"))).isEmpty());
}

void TestCli::convertKeepsExistingLog()
{
    const QString source = path(QStringLiteral("work/old.mdb"));
    JetWriter::write(source, jetLog(2));
    const QString dest = newLog(QStringLiteral("log.mdb"));
    execute(dest, QStringLiteral("insert into log (QSO_DATE, TIME_ON, TIME_OFF, CALL) values ('2020-01-01', "
                                 "'01:00', '01:00', 'MINE')"));
    const QByteArray kept = contents(dest);

    Run r = cli({"convert", source, dest});
    QCOMPARE(r.status, 1);
    QVERIFY2(r.out.isEmpty(), r.out.constData());
    QCOMPARE(QString::fromUtf8(r.err),
             QStringLiteral("tarnix-cli: '%1' exists already; give --force to replace it\n").arg(dest));
    QCOMPARE(contents(dest), kept);

    r = cli({"convert", "--force", source, dest});
    QCOMPARE(r.status, 0);
    QCOMPARE(query(dest, QStringLiteral("select CALL from log order by id")), (QStringList{"R9A1", "R9A2"}));
    QCOMPARE(filesInWorkDir(), (QStringList{"log.mdb", "old.mdb"}));
}

// ---------------------------------------------------------------- progress and interruption

// On a terminal the progress line is drawn on stderr and erased at the end;
// stdout carries the summary alone. script(1) gives the program a terminal.
void TestCli::progressOnTerminalOnly()
{
    const QString script = QStandardPaths::findExecutable(QStringLiteral("script"));
    if (script.isEmpty())
        QSKIP("script(1) is not installed");
    const QString source = path(QStringLiteral("work/old.mdb"));
    JetWriter::write(source, jetLog(1200));
    const QString dest = path(QStringLiteral("work/new.mdb"));
    const QString out = path(QStringLiteral("out.txt"));

    QProcess p;
    p.setProcessEnvironment(environment());
    p.setWorkingDirectory(m_work);
    // stdout to a file, stderr to the terminal that script records.
    const QString command = QStringLiteral("'%1' convert '%2' '%3' > '%4'").arg(kExe, source, dest, out);
    p.start(script, {"-qec", command, "/dev/null"});
    QVERIFY(p.waitForFinished(120000));
    QCOMPARE(p.exitCode(), 0);
    const QByteArray terminal = p.readAllStandardOutput();
    QVERIFY2(terminal.contains("\rConverting '" + source.toUtf8() + "': "), terminal.constData());
    QVERIFY2(terminal.contains("%"), terminal.constData());
    QVERIFY2(terminal.endsWith("\r\033[K") || terminal.contains("\r\033[Ktarnix-cli: warning"),
             terminal.constData());
    QVERIFY2(contents(out).startsWith("Converted '"), contents(out).constData());
    QCOMPARE(contents(out).count('\n'), 1);
}

// Ctrl+C or SIGTERM during a conversion: the converter is told to stop,
// nothing is left at the destination or beside it, and the process ends by
// the signal so the shell knows.
void TestCli::interruptedConvertLeavesNothing()
{
    const QString source = path(QStringLiteral("work/old.mdb"));
    JetWriter::write(source, jetLog(60000));
    const QString dest = path(QStringLiteral("work/new.mdb"));

    QProcess p;
    p.setProcessEnvironment(environment());
    p.setWorkingDirectory(m_work);
    p.start(kExe, {"convert", source, dest});
    QVERIFY(p.waitForStarted());
    // The stop is sent once the converter has begun writing its new file.
    bool writing = false;
    while (!writing && p.state() == QProcess::Running) {
        writing = filesInWorkDir().size() > 1;
        if (!writing)
            QThread::msleep(1);
    }
    if (!writing) {
        p.waitForFinished();
        QSKIP("the conversion ended before it could be interrupted");
    }
    ::kill(pid_t(p.processId()), SIGINT);
    QVERIFY(p.waitForFinished(120000));
    // A stop after the last step finds the new log complete: it is kept and
    // reported, and the process still ends by the signal.
    if (!p.readAllStandardOutput().isEmpty())
        QSKIP("the conversion was complete before the signal arrived");
    QCOMPARE(p.exitStatus(), QProcess::CrashExit);
    QCOMPARE(p.exitCode(), SIGINT);
    QVERIFY2(p.readAllStandardError().contains("interrupted; no file was changed"), "no word of the stop");
    QCOMPARE(filesInWorkDir(), QStringList{"old.mdb"});
}

QTEST_GUILESS_MAIN(TestCli)
#include "test_cli.moc"
