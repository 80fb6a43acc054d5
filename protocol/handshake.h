#pragma once
// The identification handshake: long identify calls at the line's own speed,
// then short ones from each fallback speed with a return to the line's own
// speed and a link query (serial/line_settings.h).

#include <array>
#include <cstddef>
#include <cstdint>

#include "protocol/events.h"
#include "protocol/frames.h"
#include "protocol/receiver.h"
#include "serial/line.h"

namespace quillmer::protocol {

/// Whether a radio answered on the line.
enum class HandshakeResult { success, failure };

/// What came back while the handshake called: enough to tell a silent port
/// from a cable that echoes the program's own calls, or from a line that
/// carries bytes but no radio's answer.
struct HandshakeRecord {
    std::uint32_t bytes = 0;   ///< bytes read
    int own_frames = 0;        ///< finished frames that were copies of the program's calls
    int identify_replies = 0;  ///< finished frames that were the radio's identify replies
    std::array<int, 1 + serial::kFallbackSpeeds.size()> speeds{};  ///< called at, in order
    std::size_t speeds_tried = 0;
};

/// Calls the radio until it answers or both phases have run out, reporting the
/// spinner's turns meanwhile. On success the line runs at kDefaultSpeed. Stores the id
/// bytes when an identify reply passes by; they live for the whole run and are
/// not cleared when a handshake starts, so a failed later attempt can leave an
/// earlier radio's values. Pass counts are part of the protocol. `heard` starts
/// afresh and records what came back.
HandshakeResult run_handshake(serial::Line& line, ReplyBuffer& reply, IdBytes& id,
                              HandshakeObserver& events, HandshakeRecord& heard);

}  // namespace quillmer::protocol
