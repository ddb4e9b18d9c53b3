// Another program holds a write lock on the log: Save and the ADIF import
// wait for the engine's busy timeout, report the engine's message and lose
// nothing; once the lock is gone the same Save goes through.
#include "exchange/adifexchange.h"
#include "apptestkit.h"
#include "logdb/connection.h"
#include "logdb/dberror.h"

#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QProgressBar>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>
#include <sqlite3.h>

namespace {

const int kTimeoutMs = 1500;

// A second program's connection keeping a write transaction open.
class OtherProgram {
public:
    explicit OtherProgram(const QString &path)
    {
        sqlite3_open_v2(path.toUtf8().constData(), &m_db, SQLITE_OPEN_READWRITE, nullptr);
        run("BEGIN IMMEDIATE");
        run("insert into log (QSO_DATE, TIME_ON, TIME_OFF, CALL, NAME) "
            "values ('2024-03-03', '03:03', '03:04', 'OTHER1', 'held')");
    }
    ~OtherProgram() { sqlite3_close(m_db); }
    void letGo() { run("COMMIT"); }

private:
    void run(const char *sql)
    {
        char *err = nullptr;
        if (sqlite3_exec(m_db, sql, nullptr, nullptr, &err) != SQLITE_OK)
            qWarning("other program: %s", err);
        sqlite3_free(err);
    }
    sqlite3 *m_db = nullptr;
};

struct Panel {
    QString call, name, qth, date, time;
    static Panel of(const MainWindowControls *f)
    {
        return {f->Edit4->text(), f->Edit5->text(), f->Edit8->text(), f->MaskEdit1->text(), f->MaskEdit2->text()};
    }
    bool operator==(const Panel &o) const
    {
        return call == o.call && name == o.name && qth == o.qth && date == o.date && time == o.time;
    }
};

} // namespace

class TestHardeningLock : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { Connection::setBusyTimeoutMs(kTimeoutMs); }
    void cleanupTestCase() { Connection::setBusyTimeoutMs(5000); }

    void saveWaitsThenSucceeds_data()
    {
        QTest::addColumn<bool>("editing");
        QTest::newRow("new QSO") << false;
        QTest::newRow("edited QSO") << true;
    }

    void saveWaitsThenSucceeds()
    {
        QFETCH(bool, editing);
        AppFixture fx;
        const QString path = fx.newLog();
        AppFixture::insertQso(path, QStringLiteral("2020-01-01"), QStringLiteral("10:00"), QStringLiteral("DL1ABC"),
                              QStringLiteral("Hans"));
        fx.showAndOpen(path);
        QVERIFY2(fx.errors().isEmpty(), qPrintable(fx.errors().join(QLatin1Char('\n'))));
        MainWindowControls *f = &fx.ui;
        f->CheckBox1->setChecked(false);
        f->Button1->click();   // clean panel, manual date and time

        if (editing) {
            fx.panel()->LoadQsoIntoForm();
            QVERIFY(fx.panel()->editMode());
        } else {
            f->MaskEdit1->setText(QStringLiteral("05.06.2024"));
            f->MaskEdit2->setText(QStringLiteral("12:34"));
            f->MaskEdit3->setText(QStringLiteral("12:40"));
            f->Edit4->setText(QStringLiteral("UA3AAA"));
        }
        f->Edit5->setText(QStringLiteral("Ivan"));
        f->Edit8->setText(QStringLiteral("Moscow"));
        const Panel typed = Panel::of(f);

        Dialogs::Testing::clear();
        {
            OtherProgram other(path);
            QElapsedTimer clock;
            clock.start();
            f->Button2->click();
            const qint64 waited = clock.elapsed();
            QVERIFY2(waited >= kTimeoutMs - 100, qPrintable(QString::number(waited)));
            QCOMPARE(fx.errors().size(), 1);
            QVERIFY2(fx.errors().first().contains(QLatin1String("locked")), qPrintable(fx.errors().first()));
            // The operator's typing is still there, the mode unchanged.
            QVERIFY(Panel::of(f) == typed);
            QCOMPARE(fx.panel()->editMode(), editing);
            other.letGo();
        }

        Dialogs::Testing::clear();
        f->Button2->click();
        QVERIFY2(fx.errors().isEmpty(), qPrintable(fx.errors().join(QLatin1Char('\n'))));
        QCOMPARE(f->Edit4->text(), QString());   // saved: the panel starts over
        QCOMPARE(fx.panel()->editMode(), false);

        // Nothing lost: the other program's QSO, the old one and ours.
        const QString rows = AppFixture::query(path, QStringLiteral("select CALL, NAME, coalesce(QTH, '') from log order by CALL"));
        if (editing) {
            QCOMPARE(rows, QStringLiteral("DL1ABC|Ivan|Moscow\nOTHER1|held|"));
        } else {
            QCOMPARE(rows, QStringLiteral("DL1ABC|Hans|\nOTHER1|held|\nUA3AAA|Ivan|Moscow"));
        }
        QCOMPARE(AppFixture::query(path, QStringLiteral("pragma integrity_check")), QStringLiteral("ok"));
    }

    void importWaitsThenSucceeds()
    {
        AppFixture fx;
        const QString path = fx.newLog();
        fx.showAndOpen(path);
        QVERIFY2(fx.errors().isEmpty(), qPrintable(fx.errors().join(QLatin1Char('\n'))));
        const QByteArray adi = Adif::header()
            + "<CALL:4>K1AA<QSO_DATE:8>20240101<TIME_ON:4>1000<EOR>\n"
              "<CALL:4>K1BB<QSO_DATE:8>20240101<TIME_ON:4>1001<EOR>\n";
        {
            OtherProgram other(path);
            QElapsedTimer clock;
            clock.start();
            QString message;
            try {
                AdifExchange::importBytes(fx.dm->ADOQueryLog, adi);
            } catch (const DbError &e) {
                message = e.message();
            }
            QVERIFY2(clock.elapsed() >= kTimeoutMs - 100, qPrintable(QString::number(clock.elapsed())));
            QVERIFY2(message.contains(QLatin1String("locked")), qPrintable(message));
            other.letGo();
        }
        QCOMPARE(AppFixture::query(path, QStringLiteral("select CALL from log order by CALL")),
                 QStringLiteral("OTHER1"));
        const AdifExchange::ImportResult r = AdifExchange::importBytes(fx.dm->ADOQueryLog, adi);
        QCOMPARE(r.stored, 2);
        QCOMPARE(AppFixture::query(path, QStringLiteral("select CALL from log order by CALL")),
                 QStringLiteral("K1AA\nK1BB\nOTHER1"));
        QCOMPARE(AppFixture::query(path, QStringLiteral("pragma integrity_check")), QStringLiteral("ok"));
    }

    // The same through the window's "Импорт ADIF" command.
    void importFromWindowWaitsThenSucceeds()
    {
        AppFixture fx;
        const QString path = fx.newLog();
        fx.showAndOpen(path);
        MainWindowControls *f = &fx.ui;
        const QString adi = fx.dir.filePath(QStringLiteral("in.adi"));
        {
            QFile file(adi);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(Adif::header() + "<CALL:4>K1AA<QSO_DATE:8>20240101<TIME_ON:4>1000<EOR>\n"
                                        "<CALL:4>K1BB<QSO_DATE:8>20240101<TIME_ON:4>1001<EOR>\n");
        }
        f->Edit4->setText(QStringLiteral("UA9XYZ"));
        Dialogs::Testing::clear();
        {
            OtherProgram other(path);
            QElapsedTimer clock;
            clock.start();
            Dialogs::Testing::answerFile(adi);
            fx.form->ADIF1Click();
            QVERIFY2(clock.elapsed() >= kTimeoutMs - 100, qPrintable(QString::number(clock.elapsed())));
            QCOMPARE(fx.errors().size(), 1);
            QVERIFY2(fx.errors().first().contains(QLatin1String("locked")), qPrintable(fx.errors().first()));
            QCOMPARE(f->Edit4->text(), QStringLiteral("UA9XYZ"));
            QVERIFY(!f->ProgressBar1->isVisible());
            other.letGo();
        }
        Dialogs::Testing::clear();
        Dialogs::Testing::answerFile(adi);
        fx.form->ADIF1Click();
        QVERIFY2(fx.errors().isEmpty(), qPrintable(fx.errors().join(QLatin1Char('\n'))));
        QCOMPARE(AppFixture::query(path, QStringLiteral("select CALL from log order by CALL")),
                 QStringLiteral("K1AA\nK1BB\nOTHER1"));
        QCOMPARE(fx.dm->ADOQueryLog->recordCount(), 3);
        QCOMPARE(f->Label18->text(), QStringLiteral("3"));
    }
};

QTEST_MAIN(TestHardeningLock)
#include "test_hardening_lock.moc"
