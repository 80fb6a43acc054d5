#pragma once
// The timing and speed of bytes on the simulated cable. A pseudo-terminal moves
// bytes at once and carries no speed with them: the speed is read from the
// terminal settings, and the wire time is modelled here.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <span>
#include <utility>
#include <vector>

#include "sim/frame_parser.h"
#include "sim/snapshot.h"

namespace quillmer::sim {

/// Time one byte takes on the wire: a start bit, 8 data bits and a stop bit.
/// A speed of 0 or less counts as 38400 bit/s.
Clock::duration byte_time(int bit_per_s);

/// The speed each frame of one batch of reads was sent at, given the line speed
/// read after the previous batch and after this one. The terminal shows only the
/// speed now, and the program changes it right after a SPEED_NOTICE, once the
/// notice has had time to leave. So when the speed changed: if the previous batch
/// ended with a SPEED_NOTICE (`after_notice`), the change came between the two
/// batches and the whole batch went at the new speed; otherwise the program was
/// quicker than our reads, and the frames up to this batch's last SPEED_NOTICE
/// went at the old speed and the rest at the new one. Without any notice the
/// change came before the batch (a reopened port set up afresh).
std::vector<int> batch_speeds(const std::vector<ParsedFrame>& frames, int speed_before,
                              int speed_after, bool after_notice = false);

/// True when the batch's last frame is a SPEED_NOTICE.
bool ends_with_notice(const std::vector<ParsedFrame>& frames);

/// When each byte of a batch is whole on the wire, the first starting at `start`:
/// the bytes up to each frame's end at its speed, those after the last frame at
/// `speed_after`.
std::vector<Clock::time_point> byte_arrivals(const std::vector<ParsedFrame>& frames,
                                             const std::vector<int>& speeds, std::size_t batch_size,
                                             int speed_after, Clock::time_point start);

/// When the last byte of each frame of a batch arrives if bytes come no faster
/// than their wire time: the batch starts at `read_at` or when the wire is free,
/// whichever is later. `wire_free` carries over to the next batch, and the bytes
/// after the last frame count at `speed_after`.
std::vector<Clock::time_point> paced_arrivals(const std::vector<ParsedFrame>& frames,
                                              const std::vector<int>& speeds,
                                              std::size_t batch_size, int speed_after,
                                              Clock::time_point read_at,
                                              Clock::time_point& wire_free);

/// How many bytes of a paced reply may go out now, when the next is due at
/// `next_due` and one follows every `per_byte`: 0 before `next_due`, otherwise one
/// plus one for every whole `per_byte` since, at most `left`.
std::size_t bytes_due(Clock::time_point next_due, Clock::time_point now, Clock::duration per_byte,
                      std::size_t left);

/// The line into the program: the bytes on their way to it through the cable's
/// faults (radio.h, LineFaults). What the radio sends and what the line echoes
/// go in with the time they reach the program's end of the cable; there they
/// wait behind the latency timer, if any, and come out in the order they reached
/// it. No input or output here; the engine writes what comes out.
class LineIn {
  public:
    explicit LineIn(LineFaults faults) : faults_(std::move(faults)) {}

    /// `bytes` the radio sends reach the cable at `at`. Returns the number of the
    /// first byte (counted from 1 over the run); the byte to drop is left out, and
    /// the noise goes in just in front of the radio's first byte.
    std::size_t from_radio(std::span<const std::uint8_t> bytes, Clock::time_point at);
    /// `bytes` the program wrote, each back at its time in `at`, when the cable
    /// echoes; otherwise nothing.
    void echo(std::span<const std::uint8_t> bytes, std::span<const Clock::time_point> at);

    /// The bytes that have come out by `now`, oldest first. They stay in the line
    /// until taken().
    Bytes out(Clock::time_point now);
    /// The first `count` bytes of out() have reached the program.
    void taken(std::size_t count);
    /// When the next byte that is not out yet comes out; nothing when there is none.
    std::optional<Clock::time_point> next() const;
    /// Everything still on the line is lost.
    void clear() {
        line_.clear();
        let_out_ = 0;
    }

  private:
    struct Byte {
        std::uint8_t value;
        Clock::time_point at;  // when it reached the program's end of the cable
    };
    void put(std::uint8_t value, Clock::time_point at);
    // When `byte`, the first on the line not yet out, comes out.
    Clock::time_point out_at(const Byte& byte) const;

    const LineFaults faults_;
    std::deque<Byte> line_;                    // by the time they reached it
    std::size_t let_out_ = 0;                  // bytes at the front that have come out
    std::optional<Clock::time_point> window_;  // end of the latency timer's window
    std::size_t radio_bytes_ = 0;              // bytes the radio has sent
};

}  // namespace quillmer::sim
