#pragma once
// The console side of the handshake and the memory transfer: their reports
// turned into the texts the user reads, and the keys that stop a transfer.

#include <array>
#include <cstddef>
#include <optional>
#include <string_view>

#include "console/console.h"
#include "protocol/events.h"

namespace quillmer::app {

/// The channel counter shown for channel 0..399: "ch:0123\r", the two channel
/// bytes of its frames in hexadecimal, so that it overwrites itself.
std::array<char, 9> channel_counter(int channel);

/// What helps when the radio's replies come late on a line whose port knows
/// `latency` of it: a clause that ends a sentence.
std::string_view slow_reply_advice(serial::ReplyLatency latency);

/// The handshake's reports as the console shows them: the turning glyph, one
/// count for the whole handshake, and the settings error.
class HandshakePrinter final : public protocol::HandshakeObserver {
  public:
    explicit HandshakePrinter(console::Console& console) : console_(console) {}
    void spinner_turned() override;
    void speed_refused(int rate) override;

  private:
    console::Console& console_;
    std::size_t turns_ = 0;
};

/// The transfer's reports as the console shows them: the fixed texts, the
/// channel counter, the lines about the waits and how the transfer ended.
class TransferPrinter final : public protocol::TransferObserver {
  public:
    explicit TransferPrinter(console::Console& console) : console_(console) {}
    void activating() override;
    void writing_started() override;
    void sending_channel(int channel) override;
    void all_sent() override;
    void no_answer(int channel, std::chrono::seconds waited, bool input_ended) override;
    void not_ready(std::chrono::seconds waited, bool input_ended) override;
    void ended(const protocol::TransferOutcome& outcome) override;
    void slow_acknowledgements(const protocol::SlowAcknowledgements& measured) override;

  private:
    console::Console& console_;
};

/// The console's keys as the transfer takes them: Esc and Ctrl-C, any other
/// key dropped; a key without a character is compared code by code.
class ConsoleKeys final : public protocol::KeySource {
  public:
    explicit ConsoleKeys(console::Console& console) : console_(console) {}
    std::optional<protocol::StopKey> poll() override;
    bool input_ended() override { return console_.input_ended(); }

  private:
    console::Console& console_;
};

}  // namespace quillmer::app
