#pragma once
// The protocol's view of a serial line. The real port implements it; tests drive
// the protocol through scripted lines as well as through pseudo-terminals.

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace quillmer::serial {

/// The speed a port is opened at and the radio talks at, in bit/s.
inline constexpr int kDefaultSpeed = 38400;

class Line {
  public:
    virtual ~Line() = default;
    /// Changes the line speed (4800, 9600 or 38400 bit/s) and keeps every other
    /// setting. Bytes written before the change leave at the old speed. False when
    /// the driver refuses the change.
    virtual bool set_speed(int rate) = 0;
    /// Writes every byte of the frame; returns when all have left, as far as the
    /// driver can tell (a USB adapter may still hold a few in its chip).
    virtual void write_frame(std::span<const std::uint8_t> frame) = 0;
    /// Waits about 5 ms for one byte. Nothing on a time-out or an error; even then
    /// the wait is spent, so a loop around it never spins.
    virtual std::optional<std::uint8_t> read_byte() = 0;
    /// True once the device has reported a hang-up or kept failing: the cable was
    /// pulled or the device is gone, and nothing more will come from it.
    virtual bool vanished() const = 0;
    /// What helps when the radio's replies come late on this line, a clause
    /// that ends a sentence: whether the driver took low-latency mode, or where
    /// a USB adapter's latency timer is set.
    virtual std::string slow_reply_advice() const = 0;
};

}  // namespace quillmer::serial
