#include "FakePlatform.h"
#include "FileReplacements.h"
#include "FullDisk.h"
#include "GlobalSettings.h"
#include "ProfileFile.h"
#include "SettingsEditor.h"
#include "TestProgramDirectory.h"
#include "Widgets.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QByteArray Standard = TestProgramDirectory::standardSettings(QStringLiteral("/dev/ttyACM0"));

// What the file holds for each "section|key", joined by blanks; "-" for one it does not hold.
QString read(const QByteArray& contents, const QStringList& names)
{
    const ProfileFile file(contents);
    QStringList values;
    for (const QString& name : names)
        values << file.value(name.section(u'|', 0, 0), name.section(u'|', 1)).value_or("-");
    return values.join(u' ');
}

// The settings editor over the standard file.
struct EditorRig {
    TestProgramDirectory directory{Standard};
    FakePlatform platform;
    GlobalSettings settings;
    SettingsEditor editor{directory.path(), settings, platform, QString()};

    void set(const char* name, const QString& text) { widget<QLineEdit>(editor, name)->setText(text); }
    void click(const char* name) { widget<QPushButton>(editor, name)->click(); }
};

} // namespace

Q_DECLARE_METATYPE(RigSettings)

class TestSettings : public QObject {
    Q_OBJECT
private slots:
    void lookupFollowsThePrivateProfileRules()
    {
        const QByteArray file = "; a comment\n"
                                "[Sezione 8]\n"
                                "  pin   =   10  \n"
                                "PIN=11\n"
                                "[sezione 8]\n"
                                "other=1\n"
                                "[sezione 3]\r\n"
                                "UTENTE=Jos\xe9\r\n";
        // Letter case ignored, the first match wins, a second section of the name is never read, keys
        // belong to their section, a Latin-1 line.
        QCOMPARE(read(file, {"SEZIONE 8|PIN", "sezione 8|other", "sezione 3|PIN", "sezione 3|UTENTE"}),
                 QStringLiteral("10 - - Jos\u00e9"));
        TestProgramDirectory directory("[sezione 3]\nUTENTE=Not Found\n");
        QCOMPARE(leggi_ini(directory.path(), "VELTRANO.ini", "sezione 3", "UTENTE"), QString());
    }

    // Where a write puts its lines, several values landing as if written one after another; the fuzzer
    // checks that values read back and other lines keep their bytes.
    void writeChangesOnlyItsOwnLines_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QList<QStringList>>("values"); // section, key, value
        QTest::addColumn<QByteArray>("after");
        const QList<QStringList> pin = {{"s", "PIN", "10"}};
        // clang-format off
        QTest::newRow("replace, CRLF kept") << QByteArray("[a]\r\nx = 1 \r\n[s]\r\nPIN = 9\r\n;c\r\n") << QList<QStringList>{{"S", "pin", "10"}}
                                            << QByteArray("[a]\r\nx = 1 \r\n[s]\r\nPIN=10\r\n;c\r\n");
        QTest::newRow("add key at end of its section") << QByteArray("[s]\nA=1\n\n[b]\nB=2\n") << pin << QByteArray("[s]\nA=1\nPIN=10\n\n[b]\nB=2\n");
        QTest::newRow("add section after a carriage return") << QByteArray("[a]\r\nx=1\r") << pin << QByteArray("[a]\r\nx=1\r\n[s]\r\nPIN=10\r\n");
        QTest::newRow("Latin-1 key keeps its bytes") << QByteArray("[s]\ncaff\xe8 = 1\n") << QList<QStringList>{{"s", "CAFF\u00c8", "10"}}
                                                     << QByteArray("[s]\ncaff\xe8=10\n");
        QTest::newRow("no file") << QByteArray() << pin << QByteArray("[s]\nPIN=10\n");
        QTest::newRow("a key into the section the first one added") << QByteArray("[a]\nA=1\n")
            << QList<QStringList>{{"s", "PIN", "10"}, {"S", "MAX", "180"}} << QByteArray("[a]\nA=1\n[s]\nPIN=10\nMAX=180\n");
        QTest::newRow("unfinished last line, then a new section") << QByteArray("[s]\nA=1")
            << QList<QStringList>{{"s", "B", "2"}, {"t", "C", "3"}} << QByteArray("[s]\nA=1\nB=2\n[t]\nC=3\n");
        // clang-format on
    }
    void writeChangesOnlyItsOwnLines()
    {
        QFETCH(QByteArray, before);
        QFETCH(QList<QStringList>, values);
        QFETCH(QByteArray, after);
        TestProgramDirectory directory(before);
        QList<ProfileFile::Setting> settings;
        for (const QStringList& value : values)
            settings.append({value[0], value[1], value[2]});
        QVERIFY(settings.size() > 1 ? ProfileFile::write(directory.settingsPath(), settings)
                                    : scrivi_ini(directory.settingsPath(), values[0][0], values[0][1], values[0][2]));
        QCOMPARE(directory.readSettings(), after);
    }

    void loadsTheWholeRecordWithFastSpeedsWhole()
    {
        TestProgramDirectory directory(QByteArray(Standard).replace("9600,n,8,1", " 115200 ,n,8,1"));
        GlobalSettings settings;
        QVERIFY(!carica_ini(directory.path(), settings));
        QStringList texts;
        for (const SettingKey& key : SettingKeys)
            texts << settings.text(key.setting);
        QCOMPARE(texts, QStringList({"C:\\VELTRANO", "\\DATABASE\\VELTRANO.MDB", "IZ0ABC", "Rel. 2.1", "6",
                                     "115200 ,n,8,1", "9", "180", "0"}));
        QCOMPARE(settings.BAUD, 115200);
        // Without the key, the memory file is the usual one.
        TestProgramDirectory without(QByteArray(Standard).replace("path_DATI", "other"));
        QVERIFY(!carica_ini(without.path(), settings));
        QCOMPARE(settings.path_DATI, QStringLiteral("\\DATABASE\\VELTRANO.MDB"));
    }

    // A value it cannot use names its key; a file in a form no settings file has is refused as such,
    // and not written.
    void refusesWhatItCannotUse_data()
    {
        QTest::addColumn<QByteArray>("from");
        QTest::addColumn<QByteArray>("to");
        QTest::addColumn<QString>("key");    // empty: the whole file is refused
        QTest::addColumn<QString>("reason"); // how the message of a refused file starts
        // The [rig] keys may be missing, but what is there is checked: the whole numbers by one table.
        const QByteArray rig = "[rig]\r\n";
        // clang-format off
        QTest::newRow("no file") << Standard << QByteArray() << "PORTACOM" << "";
        QTest::newRow("port beyond 16 bits") << QByteArray("PORTACOM=6") << QByteArray("PORTACOM=32768") << "PORTACOM" << "";
        QTest::newRow("pin fraction") << QByteArray("PIN=9") << QByteArray("PIN=9.5") << "PIN" << "";
        QTest::newRow("speed alone") << QByteArray("9600,n,8,1") << QByteArray("9600") << "PORTACOMSET" << "";
        QTest::newRow("database empty") << QByteArray("path_DATI=\\DATABASE\\VELTRANO.MDB") << QByteArray("path_DATI= ") << "path_DATI" << "";
        QTest::newRow("database outside the program") << QByteArray("path_DATI=\\DATABASE") << QByteArray("path_DATI=\\..\\..\\etc") << "path_DATI" << "";
        QTest::newRow("rig host empty") << QByteArray("[porte]") << rig + "HOST=\r\n[porte]" << "HOST" << "";
        QTest::newRow("rig port zero") << QByteArray("[porte]") << rig + "PORT=0\r\n[porte]" << "PORT" << "";
        QTest::newRow("tune mode with a blank") << QByteArray("[porte]") << rig + "TUNE_MODE=F M\r\n[porte]" << "TUNE_MODE" << "";
        // clang-format on
        QByteArray notepad = "\xFF\xFE"; // little-endian, with its mark
        QByteArray bigEndian;
        for (char byte : Standard) {
            notepad += QByteArray(1, byte) + '\0';
            bigEndian += QByteArray(1, '\0') + byte;
        }
        const QString utf16 = QStringLiteral("VELTRANO.ini cannot be used: it is saved as UTF-16");
        QTest::newRow("UTF-16 as Notepad saves it") << Standard << notepad << "" << utf16;
        QTest::newRow("UTF-16, big-endian, no mark") << Standard << bigEndian << "" << utf16;
        QTest::newRow("carriage returns alone")
            << QByteArray("\r\n") << QByteArray("\r") << ""
            << "VELTRANO.ini cannot be used: its lines end with a carriage return alone";
    }
    void refusesWhatItCannotUse()
    {
        QFETCH(QByteArray, from);
        QFETCH(QByteArray, to);
        QFETCH(QString, key);
        QFETCH(QString, reason);
        const QByteArray contents = QByteArray(Standard).replace(from, to);
        TestProgramDirectory directory(contents);
        GlobalSettings settings;
        settings.RELEASE = QStringLiteral("untouched");
        const auto problem = carica_ini(directory.path(), settings);
        QVERIFY(problem);
        QCOMPARE(settings.RELEASE, QStringLiteral("untouched"));
        if (!key.isEmpty()) {
            QCOMPARE(problem->key, key);
            QVERIFY(problem->message().contains(key) && problem->message().contains(problem->section));
            return;
        }
        QVERIFY2(problem->message().startsWith(reason), qPrintable(problem->message()));
        QString error;
        QVERIFY(!scrivi_ini(directory.settingsPath(), "sezione 8", "PIN", "10", &error));
        QVERIFY2(error.contains(reason.mid(reason.indexOf(u':') + 2)), qPrintable(error));
        QCOMPARE(directory.readSettings(), contents);
    }

    void rigSectionTakesDefaultsForWhatIsMissing_data()
    {
        QTest::addColumn<QByteArray>("section");
        QTest::addColumn<RigSettings>("expected");
        QTest::newRow("some keys, any letter case") << QByteArray("[RIG]\r\nhost=shack.local\r\nFollow=1\r\n")
                                                    << RigSettings{QStringLiteral("shack.local"), 4532, 1, 100};
        QTest::newRow("every key at its limits")
            << QByteArray("[rig]\r\nHOST=::1\r\nPORT=65535\r\nFOLLOW=0\r\nPOLL_MS=5000\r\nTUNE_TX=1\r\n"
                          "TUNE_POWER=100\r\nTUNE_MODE=pktfm\r\nTUNE_MAX_S=60\r\nTUNE_SETTLE_MS=0\r\n"
                          "PEAK_SETTLE_MS=5000\r\nLEARN_MAX_S=10\r\nDRIFT_HOURS=168\r\n")
            << RigSettings{QStringLiteral("::1"),   65535, 0, 5000, 1,  100,
                           QStringLiteral("PKTFM"), 60,    0, 5000, 10, 168};
    }
    void rigSectionTakesDefaultsForWhatIsMissing()
    {
        QFETCH(QByteArray, section);
        QFETCH(RigSettings, expected);
        TestProgramDirectory directory(Standard + section);
        GlobalSettings settings;
        QVERIFY(!carica_ini(directory.path(), settings));
        QCOMPARE(settings.rig, expected);
        // What the rig window writes reads back the same.
        QVERIFY(writeRigSettings(directory.settingsPath(), expected));
        GlobalSettings again;
        QVERIFY(!carica_ini(directory.path(), again));
        QCOMPARE(again.rig, expected);
    }

    void editorWritesTheFieldsAsTypedReloadsOnlyOnReadAndReportsWhatItCannotUseOrWrite()
    {
        EditorRig rig;
        QCOMPARE(texts(rig.editor, {"Text1", "Text7", "Text10"}), QStringLiteral("C:\\VELTRANO|9600,n,8,1|0"));
        rig.set("Text8", QStringLiteral("10"));
        rig.set("Text9", QStringLiteral("  150"));
        // One replacement: a reader (or a crash) never meets the file with only some rows written.
        QCOMPARE(replacementsOfTheFileBy(rig.directory, [&] { rig.click("Command2"); }), 1);
        QCOMPARE(rig.directory.readSettings(),
                 QByteArray(Standard).replace("PIN=9", "PIN=10").replace("MAXROT=180", "MAXROT=  150"));
        QCOMPARE(rig.settings.PIN, 9);
        rig.click("Command1");
        QCOMPARE(rig.settings.PIN, 10);
        QCOMPARE(texts(rig.editor, {"Text9"}), QStringLiteral("150"));
        // Leaving without writing keeps the file as it is.
        QByteArray written = rig.directory.readSettings();
        rig.set("Text6", QStringLiteral("3"));
        rig.click("Command3");
        QCOMPARE(rig.directory.readSettings(), written);
        rig.set("Text8", QStringLiteral("pin"));
        rig.click("Command2"); // the editor itself validates nothing
        rig.click("Command1");
        QCOMPARE(texts(rig.editor, {"Text8"}) + QString::number(rig.settings.PIN), QStringLiteral("pin10"));
        // Neither a read-only file nor a full disk, which shows only when the bytes are flushed, is written.
        written = rig.directory.readSettings();
        QFile::setPermissions(rig.directory.settingsPath(), QFile::ReadOwner);
        rig.set("Text8", QStringLiteral("10"));
        rig.click("Command2");
        QCOMPARE(rig.directory.readSettings(), written);
        QFile::setPermissions(rig.directory.settingsPath(), QFile::ReadOwner | QFile::WriteOwner);
        {
            FullDisk full;
            rig.click("Command2");
        }
        const QStringList boxes = rig.platform.boxes();
        QVERIFY2(boxes.size() == 3 && boxes[0].contains(u"\"PIN\"") && boxes[1].startsWith(u"WRITE ERROR|") &&
                     boxes[2].contains(rig.directory.settingsPath() + ": File too large"),
                 qPrintable(boxes.join(u'\n')));
        QCOMPARE(rig.directory.readSettings(), written);
        QCOMPARE(QDir(rig.directory.path()).entryList(QDir::Files), QStringList{"VELTRANO.ini"});
    }
};

QTEST_MAIN(TestSettings)
#include "tst_settings.moc"
