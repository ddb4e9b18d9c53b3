// The program-wide wheel rule: arrow keys in the program's own windows, Qt's
// own dialogs left as Qt made them.
#include "app/ui/wheelfilter.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QtTest>

// Qt lets this one function send an event as if it came from the window
// system, so that Qt hands a wheel turn on to the parents as it does for a
// real one.
bool qt_sendSpontaneousEvent(QObject *receiver, QEvent *event)
{
    return QCoreApplication::sendSpontaneousEvent(receiver, event);
}

namespace {

// What reached a control: wheel events and arrow keys.
struct Spy : QObject {
    int wheels = 0;
    int arrows = 0;
    bool eventFilter(QObject *, QEvent *e) override
    {
        if (e->type() == QEvent::Wheel)
            ++wheels;
        if (e->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent *>(e)->key();
            if (key == Qt::Key_Up || key == Qt::Key_Down)
                ++arrows;
        }
        return false;
    }
};

// Each turn's event at the same address, as the event loop's are.
void turnWheel(QWidget *under, int delta, bool fromWindowSystem = false)
{
    QWheelEvent wheel(QPointF(5, 5), under->mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, delta),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    if (fromWindowSystem)
        qt_sendSpontaneousEvent(under, &wheel);
    else
        QApplication::sendEvent(under, &wheel);
}

}   // namespace

class TestWheelFilter : public QObject {
    Q_OBJECT
    WheelToArrowFilter m_filter;

private slots:
    void init() { qApp->installEventFilter(&m_filter); }
    void cleanup() { qApp->removeEventFilter(&m_filter); }

    void ownWindowGetsArrowKeys()
    {
        QWidget window;
        auto *list = new QListWidget(&window);
        for (int i = 0; i < 50; ++i)
            list->addItem(QString::number(i));
        list->setCurrentRow(10);
        window.show();
        list->setFocus();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        Spy spy;
        list->installEventFilter(&spy);
        turnWheel(list->viewport(), -360);
        QCOMPARE(list->currentRow(), 11);
        turnWheel(list->viewport(), 120);
        QCOMPARE(list->currentRow(), 10);
        turnWheel(list->viewport(), 120);
        QCOMPARE(list->currentRow(), 9);
        QCOMPARE(spy.arrows, 3);
    }

    // A turn over a label that ignores it: Qt would hand it on to the label's
    // parents; still one key per turn, every turn.
    void oneKeyPerTurnFromTheWindowSystem()
    {
        QWidget window;
        auto *list = new QListWidget(&window);
        for (int i = 0; i < 50; ++i)
            list->addItem(QString::number(i));
        list->setCurrentRow(10);
        auto *panel = new QWidget(&window);
        auto *label = new QLabel(QStringLiteral("Call"), panel);
        panel->move(0, 200);
        window.show();
        list->setFocus();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        for (int turn = 1; turn <= 3; ++turn) {
            turnWheel(label, -120, true);
            QCOMPARE(list->currentRow(), 10 + turn);
        }
    }

    void fileDialogScrollsAsQtDoes()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        for (int i = 0; i < 300; ++i) {
            QFile f(dir.filePath(QStringLiteral("file%1.adi").arg(i, 3, 10, QLatin1Char('0'))));
            QVERIFY(f.open(QIODevice::WriteOnly));
        }
        QFileDialog dlg(nullptr, QString(), dir.path());
        dlg.setOption(QFileDialog::DontUseNativeDialog, true);
        dlg.setViewMode(QFileDialog::List);
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        auto *view = dlg.findChild<QAbstractItemView *>(QStringLiteral("listView"));
        QVERIFY(view);
        QTRY_COMPARE(view->model()->rowCount(view->rootIndex()), 300);
        view->setFocus();
        view->setCurrentIndex(view->model()->index(0, 0, view->rootIndex()));
        QScrollBar *bar = view->horizontalScrollBar()->maximum() > 0 ? view->horizontalScrollBar()
                                                                     : view->verticalScrollBar();
        QTRY_VERIFY(bar->maximum() > 0);
        const int before = bar->value();
        Spy spy;
        view->viewport()->installEventFilter(&spy);
        view->installEventFilter(&spy);
        turnWheel(view->viewport(), -120);
        QVERIFY(spy.wheels > 0);
        QCOMPARE(spy.arrows, 0);
        QVERIFY(bar->value() != before);
        QCOMPARE(view->currentIndex().row(), 0);
    }

    void messageBoxKeepsTheWheel()
    {
        QMessageBox box(QMessageBox::Critical, QStringLiteral("Tarnix"), QStringLiteral("Error"));
        QString details;
        for (int i = 0; i < 200; ++i)
            details += QStringLiteral("line %1\n").arg(i);
        box.setDetailedText(details);
        box.show();
        QVERIFY(QTest::qWaitForWindowExposed(&box));
        auto *text = box.findChild<QTextEdit *>();
        QVERIFY(text);
        text->show();
        text->setFocus();
        Spy spy;
        text->installEventFilter(&spy);
        text->viewport()->installEventFilter(&spy);
        turnWheel(text->viewport(), -120);
        QVERIFY(spy.wheels > 0);
        QCOMPARE(spy.arrows, 0);
    }

    // The focus inside a Qt dialog: no arrow key is sent into it, wherever
    // the pointer is.
    void focusInQtDialogGetsNoArrowKeys()
    {
        QWidget window;
        auto *list = new QListWidget(&window);
        list->addItems({QStringLiteral("a"), QStringLiteral("b")});
        window.show();
        QMessageBox box(QMessageBox::Question, QStringLiteral("Tarnix"), QStringLiteral("?"),
                        QMessageBox::Ok | QMessageBox::Cancel);
        box.show();
        QVERIFY(QTest::qWaitForWindowExposed(&box));
        box.activateWindow();
        QWidget *button = box.button(QMessageBox::Ok);
        button->setFocus();
        QTRY_COMPARE(QApplication::focusWidget(), button);
        Spy spy;
        button->installEventFilter(&spy);
        turnWheel(list->viewport(), -120);
        QCOMPARE(spy.arrows, 0);
    }
};

QTEST_MAIN(TestWheelFilter)
#include "test_wheelfilter.moc"
