#include "app/mainwindow.h"
#include "app/startup.h"
#include "app/ui/wheelfilter.h"

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
    return app.exec();
}
