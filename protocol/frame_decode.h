#pragma once
// A write or erase frame read back into the channel it puts into the radio:
// what the preview of a memory file shows, and what a trace of the wire can
// name each channel frame by.

#include <optional>
#include <span>
#include <string>

#include "channels/row_fields.h"
#include "protocol/frames.h"

namespace quillmer::protocol {

/// One channel frame as the radio will take it.
struct DecodedChannel {
    bool erase = false;     ///< an erase frame: nothing below but the channel
    int channel = -1;       ///< 0..399; -1 when the channel bytes hold no decimal number
    std::string frequency;  ///< MHz with six decimals: "145.500000", "1297.500000"
    std::string offset;     ///< MHz with six decimals: "0.600000"
    /// False when a packed digit of the frequency or offset is above 9; it is
    /// shown as the hexadecimal digit it is.
    bool decimal = true;
    Byte mode_code = 0;
    Byte duplex_code = 0;
    std::optional<channels::Mode> mode;      ///< nothing for a code no row gives
    std::optional<channels::Duplex> duplex;  ///< nothing for a code no row gives
    std::string label;                       ///< 8 bytes each, as sent
    std::string call1;
    std::string call2;
    std::string call3;
};

/// The channel of a write frame (67 bytes) or an erase frame (11 bytes) as the
/// program sends them: FE FE 02 80 1A 00 01 first, FD last, and for an erase
/// frame FF before it. Nothing for any other frame. The other fixed bytes of a
/// write frame are not looked at.
std::optional<DecodedChannel> decode_channel_frame(std::span<const Byte> frame);

/// "FM", "DV", ... or, for a code no row gives, "?" and the code in hexadecimal.
std::string mode_text(const DecodedChannel& channel);

/// "OFF", "DUP-", "DUP+" or, for a code no row gives, "?" and the code.
std::string duplex_text(const DecodedChannel& channel);

}  // namespace quillmer::protocol
