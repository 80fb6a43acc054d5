#include "protocol/transfer.h"

#include <chrono>
#include <optional>
#include <thread>

#include "protocol/encoder.h"

namespace quillmer::protocol {

namespace {

using namespace std::chrono_literals;

constexpr int kTickPeriod = 31;  // KEEPALIVE and READY_PROBE on every 31st pass
constexpr int kMaxProbes = 10;   // the eleventh probe is the last

// The waits that are reported; none of them changes what goes on the wire.
constexpr auto kSilenceTold = 3s;  // a channel without any byte back
constexpr auto kReadyTold = 5s;    // an ID-92 without its ready answer
// Acknowledgements held back by more than this on average, beyond their time
// on the wire, are a cable's latency timer at work; the loop's own passes add
// a millisecond or two.
constexpr auto kSlowAverage = 8ms;

enum class State {
    open_link,     ///< LINK_OPEN goes out on the next pass
    wait_link,     ///< for the radio's answer to LINK_OPEN
    probe,         ///< asking an ID-92 whether it is ready, every 31st pass
    wait_ready,    ///< the probes are used up; still waiting for the ready answer
    start,         ///< the radio is ready: channel writing starts on the next pass
    next_channel,  ///< the next channel goes out, or the link closes after 399
    wait_ack,      ///< for the radio's OK or NG to the channel just sent
};

/// A little time for the radio before channel writing starts; nothing is read
/// meanwhile.
void pause() {
    for (int i = 0; i < 5; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(2));
}

/// The radio is ready for channels: for the ID-92 only its ready answer 1D 50;
/// for every other model any frame.
bool ready_answer(Model model, const ReplyBuffer& reply) {
    return model != Model::id92 || reply_is_ready(reply);
}

/// One transfer: the loop's state and its steps. Each pass runs the steps in
/// the order of pass(); that order is what the radio sees, and must not change.
class Transfer {
  public:
    Transfer(serial::Line& line, const Clock& clock, ReplyBuffer& reply, Model model,
             ChannelStream& channels, KeySource& keys, TransferObserver& events)
        : line_(line),
          clock_(clock),
          reply_(reply),
          model_(model),
          channels_(channels),
          keys_(keys),
          events_(events) {}

    TransferOutcome run() {
        events_.activating();
        // Only an ending leaves the loop.
        std::optional<TransferEnd> end;
        while (!end) end = pass();
        const TransferOutcome outcome(*end, sent_, acknowledged_);
        events_.ended(outcome);
        if (*end == TransferEnd::written || *end == TransferEnd::too_many_rows) {
            report_slow_acknowledgements();
        }
        return outcome;
    }

  private:
    /// One pass of the loop; its ending when the loop ends.
    std::optional<TransferEnd> pass() {
        if (++tick_ >= kTickPeriod) tick_ = 0;
        if (line_.vanished()) return TransferEnd::device_gone;
        if (const auto stopped = key_ends_it()) return stopped;
        if (ready_wait_ends()) return TransferEnd::never_ready;
        open_link();
        keep_alive();
        probe_ready();
        start_writing();
        send_channel();
        if (closing_) {
            line_.write_frame(LINK_CLOSE);
            return closing_;
        }
        receive();
        report_waits();
        return std::nullopt;
    }

    /// How Ctrl-C or Esc ends the loop; Esc closes the link first.
    std::optional<TransferEnd> key_ends_it() {
        const std::optional<StopKey> key = keys_.poll();
        if (!key) return std::nullopt;
        if (*key == StopKey::ctrl_c) return TransferEnd::interrupted;
        line_.write_frame(LINK_CLOSE);
        return TransferEnd::escaped;
    }

    void open_link() {
        if (state_ != State::open_link) return;
        line_.write_frame(LINK_OPEN);
        state_ = State::wait_link;
    }

    /// Once the link is asked for, every 31st pass, channel writing included.
    void keep_alive() {
        if (state_ != State::open_link && tick_ == 0) line_.write_frame(KEEPALIVE);
    }

    bool awaiting_ready() const { return state_ == State::probe || state_ == State::wait_ready; }

    /// True when the wait for the ready answer ends, no key being able to end
    /// it: the link closes as after Esc.
    bool ready_wait_ends() {
        if (!awaiting_ready() || clock_.now() - ready_wait_from_ < kReadyWaitWithoutKeys ||
            !keys_.input_ended()) {
            return false;
        }
        line_.write_frame(LINK_CLOSE);
        return true;
    }

    void probe_ready() {
        if (state_ != State::probe || tick_ != 0) return;
        line_.write_frame(READY_PROBE);
        if (++probes_ > kMaxProbes) state_ = State::wait_ready;
    }

    void start_writing() {
        if (state_ != State::start) return;
        events_.writing_started();
        state_ = State::next_channel;
    }

    /// The next channel, or after the last one the end of the memory write.
    void send_channel() {
        if (state_ != State::next_channel) return;
        if (channels_.all_given()) {
            events_.all_sent();
            closing_ = channels_.more_rows() ? TransferEnd::too_many_rows : TransferEnd::written;
            return;
        }
        const int channel = channels_.next_channel();
        const auto frame = channels_.next();
        events_.sending_channel(channel);
        sent_at_ = clock_.now();
        line_.write_frame(frame);
        heard_at_ = clock_.now();
        silence_told_ = false;
        frame_bytes_ = frame.size();
        sent_ = channel + 1;
        state_ = State::wait_ack;
    }

    /// One byte from the radio; a finished reply moves the state on.
    void receive() {
        if (!receive_step(line_, reply_)) return;
        // The handshake calls the radio every sixth pass but takes its eight-byte
        // answer one byte a pass, so a second identify call goes out before the
        // first answer is in, and its answer arrives now. Taken for the answer to
        // LINK_OPEN it would put every acknowledgement one channel late: a
        // refusal would be seen only after the next channel was sent, and a
        // refused last channel never.
        if (state_ == State::wait_link && !reply_is_identify(reply_)) {
            state_ = State::probe;
            ready_wait_from_ = clock_.now();
        }
        if ((state_ == State::probe || state_ == State::wait_ready) &&
            ready_answer(model_, reply_)) {
            if (model_ != Model::id92) pause();
            state_ = State::start;
        }
        if (state_ == State::wait_ack) {
            if (reply_is_ok(reply_)) {
                time_acknowledgement();
                acknowledged_ = channels_.next_channel();
                state_ = State::next_channel;
            }
            // The refused channel stays the one awaited, and the link closes.
            if (reply_is_ng(reply_)) closing_ = TransferEnd::refused;
        }
        reply_.fill = 0;
    }

    /// Reports once a channel has had no byte back for kSilenceTold, and once an
    /// ID-92 has not said it is ready for kReadyTold. The waits go on.
    void report_waits() {
        const Clock::TimePoint now = clock_.now();
        if (reply_.received != received_) {
            received_ = reply_.received;
            heard_at_ = now;
        }
        if (state_ == State::wait_ack && !closing_ && !silence_told_ &&
            now - heard_at_ >= kSilenceTold) {
            silence_told_ = true;
            events_.no_answer(sent_ - 1, kSilenceTold, keys_.input_ended());
        }
        if (awaiting_ready() && !ready_told_ && now - ready_wait_from_ >= kReadyTold) {
            ready_told_ = true;
            events_.not_ready(kReadyTold, keys_.input_ended());
        }
    }

    /// Adds how long the line held this acknowledgement back: the time from the
    /// start of the channel's write to the acknowledgement's end byte, less
    /// what the frame and the acknowledgement take on the wire.
    void time_acknowledgement() {
        const std::size_t bytes = frame_bytes_ + static_cast<std::size_t>(reply_.fill);
        const std::chrono::duration<double> wire(
            static_cast<double>(bytes * static_cast<std::size_t>(serial::kBitsPerByte)) /
            serial::kDefaultSpeed);
        const std::chrono::duration<double> took = clock_.now() - sent_at_;
        if (took > wire) held_back_ += took - wire;
        ++timed_;
    }

    /// After a complete transfer held back by the line: by how much.
    void report_slow_acknowledgements() {
        if (timed_ == 0 || held_back_ / timed_ <= kSlowAverage) return;
        events_.slow_acknowledgements({held_back_, timed_, line_.reply_latency()});
    }

    serial::Line& line_;
    const Clock& clock_;
    ReplyBuffer& reply_;
    const Model model_;
    ChannelStream& channels_;
    KeySource& keys_;
    TransferObserver& events_;
    int sent_ = 0;          // channel frames sent
    int acknowledged_ = 0;  // channels the radio said OK to
    // Set where the transfer decides how it ends; the link then closes.
    std::optional<TransferEnd> closing_;
    State state_ = State::open_link;
    int tick_ = 0;
    int probes_ = 0;
    // The waits that are reported.
    std::uint32_t received_ = 0;  // reply_.received when last looked at
    Clock::TimePoint heard_at_;   // the channel's frame written, or a byte read since
    bool silence_told_ = false;   // for the channel awaiting its acknowledgement
    Clock::TimePoint ready_wait_from_;
    bool ready_told_ = false;
    // The acknowledgements' times.
    Clock::TimePoint sent_at_;     // the channel frame's write started
    std::size_t frame_bytes_ = 0;  // its size
    std::chrono::duration<double> held_back_{0};
    int timed_ = 0;
};

}  // namespace

TransferOutcome run_transfer(serial::Line& line, const Clock& clock, ReplyBuffer& reply,
                             Model model, ChannelStream& channels, KeySource& keys,
                             TransferObserver& events) {
    return Transfer(line, clock, reply, model, channels, keys, events).run();
}

}  // namespace quillmer::protocol
