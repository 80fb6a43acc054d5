#pragma once
// The frames the radio hears, as the radio tells them apart: by the bytes after
// the run of FE that opens every frame. The listed frames below are the exact
// byte sequences the program is meant to send; tests compare against them.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace quillmer::sim {

using Bytes = std::vector<std::uint8_t>;

inline constexpr std::uint8_t kPreambleByte = 0xFE;
inline constexpr std::uint8_t kEndByte = 0xFD;

/// What the radio makes of a frame. The radio accepts any number of FE bytes in
/// front, so the kind says nothing about the preamble; is_exact() does.
enum class FrameKind {
    identify,      ///< 01 80 19 FD
    speed_notice,  ///< 01 80 1A EF FD
    link_query,    ///< 01 80 18 FD
    link_open,     ///< 01 80 18 01 FD
    link_close,    ///< 01 80 18 00 FD
    keepalive,     ///< 01 80 15 02 FD
    ready_probe,   ///< 01 80 1D 50 00 FD
    write,         ///< 02 80 1A 00 01, 60 bytes of channel data, FD
    erase,         ///< 02 80 1A 00 01 <hundreds> <tens units> FF FD
    bad_channel,   ///< starts like a channel frame but is neither of the two above
    unknown,       ///< anything else
};
inline constexpr std::size_t kFrameKindCount = 11;

/// Upper-case name for logs and test messages: "IDENTIFY", "WRITE", ...
std::string_view kind_name(FrameKind kind);

/// Number of FE bytes the frame starts with.
std::size_t preamble_length(std::span<const std::uint8_t> frame);

/// Kind of a whole frame (its preamble through its FD).
FrameKind classify(std::span<const std::uint8_t> frame);

/// True when the frame is byte for byte one the program is meant to send:
/// IDENTIFY with exactly 402 or 27 FE, every other fixed frame with FE FE, a
/// write frame of 67 bytes whose fixed bytes are all as listed, an erase frame of
/// 11 bytes. BadChannel and Unknown frames are never exact.
bool is_exact(std::span<const std::uint8_t> frame);

/// Offsets of a write frame (0..66) whose byte differs from the listed fixed byte
/// (00 08 85 08 85 00 23 22 80 at 18..26, 00 at 29..31 and 40..41, FD at 66, and
/// FE FE 02 80 1A 00 01 at 0..6). A frame of another length than 67 is compared
/// as far as it goes and offset 66 is reported as well. Empty: all fixed bytes fit.
std::vector<std::size_t> fixed_byte_faults(std::span<const std::uint8_t> frame);

inline constexpr std::size_t kWriteFrameSize = 67;
inline constexpr std::size_t kEraseFrameSize = 11;
inline constexpr std::size_t kIdentifyLongPreamble = 402;
inline constexpr std::size_t kIdentifyShortPreamble = 27;

/// IDENTIFY with the given number of FE bytes in front (402: IDENTIFY_LONG, 27:
/// IDENTIFY_SHORT).
Bytes identify_frame(std::size_t preamble);

inline constexpr std::array<std::uint8_t, 7> kSpeedNotice{0xFE, 0xFE, 0x01, 0x80, 0x1A, 0xEF, 0xFD};
inline constexpr std::array<std::uint8_t, 6> kLinkQuery{0xFE, 0xFE, 0x01, 0x80, 0x18, 0xFD};
inline constexpr std::array<std::uint8_t, 7> kLinkOpen{0xFE, 0xFE, 0x01, 0x80, 0x18, 0x01, 0xFD};
inline constexpr std::array<std::uint8_t, 7> kLinkClose{0xFE, 0xFE, 0x01, 0x80, 0x18, 0x00, 0xFD};
inline constexpr std::array<std::uint8_t, 7> kKeepalive{0xFE, 0xFE, 0x01, 0x80, 0x15, 0x02, 0xFD};
inline constexpr std::array<std::uint8_t, 8> kReadyProbe{0xFE, 0xFE, 0x01, 0x80,
                                                         0x1D, 0x50, 0x00, 0xFD};

/// The 11-byte erase frame for channel 0..399.
Bytes erase_frame(int channel);

/// The two channel bytes of channel 0..399: hundreds, then tens and units packed.
std::array<std::uint8_t, 2> channel_bytes(int channel);

/// Channel number from the two channel bytes; -1 when a digit is not decimal.
int channel_number(std::uint8_t hundreds, std::uint8_t tens_units);

/// The bytes as "FE FE 01 80 ..." for messages.
std::string hex(std::span<const std::uint8_t> bytes);

}  // namespace quillmer::sim
