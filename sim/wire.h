#pragma once
// The timing and speed of bytes on the simulated cable. A pseudo-terminal moves
// bytes at once and carries no speed with them: the speed is read from the
// terminal settings, and the wire time is modelled here.

#include <cstddef>
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

}  // namespace quillmer::sim
