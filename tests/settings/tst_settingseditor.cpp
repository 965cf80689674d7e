#include "FakePlatform.h"
#include "GlobalSettings.h"
#include "SettingsEditor.h"
#include "TestProgramDirectory.h"
#include "Widgets.h"

#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

namespace {

const QByteArray Standard = TestProgramDirectory::standardSettings(QStringLiteral("/dev/ttyACM0"));

struct EditorRig {
    TestProgramDirectory directory{Standard};
    FakePlatform platform;
    GlobalSettings settings;
    SettingsEditor editor{directory.path(), settings, platform, QString()};

    QLineEdit* field(const char* name) { return widget<QLineEdit>(editor, name); }
    void click(const char* name) { widget<QPushButton>(editor, name)->click(); }
};

} // namespace

class TestSettingsEditor : public QObject {
    Q_OBJECT
private slots:
    void opensWithTheFileValuesAndOnlyFourEditableFields()
    {
        EditorRig rig;
        QCOMPARE(rig.editor.windowTitle(), QStringLiteral("Global Variables File  * VELTRANO.INI *"));
        const QList<std::pair<const char*, QString>> expected = {{"Text1", "C:\\VELTRANO"},
                                                                 {"Text2", "\\DATABASE\\VELTRANO.MDB"},
                                                                 {"Text3", "IZ0ABC"},
                                                                 {"Text5", "Rel. 2.1"},
                                                                 {"Text6", "6"},
                                                                 {"Text7", "9600,n,8,1"},
                                                                 {"Text8", "9"},
                                                                 {"Text9", "180"},
                                                                 {"Text10", "0"}};
        for (const auto& [name, value] : expected) {
            QCOMPARE(rig.field(name)->text(), value);
            const bool editable = QByteArray(name) == "Text6" || QByteArray(name) == "Text8" ||
                                  QByteArray(name) == "Text9" || QByteArray(name) == "Text10";
            QCOMPARE(rig.field(name)->isEnabled(), editable);
        }
        QCOMPARE(rig.settings.PIN, 9); // opening reloads the record
    }

    void writeChangesOnlyTheEditedValueAndDoesNotReload()
    {
        EditorRig rig;
        rig.field("Text8")->setText(QStringLiteral("10"));
        rig.click("Command2");
        QCOMPARE(rig.directory.readSettings(), QByteArray(Standard).replace("PIN=9", "PIN=10"));
        QCOMPARE(rig.settings.PIN, 9);
        rig.click("Command1");
        QCOMPARE(rig.settings.PIN, 10);
        QVERIFY(rig.platform.messages.isEmpty());
    }

    void writesUntrimmedAndShowsTrimmed()
    {
        EditorRig rig;
        rig.field("Text9")->setText(QStringLiteral("  150"));
        rig.click("Command2");
        QVERIFY(rig.directory.readSettings().contains("MAXROT=  150\r\n"));
        rig.field("Text9")->setText(QStringLiteral("x"));
        rig.click("Command1");
        QCOMPARE(rig.field("Text9")->text(), QStringLiteral("150"));
    }

    void exitWithoutWritingLeavesTheFileAlone()
    {
        EditorRig rig;
        rig.editor.show();
        rig.field("Text6")->setText(QStringLiteral("3"));
        rig.click("Command3");
        QVERIFY(!rig.editor.isVisible());
        QCOMPARE(rig.directory.readSettings(), Standard);
    }

    void aValueTheLoadCannotUseIsReportedAndCanBeCorrected()
    {
        EditorRig rig;
        rig.field("Text8")->setText(QStringLiteral("pin"));
        rig.click("Command2");
        QVERIFY(rig.platform.messages.isEmpty()); // the editor itself validates nothing
        rig.click("Command1");
        QCOMPARE(rig.platform.messages.size(), 1);
        QVERIFY(rig.platform.messages.first().text.contains(QStringLiteral("\"PIN\"")));
        QCOMPARE(rig.field("Text8")->text(), QStringLiteral("pin"));
        QCOMPARE(rig.settings.PIN, 9); // the record keeps the last good load

        rig.field("Text8")->setText(QStringLiteral("11"));
        rig.click("Command2");
        rig.click("Command1");
        QCOMPARE(rig.platform.messages.size(), 1);
        QCOMPARE(rig.settings.PIN, 11);
    }

    void aReadOnlyFileIsReportedAndKept()
    {
        EditorRig rig;
        QFile::setPermissions(rig.directory.settingsPath(), QFile::ReadOwner);
        rig.field("Text8")->setText(QStringLiteral("10"));
        rig.click("Command2");
        QCOMPARE(rig.platform.messages.size(), 1);
        QCOMPARE(rig.platform.messages.first().title, QStringLiteral("WRITE ERROR"));
        QCOMPARE(rig.directory.readSettings(), Standard);
    }
};

QTEST_MAIN(TestSettingsEditor)
#include "tst_settingseditor.moc"
