// The millisecond clock of every timer: a wrapping uint32, like timeGetTime.
// A stepped virtual clock can replace the real one (tests, capture, stills).
#pragma once

#include <cstdint>

namespace platform {

// Milliseconds from the current clock source; wraps after 2^32 ms.
uint32_t timeGetTime();

// Replaces the real clock by a virtual one that only moves when told to.
// Passing `start` sets its value; VirtualClockAdvance moves it forward (wrapping).
void UseVirtualClock(uint32_t start);
void VirtualClockSet(uint32_t now);
void VirtualClockAdvance(uint32_t milliseconds);
// Back to the real steady clock; the second form makes it read `now` at this moment and
// run on from there, so timers started on a virtual clock keep counting without a jump.
void UseRealClock();
void UseRealClockFrom(uint32_t now);
bool IsVirtualClock();

// Which clock is in use and where it stands (the virtual clock's reading, or the real clock's
// offset), so that code which runs on a virtual clock for a while can put it back exactly:
// the real clock then reads as if nothing had happened in between.
struct ClockSource {
    bool isVirtual = false;
    uint32_t value = 0;
};
ClockSource CurrentClockSource();
void RestoreClockSource(const ClockSource& source);

}  // namespace platform

using platform::timeGetTime;
