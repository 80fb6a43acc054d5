#pragma once
// The line that says why a memory transfer stopped and which channels it left
// in the radio.

#include <string>

#include "protocol/transfer_outcome.h"

namespace quillmer::app {

/// For a transfer that stopped before its end, one line (ending in "\n") that
/// says why and which channels are in the radio: "Stopped by Esc after channel
/// 16: channels 0 to 16 were written, 17 to 399 were not.". A channel sent and
/// not yet acknowledged is said to be so: the radio may have stored it. Empty
/// when all channels were written.
std::string stop_reason(const protocol::TransferOutcome& outcome);

}  // namespace quillmer::app
