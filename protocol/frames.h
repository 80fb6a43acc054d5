#pragma once
// Every byte the program sends to the radio. All traffic has one shape: FE
// preamble bytes, two address bytes, a command byte, data, and the end byte FD.

#include <array>
#include <cstddef>
#include <cstdint>

namespace quillmer::protocol {

using Byte = std::uint8_t;

/// What a frame starts with, two or more of them, both ways.
inline constexpr Byte kPreamble = 0xFE;
/// What ends every frame, both ways.
inline constexpr Byte kEndByte = 0xFD;

namespace detail {
/// A call frame: `preamble` bytes FE, then 01 80 19 FD.
template <std::size_t Preamble>
constexpr std::array<Byte, Preamble + 4> identify_frame() {
    std::array<Byte, Preamble + 4> frame{};
    for (std::size_t i = 0; i < Preamble; ++i) frame[i] = kPreamble;
    frame[Preamble] = 0x01;
    frame[Preamble + 1] = 0x80;
    frame[Preamble + 2] = 0x19;
    frame[Preamble + 3] = kEndByte;
    return frame;
}
}  // namespace detail

// The frames that never change.
inline constexpr auto IDENTIFY_LONG = detail::identify_frame<402>();
inline constexpr auto IDENTIFY_SHORT = detail::identify_frame<27>();
inline constexpr std::array<Byte, 7> SPEED_NOTICE{0xFE, 0xFE, 0x01, 0x80, 0x1A, 0xEF, 0xFD};
inline constexpr std::array<Byte, 6> LINK_QUERY{0xFE, 0xFE, 0x01, 0x80, 0x18, 0xFD};
inline constexpr std::array<Byte, 7> LINK_OPEN{0xFE, 0xFE, 0x01, 0x80, 0x18, 0x01, 0xFD};
inline constexpr std::array<Byte, 7> LINK_CLOSE{0xFE, 0xFE, 0x01, 0x80, 0x18, 0x00, 0xFD};
inline constexpr std::array<Byte, 7> KEEPALIVE{0xFE, 0xFE, 0x01, 0x80, 0x15, 0x02, 0xFD};
inline constexpr std::array<Byte, 8> READY_PROBE{0xFE, 0xFE, 0x01, 0x80, 0x1D, 0x50, 0x00, 0xFD};

inline constexpr std::size_t kWriteFrameSize = 67;
inline constexpr std::size_t kEraseFrameSize = 11;

/// Offsets in the write frame of the bytes the channel encoder sets.
namespace write_at {
inline constexpr std::size_t kChannelHundreds = 7;
inline constexpr std::size_t kChannelTensUnits = 8;
inline constexpr std::size_t kFrequency = 9;  ///< 5 bytes, least significant first
inline constexpr std::size_t kOffset = 14;    ///< 4 bytes, least significant first
inline constexpr std::size_t kMode = 27;
inline constexpr std::size_t kDuplex = 28;
inline constexpr std::size_t kLabel = 32;  ///< 8 characters
inline constexpr std::size_t kCall1 = 42;  ///< 8 characters
inline constexpr std::size_t kCall2 = 50;  ///< 8 characters
inline constexpr std::size_t kCall3 = 58;  ///< 8 characters
}  // namespace write_at

/// Offsets in the erase frame of the two channel bytes.
namespace erase_at {
inline constexpr std::size_t kChannelHundreds = 7;
inline constexpr std::size_t kChannelTensUnits = 8;
}  // namespace erase_at

/// The write frame with its fixed bytes and every variable byte zero.
inline constexpr std::array<Byte, kWriteFrameSize> WRITE_FRAME_TEMPLATE{
    0xFE, 0xFE, 0x02, 0x80, 0x1A, 0x00, 0x01,              // 0..6
    0x00, 0x00,                                            // 7..8 channel
    0x00, 0x00, 0x00, 0x00, 0x00,                          // 9..13 frequency
    0x00, 0x00, 0x00, 0x00,                                // 14..17 offset
    0x00, 0x08, 0x85, 0x08, 0x85, 0x00, 0x23, 0x22, 0x80,  // 18..26
    0x00, 0x00,                                            // 27 mode, 28 duplex
    0x00, 0x00, 0x00,                                      // 29..31
    0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20,        // 32..39 label
    0x00, 0x00,                                            // 40..41
    0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20,        // 42..49 call field 1
    0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20,        // 50..57 call field 2
    0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20,        // 58..65 call field 3
    0xFD};

/// The erase frame: a channel without a frequency.
inline constexpr std::array<Byte, kEraseFrameSize> ERASE_FRAME_TEMPLATE{
    0xFE, 0xFE, 0x02, 0x80, 0x1A, 0x00, 0x01, 0x00, 0x00, 0xFF, 0xFD};

/// The two frames the channel encoder fills in place before each send. There is
/// one of each for the whole run.
struct ChannelFrames {
    std::array<Byte, kWriteFrameSize> write = WRITE_FRAME_TEMPLATE;
    std::array<Byte, kEraseFrameSize> erase = ERASE_FRAME_TEMPLATE;
};

}  // namespace quillmer::protocol
