#pragma once
// The reply frame receiver: the radio's bytes, one per call, collected into the
// reply buffer, and what the program makes of a finished reply.

#include <array>
#include <cstdint>

#include "protocol/replies.h"
#include "serial/line.h"

namespace quillmer::protocol {

inline constexpr std::int32_t kLastReplyPosition = 253;

/// The bytes of the reply being received. Lives for the whole run; the
/// handshake and the memory transfer set `fill` back to 0 after each frame.
struct ReplyBuffer {
    std::array<std::uint8_t, kLastReplyPosition + 1> bytes{};
    std::int32_t fill = 0;  ///< where the next byte goes
    /// Bytes read since the run started: the waits on the radio are timed
    /// from the last one.
    std::uint32_t received = 0;
};

/// Reads at most one byte and stores it. True when that byte was FD, the end of
/// a frame; false otherwise, also when no byte came. Every FE restarts the frame
/// at position 2, and an overlong frame keeps overwriting its last position.
bool receive_step(serial::Line& line, ReplyBuffer& reply);

/// False for a finished frame that no reply of the radio can be: shorter than
/// the shortest reply, or an identify reply (19 at position 4) of another
/// length than the identify reply's. Noise, or a reply that lost a byte.
bool reply_can_be_radios(const ReplyBuffer& reply);
/// The radio acknowledged: FE FE at positions 0 and 1, FB at position 4.
bool reply_is_ok(const ReplyBuffer& reply);
/// The radio refused: FE FE at positions 0 and 1, FA at position 4.
bool reply_is_ng(const ReplyBuffer& reply);
/// An identify reply: 19 at position 4, whatever comes before it.
bool reply_is_identify(const ReplyBuffer& reply);
/// An identify reply from the radio: its addresses 80 01 at positions 2 and 3,
/// and 19 at position 4.
bool reply_is_radios_identify(const ReplyBuffer& reply);
/// A copy of one of the program's own calls: the addresses 01 80 at positions
/// 2 and 3 (only the channel frames carry 02 80), where the radio's replies
/// carry 80 01. A cable that echoes every byte written to it sends them back.
bool reply_is_own_frame(const ReplyBuffer& reply);
/// The id bytes of an identify reply: positions 5 and 6.
IdBytes reply_id(const ReplyBuffer& reply);
/// The link is up: 18 01 at positions 4 and 5.
bool reply_is_link_ready(const ReplyBuffer& reply);
/// An ID-92 takes channels: 1D 50 at positions 4 and 5.
bool reply_is_ready(const ReplyBuffer& reply);

}  // namespace quillmer::protocol
