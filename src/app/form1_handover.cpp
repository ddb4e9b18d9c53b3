// Taking over one QSO handed over by another program in loginput.ini.
#include "app/mainwindow.h"

#include "exchange/handover.h"
#include "settings/handoverinput.h"
#include "logdb/textforms.h"

#include <QComboBox>
#include <QFileInfo>
#include <QLineEdit>

void TForm1::Button3Click()
{
    guarded([this] {
        const QString path = Handover::filePath();                     // 1
        if (!QFileInfo(path).isFile())
            return;
        const HandoverInput::Entry qso = HandoverInput::fromQso(Handover::read(path));

        const QDateTime now = logClockNow();                           // 2
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
