// Converting a Jet log of N QSOs (100,000 unless given), against mdbtools'
// own mdb-export of the same table in the same run. Each is run three times,
// alternately; the best time of each counts.
#include "convert/jetconvert.h"
#include "jetwriter.h"
#include "logdb/schema.h"

#include <QCoreApplication>
#include <QDate>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTime>

#include <cstdio>

using namespace JetWriter;

namespace {

Table logTable(int n)
{
    Table t;
    t.name = QStringLiteral("log");
    const char *names[] = {"id",       "QSO_DATE", "TIME_ON", "TIME_OFF",   "FREQ",     "MODE",
                           "CALL",     "NAME",     "QTH",     "COMMENT",    "RST_SENT", "RST_RCVD",
                           "QSL_SENT", "QSL_RCVD", "TX_PWR",  "GRIDSQUARE", "dxcc",     "user1"};
    const int widths[] = {0, 0, 0, 0, 10, 10, 15, 25, 25, 36, 10, 10, 1, 1, 4, 6, 5, 5};
    for (int i = 0; i < 18; ++i)
        t.columns << Column{QString::fromLatin1(names[i]),
                            i == 0   ? Type::Long
                            : i <= 3 ? Type::DateTime
                                     : Type::Text,
                            widths[i], i == 0, true};

    QRandomGenerator rng(2010);
    const char *pfx[] = {"UA3", "UA9", "DL", "K", "JA1", "VK2", "RA3", "UT"};
    const QStringList ops = {QStringLiteral("Ivan"), QStringLiteral("Иван"), QStringLiteral("Сергей"),
                             QStringLiteral("John"), QStringLiteral("Пётр"), QString()};
    const QStringList qths = {QStringLiteral("Moscow"), QStringLiteral("Тверь"), QStringLiteral("Berlin"),
                              QStringLiteral("Новосибирск"), QString()};
    const char *modes[] = {"SSB", "CW", "FT8", "RTTY"};
    for (int i = 1; i <= n; ++i) {
        const QDate d = QDate(2000, 1, 1).addDays(rng.bounded(9000));
        const QTime on(rng.bounded(24), rng.bounded(60));
        const QString call = QString::fromLatin1(pfx[rng.bounded(8)]) + QString::number(rng.bounded(10))
                             + QChar(u'A' + rng.bounded(26)) + QChar(u'A' + rng.bounded(26))
                             + QChar(u'A' + rng.bounded(26));
        const QString op = ops[rng.bounded(int(ops.size()))];
        const QString qth = qths[rng.bounded(int(qths.size()))];
        t.rows << Row{i,
                      d,
                      on,
                      on.addSecs(120),
                      QStringLiteral("14.074"),
                      QString::fromLatin1(modes[rng.bounded(4)]),
                      call,
                      op.isNull() ? QVariant() : QVariant(op),
                      qth.isNull() ? QVariant() : QVariant(qth),
                      QStringLiteral("tnx fer QSO, 73!"),
                      QStringLiteral("599"),
                      QStringLiteral("579"),
                      QStringLiteral("N"),
                      QStringLiteral("N"),
                      QStringLiteral("100"),
                      QStringLiteral("KO85UT"),
                      QStringLiteral("UA"),
                      QVariant()};
    }
    return t;
}

}   // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int n = argc > 1 ? QByteArray(argv[1]).toInt() : 100000;
    if (n <= 0) {
        std::fprintf(stderr, "usage: bench_convert [number of QSOs]\n");
        return 2;
    }
    QTemporaryDir dir;
    const QString src = dir.filePath(QStringLiteral("old.mdb"));
    const QString dst = dir.filePath(QStringLiteral("new.mdb"));
    const QString tpl = dir.filePath(QStringLiteral("shablon"));
    Schema::createTemplate(tpl);

    Table modes;
    modes.name = QStringLiteral("modes");
    modes.columns = {{QStringLiteral("mode"), Type::Text, 10, false, true}};
    for (const char *m : {"SSB", "CW", "FM", "AM", "RTTY", "PSK31", "FT8", "FT4", "SSTV", "DIG"})
        modes.rows << Row{QString::fromLatin1(m)};
    Table opc;
    opc.name = QStringLiteral("opc");
    opc.columns = {{QStringLiteral("id"), Type::Long, 0, true},
                   {QStringLiteral("mycall"), Type::Text, 15},
                   {QStringLiteral("timeshift"), Type::Int}};
    opc.rows << Row{1, QStringLiteral("UA3XYZ"), 3};
    write(src, {logTable(n), modes, opc});
    std::printf("Jet 4 log of %d QSOs: %.1f MB\n", n, double(QFile(src).size()) / 1e6);

    qint64 bestExport = -1;
    qint64 bestConvert = -1;
    qint64 converted = 0;
    for (int round = 0; round < 3; ++round) {
        QElapsedTimer t;
        QProcess p;
        p.setStandardOutputFile(QProcess::nullDevice());
        t.start();
        p.start(QStringLiteral(MDB_EXPORT), {src, QStringLiteral("log")});
        if (!p.waitForFinished(-1) || p.exitCode() != 0) {
            std::fprintf(stderr, "mdb-export failed\n");
            return 1;
        }
        const qint64 e = t.nsecsElapsed();
        bestExport = bestExport < 0 ? e : qMin(bestExport, e);

        QFile::remove(dst);
        t.start();
        const ConvertResult r = convertJetLog(src, dst, tpl);
        const qint64 c = t.nsecsElapsed();
        bestConvert = bestConvert < 0 ? c : qMin(bestConvert, c);
        converted = r.qsos;
    }
    if (converted != n) {
        std::fprintf(stderr, "converted %lld of %d QSOs\n", static_cast<long long>(converted), n);
        return 1;
    }
    std::printf("mdb-export of table log: %8.1f ms\n", double(bestExport) / 1e6);
    std::printf("conversion to a new log: %8.1f ms\n", double(bestConvert) / 1e6);
    std::printf("ratio conversion / mdb-export: %.2f (aim: at most 2)\n",
                double(bestConvert) / double(bestExport));
    return 0;
}
