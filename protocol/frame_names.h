#pragma once
// Names of what goes over the wire, for the wire trace: the frames the program
// sends, by the names the protocol gives them, and the radio's replies, by what
// the program makes of them.

#include <span>
#include <string>

#include "protocol/frames.h"

namespace quillmer::protocol {

/// IDENTIFY_LONG, IDENTIFY_SHORT, SPEED_NOTICE, LINK_QUERY, LINK_OPEN,
/// KEEPALIVE, READY_PROBE, LINK_CLOSE for those frames byte for byte; a write
/// frame as the channel it puts into the radio, `WRITE ch 17 145.500000 DUP-
/// 0.600000 DV "GB7NB B"` (the offset only with DUP- or DUP+, the label
/// without its padding), and an erase frame as `ERASE ch 300`; "?" for any
/// other bytes, a write frame whose fixed bytes are not the program's among them.
std::string sent_frame_name(std::span<const Byte> frame);

/// A run of bytes from the radio that is one whole reply: "OK", "NG",
/// "identify ID-91", "identify ID-92", "identify 12 34" (other id bytes),
/// "link ready", "ready". "?" for anything else: noise, a half frame, a frame
/// with bytes before its preamble or not addressed from the radio (80 01).
std::string reply_name(std::span<const Byte> bytes);

}  // namespace quillmer::protocol
