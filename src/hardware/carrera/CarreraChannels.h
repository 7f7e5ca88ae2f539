#pragma once

#include "common/SpscRing.h"
#include "hardware/BoardTimestamps.h"

#include <array>
#include <atomic>
#include <cstdint>

// What the Control Unit's link thread and the rest of the program share.
// Every member is an atomic or a single-producer, single-consumer ring, so
// the race engine's poll loop never waits for the link and never allocates.
struct TCarreraChannels {
    static constexpr int Addresses = 8;  // cars 1..6, the ghost car, the pace car

    // Crossings of the start/finish line by cars 1..6, on the CU's clock
    // (Sensor is the car's address). A full ring drops the newest: between
    // races nobody takes them, and a race empties the ring before its green.
    TSpscRing<TBoardTimestamps::TArrival, 256> Arrivals;

    // The last timer event per address (index address - 1), for the I/O test
    // page: its CU time, its sector and how many new events there were.
    struct TLastEvent {
        std::atomic<uint32_t> TimeMs{0};
        std::atomic<uint8_t> Sector{0};
        std::atomic<uint32_t> Count{0};
    };
    std::array<TLastEvent, Addresses> LastEvents{};

    // From the last status.
    std::atomic<bool> StatusKnown{false};
    std::atomic<uint8_t> StartLight{0};
    std::atomic<uint8_t> Mode{0};
    std::array<std::atomic<uint8_t>, Addresses> Fuel{};
    std::array<std::atomic<uint32_t>, Addresses> PitEntries{};

    // Requests from the program; the link serves each count it has not yet.
    std::atomic<uint32_t> StartRequests{0};
    std::atomic<uint32_t> ClockResetRequests{0};  // served before the start they come with
    std::atomic<uint32_t> StopRequests{0};
    // The tower: bits 0..15 the places of tracks 1..4 (a nibble each),
    // bits 16..31 the leader's laps; the link sends what changed.
    std::atomic<uint32_t> Tower{0};

    // The CU's clock at the last green and the last stop. The time is stored
    // before the count, so a count read is never newer than its time.
    std::atomic<int64_t> GreenUs{0};
    std::atomic<uint32_t> GreenEpoch{0};
    std::atomic<uint32_t> Greens{0};
    std::atomic<int64_t> StopUs{0};
    std::atomic<uint32_t> StopEpoch{0};
    std::atomic<uint32_t> Stops{0};

    std::atomic<uint32_t> Version{0};  // four ASCII characters, the first in the low byte
    std::atomic<bool> Connected{false};
    std::atomic<uint32_t> Epoch{0};  // counts the connections made
    std::atomic<bool> StopRequested{false};
};
