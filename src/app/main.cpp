#include "app/commandline.h"
#include "app/interfacelanguage.h"
#include "app/mainwindow.h"
#include "app/startup.h"
#include "app/ui/wheelfilter.h"
#include "rig/riglink.h"

#include <QApplication>
#include <QIcon>
#include <memory>

int main(int argc, char **argv)
{
    QApplication::setApplicationName(QStringLiteral("Tarnix"));
    QApplication::setOrganizationName(QStringLiteral("Tarnix"));
    QApplication::setApplicationVersion(QStringLiteral(TARNIX_VERSION));
    CommandLine::answerInfoOptions(argc, argv);
    QApplication app(argc, argv);
    // The command line's texts are English, as those of tarnix-cli.
    if (!CommandLine::acceptRemainingArguments())
        return 2;   // wrong usage, as for tarnix-cli
    installInterfaceLanguage();
    // Ties the windows to the desktop entry and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral(TARNIX_APP_ID));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral(TARNIX_APP_ID)));
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
