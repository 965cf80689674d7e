// The reference for start-up: an empty Qt main window, started and shown the same way the program is.
// With --with-text it shows one line of text, which makes Qt load its font database as any window
// with a caption or a label must.
#include "Figures.h"

#include <QApplication>
#include <QLabel>
#include <QMainWindow>
#include <QTimer>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QMainWindow window;
    window.resize(811, 535);
    if (app.arguments().contains(QStringLiteral("--with-text")))
        window.setCentralWidget(new QLabel(QStringLiteral("VELTRANO")));
    window.show();
    // The first turn of the event loop after show() is when the window is on screen.
    QTimer::singleShot(0, &app, [] {
        std::printf("shown\n");
        printFigure("resident_memory", residentMebibytes(), "MiB");
        QCoreApplication::exit(0);
    });
    return app.exec();
}
