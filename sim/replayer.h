#pragma once
// A traced radio on the master side of a pseudo-terminal: it hears the
// program's frames, follows them through the trace (sim/replay.h) and answers
// as the traced radio did, at the traced speed and after the traced delay.

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "sim/frame_parser.h"
#include "sim/pty.h"
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

class Replayer {
  public:
    /// One line of text per event, without a line feed, on the replayer's thread.
    using LogFn = std::function<void(const std::string& line)>;

    /// Opens a pseudo-terminal and starts replaying `script` on a thread. With
    /// `pace`, bytes take their wire time both ways. Nothing when no
    /// pseudo-terminal can be had; the reason is then in `*error` if given.
    static std::unique_ptr<Replayer> start(ReplayScript script, bool pace,
                                           std::string* error = nullptr, LogFn log = {});
    ~Replayer();
    Replayer(const Replayer&) = delete;
    Replayer& operator=(const Replayer&) = delete;

    /// The device the program opens.
    const std::string& slave_path() const { return slave_path_; }
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
    struct Outgoing;

    Replayer(ReplayScript script, bool pace, Pty pty, WakePipe wake, LogFn log);
    void run();
    bool read_batch(std::deque<ReceivedFrame>& inbox);
    void hear(const ReceivedFrame& frame, std::deque<Outgoing>& outbox);
    /// Sends what is due; false when the device is to vanish now.
    bool send_due(std::deque<Outgoing>& outbox, bool& blocked);
    void finish(bool vanish, const std::string& why);
    void log(const std::string& line) const;
    void publish(const std::deque<Outgoing>& outbox);

    const bool pace_;
    const LogFn log_;
    const Clock::time_point started_;
    const std::string slave_path_;
    Pty pty_;
    WakePipe wake_;
    Replay replay_;  // loop only; published into state_
    int last_speed_ = 0;
    bool after_notice_ = false;
    Clock::time_point wire_free_;
    FrameParser parser_;

    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    ReplayState state_;
    std::thread thread_;  // last: started once everything above exists
};

}  // namespace quillmer::sim
