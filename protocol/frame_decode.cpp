#include "protocol/frame_decode.h"

#include <algorithm>
#include <array>

#include "core/text.h"
#include "protocol/channel_codes.h"

namespace quillmer::protocol {

namespace {

constexpr std::size_t kFractionDigits = 6;

/// Packed digits, least significant byte first, as megahertz: the last six
/// digits after the point, the leading zeros of the rest dropped (one kept).
std::string packed_mhz(std::span<const Byte> bytes, bool& decimal) {
    std::string digits;
    for (std::size_t i = bytes.size(); i-- > 0;) {
        const unsigned high = bytes[i] >> 4;
        const unsigned low = bytes[i] & 0x0Fu;
        if (high > 9 || low > 9) decimal = false;
        digits.append(text::hex_digits(bytes[i]).data(), 2);
    }
    std::string whole = digits.substr(0, digits.size() - kFractionDigits);
    const std::size_t first = std::min(whole.find_first_not_of('0'), whole.size() - 1);
    return whole.substr(first) + "." + digits.substr(digits.size() - kFractionDigits);
}

std::string name_at(std::span<const Byte> frame, std::size_t at) {
    const std::span<const Byte> field = frame.subspan(at, write_at::kNameBytes);
    return {field.begin(), field.end()};
}

/// The channel number of the two channel bytes: hundreds as a plain value,
/// tens and units packed; -1 when a digit is above 9.
int channel_of(Byte hundreds, Byte tens_units) {
    const int tens = tens_units >> 4;
    const int units = tens_units & 0x0F;
    if (hundreds > 9 || tens > 9 || units > 9) return -1;
    return hundreds * 100 + tens * 10 + units;
}

std::string unknown_code(Byte code) {
    std::string shown = "?";
    return shown.append(text::hex_digits(code).data(), 2);
}

}  // namespace

std::optional<DecodedChannel> decode_channel_frame(std::span<const Byte> frame) {
    const bool write = frame.size() == kWriteFrameSize;
    const bool erase = frame.size() == kEraseFrameSize && frame[erase_at::kMark] == kEraseMark;
    if (!write && !erase) return std::nullopt;
    if (!std::equal(kChannelFrameHead.begin(), kChannelFrameHead.end(), frame.begin()) ||
        frame.back() != kEndByte) {
        return std::nullopt;
    }
    DecodedChannel decoded;
    decoded.erase = erase;
    decoded.channel =
        channel_of(frame[write_at::kChannelHundreds], frame[write_at::kChannelTensUnits]);
    if (erase) return decoded;

    decoded.frequency =
        packed_mhz(frame.subspan(write_at::kFrequency, write_at::kFrequencyBytes), decoded.decimal);
    decoded.offset =
        packed_mhz(frame.subspan(write_at::kOffset, write_at::kOffsetBytes), decoded.decimal);
    decoded.mode_code = frame[write_at::kMode];
    decoded.duplex_code = frame[write_at::kDuplex];
    decoded.mode = mode_from_code(decoded.mode_code);
    decoded.duplex = duplex_from_code(decoded.duplex_code);
    decoded.label = name_at(frame, write_at::kLabel);
    decoded.call1 = name_at(frame, write_at::kCall1);
    decoded.call2 = name_at(frame, write_at::kCall2);
    decoded.call3 = name_at(frame, write_at::kCall3);
    return decoded;
}

std::string mode_text(const DecodedChannel& channel) {
    if (channel.mode) return std::string(channels::mode_name(*channel.mode));
    return unknown_code(channel.mode_code);
}

std::string duplex_text(const DecodedChannel& channel) {
    if (channel.duplex) return std::string(channels::duplex_name(*channel.duplex));
    return unknown_code(channel.duplex_code);
}

}  // namespace quillmer::protocol
