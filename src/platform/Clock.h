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

}  // namespace platform

using platform::timeGetTime;
