#include "MainWindowRig.h"
#include "WindowPlacement.h"

#include <QAction>
#include <QComboBox>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

namespace {

QStringList visibleTopLevelControls(const MainWindow& window)
{
    QStringList names;
    for (QWidget* child : window.centralWidget()->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
        if (child->isVisible())
            names.append(child->objectName());
    }
    names.sort();
    return names;
}

} // namespace

class TestShell : public QObject {
    Q_OBJECT
private slots:
    void startsIdleWithThePortOpen()
    {
        MainWindowRig rig;
        QVERIFY(rig.start());
        QVERIFY(!rig.platform.ended);
        QVERIFY(rig.platform.messages.isEmpty());
        QCOMPARE(rig.window->windowTitle(), MainWindow::Caption);
        QCOMPARE(visibleTopLevelControls(*rig.window), QStringList({"ESCE", "Frame1"}));
        QCOMPARE(rig.get<QGroupBox>("Frame1")->title(), QStringLiteral(" COMMAND "));
        QCOMPARE(rig.get<QPushButton>("ESCE")->text(), QStringLiteral("E&xit"));
        QCOMPARE(rig.get<QPushButton>("Command1")->text(), QStringLiteral("OFF"));
        QVERIFY(rig.get<QPushButton>("Command1")->isEnabled());
        for (const char* name : {"S_piu", "S_meno", "MEMO", "PULISCE", "SETTA_ANGOLO", "COMANDO", "RISPOSTA", "ANGLE"})
            QVERIFY2(!rig.get<QWidget>(name)->isEnabled(), name);
        for (const char* name : {"COMANDO", "RISPOSTA", "ANGLE"})
            QVERIFY2(rig.get<QLineEdit>(name)->text().isEmpty(), name);
        QCOMPARE(indicatorColour(rig.get<QWidget>("Shape_RX")), QColor(128, 128, 128));
        QCOMPARE(indicatorColour(rig.get<QWidget>("Shape_MEMO")), QColor(128, 128, 128));
        QVERIFY(rig.link.isOpen());
        QCOMPARE(rig.get<QLabel>("Label3")->text(), QStringLiteral("OPEN -> COM6,9600,n,8,1"));
        QCOMPARE(rig.get<QPushButton>("CON_DISCON")->text(), QStringLiteral("&Disconnect"));
        // The first activation refills the lists and leaves their texts empty.
        QCOMPARE(rig.get<QComboBox>("cboPort")->count(), 20);
        QCOMPARE(rig.get<QComboBox>("cboPort")->itemText(19), QStringLiteral("COM20"));
        QCOMPARE(rig.get<QComboBox>("cboBaudrate")->itemText(13), QStringLiteral("115200"));
        QCOMPARE(rig.get<QComboBox>("cboMove")->count(), 2);
        QCOMPARE(rig.get<QComboBox>("cboPort")->currentText(), QString());
        QCOMPARE(rig.get<QComboBox>("cboPort")->itemData(5, Qt::ToolTipRole).toString(), rig.board.devicePath());
    }

    void aPortThatCannotBeOpenedEndsStartUp()
    {
        MainWindowRig rig;
        rig.directory.writeSettings(TestProgramDirectory::standardSettings(QStringLiteral("/dev/veltrano-missing")));
        QVERIFY(!rig.window->load());
        QVERIFY(rig.platform.ended);
        QVERIFY(!rig.window->isVisible());
        QCOMPARE(rig.platform.messages.size(), 1);
        const auto& box = rig.platform.messages.first();
        QCOMPARE(box.title, QStringLiteral(" Errore : 8002"));
        QCOMPARE(box.text, QStringLiteral("ERRORE IMPOSTAZIONE PORTA.\n\r\n\rLa Porta in VELTRANO.INI  Non corrisponde"
                                          "\n\ra quella rlevata in Gestione Dispositivi del PC"));
        QCOMPARE(box.icon, MessageIcon::Critical);
    }

    void anUnusableSettingEndsStartUpNamingIt()
    {
        MainWindowRig rig;
        rig.directory.writeSettings(rig.directory.readSettings().replace("PIN=9", "PIN=nove"));
        QVERIFY(!rig.window->load());
        QVERIFY(rig.platform.ended);
        QCOMPARE(rig.platform.messages.size(), 1);
        QCOMPARE(rig.platform.messages.first().title, SettingsErrorTitle);
        QVERIFY(rig.platform.messages.first().text.contains(QStringLiteral("\"PIN\"")));
        QVERIFY(rig.platform.messages.first().text.contains(QStringLiteral("nove")));
        QVERIFY(!rig.link.isOpen());
    }

    void connectsToAnotherPortAndSpeed()
    {
        MainWindowRig rig;
        PtyPair other;
        rig.directory.writeSettings(rig.directory.readSettings() + "COM3=" + other.devicePath().toLocal8Bit() + "\r\n");
        QVERIFY(rig.start());
        rig.get<QAction>("porta_com")->trigger();
        QVERIFY(rig.get<QGroupBox>("Frame2")->isVisible());
        QCOMPARE(rig.get<QComboBox>("cboPort")->currentText(), QStringLiteral("6"));
        QCOMPARE(rig.get<QComboBox>("cboBaudrate")->currentText(), QStringLiteral("9600"));

        rig.get<QComboBox>("cboPort")->setCurrentIndex(2);
        rig.get<QComboBox>("cboBaudrate")->setCurrentText(QStringLiteral("19200"));
        rig.click("CON_DISCON"); // the caption reads "&Disconnect" after start-up
        QVERIFY(!rig.link.isOpen());
        QVERIFY(rig.get<QGroupBox>("Frame1")->isHidden());
        QCOMPARE(rig.get<QPushButton>("CON_DISCON")->text(), QStringLiteral("&Connect"));
        QVERIFY(!rig.get<QPushButton>("ESEGUE_SET")->isEnabled());

        rig.click("CON_DISCON");
        QVERIFY(rig.platform.messages.isEmpty());
        QVERIFY(rig.link.isOpen());
        QCOMPARE(rig.get<QLabel>("Label3")->text(), QStringLiteral("OPEN -> COM3,19200,n,8,1"));
        QCOMPARE(other.lineSpeed(), 19200);
        QVERIFY(rig.get<QGroupBox>("Frame1")->isVisible());
        QVERIFY(rig.get<QPushButton>("ESEGUE_SET")->isEnabled());
        QVERIFY(rig.get<QPushButton>("Command3")->isEnabled());

        // Digits only in the port field reconnect the port last opened, at the chosen speed.
        rig.click("CON_DISCON");
        rig.get<QComboBox>("cboPort")->setCurrentText(QStringLiteral("6"));
        rig.get<QComboBox>("cboBaudrate")->setCurrentText(QStringLiteral("115200"));
        rig.click("CON_DISCON");
        QCOMPARE(rig.get<QLabel>("Label3")->text(), QStringLiteral("OPEN -> COM3,115200,n,8,1"));
    }

    void connectRefusesEmptyFieldsAndReportsAFailedOpen()
    {
        MainWindowRig rig;
        QVERIFY(rig.start());
        rig.click("CON_DISCON");
        QCOMPARE(rig.platform.messages.last().title, QStringLiteral("COMM PORT SETTING ERROR"));
        QCOMPARE(rig.platform.messages.last().text, QStringLiteral("It is necessary to indicate the COMM port in use"));
        QVERIFY(rig.link.isOpen());

        rig.get<QComboBox>("cboPort")->setCurrentText(QStringLiteral("COM9"));
        rig.click("CON_DISCON");
        QCOMPARE(rig.platform.messages.last().title, QStringLiteral("CONNECTION SPEED ERROR"));
        QCOMPARE(rig.platform.messages.last().text, QStringLiteral("It is necessary to indicate the Boudarate"));
        QVERIFY(rig.link.isOpen());

        // COM9 means /dev/ttyS8, which a test machine does not have.
        rig.get<QComboBox>("cboBaudrate")->setCurrentText(QStringLiteral("9600"));
        rig.click("CON_DISCON"); // disconnect
        rig.click("CON_DISCON");
        QCOMPARE(rig.platform.messages.size(), 3);
        QCOMPARE(rig.platform.messages.last().title, QStringLiteral("DISCONNECT"));
        QVERIFY(rig.platform.messages.last().text.startsWith(
            QStringLiteral("Unable to open port: Check connections.\r\n")));
        QVERIFY(!rig.link.isOpen());
        QCOMPARE(rig.get<QLabel>("Label3")->text(), QString());
        QCOMPARE(rig.get<QPushButton>("CON_DISCON")->text(), QStringLiteral("&Connect"));
        QVERIFY(!rig.get<QPushButton>("ESEGUE_SET")->isEnabled());
    }

    void closingTheFrameWhileDisconnectedWarns()
    {
        MainWindowRig rig;
        QVERIFY(rig.start());
        rig.get<QAction>("porta_com")->trigger();
        rig.click("CHIUDE_WIN_PORTA");
        QVERIFY(rig.get<QGroupBox>("Frame2")->isHidden());
        QVERIFY(rig.platform.messages.isEmpty());

        rig.get<QAction>("porta_com")->trigger();
        rig.click("CON_DISCON"); // disconnect
        rig.click("CHIUDE_WIN_PORTA");
        QCOMPARE(rig.platform.messages.size(), 1);
        QCOMPARE(rig.platform.messages.first().text,
                 QStringLiteral("         ARDUINO is disconnected!\r\rOPEN COMMUNICATION or EXIT"));
        QCOMPARE(rig.platform.messages.first().title, QString());
        QCOMPARE(rig.platform.messages.first().icon, MessageIcon::None);
    }

    void portAndSpeedFieldsTakeDigitsOnly()
    {
        MainWindowRig rig;
        QVERIFY(rig.start());
        rig.get<QAction>("porta_com")->trigger();
        QComboBox* port = rig.get<QComboBox>("cboPort");
        port->setEnabled(true);
        port->setCurrentText(QString());
        QTest::keyClicks(port->lineEdit(), QStringLiteral("c1o2m"));
        QTest::keyClicks(port, QStringLiteral("x3"));
        QCOMPARE(port->currentText(), QStringLiteral("123"));
        QTest::keyClick(port->lineEdit(), Qt::Key_Backspace);
        QCOMPARE(port->currentText(), QStringLiteral("12"));
    }

    void showsWhatTheBoardSends()
    {
        MainWindowRig rig;
        QVERIFY(rig.start());
        QLineEdit* reply = rig.get<QLineEdit>("RISPOSTA");
        QLineEdit* setupReply = rig.get<QLineEdit>("Text2");
        rig.board.writeToProgram("OK A 95\r\n");
        QTRY_COMPARE(reply->text(), QStringLiteral("OK A 95\r\n"));
        QCOMPARE(setupReply->text(), QStringLiteral("OK A 95\r\n"));
        rig.board.writeToProgram("second");
        QTRY_COMPARE(reply->text(), QStringLiteral("second"));
        // Bytes above ASCII arrive as one character each.
        rig.board.writeToProgram("\xb0");
        QTRY_COMPARE(setupReply->text(), QStringLiteral("°"));
    }

    void aFloodingBoardLeavesTheWindowResponsive()
    {
        MainWindowRig rig;
        QVERIFY(rig.start());
        QElapsedTimer sinceTick;
        qint64 longestGap = 0;
        QTimer ticker;
        QObject::connect(&ticker, &QTimer::timeout, [&] { longestGap = std::max(longestGap, sinceTick.restart()); });
        sinceTick.start();
        ticker.start(5);

        // Four megabytes of bytes above ASCII and no line end, faster than any serial line delivers them.
        QByteArray chunk(64 * 1024, Qt::Uninitialized);
        for (qsizetype i = 0; i < chunk.size(); ++i)
            chunk[i] = char(0x80 | (i % 0x80));
        for (int i = 0; i < 64; ++i)
            rig.board.writeToProgram(chunk);
        rig.board.writeToProgram("END");
        QTRY_VERIFY_WITH_TIMEOUT(rig.get<QLineEdit>("RISPOSTA")->text().endsWith(u"END"), 20000);
        // What is shown is one read's worth, never the whole flood.
        QVERIFY(rig.get<QLineEdit>("RISPOSTA")->text().size() <= 64 * 1024);
        // Generous: only a window that stops serving its events for whole seconds fails.
        QVERIFY2(longestGap < 2000, qPrintable(QString::number(longestGap)));
    }

    void aPulledCableLeavesTheFrameDisconnectedAndSaysSoOnce()
    {
        MainWindowRig rig;
        PtyPair replacement;
        rig.directory.writeSettings(rig.directory.readSettings() + "COM2=" + replacement.devicePath().toLocal8Bit() +
                                    "\r\n");
        QVERIFY(rig.start());
        rig.board.closeBoardEnd();
        QTRY_VERIFY(!rig.link.isOpen());
        QTest::qWait(100);
        QCOMPARE(rig.platform.messages.size(), 1);
        QCOMPARE(rig.platform.messages.first().title, QStringLiteral("CONNECTION LOST"));
        QCOMPARE(rig.get<QPushButton>("CON_DISCON")->text(), QStringLiteral("&Connect"));
        QVERIFY(rig.get<QGroupBox>("Frame2")->isVisible());
        QVERIFY(rig.get<QGroupBox>("Frame1")->isHidden());

        rig.get<QComboBox>("cboPort")->setCurrentText(QStringLiteral("COM2"));
        rig.get<QComboBox>("cboBaudrate")->setCurrentText(QStringLiteral("9600"));
        rig.click("CON_DISCON");
        QVERIFY(rig.link.isOpen());
        QCOMPARE(rig.platform.messages.size(), 1);
    }

    void secondaryWindowsAreSingleInstances()
    {
        MainWindowRig rig;
        QVERIFY(rig.start());
        rig.get<QAction>("INFO_PROC")->trigger();
        rig.get<QAction>("INFO_PROC")->trigger();
        QCOMPARE(rig.window->findChildren<QWidget*>(QStringLiteral("INFO")).size(), 1);
        QWidget* about = rig.get<QWidget>("INFO");
        QVERIFY(about->isVisible());
        QCOMPARE(widget<QLabel>(*about, "Label3")->text(), QStringLiteral("Rel. 2.1"));

        rig.get<QAction>("setta_INI")->trigger();
        QWidget* editor = rig.get<QWidget>("VELTRANO_INI");
        widget<QLineEdit>(*editor, "Text8")->setText(QStringLiteral("10"));
        rig.get<QAction>("setta_INI")->trigger(); // no second opening: the typed value stays
        QCOMPARE(rig.window->findChildren<QWidget*>(QStringLiteral("VELTRANO_INI")).size(), 1);
        QCOMPARE(widget<QLineEdit>(*editor, "Text8")->text(), QStringLiteral("10"));

        editor->close();
        QTRY_COMPARE(rig.window->findChildren<QWidget*>(QStringLiteral("VELTRANO_INI")).size(), 0);
        rig.get<QAction>("setta_INI")->trigger(); // a new opening reads the file again
        QCOMPARE(widget<QLineEdit>(*rig.get<QWidget>("VELTRANO_INI"), "Text8")->text(), QStringLiteral("9"));
    }

    void onlyReturningFromAnotherWindowCountsAsActivation()
    {
        QMenu menu;
        QMessageBox box;
        QWidget secondary(nullptr, Qt::Window);
        QVERIFY(!isSecondaryWindow(&menu));
        QVERIFY(!isSecondaryWindow(&box));
        QVERIFY(isSecondaryWindow(&secondary));

        // Coming back from the about window refills the lists, which empties the texts.
        MainWindowRig rig;
        QVERIFY(rig.start());
        rig.get<QAction>("porta_com")->trigger();
        QComboBox* port = rig.get<QComboBox>("cboPort");
        QCOMPARE(port->currentText(), QStringLiteral("6"));
        rig.get<QAction>("INFO_PROC")->trigger();
        QWidget* about = rig.get<QWidget>("INFO");
        QTRY_VERIFY(about->isActiveWindow());
        about->close();
        rig.window->activateWindow();
        QTRY_COMPARE(port->currentText(), QString());
    }

    void secondaryWindowsOpenAtAFixedShareOfTheScreen()
    {
        // A screen of 19200 x 10800 twips: the about window at 6386.67, 3591.67 twips.
        QCOMPARE(secondaryWindowPosition(QSize(1280, 720), 3), QPoint(426, 239));
        QCOMPARE(secondaryWindowPosition(QSize(1280, 720), 4), QPoint(319, 180));
    }

    void exitWithThePortOpenLeavesTheServoAttached()
    {
        MainWindowRig rig;
        QVERIFY(rig.start());
        QStringList atPause;
        rig.platform.onPause = [&] {
            for (const char* name : {"TextMotor", "min_rot", "max_rot", "Text1"})
                atPause << rig.get<QLineEdit>(name)->text();
            QVERIFY(!rig.get<QLineEdit>("TextMotor")->isEnabled());
            QCOMPARE(rig.board.drain(std::chrono::milliseconds(0)), QByteArray()); // nothing before the pause
        };
        rig.click("ESCE");
        QCOMPARE(rig.platform.pauses, QList<std::chrono::milliseconds>({std::chrono::milliseconds(1000)}));
        QCOMPARE(atPause, QStringList({"9", "0", "180", ""}));
        QCOMPARE(rig.board.drain(), QByteArray("IS,9,0,180,\r"));
        QCOMPARE(rig.get<QLineEdit>("Text1")->text(), QStringLiteral("IS,9,0,180,"));
        QVERIFY(!rig.link.isOpen());
        QVERIFY(rig.platform.ended);
        QVERIFY(rig.platform.messages.isEmpty());
    }

    void exitWithThePortClosedSendsNothing()
    {
        MainWindowRig rig;
        QVERIFY(rig.start());
        rig.get<QAction>("porta_com")->trigger();
        rig.click("CON_DISCON");
        QVERIFY(!rig.link.isOpen());
        rig.click("ESCE");
        QVERIFY(rig.platform.ended);
        QVERIFY(rig.platform.pauses.isEmpty());
        QCOMPARE(rig.board.drain(), QByteArray());
    }

    void exitWithTheMemoryEditorOpenSkipsItsClosingSteps()
    {
        MainWindowRig rig;
        QVERIFY(rig.start());
        rig.click("Command1");
        rig.click("MEMO");
        QVERIFY(rig.get<QWidget>("MEMOMASK")->isVisible());
        rig.click("ESCE");
        QVERIFY(rig.platform.ended);
        QVERIFY(rig.get<QWidget>("monitor_MEM")->isVisible());
        QVERIFY(!rig.get<QLineEdit>("ANGLE")->isEnabled());
    }

    void closingTheWindowClosesThePortAndSendsNothing()
    {
        MainWindowRig rig;
        QVERIFY(rig.start());
        rig.window->close();
        QVERIFY(!rig.link.isOpen());
        QCOMPARE(rig.board.drain(), QByteArray());
    }
};

QTEST_MAIN(TestShell)
#include "tst_shell.moc"
