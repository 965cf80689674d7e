#include "BoardSession.h"
#include "KeyFilter.h"
#include "NumberText.h"

#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>

class TestCommon : public QObject {
    Q_OBJECT
private slots:
    // What the tune run and the follower start from: the angle last sent, forgotten whenever the
    // board starts again or the servo lets go, and each change told once.
    void boardSessionKeepsTheAngleSent_data()
    {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<double>("sentDegrees"); // negative: none
        QTest::addColumn<int>("changesTold");
        QTest::addColumn<bool>("servoReady");
        QTest::newRow("sent while on") << QStringList{"open", "on", "send 90", "send 90"} << 90.0 << 1 << true;
        QTest::newRow("sent with the port closed") << QStringList{"on", "send 90"} << -1.0 << 0 << false;
        QTest::newRow("port closed after") << QStringList{"open", "on", "send 90", "close"} << -1.0 << 2 << false;
        QTest::newRow("port reopened") << QStringList{"open", "on", "send 90", "close", "open"} << -1.0 << 2 << true;
        QTest::newRow("servo off after") << QStringList{"open", "on", "send 90", "off"} << -1.0 << 2 << false;
        QTest::newRow("two angles") << QStringList{"open", "on", "send 90", "send 91.5"} << 91.5 << 2 << true;
    }
    void boardSessionKeepsTheAngleSent()
    {
        QFETCH(QStringList, steps);
        QFETCH(double, sentDegrees);
        QFETCH(int, changesTold);
        QFETCH(bool, servoReady);
        BoardSession board;
        QSignalSpy changes(&board, &BoardSession::sentDegreesChanged);
        for (const QString& step : steps) {
            if (step == QLatin1String("open") || step == QLatin1String("close"))
                board.setLinkOpen(step == QLatin1String("open"));
            else if (step == QLatin1String("on") || step == QLatin1String("off"))
                board.setServoState(step == QLatin1String("on") ? ServoState::On : ServoState::Off);
            else
                board.setSentDegrees(step.mid(5).toDouble());
        }
        QCOMPARE(board.sentDegrees().value_or(-1.0), sentDegrees);
        QCOMPARE(changes.count(), changesTold);
        QCOMPARE(board.isServoReady(), servoReady);
    }

    // The fuzzer checks agreement with plain numbers; these are the readings the program relies on.
    void leadingNumberValue_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("value");
        QTest::newRow("range band") << "3-30MHz" << 3.0;
        QTest::newRow("letters") << "CB" << 0.0;
        QTest::newRow("blanks inside") << "1 2\t3\n4" << 1234.0;
        QTest::newRow("second point stops") << "1.2.3" << 1.2;
        QTest::newRow("D exponent") << "2D3" << 2000.0;
        QTest::newRow("comma is not a point") << "45,5" << 45.0;
        QTest::newRow("hexadecimal with blanks") << "& h F\tF" << 255.0;
        QTest::newRow("hexadecimal past a double") << "&H" + QString(300, u'F') << 0.0;
        QTest::newRow("overflow") << "1E999" << 0.0;
    }
    void leadingNumberValue()
    {
        QFETCH(QString, text);
        QFETCH(double, value);
        QCOMPARE(::leadingNumberValue(text), value);
    }

    // Every numeric field of the program takes its characters through this filter.
    void numericFieldsTakeDigitsOnly()
    {
        QLineEdit field;
        NumericKeyFilter::install(&field);
        QTest::keyClicks(&field, QStringLiteral("1a4,2 -.\r5"));
        QTest::keyClick(&field, Qt::Key_Backspace);
        field.insert(QStringLiteral("6x")); // a paste that typing would refuse goes nowhere
        field.insert(QStringLiteral("78"));
        QCOMPARE(field.text(), QStringLiteral("14278"));
        QVERIFY(NumericKeyFilter::passes(24) && !NumericKeyFilter::passes(58));
    }
};

QTEST_MAIN(TestCommon)
#include "tst_common.moc"
