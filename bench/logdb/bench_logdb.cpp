// Opening the log view and the lookup by call on a log of 100,000 QSOs,
// against the sqlite3 program selecting the same rows in the same run.
#include "logdb/schema.h"
#include "logdb/callindex.h"
#include "logdb/tdm.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <cstdio>
#include <sqlite3.h>

namespace {
long rssKb()
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : f.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    return 0;
}

void fill(const QString &path, int n)
{
    sqlite3 *db = nullptr;
    sqlite3_open(path.toUtf8().constData(), &db);
    sqlite3_exec(db, "begin", nullptr, nullptr, nullptr);
    sqlite3_stmt *st = nullptr;
    sqlite3_prepare_v2(db,
        "insert into log (QSO_DATE, TIME_ON, TIME_OFF, FREQ, MODE, CALL, NAME, QTH, COMMENT, RST_SENT, "
        "RST_RCVD, QSL_SENT, QSL_RCVD, TX_PWR, GRIDSQUARE, dxcc) values (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)",
        -1, &st, nullptr);
    auto *rng = QRandomGenerator::global();
    const char *pfx[] = {"UA3", "UA9", "DL", "K", "JA1", "VK2", "RA3", "UT"};
    for (int i = 0; i < n; ++i) {
        const QDate d = QDate(2000, 1, 1).addDays(rng->bounded(9000));
        const QByteArray date = d.toString(QStringLiteral("yyyy-MM-dd")).toUtf8();
        const QByteArray time = QStringLiteral("%1:%2").arg(rng->bounded(24), 2, 10, QLatin1Char('0')).arg(rng->bounded(60), 2, 10, QLatin1Char('0')).toUtf8();
        const QByteArray call = (QByteArray(pfx[rng->bounded(8)]) + QByteArray::number(rng->bounded(10)) + char('A' + rng->bounded(26)) + char('A' + rng->bounded(26)) + char('A' + rng->bounded(26)));
        const char *vals[] = {date.constData(), time.constData(), time.constData(), "14.074", "FT8", call.constData(),
                              "Ivan", "Moscow", "tnx for the nice qso", "599", "579", "N", "N", "100", "KO85UT", "UA"};
        for (int c = 0; c < 16; ++c)
            sqlite3_bind_text(st, c + 1, vals[c], -1, SQLITE_TRANSIENT);
        sqlite3_step(st);
        sqlite3_reset(st);
    }
    sqlite3_finalize(st);
    sqlite3_exec(db, "commit", nullptr, nullptr, nullptr);
    sqlite3_close(db);
}
} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int n = 100000;
    QTemporaryDir tmp;
    const QString path = tmp.filePath(QStringLiteral("bench.mdb"));
    Schema::createTemplate(path);
    fill(path, n);

    QElapsedTimer t;
    t.start();
    QProcess p;
    p.setStandardOutputFile(QProcess::nullDevice());
    p.start(QStringLiteral("sqlite3"), {path, QStringLiteral("select * from log order by qso_date, time_on")});
    p.waitForFinished(-1);
    const double cli = t.nsecsElapsed() / 1e6;

    TDM dm;
    dm.ADOConnection1->open(path);
    const long rss0 = rssKb();
    t.restart();
    dm.ADOQueryLog->open();
    dm.ADOQueryLog->last();
    const double openMs = t.nsecsElapsed() / 1e6;
    const long rss1 = rssKb();

    const QString call = dm.ADOQueryLog->fieldByName(QStringLiteral("CALL")).asString();
    CallIndex index(dm.ADOQueryLog);
    t.restart();
    index.lookup(call);
    const double firstLookup = t.nsecsElapsed() / 1e6;
    t.restart();
    const int lookups = 1000;
    for (int i = 0; i < lookups; ++i)
        index.lookup(i % 2 ? call : QStringLiteral("QQ1ABC"));
    const double lookupMs = t.nsecsElapsed() / 1e6 / lookups;

    t.restart();
    dm.ADOQueryB4->setParam(QStringLiteral("vcall"), call);
    dm.ADOQueryB4->open();
    const double b4Ms = t.nsecsElapsed() / 1e6;

    std::printf("rows                          %d\n", dm.ADOQueryLog->recordCount());
    std::printf("sqlite3 program, same rows    %8.1f ms\n", cli);
    std::printf("ADOQueryLog open (ordered)    %8.1f ms   ratio %.2f (aim <= 2)\n", openMs, openMs / cli);
    std::printf("memory for the rows           %8.1f MB  (aim < 60)\n", (rss1 - rss0) / 1024.0);
    std::printf("lookup by call, first        %8.3f ms (builds the index)\n", firstLookup);
    std::printf("lookup by call, then          %8.4f ms (aim < 1)\n", lookupMs);
    std::printf("worked-before query           %8.1f ms\n", b4Ms);
    return 0;
}
