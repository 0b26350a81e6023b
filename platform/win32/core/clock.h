// The clock behind tick counts, timers and local time: the real clock in tarnhost, a virtual one in tests.
#pragma once

#include <cstdint>

namespace platform::clock {

// Milliseconds since the clock started: the monotonic clock, or the virtual clock's value.
uint64_t NowMs();

// Switches between the real and the virtual clock. Selecting the virtual clock starts it at 0 ms.
void UseVirtual(bool on);
bool IsVirtual();

// Sets the virtual clock (only forward). The message bus advances it while it fires timers in order.
void SetVirtualNowMs(uint64_t ms);

// Seconds since 1970 for local-time calls: the real time, or under the virtual clock a fixed base
// (SetWallBase, by default 2026-03-14 09:26:53 UTC) plus the virtual milliseconds elapsed.
int64_t WallTimeSeconds();
void SetWallBase(int64_t secondsSinceEpoch);

}  // namespace platform::clock
