// The lines the board gets and the number rules behind them, without a window.
#include "CommandLine.h"

#include <QTest>

class TestServo : public QObject {
    Q_OBJECT
private slots:
    void commandLines_data()
    {
        QTest::addColumn<QString>("rule");
        QTest::addColumn<QStringList>("given");
        QTest::addColumn<QString>("result"); // empty: nothing to send
        // clang-format off
        QTest::newRow("entered, leading zero, empty minimum") << "entered start" << QStringList{"09", "", "180"} << "IS,9,0,180,";
        QTest::newRow("angle as typed, in tenths") << "position" << QStringList{" 095.5 "} << "A,095.5,";
        QTest::newRow("pin 9") << "PWM pin" << QStringList{"9"} << "yes";
        QTest::newRow("pin 7") << "PWM pin" << QStringList{"7"} << "";
        QTest::newRow("0 in 0..180") << "within" << QStringList{"0", "0", "180"} << "yes";
        QTest::newRow("151 in 0..150") << "within" << QStringList{"151", "0", "150"} << "";
        QTest::newRow("empty in 0..180") << "within" << QStringList{"", "0", "180"} << "";
        QTest::newRow("up from empty") << "step" << QStringList{"", "1"} << "1";
        QTest::newRow("up at 180") << "step" << QStringList{"180", "1"} << "";
        QTest::newRow("down at 0") << "step" << QStringList{"0", "-1"} << "";
        QTest::newRow("down rewrites") << "step" << QStringList{"090", "-1"} << "89";
        // clang-format on
    }
    void commandLines()
    {
        QFETCH(QString, rule);
        QFETCH(QStringList, given);
        QFETCH(QString, result);
        const auto yes = [](bool passes) { return passes ? QStringLiteral("yes") : QString(); };
        QString got;
        if (rule == u"entered start") {
            got = servoStartLine(given[0], given[1], given[2]);
        } else if (rule == u"position") {
            got = positionLine(given[0]);
        } else if (rule == u"PWM pin") {
            got = yes(isPwmPin(fieldValue(given[0])));
        } else if (rule == u"within") {
            got = yes(angleWithinLimits(given[0], given[1].toDouble(), given[2].toDouble()));
        } else {
            got = steppedAngle(given[0], given[1].toInt()).value_or(QString());
        }
        QCOMPARE(got, result);
    }
};

QTEST_GUILESS_MAIN(TestServo)
#include "tst_servo.moc"
