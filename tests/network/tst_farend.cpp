// The network links against far ends that misbehave without closing: one that vanishes, one that
// floods and never reads.
#include "FarEnd.h"
#include "FloodingPeer.h"
#include "NetworkNamespace.h"
#include "NetworkTransport.h"

#include <QElapsedTimer>
#include <QFile>
#include <QSignalSpy>
#include <QTcpSocket>
#include <QTest>

#include <unistd.h>

namespace {

// This process's resident memory, in MiB.
double residentMebibytes()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    return statm.open(QIODevice::ReadOnly) ? statm.readAll().split(' ').value(1).toDouble() * ::getpagesize() / 1048576
                                           : 0;
}

} // namespace

class TestFarEnd : public QObject {
    Q_OBJECT
private slots:
    // ser2net's computer gone without a word: the line counts as lost, as a pulled cable does.
    void aVanishedFarEndIsALostLine_data()
    {
        QTest::addColumn<bool>("commandWaiting"); // one was sent after the far end went
        QTest::newRow("idle line") << false;
        QTest::newRow("a command unacknowledged") << true;
    }
    void aVanishedFarEndIsALostLine()
    {
        QFETCH(bool, commandWaiting);
        MAKE_NETWORK_NAMESPACE_OR_SKIP(far);
        QTcpServer server;
        QVERIFY(far.listenInside(server));
        NetworkTransport link(
            PortAddress::parse(QStringLiteral("tcp://%1:%2").arg(far.farAddress()).arg(server.serverPort())));
        QSignalSpy opened(&link, &Transport::opened);
        QSignalSpy lost(&link, &Transport::lost);
        link.open(LineSettings{}, false);
        QTRY_COMPARE(opened.size(), 1);
        QTRY_VERIFY(server.hasPendingConnections());
        QTcpSocket* board = server.nextPendingConnection();
        link.write("A,95,\r");
        QByteArray received;
        QTRY_COMPARE(received += board->readAll(), QByteArray("A,95,\r"));
        QVERIFY2(far.cutFarEnd(), qPrintable(far.problem()));
        QElapsedTimer since;
        since.start();
        if (commandWaiting)
            link.write("A,96,\r");
        QTRY_VERIFY_WITH_TIMEOUT(!lost.isEmpty(), 30000);
        const qint64 noticedMs = since.elapsed();
        QVERIFY2(noticedMs <= 12000, qPrintable(QString::number(noticedMs)));
        QVERIFY(!link.isOpen());
        QTest::qWait(200);
        QCOMPARE(lost.size(), 1);
    }

    // An RFC 2217 peer that floods Telnet requests and never reads our answers: they may not pile up.
    void aPeerThatNeverReadsIsDropped_data()
    {
        QTest::addColumn<QByteArray>("opening");
        QTest::addColumn<bool>("opens");
        const QByteArray doComPort = QByteArray::fromHex("fffd2c");
        QTest::newRow("before the line opens") << QByteArray() << false;
        QTest::newRow("once the line is open") << doComPort << true;
    }
    void aPeerThatNeverReadsIsDropped()
    {
        QFETCH(QByteArray, opening);
        QFETCH(bool, opens);
        // DO and WILL of an option we refuse: each asks for an answer.
        FloodingPeer peer(opening, QByteArray::fromHex("fffd05fffb05"));
        QVERIFY(peer.port() != 0);
        NetworkTransport link(PortAddress::parse(QStringLiteral("rfc2217://127.0.0.1:%1").arg(peer.port())));
        QSignalSpy opened(&link, &Transport::opened);
        QSignalSpy failed(&link, &Transport::openFailed);
        QSignalSpy lost(&link, &Transport::lost);
        const double memoryBefore = residentMebibytes();
        double mostMemory = memoryBefore;
        link.open(LineSettings{}, false);
        QTRY_VERIFY_WITH_TIMEOUT(
            (mostMemory = std::max(mostMemory, residentMebibytes()), !failed.isEmpty() || !lost.isEmpty()), 20000);
        QVERIFY2(mostMemory - memoryBefore < 100, qPrintable(QString::number(mostMemory - memoryBefore)));
        QCOMPARE(opened.size(), opens ? 1 : 0);
        const QString reason = opens ? lost.first().first().toString() : failed.first().at(1).toString();
        QVERIFY2(reason.contains(farEndNotReadingReason()), qPrintable(reason));
        QVERIFY(!link.isOpen());
        QVERIFY(peer.bytesSent() > 1024 * 1024);
    }
};

QTEST_GUILESS_MAIN(TestFarEnd)
#include "tst_farend.moc"
