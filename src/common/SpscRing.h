#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <type_traits>

// A fixed-size ring from one producer thread to one consumer thread. Neither
// side ever waits, locks or allocates, which is what the timing thread's
// poll loop needs. A full ring refuses the newest item and counts it.
template <typename T, uint32_t Slots>
class TSpscRing {
    static_assert(std::is_trivially_copyable_v<T>, "items are copied into the slots as they are");
    static_assert(Slots > 0 && (Slots & (Slots - 1)) == 0, "the counters wrap round cleanly only at a power of two");

public:
    bool Push(const T& item)
    {
        const uint32_t head = m_head.load(std::memory_order_relaxed);
        if (head - m_tail.load(std::memory_order_acquire) >= Slots) {
            m_dropped.fetch_add(1, std::memory_order_relaxed);
            return false;
        }
        m_items[head % Slots] = item;
        m_head.store(head + 1, std::memory_order_release);
        return true;
    }

    bool Take(T& item)
    {
        const uint32_t tail = m_tail.load(std::memory_order_relaxed);
        if (tail == m_head.load(std::memory_order_acquire))
            return false;
        item = m_items[tail % Slots];
        m_tail.store(tail + 1, std::memory_order_release);
        return true;
    }

    static constexpr uint32_t Capacity = Slots;
    // Items pushed and taken so far (they wrap round at 2^32 together).
    uint32_t Pushed() const { return m_head.load(std::memory_order_acquire); }
    uint32_t Taken() const { return m_tail.load(std::memory_order_relaxed); }
    // Items refused because the consumer fell a whole ring behind.
    int64_t Dropped() const { return m_dropped.load(std::memory_order_relaxed); }

private:
    std::array<T, Slots> m_items{};
    std::atomic<uint32_t> m_head{0};  // next slot the producer fills
    std::atomic<uint32_t> m_tail{0};  // next slot the consumer takes
    std::atomic<int64_t> m_dropped{0};
};
