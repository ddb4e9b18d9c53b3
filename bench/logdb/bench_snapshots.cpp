// Snapshots of a log of 100,000 QSOs: how long the window waits for them.
// The window's thread only queues a snapshot; what it can still feel is the
// log being read for the copy while it saves a QSO. Saves measured while a
// snapshot runs are compared with the same saves without one, in the same
// run, and the copy itself with a plain file copy of the log (which neither
// checks nor syncs anything).
#include "benchlog.h"
#include "logdb/connection.h"
#include "logdb/schema.h"
#include "logdb/snapshots.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <sqlite3.h>

namespace {

// One QSO saved as the entry panel saves it; returns the milliseconds taken.
double saveQso(Connection &c, int i)
{
    QElapsedTimer t;
    t.start();
    c.execute(QStringLiteral("insert into log (QSO_DATE, TIME_ON, TIME_OFF, CALL, NAME) "
                             "values ('2024-05-01', '12:00', '12:01', 'UA3BENCH', 'N%1')")
                  .arg(i));
    return t.nsecsElapsed() / 1e6;
}

}   // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int n = 100000;
    QTemporaryDir tmp;
    const QString path = tmp.filePath(QStringLiteral("bench.mdb"));
    Schema::createTemplate(path);
    BenchLog::fill(path, n);

    QElapsedTimer t;
    t.start();
    QFile::copy(path, tmp.filePath(QStringLiteral("plain-copy.mdb")));
    const double plainCopy = t.nsecsElapsed() / 1e6;

    Connection window;
    window.open(path);
    SnapshotKeeper keeper;
    keeper.setPolicy(Snapshots::Policy{true, 100, 0});
    int saved = 0;

    struct Stats {
        double avg = 0, max = 0;
        int count = 0;
        double snapshotMs = 0, queueMs = 0;
    };
    // Saves every pauseMs, either alone or each round alongside a snapshot
    // (a change comes first, so every round copies).
    auto measure = [&](int pauseMs, bool withSnapshots) {
        Stats st;
        double sum = 0;
        const int rounds = 4;
        for (int r = 0; r < rounds; ++r) {
            saveQso(window, saved++);
            QElapsedTimer whole;
            whole.start();
            if (withSnapshots) {
                QElapsedTimer q;
                q.start();
                keeper.request(path);
                st.queueMs = std::max(st.queueMs, q.nsecsElapsed() / 1e6);
            }
            // Without snapshots, as long as a snapshot took.
            while (withSnapshots ? !keeper.isIdle() : whole.elapsed() < 800) {
                const double ms = saveQso(window, saved++);
                st.max = std::max(st.max, ms);
                sum += ms;
                ++st.count;
                QThread::msleep(pauseMs);
            }
            st.snapshotMs += whole.nsecsElapsed() / 1e6 / rounds;
            keeper.waitForIdle();
            QThread::sleep(1);   // the next snapshot gets a name of its own second
        }
        st.avg = st.count ? sum / st.count : 0;
        return st;
    };

    std::printf("QSOs in the log                          %d (%.1f MB)\n", n,
                QFileInfo(path).size() / 1048576.0);
    std::printf("plain file copy of the log               %8.1f ms\n", plainCopy);
    for (int pause : {1, 100}) {
        const Stats base = measure(pause, false);
        const Stats during = measure(pause, true);
        std::printf(pause < 10
                        ? "-- a QSO saved every %d ms (+ the save itself): more often than a pass of the "
                          "copy ends, so after %d restarts the rest is read in one go\n"
                        : "-- a QSO saved every %d ms (+ the save itself)\n",
                    pause, 3);
        std::printf("snapshot, saves alongside                %8.1f ms   ratio to plain copy %.2f\n",
                    during.snapshotMs, during.snapshotMs / plainCopy);
        std::printf("request() on the window's thread, max    %8.3f ms\n", during.queueMs);
        std::printf("save without snapshot: avg %6.2f ms, max %7.2f ms (%d saves)\n", base.avg, base.max,
                    base.count);
        std::printf("save during snapshot:  avg %6.2f ms, max %7.2f ms (%d saves)\n", during.avg, during.max,
                    during.count);
        std::printf("longest save, during / without           ratio %.2f; extra wait %.1f ms (aim < 100)\n",
                    base.max > 0 ? during.max / base.max : 0.0, during.max - base.max);
    }

    // What the SQL window waits before a statement that changes data.
    saveQso(window, saved++);
    t.restart();
    const Snapshots::Result fresh = keeper.ensureFresh(path);
    const double freshMs = t.nsecsElapsed() / 1e6;

    std::printf("ensureFresh before an SQL update         %8.1f ms (%s)\n", freshMs,
                fresh.ok ? (fresh.taken ? "snapshot taken" : "already fresh") : qPrintable(fresh.message));
    std::printf("snapshots in backup                      %d\n", int(Snapshots::listFor(path).size()));
    return 0;
}
