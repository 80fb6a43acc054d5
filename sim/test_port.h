#pragma once
// For the simulator's tests: the program's end of the cable, opened raw on the
// simulated radio's pseudo-terminal.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

#include <chrono>
#include <string>

#include "sim/frames.h"
#include "sim/pty.h"

namespace quillmer::sim::test_port {

/// Generous: only reached when something is wrong.
inline constexpr std::chrono::seconds kWait{5};

struct Port {
    Fd fd;

    static Port open(const std::string& path, int speed = 38400) {
        Port port{Fd(::open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC))};
        EXPECT_TRUE(port.fd.valid()) << path;
        EXPECT_TRUE(make_raw(port.fd.get(), speed));
        return port;
    }
    void send(const Bytes& frame) const {
        ASSERT_EQ(::write(fd.get(), frame.data(), frame.size()),
                  static_cast<ssize_t>(frame.size()));
    }
    void speed(int bit_per_s) const { ASSERT_TRUE(set_line_speed(fd.get(), bit_per_s)); }

    /// Reads until `ends` FD bytes have come, or the time is up.
    Bytes receive_frames(int ends = 1) const {
        Bytes got;
        read_until([&](std::uint8_t byte) { return byte == kEndByte && --ends == 0; }, got);
        return got;
    }
    /// Reads `count` bytes, or what came before the time was up or the device went.
    Bytes receive_bytes(std::size_t count) const {
        Bytes got;
        if (count > 0) read_until([&](std::uint8_t) { return got.size() == count; }, got);
        return got;
    }
    /// True when the device has gone: a read brings the end of the file or an error.
    bool gone() const {
        pollfd p{fd.get(), POLLIN, 0};
        if (::poll(&p, 1, static_cast<int>(std::chrono::milliseconds(kWait).count())) <= 0) {
            return false;
        }
        std::uint8_t byte = 0;
        return ::read(fd.get(), &byte, 1) <= 0;
    }

  private:
    /// Appends bytes to `got` until `done(byte)` holds for the last one, the
    /// time is up or the device went.
    template <typename Done>
    void read_until(Done&& done, Bytes& got) const {
        const auto deadline = std::chrono::steady_clock::now() + kWait;
        while (std::chrono::steady_clock::now() < deadline) {
            pollfd p{fd.get(), POLLIN, 0};
            if (::poll(&p, 1, 50) <= 0) continue;
            std::uint8_t byte = 0;
            if (::read(fd.get(), &byte, 1) != 1) return;
            got.push_back(byte);
            if (done(byte)) return;
        }
    }
};

}  // namespace quillmer::sim::test_port
