// veltrano-guard HOST PORT: started by the program, it unkeys the radio through rigctld if the
// program goes while the radio is on the air, or when a key-up's deadline passes.
#include "Guard.h"
#include "StandardInputReader.h"

#include <QCoreApplication>

#include <csignal>
#include <cstdio>

#ifdef _WIN32
#include <windows.h>
#endif

int main(int argc, char** argv)
{
    // The guard lives as long as its program's pipe, whatever the terminal or the session does: a
    // Ctrl+C or a closed terminal reaches the program too, whose end then makes the guard act.
#ifdef _WIN32
    SetConsoleCtrlHandler(nullptr, TRUE);
#else
    for (int signal : {SIGINT, SIGHUP, SIGTERM, SIGQUIT})
        std::signal(signal, SIG_IGN);
    // The program's end of our output may be gone when we report: that must not end us.
    std::signal(SIGPIPE, SIG_IGN);
#endif
    QCoreApplication application(argc, argv);
    const QStringList arguments = application.arguments();
    bool portOk = false;
    const uint port = arguments.value(2).toUInt(&portOk);
    if (arguments.size() != 3 || !portOk || port == 0 || port > 65535) {
        std::fputs("usage: veltrano-guard HOST PORT\n"
                   "Started by veltrano: unkeys the radio through rigctld at HOST:PORT when veltrano goes\n"
                   "while the radio is on the air, or when a key-up's deadline passes.\n",
                   stderr);
        return 2;
    }
    Guard guard(arguments[1], quint16(port));
    StandardInputReader input;
    QObject::connect(&guard, &Guard::status, [](const QByteArray& line) {
        std::fputs((line + '\n').constData(), stdout);
        std::fflush(stdout);
    });
    QObject::connect(&guard, &Guard::finished, &application, &QCoreApplication::exit);
    QObject::connect(&input, &StandardInputReader::lineRead, &guard, &Guard::takeLine);
    QObject::connect(&input, &StandardInputReader::closed, &guard, &Guard::endOfInput);
    guard.start();
    input.start();
    const int exitCode = application.exec();
    // Finished only after the end of input, unless rigctld never took the unkey: then the reader
    // has ended already as well.
    input.wait();
    return exitCode;
}
