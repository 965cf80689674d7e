// Whether the window goes on answering while the far end misbehaves: the longest the event loop went
// without serving a 5 ms timer while a board floods the line with bytes and no line end, while the
// window opens a network port whose far end never speaks, and while a rigctld peer floods empty lines.
// The reference is the same timer on an idle loop.
#include "Figures.h"
#include "FloodingPeer.h"
#include "LongestGap.h"
#include "MainWindowRig.h"
#include "RigLink.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QTcpServer>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    {
        LongestGap idle;
        QTest::qWait(1000);
        printFigure("idle_longest_gap", double(idle.longest), "ms");
    }

    // Four megabytes above ASCII with no line end, faster than any serial line delivers them.
    {
        MainWindowRig rig;
        if (!rig.start())
            return 1;
        auto* reply = rig.get<QLineEdit>("RISPOSTA");
        QByteArray chunk(64 * 1024, Qt::Uninitialized);
        for (qsizetype i = 0; i < chunk.size(); ++i)
            chunk[i] = char(0x80 | (i % 0x80));
        LongestGap gap;
        QElapsedTimer flood;
        flood.start();
        for (int i = 0; i < 64; ++i)
            rig.board.writeToProgram(chunk);
        rig.board.writeToProgram("END");
        if (!QTest::qWaitFor([reply] { return reply->text().endsWith(u"END"); }, 60000))
            return 1;
        printFigure("flooding_board_shown_after", double(flood.elapsed()), "ms");
        printFigure("flooding_board_longest_gap", double(gap.longest), "ms");
    }

    // The kernel accepts the connection for a listener that never speaks: no Telnet comes back.
    {
        QTcpServer silent;
        if (!silent.listen(QHostAddress::LocalHost))
            return 1;
        MainWindowRig rig;
        rig.directory.writeSettings(TestProgramDirectory::standardSettings(rig.board.devicePath()) +
                                    "COM4=rfc2217://127.0.0.1:" + QByteArray::number(silent.serverPort()) + "\r\n");
        if (!rig.start())
            return 1;
        rig.get<QComboBox>("cboPort")->setCurrentText(QStringLiteral("COM4"));
        rig.get<QComboBox>("cboBaudrate")->setCurrentText(QStringLiteral("9600"));
        rig.click("CON_DISCON"); // disconnect
        LongestGap gap;
        QElapsedTimer opening;
        opening.start();
        rig.click("CON_DISCON");
        if (!QTest::qWaitFor([&rig] { return !rig.platform.messages.isEmpty(); }, 20000))
            return 1;
        printFigure("silent_far_end_given_up_after", double(opening.elapsed()), "ms");
        printFigure("silent_far_end_longest_gap", double(gap.longest), "ms");
    }

    {
        FloodingPeer peer({}, QByteArray("\n"));
        RigLink link;
        link.start(QStringLiteral("127.0.0.1"), peer.port(), 100);
        if (!QTest::qWaitFor([&link] { return link.state() == RigLink::State::Connected; }, 5000))
            return 1;
        LongestGap gap;
        QTest::qWait(3000);
        printFigure("rigctld_flood_lines_read", double(link.ignoredLines()), "lines");
        printFigure("rigctld_flood_longest_gap", double(gap.longest), "ms");
    }
    return 0;
}
