// Frequency and mode from the radio.
#include "app/ui/dialogs.h"
#include "app/mainwindow.h"
#include "rig/rigcontroller.h"
#include "rig/riglink.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>

namespace {

// The window's one rig controller, made on first use. RigLink itself is the
// controller's link while there is one, and null otherwise.
RigController *rigController(TForm1 *form, bool create)
{
    auto *c = form->findChild<RigController *>(QStringLiteral("RigController"), Qt::FindDirectChildrenOnly);
    if (c || !create)
        return c;
    c = new RigController(form);
    c->setObjectName(QStringLiteral("RigController"));
    QObject::connect(c, &RigController::paramsChanged, form,
                     [form](const QString &freq, const QString &mode) {
                         // From code: the mode list's report defaults stay as they are.
                         form->Edit3->setText(freq);
                         form->ComboBox1->setCurrentText(mode);
                     });
    QObject::connect(c, &RigController::linkFailed, form, [form, c](const QString &message) {
        form->RigLink = c->rigLink();
        Dialogs::showErrorText(form, message);
    });
    return c;
}

} // namespace

void TForm1::CheckBox2Click()
{
    if (CheckBox2->isChecked())
        StartRigLink();
    else
        StopRigLink();
}

void TForm1::StartRigLink()
{
    // Returns at once: the connection is made on the link's own thread, and a
    // failure comes back later as the error box, with the box left ticked.
    guarded([this] {
        RigController *c = rigController(this, true);
        c->StartRigLink();
        RigLink = c->rigLink();
    });
}

void TForm1::StopRigLink()
{
    if (RigController *c = rigController(this, false))
        c->StopRigLink();
    RigLink = nullptr;
}
