// ADIF import and export of 100,000 QSOs, each against the sqlite3 program
// doing the comparable work in the same run:
//   import  ~ sqlite3 reading the same rows from CSV and inserting them into
//             `log` in one transaction;
//   export  ~ sqlite3 writing the same rows with ".mode csv".
// Usage: bench_adif [qso-count] (sqlite3 must be on PATH).

#include "exchange/adif.h"
#include "exchange/adifexchange.h"
#include "logdb/schema.h"
#include "logdb/tdm.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <cstdio>

namespace {

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

double best(int runs, const std::function<double()> &f)
{
    double b = 1e30;
    for (int i = 0; i < runs; ++i)
        b = std::min(b, f());
    return b;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int count = argc > 1 ? std::atoi(argv[1]) : 100000;
    const int runs = 3;
    QTemporaryDir dir;
    if (!dir.isValid())
        fail(QStringLiteral("no temporary folder"));

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
    const QString adiPath = dir.filePath(QStringLiteral("qsos.adi"));
    const QString csvPath = dir.filePath(QStringLiteral("qsos.csv"));
    for (auto [path, data] : {std::pair{adiPath, &adi}, std::pair{csvPath, &csv}}) {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) || f.write(*data) != data->size())
            fail(QStringLiteral("cannot write ") + path);
    }
    const QString columns = QStringLiteral(
        "CALL, QSO_DATE, TIME_ON, TIME_OFF, MODE, NAME, QTH, COMMENT, FREQ, RST_SENT, RST_RCVD,"
        " QSL_SENT, QSL_RCVD, TX_PWR, GRIDSQUARE");

    std::printf("%d QSOs: ADI file %.1f MB, CSV %.1f MB; best of %d runs\n", count,
                adi.size() / 1e6, csv.size() / 1e6, runs);

    // ---- import
    int logNo = 0;
    auto freshLog = [&]() {
        const QString path = dir.filePath(QStringLiteral("log%1.mdb").arg(++logNo));
        Schema::createTemplate(path);
        return path;
    };
    const double ours = best(runs, [&] {
        const QString path = freshLog();
        TDM tdm;
        tdm.ADOConnection1->open(path);
        tdm.ADOQueryLog->open();
        QElapsedTimer t;
        t.start();
        const auto r = AdifExchange::importFile(tdm.ADOQueryLog, adiPath);
        const double s = t.nsecsElapsed() / 1e9;
        if (r.stored != count)
            fail(QStringLiteral("imported %1 of %2").arg(r.stored).arg(count));
        return s;
    });
    const QByteArray importScript =
        ("create temp table staging (" + columns + ");\n"
         ".mode csv\n"
         ".import '" + csvPath + "' staging\n"
         "begin;\n"
         "insert into log (" + columns + ") select * from staging;\n"
         "commit;\n").toUtf8();
    const double base = best(runs, [&] { return runSqlite(freshLog(), importScript); });
    std::printf("import: tarnix %.3f s, sqlite3 %.3f s, ratio %.2f\n", ours, base, ours / base);

    // ---- export: the log as the program has it open, to a file.
    const QString full = dir.filePath(QStringLiteral("log%1.mdb").arg(logNo));   // holds the rows
    TDM tdm;
    tdm.ADOConnection1->open(full);
    double openTime = 0;
    const double exportOnly = best(runs, [&] {
        QElapsedTimer t;
        t.start();
        tdm.ADOQueryLog->close();
        tdm.ADOQueryLog->open();
        openTime = t.nsecsElapsed() / 1e9;
        t.restart();
        AdifExchange::exportLog(tdm.ADOQueryLog, dir.filePath(QStringLiteral("out.adi")));
        return t.nsecsElapsed() / 1e9;
    });
    tdm.ADOConnection1->close();
    const QByteArray exportScript =
        (".mode csv\n.output '" + dir.filePath(QStringLiteral("out.csv")) + "'\n"
         "select " + columns + " from log order by qso_date, time_on;\n").toUtf8();
    const double exportBase = best(runs, [&] { return runSqlite(full, exportScript); });
    std::printf("export: tarnix %.3f s (log view opened in %.3f s more), sqlite3 %.3f s, "
                "ratio %.2f (%.2f with the opening)\n",
                exportOnly, openTime, exportBase, exportOnly / exportBase,
                (exportOnly + openTime) / exportBase);
    return 0;
}
