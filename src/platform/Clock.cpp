#include "platform/Clock.h"

#include <atomic>
#include <chrono>

namespace platform {

namespace {

// Read from the audio thread's position queries as well as the main thread.
std::atomic<bool> g_virtual{false};
std::atomic<uint32_t> g_virtualNow{0};
// Added to the steady clock's reading; wraps like the clock.
std::atomic<uint32_t> g_realOffset{0};

uint32_t SteadyMilliseconds() {
    using namespace std::chrono;
    auto ms = duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
    // Truncation is the wrap-around every 2^32 ms that callers expect.
    return static_cast<uint32_t>(static_cast<uint64_t>(ms));
}

}  // namespace

uint32_t timeGetTime() {
    if (g_virtual.load(std::memory_order_acquire))
        return g_virtualNow.load(std::memory_order_acquire);
    return SteadyMilliseconds() + g_realOffset.load(std::memory_order_acquire);
}

void UseVirtualClock(uint32_t start) {
    g_virtualNow.store(start, std::memory_order_release);
    g_virtual.store(true, std::memory_order_release);
}

void VirtualClockSet(uint32_t now) { g_virtualNow.store(now, std::memory_order_release); }

void VirtualClockAdvance(uint32_t milliseconds) {
    g_virtualNow.fetch_add(milliseconds, std::memory_order_acq_rel);  // unsigned: wraps
}

void UseRealClock() {
    g_realOffset.store(0, std::memory_order_release);
    g_virtual.store(false, std::memory_order_release);
}

void UseRealClockFrom(uint32_t now) {
    g_realOffset.store(now - SteadyMilliseconds(), std::memory_order_release);
    g_virtual.store(false, std::memory_order_release);
}

bool IsVirtualClock() { return g_virtual.load(std::memory_order_acquire); }

ClockSource CurrentClockSource() {
    ClockSource source;
    source.isVirtual = g_virtual.load(std::memory_order_acquire);
    source.value = source.isVirtual ? g_virtualNow.load(std::memory_order_acquire)
                                    : g_realOffset.load(std::memory_order_acquire);
    return source;
}

void RestoreClockSource(const ClockSource& source) {
    if (source.isVirtual) {
        g_virtualNow.store(source.value, std::memory_order_release);
    } else {
        g_realOffset.store(source.value, std::memory_order_release);
    }
    g_virtual.store(source.isVirtual, std::memory_order_release);
}

}  // namespace platform
