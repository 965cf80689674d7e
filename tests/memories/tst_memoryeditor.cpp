#include "MainWindowRig.h"
#include "MemoryStore.h"
#include "OtherConnection.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include <array>

namespace {

const TypedMemory Forty = {"40", "FT8", "7074", "95", "", true};
const TypedMemory Twenty = {"20", "CW", "14060", "30", "", false};
const TypedMemory Ten = {"10", "SSB", "28500", "12", "", true};

// What a control shows: a field's text, a label's, a frame's title.
QString shown(const QWidget* control)
{
    if (const auto* field = qobject_cast<const QLineEdit*>(control))
        return field->text();
    if (const auto* label = qobject_cast<const QLabel*>(control))
        return label->text();
    return qobject_cast<const QGroupBox*>(control)->title();
}

// The main window with the servo switched on, over a program directory whose database holds the
// given memories; open() presses "MEMO".
struct EditorRig {
    MainWindowRig main;
    QString database = main.directory.path() + QStringLiteral("/DATABASE/VELTRANO.MDB");

    explicit EditorRig(const QList<TypedMemory>& memories = {})
    {
        MemoryStore store;
        store.open(database);
        for (const TypedMemory& memory : memories)
            store.add(memory);
    }
    QWidget* open()
    {
        if (!main.window->isVisible() && !main.start())
            return nullptr;
        if (main.get<QPushButton>("Command1")->text() == u"OFF")
            main.click("Command1"); // the servo switch enables "MEMO"
        main.click("MEMO");
        return editor();
    }
    QWidget* editor() const { return main.window->findChild<QWidget*>(QStringLiteral("MEMOMASK")); }
    template <class T = QWidget> T* get(const char* name) const { return widget<T>(*editor(), name); }
    QString text(const char* name) const { return shown(get(name)); }
    QString mainText(const char* name) const { return shown(main.get<QWidget>(name)); }
    QColor mainColour(const char* name) const { return indicatorColour(main.get<QWidget>(name)); }
    void click(const char* name) const { get<QAbstractButton>(name)->click(); }
    QTableView* grid() const { return get<QTableView>("MSHFlexGrid1"); }
    // Clicks a grid row, counted from 1 below the header row.
    void clickRow(int row) const
    {
        const QRect cell = grid()->visualRect(grid()->model()->index(row - 1, ColumnBand));
        QTest::mouseClick(grid()->viewport(), Qt::LeftButton, {}, cell.center());
    }
    QStringList column(int column) const
    {
        QStringList texts;
        for (int row = 0; row < grid()->model()->rowCount(); ++row)
            texts.append(grid()->model()->index(row, column).data().toString());
        return texts;
    }
    // Every message box so far, as "title|text".
    QStringList boxes() const
    {
        QStringList all;
        for (const auto& box : main.platform.messages)
            all.append(box.title + u'|' + box.text);
        return all;
    }
};

} // namespace

class TestMemoryEditor : public QObject {
    Q_OBJECT
private slots:
    void memoOpensTheEditorOnceWithTheTableLaidOut()
    {
        EditorRig rig({Ten, Forty, Twenty});
        QWidget* editor = rig.open();
        QVERIFY(editor && editor->isVisible());
        QCOMPARE(rig.mainText("METERBAND"), QStringLiteral("0"));
        QCOMPARE(rig.mainColour("Shape_MEMO"), QColor(Qt::yellow));
        QVERIFY(!rig.main.get<QWidget>("ANGLE")->isEnabled());
        QVERIFY(rig.grid()->isColumnHidden(ColumnId));
        QCOMPARE(rig.column(ColumnBand), QStringList({"40", "20", "10"}));
        QCOMPARE(rig.column(ColumnValid), QStringList({"True", "False", "True"}));
        const QAbstractItemModel* list = rig.grid()->model();
        QCOMPARE(list->headerData(ColumnFrequency, Qt::Horizontal).toString(), QStringLiteral("           KHz"));
        QCOMPARE(rig.text("Frame3"), QStringLiteral("MEMO   "));

        // Switching the servo off greys the memory indicator and takes "MEMO" away.
        rig.main.click("Command1");
        QCOMPARE(rig.mainColour("Shape_MEMO"), QColor(128, 128, 128));
        QVERIFY(!rig.main.get<QWidget>("MEMO")->isEnabled());
    }

    void rowSelectionRecallsTheMemory_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<QStringList>("fields"); // Frame3, Text10, Text9, Text11, Text7, Text6
        QTest::addColumn<bool>("usable");
        // clang-format off
        QTest::newRow("usable") << 1 << QStringList{"MEM-1 ", "40", "FT8", "7074", "95", "A,95"} << true;
        QTest::newRow("not valid") << 2 << QStringList{"MEM-2 ", "20", "CW", "14060", "30", ""} << false;
        QTest::newRow("valid without degrees") << 3 << QStringList{"MEM-4 ", "15", "AM", "21000", "", ""} << false;
        QTest::newRow("valid flag not a boolean") << 4 << QStringList{"MEM-5 ", "12", "FM", "24900", "7", ""} << false;
        // clang-format on
    }

    void rowSelectionRecallsTheMemory()
    {
        QFETCH(int, row);
        QFETCH(QStringList, fields);
        QFETCH(bool, usable);
        EditorRig rig({Forty, Twenty, Ten});
        OtherConnection(rig.database)
            .exec(QStringLiteral("INSERT INTO MEMO_BANDA VALUES (4, '15', 'AM', '21000', NULL, 'A,', 1, ''), "
                                 "(5, '12', 'FM', '24900', 7, 'A,7', 'yes', '')"));
        rig.open();
        rig.main.get<QLineEdit>("RISPOSTA")->setText(QStringLiteral("OK"));
        rig.clickRow(row);

        QStringList inEditor;
        for (const char* name : {"Frame3", "Text10", "Text9", "Text11", "Text7", "Text6"})
            inEditor.append(rig.text(name));
        QCOMPARE(inEditor, fields);
        QCOMPARE(rig.get<QCheckBox>("Check2")->isChecked(), usable);
        QStringList onMain;
        for (const char* name : {"METERBAND", "modeop", "FREQ", "ANGLE", "COMANDO", "RISPOSTA"})
            onMain.append(rig.mainText(name));
        // The main window takes band, mode and frequency always, the angle and command only from a usable memory.
        QCOMPARE(onMain, QStringList({fields[1] + " mt.", fields[2], fields[3], usable ? fields[4] : "",
                                      usable ? fields[5] : "", ""}));
        QCOMPARE(rig.mainColour("MEM_VALIDA"), usable ? QColor(Qt::white) : QColor(Qt::red));
        QCOMPARE(rig.boxes(), usable ? QStringList() : QStringList{"|Not usable!"});
    }

    void keyboardAndHeaderRowSelection()
    {
        EditorRig rig({Forty, Ten});
        rig.open();
        rig.grid()->setFocus(); // which puts the cursor on the first memory, not yet chosen
        QTest::keyClick(rig.grid(), Qt::Key_Down);
        QCOMPARE(rig.mainText("METERBAND"), QStringLiteral("40 mt."));
        QTest::keyClick(rig.grid(), Qt::Key_Down);
        QCOMPARE(rig.mainText("METERBAND"), QStringLiteral("10 mt."));
        rig.main.board.readFromProgram(); // the servo start line
        rig.main.click("SETTA_ANGOLO");
        QCOMPARE(rig.main.board.readFromProgram(), QByteArray("A,12,\r")); // the recalled angle goes out

        // The header row empties the main window's fields and leaves the editing fields alone.
        QTest::mouseClick(rig.grid()->horizontalHeader()->viewport(), Qt::LeftButton);
        QCOMPARE(rig.mainText("METERBAND"), QStringLiteral(" mt."));
        QCOMPARE(rig.mainText("ANGLE"), QString());
        QCOMPARE(rig.text("Text10"), QStringLiteral("10"));
        rig.click("Command3");
        rig.click("Command4");
        QVERIFY(rig.boxes().isEmpty());
    }

    void validRuleFrequencyFieldAndClearing()
    {
        EditorRig rig;
        rig.open();
        auto* valid = rig.get<QCheckBox>("Check2");
        QTest::keyClicks(rig.get("Text11"), QStringLiteral("1a4,2"));
        QCOMPARE(rig.text("Text11"), QStringLiteral("142"));
        QTest::keyClicks(rig.get("Text11"), QStringLiteral("345"));
        QCOMPARE(rig.text("Text11"), QStringLiteral("14234"));
        valid->setChecked(true);
        QVERIFY(!valid->isChecked()); // no degrees
        rig.get<QLineEdit>("Text7")->setText(QStringLiteral(" 45 "));
        valid->setChecked(true);
        QCOMPARE(rig.text("Text6"), QStringLiteral("A,45"));
        valid->setChecked(false);
        QCOMPARE(rig.text("Text6"), QString());

        QTest::mouseDClick(rig.get("Frame3"), Qt::LeftButton, {}, QPoint(5, 140));
        QCOMPARE(rig.text("Text11"), QString());
        QCOMPARE(rig.text("Frame3"), QStringLiteral("MEM-"));
    }

    void pickersFillBandAndMode()
    {
        EditorRig rig;
        QWidget* editor = rig.open();
        rig.click("Command5");
        QCOMPARE(rig.text("fx"), QStringLiteral("Bands"));
        QCOMPARE(editor->height(), 482);
        rig.click("vz4");
        rig.click("vz6");
        QCOMPARE(rig.text("Text10"), QStringLiteral("20"));
        rig.click("vz12");
        QCOMPARE(rig.text("Text10"), QStringLiteral("3-30MHz"));

        rig.click("p_combo"); // closes whichever picker is open
        QVERIFY(rig.get("fx")->isHidden());
        QCOMPARE(editor->height(), 415);
        QCOMPARE(rig.get<QPushButton>("vz12")->text(), QString());
        rig.click("p_combo");
        QCOMPARE(rig.text("fx"), QStringLiteral("MODE"));
        rig.click("vz12");
        QCOMPARE(rig.text("Text9"), QStringLiteral("ALTRO"));
    }

    void addChecksAsksAndStores_data()
    {
        QTest::addColumn<QStringList>("typed"); // band, mode, frequency, degrees
        QTest::addColumn<bool>("valid");
        QTest::addColumn<bool>("yes");
        QTest::addColumn<QStringList>("boxes");
        QTest::addColumn<QStringList>("commands"); // of the memories listed afterwards
        const QStringList complete = {"40", "ft8", "7074", "95"};
        const QString question = QStringLiteral("CREATE A NEW MEMORY|Do you want to insert a new Memory?");
        const QStringList added = {question, "MEMORY ADDED|A new memory has been added!"};
        QTest::newRow("valid, yes") << complete << true << true << added << QStringList{"A,95", ""};
        QTest::newRow("not valid, yes") << complete << false << true << added << QStringList{"", ""};
        QTest::newRow("no") << complete << true << false << QStringList{question} << QStringList{""};
        QTest::newRow("duplicate") << QStringList{"20", "cw", "14060", ""} << false << true
                                   << QStringList{"UNABLE TO ADD MEMORY|          DUPLICATE DATA!\n\rThere is "
                                                  "already a memory with this BAND-MODE-FREQUENCY."}
                                   << QStringList{""};
        QTest::newRow("no degrees") << QStringList{"40", "FT8", "7074", ""} << false << true
                                    << QStringList{"WRONG COMMAND|Invalid Data!"} << QStringList{""};
    }

    void addChecksAsksAndStores()
    {
        QFETCH(QStringList, typed);
        QFETCH(bool, valid);
        QFETCH(bool, yes);
        QFETCH(QStringList, boxes);
        QFETCH(QStringList, commands);
        EditorRig rig({Twenty});
        rig.open();
        for (int field = 0; field < 4; ++field) // band, mode, frequency, degrees
            rig.get<QLineEdit>(std::array{"Text10", "Text9", "Text11", "Text7"}[field])->setText(typed[field]);
        rig.get<QCheckBox>("Check2")->setChecked(valid);
        rig.main.platform.answers = {yes ? MessageAnswer::Yes : MessageAnswer::No};
        rig.click("Command2");

        QCOMPARE(rig.boxes(), boxes);
        QCOMPARE(rig.column(ColumnCommand), commands);
        const bool asked = boxes.first().startsWith(u"CREATE");
        QCOMPARE(rig.text("Text10"), asked ? QString() : typed.first()); // cleared once asked
        if (boxes.first().startsWith(u"WRONG COMMAND"))
            QCOMPARE(rig.text("Text6"), QStringLiteral("A,"));
    }

    void deleteAndModifyTheSelectedMemory_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("degrees");
        QTest::addColumn<bool>("yes");
        QTest::addColumn<QStringList>("boxes");
        QTest::addColumn<QStringList>("listed"); // number:degrees, after
        const QString erase = QStringLiteral("MEMORY CLEARING|Do I erase the memory N.  2?");
        const QString modify = QStringLiteral("EDIT MEMORY|Do I modify the Memory N.  2?");
        const QStringList unchanged = {"1:95", "2:30", "3:12"};
        QTest::newRow("delete, yes") << "Command3"
                                     << "30" << true << QStringList{erase} << QStringList{"1:95", "3:12"};
        QTest::newRow("delete, no") << "Command3"
                                    << "30" << false << QStringList{erase} << unchanged;
        QTest::newRow("modify, yes") << "Command4"
                                     << "33.5" << true << QStringList{modify} << QStringList{"1:95", "2:33.5", "3:12"};
        QTest::newRow("modify, no") << "Command4"
                                    << "33.5" << false << QStringList{modify} << unchanged;
        QTest::newRow("modify without degrees")
            << "Command4"
            << "" << true << QStringList{modify, "IMPOSSIBLE TO MODIFY|INCOMPLETE or INCORRECT DATA"} << unchanged;
    }

    void deleteAndModifyTheSelectedMemory()
    {
        QFETCH(QString, button);
        QFETCH(QString, degrees);
        QFETCH(bool, yes);
        QFETCH(QStringList, boxes);
        QFETCH(QStringList, listed);
        EditorRig rig({Forty, Twenty, Ten});
        rig.open();
        rig.clickRow(2);
        rig.main.platform.messages.clear(); // "Not usable!"
        rig.get<QLineEdit>("Text7")->setText(degrees);
        rig.main.platform.answers = {yes ? MessageAnswer::Yes : MessageAnswer::No};
        rig.click(button.toLatin1().constData());

        QCOMPARE(rig.boxes(), boxes);
        QStringList after;
        for (int row = 0; row < rig.grid()->model()->rowCount(); ++row)
            after.append(rig.column(ColumnId)[row] + u':' + rig.column(ColumnDegrees)[row]);
        QCOMPARE(after, listed);
        QCOMPARE(rig.text("Text10"), boxes.size() == 1 ? QString() : QStringLiteral("20"));
        QVERIFY(!QGuiApplication::overrideCursor());
    }

    void closingRestoresTheMainWindowEitherWay_data()
    {
        QTest::addColumn<bool>("fromTitleBar");
        QTest::newRow("&CLOSE") << false;
        QTest::newRow("title bar") << true;
    }

    void closingRestoresTheMainWindowEitherWay()
    {
        QFETCH(bool, fromTitleBar);
        EditorRig rig({Forty});
        rig.open();
        rig.clickRow(1);
        if (fromTitleBar)
            rig.editor()->close();
        else
            rig.click("Command1");
        QTRY_VERIFY(!rig.editor());
        QCOMPARE(rig.mainColour("Shape_MEMO"), QColor(128, 128, 128));
        QVERIFY(rig.main.get<QWidget>("monitor_MEM")->isHidden());
        QVERIFY(rig.main.get<QWidget>("ANGLE")->isEnabled());
        // Reopening starts afresh, and the way out lets go of the database with the editor open.
        rig.open();
        QCOMPARE(rig.text("Frame3"), QStringLiteral("MEMO   "));
        rig.main.window->releaseMemoryStore();
        QVERIFY(!rig.grid()->model());
    }

    void aFileThatIsNotADatabaseIsReportedAndTheEditorStaysUsable()
    {
        EditorRig rig;
        QFile file(rig.database);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write("not a database");
        file.close();
        rig.open();
        QCOMPARE(rig.boxes().size(), 1);
        QVERIFY(rig.boxes().first().contains(QStringLiteral("VELTRANO.MDB")));
        rig.click("Command5");
        rig.click("vz4");
        QCOMPARE(rig.text("Text10"), QStringLiteral("40"));
        rig.click("Command2");
        QCOMPARE(rig.boxes().size(), 2);
    }

    void memoriesMenuExportsAndImportsIntoTheOpenEditor()
    {
        EditorRig rig({Forty});
        QTemporaryDir elsewhere;
        const QString csv = QDir::toNativeSeparators(elsewhere.filePath(QStringLiteral("memories.csv")));
        rig.open();
        const QList<QAction*> actions = rig.main.get<QMenu>("memorie")->actions();
        QCOMPARE(actions.size(), 2);

        rig.main.platform.fileNames = {csv};
        actions[0]->trigger();
        QFile exported(csv);
        QVERIFY(exported.open(QIODevice::ReadWrite | QIODevice::Append));
        exported.write("2,\"20\",\"cw\",\"14060\",30,\"\",0,\"\"\r\n");
        exported.close();
        rig.main.platform.fileNames = {csv};
        actions[1]->trigger();
        QCOMPARE(rig.column(ColumnBand), QStringList({"40", "20"}));
        QCOMPARE(rig.boxes(),
                 QStringList({"EXPORT MEMORIES|Exported 1 memory to " + csv + ".",
                              "IMPORT MEMORIES|Imported " + csv + ": 1 memory added, 1 duplicate skipped."}));
        QCOMPARE(rig.main.platform.fileDialogs, QStringList({"EXPORT MEMORIES", "IMPORT MEMORIES"}));

        actions[1]->trigger(); // the dialog cancelled
        QCOMPARE(rig.boxes().size(), 2);
    }
};

QTEST_MAIN(TestMemoryEditor)
#include "tst_memoryeditor.moc"
