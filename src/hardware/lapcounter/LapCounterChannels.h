#pragma once

#include "common/SpscRing.h"
#include "hardware/BoardTimestamps.h"

#include <array>
#include <atomic>
#include <cstdint>

// What the counter's link thread and the rest of the program share. Every
// member is an atomic or a single-producer, single-consumer ring, so the
// race engine's poll loop never waits for the link and never allocates.
struct TLapCounterChannels {
    // Laps, from the link thread to the race engine, as arrivals on the
    // counter's clock (lane as sensor). A full ring drops the newest.
    TSpscRing<TBoardTimestamps::TArrival, 256> Arrivals;

    // How the counter's clock stands to the PC's steady clock: the counter
    // read CounterUs at the PC moment PcUs, in connection or race start
    // Epoch. Two anchors: the last clock reset (exact at the green) and the
    // last clock message (near at any later moment, whatever the counter's
    // crystal does). Published by the link under a sequence count: a reader
    // that sees the count change or odd reads again.
    struct TAnchors {
        uint32_t Epoch = 0;
        bool ResetKnown = false;  // a reset was sent in this epoch
        int64_t ResetPcUs = 0;    // when the counter's clock went to zero
        bool ClockKnown = false;  // a clock message came in this epoch
        int64_t ClockPcUs = 0;
        int64_t ClockCounterUs = 0;
    };
    std::atomic<uint32_t> AnchorSeq{0};
    std::atomic<uint32_t> AnchorEpoch{0};
    std::atomic<bool> AnchorResetKnown{false};
    std::atomic<int64_t> AnchorResetPcUs{0};
    std::atomic<bool> AnchorClockKnown{false};
    std::atomic<int64_t> AnchorClockPcUs{0};
    std::atomic<int64_t> AnchorClockCounterUs{0};

    void PublishAnchors(const TAnchors& anchors)
    {
        const uint32_t seq = AnchorSeq.load(std::memory_order_relaxed);
        AnchorSeq.store(seq + 1, std::memory_order_relaxed);
        std::atomic_thread_fence(std::memory_order_release);
        AnchorEpoch.store(anchors.Epoch, std::memory_order_relaxed);
        AnchorResetKnown.store(anchors.ResetKnown, std::memory_order_relaxed);
        AnchorResetPcUs.store(anchors.ResetPcUs, std::memory_order_relaxed);
        AnchorClockKnown.store(anchors.ClockKnown, std::memory_order_relaxed);
        AnchorClockPcUs.store(anchors.ClockPcUs, std::memory_order_relaxed);
        AnchorClockCounterUs.store(anchors.ClockCounterUs, std::memory_order_relaxed);
        AnchorSeq.store(seq + 2, std::memory_order_release);
    }

    TAnchors ReadAnchors() const
    {
        for (;;) {
            const uint32_t before = AnchorSeq.load(std::memory_order_acquire);
            TAnchors anchors;
            anchors.Epoch = AnchorEpoch.load(std::memory_order_relaxed);
            anchors.ResetKnown = AnchorResetKnown.load(std::memory_order_relaxed);
            anchors.ResetPcUs = AnchorResetPcUs.load(std::memory_order_relaxed);
            anchors.ClockKnown = AnchorClockKnown.load(std::memory_order_relaxed);
            anchors.ClockPcUs = AnchorClockPcUs.load(std::memory_order_relaxed);
            anchors.ClockCounterUs = AnchorClockCounterUs.load(std::memory_order_relaxed);
            std::atomic_thread_fence(std::memory_order_acquire);
            if ((before & 1u) == 0 && AnchorSeq.load(std::memory_order_relaxed) == before)
                return anchors;
        }
    }

    // Race starts (the clock to zero) the program asked for, and how many
    // the link has sent: a moment near a start waits for it to be sent.
    std::atomic<uint32_t> StartsWanted{0};
    std::atomic<uint32_t> StartsSent{0};

    // For the I/O test page: the PC's steady ms of each lane's last lap
    // (lanes 1..4), messages dropped as damaged, and the first lane number
    // outside 1..4 (0: none seen).
    std::array<std::atomic<int64_t>, 4> LastLapPcMs{};
    std::atomic<uint32_t> Dropped{0};
    std::atomic<uint32_t> StrayLane{0};

    std::atomic<bool> Connected{false};
    std::atomic<uint32_t> Epoch{0};  // counts connections and clock resets
    std::atomic<bool> StopRequested{false};
};
