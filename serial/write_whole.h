#pragma once
// A frame written whole through a driver that may take it in parts, the same
// way on every platform: a driver that keeps taking nothing is given up on.

#include <cstddef>
#include <cstdint>
#include <span>

namespace quillmer::serial {

/// Attempts in a row that hand nothing over, after which a frame is given up.
inline constexpr int kStallsForGiveUp = 10;

/// What one attempt to write did.
struct WriteAttempt {
    std::size_t wrote = 0;  ///< bytes the driver took; 0 when it took none this time
    bool failed = false;    ///< the driver reported an error: no use going on
};

enum class WriteEnd {
    done,     ///< every byte was handed over
    stalled,  ///< kStallsForGiveUp attempts in a row took nothing
    failed,   ///< an attempt failed
};

/// Hands every byte of `frame` to `write_some(rest)`, which tries once (and may
/// wait a little for room) and tells what it did.
template <typename WriteSome>
WriteEnd write_whole(std::span<const std::uint8_t> frame, WriteSome&& write_some) {
    int stalls = 0;
    while (!frame.empty()) {
        const WriteAttempt attempt = write_some(frame);
        if (attempt.failed) return WriteEnd::failed;
        if (attempt.wrote == 0) {
            if (++stalls >= kStallsForGiveUp) return WriteEnd::stalled;
            continue;
        }
        stalls = 0;
        frame = frame.subspan(attempt.wrote);
    }
    return WriteEnd::done;
}

}  // namespace quillmer::serial
