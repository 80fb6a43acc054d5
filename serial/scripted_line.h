#pragma once
// A serial line for tests: the radio's bytes are scripted per pass, and what the
// program writes is recorded with the speed it was written at.

#include <algorithm>
#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <vector>

#include "serial/line.h"

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

    bool set_speed(int rate) override {
        speed_changes.push_back(rate);
        if (refuse_speed) return false;
        speed = rate;
        return true;
    }
    void write_frame(std::span<const std::uint8_t> frame) override {
        written.push_back({{frame.begin(), frame.end()}, speed, reads});
        if (on_write) on_write(*this, written.back());
    }
    std::optional<std::uint8_t> read_byte() override {
        ++reads;
        if (incoming.empty()) return std::nullopt;
        const std::uint8_t byte = incoming.front();
        incoming.pop_front();
        return byte;
    }
    bool vanished() const override { return gone; }

    void answer(std::initializer_list<std::uint8_t> bytes) {
        incoming.insert(incoming.end(), bytes.begin(), bytes.end());
    }
};

}  // namespace quillmer::serial
