#include "support/TestSupport.h"
#include "timing/RealTimeScheduling.h"

#include <QtTest>

#include <cerrno>

namespace {
// Answers as configured and notes the priority asked for.
class TFakeScheduler final : public TThreadScheduler {
public:
    int MinFifoPriority() const override { return Min; }
    int MaxFifoPriority() const override { return Max; }
    int SetFifo(int priority) override
    {
        Asked = priority;
        return Error;
    }
    int FifoPriority() const override { return Error == 0 ? ReadBack : -1; }

    int Min = 1;
    int Max = 99;
    int Error = 0;
    int ReadBack = 0;
    int Asked = -1;
};
}  // namespace

class TstRealTimeScheduling : public QObject {
    Q_OBJECT

private slots:
    void init() { m_workDir = std::make_unique<TTestWorkDir>(); }
    void cleanup()
    {
        EnableRealTimeTiming(false);
        m_workDir.reset();
    }

    // First: it needs a process in which no timing thread has run.
    void probeBeforeAnyRace();
    void policy_data();
    void policy();

private:
    std::unique_ptr<TTestWorkDir> m_workDir;
};

void TstRealTimeScheduling::probeBeforeAnyRace()
{
    QCOMPARE(TimingSchedulingText(LastTimingScheduling()),
             QStringLiteral("Timing thread: normal scheduling (not yet started)"));
    // Switched off, the probe asks nothing of the system, yet has an answer.
    QCOMPARE(TimingSchedulingText(ProbedTimingScheduling()),
             QStringLiteral("Timing thread: normal scheduling (real-time switched off)"));
    QCOMPARE(LastTimingScheduling().kind, TTimingScheduling::Normal);
}

void TstRealTimeScheduling::policy_data()
{
    QTest::addColumn<unsigned>("cores");
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<int>("minPriority");
    QTest::addColumn<int>("maxPriority");
    QTest::addColumn<int>("error");
    QTest::addColumn<int>("readBack");
    QTest::addColumn<int>("asked");  // -1: the system is not asked
    QTest::addColumn<QString>("text");

    const QString normal = QStringLiteral("Timing thread: normal scheduling (%1)");
    QTest::newRow("switched off") << 4u << false << 1 << 99 << 0 << 10 << -1 << normal.arg("real-time switched off");
    QTest::newRow("one core") << 1u << true << 1 << 99 << 0 << 10 << -1 << normal.arg("one core only");
    QTest::newRow("core count unknown") << 0u << true << 1 << 99 << 0 << 10 << -1 << normal.arg("one core only");
    QTest::newRow("granted") << 2u << true << 1 << 99 << 0 << 10 << 10
                             << QStringLiteral("Timing thread: real-time scheduling (SCHED_FIFO, priority 10)");
    QTest::newRow("granted, shown as read back")
        << 2u << true << 1 << 99 << 0 << 12 << 10
        << QStringLiteral("Timing thread: real-time scheduling (SCHED_FIFO, priority 12)");
    QTest::newRow("raised to the minimum")
        << 8u << true << 20 << 99 << 0 << 20 << 20
        << QStringLiteral("Timing thread: real-time scheduling (SCHED_FIFO, priority 20)");
    QTest::newRow("lowered to the maximum")
        << 2u << true << 1 << 5 << 0 << 5 << 5
        << QStringLiteral("Timing thread: real-time scheduling (SCHED_FIFO, priority 5)");
    QTest::newRow("not permitted") << 2u << true << 1 << 99 << EPERM << 0 << 10
                                   << normal.arg("real-time not permitted");
    QTest::newRow("other failure") << 2u << true << 1 << 99 << EINVAL << 0 << 10
                                   << normal.arg("real-time not available");
    QTest::newRow("no priority range") << 2u << true << -1 << -1 << 0 << 0 << -1
                                       << normal.arg("real-time not available");
}

// Also the recorded status, read back as the Info page does.
void TstRealTimeScheduling::policy()
{
    QFETCH(unsigned, cores);
    QFETCH(bool, enabled);
    TFakeScheduler scheduler;
    QFETCH(int, minPriority);
    QFETCH(int, maxPriority);
    QFETCH(int, error);
    QFETCH(int, readBack);
    scheduler.Min = minPriority;
    scheduler.Max = maxPriority;
    scheduler.Error = error;
    scheduler.ReadBack = readBack;

    EnableRealTimeTiming(enabled);
    const TTimingScheduling got = UseTimingScheduling(scheduler, cores);
    QTEST(scheduler.Asked, "asked");
    QTEST(TimingSchedulingText(got), "text");
    QCOMPARE(LastTimingScheduling(), got);
    QCOMPARE(ProbedTimingScheduling(), got);
}

QTEST_GUILESS_MAIN(TstRealTimeScheduling)
#include "tst_realtimescheduling.moc"
