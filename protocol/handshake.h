#pragma once
// The identification handshake: long identify calls at 38400 bit/s, then short
// ones from 4800 and from 9600 bit/s with a return to 38400 and a link query.

#include <array>
#include <cstddef>
#include <cstdint>

#include "console/console.h"
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
    std::uint32_t bytes = 0;      ///< bytes read
    int own_frames = 0;           ///< finished frames that were copies of the program's calls
    int identify_replies = 0;     ///< finished frames that were the radio's identify replies
    std::array<int, 3> speeds{};  ///< the line speeds called at, in order
    std::size_t speeds_tried = 0;
};

/// Calls the radio until it answers or both phases have run out, turning the
/// spinner meanwhile. On success the line runs at 38400 bit/s. Stores the id
/// bytes when an identify reply passes by; they live for the whole run and are
/// not cleared when a handshake starts, so a failed later attempt can leave an
/// earlier radio's values. Pass counts are part of the protocol. `heard` starts
/// afresh and records what came back.
HandshakeResult run_handshake(serial::Line& line, ReplyBuffer& reply, IdBytes& id,
                              console::Console& console, HandshakeRecord& heard);

/// Changes the line speed; prints the settings error when the driver refuses,
/// and carries on as if the change had taken effect.
void change_speed(serial::Line& line, int rate, console::Console& console);

}  // namespace quillmer::protocol
