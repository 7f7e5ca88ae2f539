#include "common/MaskFile.h"
#include "common/RaceClock.h"
#include "common/Settings.h"
#include "common/TrackIo.h"
#include "hardware/SimulatedTrack.h"

#include "support/TestSupport.h"

#include <QtTest>

#include <memory>

namespace {

constexpr int64_t Ms = 1000;
constexpr int64_t Second = 1'000'000;
constexpr uint8_t Green = 0x80;
constexpr uint8_t AllPower = 0x0F;
constexpr int64_t Countdown = 6'600 * Ms;  // from the start lights' window to green

// One simulated track with its clock, settings and masks. Times are absolute
// clock microseconds.
struct TRig {
    explicit TRig(uint32_t seed, const TSimulatedTrackConfig& config = TSimulatedTrackConfig())
        : Track(Clock, Settings, Masks, seed, config)
    {
        Track.Open();
    }
    uint8_t ReadAt(int64_t us)
    {
        Clock.SetNowUs(us);
        uint32_t value = 0;
        if (!Track.ReadPort(889, TPortSize::Byte, value))
            return 0xEE;
        return uint8_t(value);
    }
    void WriteAt(int64_t us, uint8_t image)
    {
        Clock.SetNowUs(us);
        Track.WritePort(888, TPortSize::Byte, image);
    }
    // Polls every stepUs up to and including toUs; calls seen(status) at each.
    template <typename F>
    void PollUntil(int64_t fromUs, int64_t toUs, int64_t stepUs, F seen)
    {
        for (int64_t t = fromUs; t <= toUs; t += stepUs)
            seen(t, ReadAt(t));
    }

    TSimulatedClock Clock;
    TSettings Settings;
    TSensorMasks Masks;
    TSimulatedTrack Track;
};

// With the default masks car n is status bit n + 2.
bool CarOn(uint8_t status, int car) { return (status & (0x08 << (car - 1))) != 0; }

TSimulatedTrackConfig Exact()
{
    // No randomness where a test wants exact times.
    TSimulatedTrackConfig config;
    config.SpreadPermille = 0;
    config.ReactionMinUs = config.ReactionMaxUs = 200 * Ms;
    config.JumpStartProbability = 0.0;
    config.PulseUs = 5 * Ms;  // the pulse tests below are written for a 5 ms pulse
    return config;
}

int64_t GridUs(const TSimulatedTrackConfig& config, int car)
{
    return config.BaseLapUs[size_t(car - 1)] * config.GridPermille / 1000;
}

}  // namespace

class TestSimulatedTrack : public QObject {
    Q_OBJECT

private slots:
    void init() { m_dir = std::make_unique<TTestWorkDir>(); }

    void identity()
    {
        TRig rig(1);
        QCOMPARE(rig.Track.Description(), QStringLiteral("simulated track"));
        QVERIFY(rig.Track.DriverReady());
        rig.Track.Close();
        uint32_t value = 0;
        QVERIFY(!rig.Track.ReadPort(889, TPortSize::Byte, value));
        QVERIFY(rig.Track.Open());
    }

    void sameSeedSameRace()
    {
        // Two tracks polled every millisecond and one polled only now and
        // then must drive the same race: the draws may not depend on how
        // often the port is read.
        TRig a(42), b(42), sparse(42);
        std::array<QList<int64_t>, 4> crossingsA, crossingsB;
        auto race = [](TRig& rig, int64_t stepUs, std::array<QList<int64_t>, 4>* crossings) {
            rig.WriteAt(0, AllPower);
            rig.WriteAt(Countdown, AllPower | Green);
            rig.PollUntil(Countdown, 120 * Second, stepUs, [&](int64_t, uint8_t) {
                if (!crossings)
                    return;
                for (int car = 1; car <= 4; ++car) {
                    const int64_t last = rig.Track.LastCrossingUs(car);
                    if (last != TSimulatedTrack::NoCrossing &&
                        ((*crossings)[car - 1].isEmpty() || (*crossings)[car - 1].last() != last))
                        (*crossings)[car - 1].append(last);
                }
            });
            rig.WriteAt(120 * Second, Green);  // power off, coast
            rig.ReadAt(130 * Second);
        };
        race(a, Ms, &crossingsA);
        race(b, Ms, &crossingsB);
        race(sparse, 2'345 * Ms, nullptr);
        for (int car = 1; car <= 4; ++car) {
            QCOMPARE(crossingsA[car - 1], crossingsB[car - 1]);
            QVERIFY(crossingsA[car - 1].size() > 10);
            QCOMPARE(sparse.Track.Crossings(car), a.Track.Crossings(car));
            QCOMPARE(sparse.Track.LastCrossingUs(car), a.Track.LastCrossingUs(car));
            QCOMPARE(sparse.Track.DistanceToLineUs(car), a.Track.DistanceToLineUs(car));
        }

        TRig other(43);
        race(other, 2'345 * Ms, nullptr);
        bool differs = false;
        for (int car = 1; car <= 4; ++car)
            differs = differs || other.Track.LastCrossingUs(car) != a.Track.LastCrossingUs(car);
        QVERIFY(differs);
    }

    void lapTimesWithinSpread()
    {
        // Every lap of every car within its spread, and all above the default
        // minimum lap time, so that a simulated race counts every lap.
        TRig rig(7);
        const TSimulatedTrackConfig& config = rig.Track.Config();
        std::array<int64_t, 4> last{};
        std::array<int, 4> laps{};
        rig.WriteAt(0, AllPower | Green);
        rig.PollUntil(0, 600 * Second, 10 * Ms, [&](int64_t, uint8_t) {
            for (int car = 1; car <= 4; ++car) {
                const int64_t crossing = rig.Track.LastCrossingUs(car);
                if (crossing == TSimulatedTrack::NoCrossing || crossing == last[size_t(car - 1)])
                    continue;
                if (last[size_t(car - 1)] != 0) {
                    const int64_t lap = crossing - last[size_t(car - 1)];
                    const int64_t base = config.BaseLapUs[size_t(car - 1)];
                    QVERIFY2(lap >= base * (1000 - config.SpreadPermille) / 1000 - 1, qPrintable(QString::number(lap)));
                    QVERIFY2(lap <= base * (1000 + config.SpreadPermille) / 1000 + 1, qPrintable(QString::number(lap)));
                    QVERIFY(lap > 5000 * Ms);
                    ++laps[size_t(car - 1)];
                }
                last[size_t(car - 1)] = crossing;
            }
        });
        for (int car = 1; car <= 4; ++car) {
            QVERIFY(laps[size_t(car - 1)] > 70);
            QCOMPARE(rig.Track.LapsCompleted(car), int64_t(laps[size_t(car - 1)]));
        }
    }

    void noMovementWithoutPower_data()
    {
        QTest::addColumn<int>("image");
        QTest::newRow("all off") << 0x00;
        QTest::newRow("lights only") << 0xF0;
    }
    void noMovementWithoutPower()
    {
        QFETCH(int, image);
        TRig rig(3);
        std::array<int64_t, 4> distance{};
        for (int car = 1; car <= 4; ++car)
            distance[size_t(car - 1)] = rig.Track.DistanceToLineUs(car);
        rig.WriteAt(0, uint8_t(image));
        rig.PollUntil(0, 60 * Second, 100 * Ms, [](int64_t, uint8_t status) { QCOMPARE(int(status), 0); });
        for (int car = 1; car <= 4; ++car) {
            QCOMPARE(rig.Track.Phase(car), TCarPhase::Stopped);
            QCOMPARE(rig.Track.Crossings(car), int64_t(0));
            QCOMPARE(rig.Track.DistanceToLineUs(car), distance[size_t(car - 1)]);
        }
    }

    void powerLines_data()
    {
        QTest::addColumn<bool>("multiple");
        QTest::addColumn<int>("image");
        QTest::addColumn<int>("moving");  // bit n-1 = car n
        QTest::newRow("one signal: line 1 powers all") << false << 0x01 << 0b1111;
        QTest::newRow("one signal: lines 2..4 power none") << false << 0x0E << 0b0000;
        QTest::newRow("multiple: line 1 is car 1") << true << 0x01 << 0b0001;
        QTest::newRow("multiple: lines 2 and 4") << true << 0x0A << 0b1010;
        QTest::newRow("multiple: all four") << true << 0x0F << 0b1111;
        QTest::newRow("multiple: line 3") << true << 0x04 << 0b0100;
    }
    void powerLines()
    {
        QFETCH(bool, multiple);
        QFETCH(int, image);
        QFETCH(int, moving);
        TRig rig(5, Exact());
        rig.Settings.MultiplePowerSignals = multiple;
        rig.WriteAt(0, Green);
        rig.WriteAt(1 * Ms, uint8_t(image | Green));  // at green: no waiting
        rig.ReadAt(30 * Second);
        for (int car = 1; car <= 4; ++car) {
            const bool expected = (moving & (1 << (car - 1))) != 0;
            QCOMPARE(rig.Track.Phase(car), expected ? TCarPhase::Driving : TCarPhase::Stopped);
            QCOMPARE(rig.Track.Crossings(car) > 0, expected);
        }
    }

    void holdUntilGreenThenGo()
    {
        const TSimulatedTrackConfig config = Exact();
        TRig rig(9, config);
        rig.WriteAt(0, AllPower);
        rig.PollUntil(0, Countdown - 1, Ms, [](int64_t, uint8_t status) { QCOMPARE(int(status), 0); });
        for (int car = 1; car <= 4; ++car) {
            QCOMPARE(rig.Track.Phase(car), TCarPhase::Holding);
            QCOMPARE(rig.Track.DistanceToLineUs(car), GridUs(config, car));
        }
        rig.WriteAt(Countdown, AllPower | 0x70);  // the red lamps change nothing
        rig.WriteAt(Countdown, AllPower | Green);
        rig.ReadAt(Countdown + 200 * Ms - 1);
        for (int car = 1; car <= 4; ++car)
            QCOMPARE(rig.Track.Phase(car), TCarPhase::Holding);
        rig.ReadAt(Countdown + 2 * Second);
        for (int car = 1; car <= 4; ++car) {
            QCOMPARE(rig.Track.Phase(car), TCarPhase::Driving);
            QCOMPARE(rig.Track.Crossings(car), int64_t(1));
            QCOMPARE(rig.Track.LapsCompleted(car), int64_t(0));
            // Green, reaction time, then the run from the grid to the line.
            QCOMPARE(rig.Track.LastCrossingUs(car), Countdown + 200 * Ms + GridUs(config, car));
        }
        // The first pass lands well inside the default bounce delay after
        // green, the next one well after it.
        QVERIFY(rig.Track.LastCrossingUs(4) - Countdown < 1 * Second);
        rig.ReadAt(Countdown + 7'500 * Ms);
        QCOMPARE(rig.Track.Crossings(1), int64_t(2));
        QVERIFY(rig.Track.LastCrossingUs(1) - Countdown > 5 * Second);
    }

    void reactionIsRandomWithinLimits()
    {
        TSimulatedTrackConfig config;
        config.JumpStartProbability = 0.0;
        for (uint32_t seed = 1; seed <= 20; ++seed) {
            TRig rig(seed, config);
            rig.WriteAt(0, AllPower);
            rig.WriteAt(Countdown, AllPower | Green);
            rig.ReadAt(Countdown + 2 * Second);
            for (int car = 1; car <= 4; ++car) {
                const int64_t reaction = rig.Track.LastCrossingUs(car) - Countdown - GridUs(config, car);
                QVERIFY2(reaction >= config.ReactionMinUs && reaction <= config.ReactionMaxUs,
                         qPrintable(QString::number(reaction)));
            }
        }
    }

    void holdTimeout()
    {
        // Power on without a countdown (the Settings page's power boxes): the
        // drivers wait for the grid hold, then go anyway.
        const TSimulatedTrackConfig config = Exact();
        TRig rig(11, config);
        const int64_t on = 3 * Second;
        rig.WriteAt(on, AllPower);
        rig.ReadAt(on + config.GridHoldUs - 1);
        for (int car = 1; car <= 4; ++car) {
            QCOMPARE(rig.Track.Phase(car), TCarPhase::Holding);
            QCOMPARE(rig.Track.Crossings(car), int64_t(0));
        }
        rig.ReadAt(on + config.GridHoldUs + 1 * Second);
        for (int car = 1; car <= 4; ++car) {
            QCOMPARE(rig.Track.Phase(car), TCarPhase::Driving);
            QCOMPARE(rig.Track.LastCrossingUs(car), on + config.GridHoldUs + GridUs(config, car));
        }
    }

    void powerOffOnTheGridStaysPut()
    {
        const TSimulatedTrackConfig config = Exact();
        TRig rig(12, config);
        rig.WriteAt(0, AllPower);
        rig.WriteAt(2 * Second, 0x00);
        rig.WriteAt(2 * Second + 1, Green);  // a late green finds nobody holding
        rig.ReadAt(60 * Second);
        for (int car = 1; car <= 4; ++car) {
            QCOMPARE(rig.Track.Phase(car), TCarPhase::Stopped);
            QCOMPARE(rig.Track.DistanceToLineUs(car), GridUs(config, car));
        }
    }

    void restartAtGreenGoesAtOnce()
    {
        const TSimulatedTrackConfig config = Exact();
        TRig rig(13, config);
        // Race under way, then a pause: power off, the cars coast and stand.
        rig.WriteAt(0, AllPower);
        rig.WriteAt(Countdown, AllPower | Green);
        rig.WriteAt(Countdown + 600 * Ms, AllPower);
        const int64_t pause = 10 * Second;
        rig.WriteAt(pause, 0x00);
        rig.ReadAt(pause + 20 * Second);
        std::array<int64_t, 4> stoppedAt{};
        std::array<int64_t, 4> crossings{};
        for (int car = 1; car <= 4; ++car) {
            QCOMPARE(rig.Track.Phase(car), TCarPhase::Stopped);
            stoppedAt[size_t(car - 1)] = rig.Track.DistanceToLineUs(car);
            crossings[size_t(car - 1)] = rig.Track.Crossings(car);
        }
        // The restart countdown runs with the power off; at green the power comes on.
        const int64_t restartGreen = pause + 20 * Second + Countdown;
        rig.WriteAt(restartGreen - Countdown, 0x00);
        rig.WriteAt(restartGreen, Green);
        rig.WriteAt(restartGreen, AllPower | Green);
        for (int car = 1; car <= 4; ++car)
            QCOMPARE(rig.Track.Phase(car), TCarPhase::Driving);
        rig.ReadAt(restartGreen + 100 * Ms);
        for (int car = 1; car <= 4; ++car) {
            // Went on from where it stood, not from the grid, at once.
            QCOMPARE(rig.Track.DistanceToLineUs(car), stoppedAt[size_t(car - 1)] - 100 * Ms);
            QCOMPARE(rig.Track.Crossings(car), crossings[size_t(car - 1)]);
        }
    }

    void coastingStops()
    {
        const TSimulatedTrackConfig config = Exact();
        TRig rig(17, config);
        rig.WriteAt(0, AllPower | Green);
        const int64_t off = 2 * Second;
        rig.ReadAt(off);
        const int64_t before = rig.Track.DistanceToLineUs(1);
        rig.WriteAt(off, Green);
        rig.ReadAt(off + config.CoastUs - 1);
        QCOMPARE(rig.Track.Phase(1), TCarPhase::Coasting);
        rig.ReadAt(off + config.CoastUs);
        QCOMPARE(rig.Track.Phase(1), TCarPhase::Stopped);
        const int64_t crossings = rig.Track.Crossings(1);
        rig.ReadAt(off + 600 * Second);
        QCOMPARE(rig.Track.Phase(1), TCarPhase::Stopped);
        QCOMPARE(rig.Track.Crossings(1), crossings);
        // 300 ms at half speed: the distance of 150 ms at full speed.
        QCOMPARE(rig.Track.DistanceToLineUs(1), before - config.CoastUs * config.CoastSpeedPermille / 1000);
    }

    void coastingCarCrossesTheLine()
    {
        // Cut the power 100 ms before car 1 reaches the line: at half speed it
        // still gets there, 200 ms later, and the sensor sees it (this is what
        // the sustained sensor read after a pause or time-out is for).
        const TSimulatedTrackConfig config = Exact();
        TRig rig(19, config);
        rig.WriteAt(0, AllPower | Green);
        const int64_t second = GridUs(config, 1) + config.BaseLapUs[0];  // car 1's second pass at full speed
        rig.WriteAt(second - 100 * Ms, Green);
        bool seen = false;
        rig.PollUntil(second - 100 * Ms, second + 1 * Second, Ms,
                      [&](int64_t, uint8_t status) { seen = seen || CarOn(status, 1); });
        QVERIFY(seen);
        QCOMPARE(rig.Track.Crossings(1), int64_t(2));
        QCOMPARE(rig.Track.LastCrossingUs(1), second + 100 * Ms);
    }

    void sensorPulse_data()
    {
        QTest::addColumn<QList<qint64>>("readsAfterCrossing");  // microseconds after car 1's pass
        QTest::addColumn<bool>("seen");
        QTest::newRow("read inside the pulse") << QList<qint64>{2 * Ms} << true;
        QTest::newRow("read at the very pass") << QList<qint64>{0} << true;
        QTest::newRow("read at its last microsecond") << QList<qint64>{5 * Ms - 1} << true;
        QTest::newRow("read just after it") << QList<qint64>{5 * Ms} << false;
        QTest::newRow("read just before it") << QList<qint64>{-1} << false;
        QTest::newRow("reads around it miss it") << QList<qint64>{-1 * Ms, 6 * Ms} << false;
        QTest::newRow("reads around and inside") << QList<qint64>{-1 * Ms, 3 * Ms, 6 * Ms} << true;
    }
    void sensorPulse()
    {
        QFETCH(QList<qint64>, readsAfterCrossing);
        QFETCH(bool, seen);
        const TSimulatedTrackConfig config = Exact();
        TRig rig(23, config);
        rig.WriteAt(0, AllPower | Green);
        const int64_t crossing = GridUs(config, 1);
        bool sawIt = false;
        for (qint64 offset : readsAfterCrossing)
            sawIt = CarOn(rig.ReadAt(crossing + offset), 1) || sawIt;
        QCOMPARE(sawIt, seen);
        rig.ReadAt(crossing + 10 * Ms);
        // The pass happened whether or not a read saw it.
        QCOMPARE(rig.Track.Crossings(1), int64_t(1));
        QCOMPARE(rig.Track.LastCrossingUs(1), crossing);
    }

    void jumpStart_data()
    {
        QTest::addColumn<double>("probability");
        QTest::newRow("always") << 1.0;
        QTest::newRow("never") << 0.0;
    }
    void jumpStart()
    {
        QFETCH(double, probability);
        TSimulatedTrackConfig config;
        config.JumpStartProbability = probability;
        for (uint32_t seed = 1; seed <= 20; ++seed) {
            TRig rig(seed, config);
            // As the race does it: power on, then the countdown watches the
            // sensors without pause until green.
            rig.WriteAt(0, AllPower);
            std::array<bool, 4> flagged{};
            rig.PollUntil(0, Countdown - 1, 100, [&](int64_t, uint8_t status) {
                for (int car = 1; car <= 4; ++car)
                    flagged[size_t(car - 1)] = flagged[size_t(car - 1)] || CarOn(status, car);
            });
            for (int car = 1; car <= 4; ++car) {
                QCOMPARE(flagged[size_t(car - 1)], probability > 0.5);
                if (probability > 0.5) {
                    QVERIFY(rig.Track.LastCrossingUs(car) >= config.JumpEarliestUs);
                    QVERIFY(rig.Track.LastCrossingUs(car) < Countdown);
                }
            }
            // Whoever jumped carries on; the others go at green.
            rig.WriteAt(Countdown, AllPower | Green);
            rig.ReadAt(Countdown + 2 * Second);
            for (int car = 1; car <= 4; ++car)
                QCOMPARE(rig.Track.Phase(car), TCarPhase::Driving);
        }
    }

    void statusFollowsMasks_data()
    {
        QTest::addColumn<QList<int>>("masks");
        QTest::addColumn<int>("xorByte");
        QTest::addColumn<int>("idle");     // status byte with no car on a sensor
        QTest::addColumn<int>("passing");  // status byte while car 1 passes
        QTest::newRow("defaults") << QList<int>{8, 16, 32, 64} << 0 << 0x00 << 0x08;
        QTest::newRow("inverted") << QList<int>{8, 16, 32, 64} << 255 << 0xFF << 0xF7;
        QTest::newRow("custom masks") << QList<int>{1, 2, 4, 128} << 0 << 0x00 << 0x01;
        QTest::newRow("custom masks and xor") << QList<int>{128, 2, 4, 8} << 0x0F << 0x0F << 0x8F;
    }
    void statusFollowsMasks()
    {
        QFETCH(QList<int>, masks);
        QFETCH(int, xorByte);
        QFETCH(int, idle);
        QFETCH(int, passing);
        const TSimulatedTrackConfig config = Exact();
        TRig rig(29, config);
        for (int n = 0; n < 4; ++n)
            rig.Masks.Mask[size_t(n)] = uint8_t(masks[n]);
        rig.Masks.Xor = uint8_t(xorByte);
        rig.WriteAt(0, AllPower | Green);
        const int64_t crossing = GridUs(config, 1);
        QCOMPARE(int(rig.ReadAt(crossing - 1)), idle);
        QCOMPARE(int(rig.ReadAt(crossing + 1)), passing);

        // And the program, reading through the track I/O, sees car 1 on sensor 1.
        TTrackIo io(rig.Track, rig.Settings, rig.Masks);
        rig.Clock.SetNowUs(crossing + 2);
        QCOMPARE(io.ReadSensors(), (TSensorLevels{true, false, false, false}));
        rig.Clock.SetNowUs(crossing + 10 * Ms);
        QCOMPARE(io.ReadSensors(), (TSensorLevels{false, false, false, false}));
    }

    void addressIsIgnored()
    {
        // Any configured port address works with the simulator.
        const TSimulatedTrackConfig config = Exact();
        TRig rig(31, config);
        rig.Clock.SetNowUs(0);
        rig.Track.WritePort(0x1234, TPortSize::Byte, AllPower | Green);
        QCOMPARE(rig.Track.OutputImage(), uint8_t(AllPower | Green));
        rig.Clock.SetNowUs(GridUs(config, 1) + 1);
        uint32_t status = 0;
        QVERIFY(rig.Track.ReadPort(0x278, TPortSize::Byte, status));
        QVERIFY(CarOn(uint8_t(status), 1));
    }

private:
    std::unique_ptr<TTestWorkDir> m_dir;
};

QTEST_GUILESS_MAIN(TestSimulatedTrack)
#include "tst_simulatedtrack.moc"
