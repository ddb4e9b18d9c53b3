// Helper program of the kill-safety test: runs the ADIF import or the DXCC
// rebuild on a log and prints every progress position on its own line, so
// the test can kill it with SIGKILL part-way through.
//   killchild import <log> <file.adi>
//   killchild rebuild <log> <cty.dat>
#include "exchange/adifexchange.h"
#include "country/ctysupport.h"
#include "logdb/dberror.h"
#include "country/dxcc.h"
#include "logdb/tdm.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 4) {
        std::fprintf(stderr, "usage: killchild import|rebuild <log> <file>\n");
        return 2;
    }
    const QString what = QString::fromLocal8Bit(argv[1]);
    const QString log = QString::fromLocal8Bit(argv[2]);
    const QString file = QString::fromLocal8Bit(argv[3]);
    int shown = -1;
    const WorkProgress progress = [&shown](const WorkStatus &s) {
        if (s.position != shown) {
            shown = s.position;
            std::printf("%d\n", s.position);
            std::fflush(stdout);
        }
        return true;
    };
    try {
        TDM dm;
        dm.ADOConnection1->open(log);
        dm.ADOQueryLog->open();
        if (what == QLatin1String("import")) {
            AdifExchange::importFile(dm.ADOQueryLog, file, progress);
        } else if (what == QLatin1String("rebuild")) {
            LoadCountryTable(file);
            RebuildDxcc(*dm.ADOQueryLog, progress);
        } else {
            std::fprintf(stderr, "killchild: unknown action\n");
            return 2;
        }
    } catch (const DbError &e) {
        std::fprintf(stderr, "killchild: %s\n", e.what());
        return 1;
    }
    std::printf("done\n");
    return 0;
}
