#include "MainWindowRig.h"

#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

namespace {

const QColor Grey(128, 128, 128);
const QColor Green(0, 192, 0);
const QString PinBox = QStringLiteral("NON-PWM SELECTED PIN\nSERVO connection PIN on ARDUINO Incorrect!\r\r"
                                      "     Valid PWM Values : 3-5-6-9-10-11 (critical)");
const QString QuestionBox =
    QStringLiteral("VARIATION OF STANDARD PARAMETERS\nThe STANDARD values on VELTRANO.ini "
                   "are different! \r\r       Do you want them to be overwritten? (yes/no/cancel)");

QString rangeBox(const QString& maximum)
{
    return "INCORRECT POSITIONING ANGLE\nThe value entered is not within the permitted range.\r\r Valid "
           "values : 0<-->" +
           maximum + " (critical)";
}

// The main window started with these servo values in its settings file.
struct ServoRig : MainWindowRig {
    explicit ServoRig(const QByteArray& pin = "9", const QByteArray& minimum = "0", const QByteArray& maximum = "180")
    {
        directory.writeSettings(directory.readSettings()
                                    .replace("PIN=9", "PIN=" + pin)
                                    .replace("MINROT=0", "MINROT=" + minimum)
                                    .replace("MAXROT=180", "MAXROT=" + maximum));
        started = start();
    }
    QLineEdit* field(const char* name) const { return get<QLineEdit>(name); }
    QString text(const char* name) const { return field(name)->text(); }
    QColor colour(const char* name) const { return indicatorColour(get<QWidget>(name)); }
    void openPanel() const { get<QAction>("setta_servo")->trigger(); }
    // What reached the board, waiting for the line and its carriage return when one is expected; anything
    // written with it comes in the same read.
    QByteArray received(const QString& line = {})
    {
        return line.isEmpty() ? board.drain() : board.readFromProgram(line.size() + 1);
    }
    QStringList boxes() const
    {
        QStringList shown;
        for (const auto& box : platform.messages) {
            shown.append(box.title + u'\n' + box.text + (box.icon == MessageIcon::Critical ? " (critical)" : "") +
                         (box.buttons == MessageButtons::YesNoCancel ? " (yes/no/cancel)" : ""));
        }
        return shown;
    }
    bool started = false;
};

QByteArray wire(const QString& line)
{
    return line.isEmpty() ? QByteArray() : line.toLatin1() + '\r';
}

} // namespace

class TestServo : public QObject {
    Q_OBJECT
private slots:
    void switchingOnSendsTheStoredLineAndOffSendsNothing()
    {
        ServoRig rig("9", "-10");
        QVERIFY(rig.started);
        rig.click("Command1");
        QCOMPARE(rig.received("IS,9,-10,180,"), wire("IS,9,-10,180,"));
        QCOMPARE(rig.text("COMANDO") + rig.get<QPushButton>("Command1")->text(), QStringLiteral("IS,9,-10,180,ON"));
        QCOMPARE(rig.colour("Shape_RX"), Green);
        const char* const positioning[] = {"MEMO", "S_meno", "S_piu", "SETTA_ANGOLO", "ANGLE", "PULISCE"};
        for (const char* name : positioning)
            QVERIFY2(rig.get<QWidget>(name)->isEnabled(), name);

        rig.field("RISPOSTA")->setText(QStringLiteral("OK"));
        rig.click("PULISCE");
        QCOMPARE(rig.text("ANGLE") + rig.text("COMANDO") + rig.text("RISPOSTA"), QStringLiteral("0"));

        rig.field("COMANDO")->setText(QStringLiteral("A,0,"));
        paintIndicator(rig.get<QWidget>("Shape_MEMO"), Qt::yellow);
        rig.click("Command1");
        QCOMPARE(rig.received(), QByteArray());
        QCOMPARE(rig.get<QPushButton>("Command1")->text() + rig.text("ANGLE") + rig.text("COMANDO") +
                     rig.text("RISPOSTA"),
                 QStringLiteral("OFF"));
        for (const char* name : positioning)
            QVERIFY2(!rig.get<QWidget>(name)->isEnabled(), name);
        QCOMPARE(QList<QColor>({rig.colour("Shape_RX"), rig.colour("Shape_MEMO")}), QList<QColor>({Grey, Grey}));
    }

    void angleKeepsToTheLimitsAndStepsTo0And180_data()
    {
        QTest::addColumn<QByteArray>("maximum");
        QTest::addColumn<QString>("angle");
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("after");
        QTest::addColumn<QString>("line"); // empty: nothing sent
        // clang-format off
        QTest::newRow("zero kept") << QByteArray("180") << "090" << "SETTA_ANGOLO" << "090" << "A,090,";
        QTest::newRow("above") << QByteArray("180") << "181" << "SETTA_ANGOLO" << "" << "";
        QTest::newRow("empty") << QByteArray("180") << "" << "SETTA_ANGOLO" << "" << "";
        QTest::newRow("above 150") << QByteArray("150") << "151" << "SETTA_ANGOLO" << "" << "";
        QTest::newRow("up from empty") << QByteArray("180") << "" << "S_piu" << "1" << "A,1,";
        QTest::newRow("down from empty") << QByteArray("180") << "" << "S_meno" << "" << "";
        QTest::newRow("up at 180") << QByteArray("180") << "180" << "S_piu" << "180" << "";
        QTest::newRow("down at 0") << QByteArray("180") << "0" << "S_meno" << "0" << "";
        QTest::newRow("down rewrites") << QByteArray("180") << "090" << "S_meno" << "89" << "A,89,";
        QTest::newRow("up past 150") << QByteArray("150") << "150" << "S_piu" << "151" << "A,151,";
        // clang-format on
    }
    // 0 and 180 going out are left to tests/board; the angle line must be the only thing sent after the start.
    void angleKeepsToTheLimitsAndStepsTo0And180()
    {
        QFETCH(QByteArray, maximum);
        QFETCH(QString, angle);
        QFETCH(QString, button);
        QFETCH(QString, after);
        QFETCH(QString, line);
        ServoRig rig("9", "0", maximum);
        QVERIFY(rig.started);
        rig.click("Command1");
        rig.received("IS,9,0," + maximum + ',');
        rig.field("ANGLE")->setText(angle);
        rig.field("RISPOSTA")->setText(QStringLiteral("OK"));
        rig.click(button.toLatin1().constData());
        QCOMPARE(rig.received(line), wire(line));
        QCOMPARE(rig.text("ANGLE"), after);
        QCOMPARE(rig.text("RISPOSTA").isEmpty(), !line.isEmpty());
        const bool outOfRange = button == u"SETTA_ANGOLO" && line.isEmpty();
        QCOMPARE(rig.boxes(), outOfRange ? QStringList{rangeBox(maximum)} : QStringList());
    }

    void numericFieldsTakeDigitsOnly()
    {
        ServoRig rig;
        QVERIFY(rig.started);
        rig.click("Command1");
        rig.openPanel();
        const struct {
            const char* field;
            bool pasted;
            QString typed, shown;
        } cases[] = {{"ANGLE", false, "1a -.2\r", "12"},
                     {"ANGLE", false, "1234", "123"},
                     {"ANGLE", true, "12a", ""},
                     {"ANGLE", true, "4567", "456"},
                     {"TextMotor", false, "1x2+3 45", "12345"},
                     {"min_rot", false, "-10", "10"},
                     {"max_rot", false, "1,8.0E", "180"}};
        QStringList got, expected; // field: text shown, then after one backspace
        for (const auto& [field, pasted, typed, shown] : cases) {
            QLineEdit* edit = rig.field(field);
            edit->clear();
            QGuiApplication::clipboard()->setText(typed);
            if (pasted)
                edit->paste();
            else
                QTest::keyClicks(edit, typed);
            got.append(field + (": " + edit->text()));
            QTest::keyClick(edit, Qt::Key_Backspace);
            got.last() += " / " + edit->text();
            expected.append(field + (": " + shown) + " / " + shown.left(shown.size() - 1));
        }
        QCOMPARE(got, expected);
    }

    void panelOpensWithTheStoredValuesAndClosesEmptyingResults()
    {
        ServoRig rig("10", "5", "150");
        QVERIFY(rig.started);
        rig.openPanel();
        QVERIFY(rig.get<QGroupBox>("Frame4")->isVisible() && rig.get<QGroupBox>("Frame1")->isHidden());
        QCOMPARE(rig.get<QComboBox>("cboMove")->currentText(), QStringLiteral("180 °  Up-Down"));
        QCOMPARE(rig.text("TextMotor") + rig.text("min_rot") + rig.text("max_rot"), QStringLiteral("105150"));
        QVERIFY(rig.field("TextMotor")->isEnabled() && rig.get<QWidget>("ESEGUE_SET")->isEnabled());

        const char* const results[] = {"COMANDO", "RISPOSTA", "Text1", "Text2"};
        for (const char* name : results)
            rig.field(name)->setText(QStringLiteral("x"));
        paintIndicator(rig.get<QWidget>("Shape1"), Green);
        rig.click("Command3");
        QCOMPARE(rig.text("COMANDO") + rig.text("RISPOSTA") + rig.text("Text1") + rig.text("Text2"), "xx");
        QCOMPARE(rig.colour("Shape1"), Grey);
        rig.click("cmdesci");
        for (const char* name : results)
            QVERIFY2(rig.text(name).isEmpty(), name);
        QVERIFY(rig.get<QGroupBox>("Frame4")->isHidden() && rig.get<QGroupBox>("Frame1")->isVisible());
        QCOMPARE(rig.received(), QByteArray());

        rig.link.close();
        rig.openPanel();
        QVERIFY(!rig.get<QWidget>("ESEGUE_SET")->isEnabled() && !rig.get<QWidget>("Command3")->isEnabled());
    }

    // The stored values are PIN=9, MINROT=0, MAXROT=180.
    void setupSendChecksThePinAndAsksBeforeOverwriting_data()
    {
        QTest::addColumn<bool>("preset");
        QTest::addColumn<QStringList>("fields"); // pin, minimum, maximum
        QTest::addColumn<MessageAnswer>("answer");
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("line"); // empty: nothing sent
        const MessageAnswer yes = MessageAnswer::Yes;
        const QStringList changed = {"10", "05", "170"};
        // clang-format off
        QTest::newRow("preset ignores the fields") << true << QStringList{"7", "", "180"} << yes << "" << "IS,9,0,180,";
        QTest::newRow("entered as stored") << false << QStringList{"9", "0", "180"} << yes << "" << "IS,9,0,180,";
        QTest::newRow("leading zero, empty minimum") << false << QStringList{"09", "", "180"} << yes << "" << "IS,9,0,180,";
        QTest::newRow("not a PWM pin") << false << QStringList{"7", "0", "180"} << yes << PinBox << "";
        QTest::newRow("no pin") << false << QStringList{"", "0", "180"} << yes << PinBox << "";
        QTest::newRow("pin 2") << false << QStringList{"2", "0", "180"} << yes << PinBox << "";
        QTest::newRow("changed, yes stores and sends") << false << changed << yes << QuestionBox << "IS,10,5,170,";
        QTest::newRow("changed, no only sends") << false << changed << MessageAnswer::No << QuestionBox << "IS,10,5,170,";
        QTest::newRow("changed, cancel does nothing") << false << changed << MessageAnswer::Cancel << QuestionBox << "";
        // clang-format on
    }
    void setupSendChecksThePinAndAsksBeforeOverwriting()
    {
        QFETCH(bool, preset);
        QFETCH(QStringList, fields);
        QFETCH(MessageAnswer, answer);
        QFETCH(QString, box);
        QFETCH(QString, line);
        ServoRig rig;
        QVERIFY(rig.started);
        const QByteArray before = rig.directory.readSettings();
        rig.openPanel();
        rig.get<QCheckBox>("presetta")->setChecked(preset);
        rig.field("TextMotor")->setText(fields[0]);
        rig.field("min_rot")->setText(fields[1]);
        rig.field("max_rot")->setText(fields[2]);
        rig.field("Text1")->setText(QStringLiteral("previous"));
        rig.field("COMANDO")->setText(QStringLiteral("A,95,"));
        QByteArray sentBeforeTheAnswer;
        rig.platform.onMessage = [&](const FakePlatform::Message&) { sentBeforeTheAnswer += rig.received(); };
        rig.platform.answers = {answer};
        rig.click("ESEGUE_SET");
        QCOMPARE(rig.boxes(), box.isEmpty() ? QStringList() : QStringList{box});
        QCOMPARE(sentBeforeTheAnswer, QByteArray());
        QCOMPARE(rig.received(line), wire(line));
        QCOMPARE(rig.text("Text1"), line.isEmpty() ? QStringLiteral("previous") : line);
        QCOMPARE(rig.text("COMANDO"), line.isEmpty() ? QStringLiteral("A,95,") : line);
        QCOMPARE(rig.colour("Shape1"), line.isEmpty() ? Grey : Green);
        QCOMPARE(rig.field("TextMotor")->isEnabled(), !preset);

        const bool stored = box == QuestionBox && answer == MessageAnswer::Yes;
        QCOMPARE(rig.directory.readSettings(), stored ? QByteArray(before)
                                                            .replace("PIN=9", "PIN=10")
                                                            .replace("MAXROT=180", "MAXROT=170")
                                                            .replace("MINROT=0", "MINROT=5")
                                                      : before);
        QCOMPARE(QList<int>({rig.settings.PIN, rig.settings.MINROT, rig.settings.MAXROT}),
                 stored ? QList<int>({10, 5, 170}) : QList<int>({9, 0, 180}));
    }

    void presetKeysRunWithTheTickBeforeTheChange()
    {
        ServoRig rig("10", "5", "150");
        QVERIFY(rig.started);
        rig.get<QAction>("porta_com")->trigger();
        rig.openPanel();
        QCheckBox* preset = rig.get<QCheckBox>("presetta");
        const auto storedValuesShown = [&](bool enabled) {
            return rig.text("TextMotor") + rig.text("min_rot") + rig.text("max_rot") == u"105150" &&
                   rig.field("TextMotor")->isEnabled() == enabled && rig.field("max_rot")->isEnabled() == enabled;
        };
        // Unticked: the free preset (9, 0, 180 and "&Connect"); then the tick locks the stored values.
        QTest::keyClick(preset, Qt::Key_Space);
        QVERIFY(preset->isChecked() && storedValuesShown(false));
        QCOMPARE(rig.get<QPushButton>("Command1")->text() + rig.get<QComboBox>("cboPort")->currentText(),
                 QStringLiteral("&Connect"));

        // Ticked: the stored preset disables the send button; then the untick enables it again.
        QTest::keyClick(preset, Qt::Key_Space);
        QVERIFY(!preset->isChecked() && storedValuesShown(true));
        QCOMPARE(rig.get<QPushButton>("CON_DISCON")->text() + rig.get<QComboBox>("cboPort")->currentText() +
                     rig.get<QComboBox>("cboBaudrate")->currentText(),
                 QStringLiteral("&ConnectCOM69600"));
        QVERIFY(!rig.get<QWidget>("cboPort")->isEnabled() && rig.get<QWidget>("ESEGUE_SET")->isEnabled());
        QVERIFY(rig.link.isOpen());
        QCOMPARE(rig.received(), QByteArray());
    }

    void switchShowingConnectRepeatsTheSetupSend()
    {
        ServoRig rig;
        QVERIFY(rig.started);
        rig.openPanel();
        QTest::keyClick(rig.get<QCheckBox>("presetta"), Qt::Key_Space); // free preset, then ticked
        rig.click("cmdesci");
        rig.click("Command1");
        QCOMPARE(rig.received("IS,9,0,180,"), wire("IS,9,0,180,"));
        QCOMPARE(rig.text("Text1"), QStringLiteral("IS,9,0,180,"));
        QCOMPARE(rig.colour("Shape1"), Green);

        rig.get<QCheckBox>("presetta")->setChecked(false);
        rig.field("TextMotor")->setText(QStringLiteral("6"));
        rig.platform.answers = {MessageAnswer::No};
        rig.click("Command1");
        QCOMPARE(rig.received("IS,6,0,180,"), wire("IS,6,0,180,"));

        // Ticked with the port closed: the line is shown and goes nowhere.
        rig.get<QCheckBox>("presetta")->setChecked(true);
        rig.link.close();
        rig.click("Command1");
        QCOMPARE(rig.text("COMANDO") + rig.text("Text1"), QStringLiteral("IS,9,0,180,IS,9,0,180,"));
        QCOMPARE(rig.colour("Shape1"), Grey);
        QCOMPARE(rig.get<QPushButton>("Command1")->text(), QStringLiteral("&Connect"));
        QCOMPARE(rig.received(), QByteArray());
    }

    void attachShowsTheLineOnlyAfterTheOneSecondPause()
    {
        ServoRig rig;
        QVERIFY(rig.started);
        QString duringPause;
        rig.platform.onPause = [&] {
            duringPause = rig.text("Text1") + QString::fromLatin1(rig.received()) +
                          (rig.field("TextMotor")->isEnabled() ? "unlocked" : "locked");
        };
        rig.window->ESEGUE_ATTACH_SERVO();
        QCOMPARE(rig.platform.pauses, QList<std::chrono::milliseconds>{std::chrono::milliseconds(1000)});
        QCOMPARE(duringPause, QStringLiteral("locked"));
        QCOMPARE(rig.received("IS,9,0,180,"), wire("IS,9,0,180,"));
        QCOMPARE(rig.text("Text1"), QStringLiteral("IS,9,0,180,"));
    }
};

QTEST_MAIN(TestServo)
#include "tst_servo.moc"
