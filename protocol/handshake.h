#pragma once
// The identification handshake: long identify calls at 38400 bit/s, then short
// ones from 4800 and from 9600 bit/s with a return to 38400 and a link query.

#include "console/console.h"
#include "protocol/frames.h"
#include "protocol/receiver.h"
#include "serial/line.h"

namespace quillmer::protocol {

/// Whether a radio answered on the line.
enum class HandshakeResult { success, failure };

/// Calls the radio until it answers or both phases have run out, turning the
/// spinner meanwhile. On success the line runs at 38400 bit/s. Stores the id
/// bytes when an identify reply passes by; they live for the whole run and are
/// not cleared when a handshake starts, so a failed later attempt can leave an
/// earlier radio's values. Pass counts are part of the protocol.
HandshakeResult run_handshake(serial::Line& line, ReplyBuffer& reply, IdBytes& id,
                              console::Console& console);

/// Changes the line speed; prints the settings error when the driver refuses,
/// and carries on as if the change had taken effect.
void change_speed(serial::Line& line, int rate, console::Console& console);

}  // namespace quillmer::protocol
