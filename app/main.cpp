#include "shell/Dialogs.h"
#include "app/ScreenSet.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    // Draw in software, whatever the graphics hardware.
    QCoreApplication::setAttribute(Qt::AA_UseSoftwareOpenGL);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Volantix"));
    QApplication::setQuitOnLastWindowClosed(false);
    Dialogs::installToolkitTranslations();

    ScreenSet screens;
    screens.createScreens();
    screens.start();
    return QApplication::exec();
}
