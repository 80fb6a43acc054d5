#include "protocol/transfer.h"

#include <chrono>
#include <thread>

#include "app/texts.h"
#include "channels/encoder.h"

namespace quillmer::protocol {

namespace {

constexpr int kTickPeriod = 31;  // KEEPALIVE and READY_PROBE on every 31st pass
constexpr int kMaxProbes = 10;   // the eleventh probe is the last
constexpr int kKeyCtrlC = 3;
constexpr int kKeyEsc = 27;

enum class State {
    open_link = 1,
    wait_link = 2,
    start = 3,
    next_channel = 4,
    wait_ack = 5,
    close_link = 6,
    probe = 10,
    wait_ready = 11,
};

/// A little time for the radio before channel writing starts; nothing is read
/// meanwhile.
void pause() {
    for (int i = 0; i < 5; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(2));
}

bool identify_reply(const serial::ReplyBuffer& reply) {
    return reply.bytes[4] == 0x19;
}

/// The radio is ready for channels: for the ID-92 only its ready answer 1D 50;
/// for every other model any frame.
bool ready_answer(Model model, const serial::ReplyBuffer& reply) {
    if (model != Model::id92) {
        pause();
        return true;
    }
    return reply.bytes[4] == 0x1D && reply.bytes[5] == 0x50;
}

}  // namespace

TransferOutcome run_transfer(serial::Line& line, serial::ReplyBuffer& reply, Model model,
                             channels::Reader& reader, ChannelFrames& frames, Console& console) {
    TransferOutcome outcome;
    console.print(texts::activate);
    State state = State::open_link;
    int tick = 0;
    int probes = 0;
    int channel = 0;
    bool rows_ended = false;
    for (;;) {
        if (++tick >= kTickPeriod) tick = 0;

        if (line.vanished()) {
            outcome.end = TransferEnd::device_gone;
            console.print(texts::device_gone);
            break;
        }
        if (console.key_waiting()) {
            const int key = console.read_key();
            if (key == kKeyCtrlC) {
                outcome.end = TransferEnd::interrupted;
                break;
            }
            if (key == kKeyEsc) {
                line.write_frame(LINK_CLOSE);
                outcome.end = TransferEnd::escaped;
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
            console.print(texts::write_start);
            state = State::next_channel;
        }
        if (state == State::next_channel) {
            if (channel >= kChannels) {
                console.print(texts::write_end);
                outcome.run_result = 0;
                outcome.end = TransferEnd::written;
                if (!rows_ended && reader.next_row() == 0) {
                    outcome.run_result = 2;
                    outcome.end = TransferEnd::too_many_rows;
                }
                state = State::close_link;
            } else {
                if (!rows_ended) rows_ended = reader.next_row() != 0;
                channels::encode_channel(reader.row(), channel, frames, console);
                // After the file's last row the radio's remaining channels are
                // erased, so its memory matches the file.
                if (rows_ended || channels::frequency_is_empty(reader.row())) {
                    line.write_frame(frames.erase);
                } else {
                    line.write_frame(frames.write);
                }
                ++channel;
                ++outcome.channels_sent;
                state = State::wait_ack;
            }
        }
        if (state == State::close_link) {
            line.write_frame(LINK_CLOSE);
            break;
        }

        if (!serial::receive_step(line, reply)) continue;
        // The handshake calls the radio every sixth pass but takes its eight-byte
        // answer one byte a pass, so a second identify call goes out before the
        // first answer is in, and its answer arrives now. Taken for the answer to
        // LINK_OPEN it would put every acknowledgement one channel late: a
        // refusal would be seen only after the next channel was sent, and a
        // refused last channel never.
        if (state == State::wait_link && !identify_reply(reply)) state = State::probe;
        if ((state == State::probe || state == State::wait_ready) && ready_answer(model, reply)) {
            state = State::start;
        }
        if (state == State::wait_ack) {
            if (serial::reply_is_ok(reply)) state = State::next_channel;
            if (serial::reply_is_ng(reply)) {
                state = State::close_link;
                outcome.end = TransferEnd::refused;
            }
        }
        reply.fill = 0;
    }

    if (outcome.run_result == 2) console.print(texts::too_many_rows);
    if (outcome.run_result == 1) console.print(texts::write_error);
    return outcome;
}

}  // namespace quillmer::protocol
