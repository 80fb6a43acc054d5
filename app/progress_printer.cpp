#include "app/progress_printer.h"

#include <cstdio>
#include <string>

#include "app/stop_reason.h"
#include "core/texts.h"
#include "protocol/encoder.h"
#include "protocol/transfer.h"

namespace quillmer::app {

namespace {

/// "3 s": a wait as a line names it.
std::string shown(std::chrono::seconds wait) {
    return std::to_string(wait.count()) + " s";
}

/// "14.4 ms", "5.8 s": a measured time as a line shows it.
std::string shown(std::chrono::duration<double> time, bool in_ms) {
    std::array<char, 32> text{};
    std::snprintf(text.data(), text.size(), in_ms ? "%.1f ms" : "%.1f s",
                  in_ms ? time.count() * 1000 : time.count());
    return text.data();
}

}  // namespace

std::array<char, 9> channel_counter(int channel) {
    const auto bytes = protocol::channel_bytes(channel);
    std::array<char, 9> counter{};
    std::snprintf(counter.data(), counter.size(), "ch:%02x%02x\r", unsigned{bytes[0]},
                  unsigned{bytes[1]});
    return counter;
}

std::string_view slow_reply_advice(serial::ReplyLatency latency) {
    switch (latency) {
        case serial::ReplyLatency::low_latency_taken:
            return "this port's driver runs in low-latency mode, so the wait is not its adapter's "
                   "latency timer: a USB hub or the adapter itself may add it (see Cables in the "
                   "README).";
        case serial::ReplyLatency::low_latency_refused:
            return "this port's driver refused low-latency mode, so a USB adapter holds each "
                   "reply until its latency timer runs out: see Cables in the README, or man "
                   "quillmer, to set the timer to 1 ms.";
        case serial::ReplyLatency::timer_in_driver:
            return "set the port's latency timer to 1 ms: Device Manager, Ports (COM & LPT), the "
                   "port, Properties, Port Settings, Advanced, Latency Timer.";
        case serial::ReplyLatency::not_known:
            break;
    }
    return "a USB adapter's latency timer may hold each reply back: see Cables in the README, or "
           "man quillmer.";
}

void HandshakePrinter::spinner_turned() {
    std::string glyph(texts::kSpinner[turns_++ % texts::kSpinner.size()]);
    console_.print(glyph.append("\r"));
}

void HandshakePrinter::speed_refused(int /*rate*/) {
    console_.print(texts::kDcbError);
}

void TransferPrinter::activating() {
    console_.print(texts::kActivate);
}

void TransferPrinter::writing_started() {
    console_.print(texts::kWriteStart);
}

void TransferPrinter::sending_channel(int channel) {
    console_.print(channel_counter(channel).data());
}

void TransferPrinter::all_sent() {
    console_.print(texts::kWriteEnd);
}

void TransferPrinter::no_answer(int channel, std::chrono::seconds waited, bool input_ended) {
    // Below the counter, which then goes on below the line.
    console_.print("\n");
    console_.notice("The radio has not answered channel " + std::to_string(channel) + " for " +
                    shown(waited) + "; the program keeps waiting, and " +
                    (input_ended ? "no key can stop it, as the input has ended" : "Esc stops it") +
                    ".\n");
    console_.print(channel_counter(channel).data());
}

void TransferPrinter::not_ready(std::chrono::seconds waited, bool input_ended) {
    const std::string ends = input_ended ? "as no key can stop it, the wait ends after " +
                                               shown(protocol::kReadyWaitWithoutKeys)
                                         : "the program keeps waiting, and Esc stops it";
    console_.notice("The ID-92 has not said it is ready for " + shown(waited) +
                    ": check that it is switched on, shows no menu and is not transmitting; " +
                    ends + ".\n");
}

void TransferPrinter::ended(const protocol::TransferOutcome& outcome) {
    switch (outcome.end) {
        case protocol::TransferEnd::written:
            return;
        case protocol::TransferEnd::too_many_rows:
            console_.print(texts::kTooManyRows);
            return;
        case protocol::TransferEnd::refused:
        case protocol::TransferEnd::escaped:
        case protocol::TransferEnd::interrupted:
        case protocol::TransferEnd::device_gone:
        case protocol::TransferEnd::never_ready:
            break;
    }
    // The counter ends in a carriage return: a new line first keeps the last
    // channel shown.
    if (outcome.sent > 0) console_.print("\n");
    console_.print(texts::kWriteError);
    console_.print(stop_reason(outcome));
}

void TransferPrinter::slow_acknowledgements(const protocol::SlowAcknowledgements& measured) {
    console_.notice("The radio's acknowledgements came " +
                    shown(measured.held_back / measured.channels, true) + " late on average, " +
                    "which cost " + shown(measured.held_back, false) + " over " +
                    std::to_string(measured.channels) +
                    " channels: " + std::string(slow_reply_advice(measured.latency)) + "\n");
}

std::optional<protocol::StopKey> ConsoleKeys::poll() {
    if (!console_.key_waiting()) return std::nullopt;
    const int key = console_.read_key();
    if (key == console::kKeyCtrlC) return protocol::StopKey::ctrl_c;
    if (key == console::kKeyEsc) return protocol::StopKey::esc;
    return std::nullopt;
}

}  // namespace quillmer::app
