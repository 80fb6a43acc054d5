#pragma once
// The memory transfer: opens the write link, waits until the radio is ready,
// writes channels 0 to 399 one frame at a time, each after the radio has
// acknowledged the one before, closes the link and reports.

#include "app/console.h"
#include "channels/reader.h"
#include "protocol/frames.h"
#include "serial/line.h"
#include "serial/receiver.h"

namespace quillmer::protocol {

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

struct TransferOutcome {
    int run_result = 1;  ///< 0 written, 1 failed or aborted, 2 more than 400 data rows
    TransferEnd end = TransferEnd::escaped;
    int channels_sent = 0;  ///< channel frames written
};

/// Runs the transfer loop and prints its texts up to the outcome's message. The
/// caller closes the memory file and the port and waits for a key. There is no
/// time-out: a silent radio keeps the transfer waiting until Esc or Ctrl-C.
/// Channels after the file's last data row are sent as erase frames.
TransferOutcome run_transfer(serial::Line& line, serial::ReplyBuffer& reply, Model model,
                             channels::Reader& reader, ChannelFrames& frames, Console& console);

}  // namespace quillmer::protocol
