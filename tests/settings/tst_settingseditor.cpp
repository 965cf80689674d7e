#include "FakePlatform.h"
#include "GlobalSettings.h"
#include "SettingsEditor.h"
#include "TestProgramDirectory.h"
#include "Widgets.h"

#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#ifdef Q_OS_LINUX
#include <sys/inotify.h>
#include <unistd.h>
#endif

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

#ifdef Q_OS_LINUX
// Counts the times a file in a directory is replaced by another renamed over it, as a safe save does.
class ReplacementCounter {
public:
    explicit ReplacementCounter(const QString& directory)
        : m_inotify(inotify_init1(IN_NONBLOCK))
    {
        // Creations too: the kernel merges an event into an identical one just before it, and the
        // temporary file created before each rename keeps the renames apart.
        inotify_add_watch(m_inotify, QFile::encodeName(directory).constData(), IN_MOVED_TO | IN_CREATE);
    }
    ~ReplacementCounter() { close(m_inotify); }

    int replacements(const QString& fileName) const
    {
        int count = 0;
        alignas(inotify_event) char buffer[4096];
        for (ssize_t size; (size = read(m_inotify, buffer, sizeof buffer)) > 0;) {
            for (char* next = buffer; next < buffer + size;) {
                const auto* event = reinterpret_cast<const inotify_event*>(next);
                if ((event->mask & IN_MOVED_TO) && event->len > 0 && QFile::decodeName(event->name) == fileName)
                    ++count;
                next += sizeof(inotify_event) + event->len;
            }
        }
        return count;
    }

private:
    int m_inotify;
};
#endif

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

    void writeReplacesTheFileOnceWithEveryValue()
    {
#ifndef Q_OS_LINUX
        QSKIP("counts file replacements with inotify");
#else
        // One replacement: a reader (or a crash) never meets the file with only some rows written.
        EditorRig rig;
        rig.field("Text6")->setText(QStringLiteral("7"));
        rig.field("Text10")->setText(QStringLiteral("5"));
        const ReplacementCounter counter(rig.directory.path());
        rig.click("Command2");
        QCOMPARE(counter.replacements(QStringLiteral("VELTRANO.ini")), 1);
        QCOMPARE(rig.directory.readSettings(),
                 QByteArray(Standard).replace("PORTACOM=6", "PORTACOM=7").replace("MINROT=0", "MINROT=5"));
#endif
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
