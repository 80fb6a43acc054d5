#pragma once
// The memory transfer: opens the write link, waits until the radio is ready,
// writes channels 0 to 399 one frame at a time, each after the radio has
// acknowledged the one before, closes the link and reports.

#include <chrono>

#include "console/console.h"
#include "core/clock.h"
#include "protocol/channel_stream.h"
#include "protocol/receiver.h"
#include "protocol/stop_reason.h"
#include "serial/line.h"

namespace quillmer::protocol {

/// How long the wait for an ID-92's ready answer lasts once no key can end it.
inline constexpr std::chrono::seconds kReadyWaitWithoutKeys{60};

/// Runs the transfer loop and prints its texts up to the ending's message; a
/// stop also says why and where it stopped (stop_reason). The caller closes the
/// memory file and the port and waits for a key. A silent radio keeps the
/// transfer waiting until Esc or Ctrl-C, with a line after 3 s without an
/// acknowledgement and after 5 s without an ID-92's ready answer; only the ready
/// wait ends by itself, after kReadyWaitWithoutKeys, once the console's input has
/// ended. After a complete transfer whose acknowledgements the line held back by
/// more than 8 ms on average, `clock` telling, a line says so and what helps.
/// Channels after the file's last data row are sent as erase frames.
TransferOutcome run_transfer(serial::Line& line, const Clock& clock, ReplyBuffer& reply,
                             Model model, ChannelStream& channels, console::Console& console);

}  // namespace quillmer::protocol
