#pragma once
// The protocol's reports for tests: what the handshake and the transfer
// reported, and stop keys scripted to come at a given poll.

#include <chrono>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "protocol/events.h"

namespace quillmer::protocol {

class RecordingEvents final : public KeySource, public HandshakeObserver, public TransferObserver {
  public:
    std::map<int, StopKey> key_at;  ///< a stop key at the n-th poll (1-based)
    int polls = 0;
    bool ended_input = false;  ///< what input_ended() says
    /// The transfer's reports, one word each: "activate start ch0 ch1 ... end stop".
    std::string log;
    int notices = 0;  ///< the waits and the slow acknowledgements reported
    int turns = 0;    ///< the spinner's
    std::vector<int> refused_speeds;

    std::optional<StopKey> poll() override {
        const auto key = key_at.find(++polls);
        return key == key_at.end() ? std::nullopt : std::optional(key->second);
    }
    bool input_ended() override { return ended_input; }

    void spinner_turned() override { ++turns; }
    void speed_refused(int rate) override { refused_speeds.push_back(rate); }

    void activating() override { log += "activate "; }
    void writing_started() override { log += "start "; }
    void sending_channel(int channel) override { log += "ch" + std::to_string(channel) + " "; }
    void all_sent() override { log += "end "; }
    void no_answer(int /*channel*/, std::chrono::seconds /*waited*/,
                   bool /*input_ended*/) override {
        ++notices;
    }
    void not_ready(std::chrono::seconds /*waited*/, bool /*input_ended*/) override { ++notices; }
    void ended(const TransferOutcome& /*outcome*/) override { log += "stop"; }
    void slow_acknowledgements(const SlowAcknowledgements& /*measured*/) override { ++notices; }
};

}  // namespace quillmer::protocol
