// Opening the log view and the lookup by call on a log of N QSOs, against
// the sqlite3 program selecting the same rows in the same run, with the
// memory the view takes and the peak memory of opening it.
// Usage: bench_logdb [qso-count ...]   (default 100000; sqlite3 on PATH)
// With several counts the growth of each figure from the smallest count to
// the largest is printed as well.
#include "benchlog.h"
#include "benchsupport.h"
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
#include <map>
#include <sqlite3.h>
#include <vector>

namespace {

using BenchSupport::resetPeak;
using BenchSupport::statusMb;

struct Figures {
    double cli = 0, open = 0, viewMb = 0, peakMb = 0, firstLookup = 0, lookup = 0, b4 = 0;
};

Figures measure(int n, QTemporaryDir &tmp)
{
    const QString path = tmp.filePath(QStringLiteral("bench%1.mdb").arg(n));
    Schema::createTemplate(path);
    BenchLog::fill(path, n);
    Figures f;

    QElapsedTimer t;
    t.start();
    QProcess p;
    p.setStandardOutputFile(QProcess::nullDevice());
    p.start(QStringLiteral("sqlite3"), {path, QStringLiteral("select * from log order by qso_date, time_on")});
    p.waitForFinished(-1);
    f.cli = t.nsecsElapsed() / 1e6;

    TDM dm;
    dm.ADOConnection1->open(path);
    resetPeak();
    const double rss0 = statusMb("VmRSS:");
    t.restart();
    dm.ADOQueryLog->open();
    dm.ADOQueryLog->last();
    f.open = t.nsecsElapsed() / 1e6;
    f.viewMb = statusMb("VmRSS:") - rss0;
    f.peakMb = statusMb("VmHWM:");

    const QString call = dm.ADOQueryLog->fieldByName(QStringLiteral("CALL")).asString();
    CallIndex index(dm.ADOQueryLog);
    t.restart();
    index.lookup(call);
    f.firstLookup = t.nsecsElapsed() / 1e6;
    t.restart();
    const int lookups = 1000;
    for (int i = 0; i < lookups; ++i)
        index.lookup(i % 2 ? call : QStringLiteral("QQ1ABC"));
    f.lookup = t.nsecsElapsed() / 1e6 / lookups;

    t.restart();
    dm.ADOQueryB4->setParam(QStringLiteral("vcall"), call);
    dm.ADOQueryB4->open();
    f.b4 = t.nsecsElapsed() / 1e6;

    std::printf("\nrows                          %d\n", dm.ADOQueryLog->recordCount());
    std::printf("sqlite3 program, same rows    %8.1f ms\n", f.cli);
    std::printf("ADOQueryLog open (ordered)    %8.1f ms   ratio %.2f (aim <= 2 s)\n", f.open, f.open / f.cli);
    std::printf("memory for the rows           %8.1f MB  (aim <= 250 MB at a million)   peak %.0f MB\n",
                f.viewMb, f.peakMb);
    std::printf("lookup by call, first        %8.3f ms (builds the index)\n", f.firstLookup);
    std::printf("lookup by call, then          %8.4f ms (aim < 1)\n", f.lookup);
    std::printf("worked-before query           %8.1f ms\n", f.b4);
    dm.ADOConnection1->close();
    QFile::remove(path);
    return f;
}

}   // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const std::vector<int> counts = BenchSupport::qsoCounts(argc, argv, 1);
    QTemporaryDir tmp;
    std::map<int, Figures> all;
    for (int n : counts)
        all[n] = measure(n, tmp);
    if (all.size() > 1) {
        const auto &[n0, a] = *all.begin();
        const auto &[n1, b] = *all.rbegin();
        std::printf(
            "\ngrowth from %d to %d QSOs (x%.0f; aim <= %.0f): open %.1f, memory %.1f, first lookup %.1f\n",
            n0, n1, double(n1) / n0, 1.1 * n1 / n0, b.open / a.open, b.viewMb / a.viewMb,
            b.firstLookup / a.firstLookup);
    }
    return 0;
}
