// The board's line served on the network by a real ser2net, in front of a pseudo-terminal: the port
// object alone, then the main window as the operator meets it.
#include "MainWindowRig.h"
#include "NetworkTransport.h"
#include "Ser2Net.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTimer>

class TestNetwork : public QObject {
    Q_OBJECT
private slots:
    void bytesAndLineSettingsThroughSer2net_data()
    {
        QTest::addColumn<Ser2Net::Protocol>("protocol");
        QTest::addColumn<int>("speedAfterOpen"); // on the pseudo-terminal, set by ser2net
        QTest::addColumn<int>("speedAfterReopen");
        // Raw TCP leaves the line as ser2net's own file sets it (9600); RFC 2217 carries ours.
        QTest::newRow("raw") << Ser2Net::Protocol::RawTcp << 9600 << 9600;
        QTest::newRow("RFC 2217") << Ser2Net::Protocol::Rfc2217 << 19200 << 57600;
    }
    void bytesAndLineSettingsThroughSer2net()
    {
        QFETCH(Ser2Net::Protocol, protocol);
        QFETCH(int, speedAfterOpen);
        QFETCH(int, speedAfterReopen);
        PtyPair board;
        Ser2Net server(board.devicePath(), protocol);
        QVERIFY2(server.start(), "ser2net did not start");
        SerialLink link;
        link.setPortMap(PortMap({{3, server.url()}}));
        link.setCommPort(3);
        link.setRThreshold(1);
        link.setSettings(QStringLiteral("19200,n,8,1"));
        QString error;
        QVERIFY2(link.open(&error), qPrintable(error));
        QTRY_COMPARE(board.lineSpeed(), speedAfterOpen);

        // 0xFF is Telnet's escape: it must cross both ways as a plain byte.
        link.output("A,95,\xff\r");
        QCOMPARE(board.readFromProgram(7), QByteArray("A,95,\xff\r"));
        QSignalSpy events(&link, &SerialLink::onComm);
        board.writeToProgram("OK \xff\r\n");
        QByteArray received;
        QTRY_COMPARE(received += link.input(), QByteArray("OK \xff\r\n"));
        QVERIFY(!events.isEmpty());

        // "&Connect" with another speed closes and opens again.
        link.close();
        link.setSettings(QStringLiteral("57600,n,8,1"));
        QVERIFY2(link.open(&error), qPrintable(error));
        QTRY_COMPARE(board.lineSpeed(), speedAfterReopen);
        link.output("A,96,\r");
        QCOMPARE(board.readFromProgram(6), QByteArray("A,96,\r"));
    }

    void aNetworkPortThatCannotBeOpenedEndsStartUp_data()
    {
        QTest::addColumn<QString>("address"); // PORT stands for a loopback port nobody listens on
        QTest::addColumn<int>("errorNumber");
        QTest::newRow("nobody listens") << "tcp://127.0.0.1:PORT" << 8005;
        QTest::newRow("no port number") << "rfc2217://127.0.0.1" << 8002;
    }
    void aNetworkPortThatCannotBeOpenedEndsStartUp()
    {
        QFETCH(QString, address);
        QFETCH(int, errorNumber);
        quint16 unused = 0;
        {
            QTcpServer probe;
            QVERIFY(probe.listen(QHostAddress::LocalHost));
            unused = probe.serverPort();
        }
        MainWindowRig rig;
        rig.directory.writeSettings(
            TestProgramDirectory::standardSettings(address.replace(QStringLiteral("PORT"), QString::number(unused))));
        QVERIFY(!rig.window->load());
        QVERIFY(rig.platform.ended);
        QCOMPARE(rig.platform.messages.size(), 1);
        QCOMPARE(rig.platform.messages.first().title, QStringLiteral(" Errore : %1").arg(errorNumber));
    }

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
        QVERIFY(!rig.link.isOpen());
        QVERIFY(rig.get<QPushButton>("CON_DISCON")->isEnabled());
        QCOMPARE(rig.get<QPushButton>("CON_DISCON")->text(), QStringLiteral("&Connect"));
    }

    void ser2netGoingAwayIsAPulledCable()
    {
        MainWindowRig rig;
        auto server = std::make_unique<Ser2Net>(rig.board.devicePath(), Ser2Net::Protocol::Rfc2217);
        QVERIFY2(server->start(), "ser2net did not start");
        const quint16 port = server->port();
        rig.directory.writeSettings(TestProgramDirectory::standardSettings(server->url()));
        QVERIFY(rig.start());
        QVERIFY(rig.link.isOpen());
        QCOMPARE(rig.get<QLabel>("Label3")->text(), QStringLiteral("OPEN -> COM6,9600,n,8,1"));
        QCOMPARE(rig.get<QLabel>("Label3")->toolTip(), server->url());
        QCOMPARE(rig.get<QComboBox>("cboPort")->itemData(5, Qt::ToolTipRole).toString(), server->url());
        rig.board.writeToProgram("READY\r\n");
        QTRY_COMPARE(rig.get<QLineEdit>("RISPOSTA")->text(), QStringLiteral("READY\r\n"));

        server->kill();
        QTRY_VERIFY(!rig.link.isOpen());
        QTest::qWait(100);
        QCOMPARE(rig.platform.messages.size(), 1);
        QCOMPARE(rig.platform.messages.first().title, QStringLiteral("CONNECTION LOST"));
        QCOMPARE(rig.get<QPushButton>("CON_DISCON")->text(), QStringLiteral("&Connect"));
        QVERIFY(rig.get<QGroupBox>("Frame1")->isHidden());

        // ser2net is back on its port: "&Connect" opens the same address again.
        server = std::make_unique<Ser2Net>(rig.board.devicePath(), Ser2Net::Protocol::Rfc2217, port);
        QVERIFY2(server->start(), "ser2net did not come back");
        rig.get<QComboBox>("cboPort")->setCurrentText(QStringLiteral("COM6"));
        rig.get<QComboBox>("cboBaudrate")->setCurrentText(QStringLiteral("19200"));
        rig.click("CON_DISCON");
        QTRY_VERIFY(rig.link.isOpen());
        QCOMPARE(rig.get<QLabel>("Label3")->text(), QStringLiteral("OPEN -> COM6,19200,n,8,1"));
        QTRY_COMPARE(rig.board.lineSpeed(), 19200);
        QCOMPARE(rig.platform.messages.size(), 1);
        rig.get<QLineEdit>("ANGLE")->setText(QStringLiteral("95"));
        rig.click("Command1");
        rig.click("SETTA_ANGOLO");
        QCOMPARE(rig.board.readFromProgram(18), QByteArray("IS,9,0,180,\rA,95,\r"));
    }
};

QTEST_MAIN(TestNetwork)
#include "tst_network.moc"
