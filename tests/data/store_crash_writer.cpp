// Writes whole actions into the race database as fast as it can until it is
// killed, and says on stdout after each commit what it has committed. The
// crash test kills it at random moments and checks what it left behind.
#include "data/KWLStore.h"
#include "data/RecordActions.h"
#include "data/StoreTransaction.h"

#include <QCoreApplication>
#include <QSqlQuery>
#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    if (argc < 2)
        return 2;
    TKWLStore store;
    if (store.Open(QString::fromLocal8Bit(argv[1])) != TKWLStore::Status::Open) {
        std::fprintf(stderr, "%s\n", qPrintable(store.ErrorText() + QLatin1Char(' ') + store.DetailText()));
        return 3;
    }
    QSqlDatabase db = store.Database();
    int heat = 0;
    {
        QSqlQuery last(db);
        last.exec(QStringLiteral(R"(SELECT coalesce(max(HTnr), 0) FROM "KWL_Heat.DB")"));
        if (last.next())
            heat = last.value(0).toInt();
    }
    std::printf("ready\n");
    std::fflush(stdout);
    for (;;) {
        ++heat;
        // A heat with its four detail rows and 25 laps per track: one action.
        TStoreTransaction action(db);
        action.Exec(QStringLiteral(R"(INSERT INTO "KWL_Heat.DB" VALUES (1, 1, ?, 1))"), {heat});
        for (int track = 1; track <= 4; ++track) {
            action.Exec(QStringLiteral(R"(INSERT INTO "KWL_HeatDetail.DB" VALUES (1, 1, ?, ?, ?, 25000, 150000, 5800))"), {heat, track, track});
            for (int lap = 1; lap <= 25; ++lap)
                action.Exec(QStringLiteral(R"(INSERT INTO "KWL_HeatDetailLaps.DB" VALUES (1, 1, ?, ?, ?, ?, 0))"), {heat, track, lap, 5800 + lap});
        }
        if (!action.Commit()) {
            std::fprintf(stderr, "%s\n", qPrintable(action.ErrorText()));
            return 4;
        }
        std::printf("heat %d\n", heat);
        std::fflush(stdout);

        TRecordActions drivers(db);
        QStringList names;
        for (int i = 1; i <= 5; ++i)
            names << QStringLiteral("h%1-%2").arg(heat).arg(i);
        if (!drivers.AddDrivers(names))
            return 5;
        std::printf("drivers %d\n", heat);
        std::fflush(stdout);
    }
}
