#include "MemoryStore.h"
#include "OtherConnection.h"
#include "TestProgramDirectory.h"
#include "Widgets.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSet>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <cstdio>

namespace {

TypedMemory memory(const QString& band, const QString& mode = QStringLiteral("SSB"),
                   const QString& frequency = QStringLiteral("7074"), bool valid = true)
{
    return {band, mode, frequency, QStringLiteral("9"), QString(), valid};
}

// A store on a file in a folder that does not exist yet.
struct StoreRig {
    QTemporaryDir directory;
    QString path = directory.filePath(QStringLiteral("DATABASE/VELTRANO.MDB"));
    MemoryStore store;

    QStringList listed(std::initializer_list<int> columns)
    {
        store.loadList(MemoryStore::WhenEmpty::KeepShown);
        return rowTexts(*store.list(), columns);
    }
};

// The child side of the kill test: adds memories one after another, saying each one as it is confirmed.
int addBurst(const QString& path)
{
    MemoryStore store;
    if (!store.open(path))
        return 1;
    for (int frequency = 1000;; ++frequency) {
        const auto number = store.add(memory(QStringLiteral("40"), QStringLiteral("FT8"), QString::number(frequency)));
        if (!number)
            return 1;
        std::printf("added %d\n", *number);
        std::fflush(stdout);
    }
}

} // namespace

class TestMemoryStore : public QObject {
    Q_OBJECT
private slots:
    void storesTrimmedCapitalsAndLeadingNumbersInBandOrder()
    {
        StoreRig rig;
        QVERIFY2(rig.store.open(rig.path), qPrintable(rig.store.problem()));
        QCOMPARE(rig.store.loadList(MemoryStore::WhenEmpty::Show), 0);
        QCOMPARE(rig.store.add({QStringLiteral(" 40 "), QStringLiteral("àltro"), QStringLiteral("7074"),
                                QStringLiteral("95.0 "), QStringLiteral(" it's \"tuned\" "), true}),
                 1);
        for (const char* band : {"CB", "6", "160", "3-30MHz"})
            QVERIFY(
                rig.store.add(memory(band, QStringLiteral("cw"), QStringLiteral("14060"), qstrcmp(band, "6") != 0)));
        QCOMPARE(rig.listed({ColumnBand, ColumnValid, ColumnCommand}),
                 QStringList({"160:True:A,9", "40:True:A,95.0", "6:False:", "3-30MHZ:True:A,9", "CB:True:A,9"}));
        // Duplicates ignore letter case, accented letters too, but not blanks.
        QCOMPARE(rig.store.hasDuplicate(QStringLiteral("40"), QStringLiteral("Àltro"), QStringLiteral("7074")), true);
        QCOMPARE(rig.store.hasDuplicate(QStringLiteral(" 40"), QStringLiteral("ÀLTRO"), QStringLiteral("7074")), false);
        rig.store.release();

        const QSqlQuery first = OtherConnection(rig.path).exec(QStringLiteral(
            "SELECT BANDA || '|' || MODO || '|' || FREQUENZA || '|' || typeof(FREQUENZA) || '|' || GRADI "
            "|| '|' || typeof(GRADI) || '|' || valido || '|' || NOTE FROM MEMO_BANDA WHERE ID = 1"));
        QCOMPARE(first.value(0).toString(), QStringLiteral("40|ÀLTRO|7074|text|95.0|real|1|it's \"tuned\""));
    }

    void numbersStayUniqueAfterDeletesAndEndAt32767()
    {
        StoreRig rig;
        QVERIFY(rig.store.open(rig.path));
        for (const char* band : {"10", "20", "30"})
            QVERIFY(rig.store.add(memory(band)));
        QVERIFY(rig.store.remove(2));
        QCOMPARE(rig.store.add(memory(QStringLiteral("40"))), 4);
        QVERIFY(rig.store.change(4, memory(QStringLiteral("17"), QStringLiteral("AM"))));
        QCOMPARE(rig.listed({ColumnId}), QStringList({"3", "4", "1"}));
        for (int number : {1, 3, 4})
            QVERIFY(rig.store.remove(number));
        // An emptied table leaves the list showing its last rows when the caller asks for that.
        QCOMPARE(rig.listed({ColumnId}), QStringList({"3", "4", "1"}));
        OtherConnection(rig.path).exec(QStringLiteral("INSERT INTO MEMO_BANDA (ID, BANDA) VALUES (32767, '6')"));
        QCOMPARE(rig.store.add(memory(QStringLiteral("40"))), std::nullopt);
        QVERIFY(rig.store.problem().contains(QStringLiteral("32767")));
    }

    void aBandsRangeIsReplacedInOneTransaction_data()
    {
        QTest::addColumn<QString>("obstacle"); // set up by another program before the replacement
        QTest::newRow("replaced") << QString();
        QTest::newRow("an insert refused after the deletions")
            << QStringLiteral("CREATE TRIGGER refuse BEFORE INSERT ON MEMO_BANDA WHEN NEW.FREQUENZA = '7200' "
                              "BEGIN SELECT RAISE(ABORT, 'disk full'); END");
        QTest::newRow("locked by another program") << QStringLiteral("BEGIN EXCLUSIVE");
    }

    // The memories of one band and mode within the range give way to the new ones, all at once or not
    // at all: a replacement that fails leaves every byte of the file as it was.
    void aBandsRangeIsReplacedInOneTransaction()
    {
        QFETCH(QString, obstacle);
        StoreRig rig;
        QVERIFY(rig.store.open(rig.path));
        const QList<TypedMemory> before = {memory("40", "ssb", "6990"),   memory("40", "SSB", "7000"),
                                           memory("40", "SSB", "7100.5"), memory("40", "CW", "7100"),
                                           memory("20", "SSB", "7100"),   memory("40", "SSB", "7201")};
        QVERIFY(rig.store.addAll(before.size(), [&](qsizetype i) { return before[i]; }));
        OtherConnection other(rig.path);
        if (!obstacle.isEmpty())
            QVERIFY(other.exec(obstacle).isActive());
        const QByteArray bytes = fileContents(rig.path);

        const QList<TypedMemory> learned = {memory("40", "SSB", "7000"), memory("40", "SSB", "7200")};
        const auto replaced = rig.store.replaceRange(QStringLiteral("40"), QStringLiteral("SSB"), 7000, 7200, learned);
        if (!obstacle.isEmpty()) {
            QCOMPARE(replaced, std::nullopt);
            QVERIFY(!rig.store.problem().isEmpty());
            rig.store.close();
            other.exec(QStringLiteral("ROLLBACK"));
            QCOMPARE(fileContents(rig.path), bytes);
            return;
        }
        QCOMPARE(replaced, 2);
        const auto after = rig.store.memories();
        QVERIFY2(after, qPrintable(rig.store.problem()));
        QStringList kept;
        for (const StoredMemory& stored : *after)
            kept << QStringLiteral("%1 %2 %3 %4 %5")
                        .arg(stored.number)
                        .arg(stored.band, stored.mode, stored.frequency, stored.command);
        QCOMPARE(kept, QStringList({"1 40 SSB 6990 A,9", "4 40 CW 7100 A,9", "5 20 SSB 7100 A,9", "6 40 SSB 7201 A,9",
                                    "7 40 SSB 7000 A,9", "8 40 SSB 7200 A,9"}));
    }

    void filesThatAreNotOursAreReportedAndLeftAlone_data()
    {
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<QString>("reason");
        QByteArray jet(2048, '\0');
        jet.replace(0, 19, QByteArray("\x00\x01\x00\x00Standard Jet DB", 19));
        QByteArray damaged = QByteArray("SQLite format 3\0", 16) + QByteArray(4080, '\x7f');
        // The message says how to bring its memories over.
        QTest::newRow("old Access file") << jet << "mdb-export VELTRANO.MDB MEMO_BANDA > memories.csv";
        QTest::newRow("text file") << QByteArray("BANDA;MODO\r\n40;FT8\r\n") << "not a memory database";
        QTest::newRow("damaged SQLite file") << damaged << "not a memory database";
    }

    void filesThatAreNotOursAreReportedAndLeftAlone()
    {
        QFETCH(QByteArray, contents);
        QFETCH(QString, reason);
        StoreRig rig;
        QDir(rig.directory.path()).mkdir(QStringLiteral("DATABASE"));
        QVERIFY(writeFile(rig.path, contents));

        QVERIFY(!rig.store.open(rig.path));
        QVERIFY2(rig.store.problem().contains(reason), qPrintable(rig.store.problem()));
        // Later operations repeat why the store is not available.
        QCOMPARE(rig.store.add(memory(QStringLiteral("40"))), std::nullopt);
        QVERIFY(rig.store.problem().contains(QDir::toNativeSeparators(rig.path)) &&
                rig.store.problem().contains(reason));
        QCOMPARE(fileContents(rig.path), contents);
    }

    void lockedAndReadOnlyFiles()
    {
        StoreRig rig;
        QVERIFY(rig.store.open(rig.path));
        QVERIFY(rig.store.add(memory(QStringLiteral("40"))));
        rig.store.close();
        {
            OtherConnection other(rig.path);
            QSqlQuery lock = other.exec(QStringLiteral("BEGIN EXCLUSIVE"));
            QVERIFY(!rig.store.open(rig.path));
            QVERIFY2(rig.store.problem().contains(QStringLiteral("locked")), qPrintable(rig.store.problem()));
            lock.exec(QStringLiteral("ROLLBACK"));
        }
        // A read-only file is shown but never written.
        QFile::setPermissions(rig.path, QFile::ReadOwner);
        const QByteArray before = fileContents(rig.path);

        QVERIFY(rig.store.open(rig.path));
        QCOMPARE(rig.listed({ColumnBand}), QStringList({"40"}));
        QCOMPARE(rig.store.add(memory(QStringLiteral("20"))), std::nullopt);
        QVERIFY2(rig.store.problem().contains(QStringLiteral("read-only")), qPrintable(rig.store.problem()));
        QVERIFY(!rig.store.remove(1));
        rig.store.close();
        QCOMPARE(fileContents(rig.path), before);
    }

    void confirmedAddsSurviveTheProgramBeingKilled()
    {
        QTemporaryDir directory;
        const QString path = directory.filePath(QStringLiteral("VELTRANO.MDB"));
        QProcess burst;
        burst.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--add-burst"), path});
        QVERIFY(burst.waitForStarted());
        QVERIFY(QTest::qWaitFor([&] { return burst.canReadLine() && burst.peek(1 << 16).count('\n') >= 40; }, 20000));
        ::kill(pid_t(burst.processId()), SIGKILL);
        QVERIFY(burst.waitForFinished(5000));
        const QByteArray confirmations = burst.readAllStandardOutput();

        OtherConnection check(path);
        QCOMPARE(check.exec(QStringLiteral("PRAGMA integrity_check")).value(0).toString(), QStringLiteral("ok"));
        QSet<int> stored;
        for (QSqlQuery ids = check.exec(QStringLiteral("SELECT ID FROM MEMO_BANDA")); ids.isValid(); ids.next())
            stored.insert(ids.value(0).toInt());
        QVERIFY(stored.size() >= 40);
        for (const QByteArray& line : confirmations.split('\n')) {
            if (line.startsWith("added "))
                QVERIFY2(stored.contains(line.mid(6).toInt()), line.constData());
        }
    }
};

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    if (argc == 3 && QByteArray(argv[1]) == "--add-burst")
        return addBurst(QString::fromLocal8Bit(argv[2]));
    TestMemoryStore test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_memorystore.moc"
