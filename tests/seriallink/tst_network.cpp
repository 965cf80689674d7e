// The main window as the operator meets it with the board's line on the network: a far end that never
// answers, and a real ser2net, in front of a pseudo-terminal, going away.
#include "MainWindowRig.h"
#include "NetworkTransport.h"
#include "Ser2Net.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTcpServer>
#include <QTimer>

class TestNetwork : public QObject {
    Q_OBJECT
private slots:
    void aFarEndThatNeverAnswersIsGivenUpWhileTheWindowAnswers()
    {
        MainWindowRig rig;
        // The kernel accepts the connection for a listener that never speaks: no Telnet comes back.
        QTcpServer silent;
        QVERIFY(silent.listen(QHostAddress::LocalHost));
        const QString address = QStringLiteral("rfc2217://127.0.0.1:%1").arg(silent.serverPort());
        rig.directory.writeSettings(rig.directory.readSettings() + "COM4=" + address.toLatin1() + "\r\n");
        QVERIFY(rig.start());
        rig.get<QComboBox>("cboPort")->setCurrentText(QStringLiteral("COM4"));
        rig.get<QComboBox>("cboBaudrate")->setCurrentText(QStringLiteral("9600"));
        rig.click("CON_DISCON"); // disconnect

        QElapsedTimer sinceTick, sinceClick;
        qint64 longestGap = 0;
        QTimer ticker;
        QObject::connect(&ticker, &QTimer::timeout, [&] { longestGap = std::max(longestGap, sinceTick.restart()); });
        sinceTick.start();
        ticker.start(5);
        sinceClick.start();
        rig.click("CON_DISCON");
        QVERIFY(!rig.get<QPushButton>("CON_DISCON")->isEnabled());
        QTRY_COMPARE_WITH_TIMEOUT(rig.platform.messages.size(), 1, 5000);
        const qint64 waited = sinceClick.elapsed();
        // Qt's coarse timers may fire a little early.
        QVERIFY2(waited >= NetworkTransport::OpenTimeout.count() * 9 / 10 && waited < 4500,
                 qPrintable(QString::number(waited)));
        // A window that waited for the network would stop for the whole three seconds.
        QVERIFY2(longestGap < 1500, qPrintable(QString::number(longestGap)));

        const auto& box = rig.platform.messages.first();
        QCOMPARE(box.title, QStringLiteral("DISCONNECT"));
        QVERIFY2(box.text.startsWith(QStringLiteral("Unable to open port: Check connections.\r\n") + address),
                 qPrintable(box.text));
        QVERIFY(!rig.link.isOpen() && rig.get<QPushButton>("CON_DISCON")->isEnabled());
    }

    void ser2netGoingAwayIsAPulledCable()
    {
        MainWindowRig rig;
        auto server = std::make_unique<Ser2Net>(rig.board.devicePath(), QStringLiteral("rfc2217"));
        QVERIFY2(server->start(), "ser2net did not start");
        rig.directory.writeSettings(TestProgramDirectory::standardSettings(server->url()));
        QVERIFY(rig.start());
        QCOMPARE(rig.get<QLabel>("Label3")->toolTip(), server->url());
        rig.board.writeToProgram("READY\r\n");
        QTRY_COMPARE(rig.get<QLineEdit>("RISPOSTA")->text(), QStringLiteral("READY\r\n"));

        server->kill();
        QTRY_VERIFY(!rig.link.isOpen());
        QTest::qWait(100);
        QCOMPARE(rig.platform.messages.size(), 1);
        QCOMPARE(rig.platform.messages.first().title, QStringLiteral("CONNECTION LOST"));

        // ser2net is back on its port: "&Connect" opens the same address again, at the speed chosen.
        server = std::make_unique<Ser2Net>(rig.board.devicePath(), QStringLiteral("rfc2217"), server->port());
        QVERIFY2(server->start(), "ser2net did not come back");
        rig.get<QComboBox>("cboPort")->setCurrentText(QStringLiteral("COM6"));
        rig.get<QComboBox>("cboBaudrate")->setCurrentText(QStringLiteral("19200"));
        rig.click("CON_DISCON");
        QTRY_VERIFY(rig.link.isOpen());
        QTRY_COMPARE(rig.board.lineSpeed(), 19200);
        rig.click("Command1");
        QCOMPARE(rig.board.readFromProgram(12), QByteArray("IS,9,0,180,\r"));
        QCOMPARE(rig.platform.messages.size(), 1);
    }
};

QTEST_MAIN(TestNetwork)
#include "tst_network.moc"
