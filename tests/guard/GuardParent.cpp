// A program that keys the radio under the guard's watch and is then killed: it starts the guard
// through the program's own client, tells it the radio is on the air, says "ONAIR <guard's pid>" and
// waits to be killed.
#include "GuardClient.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    const QStringList arguments = application.arguments();
    if (arguments.size() != 4) {
        std::fputs("usage: guard-parent GUARD PORT RESTORE_MODE\n", stderr);
        return 2;
    }
    GuardClient guard(arguments[1]);
    guard.start(QStringLiteral("127.0.0.1"), quint16(arguments[2].toUInt()));
    QObject::connect(&guard, &GuardClient::readinessChanged, [&](bool ready) {
        if (!ready || !guard.onAir(std::chrono::minutes(1), {arguments[3].toLatin1(), 2400, 0.5, 7074000}))
            return;
        std::printf("ONAIR %lld\n", guard.processId());
        std::fflush(stdout);
    });
    return application.exec();
}
