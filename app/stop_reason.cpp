#include "app/stop_reason.h"

#include "channels/layout.h"
#include "protocol/transfer.h"

namespace quillmer::app {

using protocol::TransferEnd;
using protocol::TransferOutcome;

namespace {

constexpr int kLast = channels::kMemoryChannels - 1;

/// "5" or "0 to 16".
std::string numbers(int first, int last) {
    return first == last ? std::to_string(first)
                         : std::to_string(first) + " to " + std::to_string(last);
}

/// "channel 5 was" or "channels 0 to 16 were".
std::string channels_were(int first, int last) {
    return first == last ? "channel " + numbers(first, last) + " was"
                         : "channels " + numbers(first, last) + " were";
}

/// "5 was" or "17 to 399 were".
std::string were(int first, int last) {
    return numbers(first, last) + (first == last ? " was" : " were");
}

/// "channels 0 to 16 were written, 17 to 399 were not": channels 0 to
/// `written` - 1 are in the radio, the rest are not.
std::string written_and_not(int written) {
    if (written == 0) return channels_were(0, kLast) + " not written";
    std::string line = channels_were(0, written - 1) + " written";
    if (written <= kLast) line += ", " + were(written, kLast) + " not";
    return line;
}

/// Why the transfer stopped, as the line starts.
std::string cause(TransferEnd end) {
    switch (end) {
        case TransferEnd::escaped:
            return "Stopped by Esc";
        case TransferEnd::interrupted:
            return "Stopped by Ctrl-C";
        case TransferEnd::device_gone:
            return "The serial device went away (cable pulled or device removed)";
        case TransferEnd::written:
        case TransferEnd::too_many_rows:
        case TransferEnd::refused:
        case TransferEnd::never_ready:
            break;
    }
    return {};
}

}  // namespace

std::string stop_reason(const TransferOutcome& outcome) {
    const int sent = outcome.sent;
    const int done = outcome.acknowledged;
    switch (outcome.end) {
        case TransferEnd::written:
        case TransferEnd::too_many_rows:
            return {};
        case TransferEnd::refused:
            // The refused channel is the last one sent.
            return "The radio refused channel " + std::to_string(sent - 1) +
                   ", perhaps for a frequency it does not cover: " + written_and_not(done) + ".\n";
        case TransferEnd::never_ready:
            return "The ID-92 never said it was ready, and with the input ended no key could "
                   "stop the wait: it ended after " +
                   std::to_string(protocol::kReadyWaitWithoutKeys.count()) + " s; " +
                   channels_were(0, kLast) + " not written.\n";
        case TransferEnd::escaped:
        case TransferEnd::interrupted:
        case TransferEnd::device_gone:
            break;
    }
    const std::string lead = cause(outcome.end);
    if (sent == 0) {
        return lead + " before any channel was sent: " + channels_were(0, kLast) +
               " not written.\n";
    }
    if (sent > done) {
        // The radio may have stored the channel and not yet said so.
        const int open = done;
        std::string line =
            lead + " before the radio acknowledged channel " + std::to_string(open) + ": ";
        if (open > 0) line += channels_were(0, open - 1) + " written, ";
        if (open < kLast) {
            line += open > 0 ? were(open + 1, kLast) + " not, "
                             : channels_were(open + 1, kLast) + " not written, ";
        }
        return line + "and " + std::to_string(open) + " may or may not have been.\n";
    }
    return lead + " after channel " + std::to_string(done - 1) + ": " + written_and_not(done) +
           ".\n";
}

}  // namespace quillmer::app
