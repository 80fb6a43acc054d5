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

/// What every channel frame starts with, before its two channel bytes.
inline constexpr std::array<Byte, 7> kChannelFrameHead{0xFE, 0xFE, 0x02, 0x80, 0x1A, 0x00, 0x01};

/// The fields of the write frame that the channel encoder sets: where each
/// starts, and how many bytes the wider ones take.
namespace write_at {
inline constexpr std::size_t kChannelHundreds = 7;   ///< the hundreds, 0 to 3
inline constexpr std::size_t kChannelTensUnits = 8;  ///< tens and units, packed
inline constexpr std::size_t kFrequency = 9;  ///< packed decimal, least significant byte first
inline constexpr std::size_t kFrequencyBytes = 5;
inline constexpr std::size_t kOffset = 14;  ///< packed decimal, least significant byte first
inline constexpr std::size_t kOffsetBytes = 4;
inline constexpr std::size_t kMode = 27;
inline constexpr std::size_t kDuplex = 28;
inline constexpr std::size_t kLabel = 32;     ///< characters, padded with spaces
inline constexpr std::size_t kCall1 = 42;     ///< characters, padded with spaces
inline constexpr std::size_t kCall2 = 50;     ///< characters, padded with spaces
inline constexpr std::size_t kCall3 = 58;     ///< characters, padded with spaces
inline constexpr std::size_t kNameBytes = 8;  ///< the label and each call field
}  // namespace write_at

/// The fields of the erase frame: the two channel bytes, as in the write frame,
/// then the erase mark.
namespace erase_at {
inline constexpr std::size_t kChannelHundreds = write_at::kChannelHundreds;
inline constexpr std::size_t kChannelTensUnits = write_at::kChannelTensUnits;
inline constexpr std::size_t kMark = 9;
}  // namespace erase_at
inline constexpr Byte kEraseMark = 0xFF;

namespace detail {
/// A channel frame of `Size` bytes: the head, `fixed` from offset `at` on, the
/// end byte last, and every other byte `fill`.
template <std::size_t Size, std::size_t N>
constexpr std::array<Byte, Size> channel_frame(Byte fill, std::size_t at,
                                               const std::array<Byte, N>& fixed) {
    std::array<Byte, Size> frame{};
    for (Byte& b : frame) b = fill;
    for (std::size_t i = 0; i < kChannelFrameHead.size(); ++i) frame[i] = kChannelFrameHead[i];
    for (std::size_t i = 0; i < N; ++i) frame[at + i] = fixed[i];
    frame[Size - 1] = kEndByte;
    return frame;
}

/// The write frame: the channel, frequency, offset, mode and duplex zero, the
/// fixed bytes 18 to 26 and 29 to 31, 40 and 41, the label and the call
/// fields blank.
constexpr std::array<Byte, kWriteFrameSize> write_frame_template() {
    auto frame = channel_frame<kWriteFrameSize>(
        0x20, write_at::kChannelHundreds,
        std::array<Byte, 25>{0x00, 0x00,                                            // channel
                             0x00, 0x00, 0x00, 0x00, 0x00,                          // frequency
                             0x00, 0x00, 0x00, 0x00,                                // offset
                             0x00, 0x08, 0x85, 0x08, 0x85, 0x00, 0x23, 0x22, 0x80,  // 18..26
                             0x00, 0x00,                                            // mode, duplex
                             0x00, 0x00, 0x00});                                    // 29..31
    frame[write_at::kLabel + write_at::kNameBytes] = 0x00;
    frame[write_at::kLabel + write_at::kNameBytes + 1] = 0x00;
    return frame;
}
}  // namespace detail

/// The write frame with its fixed bytes and every variable byte zero, the names
/// blank.
inline constexpr auto WRITE_FRAME_TEMPLATE = detail::write_frame_template();

/// The erase frame: a channel without a frequency.
inline constexpr auto ERASE_FRAME_TEMPLATE =
    detail::channel_frame<kEraseFrameSize>(0x00, erase_at::kMark, std::array<Byte, 1>{kEraseMark});

/// The two frames the channel encoder fills in place before each send. There is
/// one of each for the whole run.
struct ChannelFrames {
    std::array<Byte, kWriteFrameSize> write = WRITE_FRAME_TEMPLATE;
    std::array<Byte, kEraseFrameSize> erase = ERASE_FRAME_TEMPLATE;
};

}  // namespace quillmer::protocol
