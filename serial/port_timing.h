#pragma once
// The port's timing, the same on every platform: it sets the pace of the
// handshake and of the memory transfer.

#include <chrono>

namespace quillmer::serial {

/// How long read_byte waits for a byte.
inline constexpr std::chrono::milliseconds kReadTimeout{5};
/// Time for the far end to take the last bytes before the speed changes under
/// them: a drained USB adapter may still hold a few bytes in its chip, and a
/// pseudo-terminal (under Wine too) has no drain at all.
inline constexpr std::chrono::milliseconds kSpeedSettle{50};
/// Failed reads or writes in a row after which the device counts as gone.
inline constexpr int kFailuresForGone = 20;

}  // namespace quillmer::serial
