#include "MemoryStore.h"

#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

namespace {

TypedMemory memory(const QString& band, const QString& mode, const QString& frequency, const QString& degrees,
                   bool valid = true, const QString& note = QString()) {
    return {band, mode, frequency, degrees, note, valid};
}

// A store on a file in a fresh temporary folder.
struct StoreRig {
    QTemporaryDir directory;
    bool folder = QDir(directory.path()).mkdir(QStringLiteral("DATABASE"));
    QString path = directory.filePath(QStringLiteral("DATABASE/VELTRANO.MDB"));
    MemoryStore store;

    QStringList listed(int column) {
        QStringList texts;
        for (int row = 0; row < store.list()->rowCount(); ++row)
            texts.append(store.list()->index(row, column).data().toString());
        return texts;
    }
};

// Reads the file through a connection of its own, as another program would.
QList<QVariantList> rowsInFile(const QString& path) {
    QList<QVariantList> rows;
    {
        QSqlDatabase database =
            QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("reader"));
        database.setDatabaseName(path);
        database.open();
        QSqlQuery query(QStringLiteral("SELECT ID, BANDA, MODO, FREQUENZA, GRADI, COMANDO, valido, NOTE, "
                                       "typeof(FREQUENZA), typeof(GRADI) FROM MEMO_BANDA ORDER BY ID"),
                        database);
        while (query.next()) {
            QVariantList row;
            for (int field = 0; field < 10; ++field)
                row.append(query.value(field));
            rows.append(row);
        }
    }
    QSqlDatabase::removeDatabase(QStringLiteral("reader"));
    return rows;
}

QByteArray fileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestMemoryStore : public QObject {
    Q_OBJECT
private slots:
    void aMissingFileIsCreatedWithAnEmptyTable() {
        StoreRig rig;
        QDir(rig.directory.path()).rmdir(QStringLiteral("DATABASE"));
        QVERIFY2(rig.store.open(rig.path), qPrintable(rig.store.problem()));
        QVERIFY(QFile::exists(rig.path));
        QCOMPARE(rig.store.loadList(MemoryStore::WhenEmpty::Show), 0);
        QCOMPARE(rig.store.list()->columnCount(), 8);
        QCOMPARE(rig.store.nextNumber(), 1);
    }

    void storesTrimmedCapitalsAndLeadingNumbers() {
        StoreRig rig;
        QVERIFY(rig.store.open(rig.path));
        QCOMPARE(rig.store.add(memory(QStringLiteral(" 40 "), QStringLiteral("ft8"), QStringLiteral("7074"),
                                      QStringLiteral("95.0 "), true, QStringLiteral(" first "))),
                 1);
        QCOMPARE(rig.store.add(memory(QStringLiteral("20"), QStringLiteral("cw"), QStringLiteral("14060"),
                                      QStringLiteral("45.5"), false)),
                 2);
        rig.store.release();

        const QList<QVariantList> rows = rowsInFile(rig.path);
        QCOMPARE(rows.size(), 2);
        QCOMPARE(rows[0], QVariantList({1, "40", "FT8", "7074", 95.0, "A,95.0", 1, "first", "text", "real"}));
        QCOMPARE(rows[1], QVariantList({2, "20", "CW", "14060", 45.5, "", 0, "", "text", "real"}));
    }

    void listsLargestBandFirstAndShowsTheValidFlagAsABoolean() {
        StoreRig rig;
        QVERIFY(rig.store.open(rig.path));
        const QStringList bands = {"CB", "6", "160", "3-30MHz", "40", "10", "80"};
        for (const QString& band : bands)
            QVERIFY(rig.store.add(memory(band, QStringLiteral("SSB"), QStringLiteral("100"),
                                         QStringLiteral("9"), band != u"6")));
        QCOMPARE(rig.store.loadList(MemoryStore::WhenEmpty::Show), bands.size());
        QCOMPARE(rig.listed(ColumnBand), QStringList({"160", "80", "40", "10", "6", "3-30MHZ", "CB"}));
        QCOMPARE(rig.listed(ColumnValid),
                 QStringList({"True", "True", "True", "True", "False", "True", "True"}));
        QCOMPARE(rig.listed(ColumnDegrees).first(), QStringLiteral("9"));
    }

    void duplicatesIgnoreLetterCaseButNotBlanks_data() {
        QTest::addColumn<QString>("band");
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QString>("frequency");
        QTest::addColumn<bool>("duplicate");
        const struct {
            const char* name;
            QString band, mode, frequency;
            bool duplicate;
        } rows[] = {
            {"same texts", "40", "FT8", "7074", true},
            {"mode in small letters", "40", "ft8", "7074", true},
            {"accented mode in small letters", "40", "àltro", "7074", true},
            {"band with a leading blank", " 40", "FT8", "7074", false},
            {"frequency with a trailing blank", "40", "FT8", "7074 ", false},
            {"other frequency", "40", "FT8", "7075", false},
        };
        for (const auto& row : rows)
            QTest::newRow(row.name) << row.band << row.mode << row.frequency << row.duplicate;
    }

    void duplicatesIgnoreLetterCaseButNotBlanks() {
        QFETCH(QString, band);
        QFETCH(QString, mode);
        QFETCH(QString, frequency);
        QFETCH(bool, duplicate);
        StoreRig rig;
        QVERIFY(rig.store.open(rig.path));
        QVERIFY(rig.store.add(memory(QStringLiteral("40"), QStringLiteral("FT8"), QStringLiteral("7074"),
                                     QStringLiteral("95"))));
        QVERIFY(rig.store.add(memory(QStringLiteral("40"), QStringLiteral("ÀLTRO"), QStringLiteral("7074"),
                                     QStringLiteral("95"))));
        QCOMPARE(rig.store.hasDuplicate(band, mode, frequency), duplicate);
    }

    void quotesAreTextLikeAnyOther() {
        StoreRig rig;
        QVERIFY(rig.store.open(rig.path));
        const QString band = QStringLiteral("4\"0");
        const QString mode = QStringLiteral("F'T8");
        QVERIFY(rig.store.add(memory(band, mode, QStringLiteral("7074"), QStringLiteral("95"), true,
                                     QStringLiteral("it's \"tuned\"; DROP TABLE MEMO_BANDA"))));
        QCOMPARE(rig.store.hasDuplicate(band, mode.toLower(), QStringLiteral("7074")), true);
        QCOMPARE(rig.store.loadList(MemoryStore::WhenEmpty::Show), 1);
        QCOMPARE(rig.listed(ColumnMode), QStringList({"F'T8"}));
        QCOMPARE(rig.listed(ColumnNote), QStringList({"it's \"tuned\"; DROP TABLE MEMO_BANDA"}));
    }

    void numbersStayUniqueAfterDeletesAndEndAt32767() {
        StoreRig rig;
        QVERIFY(rig.store.open(rig.path));
        for (int i = 0; i < 3; ++i)
            QVERIFY(rig.store.add(memory(QString::number(10 * (i + 1)), QStringLiteral("AM"),
                                         QStringLiteral("1"), QStringLiteral("1"))));
        QVERIFY(rig.store.remove(2));
        QCOMPARE(rig.store.countNumbered(2), 0);
        QCOMPARE(rig.store.add(memory(QStringLiteral("40"), QStringLiteral("AM"), QStringLiteral("2"),
                                      QStringLiteral("2"))),
                 4);
        QVERIFY(rig.store.change(4, memory(QStringLiteral("17"), QStringLiteral("cw"),
                                           QStringLiteral("18080"), QStringLiteral("33"), false)));
        QCOMPARE(rig.store.loadList(MemoryStore::WhenEmpty::Show), 3);
        QCOMPARE(rig.listed(ColumnId), QStringList({"3", "4", "1"}));
        QCOMPARE(rig.listed(ColumnBand), QStringList({"30", "17", "10"}));
        QCOMPARE(rig.listed(ColumnCommand), QStringList({"A,1", "", "A,1"}));

        QVERIFY(rig.store.remove(4));
        QVERIFY(rig.store.remove(3));
        QVERIFY(rig.store.remove(1));
        // The emptied table still shows its last rows when the caller asks to keep them.
        QCOMPARE(rig.store.loadList(MemoryStore::WhenEmpty::KeepShown), 0);
        QCOMPARE(rig.store.list()->rowCount(), 3);

        rig.store.release();
        {
            QSqlDatabase database =
                QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("writer"));
            database.setDatabaseName(rig.path);
            QVERIFY(database.open());
            QVERIFY(QSqlQuery(database).exec(
                QStringLiteral("INSERT INTO MEMO_BANDA (ID, BANDA) VALUES (32767, '6')")));
        }
        QSqlDatabase::removeDatabase(QStringLiteral("writer"));
        QVERIFY(rig.store.open(rig.path));
        QCOMPARE(rig.store.nextNumber(), std::nullopt);
        QCOMPARE(rig.store.add(memory(QStringLiteral("40"), QStringLiteral("AM"), QStringLiteral("2"),
                                      QStringLiteral("2"))),
                 std::nullopt);
        QVERIFY(rig.store.problem().contains(QStringLiteral("32767")));
        QCOMPARE(rowsInFile(rig.path).size(), 1);
    }

    void filesThatAreNotOursAreReportedAndLeftAlone_data() {
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<QString>("reason");
        QByteArray jet(2048, '\0');
        jet.replace(0, 19, QByteArray("\x00\x01\x00\x00Standard Jet DB", 19));
        QByteArray ace = jet;
        ace.replace(4, 15, "Standard ACE DB");
        QByteArray damaged("SQLite format 3\0", 16);
        damaged += QByteArray(4080, '\x7f');
        QTest::newRow("old Access file") << jet << "Access database of the old program";
        QTest::newRow("newer Access file") << ace << "Access database of the old program";
        QTest::newRow("text file") << QByteArray("BANDA;MODO\r\n40;FT8\r\n") << "not a memory database";
        QTest::newRow("damaged SQLite file") << damaged << "not a memory database";
    }

    void filesThatAreNotOursAreReportedAndLeftAlone() {
        QFETCH(QByteArray, contents);
        QFETCH(QString, reason);
        StoreRig rig;
        QFile file(rig.path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(contents);
        file.close();

        QVERIFY(!rig.store.open(rig.path));
        QVERIFY2(rig.store.problem().contains(QDir::toNativeSeparators(rig.path)),
                 qPrintable(rig.store.problem()));
        QVERIFY2(rig.store.problem().contains(reason), qPrintable(rig.store.problem()));
        // Later operations repeat why the store is not available and change nothing.
        QCOMPARE(rig.store.add(memory(QStringLiteral("40"), QStringLiteral("FT8"), QStringLiteral("7074"),
                                      QStringLiteral("95"))),
                 std::nullopt);
        QVERIFY(rig.store.problem().contains(reason));
        QCOMPARE(fileBytes(rig.path), contents);
    }

    void aFileLockedByAnotherProgramIsReported() {
        StoreRig rig;
        QVERIFY(rig.store.open(rig.path));
        rig.store.close();
        {
            QSqlDatabase other =
                QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("other"));
            other.setDatabaseName(rig.path);
            QVERIFY(other.open());
            QSqlQuery lock(other);
            QVERIFY(lock.exec(QStringLiteral("BEGIN EXCLUSIVE")));
            QVERIFY(!rig.store.open(rig.path));
            QVERIFY2(rig.store.problem().contains(QStringLiteral("locked")), qPrintable(rig.store.problem()));
            QVERIFY(lock.exec(QStringLiteral("ROLLBACK")));
        }
        QSqlDatabase::removeDatabase(QStringLiteral("other"));
        QVERIFY(rig.store.open(rig.path));
    }
};

QTEST_GUILESS_MAIN(TestMemoryStore)
#include "tst_memorystore.moc"
