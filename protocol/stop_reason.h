#pragma once
// How a memory transfer ended, and the line that says why it stopped and which
// channels it left in the radio.

#include <string>

namespace quillmer::protocol {

/// How the transfer ended.
enum class TransferEnd {
    written,        ///< all 400 channels acknowledged
    too_many_rows,  ///< all 400 acknowledged, but the file holds more data rows
    refused,        ///< the radio answered NG to a channel
    escaped,        ///< the user pressed Esc
    interrupted,    ///< the user pressed Ctrl-C: nothing more was written
    device_gone,    ///< the serial device vanished
    never_ready,    ///< an ID-92 never said it was ready, and no key could end the wait
};

/// How the transfer ended, and where.
struct TransferOutcome {
    TransferEnd end = TransferEnd::escaped;
    int sent = 0;          ///< channel frames sent: channels 0 to sent - 1 went out
    int acknowledged = 0;  ///< channels 0 to acknowledged - 1 are in the radio (it said OK)
};

/// For a transfer that stopped before its end, one line (ending in "\n") that
/// says why and which channels are in the radio: "Stopped by Esc after channel
/// 16: channels 0 to 16 were written, 17 to 399 were not.". A channel sent and
/// not yet acknowledged is said to be so: the radio may have stored it. Empty
/// when all channels were written.
std::string stop_reason(const TransferOutcome& outcome);

}  // namespace quillmer::protocol
