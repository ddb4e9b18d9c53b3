// A row the grid appends when moving down past the last one is written only
// when something was put into it.
#include "app/ui/dbgrid.h"
#include "app/ui/dialogs.h"
#include "logdb/connection.h"
#include "logdb/dataset.h"
#include "logdb/datasource.h"
#include "logdb/schema.h"

#include <QLineEdit>
#include <QTemporaryDir>
#include <QtTest>
#include <sqlite3.h>

namespace {

int rowsInFile(const QString &path, const QString &where = QString())
{
    sqlite3 *db = nullptr;
    int n = -1;
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READONLY, nullptr)
        == SQLITE_OK) {
        const QByteArray sql
            = ("select count(*) from modes" + (where.isEmpty() ? QString() : " where " + where)).toUtf8();
        sqlite3_stmt *st = nullptr;
        if (sqlite3_prepare_v2(db, sql.constData(), -1, &st, nullptr) == SQLITE_OK
            && sqlite3_step(st) == SQLITE_ROW)
            n = sqlite3_column_int(st, 0);
        sqlite3_finalize(st);
    }
    sqlite3_close(db);
    return n;
}

// The mode list over a fresh log, in a grid that appends on Down.
struct Fixture {
    QTemporaryDir dir;
    QString path;
    Connection connection;
    Dataset *modes = nullptr;
    DataSource source{QStringLiteral("DataSource4")};
    QWidget window;
    DbGrid *grid = nullptr;
    int initialRows = 0;
    bool ready = false;

    Fixture()
    {
        path = dir.filePath(QStringLiteral("log.mdb"));
        Schema::createTemplate(path);
        connection.open(path);
        modes = new Dataset(QStringLiteral("ADOQueryModes"), &connection, &connection);
        modes->setSql({QStringLiteral("select mode from modes")});
        modes->setFixedFields(Schema::modesFields());
        modes->setBaseTable(QStringLiteral("modes"));
        modes->open();
        source.setDataSet(modes);
        grid = new DbGrid(&window);
        grid->setObjectName(QStringLiteral("DBGrid1"));
        grid->setGeometry(0, 0, 200, 300);
        grid->setDataSource(&source, {{QStringLiteral("mode"), {}}}, {100});
        grid->setEditable(true);
        grid->setAppendOnDown(true);
        window.show();
        window.activateWindow();
        ready = QTest::qWaitForWindowActive(&window);
        grid->setFocus();
        initialRows = modes->recordCount();
    }

    // Down from the last row: a new row, in Insert state.
    bool appendByDown()
    {
        if (!ready)
            return false;
        modes->last();
        QTest::keyClick(grid, Qt::Key_Down);
        return modes->state() == Dataset::State::Insert && modes->recordCount() == initialRows + 1
               && grid->currentIndex().row() == initialRows;
    }
};

}   // namespace

class TestGridAppend : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        Dialogs::Testing::enable();
        Dialogs::Testing::clear();
    }

    void leavingTheNewRow_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<QString>("typed");   // empty: nothing typed
        for (const char *how : {"up", "page up", "home", "click", "post pending"}) {
            QTest::addRow("%s, untouched", how) << how << "";
            QTest::addRow("%s, typed", how) << how << "FT8";
        }
    }

    void leavingTheNewRow()
    {
        QFETCH(QString, how);
        QFETCH(QString, typed);
        Fixture fx;
        QVERIFY(fx.initialRows >= 2);
        QCOMPARE(rowsInFile(fx.path), fx.initialRows);
        QVERIFY(fx.appendByDown());
        if (!typed.isEmpty()) {
            QTest::keyClicks(fx.grid, typed);   // opens the cell editor on the new row
            QVERIFY(qobject_cast<QLineEdit *>(QApplication::focusWidget()));
            QVERIFY(fx.grid->isAncestorOf(QApplication::focusWidget()));
        }

        // The keys go where the user's would: to the cell editor when one is open.
        QWidget *keys = QApplication::focusWidget();
        QVERIFY(keys);
        if (how == QLatin1String("up"))
            QTest::keyClick(keys, Qt::Key_Up);
        else if (how == QLatin1String("page up"))
            QTest::keyClick(keys, Qt::Key_PageUp);
        else if (how == QLatin1String("home"))
            QTest::keyClick(keys, Qt::Key_Home, Qt::ControlModifier);
        else if (how == QLatin1String("click"))
            QTest::mouseClick(fx.grid->viewport(), Qt::LeftButton, Qt::NoModifier,
                              fx.grid->visualRect(fx.grid->model()->index(0, 0)).center());
        else
            QVERIFY(fx.grid->postPending());

        QVERIFY(Dialogs::Testing::shown().isEmpty());
        QCOMPARE(fx.modes->state(), Dataset::State::Browse);
        if (typed.isEmpty()) {
            QCOMPARE(fx.modes->recordCount(), fx.initialRows);
            QCOMPARE(fx.grid->model()->rowCount(), fx.initialRows);
            QCOMPARE(rowsInFile(fx.path), fx.initialRows);
            QCOMPARE(rowsInFile(fx.path, QStringLiteral("mode is null")), 0);
        } else {
            QCOMPARE(fx.modes->recordCount(), fx.initialRows + 1);
            QCOMPARE(rowsInFile(fx.path), fx.initialRows + 1);
            QCOMPARE(rowsInFile(fx.path, QStringLiteral("mode = '%1'").arg(typed)), 1);
        }
        // Grid and dataset still stand on the same row.
        QCOMPARE(fx.grid->currentIndex().row(), fx.modes->recNo());
    }

    // Down again on the untouched row adds nothing; going back up drops it,
    // and the next Down appends afresh.
    void appendAgainAfterDropping()
    {
        Fixture fx;
        QVERIFY(fx.appendByDown());
        QTest::keyClick(fx.grid, Qt::Key_Down);
        QCOMPARE(fx.modes->recordCount(), fx.initialRows + 1);
        QTest::keyClick(fx.grid, Qt::Key_Up);
        QCOMPARE(fx.modes->recordCount(), fx.initialRows);
        QCOMPARE(fx.modes->recNo(), fx.initialRows - 1);
        QCOMPARE(fx.grid->currentIndex().row(), fx.initialRows - 1);
        QTest::keyClick(fx.grid, Qt::Key_Down);
        QCOMPARE(fx.modes->state(), Dataset::State::Insert);
        QCOMPARE(fx.modes->recordCount(), fx.initialRows + 1);
        QVERIFY(fx.grid->postPending());
        QCOMPARE(rowsInFile(fx.path), fx.initialRows);
    }

    void blankInsert()
    {
        Fixture fx;
        QVERIFY(!insertIsBlank(fx.modes));   // browsing
        fx.modes->append();
        QVERIFY(insertIsBlank(fx.modes));
        fx.modes->fieldByName(QStringLiteral("mode")).setString(QStringLiteral("JT65"));
        QVERIFY(!insertIsBlank(fx.modes));
        QVERIFY(!dropBlankInsert(fx.modes));
        fx.modes->post();
        fx.modes->edit();
        QVERIFY(!insertIsBlank(fx.modes));   // an edit is not an insert
        fx.modes->cancel();
        fx.modes->append();
        QVERIFY(dropBlankInsert(fx.modes));
        QCOMPARE(fx.modes->state(), Dataset::State::Browse);
        QCOMPARE(rowsInFile(fx.path), fx.initialRows + 1);
    }
};

QTEST_MAIN(TestGridAppend)
#include "test_gridappend.moc"
