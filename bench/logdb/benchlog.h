#pragma once
// A log of made-up QSOs for the benchmarks: random dates over 25 years and
// times, calls of eight prefixes (about half of them distinct at a million),
// the other fields as an FT8 operator fills them.
#include <QDate>
#include <QFile>
#include <QRandomGenerator>
#include <QString>

#include <sqlite3.h>

namespace BenchLog {

// Appends `n` QSOs to the log at `path` (made from the template) in one transaction.
inline void fill(const QString &path, int n)
{
    sqlite3 *db = nullptr;
    sqlite3_open(QFile::encodeName(path).constData(), &db);
    sqlite3_exec(db, "begin", nullptr, nullptr, nullptr);
    sqlite3_stmt *st = nullptr;
    sqlite3_prepare_v2(db,
                       "insert into log (QSO_DATE, TIME_ON, TIME_OFF, FREQ, MODE, CALL, NAME, QTH, COMMENT, "
                       "RST_SENT, RST_RCVD, QSL_SENT, QSL_RCVD, TX_PWR, GRIDSQUARE, dxcc) "
                       "values (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)",
                       -1, &st, nullptr);
    auto *rng = QRandomGenerator::global();
    const char *pfx[] = {"UA3", "UA9", "DL", "K", "JA1", "VK2", "RA3", "UT"};
    for (int i = 0; i < n; ++i) {
        const QByteArray date
            = QDate(2000, 1, 1).addDays(rng->bounded(9000)).toString(QStringLiteral("yyyy-MM-dd")).toUtf8();
        const QByteArray time = QStringLiteral("%1:%2")
                                    .arg(rng->bounded(24), 2, 10, QLatin1Char('0'))
                                    .arg(rng->bounded(60), 2, 10, QLatin1Char('0'))
                                    .toUtf8();
        const QByteArray call = QByteArray(pfx[rng->bounded(8)]) + QByteArray::number(rng->bounded(10))
                                + char('A' + rng->bounded(26)) + char('A' + rng->bounded(26))
                                + char('A' + rng->bounded(26));
        const char *vals[] = {date.constData(), time.constData(), time.constData(), "14.074", "FT8",
                              call.constData(), "Ivan", "Moscow", "tnx for the nice qso", "599", "579", "N",
                              "N", "100", "KO85UT", "UA"};
        for (int c = 0; c < 16; ++c)
            sqlite3_bind_text(st, c + 1, vals[c], -1, SQLITE_TRANSIENT);
        sqlite3_step(st);
        sqlite3_reset(st);
    }
    sqlite3_finalize(st);
    sqlite3_exec(db, "commit", nullptr, nullptr, nullptr);
    sqlite3_close(db);
}

} // namespace BenchLog
