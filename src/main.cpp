#include "CommandLineMode.h"
#include "Startup.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    if (wantsCommandLineMode(argc, argv)) {
        QCoreApplication app(argc, argv);
        return runCommandLineMode(app);
    }
    QApplication app(argc, argv);
    return runVeltrano(app);
}
