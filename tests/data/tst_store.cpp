#include "data/KWLStore.h"
#include "data/RecordActions.h"
#include "data/Schema.h"
#include "data/SharedQueries.h"
#include "data/StoreTransaction.h"
#include "support/TestSupport.h"

#include <QFile>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QtTest>

namespace {

QSqlDatabase Db() { return QSqlDatabase::database(QLatin1String(TKWLStore::ConnectionName), false); }

bool Exec(const QString& sql, const QVariantList& values = {})
{
    QSqlQuery query(Db());
    if (!query.prepare(sql))
        return false;
    for (const QVariant& value : values)
        query.addBindValue(value);
    return query.exec();
}

QList<QVariantList> Rows(const QString& sql, const QList<QPair<QString, QVariant>>& parameters = {})
{
    QSqlQuery query(Db());
    if (!query.prepare(sql))
        qWarning() << query.lastError().text();
    for (const auto& p : parameters)
        query.bindValue(p.first, p.second);
    if (!query.exec())
        qWarning() << query.lastError().text();
    QList<QVariantList> rows;
    while (query.next()) {
        QVariantList row;
        for (int i = 0; i < query.record().count(); ++i)
            row << query.value(i);
        rows << row;
    }
    return rows;
}

QStringList Columns(const QString& table)
{
    QStringList names;
    for (const QVariantList& row : Rows(QStringLiteral("PRAGMA table_info(\"%1\")").arg(table)))
        names << row.at(1).toString() + QLatin1Char(':') + row.at(2).toString();
    return names;
}

QStringList IndexColumns(const QString& index)
{
    QStringList names;
    for (const QVariantList& row : Rows(QStringLiteral("PRAGMA index_xinfo(\"%1\")").arg(index))) {
        if (row.at(5).toInt() == 0)  // key columns only
            continue;
        names << row.at(2).toString() + (row.at(3).toInt() ? QStringLiteral(" DESC") : QString());
    }
    return names;
}

// A database as an earlier version's first start left it when it was killed
// straight after switching to WAL: a header, nothing else.
QByteArray EmptyWalFile()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("empty.sqlite");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "empty");
        db.setDatabaseName(path);
        if (!db.open() || !QSqlQuery(db).exec("PRAGMA journal_mode = WAL"))
            qWarning() << db.lastError().text();
        db.close();
    }
    QSqlDatabase::removeDatabase("empty");
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Byte 18 of the header: 1 with a rollback journal, 2 in WAL mode.
int HeaderJournal(const QString& path)
{
    QFile file(path);
    const QByteArray header = file.open(QIODevice::ReadOnly) ? file.read(20) : QByteArray();
    return header.size() == 20 ? int(header.at(18)) : -1;
}

}  // namespace

class TestStore : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        m_dir = std::make_unique<TTestWorkDir>();
        m_store = std::make_unique<TKWLStore>();
        QCOMPARE(m_store->Open(m_dir->Path()), TKWLStore::Status::Open);
    }
    void cleanup()
    {
        m_store.reset();
        m_dir.reset();
    }

    void createsTheFileUnderData()
    {
        QVERIFY(QFile::exists(m_dir->File(QStringLiteral("data/KWLManager.sqlite"))));
        QCOMPARE(QDir(m_dir->File("data")).entryList({"*.new*"}), QStringList());  // no passing file left
        QCOMPARE(Rows(QStringLiteral("PRAGMA journal_mode")).first().first().toString(), QStringLiteral("wal"));
        QCOMPARE(Rows(QStringLiteral("PRAGMA synchronous")).first().first().toInt(), 2);  // FULL
    }

    void tablesAndFields_data()
    {
        QTest::addColumn<QString>("table");
        QTest::addColumn<QStringList>("columns");
        QTest::newRow("drivers") << "KWL_Drivers.DB" << QStringList{"DRVnr:INTEGER", "Driver Name:TEXT"};
        QTest::newRow("championship") << "KWL_Championship.db"
                                      << QStringList{"CSnr:INTEGER", "CSnaam:TEXT", "CSLapsMinutes:INTEGER",
                                                     "CSRacesThatCount:INTEGER", "CSTimed:BOOLEAN"};
        QTest::newRow("race") << "KWL_Race.DB" << QStringList{"CSnr:INTEGER", "RCnr:INTEGER", "RCnaam:TEXT"};
        QTest::newRow("heat") << "KWL_Heat.DB"
                              << QStringList{"CSnr:INTEGER", "RCnr:INTEGER", "HTnr:INTEGER", "Finished:BOOLEAN"};
        QTest::newRow("heat detail") << "KWL_HeatDetail.DB"
                                     << QStringList{"CSnr:INTEGER",    "RCnr:INTEGER",      "HTnr:INTEGER",
                                                    "Tracknr:INTEGER", "DRVnr:INTEGER",     "Laps:INTEGER",
                                                    "Time:INTEGER",    "TopLapTime:INTEGER"};
        QTest::newRow("heat laps") << "KWL_HeatDetailLaps.DB"
                                   << QStringList{"CSnr:INTEGER",         "RCnr:INTEGER",  "HTnr:INTEGER",
                                                  "Tracknr:INTEGER",      "RNDnr:INTEGER", "Time:INTEGER",
                                                  "SpeedTrapTime:INTEGER"};
        QTest::newRow("dic") << "KWL_DIC.db" << QStringList{"CSnr:INTEGER", "DRVnr:INTEGER"};
        QTest::newRow("result") << "KWL_Result.db" << QStringList{"CSnr:INTEGER", "DRVnr:INTEGER", "TotalPoints:REAL"};
        QTest::newRow("result detail") << "KWL_ResultDetail.db"
                                       << QStringList{"CSnr:INTEGER", "RCnr:INTEGER", "DRVnr:INTEGER", "Time:INTEGER",
                                                      "Points:REAL"};
        QTest::newRow("single race") << "KWL_SingelRace.DB"
                                     << QStringList{"Driver Track 1:TEXT", "Driver Track 2:TEXT", "Driver Track 3:TEXT",
                                                    "Driver Track 4:TEXT"};
    }
    void tablesAndFields()
    {
        QFETCH(QString, table);
        QFETCH(QStringList, columns);
        QCOMPARE(Columns(table), columns);
    }

    void indexes_data()
    {
        QTest::addColumn<QString>("index");
        QTest::addColumn<QStringList>("columns");
        QTest::addColumn<bool>("unique");
        QTest::newRow("DRVIdxName") << "KWL_Drivers.DB.DRVIdxName" << QStringList{"Driver Name"} << true;
        QTest::newRow("IdxCSnaam") << "KWL_Championship.db.IdxCSnaam" << QStringList{"CSnaam"} << false;
        QTest::newRow("CSnr_RCnaam") << "KWL_Race.DB.CSnr_RCnaam" << QStringList{"CSnr", "RCnaam"} << false;
        QTest::newRow("detail CSnr_RCnr_DRVnr")
            << "KWL_HeatDetail.DB.CSnr_RCnr_DRVnr" << QStringList{"CSnr", "RCnr", "DRVnr"} << false;
        QTest::newRow("detail IdxDRVnr") << "KWL_HeatDetail.DB.IdxDRVnr" << QStringList{"DRVnr"} << false;
        QTest::newRow("laps CSnr_RCnr_DRVnr")
            << "KWL_HeatDetailLaps.DB.CSnr_RCnr_DRVnr" << QStringList{"CSnr", "RCnr", "RNDnr"} << false;
        QTest::newRow("laps IdxDRVnr") << "KWL_HeatDetailLaps.DB.IdxDRVnr" << QStringList{"RNDnr"} << false;
        QTest::newRow("dic IdxDRVnr") << "KWL_DIC.db.IdxDRVnr" << QStringList{"DRVnr"} << false;
        QTest::newRow("CSnr_RCnr_Time") << "KWL_ResultDetail.db.CSnr_RCnr_Time" << QStringList{"CSnr", "RCnr", "Time"}
                                        << false;
        QTest::newRow("CSnr_RCnr_Time_DESC")
            << "KWL_ResultDetail.db.CSnr_RCnr_Time_DESC" << QStringList{"CSnr", "RCnr", "Time DESC"} << false;
    }
    void indexes()
    {
        QFETCH(QString, index);
        QFETCH(QStringList, columns);
        QFETCH(bool, unique);
        QCOMPARE(IndexColumns(index), columns);
        const QString table = index.section(QLatin1Char('.'), 0, 1);
        bool found = false;
        for (const QVariantList& row : Rows(QStringLiteral("PRAGMA index_list(\"%1\")").arg(table))) {
            if (row.at(1).toString() == index) {
                found = true;
                QCOMPARE(row.at(2).toBool(), unique);
            }
        }
        QVERIFY(found);
    }

    // The schema enforces types and sizes, so nothing the windows miss can
    // put a row into the store that other windows would misread.
    void rejectsWhatDoesNotFit_data()
    {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QVariantList>("values");
        QTest::newRow("name of 26") << R"(INSERT INTO "KWL_Drivers.DB" ("Driver Name") VALUES (?))"
                                    << QVariantList{QString(26, QLatin1Char('x'))};
        QTest::newRow("null name") << R"(INSERT INTO "KWL_Drivers.DB" ("Driver Name") VALUES (?))"
                                   << QVariantList{QVariant()};
        QTest::newRow("text in integer")
            << R"(INSERT INTO "KWL_Championship.db" (CSnaam, CSLapsMinutes, CSRacesThatCount, CSTimed) VALUES (?, ?, ?, ?))"
            << QVariantList{"A", "ten", 3, 0};
        QTest::newRow("beyond 32 bits")
            << R"(INSERT INTO "KWL_Championship.db" (CSnaam, CSLapsMinutes, CSRacesThatCount, CSTimed) VALUES (?, ?, ?, ?))"
            << QVariantList{"A", qint64(1) << 31, 3, 0};
        QTest::newRow("boolean 2")
            << R"(INSERT INTO "KWL_Championship.db" (CSnaam, CSLapsMinutes, CSRacesThatCount, CSTimed) VALUES (?, ?, ?, ?))"
            << QVariantList{"A", 10, 3, 2};
        QTest::newRow("track 5") << R"(INSERT INTO "KWL_HeatDetail.DB" VALUES (1, 1, 1, 5, 1, 0, 0, 0))"
                                 << QVariantList{};
        QTest::newRow("same heat twice") << R"(INSERT INTO "KWL_Heat.DB" VALUES (1, 1, 1, 0), (1, 1, 1, 1))"
                                         << QVariantList{};
        QTest::newRow("driver twice in championship")
            << R"(INSERT INTO "KWL_DIC.db" VALUES (1, 7), (1, 7))" << QVariantList{};
        QTest::newRow("same name other case")
            << R"(INSERT INTO "KWL_Drivers.DB" ("Driver Name") VALUES ('Anna'), ('ANNA'))" << QVariantList{};
        QTest::newRow("same name, accented capital")
            << R"(INSERT INTO "KWL_Drivers.DB" ("Driver Name") VALUES (?), (?))" << QVariantList{"émile", "Émile"};
    }
    void rejectsWhatDoesNotFit()
    {
        QFETCH(QString, sql);
        QFETCH(QVariantList, values);
        QVERIFY(!Exec(sql, values));
    }

    void namesAreStoredAsTyped_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("quotes") << R"(O'Neil "Flash")";
        QTest::newRow("sql") << "x'); DROP TABLE drv; --";
        QTest::newRow("non-ascii") << QStringLiteral("Jürgen Øster Łukasz");
        QTest::newRow("25 characters") << QString(25, QChar(0x00E9));
        QTest::newRow("blanks kept") << "  spaced  ";
    }
    void namesAreStoredAsTyped()
    {
        QFETCH(QString, name);
        TRecordActions actions(Db());
        const auto id = actions.AddDriver(name);
        QVERIFY2(id.has_value(), qPrintable(actions.LastError()));
        const auto rows =
            Rows(QStringLiteral(R"(SELECT "Driver Name" FROM "KWL_Drivers.DB" WHERE DRVnr = :id)"), {{":id", *id}});
        QCOMPARE(rows.size(), 1);
        QCOMPARE(rows.first().first().toString(), name);
        QCOMPARE(actions.DriverCount().value_or(-1), 1);
    }

    // Lists in name order, whatever the locale: accents beside their letter.
    void namesSortAsRead_data()
    {
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QStringList>("sorted");
        QTest::newRow("accent beside its letter")
            << QStringList{"Zeger", "Émile", "Emile", "anna"} << QStringList{"anna", "Emile", "Émile", "Zeger"};
        QTest::newRow("case does not reorder")
            << QStringList{"ève", "Eva", "Łukasz", "Éric"} << QStringList{"Éric", "Eva", "ève", "Łukasz"};
    }
    void namesSortAsRead()
    {
        QFETCH(QStringList, names);
        QFETCH(QStringList, sorted);
        TRecordActions actions(Db());
        for (const QString& name : names)
            QVERIFY(actions.AddDriver(name) && actions.AddChampionship(name, 10, 3, false) && actions.AddRace(1, name));
        for (const char* column : {"\"Driver Name\" FROM \"KWL_Drivers.DB\"", "CSnaam FROM \"KWL_Championship.db\"",
                                   "RCnaam FROM \"KWL_Race.DB\""}) {
            QStringList listed;
            for (const QVariantList& row : Rows(QStringLiteral("SELECT %1 ORDER BY 1").arg(column)))
                listed << row.first().toString();
            QCOMPARE(listed, sorted);
        }
    }

    // Version 1 is made current with every row and counter, unless two of
    // its drivers' names have become one: then it is refused, untouched.
    void upgradesAnEarlierFile_data()
    {
        QTest::addColumn<QStringList>("drivers");
        QTest::addColumn<bool>("upgraded");
        QTest::newRow("rows and counters kept") << QStringList{"Zeger", "Émile", "anna"} << true;
        QTest::newRow("names now one") << QStringList{"émile", "Zeger", "Émile"} << false;
    }
    void upgradesAnEarlierFile()
    {
        QFETCH(QStringList, drivers);
        QFETCH(bool, upgraded);
        // Version 1 made the same tables with SQLite's NOCASE on the names.
        QVERIFY(Exec(R"(DROP INDEX "KWL_Drivers.DB.DRVIdxName")"));
        QVERIFY(TRecordActions(Db()).AddDrivers(drivers + QStringList{"Gone"}));
        for (const char* sql :
             {R"(DELETE FROM "KWL_Drivers.DB" WHERE "Driver Name" = 'Gone')",
              R"(INSERT INTO "KWL_Championship.db" VALUES (7, 'Émile Cup', 10, 3, 0))",
              R"(INSERT INTO "KWL_Race.DB" VALUES (7, 40, 'spa'))",
              R"(CREATE UNIQUE INDEX "KWL_Drivers.DB.DRVIdxName" ON "KWL_Drivers.DB" ("Driver Name" COLLATE NOCASE))",
              "PRAGMA writable_schema = ON", "UPDATE sqlite_master SET sql = replace(sql, 'KOBALAP_NAME', 'NOCASE')",
              "PRAGMA user_version = 1"})
            QVERIFY2(Exec(sql), sql);
        m_store->Close();
        QFile file(m_dir->File("data/KWLManager.sqlite"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray before = file.readAll();
        file.close();
        if (!upgraded) {
            QCOMPARE(m_store->Open(m_dir->Path()), TKWLStore::Status::Failed);
            QVERIFY2(m_store->DetailText().contains(R"("émile", "Émile")"), qPrintable(m_store->DetailText()));
            QVERIFY(file.open(QIODevice::ReadOnly));
            QCOMPARE(file.readAll(), before);
            return;
        }
        QCOMPARE(m_store->Open(m_dir->Path()), TKWLStore::Status::Open);
        QCOMPARE(Rows(R"(SELECT DRVnr, "Driver Name" FROM "KWL_Drivers.DB" ORDER BY "Driver Name")"),
                 (QList<QVariantList>{{3, "anna"}, {2, "Émile"}, {1, "Zeger"}}));
        QCOMPARE(Rows(R"(SELECT * FROM "KWL_Championship.db", "KWL_Race.DB")"),
                 (QList<QVariantList>{{7, "Émile Cup", 10, 3, 0, 7, 40, "spa"}}));
        QCOMPARE(TRecordActions(Db()).AddDriver("Bram").value_or(0), 5);  // not Gone's 4
        QCOMPARE(IndexColumns("KWL_Race.DB.CSnr_RCnaam"), (QStringList{"CSnr", "RCnaam"}));
    }

    void raceNumbersAreUniqueOverChampionships()
    {
        TRecordActions actions(Db());
        const int a = actions.AddChampionship("A", 10, 3, false).value();
        const int b = actions.AddChampionship("B", 5, 3, true).value();
        const int r1 = actions.AddRace(a, "Spa").value();
        const int r2 = actions.AddRace(b, "Spa").value();
        const int r3 = actions.AddRace(a, "Monza").value();
        QVERIFY(r1 != r2 && r2 != r3 && r1 != r3);
        QCOMPARE(actions.RaceCount(a).value(), 2);
        QCOMPARE(actions.RaceCount(b).value(), 1);
    }

    // A failing row anywhere in an action leaves no row of it behind.
    void actionIsAllOrNothing()
    {
        TRecordActions actions(Db());
        QVERIFY(actions.AddDriver("Bram").has_value());
        QVERIFY(!actions.AddDrivers({"Anna", "Cees", "Bram", "Dirk"}));
        QVERIFY(!actions.LastError().isEmpty());
        QCOMPARE(actions.DriverCount().value(), 1);
        QVERIFY(actions.AddDrivers({"Anna", "Cees"}));
        QCOMPARE(actions.DriverCount().value(), 3);
    }

    void deleteChampionshipTakesItsRowsAlong()
    {
        TRecordActions actions(Db());
        const int keep = actions.AddChampionship("Keep", 10, 3, false).value();
        const int gone = actions.AddChampionship("Gone", 10, 3, false).value();
        for (int cs : {keep, gone}) {
            QVERIFY(Exec(R"(INSERT INTO "KWL_DIC.db" VALUES (?, 1), (?, 2))", {cs, cs}));
            QVERIFY(Exec(R"(INSERT INTO "KWL_Result.db" VALUES (?, 1, 20.0))", {cs}));
            QVERIFY(Exec(R"(INSERT INTO "KWL_ResultDetail.db" VALUES (?, 9, 1, 1000, 20.0))", {cs}));
        }
        QVERIFY(actions.DeleteChampionship(gone));
        for (const char* table : {"KWL_DIC.db", "KWL_Result.db", "KWL_ResultDetail.db", "KWL_Championship.db"}) {
            QCOMPARE(Rows(QStringLiteral("SELECT count(*) FROM \"%1\" WHERE CSnr = :c").arg(QLatin1String(table)),
                          {{":c", gone}})
                         .first()
                         .first()
                         .toInt(),
                     0);
            QVERIFY(Rows(QStringLiteral("SELECT count(*) FROM \"%1\" WHERE CSnr = :c").arg(QLatin1String(table)),
                         {{":c", keep}})
                        .first()
                        .first()
                        .toInt() > 0);
        }
    }

    void linksThatForbidDeletes()
    {
        TRecordActions actions(Db());
        const int anna = actions.AddDriver("Anna").value();
        const int bram = actions.AddDriver("Bram").value();
        QVERIFY(Exec(R"(INSERT INTO "KWL_DIC.db" VALUES (1, ?))", {anna}));
        QVERIFY(Exec(R"(INSERT INTO "KWL_HeatDetail.DB" VALUES (1, 1, 1, 2, ?, 0, 0, 0))", {bram}));
        QVERIFY(Exec(R"(INSERT INTO "KWL_Heat.DB" VALUES (1, 4, 1, 0))"));
        QCOMPARE(actions.DriverInChampionship(anna).value(), true);
        QCOMPARE(actions.DriverInHeat(anna).value(), false);
        QCOMPARE(actions.DriverInChampionship(bram).value(), false);
        QCOMPARE(actions.DriverInHeat(bram).value(), true);
        QCOMPARE(actions.RaceHasHeats(1, 4).value(), true);
        QCOMPARE(actions.RaceHasHeats(2, 4).value(), false);
    }

    void sharedQueries()
    {
        // Two championships, three drivers, one race each, standings for both.
        QVERIFY(Exec(
            R"(INSERT INTO "KWL_Drivers.DB" (DRVnr, "Driver Name") VALUES (1, 'Cees'), (2, 'anna'), (3, 'Bram'))"));
        QVERIFY(Exec(R"(INSERT INTO "KWL_Championship.db" VALUES (1, 'Winter', 10, 2, 0), (2, 'Zomer', 5, 2, 1))"));
        QVERIFY(Exec(R"(INSERT INTO "KWL_Race.DB" VALUES (1, 11, 'Spa'), (1, 12, 'Assen'), (2, 21, 'Zolder'))"));
        QVERIFY(Exec(R"(INSERT INTO "KWL_DIC.db" VALUES (1, 1), (1, 2), (1, 3), (2, 3))"));
        QVERIFY(Exec(R"(INSERT INTO "KWL_Result.db" VALUES (1, 1, 38.0), (1, 2, 39.0), (1, 3, 38.0), (2, 3, 20.0))"));
        QVERIFY(Exec(
            R"(INSERT INTO "KWL_ResultDetail.db" VALUES (1, 11, 1, 60000, 19.0), (1, 11, 2, 59000, 20.0), (1, 12, 1, 61000, 19.0),
                        (1, 12, 3, 58000, 20.0), (1, 11, 3, 60000, 19.0), (2, 21, 3, 12030, 20.0), (2, 21, 2, 12040, 0.0), (2, 21, 1, 12050, 0.0))"));
        QVERIFY(Exec(
            R"(INSERT INTO "KWL_HeatDetail.DB" VALUES (1, 11, 1, 2, 1, 10000, 60000, 5800), (1, 11, 1, 1, 2, 10000, 59000, 5700),
                        (1, 11, 2, 1, 1, 10000, 61000, 5900), (1, 12, 1, 1, 3, 10000, 58000, 5600))"));

        QCOMPARE(Rows(SharedQueries::QueryResult(), {{":PCSnr", 1}}),
                 (QList<QVariantList>{{"anna", 39.0}, {"Bram", 38.0}, {"Cees", 38.0}}));
        QCOMPARE(Rows(SharedQueries::QueryResultDetail(), {{":PCSnr", 1}}),
                 (QList<QVariantList>{{"Assen", "Bram", 58000, 20.0},
                                      {"Assen", "Cees", 61000, 19.0},
                                      {"Spa", "anna", 59000, 20.0},
                                      {"Spa", "Bram", 60000, 19.0},
                                      {"Spa", "Cees", 60000, 19.0}}));
        QCOMPARE(Rows(SharedQueries::QueryResultDetail(), {{":PCSnr", 2}}),  // Timed: more laps first
                 (QList<QVariantList>{
                     {"Zolder", "Bram", 12030, 20.0}, {"Zolder", "Cees", 12050, 0.0}, {"Zolder", "anna", 12040, 0.0}}));
        QCOMPARE(Rows(SharedQueries::QueryResultDetail2(), {{":PCSnr", 1}}),
                 (QList<QVariantList>{{1, 1, 19.0}, {1, 1, 19.0}, {1, 2, 20.0}, {1, 3, 20.0}, {1, 3, 19.0}}));
        QCOMPARE(Rows(SharedQueries::QueryHeatDetail(), {{":ParCSnr", 1}, {":ParRCnr", 11}, {":ParHTnr", 1}}),
                 (QList<QVariantList>{{1, "anna", 10000, 59000, 5700}, {2, "Cees", 10000, 60000, 5800}}));
        QCOMPARE(Rows(SharedQueries::QueryDriverInfo(), {{":PCSnr", 1}, {":PRCnr", 11}}),
                 (QList<QVariantList>{{"anna", 1, 1, 10000, 59000, 5700},
                                      {"Cees", 1, 2, 10000, 61000, 5900},
                                      {"Cees", 2, 1, 10000, 60000, 5800}}));
        QCOMPARE(Rows(SharedQueries::Query1(), {{":ParCSnr", 1}}),
                 (QList<QVariantList>{{2, "anna"}, {3, "Bram"}, {1, "Cees"}}));
        QCOMPARE(Rows(SharedQueries::Query1(), {{":ParCSnr", 2}}), (QList<QVariantList>{{3, "Bram"}}));
    }

    void sharedQueriesKeepTheirClauses()
    {
        QCOMPARE(SharedQueries::Query1().split(QLatin1Char('\n')).size(), 5);
        QVERIFY(SharedQueries::QueryResultDetail().startsWith(QLatin1String("SELECT Kwl_race.RCnaam Race, ")));
        QVERIFY(SharedQueries::QueryDriverInfo().contains(QLatin1String("Kwl_heatdetail.HTnr Heat")));
    }

    void committedRowsSurviveReopening()
    {
        QVERIFY(TRecordActions(Db()).AddDrivers({"Anna", "Bram"}));
        m_store->Close();
        QCOMPARE(m_store->Open(m_dir->Path()), TKWLStore::Status::Open);
        QCOMPARE(TRecordActions(Db()).DriverCount().value(), 2);
    }

    // A file that is not ours, or is damaged, is refused and left untouched;
    // one with nothing in it, as a start killed early leaves it, is a fresh
    // installation.
    void fileFoundAtStart_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("complaint");
        QTest::newRow("garbage") << QByteArray(4096, '\x5a') << "damaged or is not a Kobalap";
        QByteArray header("SQLite format 3");
        header.append('\0');
        header.append(QByteArray(200, '\x01'));
        QTest::newRow("broken sqlite header") << header << "damaged";
        QTest::newRow("empty file") << QByteArray() << "";
        QTest::newRow("WAL header, no tables") << EmptyWalFile() << "";
    }
    void fileFoundAtStart()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, complaint);
        m_store->Close();
        QFile file(m_dir->File("data/KWLManager.sqlite"));
        QFile::remove(file.fileName());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
        file.close();
        if (complaint.isEmpty()) {
            QCOMPARE(m_store->Open(m_dir->Path()), TKWLStore::Status::Open);
            QCOMPARE(Rows("PRAGMA application_id").first().first().toInt(), Schema::ApplicationId);
            QCOMPARE(Rows("SELECT count(*) FROM sqlite_master WHERE type = 'table'").first().first().toInt(), 12);
            return;
        }
        QCOMPARE(m_store->Open(m_dir->Path()), TKWLStore::Status::Failed);
        QVERIFY2(m_store->ErrorText().contains(complaint), qPrintable(m_store->ErrorText()));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), content);
    }

    void refusesAnotherProgramsDatabase()
    {
        m_store->Close();
        const QString path = m_dir->File("data/KWLManager.sqlite");
        QFile::remove(path);
        {
            QSqlDatabase other = QSqlDatabase::addDatabase("QSQLITE", "other");
            other.setDatabaseName(path);
            QVERIFY(other.open());
            QSqlQuery(other).exec("CREATE TABLE invoices (id INTEGER)");
            other.close();
        }
        QSqlDatabase::removeDatabase("other");
        QFile before(path);
        QVERIFY(before.open(QIODevice::ReadOnly));
        const QByteArray content = before.readAll();
        before.close();
        QCOMPARE(m_store->Open(m_dir->Path()), TKWLStore::Status::Failed);
        QVERIFY2(m_store->ErrorText().contains("not a Kobalap race database"), qPrintable(m_store->ErrorText()));
        QVERIFY(before.open(QIODevice::ReadOnly));
        QCOMPARE(before.readAll(), content);
    }

    // A file of ours that can not be written now is read at once, with the
    // cause, and nothing of it is written.
    void readOnlyDatabaseCanBeReadButNotWritten_data()
    {
        QTest::addColumn<QString>("hindrance");
        QTest::addColumn<int>("cause");
        QTest::newRow("write-protected") << "protected" << int(TKWLStore::ReadOnlyCause::NotWritable);
        QTest::newRow("protected, left in WAL mode") << "protected wal" << int(TKWLStore::ReadOnlyCause::NotWritable);
        QTest::newRow("locked exclusively") << "lock" << int(TKWLStore::ReadOnlyCause::Locked);
        QTest::newRow("locked by a writer, WAL") << "lock wal" << int(TKWLStore::ReadOnlyCause::Locked);
        QTest::newRow("disk full") << "full" << int(TKWLStore::ReadOnlyCause::DiskFull);
    }
    void readOnlyDatabaseCanBeReadButNotWritten()
    {
        QFETCH(QString, hindrance);
        QFETCH(int, cause);
        if (hindrance.contains("protected") &&
            RerunUnprivileged(
                qPrintable(QStringLiteral("readOnlyDatabaseCanBeReadButNotWritten:") + QTest::currentDataTag())))
            return;
        TRecordActions(Db()).AddDriver("Anna");
        QVERIFY(m_store->Close());
        const QString data = m_dir->File("data");
        const QString path = data + "/KWLManager.sqlite";
        QCOMPARE(HeaderJournal(path), 1);  // the journal folded back in
        {
            QSqlDatabase other = QSqlDatabase::addDatabase("QSQLITE", "other");
            other.setDatabaseName(path);
            QVERIFY(other.open());
            if (hindrance.contains("wal"))
                QVERIFY(QSqlQuery(other).exec("PRAGMA journal_mode = WAL"));
            if (hindrance.contains("lock"))
                QVERIFY(QSqlQuery(other).exec("BEGIN EXCLUSIVE") &&
                        QSqlQuery(other).exec(R"(INSERT INTO "KWL_Heat.DB" VALUES (1, 1, 1, 0))"));
        }
        if (!hindrance.contains("lock"))
            QSqlDatabase::removeDatabase("other");
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray before = file.readAll();
        file.close();
        if (hindrance.contains("protected")) {
            QFile::setPermissions(path, QFile::ReadOwner);
            QFile::setPermissions(data, QFile::ReadOwner | QFile::ExeOwner);
        }
        if (hindrance == "full")
            m_store->SetFreeSpaceProbe([](const QString&) { return qint64(1000); });
        QElapsedTimer started;
        started.start();
        const auto status = m_store->Open(m_dir->Path());
        const qint64 took = started.elapsed();
        QFile::setPermissions(data, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
        if (hindrance.contains("lock")) {
            QSqlQuery(QSqlDatabase::database("other")).exec("ROLLBACK");
            QSqlDatabase::database("other").close();
            QSqlDatabase::removeDatabase("other");
        } else {
            QVERIFY(file.open(QIODevice::ReadOnly));
            QCOMPARE(file.readAll(), before);
            file.close();
        }
        QVERIFY2(status == TKWLStore::Status::ReadOnly,
                 qPrintable(m_store->ErrorText() + " / " + m_store->DetailText()));
        QCOMPARE(int(m_store->Cause()), cause);
        QVERIFY2(took < 4000, qPrintable(QString::number(took)));  // not an action's 5 s wait for the lock
        TRecordActions actions(Db());
        QCOMPARE(actions.DriverCount().value(), 1);
        QVERIFY(!actions.AddDriver("Bram").has_value());
        QVERIFY(!actions.LastError().isEmpty());
        // The standings the results window works out, for this run only; a
        // file that could not even be read at start has none.
        QCOMPARE(Exec(R"(INSERT INTO "KWL_Result.db" VALUES (1, 1, 20.0))"), hindrance != "lock");
    }

    void unwritableWorkingDirectory()
    {
        if (RerunUnprivileged("unwritableWorkingDirectory"))
            return;
        m_store->Close();
        TTestWorkDir locked;
        QFile::setPermissions(locked.Path(), QFile::ReadOwner | QFile::ExeOwner);
        TKWLStore store;
        const auto status = store.Open(locked.Path());
        QFile::setPermissions(locked.Path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QCOMPARE(status, TKWLStore::Status::Failed);
        QVERIFY(store.DetailText().contains("could not be created"));
    }

private:
    std::unique_ptr<TTestWorkDir> m_dir;
    std::unique_ptr<TKWLStore> m_store;
};

QTEST_GUILESS_MAIN(TestStore)
#include "tst_store.moc"
