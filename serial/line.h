#pragma once
// The protocol's view of a serial line. The real port implements it; tests drive
// the protocol through scripted lines as well as through pseudo-terminals.

#include <cstdint>
#include <optional>
#include <span>

#include "serial/line_settings.h"

namespace quillmer::serial {

/// What the port knows of the wait a USB adapter's latency timer adds to each
/// of the radio's replies.
enum class ReplyLatency {
    low_latency_taken,    ///< the driver runs in low-latency mode: the timer is not the cause
    low_latency_refused,  ///< the driver refused low-latency mode: the timer holds each reply
    not_known,            ///< this platform's serial calls cannot tell
    timer_in_driver,      ///< the timer is among the port's own settings in Device Manager
};

class Line {
  public:
    virtual ~Line() = default;
    /// Changes the line speed (one of is_line_speed()) and keeps every other
    /// setting. Bytes written before the change leave at the old speed. False when
    /// the driver refuses the change.
    virtual bool set_speed(int rate) = 0;
    /// Writes every byte of the frame; returns when all have left, as far as the
    /// driver can tell (a USB adapter may still hold a few in its chip).
    virtual void write_frame(std::span<const std::uint8_t> frame) = 0;
    /// Waits kReadTimeout for one byte. Nothing on a time-out or an error; even then
    /// the wait is spent, so a loop around it never spins.
    virtual std::optional<std::uint8_t> read_byte() = 0;
    /// True once the device has reported a hang-up or kept failing: the cable was
    /// pulled or the device is gone, and nothing more will come from it.
    virtual bool vanished() const = 0;
    /// What the port knows of a latency timer that holds replies back.
    virtual ReplyLatency reply_latency() const = 0;
};

}  // namespace quillmer::serial
