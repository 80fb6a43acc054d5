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
void print_ending(const TransferOutcome& outcome, Console& console) {
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

}  // namespace

TransferOutcome run_transfer(serial::Line& line, ReplyBuffer& reply, Model model,
                             channels::Reader& reader, ChannelFrames& frames, Console& console) {
    // Until the transfer says otherwise, it has been stopped.
    TransferOutcome outcome;
    TransferEnd& end = outcome.end;
    console.print(texts::kActivate);
    State state = State::open_link;
    int tick = 0;
    int probes = 0;
    int channel = 0;
    bool rows_ended = false;
    for (;;) {
        if (++tick >= kTickPeriod) tick = 0;

        if (line.vanished()) {
            end = TransferEnd::device_gone;
            break;
        }
        if (console.key_waiting()) {
            const int key = console.read_key();
            if (key == kKeyCtrlC) {
                end = TransferEnd::interrupted;
                break;
            }
            if (key == kKeyEsc) {
                line.write_frame(LINK_CLOSE);
                end = TransferEnd::escaped;
                break;
            }
        }

        if (state == State::open_link) {
            line.write_frame(LINK_OPEN);
            state = State::wait_link;
        }
        if (state != State::open_link && tick == 0) line.write_frame(KEEPALIVE);
        if (state == State::probe && tick == 0) {
            line.write_frame(READY_PROBE);
            if (++probes > kMaxProbes) state = State::wait_ready;
        }
        if (state == State::start) {
            channel = 0;
            console.print(texts::kWriteStart);
            state = State::next_channel;
        }
        if (state == State::next_channel) {
            if (channel >= channels::kMemoryChannels) {
                console.print(texts::kWriteEnd);
                end = TransferEnd::written;
                if (!rows_ended && reader.next_row()) end = TransferEnd::too_many_rows;
                state = State::close_link;
            } else {
                const auto frame = encode_next_channel(reader, channel, rows_ended, frames);
                console.print(channel_counter(channel).data());
                line.write_frame(frame);
                outcome.sent = ++channel;
                state = State::wait_ack;
            }
        }
        if (state == State::close_link) {
            line.write_frame(LINK_CLOSE);
            break;
        }

        if (!receive_step(line, reply)) continue;
        // The handshake calls the radio every sixth pass but takes its eight-byte
        // answer one byte a pass, so a second identify call goes out before the
        // first answer is in, and its answer arrives now. Taken for the answer to
        // LINK_OPEN it would put every acknowledgement one channel late: a
        // refusal would be seen only after the next channel was sent, and a
        // refused last channel never.
        if (state == State::wait_link && !reply_is_identify(reply)) state = State::probe;
        if ((state == State::probe || state == State::wait_ready) && ready_answer(model, reply)) {
            if (model != Model::id92) pause();
            state = State::start;
        }
        if (state == State::wait_ack) {
            if (reply_is_ok(reply)) {
                outcome.acknowledged = channel;
                state = State::next_channel;
            }
            if (reply_is_ng(reply)) {
                state = State::close_link;
                end = TransferEnd::refused;
            }
        }
        reply.fill = 0;
    }

    print_ending(outcome, console);
    return outcome;
}

}  // namespace quillmer::protocol
