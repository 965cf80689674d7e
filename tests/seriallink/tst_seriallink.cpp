#include "LineSettings.h"
#include "PortMap.h"
#include "PtyPair.h"
#include "SerialLink.h"

#include <QSignalSpy>
#include <QTest>

class TestSerialLink : public QObject {
    Q_OBJECT
private slots:
    void lineSettings_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("readBack"); // empty: refused
        QTest::newRow("classic") << "9600,n,8,1"
                                 << "9600,n,8,1";
        QTest::newRow("fast") << "115200,N,8,1"
                              << "115200,n,8,1";
        QTest::newRow("blanks") << " 19200 , e , 7 , 2 "
                                << "19200,e,7,2";
        QTest::newRow("one and a half") << "300,o,5,1.5"
                                        << "300,o,5,1.5";
        QTest::newRow("speed only") << "9600"
                                    << "";
        QTest::newRow("bad parity") << "9600,x,8,1"
                                    << "";
        QTest::newRow("bad data bits") << "9600,n,9,1"
                                       << "";
        QTest::newRow("bad stop bits") << "9600,n,8,3"
                                       << "";
        QTest::newRow("zero speed") << "0,n,8,1"
                                    << "";
        QTest::newRow("extra field") << "9600,n,8,1,1"
                                     << "";
    }
    void lineSettings()
    {
        QFETCH(QString, text);
        QFETCH(QString, readBack);
        QString error;
        const auto parsed = LineSettings::parse(text, &error);
        QCOMPARE(parsed.has_value(), !readBack.isEmpty());
        if (parsed)
            QCOMPARE(parsed->text(), readBack);
        else
            QVERIFY(error.contains(text));
    }

    void portNumbersMeanDevices()
    {
        const PortMap map({{6, QStringLiteral("/dev/ttyACM0")}});
        QCOMPARE(map.device(6), QStringLiteral("/dev/ttyACM0"));
        QCOMPARE(map.device(1), QStringLiteral("/dev/ttyS0"));
        QCOMPARE(map.device(20), QStringLiteral("/dev/ttyS19"));
    }

    void refusedSettingsKeepThePreviousOnes()
    {
        SerialLink link;
        QVERIFY(link.setSettings(QStringLiteral("19200,n,8,1")));
        QVERIFY(!link.setSettings(QStringLiteral("19200;n;8;1")));
        QCOMPARE(link.errorNumber(), 380);
        QCOMPARE(link.settings(), QStringLiteral("19200,n,8,1"));
    }

    void writesReachTheBoardAndRepliesRaiseOneReceiveEvent()
    {
        PtyPair board;
        SerialLink link;
        link.setPortMap(PortMap({{3, board.devicePath()}}));
        link.setCommPort(3);
        link.setSettings(QStringLiteral("57600,n,8,1"));
        link.setRThreshold(1);
        QVERIFY(link.open());
        QCOMPARE(board.lineSpeed(), 57600);

        link.output("A,95,\r");
        QCOMPARE(board.readFromProgram(6), QByteArray("A,95,\r"));

        QSignalSpy events(&link, &SerialLink::onComm);
        board.writeToProgram("OK 95\r\nOK 96\r\n");
        QTRY_VERIFY(!events.isEmpty());
        QCOMPARE(events.first().first().toInt(), int(SerialLink::EventReceive));
        QCOMPARE(link.commEvent(), int(SerialLink::EventReceive));
        QByteArray received;
        QTRY_COMPARE(received += link.input(), QByteArray("OK 95\r\nOK 96\r\n"));
        QCOMPARE(link.input(), QByteArray());
    }

    void aClosedPortSkipsWrites()
    {
        PtyPair board;
        SerialLink link;
        link.setPortMap(PortMap({{3, board.devicePath()}}));
        link.setCommPort(3);
        QVERIFY(link.open());
        link.close();
        link.output("A,1,\r");
        QCOMPARE(board.drain(), QByteArray());
        QCOMPARE(link.input(), QByteArray());
    }

    void aMissingDeviceIsNotOpened()
    {
        SerialLink link;
        link.setPortMap(PortMap({{4, QStringLiteral("/dev/veltrano-no-such-device")}}));
        link.setCommPort(4);
        QString error;
        QVERIFY(!link.open(&error));
        QVERIFY(!link.isOpen());
        QCOMPARE(link.errorNumber(), 8002);
        QVERIFY(error.contains(QStringLiteral("/dev/veltrano-no-such-device")));
    }

    void aPulledCableClosesThePortOnce()
    {
        auto board = std::make_unique<PtyPair>();
        SerialLink link;
        link.setPortMap(PortMap({{3, board->devicePath()}}));
        link.setCommPort(3);
        link.setRThreshold(1);
        QVERIFY(link.open());
        QSignalSpy lost(&link, &SerialLink::connectionLost);
        board.reset();
        QTRY_COMPARE(lost.size(), 1);
        QVERIFY(!link.isOpen());
        QTest::qWait(100);
        QCOMPARE(lost.size(), 1);

        // The device is back (here: a new one under the same number) and opens again.
        PtyPair again;
        link.setPortMap(PortMap({{3, again.devicePath()}}));
        QVERIFY(link.open());
        link.output("IS,9,0,180,\r");
        QCOMPARE(again.readFromProgram(12), QByteArray("IS,9,0,180,\r"));
    }
};

QTEST_MAIN(TestSerialLink)
#include "tst_seriallink.moc"
