#pragma once
// A traced radio, replayed: what the radio did after each frame of the trace,
// and the check that the program sends the trace's frames again.
//
// The frames are compared byte for byte and at their speed, in order, except
// where the program's own timing decides what goes out:
// - KEEPALIVE goes out every 31 passes, so how many there are and where they
//   fall varies: they are never compared, and what the radio sent after one
//   goes with the frame before it.
// - IDENTIFY_LONG and READY_PROBE are repeated on a timer until the radio's
//   answer is in, and the answer is read a byte a pass: once the traced radio
//   has answered one of a run of them, the program may send a few more or
//   fewer of that run than the trace holds. A run the radio never answered must
//   come exactly as often as in the trace (a silent radio: nine calls).

#include <chrono>
#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "sim/frames.h"
#include "sim/trace_file.h"

namespace quillmer::sim {

/// What the traced radio did after a frame: bytes it sent, or it vanished.
struct TracedAnswer {
    Bytes bytes;  ///< empty for a vanishing
    int speed = 0;
    std::chrono::microseconds delay{0};  ///< after the frame it follows
    int line = 0;                        ///< in the trace file
    bool vanish = false;                 ///< the device went away here
};

/// A frame the program sent in the trace, and what the radio did until the next.
struct TracedFrame {
    Bytes bytes;
    int speed = 0;
    std::string name;  ///< the trace's name for it
    int line = 0;
    std::vector<TracedAnswer> answers;  ///< in order
};

/// A key the user pressed in the trace; a replaying test presses it again.
struct TracedKey {
    std::string key;          ///< "Esc", "Ctrl-C"
    std::size_t after_frame;  ///< once this many frames of the script have been matched
};

struct ReplayScript {
    std::vector<TracedFrame> frames;  ///< every frame but KEEPALIVE
    std::vector<TracedKey> keys;
};

/// The script of a trace. Runs of bytes and a vanishing go with the last frame
/// before them that is not a KEEPALIVE (those before any frame, with the first).
ReplayScript script_of(const Trace& trace);

/// Where the program's frames first left the trace.
struct Departure {
    std::size_t frame = 0;  ///< the program's frame, counted from 1 without KEEPALIVE
    std::string expected;   ///< what the trace has there
    std::string came;       ///< what the program sent
    std::string text() const;
};

/// Follows the program's frames through a script.
class Replay {
  public:
    explicit Replay(ReplayScript script);

    /// The program sent `frame` at `speed`: the answers to send now, in order.
    /// Nothing for a KEEPALIVE, a tolerated repeat, or once the program has
    /// departed from the trace (the first departure is kept).
    std::vector<TracedAnswer> hear(std::span<const std::uint8_t> frame, int speed);

    /// The program's line was at `line_speed` when `answer`, traced at another
    /// speed, was due to go: the program changed speed at another moment than
    /// in the trace. Kept as the departure unless there is one already.
    void answer_off_speed(const TracedAnswer& answer, int line_speed);

    /// Frames of the script matched so far.
    std::size_t matched() const { return next_; }
    const ReplayScript& script() const { return script_; }
    bool complete() const { return next_ == script_.frames.size() && !departure_; }
    const std::optional<Departure>& departure() const { return departure_; }
    /// A line for the end of a replay: complete, departed, or how far it came.
    std::string outcome() const;

  private:
    bool same(std::size_t step, std::span<const std::uint8_t> frame, int speed) const;
    /// True when `step` is a call the program repeats on a timer and the radio
    /// answered it or an earlier one of the same run.
    bool answered_run(std::size_t step) const;
    /// True when `step` repeats the frame before it in a run the radio had
    /// already answered before it, so that it may be left out or sent again.
    bool timing_repeat(std::size_t step) const;

    ReplayScript script_;
    std::size_t next_ = 0;
    std::size_t frames_heard_ = 0;  ///< without KEEPALIVE
    int extra_repeats_ = 0;         ///< of the frame matched last
    std::optional<Departure> departure_;
};

/// How many times more than the trace the program may repeat an answered call.
inline constexpr int kExtraRepeats = 2;

}  // namespace quillmer::sim
