// The printed station log and the QSL labels from the main window's menu.
#include "apptestkit.h"
#include "print/printpreview.h"
#include "print/reportlayout.h"
#include "logdb/tdm.h"

#include <QAction>
#include <QLineEdit>
#include <QtTest>

namespace {

// Texts of a report found at a left edge (mm), page by page, top to bottom.
QStringList textsAt(const PrintDocument &doc, qreal x)
{
    QStringList out;
    for (const PrintPage &p : doc.pages) {
        QVector<const PrintItem *> found;
        for (const PrintItem *t : p.texts())
            if (qAbs(t->rect.left() - x) < 0.005)
                found.append(t);
        std::stable_sort(found.begin(), found.end(), [](const PrintItem *a, const PrintItem *b) {
            return a->rect.top() < b->rect.top();
        });
        for (const PrintItem *t : found)
            out.append(t->text);
    }
    return out;
}

} // namespace

class TestPrintWindow : public QObject {
    Q_OBJECT

    QList<PrintDocument> m_previews;
    std::function<void(ReportPreview &)> m_whilePreviewOpen;

private slots:
    void init()
    {
        m_previews.clear();
        m_whilePreviewOpen = nullptr;
        ReportPreview::setModalHookForTesting([this](ReportPreview &preview) {
            m_previews.append(preview.document());
            if (m_whilePreviewOpen)
                m_whilePreviewOpen(preview);
        });
    }
    void cleanup() { ReportPreview::setModalHookForTesting({}); }

    void stationLogFromTheMenu()
    {
        AppFixture fx;
        AppFixture::setPcClock(QDateTime(QDate(2026, 12, 10), QTime(15, 0)));
        const QString path = fx.newLog();
        AppFixture::exec(path, QStringLiteral("update opc set mycall = 'UA3XYZ'"));
        AppFixture::insertQso(path, QStringLiteral("2010-01-27"), QStringLiteral("12:00"), QStringLiteral("UA3ABC"));
        AppFixture::insertQso(path, QStringLiteral("2009-05-01"), QStringLiteral("10:00"), QStringLiteral("DL1ABC"));
        AppFixture::insertQso(path, QStringLiteral("2009-05-01"), QStringLiteral("09:00"), QStringLiteral("RZ1BBB"));
        fx.showAndOpen(path);
        QVERIFY(fx.errors().isEmpty());

        // The preview is open while the entry panel still holds what was typed.
        fx.dm->ADOQueryLog->first();
        fx.ui.Edit4->setText(QStringLiteral("OK1XX"));
        bool sawTypedCall = false;
        m_whilePreviewOpen = [&](ReportPreview &) { sawTypedCall = fx.ui.Edit4->text() == QLatin1String("OK1XX"); };
        fx.ui.N2->trigger();
        QVERIFY2(fx.errors().isEmpty(), qPrintable(fx.errors().join(QLatin1Char('\n'))));
        QCOMPARE(m_previews.size(), 1);
        QVERIFY(sawTypedCall);
        const PrintDocument &doc = m_previews[0];
        QCOMPARE(doc.pageCount(), 1);
        QCOMPARE(textsAt(doc, 10 + 95.2), QStringList({"RZ1BBB", "DL1ABC", "UA3ABC"}));
        QCOMPARE(textsAt(doc, 10 + 59.3), QStringList{"UA3XYZ"});
        QCOMPARE(textsAt(doc, 10 + 173.6), QStringList{"10.12.2026"});
        // Closing the preview ran ResetEntryForm: panel cleared, log view on its last row.
        QCOMPARE(fx.ui.Edit4->text(), QString());
        QCOMPARE(fx.dm->ADOQueryLog->recNo(), 2);
    }

    void stationLogFollowsTheFilter()
    {
        AppFixture fx;
        const QString path = fx.newLog();
        AppFixture::insertQso(path, QStringLiteral("2010-01-27"), QStringLiteral("12:00"), QStringLiteral("UA3ABC"));
        AppFixture::insertQso(path, QStringLiteral("2009-05-01"), QStringLiteral("10:00"), QStringLiteral("DL1ABC"));
        AppFixture::insertQso(path, QStringLiteral("2009-05-02"), QStringLiteral("09:00"), QStringLiteral("UA9CCC"));
        fx.showAndOpen(path);
        Dataset *log = fx.dm->ADOQueryLog;
        log->close();
        log->setSql({QStringLiteral("select * from log where call like 'UA%'"),
                     QStringLiteral("order by qso_date desc")});
        log->open();
        fx.form->N2Click();
        QCOMPARE(m_previews.size(), 1);
        QCOMPARE(textsAt(m_previews[0], 10 + 95.2), QStringList({"UA3ABC", "UA9CCC"}));
        QStringList numbers = textsAt(m_previews[0], 10 + 4.2);
        numbers.removeFirst();   // the title's date shares the place
        QCOMPARE(numbers, QStringList({"1", "2"}));
    }

    void labelsFromTheMenu()
    {
        AppFixture fx;
        const QString path = fx.newLog();
        AppFixture::exec(path, QStringLiteral("update opc set mycall = 'UA3XYZ', myadr = 'Box 12, Moscow'"));
        AppFixture::insertQso(path, QStringLiteral("2010-01-27"), QStringLiteral("12:00"), QStringLiteral("UA3ABC"),
                              QString(), QString(), QStringLiteral("update log set QSL_SENT = 'P' where CALL = 'UA3ABC'"));
        AppFixture::insertQso(path, QStringLiteral("2009-05-01"), QStringLiteral("10:00"), QStringLiteral("DL1ABC"));
        fx.showAndOpen(path);
        fx.dm->ADOQueryLog->first();
        fx.ui.Edit4->setText(QStringLiteral("OK1XX"));

        fx.ui.QSL1->trigger();
        QVERIFY2(fx.errors().isEmpty(), qPrintable(fx.errors().join(QLatin1Char('\n'))));
        QCOMPARE(m_previews.size(), 1);
        QCOMPARE(textsAt(m_previews[0], 10 + 42.3), QStringList{"UA3ABC"});
        // No ResetEntryForm after the labels, and no data changed.
        QCOMPARE(fx.ui.Edit4->text(), QStringLiteral("OK1XX"));
        QCOMPARE(fx.dm->ADOQueryLog->recNo(), 0);
        QCOMPARE(AppFixture::query(path, QStringLiteral("select count(*) from log where QSL_SENT = 'P'")),
                 QStringLiteral("1"));

        // Marked since the last printout: on the next one without reopening the log.
        AppFixture::exec(path, QStringLiteral("update log set QSL_SENT = 'P'"));
        fx.form->QSL1Click();
        QStringList calls = textsAt(m_previews[1], 10 + 42.3);
        calls.sort();
        QCOMPARE(calls, QStringList({"DL1ABC", "UA3ABC"}));

        AppFixture::exec(path, QStringLiteral("update log set QSL_SENT = 'Y'"));
        fx.form->QSL1Click();
        QCOMPARE(m_previews[2].pageCount(), 1);
        QVERIFY(m_previews[2].pages[0].items.isEmpty());
    }

    void savingFromThePreviewUsesTheProgramsDialogs()
    {
        AppFixture fx;
        const QString path = fx.newLog();
        AppFixture::insertQso(path, QStringLiteral("2010-01-27"), QStringLiteral("12:00"), QStringLiteral("UA3ABC"));
        fx.showAndOpen(path);
        const QString csv = fx.dir.filePath(QStringLiteral("journal"));
        m_whilePreviewOpen = [&](ReportPreview &preview) {
            Dialogs::Testing::answerFile(csv);
            preview.findChild<QAction *>(QStringLiteral("ActionSaveCsv"))->trigger();
            Dialogs::Testing::answerFile(fx.dir.filePath(QStringLiteral("no/such/dir/x.pdf")));
            preview.findChild<QAction *>(QStringLiteral("ActionSavePdf"))->trigger();
        };
        fx.form->N2Click();
        QVERIFY(QFile::exists(csv + QStringLiteral(".csv")) || QFile::exists(csv));
        QCOMPARE(fx.errors().size(), 1);
        QVERIFY(fx.errors().first().contains(QStringLiteral("x.pdf")));
    }

    void closedLogViewIsReported()
    {
        AppFixture fx;
        const QString path = fx.newLog();
        fx.showAndOpen(path);
        fx.dm->ADOQueryLog->close();
        fx.form->N2Click();
        QCOMPARE(m_previews.size(), 0);
        QCOMPARE(fx.errors().size(), 1);
    }
};

QTEST_MAIN(TestPrintWindow)
#include "test_printwindow.moc"
