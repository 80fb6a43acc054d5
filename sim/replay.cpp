#include "sim/replay.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "sim/snapshot.h"

namespace quillmer::sim {
namespace {

bool is_keepalive(std::span<const std::uint8_t> frame) {
    return std::equal(frame.begin(), frame.end(), kKeepalive.begin(), kKeepalive.end());
}

/// The calls the program repeats on a timer until the radio answers.
bool repeated_call(std::span<const std::uint8_t> frame) {
    const Bytes identify_long = identify_frame(kIdentifyLongPreamble);
    return std::ranges::equal(frame, identify_long) ||
           std::equal(frame.begin(), frame.end(), kReadyProbe.begin(), kReadyProbe.end());
}

std::string at_speed(int speed) {
    return " at " + std::to_string(speed) + " bit/s";
}

/// A frame the program sent, named by the simulator's own reading of it.
std::string program_frame(std::span<const std::uint8_t> frame, int speed) {
    const Bytes bytes(frame.begin(), frame.end());
    std::string name = frame_name(bytes);
    const FrameKind kind = classify(frame);
    if (kind == FrameKind::write || kind == FrameKind::erase) {
        const std::size_t at = preamble_length(frame) + 5;
        name += " ch " + std::to_string(channel_number(frame[at], frame[at + 1]));
    }
    return name + at_speed(speed);
}

/// Where two frames differ, for a departure: the first byte, or the lengths.
std::string difference(std::span<const std::uint8_t> traced, std::span<const std::uint8_t> came) {
    const auto [t, c] = std::ranges::mismatch(traced, came);
    if (t == traced.end() && c == came.end()) return {};
    if (t != traced.end() && c != came.end()) {
        const auto offset = static_cast<std::size_t>(t - traced.begin());
        return "; byte " + std::to_string(offset) + " is " + hex(std::span(&*c, 1)) +
               " where the trace has " + hex(std::span(&*t, 1));
    }
    return "; " + std::to_string(came.size()) + " bytes where the trace has " +
           std::to_string(traced.size());
}

}  // namespace

ReplayScript script_of(const Trace& trace) {
    ReplayScript script;
    std::vector<TracedAnswer> before_any;
    double frame_ms = 0;
    const auto add = [&](TracedAnswer answer, double ms) {
        if (script.frames.empty()) {
            before_any.push_back(std::move(answer));
            return;
        }
        const double delay_us = std::max(0.0, (ms - frame_ms) * 1000.0);
        answer.delay = std::chrono::microseconds(std::llround(delay_us));
        script.frames.back().answers.push_back(std::move(answer));
    };
    for (const TraceEvent& event : trace.events) {
        switch (event.kind) {
            case TraceEvent::Kind::sent:
                if (is_keepalive(event.bytes)) break;
                script.frames.push_back(TracedFrame{event.bytes, event.speed, event.text,
                                                    event.line, std::exchange(before_any, {})});
                frame_ms = event.ms;
                break;
            case TraceEvent::Kind::received:
                add(TracedAnswer{event.bytes, event.speed, {}, event.line, false}, event.ms);
                break;
            case TraceEvent::Kind::gone:
                add(TracedAnswer{{}, 0, {}, event.line, true}, event.ms);
                break;
            case TraceEvent::Kind::key:
                script.keys.push_back(TracedKey{event.text, script.frames.size()});
                break;
            case TraceEvent::Kind::other:
                break;
        }
    }
    return script;
}

std::string Departure::text() const {
    return "frame " + std::to_string(frame) + " departs from the trace: expected " + expected +
           "; came " + came;
}

Replay::Replay(ReplayScript script) : script_(std::move(script)) {}

bool Replay::same(std::size_t step, std::span<const std::uint8_t> frame, int speed) const {
    const TracedFrame& traced = script_.frames[step];
    return traced.speed == speed && std::ranges::equal(traced.bytes, frame);
}

bool Replay::answered_run(std::size_t step) const {
    const TracedFrame& frame = script_.frames[step];
    if (!repeated_call(frame.bytes)) return false;
    // Back through the run of the same call: was one of them answered?
    for (std::size_t k = step + 1; k-- > 0;) {
        if (!same(k, frame.bytes, frame.speed)) return false;
        const auto& answers = script_.frames[k].answers;
        if (std::ranges::any_of(answers, [](const TracedAnswer& a) { return !a.bytes.empty(); })) {
            return true;
        }
    }
    return false;
}

bool Replay::timing_repeat(std::size_t step) const {
    if (step == 0 || step >= script_.frames.size()) return false;
    const TracedFrame& frame = script_.frames[step];
    return same(step - 1, frame.bytes, frame.speed) && answered_run(step - 1);
}

std::vector<TracedAnswer> Replay::hear(std::span<const std::uint8_t> frame, int speed) {
    if (departure_ || is_keepalive(frame)) return {};
    ++frames_heard_;
    const std::size_t count = script_.frames.size();
    if (next_ < count && same(next_, frame, speed)) {
        extra_repeats_ = 0;
        return script_.frames[next_++].answers;
    }
    // One more call of an answered run than the trace has.
    if (next_ > 0 && extra_repeats_ < kExtraRepeats && same(next_ - 1, frame, speed) &&
        answered_run(next_ - 1)) {
        ++extra_repeats_;
        return {};
    }
    // Fewer calls of an answered run than the trace has.
    std::size_t skip_to = next_;
    while (timing_repeat(skip_to)) ++skip_to;
    if (skip_to > next_ && skip_to < count && same(skip_to, frame, speed)) {
        std::vector<TracedAnswer> answers;
        for (std::size_t k = next_; k <= skip_to; ++k) {
            const auto& more = script_.frames[k].answers;
            answers.insert(answers.end(), more.begin(), more.end());
        }
        next_ = skip_to + 1;
        extra_repeats_ = 0;
        return answers;
    }

    Departure departure;
    departure.frame = frames_heard_;
    if (next_ < count) {
        const TracedFrame& traced = script_.frames[next_];
        departure.expected = traced.name + at_speed(traced.speed) + " (trace line " +
                             std::to_string(traced.line) + ")";
        departure.came = program_frame(frame, speed) + difference(traced.bytes, frame);
    } else {
        departure.expected = "no more frames: the trace ends";
        departure.came = program_frame(frame, speed);
    }
    departure_ = std::move(departure);
    return {};
}

void Replay::answer_off_speed(const TracedAnswer& answer, int line_speed) {
    if (departure_) return;
    departure_ = Departure{frames_heard_,
                           "the radio's answer" + at_speed(answer.speed) + " (trace line " +
                               std::to_string(answer.line) + ")",
                           "the program's line" + at_speed(line_speed) + " by then"};
}

std::string Replay::outcome() const {
    const std::size_t count = script_.frames.size();
    if (departure_) return departure_->text();
    if (complete())
        return "replayed: the program sent all " + std::to_string(count) + " frames of the trace";
    std::string text = "the program sent " + std::to_string(next_) + " of the trace's " +
                       std::to_string(count) + " frames";
    if (next_ < count) {
        const TracedFrame& traced = script_.frames[next_];
        text += "; the next would be " + traced.name + at_speed(traced.speed) + " (trace line " +
                std::to_string(traced.line) + ")";
    }
    return text;
}

}  // namespace quillmer::sim
