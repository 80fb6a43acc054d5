#include "sim/frames.h"

#include <algorithm>
#include <cstdio>

namespace quillmer::sim {
namespace {

// The bytes after the preamble of each fixed frame.
constexpr std::array<std::uint8_t, 4> kIdentifyBody{0x01, 0x80, 0x19, 0xFD};
constexpr std::array<std::uint8_t, 5> kChannelHeader{0x02, 0x80, 0x1A, 0x00, 0x01};

struct FixedByte {
    std::size_t offset;
    std::uint8_t value;
};

// Every byte of the write frame that is the same for every channel.
constexpr std::array<FixedByte, 22> kWriteFixed{{
    {0, 0xFE},  {1, 0xFE},  {2, 0x02},  {3, 0x80},  {4, 0x1A},  {5, 0x00},  {6, 0x01},  {18, 0x00},
    {19, 0x08}, {20, 0x85}, {21, 0x08}, {22, 0x85}, {23, 0x00}, {24, 0x23}, {25, 0x22}, {26, 0x80},
    {29, 0x00}, {30, 0x00}, {31, 0x00}, {40, 0x00}, {41, 0x00}, {66, 0xFD},
}};

template <std::size_t N>
bool body_is(std::span<const std::uint8_t> body, const std::array<std::uint8_t, N>& frame,
             std::size_t preamble) {
    return std::equal(body.begin(), body.end(), frame.begin() + preamble, frame.end());
}

template <std::size_t N>
bool same(std::span<const std::uint8_t> frame, const std::array<std::uint8_t, N>& listed) {
    return std::equal(frame.begin(), frame.end(), listed.begin(), listed.end());
}

FrameKind classify_channel(std::span<const std::uint8_t> body) {
    // body: header, two channel bytes, data, FD
    if (body.size() == kWriteFrameSize - 2) return FrameKind::write;
    if (body.size() == kEraseFrameSize - 2 && body[7] == 0xFF) return FrameKind::erase;
    return FrameKind::bad_channel;
}

}  // namespace

std::string_view kind_name(FrameKind kind) {
    switch (kind) {
        case FrameKind::identify:
            return "IDENTIFY";
        case FrameKind::speed_notice:
            return "SPEED_NOTICE";
        case FrameKind::link_query:
            return "LINK_QUERY";
        case FrameKind::link_open:
            return "LINK_OPEN";
        case FrameKind::link_close:
            return "LINK_CLOSE";
        case FrameKind::keepalive:
            return "KEEPALIVE";
        case FrameKind::ready_probe:
            return "READY_PROBE";
        case FrameKind::write:
            return "WRITE";
        case FrameKind::erase:
            return "ERASE";
        case FrameKind::bad_channel:
            return "BAD_CHANNEL";
        case FrameKind::unknown:
            break;
    }
    return "UNKNOWN";
}

std::size_t preamble_length(std::span<const std::uint8_t> frame) {
    const auto first_other =
        std::find_if(frame.begin(), frame.end(), [](std::uint8_t b) { return b != kPreambleByte; });
    return static_cast<std::size_t>(first_other - frame.begin());
}

FrameKind classify(std::span<const std::uint8_t> frame) {
    const std::size_t preamble = preamble_length(frame);
    if (preamble == 0) return FrameKind::unknown;
    const auto body = frame.subspan(preamble);
    if (body.empty() || body.back() != kEndByte) return FrameKind::unknown;

    if (std::equal(body.begin(), body.end(), kIdentifyBody.begin(), kIdentifyBody.end())) {
        return FrameKind::identify;
    }
    if (body_is(body, kSpeedNotice, 2)) return FrameKind::speed_notice;
    if (body_is(body, kLinkQuery, 2)) return FrameKind::link_query;
    if (body_is(body, kLinkOpen, 2)) return FrameKind::link_open;
    if (body_is(body, kLinkClose, 2)) return FrameKind::link_close;
    if (body_is(body, kKeepalive, 2)) return FrameKind::keepalive;
    if (body_is(body, kReadyProbe, 2)) return FrameKind::ready_probe;
    if (body.size() >= kChannelHeader.size() + 1 &&
        std::equal(kChannelHeader.begin(), kChannelHeader.end(), body.begin())) {
        return classify_channel(body);
    }
    return FrameKind::unknown;
}

bool is_exact(std::span<const std::uint8_t> frame) {
    switch (classify(frame)) {
        case FrameKind::identify: {
            const std::size_t preamble = preamble_length(frame);
            return preamble == kIdentifyLongPreamble || preamble == kIdentifyShortPreamble;
        }
        case FrameKind::speed_notice:
            return same(frame, kSpeedNotice);
        case FrameKind::link_query:
            return same(frame, kLinkQuery);
        case FrameKind::link_open:
            return same(frame, kLinkOpen);
        case FrameKind::link_close:
            return same(frame, kLinkClose);
        case FrameKind::keepalive:
            return same(frame, kKeepalive);
        case FrameKind::ready_probe:
            return same(frame, kReadyProbe);
        case FrameKind::write:
            return fixed_byte_faults(frame).empty();
        case FrameKind::erase:
            return frame.size() == kEraseFrameSize && channel_number(frame[7], frame[8]) >= 0;
        case FrameKind::bad_channel:
        case FrameKind::unknown:
            break;
    }
    return false;
}

std::vector<std::size_t> fixed_byte_faults(std::span<const std::uint8_t> frame) {
    std::vector<std::size_t> faults;
    for (const FixedByte& fixed : kWriteFixed) {
        if (fixed.offset >= frame.size() || frame[fixed.offset] != fixed.value) {
            faults.push_back(fixed.offset);
        }
    }
    if (frame.size() != kWriteFrameSize && (faults.empty() || faults.back() != 66)) {
        faults.push_back(66);
    }
    return faults;
}

Bytes identify_frame(std::size_t preamble) {
    Bytes frame(preamble, kPreambleByte);
    frame.insert(frame.end(), kIdentifyBody.begin(), kIdentifyBody.end());
    return frame;
}

std::array<std::uint8_t, 2> channel_bytes(int channel) {
    return {static_cast<std::uint8_t>((channel / 100) % 10),
            static_cast<std::uint8_t>(((channel / 10) % 10) * 16 + channel % 10)};
}

int channel_number(std::uint8_t hundreds, std::uint8_t tens_units) {
    const int tens = tens_units >> 4;
    const int units = tens_units & 0x0F;
    if (hundreds > 9 || tens > 9 || units > 9) return -1;
    return hundreds * 100 + tens * 10 + units;
}

Bytes erase_frame(int channel) {
    const auto ch = channel_bytes(channel);
    return {0xFE, 0xFE, 0x02, 0x80, 0x1A, 0x00, 0x01, ch[0], ch[1], 0xFF, 0xFD};
}

std::string hex(std::span<const std::uint8_t> bytes) {
    std::string text;
    text.reserve(bytes.size() * 3);
    for (const std::uint8_t b : bytes) {
        char digits[4];
        std::snprintf(digits, sizeof digits, "%02X", static_cast<unsigned>(b));
        if (!text.empty()) text += ' ';
        text += digits;
    }
    return text;
}

}  // namespace quillmer::sim
