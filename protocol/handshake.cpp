#include "protocol/handshake.h"

namespace quillmer::protocol {

namespace {

constexpr int kLongCalls = 9;          // IDENTIFY_LONG goes out at most this often,
constexpr int kPassesPerLongCall = 6;  // on every sixth pass
constexpr int kCyclesPerAttempt = 5;   // spinner turns in one attempt of phase 2
constexpr int kPassesPerCycle = 50;

/// Changes the line speed; reports a refusal, and carries on as if the change
/// had taken effect.
void change_speed(serial::Line& line, int rate, HandshakeObserver& events) {
    if (!line.set_speed(rate)) events.speed_refused(rate);
}

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

/// Phase 1: any finished frame that can be the radio's reply ends the
/// handshake with success; any other is dropped.
bool call_long(serial::Line& line, ReplyBuffer& reply, IdBytes& id, HandshakeObserver& events,
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
            events.spinner_turned();
        }
        if (!receive(line, reply, heard)) continue;
        const bool radios = reply_can_be_radios(reply);
        if (radios) store_id_if_identify(reply, id);
        reply.fill = 0;
        if (radios) return true;
    }
}

/// One attempt of phase 2 at the current speed: a short identify call; after
/// the first reply of any content, back to 38400 and a link query, which only
/// the link-ready answer 18 01 satisfies.
bool call_short(serial::Line& line, ReplyBuffer& reply, IdBytes& id, HandshakeObserver& events,
                HandshakeRecord& heard) {
    enum class Step { call, wait_identify, identified, query, wait_link };
    int cycles = kCyclesPerAttempt;
    int countdown = kPassesPerCycle;
    Step step = Step::call;
    for (;;) {
        if (--countdown == 0) {
            countdown = kPassesPerCycle;
            --cycles;
            events.spinner_turned();
            if (cycles == 0) return false;
        }
        if (step == Step::call) {
            line.write_frame(IDENTIFY_SHORT);
            step = Step::wait_identify;
        }
        if (step == Step::identified) {
            line.write_frame(SPEED_NOTICE);
            change_speed(line, serial::kDefaultSpeed, events);
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

HandshakeResult run_handshake(serial::Line& line, ReplyBuffer& reply, IdBytes& id,
                              HandshakeObserver& events, HandshakeRecord& heard) {
    reply.fill = 0;
    heard = HandshakeRecord{};
    calling_at(serial::kDefaultSpeed, heard);
    if (call_long(line, reply, id, events, heard)) return HandshakeResult::success;

    for (const int speed : serial::kFallbackSpeeds) {
        line.write_frame(SPEED_NOTICE);
        change_speed(line, speed, events);
        calling_at(speed, heard);
        if (call_short(line, reply, id, events, heard)) return HandshakeResult::success;
    }
    return HandshakeResult::failure;
}

}  // namespace quillmer::protocol
