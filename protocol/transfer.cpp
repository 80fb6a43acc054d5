#include "protocol/transfer.h"

#include <array>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

#include "core/texts.h"
#include "protocol/encoder.h"

namespace quillmer::protocol {

namespace {

using namespace std::chrono_literals;

constexpr int kTickPeriod = 31;  // KEEPALIVE and READY_PROBE on every 31st pass
constexpr int kMaxProbes = 10;   // the eleventh probe is the last

// The waits the user is told of; none of them changes what goes on the wire.
constexpr auto kSilenceTold = 3s;  // a channel without any byte back
constexpr auto kReadyTold = 5s;    // an ID-92 without its ready answer
// Acknowledgements held back by more than this on average, beyond their time
// on the wire, are a cable's latency timer at work; the loop's own passes add
// a millisecond or two.
constexpr auto kSlowAverage = 8ms;
constexpr int kBitsPerByte = 10;  // a start bit, 8 data bits, a stop bit

enum class State {
    open_link,     ///< LINK_OPEN goes out on the next pass
    wait_link,     ///< for the radio's answer to LINK_OPEN
    probe,         ///< asking an ID-92 whether it is ready, every 31st pass
    wait_ready,    ///< the probes are used up; still waiting for the ready answer
    start,         ///< the radio is ready: channel writing starts on the next pass
    next_channel,  ///< the next channel goes out, or the link closes after 399
    wait_ack,      ///< for the radio's OK or NG to the channel just sent
    close_link,    ///< LINK_CLOSE goes out, and the loop ends
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

/// Prints the message after the loop, for the endings that have one.
void print_ending(const TransferOutcome& outcome, console::Console& console) {
    switch (outcome.end) {
        case TransferEnd::written:
            return;
        case TransferEnd::too_many_rows:
            console.print(texts::kTooManyRows);
            return;
        case TransferEnd::refused:
        case TransferEnd::escaped:
        case TransferEnd::interrupted:
        case TransferEnd::device_gone:
        case TransferEnd::never_ready:
            break;
    }
    // The counter ends in a carriage return: a new line first keeps the last
    // channel shown.
    if (outcome.sent > 0) console.print("\n");
    console.print(texts::kWriteError);
    console.print(stop_reason(outcome));
}

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

/// One transfer: the loop's state and its steps. Each pass runs the steps in
/// the order of run(); that order is what the radio sees, and must not change.
class Transfer {
  public:
    Transfer(serial::Line& line, const Clock& clock, ReplyBuffer& reply, Model model,
             ChannelStream& channels, console::Console& console)
        : line_(line),
          clock_(clock),
          reply_(reply),
          model_(model),
          channels_(channels),
          console_(console) {}

    TransferOutcome run() {
        console_.print(texts::kActivate);
        for (;;) {
            if (++tick_ >= kTickPeriod) tick_ = 0;
            if (device_gone() || key_ends_it() || ready_wait_ends()) break;
            open_link();
            keep_alive();
            probe_ready();
            start_writing();
            send_channel();
            if (close_link()) break;
            receive();
            tell_waits();
        }
        print_ending(outcome_, console_);
        if (outcome_.end == TransferEnd::written || outcome_.end == TransferEnd::too_many_rows) {
            tell_slow_acknowledgements();
        }
        return outcome_;
    }

  private:
    /// True when the serial device has vanished: the loop ends.
    bool device_gone() {
        if (!line_.vanished()) return false;
        outcome_.end = TransferEnd::device_gone;
        return true;
    }

    /// True when Ctrl-C or Esc ends the loop; Esc closes the link first. Any
    /// other key is dropped.
    bool key_ends_it() {
        if (!console_.key_waiting()) return false;
        const int key = console_.read_key();
        if (key == console::kKeyCtrlC) {
            outcome_.end = TransferEnd::interrupted;
            return true;
        }
        if (key == console::kKeyEsc) {
            line_.write_frame(LINK_CLOSE);
            outcome_.end = TransferEnd::escaped;
            return true;
        }
        return false;
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
            !console_.input_ended()) {
            return false;
        }
        line_.write_frame(LINK_CLOSE);
        outcome_.end = TransferEnd::never_ready;
        return true;
    }

    void probe_ready() {
        if (state_ != State::probe || tick_ != 0) return;
        line_.write_frame(READY_PROBE);
        if (++probes_ > kMaxProbes) state_ = State::wait_ready;
    }

    void start_writing() {
        if (state_ != State::start) return;
        console_.print(texts::kWriteStart);
        state_ = State::next_channel;
    }

    /// The next channel, or after the last one the end of the memory write.
    void send_channel() {
        if (state_ != State::next_channel) return;
        if (channels_.all_given()) {
            console_.print(texts::kWriteEnd);
            outcome_.end =
                channels_.more_rows() ? TransferEnd::too_many_rows : TransferEnd::written;
            state_ = State::close_link;
            return;
        }
        const int channel = channels_.next_channel();
        const auto frame = channels_.next();
        console_.print(channel_counter(channel).data());
        sent_at_ = clock_.now();
        line_.write_frame(frame);
        heard_at_ = clock_.now();
        silence_told_ = false;
        frame_bytes_ = frame.size();
        outcome_.sent = channel + 1;
        state_ = State::wait_ack;
    }

    /// True when the loop ends: the link closes.
    bool close_link() {
        if (state_ != State::close_link) return false;
        line_.write_frame(LINK_CLOSE);
        return true;
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
                outcome_.acknowledged = channels_.next_channel();
                state_ = State::next_channel;
            }
            if (reply_is_ng(reply_)) {
                state_ = State::close_link;
                outcome_.end = TransferEnd::refused;
            }
        }
        reply_.fill = 0;
    }

    /// What ends a wait that the user is told of.
    std::string how_it_ends() {
        return console_.input_ended() ? "no key can stop it, as the input has ended"
                                      : "Esc stops it";
    }

    /// A line once a channel has had no byte back for kSilenceTold, and once an
    /// ID-92 has not said it is ready for kReadyTold. The waits go on.
    void tell_waits() {
        const Clock::TimePoint now = clock_.now();
        if (reply_.received != received_) {
            received_ = reply_.received;
            heard_at_ = now;
        }
        if (state_ == State::wait_ack && !silence_told_ && now - heard_at_ >= kSilenceTold) {
            silence_told_ = true;
            const int channel = outcome_.sent - 1;
            // Below the counter, which then goes on below the line.
            console_.print("\n");
            console_.notice("The radio has not answered channel " + std::to_string(channel) +
                            " for " + shown(kSilenceTold) + "; the program keeps waiting, and " +
                            how_it_ends() + ".\n");
            console_.print(channel_counter(channel).data());
        }
        if (awaiting_ready() && !ready_told_ && now - ready_wait_from_ >= kReadyTold) {
            ready_told_ = true;
            const std::string ends =
                console_.input_ended()
                    ? "as no key can stop it, the wait ends after " + shown(kReadyWaitWithoutKeys)
                    : "the program keeps waiting, and Esc stops it";
            console_.notice("The ID-92 has not said it is ready for " + shown(kReadyTold) +
                            ": check that it is switched on, shows no menu and is not "
                            "transmitting; " +
                            ends + ".\n");
        }
    }

    /// Adds how long the line held this acknowledgement back: the time from the
    /// start of the channel's write to the acknowledgement's end byte, less
    /// what the frame and the acknowledgement take on the wire.
    void time_acknowledgement() {
        const std::size_t bytes = frame_bytes_ + static_cast<std::size_t>(reply_.fill);
        const std::chrono::duration<double> wire(static_cast<double>(bytes * kBitsPerByte) /
                                                 serial::kDefaultSpeed);
        const std::chrono::duration<double> took = clock_.now() - sent_at_;
        if (took > wire) held_back_ += took - wire;
        ++timed_;
    }

    /// After a complete transfer held back by the line: by how much, what it
    /// cost, and what helps.
    void tell_slow_acknowledgements() {
        if (timed_ == 0 || held_back_ / timed_ <= kSlowAverage) return;
        console_.notice("The radio's acknowledgements came " + shown(held_back_ / timed_, true) +
                        " late on average, which cost " + shown(held_back_, false) + " over " +
                        std::to_string(timed_) + " channels: " + line_.slow_reply_advice() + "\n");
    }

    serial::Line& line_;
    const Clock& clock_;
    ReplyBuffer& reply_;
    const Model model_;
    ChannelStream& channels_;
    console::Console& console_;
    // Until the transfer says otherwise, it has been stopped.
    TransferOutcome outcome_;
    State state_ = State::open_link;
    int tick_ = 0;
    int probes_ = 0;
    // The waits the user is told of.
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
                             Model model, ChannelStream& channels, console::Console& console) {
    return Transfer(line, clock, reply, model, channels, console).run();
}

}  // namespace quillmer::protocol
