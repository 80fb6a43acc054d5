#pragma once
// The memory transfer: opens the write link, waits until the radio is ready,
// writes channels 0 to 399 one frame at a time, each after the radio has
// acknowledged the one before, closes the link and reports.

#include <chrono>

#include "core/clock.h"
#include "protocol/channel_stream.h"
#include "protocol/events.h"
#include "protocol/receiver.h"
#include "protocol/transfer_outcome.h"
#include "serial/line.h"

namespace quillmer::protocol {

/// How long the wait for an ID-92's ready answer lasts once no key can end it.
inline constexpr std::chrono::seconds kReadyWaitWithoutKeys{60};

/// Runs the transfer loop and reports to `events` as it goes, up to its ending.
/// The caller closes the memory file and the port and waits for a key. A silent
/// radio keeps the transfer waiting until `keys` give Esc or Ctrl-C, with a
/// report after 3 s without an acknowledgement and after 5 s without an ID-92's
/// ready answer; only the ready wait ends by itself, after
/// kReadyWaitWithoutKeys, once the keys' input has ended. After a complete
/// transfer whose acknowledgements the line held back by more than 8 ms on
/// average, `clock` telling, a report says by how much. Channels after the
/// file's last data row are sent as erase frames.
TransferOutcome run_transfer(serial::Line& line, const Clock& clock, ReplyBuffer& reply,
                             Model model, ChannelStream& channels, KeySource& keys,
                             TransferObserver& events);

}  // namespace quillmer::protocol
