#include "app/mainwindow.h"
#include "app/startup.h"
#include "app/ui/wheelfilter.h"
#include "rig/riglink.h"

#include <QApplication>
#include <memory>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tarnix"));
    QApplication::setOrganizationName(QStringLiteral("Tarnix"));
    WheelToArrowFilter wheel;
    app.installEventFilter(&wheel);

    std::unique_ptr<TForm1> form1(createProgramWindows());
    form1->show();
    const int rc = app.exec();
    form1.reset();
    // A radio link stuck in a call to rigctld must neither hold the program
    // open nor crash it on the way out.
    return RigLink::finishWorkersAtExit(rc, 2000);
}
