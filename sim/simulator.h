#pragma once
// The simulated radio (radio.h) on the master side of a pseudo-terminal, heard
// and answered through an engine (engine.h) on a thread of its own. The program
// (or a test) opens slave_path() as its serial port; everything the radio hears
// and does is recorded for the test to read.
//
// The simulator keeps its own reading of the memory layout, on purpose: the 400
// channels, the fields of a channel frame and the names of 8 characters are
// written down again in memory_image.h, never taken from the program's
// channels/layout.h. It is the second opinion: a mistake in the program's
// layout must show up against it, not be shared by it.

#include <chrono>
#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <span>
#include <string>

#include "sim/engine.h"
#include "sim/radio.h"
#include "sim/snapshot.h"

namespace quillmer::sim {

class Simulator final : private Responder {
  public:
    /// Receives one line of text per event (frame heard, reply sent, link closed,
    /// ...), without a line feed. Called on the simulator's thread, never while it
    /// holds its lock, so it may call snapshot().
    using LogFn = Engine::LogFn;

    /// Opens a pseudo-terminal and starts the radio on a thread. Nothing when the
    /// pseudo-terminal cannot be had; the reason is then in `*error` if given.
    static std::unique_ptr<Simulator> start(const RadioConfig& config, std::string* error = nullptr,
                                            LogFn log = {});

    /// Stops the radio and closes the pseudo-terminal.
    ~Simulator();
    Simulator(const Simulator&) = delete;
    Simulator& operator=(const Simulator&) = delete;
    Simulator(Simulator&&) = delete;
    Simulator& operator=(Simulator&&) = delete;

    /// The device the program opens, e.g. /dev/pts/5.
    const std::string& slave_path() const { return engine_->slave_path(); }
    const RadioConfig& config() const { return config_; }

    /// A consistent copy of everything recorded so far.
    Snapshot snapshot() const;
    /// The frames received so far, in order.
    std::vector<ReceivedFrame> frames() const;
    /// The radio's memory channels now.
    MemoryImage image() const;
    /// Replies of a kind sent in full so far.
    int replies_sent(ReplyKind kind) const;

    /// Waits until `done` holds for the recorded state, which it is shown under the
    /// simulator's lock (so it must not call back into the simulator). False when
    /// the time ran out first, or the simulator ended without `done` holding.
    bool wait_for(const std::function<bool(const Snapshot&)>& done,
                  std::chrono::milliseconds timeout) const;
    /// Waits until at least `count` frames were received.
    bool wait_for_frames(std::size_t count, std::chrono::milliseconds timeout) const;
    /// Waits until at least `count` frames of a kind were received.
    bool wait_for_kind(FrameKind kind, std::size_t count, std::chrono::milliseconds timeout) const;
    /// Waits until the radio has acted on `count` LINK_CLOSE frames.
    bool wait_for_link_closed(std::chrono::milliseconds timeout, std::size_t count = 1) const;

    /// The device goes away: the master and the simulator's slave are closed, so
    /// the program's port sees a hang-up. Returns once that is done.
    void vanish();
    /// Ends the radio and closes the pseudo-terminal; the program's port then sees
    /// a hang-up as well. Waits for the thread. Safe to call more than once.
    void stop();

  private:
    Simulator(RadioConfig config, std::unique_ptr<Engine> engine);
    // What the radio does with the frames the engine hears.
    bool hear(const ReceivedFrame& frame, std::deque<Answer>& outbox) override;
    void stray(std::size_t total, std::size_t added) override;
    bool off_speed(const Answer& answer, int line_speed) override;
    void wrote(const Answer& answer, std::span<const std::uint8_t> bytes, bool whole) override;
    void sent(const Answer& answer, std::size_t pending) override;
    void ended(bool vanished) override;
    void log(const std::string& line) const { engine_->log(line); }

    const RadioConfig config_;
    Snapshot state_;                  // under the engine's lock
    std::unique_ptr<Engine> engine_;  // started once everything above exists
};

}  // namespace quillmer::sim
