// Dates and times typed by hand into masked fields, as the entry panel and
// the filter window read them.
#include "app/ui/masktyping.h"
#include "logdb/dberror.h"
#include "logdb/textforms.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QMenu>
#include <QtTest>

namespace {

const QString DateMask = QStringLiteral("00.00.9999;_");
const QString TimeMask = QStringLiteral("09:99;_");

// The text as the windows read a masked field: blanks as spaces.
QString maskedText(const QLineEdit &e)
{
    QString t = e.displayText();
    t.replace(QLatin1Char('_'), QLatin1Char(' '));
    return t;
}

// The value read from the field, or "error" when the program refuses it.
QString readValue(const QLineEdit &e, bool date)
{
    try {
        if (date)
            return TextForms::parseDate(maskedText(e)).toString(Qt::ISODate);
        return TextForms::parseTime(maskedText(e)).toString(QStringLiteral("HH:mm"));
    } catch (const DbError &) {
        return QStringLiteral("error");
    }
}

struct Field {
    QWidget window;
    QLineEdit *edit;
    // `before` is what the field shows; typing starts at its start, or over
    // all of it selected (as tabbing into the field leaves it).
    Field(const QString &mask, const QString &before, bool selected = false)
    {
        edit = new QLineEdit(&window);
        edit->setInputMask(mask);
        installMaskTyping(edit);
        window.show();
        edit->setFocus();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        if (!before.isEmpty())
            edit->setText(before);
        edit->setCursorPosition(0);
        if (selected)
            edit->selectAll();
    }
};

}   // namespace

class TestMaskTyping : public QObject {
    Q_OBJECT

private slots:
    void typing_data()
    {
        QTest::addColumn<bool>("date");
        QTest::addColumn<QString>("before");
        QTest::addColumn<bool>("selected");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("value");

        const QStringList tags{QStringLiteral("blank"), QStringLiteral("filled"), QStringLiteral("selected")};
        for (const QString &tag : tags) {
            const QString before = tag == QLatin1String("blank") ? QString() : QStringLiteral("10.02.2023");
            const bool selected = tag == QLatin1String("selected");
            auto row = [&](const char *name) -> QTestData & {
                return QTest::addRow("%s %s", qPrintable(tag), name);
            };
            row("d.m.yyyy") << true << before << selected << "5.3.2024"
                            << "2024-03-05";
            row("dd.mm.yyyy") << true << before << selected << "05.03.2024"
                              << "2024-03-05";
            row("digits alone") << true << before << selected << "05032024"
                                << "2024-03-05";
            row("dd.m.yyyy") << true << before << selected << "15.3.2024"
                             << "2024-03-15";
            row("d.mm.yyyy") << true << before << selected << "5.12.2024"
                             << "2024-12-05";
            row("slashes") << true << before << selected << "5/3/2024"
                           << "2024-03-05";
            row("dashes") << true << before << selected << "5-3-2024"
                          << "2024-03-05";
            row("commas") << true << before << selected << "5,3,2024"
                          << "2024-03-05";
            row("doubled separator") << true << before << selected << "5..3.2024"
                                     << "2024-03-05";
            row("no such day") << true << before << selected << "31.02.2024"
                               << "error";
            row("no such day, short month") << true << before << selected << "31.2.2024"
                                            << "error";
            row("no month 13") << true << before << selected << "1.13.2024"
                               << "error";
        }
        for (const QString &tag : tags) {
            const QString before = tag == QLatin1String("blank") ? QString() : QStringLiteral("12:45");
            const bool selected = tag == QLatin1String("selected");
            auto row = [&](const char *name) -> QTestData & {
                return QTest::addRow("%s %s", qPrintable(tag), name);
            };
            row("h:mm") << false << before << selected << "9:30"
                        << "09:30";
            row("hh:mm") << false << before << selected << "09:30"
                         << "09:30";
            row("hhmm") << false << before << selected << "0930"
                        << "09:30";
            row("h.mm") << false << before << selected << "9.30"
                        << "09:30";
            row("0:05") << false << before << selected << "0:05"
                        << "00:05";
            row("23:59") << false << before << selected << "23:59"
                         << "23:59";
            row("no hour 24") << false << before << selected << "24:00"
                              << "error";
        }
    }

    void typing()
    {
        QFETCH(bool, date);
        QFETCH(QString, before);
        QFETCH(bool, selected);
        QFETCH(QString, typed);
        QFETCH(QString, value);
        Field f(date ? DateMask : TimeMask, before, selected);
        QTest::keyClicks(f.edit, typed);
        QCOMPARE(readValue(*f.edit, date), value);
        QVERIFY(f.edit->isModified());
    }

    // After a date is complete the field can be left: no blank required place.
    void typedDateIsAcceptable()
    {
        Field f(DateMask, QString());
        QTest::keyClicks(f.edit, QStringLiteral("5.3.2024"));
        QCOMPARE(f.edit->displayText(), QStringLiteral("05.03.2024"));
        QVERIFY(f.edit->hasAcceptableInput());
        QCOMPARE(f.edit->cursorPosition(), 10);
    }

    // Correcting one section in the middle leaves the others alone.
    void separatorInTheMiddle()
    {
        Field f(DateMask, QStringLiteral("15.11.2024"));
        f.edit->setCursorPosition(3);
        QTest::keyClicks(f.edit, QStringLiteral("4."));
        QCOMPARE(f.edit->displayText(), QStringLiteral("15.04.2024"));
        QCOMPARE(f.edit->cursorPosition(), 6);
    }

    void sections()
    {
        const QVector<MaskTyping::Section> d = MaskTyping::sections(DateMask);
        QCOMPARE(d.size(), 3);
        QCOMPARE(d[0].start, 0);
        QCOMPARE(d[0].length, 2);
        QCOMPARE(d[1].start, 3);
        QCOMPARE(d[2].start, 6);
        QCOMPARE(d[2].length, 4);
        QVERIFY(d[0].digitsOnly && d[2].digitsOnly);
        const QVector<MaskTyping::Section> t = MaskTyping::sections(QStringLiteral(">AA\\-09:99"));
        QCOMPARE(t.size(), 3);
        QVERIFY(!t[0].digitsOnly);
        QCOMPARE(t[1].start, 3);
    }

    void separatorStep_data()
    {
        QTest::addColumn<QString>("display");
        QTest::addColumn<int>("cursor");
        QTest::addColumn<bool>("acts");
        QTest::addColumn<QString>("digits");
        QTest::addColumn<int>("next");
        QTest::newRow("one digit") << "5_.__.____" << 1 << true << "05" << 3;
        QTest::newRow("old digit after it") << "50.02.2024" << 1 << true << "05" << 3;
        QTest::newRow("blank then digit") << "_5.__.____" << 2 << true << "05" << 3;
        QTest::newRow("section full") << "15.__.____" << 2 << true << "15" << 3;
        QTest::newRow("month") << "05.3_.____" << 4 << true << "03" << 6;
        QTest::newRow("right after a separator") << "05.__.____" << 3 << false << "" << 0;
        QTest::newRow("start of the field") << "__.__.____" << 0 << false << "" << 0;
        QTest::newRow("in the year") << "05.03.20__" << 8 << false << "" << 0;
        QTest::newRow("nothing typed") << "__.__.____" << 1 << true << "" << 3;
    }

    void separatorStep()
    {
        QFETCH(QString, display);
        QFETCH(int, cursor);
        QFETCH(bool, acts);
        QFETCH(QString, digits);
        QFETCH(int, next);
        const std::optional<MaskTyping::Step> s = MaskTyping::separatorTyped(DateMask, display, cursor);
        QCOMPARE(bool(s), acts);
        if (s) {
            QCOMPARE(s->digits, digits);
            QCOMPARE(s->cursor, next);
        }
    }

    void pasted_data()
    {
        QTest::addColumn<QString>("mask");
        QTest::addColumn<QString>("pasted");
        QTest::addColumn<QString>("laid");   // empty: not taken as a value
        QTest::newRow("d.m.yyyy") << DateMask << "5.3.2024"
                                  << "05.03.2024";
        QTest::newRow("blanks around") << DateMask << " 5. 3. 2024\n"
                                       << "05.03.2024";
        QTest::newRow("digits alone") << DateMask << "05032024"
                                      << "05.03.2024";
        QTest::newRow("slashes") << DateMask << "05/03/2024"
                                 << "05.03.2024";
        QTest::newRow("two-digit year") << DateMask << "5.3.24"
                                        << "";
        QTest::newRow("ISO order") << DateMask << "2024-03-05"
                                   << "";
        QTest::newRow("letters") << DateMask << "5 March 2024"
                                 << "";
        QTest::newRow("too few digits") << DateMask << "0503202"
                                        << "";
        QTest::newRow("empty") << DateMask << ""
                               << "";
        QTest::newRow("h:mm") << TimeMask << "9:30"
                              << "09:30";
        QTest::newRow("hhmm") << TimeMask << "0930"
                              << "09:30";
        QTest::newRow("three digits") << TimeMask << "930"
                                      << "";
    }

    void pasted()
    {
        QFETCH(QString, mask);
        QFETCH(QString, pasted);
        QFETCH(QString, laid);
        const std::optional<QString> got = MaskTyping::layoutPasted(mask, pasted);
        QCOMPARE(got.value_or(QString()), laid);
    }

    void pasteWithKeys()
    {
        Field f(DateMask, QStringLiteral("10.02.2023"));
        QGuiApplication::clipboard()->setText(QStringLiteral("5.3.2024"));
        QTest::keySequence(f.edit, QKeySequence::Paste);
        QCOMPARE(readValue(*f.edit, true), QStringLiteral("2024-03-05"));
        QVERIFY(f.edit->isModified());
        // Anything else is pasted as Qt pastes it.
        QGuiApplication::clipboard()->setText(QStringLiteral("01012000"));
        QTest::keySequence(f.edit, QKeySequence::Paste);
        QCOMPARE(readValue(*f.edit, true), QStringLiteral("2000-01-01"));
    }

    void pasteFromTheContextMenu()
    {
        Field f(DateMask, QStringLiteral("10.02.2023"));
        QGuiApplication::clipboard()->setText(QStringLiteral("5.3.2024"));
        QContextMenuEvent menuEvent(QContextMenuEvent::Mouse, QPoint(5, 5),
                                    f.edit->mapToGlobal(QPoint(5, 5)));
        QApplication::sendEvent(f.edit, &menuEvent);
        QMenu *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        QVERIFY(menu);
        QAction *paste = menu->findChild<QAction *>(QStringLiteral("edit-paste"));
        QVERIFY(paste);
        paste->trigger();
        menu->close();
        QCOMPARE(readValue(*f.edit, true), QStringLiteral("2024-03-05"));
    }

    void installingTwiceActsOnce()
    {
        Field f(DateMask, QString());
        installMaskTyping(f.edit);
        QTest::keyClicks(f.edit, QStringLiteral("5.3.2024"));
        QCOMPARE(f.edit->displayText(), QStringLiteral("05.03.2024"));
    }
};

QTEST_MAIN(TestMaskTyping)
#include "test_masktyping.moc"
