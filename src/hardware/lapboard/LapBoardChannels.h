#pragma once

#include "common/SpscRing.h"
#include "hardware/BoardTimestamps.h"

#include <array>
#include <atomic>
#include <cstdint>

// What the board's reader thread and the rest of the program share. Every
// member is an atomic or a single-producer, single-consumer ring, so the
// race engine's poll loop never waits for the reader and never allocates.
struct TLapBoardChannels {
    // Arrivals, from the reader thread (producer) to the race engine
    // (consumer). A full ring drops the newest: between races nobody takes
    // them, and a race empties the ring before its first green.
    TSpscRing<TBoardTimestamps::TArrival, 256> Arrivals;

    bool PushArrival(const TBoardTimestamps::TArrival& arrival) { return Arrivals.Push(arrival); }
    bool TakeArrival(TBoardTimestamps::TArrival& arrival) { return Arrivals.Take(arrival); }

    // The output image the program wants, and how many writes made it.
    // Written by whichever thread drives the track (one at a time), read by
    // the reader thread, which sends the newest image it finds.
    std::atomic<uint8_t> WantedImage{0};
    std::atomic<uint32_t> WriteCount{0};

    // Write numbers up to AckedWrites have been applied on the board; the
    // board time of each sits in its slot (the last AckSlots writes).
    static constexpr uint32_t AckSlots = 64;
    struct TAckSlot {
        std::atomic<uint32_t> Epoch{0};
        std::atomic<int64_t> BoardUs{0};
    };
    std::array<TAckSlot, AckSlots> AckTimes{};
    std::atomic<uint32_t> AckedWrites{0};

    std::atomic<uint8_t> Levels{0};  // bit n-1: a car at sensor n
    std::atomic<bool> Connected{false};
    std::atomic<uint32_t> Epoch{0};  // counts the connections made
    std::atomic<bool> StopRequested{false};
};
