#pragma once
// The monotonic clock the program's waits are measured on: how long the radio
// has been silent, how late its answers come. Behind this seam tests drive
// time by script.

#include <chrono>

namespace quillmer {

class Clock {
  public:
    using TimePoint = std::chrono::steady_clock::time_point;
    virtual ~Clock() = default;
    /// Now, on a clock that never goes back.
    virtual TimePoint now() const = 0;
};

/// The system's monotonic clock.
class SteadyClock final : public Clock {
  public:
    TimePoint now() const override { return std::chrono::steady_clock::now(); }
};

}  // namespace quillmer
