#include "Startup.h"

#include "BoardSession.h"
#include "DesktopPlatform.h"
#include "EndingSignals.h"
#include "GlobalSettings.h"
#include "MainWindow.h"
#include "Platform.h"
#include "SerialLink.h"

#include <QApplication>
#include <QTimer>

int runVeltrano(QApplication& app, const std::function<void()>& whenShown)
{
    QApplication::setApplicationName(QStringLiteral("VELTRANO"));

    // Everything the program reads lies below the directory that holds it.
    const QString programDirectory = QApplication::applicationDirPath();
    DesktopPlatform platform;
    GlobalSettings settings;
    SerialLink link;
    BoardSession session;
    MainWindow window(programDirectory, settings, link, session, platform);
    if (!window.load())
        return 1;
    // Asked to end from outside (logout, kill, Ctrl+C): the radio and the servo are left as "Exit" leaves them.
    EndingSignals endingSignals;
    QObject::connect(&endingSignals, &EndingSignals::endRequested, &window, &MainWindow::exitProgram);
    window.show();
    if (whenShown)
        QTimer::singleShot(0, &app, whenShown);
    return app.exec();
}
