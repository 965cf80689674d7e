#include "GlobalSettings.h"
#include "ProfileFile.h"
#include "TestProgramDirectory.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QByteArray Standard = TestProgramDirectory::standardSettings(QStringLiteral("/dev/ttyACM0"));

QString read(const QByteArray& contents, const char* section, const char* key)
{
    return ProfileFile(contents)
        .value(QString::fromLatin1(section), QString::fromLatin1(key))
        .value_or(QStringLiteral("<missing>"));
}

} // namespace

class TestSettings : public QObject {
    Q_OBJECT
private slots:
    void lookupFollowsThePrivateProfileRules()
    {
        const QByteArray file = "; a comment\n"
                                "[Sezione 8]\n"
                                "  pin   =   10  \n"
                                "PIN=11\n"
                                "quoted=\" spaced \"\n"
                                "empty=\n"
                                "[sezione 8]\n"
                                "other=1\n"
                                "[sezione 9]\r\n"
                                "MAXROT=150\r\n";
        QCOMPARE(read(file, "SEZIONE 8", "PIN"), QStringLiteral("10")); // case ignored, first match wins
        QCOMPARE(read(file, "sezione 8", "quoted"), QStringLiteral(" spaced "));
        QCOMPARE(read(file, "sezione 8", "empty"), QString());
        QCOMPARE(read(file, "sezione 8", "other"), QStringLiteral("<missing>")); // second section never read
        QCOMPARE(read(file, "sezione 9", "MAXROT"), QStringLiteral("150"));
        QCOMPARE(read(file, "sezione 9", "PIN"), QStringLiteral("<missing>"));      // keys belong to their section
        QCOMPARE(read("PIN=9\n", "sezione 8", "PIN"), QStringLiteral("<missing>")); // no section at all
        QCOMPARE(read(QByteArray("\x00\xff\x01[\x80", 5), "sezione 8", "PIN"), QStringLiteral("<missing>"));
    }

    void longValuesAreCut()
    {
        const QByteArray file = "[s]\nk=" + QByteArray(2000, 'x') + "\n";
        QCOMPARE(read(file, "s", "k").size(), 1022);
    }

    void leggiIniGivesEmptyTextForAnythingNotFound()
    {
        TestProgramDirectory directory("[sezione 3]\nUTENTE=Not Found\n[sezione 5]\nRELEASE=not found\n");
        QCOMPARE(leggi_ini(directory.path(), "VELTRANO.ini", "sezione 3", "UTENTE"), QString());
        QCOMPARE(leggi_ini(directory.path(), "VELTRANO.ini", "sezione 5", "RELEASE"), QStringLiteral("not found"));
        QCOMPARE(leggi_ini(directory.path(), "VELTRANO.ini", "sezione 4", "X"), QString());
        QCOMPARE(leggi_ini(directory.path(), "MISSING.ini", "sezione 3", "UTENTE"), QString());
    }

    void writeChangesOnlyItsOwnLine_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QByteArray>("after");
        QTest::newRow("replace, CRLF kept")
            << QByteArray("[a]\r\nx = 1 \r\n[sezione 8]\r\nPIN = 9\r\n;c\r\n") << "SEZIONE 8"
            << "pin" << QByteArray("[a]\r\nx = 1 \r\n[sezione 8]\r\nPIN=10\r\n;c\r\n");
        QTest::newRow("add key at end of its section") << QByteArray("[sezione 8]\nA=1\n\n[b]\nB=2\n") << "sezione 8"
                                                       << "PIN" << QByteArray("[sezione 8]\nA=1\nPIN=10\n\n[b]\nB=2\n");
        QTest::newRow("add section") << QByteArray("[a]\nA=1") << "sezione 8"
                                     << "PIN" << QByteArray("[a]\nA=1\n[sezione 8]\nPIN=10\n");
        QTest::newRow("section with no line end") << QByteArray("[sezione 8]") << "sezione 8"
                                                  << "PIN" << QByteArray("[sezione 8]\nPIN=10\n");
        QTest::newRow("file ends in a carriage return")
            << QByteArray("[a]\r\nx=1\r\n[sezione 8]\r") << "sezione 8"
            << "PIN" << QByteArray("[a]\r\nx=1\r\n[sezione 8]\r\nPIN=10\r\n");
        QTest::newRow("new section after a carriage return")
            << QByteArray("[a]\r\nx=1\r") << "sezione 8"
            << "PIN" << QByteArray("[a]\r\nx=1\r\n[sezione 8]\r\nPIN=10\r\n");
        QTest::newRow("byte-order mark alone") << QByteArray("\xEF\xBB\xBF") << "sezione 8"
                                               << "PIN" << QByteArray("\xEF\xBB\xBF[sezione 8]\nPIN=10\n");
        QTest::newRow("Latin-1 key keeps its bytes")
            << QByteArray("[sezione 3]\ncaff\xe8 = 1\n") << "sezione 3" << QStringLiteral("CAFF\u00c8")
            << QByteArray("[sezione 3]\ncaff\xe8=10\n");
    }
    void writeChangesOnlyItsOwnLine()
    {
        QFETCH(QByteArray, before);
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QByteArray, after);
        TestProgramDirectory directory(before);
        QVERIFY(scrivi_ini(directory.settingsPath(), section, key, QStringLiteral("10")));
        QCOMPARE(directory.readSettings(), after);
    }

    // One write of several values gives the bytes of writing them one after another.
    void severalValuesLandAsIfWrittenInTurn_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QList<QStringList>>("values");
        QTest::addColumn<QByteArray>("after");
        QTest::newRow("a key into the section the first one added")
            << QByteArray("[a]\nA=1\n") << QList<QStringList>{{"s", "PIN", "10"}, {"S", "MAX", "180"}}
            << QByteArray("[a]\nA=1\n[s]\nPIN=10\nMAX=180\n");
        QTest::newRow("the same key twice: the last value")
            << QByteArray("[s]\r\nk=1\r\n") << QList<QStringList>{{"s", "k", "2"}, {"s", "K", "3"}}
            << QByteArray("[s]\r\nk=3\r\n");
        QTest::newRow("unfinished last line, then a new section")
            << QByteArray("[s]\nA=1") << QList<QStringList>{{"s", "B", "2"}, {"t", "C", "3"}}
            << QByteArray("[s]\nA=1\nB=2\n[t]\nC=3\n");
    }
    void severalValuesLandAsIfWrittenInTurn()
    {
        QFETCH(QByteArray, before);
        QFETCH(QList<QStringList>, values);
        QFETCH(QByteArray, after);
        TestProgramDirectory directory(before);
        QList<ProfileFile::Setting> settings;
        for (const QStringList& value : values)
            settings.append({value[0], value[1], value[2]});
        QVERIFY(ProfileFile::write(directory.settingsPath(), settings));
        QCOMPARE(directory.readSettings(), after);
    }

    void linesThatAreNotUtf8ReadAsLatin1()
    {
        const QByteArray file = "\xEF\xBB\xBF[sezione 3]\nUTENTE=Jos\xe9\n[sezione 2]\npath_DATI=\\caff\xc3\xa8.MDB\n";
        QCOMPARE(read(file, "sezione 3", "UTENTE"), QStringLiteral("Jos\u00e9"));
        QCOMPARE(read(file, "sezione 2", "path_DATI"), QStringLiteral("\\caff\u00e8.MDB")); // the UTF-8 line
    }

    // Whatever the file, a key written reads back as written, and other lines keep their bytes.
    void writtenValuesReadBack_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QByteArray>("line");
        QTest::newRow("Latin-1 file, Latin-1 value")
            << QByteArray("[s]\nA=Jos\xe9\nk=1\n") << QStringLiteral("caff\u00e8") << QByteArray("k=caff\xe8");
        QTest::newRow("Latin-1 file, value Latin-1 cannot hold")
            << QByteArray("[s]\nA=Jos\xe9\nk=1\n") << QStringLiteral("\u20ac 5") << QByteArray("k=\xe2\x82\xac 5");
        QTest::newRow("Latin-1 file, value whose Latin-1 bytes are UTF-8")
            << QByteArray("[s]\nA=Jos\xe9\nk=1\n") << QStringLiteral("\u00c3\u00a9")
            << QByteArray("k=\xc3\x83\xc2\xa9");
        QTest::newRow("UTF-8 file") << QByteArray("[s]\nA=Jos\xc3\xa9\nk=1\n") << QStringLiteral("caff\u00e8")
                                    << QByteArray("k=caff\xc3\xa8");
        QTest::newRow("key's line the only Latin-1 one")
            << QByteArray("[s]\nA=\xc3\xa9\nk=\xff\n") << QStringLiteral("\u00c3\u00a9")
            << QByteArray("k=\xc3\x83\xc2\xa9");
        QTest::newRow("byte-order mark inside the file")
            << QByteArray("[s]\nA=1\n\t\xEF\xBB\xBFk=1\n") << QStringLiteral("2") << QByteArray("\xEF\xBB\xBFk=2");
    }
    void writtenValuesReadBack()
    {
        QFETCH(QByteArray, before);
        QFETCH(QString, value);
        QFETCH(QByteArray, line);
        const ProfileFile file(before);
        const QString key = file.keys(QStringLiteral("s")).constLast();
        const QString a = read(before, "s", "A");
        const QByteArray after = file.withValue(QStringLiteral("s"), key, value);
        QCOMPARE(ProfileFile(after).value(QStringLiteral("s"), key), std::optional<QString>(value));
        QCOMPARE(read(after, "s", "A"), a);
        QVERIFY(after.split('\n').contains(line));
        const QByteArray untouched =
            before.left(before.lastIndexOf('\n', before.size() - 2) + 1); // all but the key's line
        QVERIFY(after.startsWith(untouched));
    }

    void writeCreatesAMissingFileAndKeepsValuesOnOneLine()
    {
        QTemporaryDir directory;
        const QString path = directory.filePath(QStringLiteral("VELTRANO.ini"));
        QVERIFY(
            scrivi_ini(path, QStringLiteral("sezione 3"), QStringLiteral("UTENTE"), QStringLiteral("  IZ0ABC\r\n[x]")));
        QCOMPARE(ProfileFile::load(path).value(QStringLiteral("sezione 3"), QStringLiteral("UTENTE")),
                 std::optional<QString>(QStringLiteral("IZ0ABC  [x]")));
        QCOMPARE(ProfileFile::load(path).keys(QStringLiteral("x")), QStringList());
    }

    void writeToAReadOnlyFileFailsAndLeavesItAlone()
    {
        TestProgramDirectory directory(Standard);
        QFile::setPermissions(directory.settingsPath(), QFile::ReadOwner);
        QString error;
        QVERIFY(!scrivi_ini(directory.settingsPath(), QStringLiteral("sezione 8"), QStringLiteral("PIN"),
                            QStringLiteral("10"), &error));
        QVERIFY(!error.isEmpty());
        QCOMPARE(directory.readSettings(), Standard);
    }

    void loadsTheWholeRecord()
    {
        TestProgramDirectory directory(Standard);
        GlobalSettings settings;
        QVERIFY(!carica_ini(directory.path(), settings));
        QCOMPARE(settings.path_PROC, QStringLiteral("C:\\VELTRANO"));
        QCOMPARE(settings.path_DATI, QStringLiteral("\\DATABASE\\VELTRANO.MDB"));
        QCOMPARE(settings.UTENTE, QStringLiteral("IZ0ABC"));
        QCOMPARE(settings.RELEASE, QStringLiteral("Rel. 2.1"));
        QCOMPARE(settings.PORTACOM, 6);
        QCOMPARE(settings.PORTACOMSET, QStringLiteral("9600,n,8,1"));
        QCOMPARE(settings.BAUD, 9600);
        QCOMPARE(settings.PIN, 9);
        QCOMPARE(settings.MAXROT, 180);
        QCOMPARE(settings.MINROT, 0);
        QCOMPARE(settings.portDevices.value(6), QStringLiteral("/dev/ttyACM0"));
    }

    void keepsFastSpeedsWhole()
    {
        TestProgramDirectory directory(QByteArray(Standard).replace("9600,n,8,1", " 115200 ,n,8,1"));
        GlobalSettings settings;
        QVERIFY(!carica_ini(directory.path(), settings));
        QCOMPARE(settings.BAUD, 115200);
    }

    void refusesNumbersItCannotUse_data()
    {
        QTest::addColumn<QByteArray>("from");
        QTest::addColumn<QByteArray>("to");
        QTest::addColumn<QString>("key");
        QTest::newRow("port missing") << QByteArray("PORTACOM=6") << QByteArray("") << "PORTACOM";
        QTest::newRow("port empty") << QByteArray("PORTACOM=6") << QByteArray("PORTACOM=") << "PORTACOM";
        QTest::newRow("port zero") << QByteArray("PORTACOM=6") << QByteArray("PORTACOM=0") << "PORTACOM";
        QTest::newRow("pin not a number") << QByteArray("PIN=9") << QByteArray("PIN=nine") << "PIN";
        QTest::newRow("pin fraction") << QByteArray("PIN=9") << QByteArray("PIN=9.5") << "PIN";
        QTest::newRow("max too big") << QByteArray("MAXROT=180") << QByteArray("MAXROT=40000") << "MAXROT";
        QTest::newRow("min 2000 characters") << QByteArray("MINROT=0") << "MINROT=" + QByteArray(2000, '7') << "MINROT";
        QTest::newRow("min Not Found") << QByteArray("MINROT=0") << QByteArray("MINROT=Not Found") << "MINROT";
        QTest::newRow("line settings without comma") << QByteArray("9600,n,8,1") << QByteArray("9600") << "PORTACOMSET";
        QTest::newRow("database outside the program")
            << QByteArray("path_DATI=\\DATABASE") << QByteArray("path_DATI=\\..\\..\\etc") << "path_DATI";
        QTest::newRow("speed not a number") << QByteArray("9600,n,8,1") << QByteArray("fast,n,8,1") << "PORTACOMSET";
    }
    void refusesNumbersItCannotUse()
    {
        QFETCH(QByteArray, from);
        QFETCH(QByteArray, to);
        QFETCH(QString, key);
        TestProgramDirectory directory(QByteArray(Standard).replace(from, to));
        GlobalSettings settings;
        settings.RELEASE = QStringLiteral("untouched");
        const auto problem = carica_ini(directory.path(), settings);
        QVERIFY(problem);
        QCOMPARE(problem->key, key);
        QVERIFY(problem->message().contains(key));
        QVERIFY(problem->message().contains(problem->section));
        QCOMPARE(settings.RELEASE, QStringLiteral("untouched"));
    }

    void aMissingFileIsReported()
    {
        QTemporaryDir empty;
        GlobalSettings settings;
        const auto problem = carica_ini(empty.path(), settings);
        QVERIFY(problem);
        QCOMPARE(problem->key, QStringLiteral("PORTACOM"));
    }
};

QTEST_MAIN(TestSettings)
#include "tst_settings.moc"
