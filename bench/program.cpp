// The program as it starts for an operator, telling the start-up benchmark when its window is shown.
#include "Figures.h"
#include "Startup.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    return runVeltrano(app, [] {
        std::printf("shown\n");
        printFigure("resident_memory", residentMebibytes(), "MiB");
        QCoreApplication::exit(0);
    });
}
