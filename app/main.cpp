#include "shell/Dialogs.h"
#include "app/ScreenSet.h"
#include "storage/NativeFile.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    // A file size limit makes a write fail, rolled back, instead of ending the program.
    NativeFile::ignoreFileSizeSignal();
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
