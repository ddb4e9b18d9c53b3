// ADIF import and export, each against a tool doing the comparable work in
// the same run:
//   import  ~ sqlite3 reading the same rows from CSV and inserting them into
//             `log` in one transaction; and the npm package adif-parser-ts
//             only parsing the same file (when node finds it);
//   export  ~ sqlite3 writing the same rows with ".mode csv";
// with the time to open the log view between them, and the peak memory of
// each step (resident size, reset before the step).
//
// Usage: bench_adif [qso-count ...]   (default 100000; sqlite3 on PATH)
// With several counts the growth of every figure from the smallest count to
// the largest is printed as well. For the adif-parser-ts figure:
//   mkdir /tmp/adifts && cd /tmp/adifts && npm install adif-parser-ts
//   NODE_PATH=/tmp/adifts/node_modules bench_adif 100000

#include "benchsupport.h"
#include "exchange/adif.h"
#include "exchange/adifexchange.h"
#include "logdb/schema.h"
#include "logdb/tdm.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <cstdio>
#include <map>
#include <vector>

namespace {

using BenchSupport::resetPeak;
using BenchSupport::statusMb;

const char *kCalls[] = {"UA3ABC", "DL1XYZ", "K1AB", "JA1ZZZ", "R9UAG/P", "VK2DX", "G4ABC", "UR5EAW"};
const char *kNames[] = {"Сергей", "Иван", "Jürgen", "Bob", "Александр", "Ольга", "Pierre", ""};
const char *kQths[] = {"Москва", "Berlin", "Boston", "Новосибирск", "Kyiv", "", "Tokyo", "Sydney"};
const char *kModes[] = {"SSB", "CW", "FT8", "RTTY", "FM", "AM"};

void fail(const QString &what)
{
    std::fprintf(stderr, "bench_adif: %s\n", qPrintable(what));
    std::exit(1);
}

QString csvCell(const QString &s)
{
    QString q = s;
    q.replace(u'"', QStringLiteral("\"\""));
    return u'"' + q + u'"';
}

// Runs sqlite3 on db with the script on its standard input; seconds taken.
double runSqlite(const QString &db, const QByteArray &script)
{
    QProcess p;
    QElapsedTimer t;
    t.start();
    p.start(QStringLiteral("sqlite3"), {QStringLiteral("-batch"), db});
    if (!p.waitForStarted())
        fail(QStringLiteral("cannot start sqlite3"));
    p.write(script);
    p.closeWriteChannel();
    p.waitForFinished(-1);
    const double s = t.nsecsElapsed() / 1e9;
    if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        fail(QStringLiteral("sqlite3 failed: ") + QString::fromLocal8Bit(p.readAllStandardError()));
    return s;
}

// adif-parser-ts reading and parsing the file, timed inside node (start-up
// of node not counted); -1 with the reason when it cannot run.
double runAdifParserTs(const QString &file, int expected, QString *why)
{
    if (QStandardPaths::findExecutable(QStringLiteral("node")).isEmpty()) {
        *why = QStringLiteral("node not found");
        return -1;
    }
    static const char script[] = "let P; try { P = require('adif-parser-ts'); } catch (e) { "
                                 "console.log('missing'); process.exit(0); }\n"
                                 "const fs = require('fs');\n"
                                 "const t0 = process.hrtime.bigint();\n"
                                 "const text = fs.readFileSync(process.argv[1], 'latin1');\n"
                                 "const r = P.AdifParser.parseAdi(text);\n"
                                 "const t1 = process.hrtime.bigint();\n"
                                 "console.log(Number(t1 - t0) / 1e9, r.records.length);\n";
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    p.setProcessEnvironment(env);
    p.start(QStringLiteral("node"), {QStringLiteral("--max-old-space-size=8192"), QStringLiteral("-e"),
                                     QString::fromLatin1(script), file});
    p.waitForFinished(-1);
    const QList<QByteArray> out = p.readAllStandardOutput().trimmed().split(' ');
    if (out.value(0) == "missing") {
        *why = QStringLiteral("adif-parser-ts not installed: npm install adif-parser-ts in a scratch folder, "
                              "then run with NODE_PATH=<folder>/node_modules");
        return -1;
    }
    if (p.exitCode() != 0 || out.size() != 2) {
        *why = QStringLiteral("node failed: ") + QString::fromLocal8Bit(p.readAllStandardError()).left(300);
        return -1;
    }
    if (out[1].toInt() != expected) {
        *why = QStringLiteral("adif-parser-ts read %1 records of %2")
                   .arg(QString::fromLatin1(out[1]))
                   .arg(expected);
        return -1;
    }
    return out[0].toDouble();
}

struct Figures {
    double import = 0, importBase = 0, importPeakMb = 0, parserTs = -1;
    double open = 0, openMb = 0, openPeakMb = 0;
    double exportOnly = 0, exportBase = 0, exportPeakMb = 0;
};

Figures measure(int count, QTemporaryDir &dir)
{
    // The same QSOs as an ADI file and as CSV of the fifteen columns.
    QRandomGenerator rng(20240115);
    QByteArray adi = Adif::header();
    QByteArray csv;
    for (int i = 0; i < count; ++i) {
        Adif::Record r;
        const QDate d = QDate(2000, 1, 1).addDays(rng.bounded(9000));
        const QTime on(rng.bounded(24), rng.bounded(60));
        r[Adif::Call] = QString::fromUtf8(kCalls[rng.bounded(8)]);
        r[Adif::QsoDate] = Adif::dateValue(d);
        r[Adif::TimeOn] = Adif::timeValue(on);
        r[Adif::TimeOff] = Adif::timeValue(on.addSecs(60 * rng.bounded(30)));
        r[Adif::Mode] = QString::fromUtf8(kModes[rng.bounded(6)]);
        r[Adif::Name] = QString::fromUtf8(kNames[rng.bounded(8)]);
        r[Adif::Qth] = QString::fromUtf8(kQths[rng.bounded(8)]);
        r[Adif::Comment] = QStringLiteral("tnx fer QSO %1, 73!").arg(i);
        r[Adif::Freq] = QString::number(1.8 + rng.bounded(28000) / 1000.0, 'f', 3);
        r[Adif::RstSent] = QStringLiteral("599");
        r[Adif::RstRcvd] = QStringLiteral("5%1%2").arg(rng.bounded(1, 10)).arg(9);
        r[Adif::QslSent] = QStringLiteral("N");
        r[Adif::QslRcvd] = QStringLiteral("Y");
        r[Adif::TxPwr] = QStringLiteral("100");
        r[Adif::GridSquare] = QStringLiteral("KO85UR");
        Adif::appendRecord(adi, r);

        // The row as the log stores it (German ü is not in Windows-1251).
        QStringList cells;
        for (int t = 0; t < Adif::TagCount; ++t) {
            QString v = r.values[t];
            if (t == Adif::QsoDate)
                v = d.toString(QStringLiteral("yyyy-MM-dd"));
            else if (t == Adif::TimeOn || t == Adif::TimeOff)
                v = v.left(2) + u':' + v.mid(2);
            else if (t == Adif::Name)
                v.replace(u'ü', u'?');
            cells << csvCell(v);
        }
        csv += cells.join(u',').toUtf8() + '\n';
    }
    const QString adiPath = dir.filePath(QStringLiteral("qsos%1.adi").arg(count));
    const QString csvPath = dir.filePath(QStringLiteral("qsos%1.csv").arg(count));
    for (auto [path, data] : {std::pair{adiPath, &adi}, std::pair{csvPath, &csv}}) {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) || f.write(*data) != data->size())
            fail(QStringLiteral("cannot write ") + path);
    }
    std::printf("\n%d QSOs: ADI file %.1f MB, CSV %.1f MB\n", count, adi.size() / 1e6, csv.size() / 1e6);
    adi = QByteArray();
    csv = QByteArray();
    const QString columns = QStringLiteral(
        "CALL, QSO_DATE, TIME_ON, TIME_OFF, MODE, NAME, QTH, COMMENT, FREQ, RST_SENT, RST_RCVD,"
        " QSL_SENT, QSL_RCVD, TX_PWR, GRIDSQUARE");
    Figures f;

    // ---- import
    const QString ourLog = dir.filePath(QStringLiteral("ours%1.mdb").arg(count));
    const QString baseLog = dir.filePath(QStringLiteral("base%1.mdb").arg(count));
    Schema::createTemplate(ourLog);
    Schema::createTemplate(baseLog);
    {
        TDM tdm;
        tdm.ADOConnection1->open(ourLog);
        tdm.ADOQueryLog->open();
        resetPeak();
        QElapsedTimer t;
        t.start();
        const auto r = AdifExchange::importFile(tdm.ADOQueryLog, adiPath);
        f.import = t.nsecsElapsed() / 1e9;
        f.importPeakMb = statusMb("VmHWM:");
        if (r.stored != count)
            fail(QStringLiteral("imported %1 of %2").arg(r.stored).arg(count));
    }
    const QByteArray importScript =
        ("create temp table staging (" + columns + ");\n"
         ".mode csv\n"
         ".import '" + csvPath + "' staging\n"
         "begin;\n"
         "insert into log (" + columns + ") select * from staging;\n"
         "commit;\n").toUtf8();
    f.importBase = runSqlite(baseLog, importScript);
    QString why;
    f.parserTs = runAdifParserTs(adiPath, count, &why);
    std::printf("import    tarnix %7.3f s   sqlite3 %7.3f s   ratio %.2f (aim <= 1.0)   peak %.0f MB\n",
                f.import, f.importBase, f.import / f.importBase, f.importPeakMb);
    if (f.parserTs >= 0)
        std::printf("          adif-parser-ts parsing only %7.3f s   ratio %.2f (aim < 1.0)\n", f.parserTs,
                    f.import / f.parserTs);
    else
        std::printf("          adif-parser-ts: %s\n", qPrintable(why));

    // ---- the log view opened, then exported to a file
    {
        TDM tdm;
        tdm.ADOConnection1->open(ourLog);
        resetPeak();
        const double before = statusMb("VmRSS:");
        QElapsedTimer t;
        t.start();
        tdm.ADOQueryLog->open();
        tdm.ADOQueryLog->last();
        f.open = t.nsecsElapsed() / 1e9;
        f.openMb = statusMb("VmRSS:") - before;
        f.openPeakMb = statusMb("VmHWM:");
        std::printf(
            "open view tarnix %7.3f s (aim <= 2 s)   view memory %.0f MB (aim <= 250)   peak %.0f MB\n",
            f.open, f.openMb, f.openPeakMb);

        resetPeak();
        t.restart();
        AdifExchange::exportLog(tdm.ADOQueryLog, dir.filePath(QStringLiteral("out.adi")));
        f.exportOnly = t.nsecsElapsed() / 1e9;
        f.exportPeakMb = statusMb("VmHWM:");
    }
    const QByteArray exportScript =
        (".mode csv\n.output '" + dir.filePath(QStringLiteral("out.csv")) + "'\n"
         "select " + columns + " from log order by qso_date, time_on;\n").toUtf8();
    f.exportBase = runSqlite(ourLog, exportScript);
    std::printf("export    tarnix %7.3f s   sqlite3 %7.3f s   ratio %.2f (aim <= 2.0; %.2f with the opening)"
                "   peak %.0f MB\n",
                f.exportOnly, f.exportBase, f.exportOnly / f.exportBase,
                (f.exportOnly + f.open) / f.exportBase, f.exportPeakMb);
    for (const QString &name : {ourLog, baseLog, adiPath, csvPath, dir.filePath(QStringLiteral("out.adi")),
                                dir.filePath(QStringLiteral("out.csv"))})
        QFile::remove(name);
    return f;
}

}   // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const std::vector<int> counts = BenchSupport::qsoCounts(argc, argv, 1);
    QTemporaryDir dir;
    if (!dir.isValid())
        fail(QStringLiteral("no temporary folder"));

    std::map<int, Figures> all;
    for (int n : counts)
        all[n] = measure(n, dir);
    if (all.size() > 1) {
        const auto &[n0, a] = *all.begin();
        const auto &[n1, b] = *all.rbegin();
        std::printf("\ngrowth from %d to %d QSOs (x%.0f; aim <= %.0f):\n", n0, n1, double(n1) / n0,
                    1.1 * n1 / n0);
        std::printf("  import %.1f, open view %.1f, view memory %.1f, export %.1f\n", b.import / a.import,
                    b.open / a.open, b.openMb / a.openMb, b.exportOnly / a.exportOnly);
    }
    return 0;
}
