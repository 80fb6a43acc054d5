#include "protocol/transfer.h"

#include <chrono>
#include <thread>

#include "core/texts.h"
#include "protocol/encoder.h"

namespace quillmer::protocol {

namespace {

constexpr int kTickPeriod = 31;  // KEEPALIVE and READY_PROBE on every 31st pass
constexpr int kMaxProbes = 10;   // the eleventh probe is the last

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
            break;
    }
    // The counter ends in a carriage return: a new line first keeps the last
    // channel shown.
    if (outcome.sent > 0) console.print("\n");
    console.print(texts::kWriteError);
    console.print(stop_reason(outcome));
}

/// One transfer: the loop's state and its steps. Each pass runs the steps in
/// the order of run(); that order is what the radio sees, and must not change.
class Transfer {
  public:
    Transfer(serial::Line& line, ReplyBuffer& reply, Model model, ChannelStream& channels,
             console::Console& console)
        : line_(line), reply_(reply), model_(model), channels_(channels), console_(console) {}

    TransferOutcome run() {
        console_.print(texts::kActivate);
        for (;;) {
            if (++tick_ >= kTickPeriod) tick_ = 0;
            if (device_gone() || key_ends_it()) break;
            open_link();
            keep_alive();
            probe_ready();
            start_writing();
            send_channel();
            if (close_link()) break;
            receive();
        }
        print_ending(outcome_, console_);
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
        line_.write_frame(frame);
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
        if (state_ == State::wait_link && !reply_is_identify(reply_)) state_ = State::probe;
        if ((state_ == State::probe || state_ == State::wait_ready) &&
            ready_answer(model_, reply_)) {
            if (model_ != Model::id92) pause();
            state_ = State::start;
        }
        if (state_ == State::wait_ack) {
            if (reply_is_ok(reply_)) {
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

    serial::Line& line_;
    ReplyBuffer& reply_;
    const Model model_;
    ChannelStream& channels_;
    console::Console& console_;
    // Until the transfer says otherwise, it has been stopped.
    TransferOutcome outcome_;
    State state_ = State::open_link;
    int tick_ = 0;
    int probes_ = 0;
};

}  // namespace

TransferOutcome run_transfer(serial::Line& line, ReplyBuffer& reply, Model model,
                             ChannelStream& channels, console::Console& console) {
    return Transfer(line, reply, model, channels, console).run();
}

}  // namespace quillmer::protocol
