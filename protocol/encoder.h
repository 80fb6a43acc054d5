#pragma once
// The channel record encoder: a channel row and a channel number become the
// bytes of the write frame and of the erase frame.

#include <array>
#include <cstdint>
#include <string_view>

#include "channels/reader.h"
#include "protocol/frames.h"

namespace quillmer::protocol {

/// A decimal text as packed decimal: the integer part with one digit a nibble,
/// and the first six fraction digits, two a byte, the first digit high.
struct PackedNumber {
    std::uint32_t integer = 0;
    std::array<std::uint8_t, 3> fraction{};
};

/// Every character contributes its low four bits; nothing is validated (the
/// memory file check runs before).
PackedNumber decimal_to_packed(std::string_view text);

/// Fills the write frame and the channel bytes of the erase frame for channel
/// 0..399 from the row. Which of the two goes out is the channel stream's choice
/// (channel_stream.h).
void encode_channel(const channels::ChannelRow& row, int channel, ChannelFrames& frames);

/// The two channel bytes of the frames for channel 0..399: the hundreds as a
/// plain value, then tens and units packed; channel 123 is 01 23.
std::array<Byte, 2> channel_bytes(int channel);

}  // namespace quillmer::protocol
