// Loading the country file and resolving calls, against a plain read of the
// same file and a plain hash lookup measured in the same run; then the DXCC
// rebuild of logs of the given sizes.
// Usage: bench_country [cty.dat [qso-count ...]]   (default 100000 QSOs)
#include "benchsupport.h"
#include "country/ctysupport.h"
#ifdef TARNIX_BENCH_REBUILD
#include "logdb/connection.h"
#include "logdb/dataset.h"
#include "country/dxcc.h"
#include "logdb/schema.h"
#include "logdb/tdm.h"

#include <sqlite3.h>
#endif

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QStringList>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <map>
#include <vector>

namespace {

using BenchSupport::resetPeak;
using BenchSupport::statusMb;

template <typename F>
double medianMs(int runs, F &&f)
{
    std::vector<double> t;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        f();
        t.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    std::sort(t.begin(), t.end());
    return t[t.size() / 2];
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QString path = argc > 1 ? QString::fromLocal8Bit(argv[1])
                                  : QStringLiteral("/usr/share/hamradio-files/cty.dat");
    const int runs = 21;

    qsizetype sink = 0;
    const double readMs = medianMs(runs, [&] {
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly)) {
            std::fprintf(stderr, "cannot read %s\n", qPrintable(path));
            std::exit(1);
        }
        sink += f.readAll().size();
    });
    // A plain read split into lines: the least any line-based loader does.
    const double splitMs = medianMs(runs, [&] {
        QFile f(path);
        f.open(QIODevice::ReadOnly);
        sink += f.readAll().split('\n').size();
    });
    const double loadMs = medianMs(runs, [&] { LoadCountryTable(path); });

    std::printf("country file: %s, %d records\n", qPrintable(path), CountryCount());
    std::printf("plain read           %8.3f ms\n", readMs);
    std::printf("read + split lines   %8.3f ms\n", splitMs);
    std::printf("load + sort tables   %8.3f ms   (%.1fx plain read, %.1fx read+split; budget 50 ms)\n",
                loadMs, loadMs / readMs, loadMs / splitMs);

    // Calls built from the file's own keys, plus suffixes, so every lookup
    // walks several beginnings before it hits.
    QStringList calls;
    const auto &table = PrefixTable();
    for (size_t i = 0; i < table.size(); i += std::max<size_t>(1, table.size() / 2000)) {
        QString key = QString::fromLatin1(table[i].Prefix.bytes());
        if (key.startsWith(QLatin1Char('=')))
            key.remove(0, 1);
        calls << key + QStringLiteral("/P") << key + QStringLiteral("1ABC");
    }
    QHash<QString, int> hash;
    for (int i = 0; i < calls.size(); ++i)
        hash.insert(calls[i], i);

    const int rounds = 20;
    const double hashMs = medianMs(runs, [&] {
        for (int r = 0; r < rounds; ++r)
            for (const QString &c : calls)
                sink += hash.value(c);
    });
    const double byCallMs = medianMs(runs, [&] {
        for (int r = 0; r < rounds; ++r)
            for (const QString &c : calls)
                sink += FindCountryByCall(c).Name.size();
    });
    QStringList stored;
    for (const TCountryRecord &rec : PrefixTable())
        stored << QString::fromLatin1(rec.PrimaryPrefix.bytes().left(kStoredCountryWidth));
    stored = stored.mid(0, calls.size());
    const double byPrefixMs = medianMs(runs, [&] {
        for (int r = 0; r < rounds; ++r)
            for (const QString &s : stored)
                sink += FindCountryByPrefix(s).Name.size();
    });

    const double n = double(rounds) * calls.size();
    const double nStored = double(rounds) * stored.size();
    const double hashUs = hashMs * 1000 / n;
    std::printf("hash lookup          %8.4f us per call (%d calls)\n", hashUs, int(calls.size()));
    std::printf("FindCountryByCall    %8.4f us per call (%.1fx hash lookup; budget well under 1000 us)\n",
                byCallMs * 1000 / n, (byCallMs * 1000 / n) / hashUs);
    std::printf("FindCountryByPrefix  %8.4f us per text (%.1fx hash lookup)\n",
                byPrefixMs * 1000 / nStored, (byPrefixMs * 1000 / nStored) / hashUs);

#ifdef TARNIX_BENCH_REBUILD
    // DXCC rebuild over logs of the given sizes, against one engine statement
    // that rewrites the same column of every row.
    const std::vector<int> sizes = BenchSupport::qsoCounts(argc, argv, 2);
    std::map<int, std::pair<double, double>> rebuilds;   // QSOs -> rebuild ms, peak MB
    for (int qsos : sizes) {
        QTemporaryDir dir;
        const QString logPath = dir.filePath(QStringLiteral("bench.mdb"));
        Schema::createTemplate(logPath);
        Connection conn;
        conn.open(logPath);
        conn.beginTransaction();
        {
            sqlite3_stmt *st = nullptr;
            sqlite3_prepare_v2(conn.handle(),
                               "insert into log (QSO_DATE, TIME_ON, TIME_OFF, CALL, dxcc) values "
                               "('2024-01-01', ?1, ?1, ?2, '')",
                               -1, &st, nullptr);
            for (int i = 0; i < qsos; ++i) {
                const QByteArray time = QStringLiteral("%1:%2")
                                            .arg(i / 60 % 24, 2, 10, QLatin1Char('0'))
                                            .arg(i % 60, 2, 10, QLatin1Char('0'))
                                            .toLatin1();
                const QByteArray call = calls[i % calls.size()].left(15).toUtf8();
                sqlite3_bind_text(st, 1, time.constData(), -1, SQLITE_TRANSIENT);
                sqlite3_bind_text(st, 2, call.constData(), -1, SQLITE_TRANSIENT);
                sqlite3_step(st);
                sqlite3_reset(st);
            }
            sqlite3_finalize(st);
        }
        conn.commit();

        QElapsedTimer timer;
        timer.start();
        conn.execute(QStringLiteral("update log set dxcc = substr(CALL, 1, 2)"));
        const double updateAllMs = double(timer.nsecsElapsed()) / 1e6;

        Dataset view(QStringLiteral("ADOQueryLog"), &conn);
        view.setSql(TDM::standingLogSql());
        view.setFixedFields(Schema::logFields());
        view.setBaseTable(QStringLiteral("log"));
        timer.restart();
        view.open();
        const double openMs = double(timer.nsecsElapsed()) / 1e6;

        int lastPosition = 0;
        resetPeak();
        timer.restart();
        const RebuildResult r = RebuildDxcc(view, [&](const WorkStatus &s) {
            lastPosition = s.position;
            return true;
        });
        const double rebuildMs = double(timer.nsecsElapsed()) / 1e6;
        const double peakMb = statusMb("VmHWM:");
        rebuilds[qsos] = {rebuildMs, peakMb};

        std::printf("\nlog of %d QSOs\n", qsos);
        std::printf("one update statement %8.1f ms\n", updateAllMs);
        std::printf("open the log view    %8.1f ms\n", openMs);
        std::printf(
            "DXCC rebuild         %8.1f ms   (%.1fx one update statement; %d rows, progress ended at %d;"
            " aim <= 5 s at a million)   peak %.0f MB\n",
            rebuildMs, rebuildMs / updateAllMs, r.done, lastPosition, peakMb);
    }
    if (rebuilds.size() > 1) {
        const auto &[n0, a] = *rebuilds.begin();
        const auto &[n1, b] = *rebuilds.rbegin();
        std::printf("\ngrowth of the rebuild from %d to %d QSOs: %.1f (x%.0f more rows; aim <= %.0f)\n", n0,
                    n1, b.first / a.first, double(n1) / n0, 1.1 * n1 / n0);
    }
#endif
    return sink == -1 ? 1 : 0;
}
