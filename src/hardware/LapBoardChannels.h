#pragma once

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
    static constexpr uint32_t ArrivalSlots = 256;
    std::array<TBoardTimestamps::TArrival, ArrivalSlots> Arrivals{};
    std::atomic<uint32_t> ArrivalHead{0};  // next slot the producer fills
    std::atomic<uint32_t> ArrivalTail{0};  // next slot the consumer takes
    std::atomic<int64_t> DroppedArrivals{0};

    bool PushArrival(const TBoardTimestamps::TArrival& arrival)
    {
        const uint32_t head = ArrivalHead.load(std::memory_order_relaxed);
        if (head - ArrivalTail.load(std::memory_order_acquire) >= ArrivalSlots) {
            DroppedArrivals.fetch_add(1, std::memory_order_relaxed);
            return false;
        }
        Arrivals[head % ArrivalSlots] = arrival;
        ArrivalHead.store(head + 1, std::memory_order_release);
        return true;
    }

    bool TakeArrival(TBoardTimestamps::TArrival& arrival)
    {
        const uint32_t tail = ArrivalTail.load(std::memory_order_relaxed);
        if (tail == ArrivalHead.load(std::memory_order_acquire))
            return false;
        arrival = Arrivals[tail % ArrivalSlots];
        ArrivalTail.store(tail + 1, std::memory_order_release);
        return true;
    }

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
