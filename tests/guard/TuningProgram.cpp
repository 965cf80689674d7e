// The program's main window on a pseudo-terminal board and a station at the port given, pressing
// TUNE in its rig window the way an operator would, for a test that then kills it. It says
// "TUNE" once the run started, or "REFUSED <the window's reason>" when TUNE stayed disabled, and
// with --until-done ends by itself, the usual way, once the run is over.
#include "MainWindowRig.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <cstdio>

namespace {

void say(const QString& line)
{
    std::printf("%s\n", qPrintable(line));
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    const QStringList arguments = application.arguments(); // STATION_PORT TUNE_MAX_S [--until-done]
    MainWindowRig rig;
    rig.directory.writeSettings(TestProgramDirectory::standardSettings(rig.board.devicePath()) +
                                "[rig]\r\nPORT=" + arguments.value(1).toLatin1() + "\r\nFOLLOW=1\r\nTUNE_TX=1\r\n" +
                                "TUNE_SETTLE_MS=300\r\nTUNE_MAX_S=" + arguments.value(2).toLatin1() + "\r\n");
    if (!rig.start())
        return 1;
    rig.click("Command1");
    rig.get<QLineEdit>("ANGLE")->setText(QStringLiteral("90"));
    rig.click("SETTA_ANGOLO");
    rig.get<QAction>("setta_RIG")->trigger();
    QWidget* window = nullptr;
    for (QWidget* top : QApplication::topLevelWidgets())
        window = top->objectName() == u"RigWindow" ? top : window;
    if (!window)
        return 1;
    auto* tune = widget<QPushButton>(*window, "tuneButton");
    auto* status = widget<QLabel>(*window, "tuneStatusLabel");
    if (!QTest::qWaitFor([tune] { return tune->isEnabled(); }, 5000)) {
        say(QStringLiteral("REFUSED ") + status->text());
        return 0;
    }
    tune->click();
    say(QStringLiteral("TUNE"));
    if (!arguments.contains(QStringLiteral("--until-done")))
        return application.exec();
    if (!QTest::qWaitFor([tune] { return tune->text() == u"&TUNE"; }, 30000))
        return 1;
    say(QStringLiteral("DONE ") + status->text());
    return 0;
}
