#include "GlobalSettings.h"
#include "MainWindow.h"
#include "Platform.h"
#include "SerialLink.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("VELTRANO"));

    // Everything the program reads lies below the directory that holds it.
    const QString programDirectory = QApplication::applicationDirPath();
    DesktopPlatform platform;
    GlobalSettings settings;
    SerialLink link;
    MainWindow window(programDirectory, settings, link, platform);
    if (!window.load())
        return 1;
    window.show();
    return app.exec();
}
