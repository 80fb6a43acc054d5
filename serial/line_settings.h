#pragma once
// The line the radio talks on, the same on every platform: its speeds, its
// character and the read wait that paces the handshake and the memory transfer.
// The ports set the line from these, the protocol paces and times itself by
// them, and the front end names them; so they live here, below the protocol.

#include <array>
#include <chrono>

namespace quillmer::serial {

/// The speed a port is opened at and the radio talks at, in bit/s.
inline constexpr int kDefaultSpeed = 38400;
/// The speeds the handshake calls from, in its order, when nothing answers at
/// kDefaultSpeed.
inline constexpr std::array<int, 2> kFallbackSpeeds{4800, 9600};

/// True for the speeds the line runs at.
constexpr bool is_line_speed(int rate) {
    return rate == kDefaultSpeed || rate == kFallbackSpeeds[0] || rate == kFallbackSpeeds[1];
}

/// The radio's character: a start bit, 8 data bits, no parity bit, a stop bit.
/// The ports set the data bits and turn parity checking off; the stop bits
/// stay as the driver has them.
inline constexpr int kDataBits = 8;
inline constexpr int kStopBits = 1;
/// The bits one byte takes on the wire.
inline constexpr int kBitsPerByte = 1 + kDataBits + kStopBits;

/// How long read_byte waits for a byte: one pass of the protocol's loops.
inline constexpr std::chrono::milliseconds kReadTimeout{5};
/// Time for the far end to take the last bytes before the speed changes under
/// them: a drained USB adapter may still hold a few bytes in its chip, and a
/// pseudo-terminal (under Wine too) has no drain at all.
inline constexpr std::chrono::milliseconds kSpeedSettle{50};
/// Failed reads or writes in a row after which the device counts as gone.
inline constexpr int kFailuresForGone = 20;

}  // namespace quillmer::serial
