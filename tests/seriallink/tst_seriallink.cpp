#include "LineSettings.h"
#include "PortMap.h"
#include "PtyPair.h"
#include "ReplyDisplay.h"
#include "Ser2Net.h"
#include "SerialLink.h"
#include "TelnetCodec.h"

#include <QTest>

#include <optional>

namespace {

QByteArray hex(const QByteArray& digits)
{
    return QByteArray::fromHex(digits);
}

} // namespace

class TestSerialLink : public QObject {
    Q_OBJECT
private slots:
    void replyPiecesMakeALine_data()
    {
        QTest::addColumn<QStringList>("pieces"); // as successive reads hand them over
        QTest::addColumn<QString>("shown");
        // clang-format off
        QTest::newRow("split reply") << QStringList{"OK A 9", "5 (1524 us)\r", "\n"} << "OK A 95 (1524 us)\r\n";
        QTest::newRow("next reply starts afresh") << QStringList{"OK A 95 (1524 us)\r\n", "OK"} << "OK";
        QTest::newRow("one read ends a line and starts the next") << QStringList{"OK A 95 (1", "524 us)\r\nERR"} << "OK A 95 (1524 us)\r\nERR";
        QTest::newRow("unfinished last line of a read joins the next") << QStringList{"OK ONE\r\nOK TW", "O\r\n"} << "OK TWO\r\n";
        // clang-format on
    }
    void replyPiecesMakeALine()
    {
        QFETCH(QStringList, pieces);
        QFETCH(QString, shown);
        QString line;
        for (const QString& piece : pieces)
            line = ReplyDisplay::latestLine(line, piece);
        QCOMPARE(line, shown);
    }

    void telnetFromTheFarEnd_data()
    {
        QTest::addColumn<QByteArrayList>("pieces"); // as the reads bring them
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QByteArray>("replies");
        QTest::addColumn<TelnetCodec::Agreement>("comPort");
        const auto Agreed = TelnetCodec::Agreement::Agreed;
        const auto Pending = TelnetCodec::Agreement::Pending;
        // ser2net 4.3 opens with these: we refuse suppress-go-ahead and echo, and binary and the
        // COM-PORT option cross our own offers without a second answer.
        QTest::newRow("ser2net greeting") << QByteArrayList{hex("fffb03 fffd03 fffb01 fffe01 fffd00 fffb00 fffd2c")}
                                          << QByteArray() << hex("fffe03 fffc03 fffe01") << Agreed;
        QTest::newRow("doubled 0xFF split between reads, no-operation, go-ahead")
            << QByteArrayList{"OK" + hex("fff1 ff"), hex("ff") + "\r" + hex("fff9") + "\n"} << QByteArray("OK\xff\r\n")
            << QByteArray() << Pending;
        QTest::newRow("agreement split byte by byte")
            << QByteArrayList{"A", hex("ff"), hex("fd"), hex("2c") + "B"} << QByteArray("AB") << QByteArray() << Agreed;
        QTest::newRow("notice with an escaped 0xFF, split")
            << QByteArrayList{"x" + hex("fffa2c 650000"), hex("ffff"), hex("00ff"), hex("f0") + "y"} << QByteArray("xy")
            << QByteArray() << Pending;
        QTest::newRow("unknown options refused each time asked, far end without RFC 2217")
            << QByteArrayList{hex("fffd18"), hex("fffd18 fffb1f fffe2c")} << QByteArray() << hex("fffc18 fffc18 fffe1f")
            << TelnetCodec::Agreement::Refused;
    }
    void telnetFromTheFarEnd()
    {
        QFETCH(QByteArrayList, pieces);
        QFETCH(QByteArray, data);
        QFETCH(QByteArray, replies);
        QFETCH(TelnetCodec::Agreement, comPort);
        TelnetCodec codec;
        QCOMPARE(codec.greeting(), hex("fffb2c fffb00 fffd00"));
        QByteArray received, answered;
        for (const QByteArray& piece : pieces)
            received += codec.decode(piece, answered);
        QCOMPARE(received, data);
        QCOMPARE(answered, replies);
        QCOMPARE(codec.comPortOption(), comPort);
    }

    // The line settings as read, and as RFC 2217 carries them to the far line.
    void lineSettings_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("readBack"); // empty: refused
        QTest::addColumn<QByteArray>("commands");
        auto commands = [](const char* baud, const char* dataBits, const char* parity, const char* stop) {
            return hex(QByteArray("fffa2c01") + baud + "fff0 fffa2c02" + dataBits + "fff0 fffa2c03" + parity +
                       "fff0 fffa2c04" + stop + "fff0");
        };
        // clang-format off
        QTest::newRow("fast") << "115200,N,8,1" << "115200,n,8,1" << commands("0001c200", "08", "01", "01");
        QTest::newRow("blanks") << " 19200 , e , 7 , 2 " << "19200,e,7,2" << commands("00004b00", "07", "03", "02");
        // A value byte of 0xFF is doubled inside the command as in data.
        QTest::newRow("255,o,6,1.5") << "255,o,6,1.5" << "255,o,6,1.5" << commands("000000ffff", "06", "02", "03");
        QTest::newRow("speed only") << "9600" << "" << QByteArray();
        QTest::newRow("bad parity") << "9600,x,8,1" << "" << QByteArray();
        // clang-format on
    }
    void lineSettings()
    {
        QFETCH(QString, text);
        QFETCH(QString, readBack);
        QFETCH(QByteArray, commands);
        QString error;
        const auto parsed = LineSettings::parse(text, &error);
        QCOMPARE(parsed ? parsed->text() : QString(), readBack);
        QCOMPARE(error.contains(text), readBack.isEmpty());
        QCOMPARE(parsed ? TelnetCodec::lineSettingsCommands(*parsed) : QByteArray(), commands);
    }

    void networkAddresses_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<PortAddress::Kind>("kind");
        QTest::addColumn<QString>("hostAndPort"); // ":0": not usable
        QTest::newRow("device") << "/dev/ttyACM0" << PortAddress::Kind::Device << ":0";
        QTest::newRow("RFC 2217, capitals")
            << "RFC2217://loop-pi.local:2000" << PortAddress::Kind::Rfc2217 << "loop-pi.local:2000";
        QTest::newRow("IPv6") << "tcp://[fd00::7]:3333" << PortAddress::Kind::RawTcp << "fd00::7:3333";
        QTest::newRow("no port") << "tcp://loop-pi" << PortAddress::Kind::RawTcp << ":0";
        QTest::newRow("path after the port") << "rfc2217://loop-pi:2000/x" << PortAddress::Kind::Rfc2217 << ":0";
    }
    void networkAddresses()
    {
        QFETCH(QString, text);
        QFETCH(PortAddress::Kind, kind);
        QFETCH(QString, hostAndPort);
        const PortAddress address = PortMap({{6, text}}).address(6);
        QCOMPARE(address.kind, kind);
        QCOMPARE(address.host + u':' + QString::number(address.port), hostAndPort);
    }

    void bytesAndSpeedsReachTheBoard_data()
    {
        QTest::addColumn<QString>("served"); // how ser2net serves the line; empty: the program opens it
        QTest::addColumn<int>("speedAfterOpen");
        QTest::addColumn<int>("speedAfterReopen");
        QTest::newRow("pseudo-terminal") << "" << 19200 << 57600;
        // Raw TCP leaves the line as ser2net's own file sets it (9600); RFC 2217 carries ours.
        QTest::newRow("ser2net, raw") << "tcp" << 9600 << 9600;
        QTest::newRow("ser2net, RFC 2217") << "rfc2217" << 19200 << 57600;
    }
    void bytesAndSpeedsReachTheBoard()
    {
        QFETCH(QString, served);
        QFETCH(int, speedAfterOpen);
        QFETCH(int, speedAfterReopen);
        PtyPair board;
        std::optional<Ser2Net> server;
        if (!served.isEmpty()) {
            server.emplace(board.devicePath(), served);
            QVERIFY2(server->start(), "ser2net did not start");
        }
        SerialLink link;
        link.setPortMap(PortMap({{3, server ? server->url() : board.devicePath()}}));
        link.setCommPort(3);
        link.setRThreshold(1);
        // "&Connect" with another speed closes and opens again.
        for (const auto& [settings, speed] :
             {std::pair{"19200,n,8,1", speedAfterOpen}, {"57600,n,8,1", speedAfterReopen}}) {
            QVERIFY(link.setSettings(QString::fromLatin1(settings)));
            QString error;
            QVERIFY2(link.open(&error), qPrintable(error));
            QTRY_COMPARE(board.lineSpeed(), speed);
            // 0xFF is Telnet's escape: it must cross both ways as a plain byte.
            link.output("A,95,\xff\r");
            QCOMPARE(board.readFromProgram(7), QByteArray("A,95,\xff\r"));
            board.writeToProgram("OK \xff\r\nOK 96\r\n");
            QByteArray received;
            QTRY_COMPARE(received += link.input(), QByteArray("OK \xff\r\nOK 96\r\n"));
            link.close();
        }
        // A closed port reads and writes nothing.
        link.output("A,1,\r");
        QCOMPARE(board.drain() + link.input(), QByteArray());
    }
};

QTEST_MAIN(TestSerialLink)
#include "tst_seriallink.moc"
