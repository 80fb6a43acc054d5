#pragma once
// The memory transfer: opens the write link, waits until the radio is ready,
// writes channels 0 to 399 one frame at a time, each after the radio has
// acknowledged the one before, closes the link and reports.

#include "console/console.h"
#include "protocol/channel_stream.h"
#include "protocol/receiver.h"
#include "protocol/stop_reason.h"
#include "serial/line.h"

namespace quillmer::protocol {

/// Runs the transfer loop and prints its texts up to the ending's message; a
/// stop also says why and where it stopped (stop_reason). The caller closes the
/// memory file and the port and waits for a key. There is no time-out: a silent
/// radio keeps the transfer waiting until Esc or Ctrl-C. Channels after the
/// file's last data row are sent as erase frames.
TransferOutcome run_transfer(serial::Line& line, ReplyBuffer& reply, Model model,
                             ChannelStream& channels, console::Console& console);

}  // namespace quillmer::protocol
