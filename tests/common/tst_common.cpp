#include "Indicators.h"
#include "KeyFilter.h"
#include "NumberText.h"
#include "ProgramDirectory.h"

#include <QLineEdit>
#include <QTest>

class TestCommon : public QObject {
    Q_OBJECT
private slots:
    void leadingNumberValue_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("value");
        QTest::newRow("band") << "160" << 160.0;
        QTest::newRow("range band") << "3-30MHz" << 3.0;
        QTest::newRow("letters") << "CB" << 0.0;
        QTest::newRow("leading zero") << "090" << 90.0;
        QTest::newRow("decimal") << "45.5" << 45.5;
        QTest::newRow("trailing letters") << "12abc" << 12.0;
        QTest::newRow("empty") << "" << 0.0;
        QTest::newRow("blank before") << " 7074" << 7074.0;
        QTest::newRow("blanks inside") << "1 2\t3\n4" << 1234.0;
        QTest::newRow("sign") << "-10" << -10.0;
        QTest::newRow("plus") << "+5" << 5.0;
        QTest::newRow("second point stops") << "1.2.3" << 1.2;
        QTest::newRow("exponent") << "1.5E2" << 150.0;
        QTest::newRow("D exponent") << "2D3" << 2000.0;
        QTest::newRow("exponent without digits") << "7E" << 7.0;
        QTest::newRow("comma is not a point") << "45,5" << 45.0;
        QTest::newRow("hexadecimal") << "&HFF" << 255.0;
        QTest::newRow("octal") << "&O17" << 15.0;
        QTest::newRow("blanks in hexadecimal") << "& h F\tF" << 255.0;
        QTest::newRow("hexadecimal past a double") << "&H" + QString(300, u'F') << 0.0;
        QTest::newRow("Arabic-Indic digit") << QStringLiteral("&H\u0663") << 0.0;
        QTest::newRow("full-width digit") << QStringLiteral("&O\uFF11") << 0.0;
        QTest::newRow("sign alone") << "-" << 0.0;
        QTest::newRow("overflow") << "1E999" << 0.0;
    }
    void leadingNumberValue()
    {
        QFETCH(QString, text);
        QFETCH(double, value);
        QCOMPARE(::leadingNumberValue(text), value);
    }

    void wholeNumbers()
    {
        QCOMPARE(parseInt16(u" 32767 "), std::optional<std::int16_t>(32767));
        QCOMPARE(parseInt16(u"-32768"), std::optional<std::int16_t>(-32768));
        QVERIFY(!parseInt16(u"32768"));
        QVERIFY(!parseInt16(u""));
        QVERIFY(!parseInt16(u"9.5"));
        QVERIFY(!parseInt16(u"9a"));
        QVERIFY(!parseInt16(QString(2000, u'9')));
        QCOMPARE(parseWholeNumber(u"115200", 1, 4000000), std::optional<long long>(115200));
    }

    void plainDecimalHasNoBlanksOrZeros()
    {
        QCOMPARE(plainDecimal(9), QStringLiteral("9"));
        QCOMPARE(plainDecimal(-10), QStringLiteral("-10"));
        QCOMPARE(plainDecimal(0), QStringLiteral("0"));
        QCOMPARE(plainDecimal(-0.0), QStringLiteral("0"));
        QCOMPARE(plainDecimal(46.5), QStringLiteral("46.5"));
        QCOMPARE(plainDecimal(32767), QStringLiteral("32767"));
    }

    void keyFilterLetsOnlyDigitsThrough()
    {
        QLineEdit field;
        field.setMaxLength(5);
        NumericKeyFilter::install(&field);
        QTest::keyClicks(&field, QStringLiteral("1a4,2 -."));
        QCOMPARE(field.text(), QStringLiteral("142"));
        QTest::keyClick(&field, Qt::Key_Backspace);
        QCOMPARE(field.text(), QStringLiteral("14"));
        QTest::keyClick(&field, Qt::Key_Return);
        QTest::keyClicks(&field, QStringLiteral("56789"));
        QCOMPARE(field.text(), QStringLiteral("14567"));
        QVERIFY(NumericKeyFilter::passes(24));
        QVERIFY(!NumericKeyFilter::passes(13));
        QVERIFY(!NumericKeyFilter::passes(58));
    }

    void pasteOfNonDigitsIsRefusedWhole()
    {
        QLineEdit field;
        NumericKeyFilter::install(&field);
        field.insert(QStringLiteral("12x"));
        QCOMPARE(field.text(), QString());
        field.insert(QStringLiteral("12"));
        QCOMPARE(field.text(), QStringLiteral("12"));
    }

    void colourValuesHaveRedInTheLowByte()
    {
        const ColourValues colours;
        QCOMPARE(colourFromValue(colours.red), QColor(255, 0, 0));
        QCOMPARE(colourFromValue(colours.green), QColor(0, 192, 0));
        QCOMPARE(colourFromValue(colours.yellow), QColor(255, 255, 0));
        QCOMPARE(colourFromValue(colours.grey), QColor(128, 128, 128));
        QCOMPARE(colourFromValue(colours.orange), QColor(255, 128, 0));
    }

    void programPaths()
    {
        QCOMPARE(joinProgramPath(QStringLiteral("/opt/veltrano"), QStringLiteral("\\DATABASE\\VELTRANO.MDB")),
                 QStringLiteral("/opt/veltrano/DATABASE/VELTRANO.MDB"));
        QVERIFY(staysBelowProgramDirectory(QStringLiteral("\\DATABASE\\..\\DATABASE\\X.MDB")));
        QVERIFY(!staysBelowProgramDirectory(QStringLiteral("\\..\\..\\etc\\passwd")));
        QVERIFY(!staysBelowProgramDirectory(QStringLiteral("\\DATABASE\\..\\..\\X.MDB")));
    }
};

QTEST_MAIN(TestCommon)
#include "tst_common.moc"
