#pragma once
// A traced radio on the master side of a pseudo-terminal, heard and answered
// through an engine (engine.h): it follows the program's frames through the
// trace (replay.h) and answers as the traced radio did, at the traced speed and
// after the traced delay.

#include <chrono>
#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "sim/engine.h"
#include "sim/replay.h"
#include "sim/snapshot.h"

namespace quillmer::sim {

/// What the replaying radio has heard and done, as a test reads it.
struct ReplayState {
    std::vector<ReceivedFrame> frames;  ///< every frame heard, KEEPALIVE among them
    std::size_t matched = 0;            ///< frames of the script matched so far
    std::size_t pending = 0;            ///< answers waiting for their time
    std::optional<Departure> departure;
    std::string outcome;  ///< Replay::outcome() now
    bool complete = false;
    Bytes sent;  ///< every byte sent to the program, in order
    bool vanished = false;
    bool running = true;
};

class Replayer final : private Responder {
  public:
    /// One line of text per event, without a line feed, on the replayer's thread.
    using LogFn = Engine::LogFn;

    /// Opens a pseudo-terminal and starts replaying `script` on a thread. With
    /// `pace`, bytes take their wire time both ways. Nothing when no
    /// pseudo-terminal can be had; the reason is then in `*error` if given.
    static std::unique_ptr<Replayer> start(ReplayScript script, bool pace,
                                           std::string* error = nullptr, LogFn log = {});
    ~Replayer();
    Replayer(const Replayer&) = delete;
    Replayer& operator=(const Replayer&) = delete;
    Replayer(Replayer&&) = delete;
    Replayer& operator=(Replayer&&) = delete;

    /// The device the program opens.
    const std::string& slave_path() const { return engine_->slave_path(); }
    const ReplayScript& script() const { return replay_.script(); }

    /// A consistent copy of everything recorded so far.
    ReplayState state() const;
    /// Waits until `done` holds for the state (shown under the lock), or the
    /// replayer has ended. False when the time ran out or it ended first.
    bool wait_for(const std::function<bool(const ReplayState&)>& done,
                  std::chrono::milliseconds timeout) const;
    /// Ends the replay and closes the pseudo-terminal. Safe to call twice.
    void stop();

  private:
    Replayer(ReplayScript script, std::unique_ptr<Engine> engine);
    // What the traced radio does with the frames the engine hears.
    bool hear(const ReceivedFrame& frame, std::deque<Answer>& outbox) override;
    bool off_speed(const Answer& answer, int line_speed) override;
    void wrote(const Answer& answer, std::span<const std::uint8_t> bytes, bool whole) override;
    void sent(const Answer& answer, std::size_t pending) override;
    bool write_failed(const std::string& why) override;
    void ended(bool vanished) override;
    /// Copies where the replay stands, and `pending` answers waiting, into the state.
    void publish(std::size_t pending);
    void log(const std::string& line) const { engine_->log(line); }

    Replay replay_;                   // engine's thread only; published into state_
    ReplayState state_;               // under the engine's lock
    std::unique_ptr<Engine> engine_;  // started once everything above exists
};

}  // namespace quillmer::sim
