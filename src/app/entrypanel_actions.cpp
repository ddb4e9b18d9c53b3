// What the entry panel does: clearing, loading and saving a QSO, the clock
// stamp, the worked-before lookup, the country and distance lines, the
// hand-over and the rig.
#include "app/entrypanel.h"

#include "app/ui/dbgrid.h"
#include "app/ui/dialogs.h"
#include "app/ui/maskedtext.h"
#include "country/ctysupport.h"
#include "exchange/handover.h"
#include "locator/locator.h"
#include "logdb/logsession.h"
#include "logdb/tdm.h"
#include "logdb/textforms.h"
#include "logdb/workedbefore.h"
#include "rig/rigcontroller.h"
#include "settings/handoverinput.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>

// ---------------------------------------------------------------- entry

void EntryPanel::setReportDefaults()
{
    const QString mode = ComboBox1->currentText();
    QString report = QStringLiteral("599");
    if (mode == QLatin1String("SSB") || mode == QLatin1String("USB") || mode == QLatin1String("LSB")
        || mode == QLatin1String("FM"))
        report = QStringLiteral("59");
    if (mode == QLatin1String("SSTV"))
        report = QStringLiteral("595");
    Edit6->setText(report);
    Edit7->setText(report);
}

void EntryPanel::ComboBox1Change()
{
    setReportDefaults();
}

void EntryPanel::ResetEntryForm()
{
    Label20->clear();                                                      // 1
    Label19->clear();
    CheckBox1->show();
    SearchMode = false;
    Edit1->clear();
    Label16->clear();
    EditMode = false;
    EditedQsoId = -1;
    m_session->showLastQso();                                              // 2
    m_session->dataModule()->ADOQueryB4->close();                          // 3
    m_session->refreshTimeShift();                                         // 4
    const QDateTime now = m_session->clockNow();
    const bool realTime = CheckBox1->isChecked();
    if (realTime)                                                          // 5
        MaskEdit1->setText(TextForms::formatDate(now.date()));
    emit entryFormReset(now.date());                                       // 6
    if (realTime) {                                                        // 7
        MaskEdit2->setText(TextForms::formatTime(now.time()));
        MaskEdit3->setText(TextForms::formatTime(now.time()));
    } else {
        MaskEdit2->clear();
        MaskEdit3->clear();
    }
    Label15->setVisible(!realTime);                                        // 8
    MaskEdit3->setVisible(!realTime);
    setReportDefaults();                                                   // 9
    for (QLineEdit *e : {Edit4, Edit5, Edit8, Edit9, Edit10})              // 10
        e->clear();
    ComboBox2->setCurrentText(QStringLiteral("N"));
    ComboBox3->setCurrentText(QStringLiteral("N"));
    for (QLineEdit *e : {MaskEdit1, MaskEdit2, MaskEdit3})
        e->setModified(false);
    if (realTime) {                                                        // 11
        Edit4->setFocus(Qt::OtherFocusReason);
    } else {
        // The kept date is selected, so a date typed now replaces it.
        MaskEdit1->setFocus(Qt::OtherFocusReason);
        MaskEdit1->selectAll();
    }
}

void EntryPanel::takeAttachedLog()
{
    ComboBox1->clear();
    ComboBox1->addItems(m_session->modeNames());
    ResetEntryForm();
    // The newest QSO's frequency, mode and power (empty for an empty log).
    Dataset *q = m_session->logView();
    Edit3->setText(q->fieldByName(QStringLiteral("FREQ")).asString());
    ComboBox1->setCurrentText(q->fieldByName(QStringLiteral("MODE")).asString());
    Edit11->setText(q->fieldByName(QStringLiteral("TX_PWR")).asString());
    Edit4->setFocus(Qt::OtherFocusReason);
}

void EntryPanel::LoadQsoIntoForm()
{
    Dataset *q = m_session->logView();
    if (q->isEmpty() || q->eof())
        return;   // nothing to load: the mode stays as it was
    Label16->setText(tr("QSO editing..."));
    CheckBox1->hide();
    EditMode = true;
    EditedQsoId = q->fieldByName(QStringLiteral("id")).asInteger();
    MaskEdit3->show();
    Label15->show();
    MaskEdit1->setText(q->fieldByName(QStringLiteral("QSO_DATE")).asString());
    MaskEdit2->setText(q->fieldByName(QStringLiteral("TIME_ON")).asString());
    MaskEdit3->setText(q->fieldByName(QStringLiteral("TIME_OFF")).asString());
    for (QLineEdit *e : {MaskEdit1, MaskEdit2, MaskEdit3})
        e->setModified(false);
    Edit3->setText(q->fieldByName(QStringLiteral("FREQ")).asString());
    ComboBox1->setCurrentText(q->fieldByName(QStringLiteral("MODE")).asString());
    Edit4->setText(q->fieldByName(QStringLiteral("CALL")).asString());
    Edit6->setText(q->fieldByName(QStringLiteral("RST_SENT")).asString());
    Edit7->setText(q->fieldByName(QStringLiteral("RST_RCVD")).asString());
    Edit5->setText(q->fieldByName(QStringLiteral("NAME")).asString());
    Edit8->setText(q->fieldByName(QStringLiteral("QTH")).asString());
    Edit9->setText(q->fieldByName(QStringLiteral("COMMENT")).asString());
    Edit10->setText(q->fieldByName(QStringLiteral("GRIDSQUARE")).asString());
    ComboBox2->setCurrentText(q->fieldByName(QStringLiteral("QSL_SENT")).asString());
    ComboBox3->setCurrentText(q->fieldByName(QStringLiteral("QSL_RCVD")).asString());
    Edit11->setText(q->fieldByName(QStringLiteral("TX_PWR")).asString());
    ShowCountry();
    if (!Edit10->text().isEmpty())
        ShowDistance();
    else
        Label20->clear();
}

void EntryPanel::Button2Click()
{
    Dataset *q = m_session->logView();
    auto setFields = [&](const QDate &date, const QTime &on, const QTime &off) {
        q->fieldByName(QStringLiteral("QSO_DATE")).setDate(date);
        q->fieldByName(QStringLiteral("TIME_ON")).setTime(on);
        q->fieldByName(QStringLiteral("TIME_OFF")).setTime(off);
        q->fieldByName(QStringLiteral("FREQ")).setString(Edit3->text());
        q->fieldByName(QStringLiteral("MODE")).setString(ComboBox1->currentText());
        q->fieldByName(QStringLiteral("CALL")).setString(Edit4->text());
        q->fieldByName(QStringLiteral("RST_SENT")).setString(Edit6->text());
        q->fieldByName(QStringLiteral("RST_RCVD")).setString(Edit7->text());
        q->fieldByName(QStringLiteral("NAME")).setString(Edit5->text());
        q->fieldByName(QStringLiteral("QTH")).setString(Edit8->text());
        q->fieldByName(QStringLiteral("COMMENT")).setString(Edit9->text());
        q->fieldByName(QStringLiteral("GRIDSQUARE")).setString(Edit10->text());
        q->fieldByName(QStringLiteral("QSL_SENT")).setString(ComboBox2->currentText());
        q->fieldByName(QStringLiteral("QSL_RCVD")).setString(ComboBox3->currentText());
        q->fieldByName(QStringLiteral("TX_PWR")).setString(Edit11->text());
    };
    guarded([&] {
        if (!EditMode) {
            if (!Edit4->text().isEmpty()) {
                // Convert everything before a row exists, so a bad date or
                // time leaves nothing half-written and the panel as it is.
                const QDate date = TextForms::parseDate(maskedText(MaskEdit1));
                const QTime on = TextForms::parseTime(maskedText(MaskEdit2));
                QTime off;
                if (CheckBox1->isChecked()) {
                    const QTime t = m_session->clockNow().time();
                    off = QTime(t.hour(), t.minute());
                } else {
                    off = TextForms::parseTime(maskedText(MaskEdit3));
                }
                q->append();
                try {
                    setFields(date, on, off);
                    ShowCountry();
                    q->fieldByName(QStringLiteral("dxcc")).setString(CurrentDxcc);
                    q->post();
                } catch (...) {
                    if (q->state() == Dataset::State::Insert)
                        q->cancel();
                    throw;
                }
            }
        } else {
            const QDate date = TextForms::parseDate(maskedText(MaskEdit1));
            const QTime on = TextForms::parseTime(maskedText(MaskEdit2));
            const QTime off = TextForms::parseTime(maskedText(MaskEdit3));
            // Edit mode is bound to the loaded QSO, wherever the grid has moved since.
            if (!q->locate(EditedQsoId))
                q->raise(QStringLiteral("The QSO being edited is no longer in the log view"));
            q->edit();
            try {
                setFields(date, on, off);
                q->post();
            } catch (...) {
                if (q->state() == Dataset::State::Edit)
                    q->cancel();
                throw;
            }
        }
        ResetEntryForm();
    });
}

void EntryPanel::Button1Click()
{
    guarded([this] { ResetEntryForm(); });
}

void EntryPanel::CheckBox1Click()
{
    guarded([this] { ResetEntryForm(); });
}

void EntryPanel::clockStamp()
{
    const QDateTime now = m_session->clockNow();
    MaskEdit1->setText(TextForms::formatDate(now.date()));
    MaskEdit2->setText(TextForms::formatTime(now.time()));
    MaskEdit3->setText(TextForms::formatTime(now.time()));
}

void EntryPanel::MaskEdit2DblClick()
{
    clockStamp();
}

void EntryPanel::MaskEdit2Exit()
{
    MaskEdit3->setText(MaskEdit2->displayText());
}

namespace {
void capitaliseFirstLatin(QLineEdit *e)
{
    const QString t = e->text();
    if (!t.isEmpty() && t[0] >= QLatin1Char('a') && t[0] <= QLatin1Char('z'))
        e->setText(t[0].toUpper() + t.mid(1));
}
} // namespace

void EntryPanel::Edit5Exit()
{
    capitaliseFirstLatin(Edit5);
}

void EntryPanel::Edit8Exit()
{
    capitaliseFirstLatin(Edit8);
}

void EntryPanel::Edit10Exit()
{
    if (!Edit10->text().isEmpty())
        ShowDistance();
}

// ---------------------------------------------------------------- worked before

void EntryPanel::Edit4Exit()
{
    guarded([this] {
        const QString call = Edit4->text();
        const CallIndex::Found found = m_session->lookupCall(call);
        if (found.found) {
            if (!found.name.isNull())
                Edit5->setText(found.name.toString());
            if (!found.grid.isNull())
                Edit10->setText(found.grid.toString());
        }
        WorkedBefore::search(m_session->dataModule()->ADOQueryB4, call);
        if (!call.isEmpty())
            ShowCountry();
    });
}

void EntryPanel::Edit1KeyDown()
{
    guarded([this] {
        SearchMode = true;
        WorkedBefore::search(m_session->dataModule()->ADOQueryB4, QLatin1Char('%') + Edit1->text() + QLatin1Char('%'));
    });
}

void EntryPanel::DBGrid2DblClick()
{
    guarded([this] {
        Dataset *b4 = m_session->dataModule()->ADOQueryB4;
        if (b4->isActive() && !b4->isEmpty() && !b4->eof()) {
            const qint64 id = b4->fieldByName(QStringLiteral("id")).asInteger();
            if (m_session->logView()->locate(id) && SearchMode)
                LoadQsoIntoForm();
        }
    });
    emit logGridFocusRequested();
}

// ---------------------------------------------------------------- country, distance

void EntryPanel::ShowCountry()
{
    const CountryInfo country = FindCountryByCall(Edit4->text());
    CurrentDxcc = country.PrimaryPrefix;
    Label19->setText(country.Name + QLatin1Char(' ') + country.Continent + QLatin1Char(' ') + CurrentDxcc);
}

void EntryPanel::ShowDistance()
{
    // The own locator is read at the moment of use, so a change made in the
    // station settings counts at once. Empty when either locator is not a
    // Maidenhead locator.
    Label20->setText(DistanceText(m_session->ownLocator(), Edit10->text()));
}

// ---------------------------------------------------------------- hand-over

void EntryPanel::Button3Click()
{
    guarded([this] {
        const QString path = Handover::filePath();                     // 1
        if (!QFileInfo(path).isFile())
            return;
        const HandoverInput::Entry qso = HandoverInput::fromQso(Handover::read(path));

        const QDateTime now = m_session->clockNow();                   // 2
        MaskEdit1->setText(TextForms::formatDate(now.date()));
        MaskEdit2->setText(TextForms::formatTime(now.time()));
        MaskEdit1->setModified(false);
        MaskEdit2->setModified(false);

        Edit4->setText(qso.call);                                      // 3
        Edit5->setText(qso.name);                                      // 4: "om" is already no name
        Edit6->setText(qso.rprtSent);
        // Set from code: the mode's report defaults do not apply.
        ComboBox1->setCurrentText(qso.mode);

        // The rest happens as if typed: leaving the fields runs their exit
        // handlers. Focus moves only reach them while this window is active;
        // otherwise the handlers are run here in the same order.
        const bool live = isActiveWindow();
        Edit5->setFocus(Qt::OtherFocusReason);                         // 5
        focusNextField(focusWidget(), false);
        if (!live)
            Edit5Exit();
        Edit7->setText(QStringLiteral("599"));                         // 6
        Edit4->setFocus(Qt::OtherFocusReason);                         // 7
        if (!live)
            Edit8Exit();
        focusNextField(focusWidget(), false);
        if (!live)
            Edit4Exit();
        focusNextField(focusWidget(), false);
    });
}

// ---------------------------------------------------------------- rig

RigController *EntryPanel::rigController()
{
    if (m_rig)
        return m_rig;
    m_rig = new RigController(this);
    m_rig->setObjectName(QStringLiteral("RigController"));
    connect(m_rig, &RigController::paramsChanged, this, [this](const QString &freq, const QString &mode) {
        // From code: the mode list's report defaults stay as they are.
        Edit3->setText(freq);
        ComboBox1->setCurrentText(mode);
    });
    connect(m_rig, &RigController::linkFailed, this,
            [this](const QString &message) { Dialogs::showErrorText(this, message); });
    return m_rig;
}

void EntryPanel::CheckBox2Click()
{
    if (CheckBox2->isChecked())
        StartRigLink();
    else
        StopRigLink();
}

void EntryPanel::StartRigLink()
{
    // Returns at once: the connection is made on the link's own thread, and a
    // failure comes back later as the error box, with the box left ticked.
    guarded([this] { rigController()->StartRigLink(); });
}

void EntryPanel::StopRigLink()
{
    if (m_rig)
        m_rig->StopRigLink();
}
