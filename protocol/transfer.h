#pragma once
// The memory transfer: opens the write link, waits until the radio is ready,
// writes channels 0 to 399 one frame at a time, each after the radio has
// acknowledged the one before, closes the link and reports.

#include <string>

#include "channels/reader.h"
#include "console/console.h"
#include "protocol/frames.h"
#include "protocol/receiver.h"
#include "serial/line.h"

namespace quillmer::protocol {

/// Memory channels 0 to 399: every run writes all of them.
inline constexpr int kChannels = 400;

/// How the transfer ended.
enum class TransferEnd {
    written,        ///< all 400 channels acknowledged
    too_many_rows,  ///< all 400 acknowledged, but the file holds more data rows
    refused,        ///< the radio answered NG to a channel
    escaped,        ///< the user pressed Esc
    interrupted,    ///< the user pressed Ctrl-C: nothing more was written
    device_gone,    ///< the serial device vanished
};

/// How the transfer ended, and where.
struct TransferOutcome {
    TransferEnd end = TransferEnd::escaped;
    int sent = 0;          ///< channel frames sent: channels 0 to sent - 1 went out
    int acknowledged = 0;  ///< channels 0 to acknowledged - 1 are in the radio (it said OK)
};

/// Runs the transfer loop and prints its texts up to the ending's message; a
/// stop also says why and where it stopped (stop_reason). The caller closes the
/// memory file and the port and waits for a key. There is no time-out: a silent
/// radio keeps the transfer waiting until Esc or Ctrl-C. Channels after the
/// file's last data row are sent as erase frames.
TransferOutcome run_transfer(serial::Line& line, ReplyBuffer& reply, Model model,
                             channels::Reader& reader, ChannelFrames& frames,
                             console::Console& console);

/// For a transfer that stopped before its end, one line (ending in "\n") that
/// says why and which channels are in the radio: "Stopped by Esc after channel
/// 16: channels 0 to 16 were written, 17 to 399 were not.". A channel sent and
/// not yet acknowledged is said to be so: the radio may have stored it. Empty
/// when all channels were written.
std::string stop_reason(const TransferOutcome& outcome);

}  // namespace quillmer::protocol
