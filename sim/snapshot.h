#pragma once
// What the simulated radio has seen and done, as a test reads it.

#include <array>
#include <chrono>
#include <cstddef>
#include <string>
#include <vector>

#include "sim/frames.h"
#include "sim/radio.h"

namespace quillmer::sim {

using Clock = std::chrono::steady_clock;

/// One frame the program sent, in the order received.
struct ReceivedFrame {
    Bytes bytes;  ///< exactly as sent: the whole preamble through FD
    FrameKind kind = FrameKind::unknown;
    int speed = 0;         ///< bit/s the program's line was set to when it
                           ///< sent the frame; 0 when unknown
    Clock::time_point at;  ///< when its last byte arrived
    bool exact = false;    ///< byte for byte a frame the program should send
    bool garbled = false;  ///< arrived at another speed than the radio's,
                           ///< so the radio did not act on it
};

/// A consistent copy of everything the simulator recorded.
struct Snapshot {
    std::vector<ReceivedFrame> frames;
    RadioState radio;                            ///< speed, link, probes, memory image
    std::array<int, kReplyKindCount> replies{};  ///< replies sent in full, by kind
    int garbled_replies = 0;  ///< replies not sent: the line had left the radio's speed
    std::vector<Clock::time_point> link_opens;   ///< each LINK_OPEN the radio acted on
    std::vector<Clock::time_point> link_closes;  ///< each LINK_CLOSE the radio acted on
    std::size_t stray_bytes = 0;                 ///< bytes outside any frame (before an FE)
    Bytes bytes_sent;       ///< every byte the radio sent, in order; with the cable's faults
                            ///< (RadioConfig::line) the program gets them changed
    bool vanished = false;  ///< the device has gone: the pseudo-terminal is closed
    bool running = true;    ///< false once the simulator's loop has ended

    /// Replies of a kind sent in full.
    int sent(ReplyKind kind) const { return replies[static_cast<std::size_t>(kind)]; }
};

/// Number of frames of a kind.
std::size_t count_of(const std::vector<ReceivedFrame>& frames, FrameKind kind);

/// The frames of a kind, in order.
std::vector<ReceivedFrame> frames_of(const std::vector<ReceivedFrame>& frames, FrameKind kind);

/// The kind of every frame, in order.
std::vector<FrameKind> kinds_of(const std::vector<ReceivedFrame>& frames);

/// "IDENTIFY_LONG", "IDENTIFY_SHORT" for the two listed preambles, otherwise the kind name.
std::string frame_name(const Bytes& frame);

/// The frames in order as runs, for order assertions and failure messages:
/// "IDENTIFY_LONG@38400 x9, SPEED_NOTICE@38400, IDENTIFY_SHORT@4800". A frame that is
/// not exact carries "?", a garbled one "!". Frames of the kinds in `skip` are left
/// out (KEEPALIVE, say, which interleaves with everything).
std::string summary(const std::vector<ReceivedFrame>& frames,
                    const std::vector<FrameKind>& skip = {});

}  // namespace quillmer::sim
