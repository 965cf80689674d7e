#include "KeyFilter.h"
#include "NumberText.h"

#include <QLineEdit>
#include <QTest>

class TestCommon : public QObject {
    Q_OBJECT
private slots:
    // The fuzzer checks agreement with plain numbers; these are the readings the program relies on.
    void leadingNumberValue_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("value");
        QTest::newRow("range band") << "3-30MHz" << 3.0;
        QTest::newRow("letters") << "CB" << 0.0;
        QTest::newRow("leading zero") << "090" << 90.0;
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
