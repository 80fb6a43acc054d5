#pragma once
// The radio's 400 memory channels as the write frames left them, and a decoder
// that turns a write frame back into readable fields.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "sim/frames.h"

namespace quillmer::sim {

inline constexpr int kChannelCount = 400;

using WriteFrame = std::array<std::uint8_t, kWriteFrameSize>;

enum class SlotState {
    unwritten,  ///< no frame for this channel arrived
    erased,     ///< the last frame for it was an erase frame
    written,    ///< the last frame for it was a write frame, kept in Slot::frame
};

struct Slot {
    SlotState state = SlotState::unwritten;
    WriteFrame frame{};  ///< the last write frame, with exactly FE FE in front; zeros before
    int stores = 0;      ///< write and erase frames applied to this channel, all told
};

using MemoryImage = std::array<Slot, kChannelCount>;

/// Mode codes at offset 27.
inline constexpr std::uint8_t kModeAuto = 0x5E;
inline constexpr std::uint8_t kModeDv = 0x4E;
inline constexpr std::uint8_t kModeAm = 0x3E;
inline constexpr std::uint8_t kModeFmNarrow = 0x1E;
inline constexpr std::uint8_t kModeFm = 0x0E;

/// Duplex codes at offset 28.
inline constexpr std::uint8_t kDuplexNone = 0;
inline constexpr std::uint8_t kDuplexMinus = 1;
inline constexpr std::uint8_t kDuplexPlus = 2;

/// The variable contents of one write frame.
struct ChannelFields {
    int channel = 0;                    ///< -1 when the channel bytes are not decimal
    std::uint64_t frequency_hz = 0;     ///< offsets 9..13
    std::uint32_t offset_hz = 0;        ///< offsets 14..17
    std::uint8_t mode = kModeFm;        ///< offset 27
    std::uint8_t duplex = kDuplexNone;  ///< offset 28
    std::string label;                  ///< offsets 32..39, 8 bytes as sent
    std::string call1;                  ///< offsets 42..49
    std::string call2;                  ///< offsets 50..57
    std::string call3;                  ///< offsets 58..65
    bool packed_ok = true;              ///< false when a frequency or offset nibble is above 9
};

/// Reads the fields of a 67-byte write frame. Nibbles above 9 are counted at their
/// value and clear packed_ok.
ChannelFields decode_write_frame(const WriteFrame& frame);

/// Builds a write frame with every fixed byte as listed; text fields are cut or
/// padded with spaces to 8 bytes. Channel 0..399, frequency below 10 GHz, offset
/// below 100 MHz.
WriteFrame encode_write_frame(const ChannelFields& fields);

/// A received write frame with exactly FE FE in front, whatever preamble it came
/// with; nothing unless its kind is Write.
std::optional<WriteFrame> normalised_write_frame(std::span<const std::uint8_t> frame);

/// "AUTO", "DV", "AM", "FM-N", "FM", or "?" for any other code.
std::string_view mode_name(std::uint8_t code);

/// "DUP+", "DUP-", "" for none, or "?" for any other code.
std::string_view duplex_name(std::uint8_t code);

/// Hertz as megahertz with six decimals: 433450000 gives "433.450000".
std::string format_mhz(std::uint64_t hz);

/// Number of channels in the given state.
int count_slots(const MemoryImage& image, SlotState state);

}  // namespace quillmer::sim
