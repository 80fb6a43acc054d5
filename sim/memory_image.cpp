#include "sim/memory_image.h"

#include <algorithm>
#include <cstdio>

namespace quillmer::sim {
namespace {

constexpr std::size_t kFrequencyAt = 9;  // 5 bytes, least significant first
constexpr std::size_t kOffsetAt = 14;    // 4 bytes, least significant first
constexpr std::size_t kModeAt = 27;
constexpr std::size_t kDuplexAt = 28;
constexpr std::size_t kLabelAt = 32;
constexpr std::size_t kCall1At = 42;
constexpr std::size_t kCall2At = 50;
constexpr std::size_t kCall3At = 58;
constexpr std::size_t kTextSize = 8;

// Packed decimal, least significant byte first.
std::uint64_t unpack(const WriteFrame& frame, std::size_t at, std::size_t size, bool& ok) {
    std::uint64_t value = 0;
    for (std::size_t i = size; i-- > 0;) {
        const std::uint64_t high = frame[at + i] >> 4;
        const std::uint64_t low = frame[at + i] & 0x0Fu;
        if (high > 9 || low > 9) ok = false;
        value = value * 100 + high * 10 + low;
    }
    return value;
}

void pack(WriteFrame& frame, std::size_t at, std::size_t size, std::uint64_t value) {
    for (std::size_t i = 0; i < size; ++i) {
        const auto two_digits = static_cast<unsigned>(value % 100);
        frame[at + i] = static_cast<std::uint8_t>((two_digits / 10) << 4 | two_digits % 10);
        value /= 100;
    }
}

std::string text_at(const WriteFrame& frame, std::size_t at) {
    return std::string(frame.begin() + static_cast<std::ptrdiff_t>(at),
                       frame.begin() + static_cast<std::ptrdiff_t>(at + kTextSize));
}

void put_text(WriteFrame& frame, std::size_t at, std::string_view text) {
    for (std::size_t i = 0; i < kTextSize; ++i) {
        frame[at + i] = static_cast<std::uint8_t>(i < text.size() ? text[i] : ' ');
    }
}

}  // namespace

ChannelFields decode_write_frame(const WriteFrame& frame) {
    ChannelFields fields;
    fields.channel = channel_number(frame[7], frame[8]);
    fields.frequency_hz = unpack(frame, kFrequencyAt, 5, fields.packed_ok);
    fields.offset_hz = static_cast<std::uint32_t>(unpack(frame, kOffsetAt, 4, fields.packed_ok));
    fields.mode = frame[kModeAt];
    fields.duplex = frame[kDuplexAt];
    fields.label = text_at(frame, kLabelAt);
    fields.call1 = text_at(frame, kCall1At);
    fields.call2 = text_at(frame, kCall2At);
    fields.call3 = text_at(frame, kCall3At);
    return fields;
}

WriteFrame encode_write_frame(const ChannelFields& fields) {
    WriteFrame frame{};
    constexpr std::array<std::uint8_t, 7> kHead{0xFE, 0xFE, 0x02, 0x80, 0x1A, 0x00, 0x01};
    constexpr std::array<std::uint8_t, 9> kMiddle{0x00, 0x08, 0x85, 0x08, 0x85,
                                                  0x00, 0x23, 0x22, 0x80};
    std::copy(kHead.begin(), kHead.end(), frame.begin());
    const auto ch = channel_bytes(fields.channel);
    frame[7] = ch[0];
    frame[8] = ch[1];
    pack(frame, kFrequencyAt, 5, fields.frequency_hz);
    pack(frame, kOffsetAt, 4, fields.offset_hz);
    std::copy(kMiddle.begin(), kMiddle.end(), frame.begin() + 18);
    frame[kModeAt] = fields.mode;
    frame[kDuplexAt] = fields.duplex;
    put_text(frame, kLabelAt, fields.label);
    put_text(frame, kCall1At, fields.call1);
    put_text(frame, kCall2At, fields.call2);
    put_text(frame, kCall3At, fields.call3);
    frame[kWriteFrameSize - 1] = kEndByte;
    return frame;
}

std::optional<WriteFrame> normalised_write_frame(std::span<const std::uint8_t> frame) {
    if (classify(frame) != FrameKind::write) return std::nullopt;
    const auto body = frame.subspan(preamble_length(frame));
    WriteFrame normal{};
    normal[0] = kPreambleByte;
    normal[1] = kPreambleByte;
    std::copy(body.begin(), body.end(), normal.begin() + 2);
    return normal;
}

std::string_view mode_name(std::uint8_t code) {
    switch (code) {
        case kModeAuto:
            return "AUTO";
        case kModeDv:
            return "DV";
        case kModeAm:
            return "AM";
        case kModeFmNarrow:
            return "FM-N";
        case kModeFm:
            return "FM";
        default:
            return "?";
    }
}

std::string_view duplex_name(std::uint8_t code) {
    switch (code) {
        case kDuplexNone:
            return "";
        case kDuplexMinus:
            return "DUP-";
        case kDuplexPlus:
            return "DUP+";
        default:
            return "?";
    }
}

std::string format_mhz(std::uint64_t hz) {
    char text[32];
    std::snprintf(text, sizeof text, "%llu.%06llu", static_cast<unsigned long long>(hz / 1000000),
                  static_cast<unsigned long long>(hz % 1000000));
    return text;
}

int count_slots(const MemoryImage& image, SlotState state) {
    return static_cast<int>(std::count_if(
        image.begin(), image.end(), [state](const Slot& slot) { return slot.state == state; }));
}

}  // namespace quillmer::sim
