// The main window as the operator meets it, with a pseudo-terminal as the board, on its own or served
// on the network by a real ser2net.
#include "FileReplacements.h"
#include "MainWindowRig.h"
#include "MemoryStore.h"
#include "OtherConnection.h"
#include "Ser2Net.h"
#include "WindowPlacement.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QTableView>
#include <QTcpServer>
#include <QTemporaryDir>

#include <optional>

namespace {

const QColor Grey(128, 128, 128);
const QColor Green(0, 192, 0);
using Changes = QList<std::pair<QByteArray, QByteArray>>;
using Names = std::initializer_list<const char*>;

QByteArray portLine(int number, const PtyPair& device)
{
    return "[porte]\r\nCOM" + QByteArray::number(number) + '=' + device.devicePath().toLocal8Bit() + "\r\n";
}

// The main window started over the standard settings with these changes, and four memories.
struct Rig : MainWindowRig {
    explicit Rig(const Changes& changes = {})
    {
        QByteArray file = directory.readSettings();
        for (const auto& [from, to] : changes)
            file.replace(from, to);
        directory.writeSettings(file);
        const QString database = directory.path() + QStringLiteral("/DATABASE/VELTRANO.MDB");
        if (MemoryStore store; store.open(database)) {
            store.add({"40", "FT8", "7074", "95.5", "", true});
            store.add({"20", "CW", "14060", "30", "", false});
        }
        // As another program may have left them: valid without degrees, a valid flag that is no boolean.
        OtherConnection(database).exec(QStringLiteral("INSERT INTO MEMO_BANDA VALUES (3, '15', 'AM', '21000', NULL, "
                                                      "'A,', 1, ''), (4, '12', 'FM', '24900', 7, 'A,7', 'yes', '')"));
        started = start();
    }
    QString texts(Names names) const { return ::texts(*window, names); }
    QString enabled(Names names) const { return flags(*window, &QWidget::isEnabled, names); }
    QString visible(Names names) const { return flags(*window, &QWidget::isVisible, names); }
    QColor colour(const char* name) const { return indicatorColour(get<QWidget>(name)); }
    void set(const char* name, const QString& text) const
    {
        QWidget* control = get<QWidget>(name);
        control->setProperty(control->property("text").isValid() ? "text" : "currentText", text);
    }
    void trigger(const char* action) const { get<QAction>(action)->trigger(); }
    // What reached the board; with a line expected, waits for it and its carriage return.
    QByteArray sent(const QString& line = {})
    {
        return line.isEmpty() ? board.drain() : board.readFromProgram(line.size() + 1);
    }
    QWidget* editor() const { return window->findChild<QWidget*>(QStringLiteral("MEMOMASK")); }
    // With the servo on, opens the memory editor (or brings it to the front).
    QWidget& openEditor()
    {
        if (texts({"Command1"}) == u"OFF")
            click("Command1");
        click("MEMO");
        return *editor();
    }
    QTableView* grid() const { return widget<QTableView>(*editor(), "MSHFlexGrid1"); }
    QStringList listed(std::initializer_list<int> columns) const { return rowTexts(*grid()->model(), columns); }
    // Chooses a grid row of the memory editor (0: the header row).
    void recall(int row)
    {
        openEditor();
        QTableView* grid = this->grid();
        const QPoint cell = grid->visualRect(grid->model()->index(row - 1, ColumnBand)).center();
        QTest::mouseClick(row ? grid->viewport() : grid->horizontalHeader()->viewport(), Qt::LeftButton, {},
                          row ? cell : QPoint(5, 5));
    }
    bool started = false;
};

} // namespace

class TestShell : public QObject {
    Q_OBJECT
private slots:
    // First, before any other opens a chart: the charts, once loaded, stay.
    void startsIdleWithThePortOpenAndExitLeavesTheServoAttached()
    {
        QMenu menu;
        QMessageBox box;
        QVERIFY(!isSecondaryWindow(&menu) && !isSecondaryWindow(&box)); // they hand the focus straight back
        Rig rig;
        QVERIFY(rig.started && rig.platform.messages.isEmpty());
        QCOMPARE(rig.visible({"Frame1", "ESCE", "Frame2", "Frame4", "monitor_MEM"}), "++---");
        QCOMPARE(rig.enabled({"Command1", "S_piu", "S_meno", "MEMO", "PULISCE", "SETTA_ANGOLO", "ANGLE"}), "+------");
        QCOMPARE(rig.texts({"Command1", "COMANDO", "RISPOSTA", "ANGLE", "Label3", "CON_DISCON", "cboPort"}),
                 "OFF||||OPEN -> COM6,9600,n,8,1|&Disconnect|");
        QCOMPARE(QList<QColor>({rig.colour("Shape_RX"), rig.colour("Shape_MEMO")}), QList<QColor>({Grey, Grey}));
        QCOMPARE(rig.get<QComboBox>("cboPort")->itemData(5, Qt::ToolTipRole).toString(), rig.board.devicePath());
        QCOMPARE(rig.get<QWidget>("Label3")->toolTip(), rig.board.devicePath());
        rig.trigger("porta_com");
        QCOMPARE(rig.texts({"cboPort", "cboBaudrate"}) + rig.visible({"ABILI"}) +
                     rig.enabled({"cboPort", "cboBaudrate"}),
                 "6|9600++-");
        rig.click("ABILI"); // the port list was enabled: both lists locked, then both unlocked
        QCOMPARE(rig.enabled({"cboPort", "cboBaudrate"}), "--");
        rig.click("ABILI");
        QCOMPARE(rig.enabled({"cboPort", "cboBaudrate"}), "++");
        // Coming back from another of its windows refills the lists.
        rig.trigger("setta_INI");
        QWidget* editor = rig.get<QWidget>("VELTRANO_INI");
        QTRY_VERIFY(editor->isActiveWindow());
        QCOMPARE(rig.texts({"cboPort"}), QStringLiteral("6")); // not on leaving
        editor->close();
        rig.window->activateWindow();
        QTRY_COMPARE(rig.texts({"cboPort"}), QString());
        // Without the charts the windows stay, saying why.
        const QByteArray library = qgetenv("VELTRANO_CHARTS");
        qputenv("VELTRANO_CHARTS", "missing/veltrano-charts.so");
        rig.trigger("grafico_memorie");
        rig.trigger("setta_RIG");
        qputenv("VELTRANO_CHARTS", library);
        QVERIFY2(rig.platform.boxes().value(0).startsWith("TUNING CHART|The charts cannot be loaded: "),
                 qPrintable(rig.platform.boxes().join(u'\n')));
        QVERIFY(rig.get<QLabel>("runChart")->text().contains(u"missing/veltrano-charts.so"));
        QVERIFY(rig.get<QWidget>("RigWindow")->isVisible());
        rig.platform.messages.clear();
        // The way out with the port open attaches the servo again after a pause.
        QString atPause;
        rig.platform.onPause = [&] {
            atPause = rig.texts({"TextMotor", "min_rot", "max_rot", "Text1"}) + rig.enabled({"TextMotor"}) +
                      rig.board.drain(std::chrono::milliseconds(0));
        };
        rig.click("ESCE");
        QCOMPARE(atPause, QStringLiteral("9|0|180|-")); // locked, nothing sent yet
        QCOMPARE(rig.sent(), QByteArray("IS,9,0,180,\r"));
        QCOMPARE(rig.texts({"Text1"}), QStringLiteral("IS,9,0,180,"));
        QVERIFY(rig.platform.ended && !rig.link.isOpen() && rig.platform.messages.isEmpty());
    }

    void startUpStopsOnWhatItCannotUse_data()
    {
        QTest::addColumn<Changes>("changes");
        QTest::addColumn<QString>("box");
        QTest::newRow("no such port") << Changes{{"PORTACOM=6", "PORTACOM=200"}}
                                      << " Errore : 8002|ERRORE IMPOSTAZIONE PORTA.\n\r\n\rLa Porta in VELTRANO.INI  "
                                         "Non corrisponde\n\ra quella rlevata in Gestione Dispositivi del PC";
        // Any 16-bit number loads; one that names no port fails as a missing port does.
        for (const char* number : {"300", "0", "-1"})
            QTest::newRow(qPrintable(QStringLiteral("port %1").arg(number)))
                << Changes{{"PORTACOM=6", "PORTACOM=" + QByteArray(number)}}
                << " Errore : 8002|ERRORE IMPOSTAZIONE PORTA.";
        QTest::newRow("pin not a number") << Changes{{"PIN=9", "PIN=nove"}}
                                          << SettingsErrorTitle + "|VELTRANO.ini, section [sezione 8], key \"PIN\": "
                                                                  "the value \"nove\" cannot be used.";
        // COM6 becomes a loopback port nobody listens on, the pseudo-terminal COM9.
        QTest::newRow("nobody listens on the network port")
            << Changes{{"COM6=", "COM6=tcp://127.0.0.1:" + QByteArray::number(freeLoopbackPort()) + "\r\nCOM9="}}
            << " Errore : 8005|ERRORE IMPOSTAZIONE PORTA.";
    }
    void startUpStopsOnWhatItCannotUse()
    {
        QFETCH(Changes, changes);
        QFETCH(QString, box);
        Rig rig(changes);
        QVERIFY(!rig.started && rig.platform.ended && !rig.link.isOpen() && !rig.window->isVisible());
        const QStringList boxes = rig.platform.boxes();
        QVERIFY2(boxes.size() == 1 && boxes.first().startsWith(box), qPrintable(boxes.join(u'\n')));
    }

    // COM3 another pseudo-terminal, opened at 19200 first; COM4 a far end that never speaks. Then the
    // fields as typed, "&Connect" twice with the frame closed between.
    void connectOpensThePortTypedOrSaysWhyNot_data()
    {
        QTest::addColumn<QString>("port");
        QTest::addColumn<QString>("speed");
        QTest::addColumn<QStringList>("boxes"); // how each starts
        // Label3|CON_DISCON|Text1, ESEGUE_SET and CON_DISCON enabled, Frame1 shown; CON_DISCON enabled at once
        QTest::addColumn<QString>("after");
        const QString reminder = QStringLiteral("|         ARDUINO is disconnected!\r\rOPEN COMMUNICATION or EXIT");
        const QString noPort =
            QStringLiteral("COMM PORT SETTING ERROR|It is necessary to indicate the COMM port in use");
        const QString noSpeed = QStringLiteral("CONNECTION SPEED ERROR|It is necessary to indicate the Boudarate");
        const QString unchanged = QStringLiteral("OPEN -> COM3,19200,n,8,1|&Disconnect|IS,9,0,180,++++");
        const QString notOpened = QStringLiteral("DISCONNECT|Unable to open port: Check connections.\r\n");
        // clang-format off
        QTest::newRow("back to the first port") << "COM6" << "9600" << QStringList{reminder} << "OPEN -> COM6,9600,n,8,1|&Disconnect|++++";
        QTest::newRow("a speed the port refuses") << "COM3" << "0" << QStringList{reminder, "CONNECTION SPEED ERROR|Unable to use this speed: the port opens with its previous settings.\r\nInvalid line settings \"0,n,8,1\": the speed must be a whole number of bits per second"}
            << "OPEN -> COM3,19200,n,8,1|&Disconnect|++++";
        QTest::newRow("digits only keep the port last opened") << "6" << "115200" << QStringList{reminder} << "OPEN -> COM3,115200,n,8,1|&Disconnect|++++";
        QTest::newRow("no port, nothing done") << "" << "9600" << QStringList{noPort, noPort} << unchanged;
        QTest::newRow("no speed, nothing done") << "COM3" << "" << QStringList{noSpeed, noSpeed} << unchanged;
        // The command frame comes back with the attempt; only the connection is missing.
        QTest::newRow("a port no machine has") << "COM200" << "9600" << QStringList{reminder, notOpened} << "|&Connect|-+++";
        // Given up; meanwhile the button waits, so a second click cannot cross the first.
        QTest::newRow("a far end that never answers") << "COM4" << "9600" << QStringList{reminder, notOpened + "rfc2217://"} << "|&Connect|-++-";
        // clang-format on
    }
    void connectOpensThePortTypedOrSaysWhyNot()
    {
        QFETCH(QString, port);
        QFETCH(QString, speed);
        QFETCH(QStringList, boxes);
        QFETCH(QString, after);
        PtyPair other;
        QTcpServer silent; // the kernel accepts the connection: no Telnet comes back
        QVERIFY(silent.listen(QHostAddress::LocalHost));
        const QByteArray far = "COM4=rfc2217://127.0.0.1:" + QByteArray::number(silent.serverPort()) + "\r\n";
        Rig rig(Changes{{"[porte]\r\n", portLine(3, other) + far}});
        rig.set("cboPort", QStringLiteral("COM3"));
        rig.set("cboBaudrate", QStringLiteral("19200"));
        rig.click("CON_DISCON"); // disconnects
        rig.click("CON_DISCON");
        QCOMPARE(rig.texts({"Label3"}), "OPEN -> COM3,19200,n,8,1");
        rig.set("cboPort", port);
        rig.set("cboBaudrate", speed);
        rig.set("Text1", QStringLiteral("IS,9,0,180,"));
        rig.click("CON_DISCON");
        rig.click("CHIUDE_WIN_PORTA"); // a reminder when nothing is connected
        rig.click("CON_DISCON");
        const QString waiting = rig.enabled({"CON_DISCON"});
        QTRY_COMPARE_WITH_TIMEOUT(rig.platform.messages.size(), boxes.size(), 10000);
        const QStringList shown = rig.platform.boxes();
        QVERIFY2(shown.size() == boxes.size() && shown.join(u'\n').startsWith(boxes.join(u'\n')),
                 qPrintable(shown.join(u'\n')));
        QCOMPARE(rig.texts({"Label3", "CON_DISCON", "Text1"}) + rig.enabled({"ESEGUE_SET", "CON_DISCON"}) +
                     rig.visible({"Frame1"}) + waiting,
                 after);
        // The way out attaches the servo again only through an open port.
        const bool open = rig.link.isOpen();
        rig.click("ESCE");
        QVERIFY(rig.platform.ended && rig.platform.pauses.isEmpty() != open);
    }
    // The line lost mid-session, by a pulled cable or by ser2net going away: said once, and "&Connect"
    // opens it again, at the speed chosen, once the board is back.
    void aLostLineIsSaidOnceAndConnectOpensItAgain_data()
    {
        QTest::addColumn<QString>("served"); // how ser2net serves the board; empty: the board's own cable
        QTest::newRow("cable pulled") << "";
        QTest::newRow("ser2net killed") << "rfc2217";
    }
    void aLostLineIsSaidOnceAndConnectOpensItAgain()
    {
        QFETCH(QString, served);
        PtyPair servedBoard, pluggedIn; // the board behind ser2net; the board back, on COM2 or behind ser2net
        std::optional<Ser2Net> server;
        QByteArray ports = portLine(2, pluggedIn);
        if (!served.isEmpty()) {
            server.emplace(servedBoard.devicePath(), served);
            QVERIFY2(server->start(), "ser2net did not start");
            ports += "COM6=" + server->url().toLatin1() + "\r\n"; // before the standard COM6, so it wins
        }
        Rig rig(Changes{{"[porte]\r\n", ports}});
        QSignalSpy linkStates(&rig.session, &BoardSession::linkOpenChanged);
        PtyPair& board = server ? servedBoard : rig.board;
        board.writeToProgram("READY\r\n");
        QTRY_COMPARE(rig.texts({"RISPOSTA"}), QStringLiteral("READY\r\n"));
        server ? server->kill() : board.closeBoardEnd();
        QTRY_VERIFY(!rig.link.isOpen());
        QCOMPARE(rig.platform.messages.value(0).title, QStringLiteral("CONNECTION LOST"));
        QCOMPARE(rig.texts({"CON_DISCON"}) + rig.visible({"Frame2", "Frame1"}), "&Connect+-");
        if (server) {
            server.emplace(pluggedIn.devicePath(), served, server->port());
            QVERIFY2(server->start(), "ser2net did not come back");
        }
        rig.set("cboPort", server ? QStringLiteral("COM6") : QStringLiteral("COM2"));
        rig.set("cboBaudrate", QStringLiteral("19200"));
        rig.click("CON_DISCON");
        QTRY_COMPARE(pluggedIn.lineSpeed(), 19200);
        rig.click("Command1");
        QCOMPARE(pluggedIn.readFromProgram(12), QByteArray("IS,9,0,180,\r"));
        QCOMPARE(rig.platform.messages.size(), 1); // said once
        QCOMPARE(linkStates.size(), 2);            // closed, then open again
    }

    void theServoSwitchSendsTheStoredLineAndAfterTheFreePresetRepeatsTheSetupSend()
    {
        Rig rig(Changes{{"PIN=9", "PIN=10"}, {"MINROT=0", "MINROT=-10"}, {"MAXROT=180", "MAXROT=150"}});
        const auto positioning = {"MEMO", "S_meno", "S_piu", "SETTA_ANGOLO", "ANGLE", "PULISCE"};
        rig.click("Command1");
        QCOMPARE(rig.sent("IS,10,-10,150,"), QByteArray("IS,10,-10,150,\r"));
        QCOMPARE(rig.texts({"Command1", "COMANDO"}) + rig.enabled(positioning), "ON|IS,10,-10,150,++++++");
        QCOMPARE(rig.colour("Shape_RX"), Green);
        rig.set("ANGLE", QStringLiteral("181"));
        rig.click("SETTA_ANGOLO");
        QCOMPARE(rig.platform.boxes(), QStringList{"INCORRECT POSITIONING ANGLE|The value entered is not within the "
                                                   "permitted range.\r\r Valid values : -10<-->150"});
        // A line the board left unfinished goes with the field emptied: the next reply shows alone.
        rig.board.writeToProgram("BOOT NOISE");
        QTRY_COMPARE(rig.texts({"RISPOSTA"}), QStringLiteral("BOOT NOISE"));
        rig.click("PULISCE");
        QCOMPARE(rig.texts({"ANGLE", "COMANDO", "RISPOSTA"}), QStringLiteral("0||"));
        rig.board.writeToProgram("OK A 95 (1524 us)\r\n");
        QTRY_COMPARE(rig.texts({"RISPOSTA"}), QStringLiteral("OK A 95 (1524 us)\r\n"));
        rig.click("Command1");
        QCOMPARE(rig.sent(), QByteArray());
        QCOMPARE(rig.texts({"Command1", "ANGLE"}) + rig.enabled(positioning), "OFF|------");
        QCOMPARE(QList<QColor>({rig.colour("Shape_RX"), rig.colour("Shape_MEMO")}), QList<QColor>({Grey, Grey}));
        // A quarter megabyte above ASCII with no line end, faster than any serial line delivers it, shows
        // one read at a time; how long the window stops meanwhile, bench_responsiveness measures.
        QByteArray aboveAscii;
        for (int byte = 0x80; byte <= 0xff; ++byte)
            aboveAscii += char(byte);
        rig.board.writeToProgram(aboveAscii.repeated(2048) + "END");
        QTRY_VERIFY_WITH_TIMEOUT(rig.texts({"RISPOSTA"}).endsWith(u"END"), 20000);
        QCOMPARE(rig.texts({"Text2"}), rig.texts({"RISPOSTA"}));
        QVERIFY(rig.texts({"RISPOSTA"}).size() <= 64 * 1024);
        // The preset keys run with the tick as it was before the key; from the free preset on, the switch
        // repeats the set-up send.
        rig.trigger("porta_com");
        rig.trigger("setta_servo");
        QCOMPARE(rig.visible({"Frame4", "Frame1"}) + rig.texts({"cboMove"}), "+-180 °  Up-Down");
        auto* preset = rig.get<QCheckBox>("presetta");
        QTest::keyClick(preset, Qt::Key_Space); // the free preset, then ticked: the stored values, locked
        QCOMPARE(rig.texts({"TextMotor", "min_rot", "max_rot", "Command1", "cboPort"}) + rig.enabled({"TextMotor"}),
                 "10|-10|150|&Connect|-");
        QVERIFY(preset->isChecked() && rig.session.servoState() == ServoState::SetupRepeat);
        rig.click("cmdesci");
        QCOMPARE(rig.visible({"Frame4", "Frame1"}), "-+");
        rig.click("Command1");
        QCOMPARE(rig.sent("IS,10,-10,150,"), QByteArray("IS,10,-10,150,\r"));
        QCOMPARE(rig.colour("Shape1"), Green);
        rig.trigger("setta_servo");
        QTest::keyClick(preset, Qt::Key_Space); // the stored preset offers the stored port, then unticked
        QCOMPARE(rig.texts({"CON_DISCON", "cboPort", "cboBaudrate", "Label3"}), "&Connect|COM6|9600|");
        QCOMPARE(rig.enabled({"TextMotor", "cboPort", "ESEGUE_SET"}), "+-+");
        rig.set("TextMotor", QStringLiteral("6"));
        rig.platform.answers = {MessageAnswer::No};
        rig.click("Command1");
        QCOMPARE(rig.sent("IS,6,-10,150,"), QByteArray("IS,6,-10,150,\r"));
        rig.click("CON_DISCON"); // reopens the port with the stored values
        QCOMPARE(rig.texts({"CON_DISCON", "Label3"}), "&Disconnect|OPEN -> COM6,9600,n,8,1");
        // Ticked with the port closed: the line is shown and goes nowhere.
        preset->setChecked(true);
        rig.link.close();
        rig.click("Command1");
        QCOMPARE(rig.texts({"COMANDO", "Text1", "Command1"}), QStringLiteral("IS,10,-10,150,|IS,10,-10,150,|&Connect"));
        QCOMPARE(rig.colour("Shape1"), Grey);
        QCOMPARE(rig.sent(), QByteArray());
    }

    // The stored values are PIN=9, MINROT=0, MAXROT=180; the fields hold the pin given and 0, 170.
    void setupSendChecksThePinAndAsksBeforeOverwriting_data()
    {
        QTest::addColumn<bool>("preset");
        QTest::addColumn<QString>("pin");
        QTest::addColumn<MessageAnswer>("answer");
        QTest::addColumn<QString>("box");   // how the last box starts, "title|text"; empty: no box
        QTest::addColumn<QString>("line");  // empty: nothing sent
        QTest::addColumn<bool>("readOnly"); // the settings file
        const QString question = QStringLiteral("VARIATION OF STANDARD PARAMETERS|");
        const QString notStored =
            QStringLiteral("SETTINGS ERROR|The values could not be stored in VELTRANO.ini; it was left as it was.");
        // clang-format off
        QTest::newRow("preset ignores the fields") << true << "7" << MessageAnswer::Yes << "" << "IS,9,0,180," << false;
        QTest::newRow("not a PWM pin") << false << "7" << MessageAnswer::Yes << "NON-PWM SELECTED PIN|" << "" << false;
        QTest::newRow("changed, yes stores and sends") << false << "10" << MessageAnswer::Yes << question << "IS,10,0,170," << false;
        QTest::newRow("changed, cancel does nothing") << false << "10" << MessageAnswer::Cancel << question << "" << false;
        QTest::newRow("changed, yes, file not writable") << false << "10" << MessageAnswer::Yes << notStored << "IS,10,0,170," << true;
        // clang-format on
    }
    void setupSendChecksThePinAndAsksBeforeOverwriting()
    {
        QFETCH(bool, preset);
        QFETCH(QString, pin);
        QFETCH(MessageAnswer, answer);
        QFETCH(QString, box);
        QFETCH(QString, line);
        QFETCH(bool, readOnly);
        Rig rig;
        const QByteArray before = rig.directory.readSettings();
        if (readOnly)
            QFile::setPermissions(rig.directory.settingsPath(), QFile::ReadOwner);
        rig.trigger("setta_servo");
        rig.get<QCheckBox>("presetta")->setChecked(preset);
        rig.set("TextMotor", pin);
        rig.set("max_rot", QStringLiteral("170"));
        rig.set("Text1", QStringLiteral("previous"));
        QByteArray sentBeforeTheAnswer;
        rig.platform.onMessage = [&](const FakePlatform::Message&) { sentBeforeTheAnswer += rig.sent(); };
        rig.platform.answers = {answer};
        const int replacements = replacementsOfTheFileBy(rig.directory, [&] { rig.click("ESEGUE_SET"); });
        const QStringList boxes = rig.platform.boxes();
        QVERIFY2(box.isEmpty() ? boxes.isEmpty() : boxes.last().startsWith(box), qPrintable(boxes.join(u'\n')));
        QCOMPARE(sentBeforeTheAnswer + rig.sent(line), line.isEmpty() ? QByteArray() : line.toLatin1() + '\r');
        QCOMPARE(rig.texts({"Text1"}), line.isEmpty() ? QStringLiteral("previous") : line);
        QCOMPARE(rig.colour("Shape1"), line.isEmpty() ? Grey : Green);
        const bool stored = line == u"IS,10,0,170," && !readOnly;
        QCOMPARE(rig.directory.readSettings(),
                 stored ? QByteArray(before).replace("PIN=9", "PIN=10").replace("MAXROT=180", "MAXROT=170") : before);
        // The values land in one replacement of the file, never one at a time.
        QCOMPARE(replacements, int(stored));
        QCOMPARE(rig.settings.PIN, stored ? 10 : 9);
    }

    void recallShowsTheMemoryUntilTheEditorCloses_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("fields"); // the editor's Frame3, Text10, Text9, Text11, Text7, Text6
        QTest::addColumn<QString>("shown");  // METERBAND, modeop, FREQ, ANGLE, COMANDO, RISPOSTA
        QTest::addColumn<bool>("usable");
        // clang-format off
        QTest::newRow("usable") << 1 << "MEM-1 |40|FT8|7074|95.5|A,95.5" << "40 mt.|FT8|7074|95.5|A,95.5|" << true;
        QTest::newRow("not valid") << 2 << "MEM-2 |20|CW|14060|30|" << "20 mt.|CW|14060|||" << false;
        QTest::newRow("valid without degrees") << 3 << "MEM-3 |15|AM|21000||" << "15 mt.|AM|21000|||" << false;
        QTest::newRow("valid flag not a boolean") << 4 << "MEM-4 |12|FM|24900|7|" << "12 mt.|FM|24900|||" << false;
        QTest::newRow("header row after a memory") << 0 << "MEM-1 |40|FT8|7074|95.5|A,95.5" << " mt.|||||" << true;
        // clang-format on
    }
    void recallShowsTheMemoryUntilTheEditorCloses()
    {
        QFETCH(int, row);
        QFETCH(QString, fields);
        QFETCH(QString, shown);
        QFETCH(bool, usable);
        Rig rig;
        rig.recall(1);
        QCOMPARE(rig.visible({"monitor_MEM"}) + rig.enabled({"ANGLE"}), "+-");
        QCOMPARE(rig.colour("Shape_MEMO"), QColor(Qt::yellow));
        QCOMPARE(rig.listed({ColumnBand, ColumnValid}), QStringList({"40:True", "20:False", "15:True", "12:yes"}));
        rig.set("RISPOSTA", QStringLiteral("OK"));
        rig.recall(row);
        QCOMPARE(texts(*rig.editor(), {"Frame3", "Text10", "Text9", "Text11", "Text7", "Text6"}), fields);
        QCOMPARE(rig.texts({"METERBAND", "modeop", "FREQ", "ANGLE", "COMANDO", "RISPOSTA"}), shown);
        QCOMPARE(rig.platform.boxes(), usable ? QStringList() : QStringList{"|Not usable!"});
        QCOMPARE(rig.colour("MEM_VALIDA"), usable ? QColor(Qt::white) : QColor(Qt::red));
        // "SET ANGLE" sends the recalled angle, and refuses the empty one.
        rig.sent("IS,9,0,180,");
        rig.click("SETTA_ANGOLO");
        QCOMPARE(rig.sent(), row == 1 ? QByteArray("A,95.5,\r") : QByteArray());
        rig.editor()->close();
        QTRY_VERIFY(!rig.editor());
        QCOMPARE(rig.visible({"monitor_MEM"}) + rig.enabled({"ANGLE"}), "-+");
        QCOMPARE(rig.colour("Shape_MEMO"), Grey);
        // Typing still takes three characters at most, whatever a recall showed.
        rig.get<QLineEdit>("ANGLE")->selectAll();
        QTest::keyClicks(rig.get<QLineEdit>("ANGLE"), QStringLiteral("1234"));
        QCOMPARE(rig.texts({"ANGLE"}), QStringLiteral("123"));
        // The way out lets go of the database even with the editor open.
        rig.click("MEMO");
        rig.window->releaseMemoryStore();
        QVERIFY(!rig.grid()->model());
    }

    void memoryEditorValidRulePickerClearingAndTheMemoriesMenu()
    {
        Rig rig;
        QWidget& editor = rig.openEditor();
        auto* valid = widget<QCheckBox>(editor, "Check2");
        widget<QLineEdit>(editor, "Text11")->setText(QStringLiteral("14234"));
        widget<QLineEdit>(editor, "Text7")->setText(QStringLiteral(" 45 "));
        valid->setChecked(true);
        QCOMPARE(texts(editor, {"Text6"}), QStringLiteral("A,45"));
        valid->setChecked(false);
        QCOMPARE(texts(editor, {"Text6"}), QString());
        // The note stops at what an import takes back: the last of what was typed goes.
        auto* note = widget<QPlainTextEdit>(editor, "note");
        note->setPlainText(QString(3999, u'n'));
        note->moveCursor(QTextCursor::Start);
        note->insertPlainText(QStringLiteral("ab"));
        QCOMPARE(note->toPlainText(), u'a' + QString(3999, u'n'));
        widget<QAbstractButton>(editor, "Command5")->click(); // the band picker
        widget<QAbstractButton>(editor, "vz6")->click();
        QCOMPARE(texts(editor, {"fx", "Text10"}), QStringLiteral("Bands|20"));
        QTest::mouseDClick(widget<QWidget>(editor, "Frame3"), Qt::LeftButton, {}, QPoint(5, 140));
        QCOMPARE(texts(editor, {"Frame3", "Text10", "Text11", "Text7"}), QStringLiteral("MEM-|||"));
        // The Memories menu exports, and imports into the editor open.
        QTemporaryDir elsewhere;
        const QString csv = QDir::toNativeSeparators(elsewhere.filePath(QStringLiteral("memories.csv")));
        const QList<QAction*> actions = rig.get<QMenu>("memorie")->actions();
        rig.platform.fileNames = {csv, csv};
        actions[0]->trigger();
        QVERIFY(writeFile(csv, fileContents(csv) + "5,\"17\",\"cw\",\"18080\",30,\"\",0,\"\"\r\n"));
        actions[1]->trigger();
        QCOMPARE(rig.listed({ColumnBand}), QStringList({"40", "20", "17", "15", "12"}));
        QCOMPARE(rig.platform.boxes(),
                 QStringList({"EXPORT MEMORIES|Exported 4 memories to " + csv + ".",
                              "IMPORT MEMORIES|Imported " + csv + ": 1 memory added, 4 duplicates skipped."}));
        actions[1]->trigger(); // the dialog cancelled
        QCOMPARE(rig.platform.boxes().size(), 2);
    }

    // The memories are 40 (usable), 20 (not valid, 30 degrees), 15 (no degrees) and 12.
    void memoryEditorChangesAskAndStore_data()
    {
        QTest::addColumn<int>("row");           // chosen first, 0 for none
        QTest::addColumn<QStringList>("typed"); // band, mode, frequency, degrees
        QTest::addColumn<QString>("button");
        QTest::addColumn<bool>("yes");
        QTest::addColumn<QStringList>("boxes");
        QTest::addColumn<QStringList>("listed"); // band:degrees:command of each memory afterwards
        const QStringList before = {"40:95.5:A,95.5", "20:30:", "15::A,", "12:7:A,7"};
        const QString create = QStringLiteral("CREATE A NEW MEMORY|Do you want to insert a new Memory?");
        const QString erase = QStringLiteral("MEMORY CLEARING|Do I erase the memory N.  2?");
        const QString modify = QStringLiteral("EDIT MEMORY|Do I modify the Memory N.  2?");
        const QStringList complete = {"17", "ft8", "18100", "95.5"};
        // clang-format off
        QTest::newRow("new, yes") << 0 << complete << "Command2" << true << QStringList{create, "MEMORY ADDED|A new memory has been added!"} << QStringList{"40:95.5:A,95.5", "20:30:", "17:95.5:A,95.5", "15::A,", "12:7:A,7"};
        QTest::newRow("new, no") << 0 << complete << "Command2" << false << QStringList{create} << before;
        QTest::newRow("new, duplicate") << 0 << QStringList{"20", "cw", "14060", "30"} << "Command2" << true
            << QStringList{"UNABLE TO ADD MEMORY|          DUPLICATE DATA!\n\rThere is already a memory with this BAND-MODE-FREQUENCY."} << before;
        QTest::newRow("new without degrees") << 0 << QStringList{"17", "FT8", "18100", ""} << "Command2" << true << QStringList{"WRONG COMMAND|Invalid Data!"} << before;
        QTest::newRow("delete, yes") << 2 << QStringList{"20", "CW", "14060", "30"} << "Command3" << true << QStringList{erase} << QStringList{"40:95.5:A,95.5", "15::A,", "12:7:A,7"};
        QTest::newRow("modify, yes") << 2 << QStringList{"20", "CW", "14060", "33.5"} << "Command4" << true << QStringList{modify} << QStringList{"40:95.5:A,95.5", "20:33.5:", "15::A,", "12:7:A,7"};
        QTest::newRow("modify without degrees") << 2 << QStringList{"20", "CW", "14060", ""} << "Command4" << true
            << QStringList{modify, "IMPOSSIBLE TO MODIFY|INCOMPLETE or INCORRECT DATA"} << before;
        // clang-format on
    }
    void memoryEditorChangesAskAndStore()
    {
        QFETCH(int, row);
        QFETCH(QStringList, typed);
        QFETCH(QString, button);
        QFETCH(bool, yes);
        QFETCH(QStringList, boxes);
        QFETCH(QStringList, listed);
        Rig rig;
        QWidget& editor = rig.openEditor();
        if (row)
            rig.recall(row);
        rig.platform.messages.clear(); // "Not usable!"
        for (int field = 0; field < 4; ++field)
            widget<QLineEdit>(editor, std::array{"Text10", "Text9", "Text11", "Text7"}[field])->setText(typed[field]);
        widget<QCheckBox>(editor, "Check2")->setChecked(button == u"Command2");
        rig.platform.answers = {yes ? MessageAnswer::Yes : MessageAnswer::No};
        widget<QAbstractButton>(editor, button.toLatin1().constData())->click();
        QCOMPARE(rig.platform.boxes(), boxes);
        QCOMPARE(rig.listed({ColumnBand, ColumnDegrees, ColumnCommand}), listed);
        QVERIFY(!QGuiApplication::overrideCursor());
    }
};

QTEST_MAIN(TestShell)
#include "tst_shell.moc"
