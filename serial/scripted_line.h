#pragma once
// A serial line for tests: the radio's bytes are scripted per pass, and what the
// program writes is recorded with the speed it was written at.

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <vector>

#include "core/clock.h"
#include "serial/line.h"
#include "serial/line_settings.h"

namespace quillmer::serial {

struct WrittenFrame {
    std::vector<std::uint8_t> bytes;
    int speed = 0;
    int pass = 0;  ///< the read_byte call count when it was written
};

/// True when the written frame is exactly `expected`.
template <std::size_t N>
bool is(const WrittenFrame& frame, const std::array<std::uint8_t, N>& expected) {
    return std::equal(frame.bytes.begin(), frame.bytes.end(), expected.begin(), expected.end());
}

class ScriptedLine final : public Line {
  public:
    int speed = kDefaultSpeed;
    bool refuse_speed = false;
    bool gone = false;
    int reads = 0;  ///< read_byte calls so far
    std::vector<WrittenFrame> written;
    std::vector<int> speed_changes;
    std::deque<std::uint8_t> incoming;  ///< bytes waiting, one per read
    /// Called after each write, so a test can answer like a radio.
    std::function<void(ScriptedLine&, const WrittenFrame&)> on_write;
    /// The time spent on the line, as a real port spends it: a write lasts its
    /// frame's wire time, a read that finds no byte waits the read time-out.
    std::chrono::microseconds now{0};
    /// The bytes waiting come only from then on, as a cable's latency timer
    /// holds them: reads before it find none.
    std::chrono::microseconds held_until{0};

    bool set_speed(int rate) override {
        speed_changes.push_back(rate);
        if (refuse_speed) return false;
        speed = rate;
        return true;
    }
    void write_frame(std::span<const std::uint8_t> frame) override {
        now += std::chrono::microseconds(frame.size() * static_cast<std::size_t>(kBitsPerByte) *
                                         1'000'000 / static_cast<std::size_t>(speed));
        written.push_back({{frame.begin(), frame.end()}, speed, reads});
        if (on_write) on_write(*this, written.back());
    }
    std::optional<std::uint8_t> read_byte() override {
        ++reads;
        if (incoming.empty() || now < held_until) {
            now += incoming.empty()
                       ? kReadTimeout
                       : std::min<std::chrono::microseconds>(kReadTimeout, held_until - now);
            return std::nullopt;
        }
        const std::uint8_t byte = incoming.front();
        incoming.pop_front();
        return byte;
    }
    bool vanished() const override { return gone; }
    ReplyLatency reply_latency() const override { return ReplyLatency::low_latency_refused; }

    void answer(std::initializer_list<std::uint8_t> bytes) {
        incoming.insert(incoming.end(), bytes.begin(), bytes.end());
    }
};

/// A scripted line's time as the protocol's clock.
class LineClock final : public Clock {
  public:
    explicit LineClock(const ScriptedLine& line) : line_(line) {}
    TimePoint now() const override { return TimePoint(line_.now); }

  private:
    const ScriptedLine& line_;
};

}  // namespace quillmer::serial
