// Writes whole actions into the race database as fast as it can until it is
// killed, and says on stdout after each commit what it has committed. The
// crash test kills it at random moments and checks what it left behind.
#include "data/KWLStore.h"
#include "data/RecordActions.h"
#include "data/StoreTransaction.h"
#include "heats/HeatStore.h"

#include <QCoreApplication>
#include <QSqlQuery>
#include <cstdio>
#include <memory>

namespace {

// Heats as the heats window writes them: generation runs of eight heats, and
// results of those heats stored and stored again. Run r of a heat has r as
// every track's best lap and r * 100 + lap as its lap times, so a check can
// tell whether a heat's rows all come from one run.
int WriteHeats(QSqlDatabase db)
{
    {
        TStoreTransaction setup(db);
        setup.Exec(QStringLiteral(R"(INSERT OR IGNORE INTO "KWL_Championship.db" VALUES (1, 'Crash', 10, 1, 0))"));
        setup.Exec(QStringLiteral(R"(INSERT OR IGNORE INTO "KWL_Race.DB" VALUES (1, 1, 'Crash'))"));
        for (int d = 1; d <= 8; ++d) {
            setup.Exec(QStringLiteral(R"(INSERT OR IGNORE INTO "KWL_Drivers.DB" VALUES (?, ?))"),
                       {d, QStringLiteral("d%1").arg(d)});
            setup.Exec(QStringLiteral(R"(INSERT OR IGNORE INTO "KWL_DIC.db" VALUES (1, ?))"), {d});
        }
        if (!setup.Commit())
            return 4;
    }
    THeatStore store(db, 1, 1);
    const THeatChampionship championship = *store.Championship();
    auto tracks = std::make_unique<TTrackStates>();
    std::printf("ready\n");
    std::fflush(stdout);
    for (int32_t run = 1000 * int32_t(QCoreApplication::applicationPid() % 1000);; ++run) {
        TDriverPool pool;
        pool.LoadDriverPool(*store.ChampionshipDrivers(), uint32_t(run));
        const THeatPlan plan = GenerateHeatsA(pool, 4, {2, 3, 4, 1}, *store.LastHeatNumber());
        if (!store.AppendHeats(plan))
            return 4;
        std::printf("generated %d\n", plan.back().HTnr);
        std::fflush(stdout);
        for (int32_t heat = std::max(1, plan.back().HTnr - 10); heat <= plan.back().HTnr; heat += 3, ++run) {
            for (TTrackState& track : *tracks) {
                track.Laps = (run % 3 == 0 ? 9 : 10) * 1000;  // every third run a no-finish
                track.TotalTime = 60000;
                track.FastestLap = uint32_t(run);
                for (int lap = 1; lap <= 10; ++lap)
                    track.LapTimes[size_t(lap)] = uint32_t(run * 100 + lap);
            }
            if (!store.StoreHeatResult(heat, *tracks, 4, 0, championship))
                return 4;
            std::printf("stored %d %d\n", heat, run);
            std::fflush(stdout);
        }
    }
}

}  // namespace

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
    if (argc > 2 && QByteArray(argv[2]) == "heats")
        return WriteHeats(db);
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
            action.Exec(
                QStringLiteral(R"(INSERT INTO "KWL_HeatDetail.DB" VALUES (1, 1, ?, ?, ?, 25000, 150000, 5800))"),
                {heat, track, track});
            for (int lap = 1; lap <= 25; ++lap)
                action.Exec(QStringLiteral(R"(INSERT INTO "KWL_HeatDetailLaps.DB" VALUES (1, 1, ?, ?, ?, ?, 0))"),
                            {heat, track, lap, 5800 + lap});
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
