#include "apptestkit.h"
#include "logdb/logclock.h"
#include "app/startup.h"

#include <QApplication>
#include <QFile>
#include <QTest>
#include <sqlite3.h>

AppFixture::AppFixture()
{
    Dialogs::Testing::enable();
    Dialogs::Testing::clear();
    LogClock::setPcClockForTesting({});
    form = createProgramWindows();
    dm = form->DM;
}

AppFixture::~AppFixture()
{
    delete form;
    Dialogs::Testing::clear();
    LogClock::setPcClockForTesting({});
}

QString AppFixture::newLog(const QString &name)
{
    const QString path = dir.filePath(name);
    QFile::remove(path);
    QFile::copy(QStringLiteral(TARNIX_BIN_DIR "/shablon"), path);
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    return path;
}

void AppFixture::showAndOpen(const QString &path)
{
    Dialogs::Testing::answerFile(path);
    form->show();
    if (!QTest::qWaitForWindowActive(form))
        qWarning("main window not active");
    // The Open command runs right after the first show.
    QTRY_VERIFY_WITH_TIMEOUT(!Dialogs::Testing::shown().isEmpty(), 5000);
    QApplication::processEvents();
}

void AppFixture::exec(const QString &logPath, const QString &sql)
{
    sqlite3 *db = nullptr;
    sqlite3_open(logPath.toUtf8().constData(), &db);
    char *err = nullptr;
    if (sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, &err) != SQLITE_OK)
        qWarning("sqlite: %s", err);
    sqlite3_free(err);
    sqlite3_close(db);
}

void AppFixture::insertQso(const QString &logPath, const QString &isoDate, const QString &timeOn,
                           const QString &call, const QString &name, const QString &grid,
                           const QString &extraSql)
{
    auto lit = [](const QString &s) {
        return s.isNull() ? QStringLiteral("NULL") : QLatin1Char('\'') + QString(s).replace(QLatin1Char('\''), QStringLiteral("''")) + QLatin1Char('\'');
    };
    exec(logPath, QStringLiteral("insert into log (QSO_DATE, TIME_ON, TIME_OFF, FREQ, MODE, CALL, NAME, GRIDSQUARE, "
                                 "RST_SENT, RST_RCVD, QSL_SENT, QSL_RCVD, TX_PWR) values (%1, %2, %2, '14.074', 'CW', %3, %4, %5, "
                                 "'599', '599', 'N', 'N', '100')")
                      .arg(lit(isoDate), lit(timeOn), lit(call), lit(name), lit(grid)));
    if (!extraSql.isEmpty())
        exec(logPath, extraSql);
}

QString AppFixture::query(const QString &logPath, const QString &sql)
{
    sqlite3 *db = nullptr;
    sqlite3_open(logPath.toUtf8().constData(), &db);
    sqlite3_stmt *st = nullptr;
    QStringList rows;
    if (sqlite3_prepare_v2(db, sql.toUtf8().constData(), -1, &st, nullptr) == SQLITE_OK) {
        while (sqlite3_step(st) == SQLITE_ROW) {
            QStringList cells;
            for (int c = 0; c < sqlite3_column_count(st); ++c) {
                const unsigned char *t = sqlite3_column_text(st, c);
                cells << (t ? QString::fromUtf8(reinterpret_cast<const char *>(t)) : QStringLiteral("<null>"));
            }
            rows << cells.join(QLatin1Char('|'));
        }
    }
    sqlite3_finalize(st);
    sqlite3_close(db);
    return rows.join(QLatin1Char('\n'));
}

void AppFixture::setPcClock(const QDateTime &t)
{
    LogClock::setPcClockForTesting([t] { return t; });
}

QWidget *focused()
{
    return QApplication::focusWidget();
}

void pressKey(int key, Qt::KeyboardModifiers mods)
{
    QWidget *w = QApplication::focusWidget();
    if (!w)
        w = QApplication::activeWindow();
    QTest::keyClick(w, Qt::Key(key), mods);
}
