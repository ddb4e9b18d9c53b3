// The long-work window: the bar, the detached grid, and after a while the
// dialog with the count and Cancel.
#include "app/longwork.h"
#include "logdb/connection.h"
#include "logdb/dataset.h"
#include "logdb/datasource.h"

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QMainWindow>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

namespace {

// The dialog of a LongWork running now, if it shows.
QDialog *workDialog()
{
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (w->objectName() == QLatin1String("LongWorkDialog") && w->isVisible())
            return qobject_cast<QDialog *>(w);
    }
    for (QWidget *w : QApplication::allWidgets()) {
        if (w->objectName() == QLatin1String("LongWorkDialog") && w->isVisible())
            return qobject_cast<QDialog *>(w);
    }
    return nullptr;
}

struct Window {
    QMainWindow main;
    QProgressBar *bar = new QProgressBar(&main);
    Connection connection;
    Dataset view{QStringLiteral("ADOQueryLog"), &connection};
    DataSource source{QStringLiteral("DataSource1")};

    Window()
    {
        source.setDataSet(&view);
        bar->setRange(0, 100);
        bar->hide();
        main.resize(600, 400);
        main.show();
        QVERIFY(QTest::qWaitForWindowExposed(&main));
    }
};

// Runs `steps` steps of pretend work, telling the receiver after each.
int runSteps(const WorkProgress &progress, int steps, qint64 total)
{
    int done = 0;
    while (done < steps) {
        ++done;
        if (!progress(WorkStatus{done, total, total > 0 ? progressPosition(done, total) : 0}))
            break;
    }
    return done;
}

}   // namespace

class TestLongWork : public QObject {
    Q_OBJECT
private slots:
    void init() { LongWork::setDialogDelayMs(0); }
    void cleanup() { LongWork::setDialogDelayMs(500); }

    void shortWorkShowsOnlyTheBar();
    void cancelStopsTheWork_data();
    void cancelStopsTheWork();
    void dialogKeepsTheWindowOut();
    void stepProgressForConversions();
};

void TestLongWork::shortWorkShowsOnlyTheBar()
{
    LongWork::setDialogDelayMs(60 * 60 * 1000);
    Window w;
    int shownPositions = 0;
    connect(w.bar, &QProgressBar::valueChanged, this, [&](int v) { shownPositions += v > 0 ? 1 : 0; });
    {
        LongWork work(&w.main, w.bar, &w.source, QStringLiteral("Экспорт ADIF"));
        QVERIFY(w.bar->isVisible());
        QVERIFY(!w.source.isEnabled());
        QCOMPARE(runSteps(work.progress(), 200, 200), 200);
        QCOMPARE(w.bar->value(), 100);
        QVERIFY(!workDialog());
        QVERIFY(!work.cancelled());
    }
    QCOMPARE(shownPositions, 100);   // every step of the bar
    QVERIFY(w.bar->isHidden());
    QCOMPARE(w.bar->value(), 0);
    QVERIFY(w.source.isEnabled());
}

void TestLongWork::cancelStopsTheWork_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<qint64>("total");
    QTest::newRow("button, total known") << "button" << qint64(100000);
    QTest::newRow("button, total unknown") << "button" << qint64(-1);
    QTest::newRow("Esc") << "escape" << qint64(100000);
    QTest::newRow("closing the dialog") << "close" << qint64(100000);
}

void TestLongWork::cancelStopsTheWork()
{
    QFETCH(QString, how);
    QFETCH(qint64, total);
    Window w;
    QString caption, text;
    bool modal = false;
    QTimer press;
    connect(&press, &QTimer::timeout, this, [&] {
        QDialog *d = workDialog();
        if (!d)
            return;
        press.stop();
        caption = d->windowTitle();
        text = d->findChild<QLabel *>(QStringLiteral("LongWorkText"))->text();
        modal = d->windowModality() == Qt::WindowModal && QApplication::activeModalWidget() == d;
        if (how == QLatin1String("button"))
            d->findChild<QPushButton *>(QStringLiteral("LongWorkCancel"))->click();
        else if (how == QLatin1String("escape"))
            QTest::keyClick(d, Qt::Key_Escape);
        else
            d->close();
    });
    press.start(0);
    int done = 0;
    {
        LongWork work(&w.main, w.bar, &w.source, QStringLiteral("Импорт ADIF"));
        done = runSteps(work.progress(), 100000, total);
        QVERIFY(work.cancelled());
        QVERIFY(workDialog());   // up until the work has stopped
    }
    QVERIFY2(done < 100000, "the work was not stopped");
    QCOMPARE(caption, QStringLiteral("Импорт ADIF"));
    QVERIFY(modal);
    QVERIFY2(text.startsWith(QStringLiteral("QSO: ")), qPrintable(text));
    QCOMPARE(text.contains(QStringLiteral(" из ")), total > 0);
    QVERIFY(!workDialog());
    QVERIFY(w.bar->isHidden());
    QVERIFY(w.source.isEnabled());
}

void TestLongWork::dialogKeepsTheWindowOut()
{
    // While the dialog is up the window takes no command: a click on its
    // button does nothing, while the window still repaints.
    Window w;
    auto *button = new QPushButton(QStringLiteral("other command"), &w.main);
    button->setGeometry(10, 10, 200, 30);
    button->show();
    int clicked = 0;
    connect(button, &QPushButton::clicked, this, [&] { ++clicked; });
    // Without the work the same click is taken.
    QTest::mouseClick(w.main.windowHandle(), Qt::LeftButton, {},
                      button->mapTo(&w.main, button->rect().center()));
    QCOMPARE(clicked, 1);
    clicked = 0;
    int paints = 0;
    bool blocked = false;
    QTimer poke;
    int round = 0;
    connect(&poke, &QTimer::timeout, this, [&] {
        QDialog *d = workDialog();
        if (!d)
            return;
        ++round;
        if (round == 1) {
            // Through the window system, as a real click comes.
            QTest::mouseClick(w.main.windowHandle(), Qt::LeftButton, {},
                              button->mapTo(&w.main, button->rect().center()));
            button->update();
            blocked = QApplication::activeModalWidget() == d;
        } else if (round > 3) {
            poke.stop();
            d->findChild<QPushButton *>(QStringLiteral("LongWorkCancel"))->click();
        }
    });
    struct PaintCounter : QObject {
        int *n;
        explicit PaintCounter(int *count) : n(count) { }
        bool eventFilter(QObject *, QEvent *e) override
        {
            if (e->type() == QEvent::Paint)
                ++*n;
            return false;
        }
    } counter(&paints);
    button->installEventFilter(&counter);
    poke.start(0);
    {
        LongWork work(&w.main, w.bar, &w.source, QStringLiteral("DXCC rebuild"));
        const WorkProgress progress = work.progress();
        for (int i = 0; i < 1000000 && !work.cancelled(); ++i) {
            progress(WorkStatus{i, 1000000, progressPosition(i, 1000000)});
            QTest::qSleep(1);
        }
    }
    QVERIFY(blocked);
    QCOMPARE(clicked, 0);
    QVERIFY(paints > 0);
}

void TestLongWork::stepProgressForConversions()
{
    Window w;
    LongWork::setDialogDelayMs(60 * 60 * 1000);
    LongWork work(&w.main, w.bar, &w.source, QStringLiteral("Конвертация"));
    const auto step = work.stepProgress();
    QVERIFY(step(250, 1000));
    QCOMPARE(w.bar->value(), 25);
    QVERIFY(step(300, -1));   // total not known: the bar stays
    QCOMPARE(w.bar->value(), 25);
}

QTEST_MAIN(TestLongWork)
#include "test_longwork.moc"
