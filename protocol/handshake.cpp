#include "protocol/handshake.h"

#include <string>

#include "core/texts.h"

namespace quillmer::protocol {

namespace {

constexpr int kLongCalls = 9;          // IDENTIFY_LONG goes out at most this often,
constexpr int kPassesPerLongCall = 6;  // on every sixth pass
// When nothing answers at the line's own speed, short calls from these.
constexpr int kFirstFallbackSpeed = 4800;
constexpr int kSecondFallbackSpeed = 9600;
constexpr int kCyclesPerAttempt = 5;  // spinner turns in one attempt of phase 2
constexpr int kPassesPerCycle = 50;

/// The turning glyph, one count shared by both phases.
class Spinner {
  public:
    explicit Spinner(console::Console& console) : console_(console) {}
    void turn() {
        std::string glyph(texts::kSpinner[count_ % texts::kSpinner.size()]);
        console_.print(glyph.append("\r"));
        ++count_;
    }

  private:
    console::Console& console_;
    std::size_t count_ = 0;
};

void store_id_if_identify(const ReplyBuffer& reply, IdBytes& id) {
    if (reply_is_identify(reply)) id = reply_id(reply);
}

/// receive_step(), with what came back kept in `heard`.
bool receive(serial::Line& line, ReplyBuffer& reply, HandshakeRecord& heard) {
    const std::uint32_t before = reply.received;
    const bool frame_end = receive_step(line, reply);
    heard.bytes += reply.received - before;
    if (frame_end && reply_is_own_frame(reply)) ++heard.own_frames;
    if (frame_end && reply_is_radios_identify(reply)) ++heard.identify_replies;
    return frame_end;
}

void calling_at(int speed, HandshakeRecord& heard) {
    if (heard.speeds_tried < heard.speeds.size()) heard.speeds[heard.speeds_tried++] = speed;
}

/// Phase 1: any finished frame ends the handshake with success.
bool call_long(serial::Line& line, ReplyBuffer& reply, IdBytes& id, Spinner& spinner,
               HandshakeRecord& heard) {
    int pass = 0;
    int calls = 0;
    for (;;) {
        if (++pass >= kPassesPerLongCall) pass = 0;
        if (pass == 0) {
            // Phase 1 ends on the turn after the last call, without another call.
            if (calls == kLongCalls) return false;
            ++calls;
            line.write_frame(IDENTIFY_LONG);
            spinner.turn();
        }
        if (!receive(line, reply, heard)) continue;
        store_id_if_identify(reply, id);
        reply.fill = 0;
        return true;
    }
}

/// One attempt of phase 2 at the current speed: a short identify call; after
/// the first reply of any content, back to 38400 and a link query, which only
/// the link-ready answer 18 01 satisfies.
bool call_short(serial::Line& line, ReplyBuffer& reply, IdBytes& id, Spinner& spinner,
                console::Console& console, HandshakeRecord& heard) {
    enum class Step { call, wait_identify, identified, query, wait_link };
    int cycles = kCyclesPerAttempt;
    int countdown = kPassesPerCycle;
    Step step = Step::call;
    for (;;) {
        if (--countdown == 0) {
            countdown = kPassesPerCycle;
            --cycles;
            spinner.turn();
            if (cycles == 0) return false;
        }
        if (step == Step::call) {
            line.write_frame(IDENTIFY_SHORT);
            step = Step::wait_identify;
        }
        if (step == Step::identified) {
            line.write_frame(SPEED_NOTICE);
            change_speed(line, serial::kDefaultSpeed, console);
            step = Step::query;
        }
        if (step == Step::query) {
            line.write_frame(LINK_QUERY);
            step = Step::wait_link;
        }
        if (!receive(line, reply, heard)) continue;
        if (step == Step::wait_identify) {
            store_id_if_identify(reply, id);
            step = Step::identified;
        }
        // On success the reply stays in the buffer.
        if (step == Step::wait_link && reply_is_link_ready(reply)) return true;
        reply.fill = 0;
    }
}

}  // namespace

void change_speed(serial::Line& line, int rate, console::Console& console) {
    if (!line.set_speed(rate)) console.print(texts::kDcbError);
}

HandshakeResult run_handshake(serial::Line& line, ReplyBuffer& reply, IdBytes& id,
                              console::Console& console, HandshakeRecord& heard) {
    reply.fill = 0;
    heard = HandshakeRecord{};
    Spinner spinner(console);
    calling_at(serial::kDefaultSpeed, heard);
    if (call_long(line, reply, id, spinner, heard)) return HandshakeResult::success;

    for (const int speed : {kFirstFallbackSpeed, kSecondFallbackSpeed}) {
        line.write_frame(SPEED_NOTICE);
        change_speed(line, speed, console);
        calling_at(speed, heard);
        if (call_short(line, reply, id, spinner, console, heard)) return HandshakeResult::success;
    }
    return HandshakeResult::failure;
}

}  // namespace quillmer::protocol
