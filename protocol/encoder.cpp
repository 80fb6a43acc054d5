#include "protocol/encoder.h"

#include <algorithm>

#include "protocol/channel_codes.h"

namespace quillmer::protocol {

namespace {

using channels::ChannelRow;
using channels::kBlankName;
using channels::kNameChars;

Byte low_nibble(char c) {
    return static_cast<Byte>(static_cast<unsigned char>(c) & 0x0F);
}

// A name field of the frame holds a name of the file.
static_assert(write_at::kNameBytes == kNameChars);

void put_name(std::array<Byte, kWriteFrameSize>& frame, std::size_t at,
              const std::array<char, kNameChars + 1>& name) {
    std::transform(name.begin(), name.begin() + kNameChars, frame.begin() + at,
                   [](char c) { return static_cast<Byte>(c); });
}

}  // namespace

PackedNumber decimal_to_packed(std::string_view text) {
    PackedNumber number;
    const std::size_t point = std::min(text.find('.'), text.size());
    for (const char c : text.substr(0, point)) number.integer = number.integer * 16 + low_nibble(c);
    if (point == text.size()) return number;

    const std::string_view fraction = text.substr(point + 1);
    const std::size_t digits = std::min(fraction.size(), number.fraction.size() * 2);
    for (std::size_t k = 0; k < digits; ++k) {
        const int shift = k % 2 == 0 ? 4 : 0;
        number.fraction[k / 2] =
            static_cast<Byte>(number.fraction[k / 2] | (low_nibble(fraction[k]) << shift));
    }
    return number;
}

std::array<Byte, 2> channel_bytes(int channel) {
    return {static_cast<Byte>(channel / 100 % 10),
            static_cast<Byte>(channel / 10 % 10 * 16 + channel % 10)};
}

void encode_channel(const ChannelRow& row, int channel, ChannelFrames& frames) {
    namespace at = write_at;
    auto& frame = frames.write;

    const auto [hundreds, tens_units] = channel_bytes(channel);
    frame[at::kChannelHundreds] = hundreds;
    frame[at::kChannelTensUnits] = tens_units;
    frames.erase[erase_at::kChannelHundreds] = hundreds;
    frames.erase[erase_at::kChannelTensUnits] = tens_units;

    // Megahertz with a point become hertz: the integer digits land above the
    // six fraction digits, least significant byte first.
    const PackedNumber frequency = decimal_to_packed(row.frequency.data());
    static_assert(at::kFrequencyBytes == 5 && at::kOffsetBytes == 4);
    frame[at::kFrequency + 4] = static_cast<Byte>((frequency.integer >> 8) & 0xFF);
    frame[at::kFrequency + 3] = static_cast<Byte>(frequency.integer & 0xFF);
    frame[at::kFrequency + 2] = frequency.fraction[0];
    frame[at::kFrequency + 1] = frequency.fraction[1];
    frame[at::kFrequency] = frequency.fraction[2];

    const PackedNumber offset = decimal_to_packed(row.offset.data());
    frame[at::kOffset + 3] = static_cast<Byte>(offset.integer & 0xFF);
    frame[at::kOffset + 2] = offset.fraction[0];
    frame[at::kOffset + 1] = offset.fraction[1];
    frame[at::kOffset] = offset.fraction[2];

    frame[at::kMode] = mode_code(channels::mode_of(row.mode.data()));
    frame[at::kDuplex] = duplex_code(channels::duplex_of(row.duplex.data()));

    // A channel without a label is shown blank, whatever its call fields hold.
    // The call signs go in the order of the header on the air: RPT2, RPT1, UR.
    const bool blank = channels::names_blanked(row);
    put_name(frame, at::kLabel, blank ? kBlankName : row.label);
    put_name(frame, at::kCall1, blank ? kBlankName : row.rpt2);
    put_name(frame, at::kCall2, blank ? kBlankName : row.rpt1);
    put_name(frame, at::kCall3, blank ? kBlankName : row.ur);
}

}  // namespace quillmer::protocol
