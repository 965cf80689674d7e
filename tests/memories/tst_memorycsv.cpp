#include "FullDisk.h"
#include "MemoryCsv.h"
#include "MemoryStore.h"
#include "OtherConnection.h"
#include "TestProgramDirectory.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

const TypedMemory Forty = {"40", "FT8", "7074", "95", "", true};

// A memory as one line: band|mode|kHz|degrees|command|valid|note.
QString described(const StoredMemory& memory)
{
    return QStringList{memory.band,      memory.mode,
                       memory.frequency, QString::number(memory.degrees),
                       memory.command,   memory.valid ? "1" : "0",
                       memory.note}
        .join(u'|');
}

// A memory file holding 40 / FT8 / 7074, closed again, where the program looks for it, and a CSV file.
struct TransferRig {
    QTemporaryDir directory;
    QString database = directory.filePath(QStringLiteral("DATABASE/VELTRANO.MDB"));
    QString csv = directory.filePath(QStringLiteral("memories.csv"));
    MemoryStore store;

    explicit TransferRig(const QList<TypedMemory>& memories = {Forty})
    {
        store.open(database);
        for (const TypedMemory& memory : memories)
            store.add(memory);
        store.close();
    }
    TransferReport import(const QByteArray& contents)
    {
        writeFile(csv, contents);
        return importMemoriesFromCsv(store, database, csv);
    }
    QStringList stored()
    {
        store.open(database);
        QStringList all;
        for (const StoredMemory& memory : store.memories().value_or(QList<StoredMemory>()))
            all.append(described(memory));
        store.close();
        return all;
    }
};

} // namespace

class TestMemoryCsv : public QObject {
    Q_OBJECT
private slots:
    void importsWhatMdbExportAndSpreadsheetsWrite_data()
    {
        QTest::addColumn<QByteArray>("csv");
        QTest::addColumn<QStringList>("added");
        QTest::addColumn<QString>("counts");
        QTest::newRow("mdb-export") << QByteArray("ID,BANDA,MODO,FREQUENZA,GRADI,COMANDO,valido,NOTE\n"
                                                  "7,\"20\",\"ssb\",\"14200\",110.00,\"A,110\",1,\"dipole, "
                                                  "\"\"short\"\"\nsecond line\"\n"
                                                  "8,\"CB\",\"AM\",\"27125\",0.00,\"\",0,\n"
                                                  "9,\"40\",\"FT8\",\"7074\",95.00,\"A,95\",1,\"again\"\n")
                                    << QStringList{"20|SSB|14200|110|A,110|1|dipole, \"short\"\nsecond line",
                                                   "CB|AM|27125|0||0|"}
                                    << "2 memories added, 1 duplicate skipped.";
        QTest::newRow("spreadsheet: BOM, CR LF, any order and case, other columns, short row, no valido")
            << QByteArray("\xEF\xBB\xBFGradi,Frequenza,Modo,Banda,Extra,Note\r\n"
                          "45.5,3573,ft8 ,80,x, tuned \r\n"
                          "\r\n"
                          "12,28074,FT4,10\r\n")
            << QStringList{"80|FT8|3573|45.5|A,45.5|1|tuned", "10|FT4|28074|12|A,12|1|"}
            << "2 memories added, 0 duplicates skipped.";
        QTest::newRow("flags in words, command as typed, duplicates as NEW sees them")
            << QByteArray("banda,modo,frequenza,gradi,comando,VALIDO\n"
                          "\"6\",\"CW\",\"50090\",\"095\",\"A,095\",TRUE\n"
                          "17,RTTY,18100,30,,false\n"
                          " 40 ,ft8,7074.0,96,,true\n"
                          "6,cw,50090,1,,FALSE\n")
            << QStringList{"6|CW|50090|95|A,095|1|", "17|RTTY|18100|30||0|"}
            << "2 memories added, 2 duplicates skipped.";
        const QString longNote = "tab\there\r\n" + QString(4000 - 10, u'n');
        QTest::newRow("at the limits") << "BANDA,MODO,FREQUENZA,GRADI,NOTE\n12345678,CW,0,-32768,\"" +
                                              longNote.toUtf8() + "\"\n160,CW,99999,32767,\n"
                                       << QStringList{"12345678|CW|0|-32768|A,-32768|1|" + longNote,
                                                      "160|CW|99999|32767|A,32767|1|"}
                                       << "2 memories added, 0 duplicates skipped.";
    }

    void importsWhatMdbExportAndSpreadsheetsWrite()
    {
        QFETCH(QByteArray, csv);
        QFETCH(QStringList, added);
        QFETCH(QString, counts);
        TransferRig rig;
        const TransferReport report = rig.import(csv);
        QVERIFY2(report.done, qPrintable(report.text));
        QCOMPARE(rig.stored(), QStringList{"40|FT8|7074|95|A,95|1|"} + added);
        QCOMPARE(report.text, "Imported " + QDir::toNativeSeparators(rig.csv) + ": " + counts);
    }

    void refusedFilesLeaveTheMemoryFileAsItWas_data()
    {
        QTest::addColumn<QByteArray>("csv");
        QTest::addColumn<QString>("reason");
        const QByteArray header = "BANDA,MODO,FREQUENZA,GRADI,valido,NOTE\n";
        QTest::newRow("columns missing") << QByteArray("ID,banda,FREQUENZA,NOTE\n1,40,7074,x\n")
                                         << "line 1: the columns MODO, GRADI are missing";
        QTest::newRow("kHz not a number, after a note on two lines")
            << header + "20,CW,14060,30,1,\"two\r\nlines\"\n15,AM,2I000,12,1,\n"
            << "line 4: the FREQUENZA value \"2I000\" is not a number";
        QTest::newRow("valid flag not a flag") << header + "20,CW,14060,30,yes,\n"
                                               << "line 2: the valido value \"yes\" is not 1, 0, TRUE or FALSE";
        QTest::newRow("band empty") << header + " ,CW,14060,30,1,\n"
                                    << "line 2: the BANDA value is empty";
        QTest::newRow("quote not closed") << header + "20,CW,14060,30,1,\"note\n15,AM,21000,12,1,\n"
                                          << "line 2: the quoted field that starts here is not closed";
        QTest::newRow("text after a closing quote") << header + "\"20\"m,CW,14060,30,1,\n"
                                                    << "line 2: there is text after the closing quote";
        QTest::newRow("UTF-8 cut off at the end") << header + "20,CW,14060,30,1,\n20,CW,14070,30,1,caf\xC3"
                                                  << "line 3: the text is not UTF-8";
        QTest::newRow("empty file") << QByteArray() << "memories.csv: the file is empty";
        // A long value is quoted only in part; each limit of the editor holds.
        QTest::newRow("a huge kHz field, quoted in part")
            << header + "20,CW," + QByteArray(1000000, '7') + "x,30,1,\n"
            << "line 2: the FREQUENZA value \"" + QString(40, u'7') + "\u2026\" is not a number";
        // clang-format off
        QTest::newRow("band too long") << header + "123456789,CW,14060,30,1,\n" << "line 2: the BANDA value \"123456789\" is longer than 8 characters";
        QTest::newRow("kHz with a fraction") << header + "20,CW,14060.5,30,1,\n" << "line 2: the FREQUENZA value \"14060.5\" is not a whole number of kHz from 0 to 99999";
        QTest::newRow("kHz too high") << header + "20,CW,100000,30,1,\n" << "line 2: the FREQUENZA value \"100000\" is not a whole number";
        QTest::newRow("kHz below 0") << header + "20,CW,-1,30,1,\n" << "line 2: the FREQUENZA value \"-1\" is not a whole number";
        QTest::newRow("degrees past 16 bits") << header + "20,CW,14060,-32769,1,\n" << "line 2: the GRADI value \"-32769\" is not a number from -32768 to 32767";
        QTest::newRow("NUL in the band") << header + QByteArray("4\0,FT8,7074,95,1,\n", 18) << "line 2: the BANDA value holds a control character (U+0000)";
        QTest::newRow("escape in a note") << header + "20,CW,14060,30,1,\"a\x1b[2J\"\n" << "line 2: the NOTE value holds a control character (U+001b)";
        QTest::newRow("note too long") << header + "20,CW,14060,30,1," + QByteArray(4001, 'n') + "\n" << "line 2: the NOTE value is longer than 4000 characters";
        // clang-format on
        // One number is left below the highest, so the second row fails after the first was added.
        QTest::newRow("numbers run out halfway") << header + "20,CW,14060,30,1,\n15,AM,21000,12,1,\n"
                                                 << "32767";
    }

    void refusedFilesLeaveTheMemoryFileAsItWas()
    {
        QFETCH(QByteArray, csv);
        QFETCH(QString, reason);
        TransferRig rig;
        OtherConnection(rig.database).exec(QStringLiteral("INSERT INTO MEMO_BANDA (ID, BANDA) VALUES (32766, '6')"));
        const QByteArray before = fileContents(rig.database);
        const TransferReport report = rig.import(csv);
        QVERIFY(!report.done);
        QVERIFY2(report.text.contains(reason) && report.text.endsWith(u"Nothing was imported.") &&
                     report.text.size() < 300,
                 qPrintable(report.text.left(300)));
        QCOMPARE(fileContents(rig.database), before);
    }

    void roundTripGivesTheSameMemories()
    {
        TransferRig from({{" 40 ", "ft8", "7074", "95.0", "it's \"tuned\", see\nthe log", true},
                          {"20", "CW", "14060", "30", "", false},
                          {"CB", "àm", "27125", "12.5", "ça va", true}});
        QVERIFY(exportMemoriesToCsv(from.store, from.database, from.csv).done);
        QVERIFY(fileContents(from.csv).startsWith("ID,BANDA,MODO,FREQUENZA,GRADI,COMANDO,valido,NOTE\r\n"));

        TransferRig into(QList<TypedMemory>{});
        QVERIFY(importMemoriesFromCsv(into.store, into.database, from.csv).done);
        QCOMPARE(into.stored(), from.stored());
        QCOMPARE(into.stored().first(), QStringLiteral("40|FT8|7074|95|A,95.0|1|it's \"tuned\", see\nthe log"));
    }

    void commandLine_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("out");
        QTest::addColumn<QString>("error");
        QTest::addColumn<bool>("diskFull");
        // clang-format off
        QTest::newRow("export") << QStringList{"--export-memories", "out.csv"} << 0 << "Exported 1 memory to out.csv.\n" << "" << false;
        QTest::newRow("import") << QStringList{"--import-memories=in.csv"} << 0 << "Imported in.csv: 1 memory added, 1 duplicate skipped.\n" << "" << false;
        QTest::newRow("bad row") << QStringList{"--import-memories", "bad.csv"} << 1 << ""
                                 << "veltrano: bad.csv, line 3: the GRADI value \"x\" is not a number. Nothing was imported.\n" << false;
        QTest::newRow("mistyped option") << QStringList{"--import-memory", "in.csv"} << 2 << "" << "veltrano: Unknown option 'import-memory'." << false;
        QTest::newRow("export, disk full") << QStringList{"--export-memories", "out.csv"} << 1 << ""
                                           << "veltrano: out.csv: cannot be written (File too large); the file was left as it was.\n" << true;
        // clang-format on
    }

    void commandLine()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QString, out);
        QFETCH(QString, error);
        QFETCH(bool, diskFull);
        TransferRig rig; // its directory is the program's
        const QDir here(rig.directory.path());
        QVERIFY(QFile::copy(QStringLiteral(VELTRANO_PROGRAM), here.filePath(QStringLiteral("veltrano"))));
        writeFile(here.filePath(QStringLiteral("VELTRANO.ini")),
                  TestProgramDirectory::standardSettings(QStringLiteral("/dev/null")));
        writeFile(here.filePath(QStringLiteral("in.csv")),
                  "BANDA,MODO,FREQUENZA,GRADI\n40,FT8,7074,95\n20,CW,14060,30\n");
        writeFile(here.filePath(QStringLiteral("bad.csv")),
                  "BANDA,MODO,FREQUENZA,GRADI\n40,FT8,7074,95\n20,CW,14060,x\n");
        const QString exported = here.filePath(QStringLiteral("out.csv"));
        writeFile(exported, "ID,BANDA,MODO,FREQUENZA,GRADI,COMANDO,valido,NOTE\r\n");
        const QByteArray before = fileContents(rig.database);
        const QByteArray exportedBefore = fileContents(exported);

        QProcess veltrano;
        if (diskFull)
            limitFileSizesOf(veltrano, exportedBefore.size());
        veltrano.setWorkingDirectory(here.path());
        // No window and no display: a program that made one would fail on this platform.
        qputenv("QT_QPA_PLATFORM", "none-at-all");
        veltrano.start(here.filePath(QStringLiteral("veltrano")), arguments);
        QVERIFY(veltrano.waitForFinished(20000));
        QCOMPARE(veltrano.exitStatus(), QProcess::NormalExit);
        const QString standardOut = QString::fromUtf8(veltrano.readAllStandardOutput());
        const QString standardError = QString::fromUtf8(veltrano.readAllStandardError());
        QVERIFY2(veltrano.exitCode() == exitCode, qPrintable(standardError));
        QVERIFY2(out.isEmpty() ? standardOut.isEmpty() : standardOut.contains(out), qPrintable(standardOut));
        QVERIFY2(error.isEmpty() ? standardError.isEmpty() : standardError.contains(error), qPrintable(standardError));
        if (exitCode != 0 || arguments.first().startsWith(u"--export"))
            QCOMPARE(fileContents(rig.database), before);
        if (exitCode != 0)
            QCOMPARE(fileContents(exported), exportedBefore);
    }
};

QTEST_GUILESS_MAIN(TestMemoryCsv)
#include "tst_memorycsv.moc"
