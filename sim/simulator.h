#pragma once
// The simulated radio on the master side of a pseudo-terminal, running on a
// thread of its own. The program (or a test) opens slave_path() as its serial
// port; everything the radio hears and does is recorded for the test to read.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "sim/frame_parser.h"
#include "sim/pty.h"
#include "sim/radio.h"
#include "sim/snapshot.h"

namespace quillmer::sim {

class Simulator {
  public:
    /// Receives one line of text per event (frame heard, reply sent, link closed,
    /// ...), without a line feed. Called on the simulator's thread, never while it
    /// holds its lock, so it may call snapshot().
    using LogFn = std::function<void(const std::string& line)>;

    /// Opens a pseudo-terminal and starts the radio on a thread. Nothing when the
    /// pseudo-terminal cannot be had; the reason is then in `*error` if given.
    static std::unique_ptr<Simulator> start(const RadioConfig& config, std::string* error = nullptr,
                                            LogFn log = {});

    /// Stops the radio and closes the pseudo-terminal.
    ~Simulator();
    Simulator(const Simulator&) = delete;
    Simulator& operator=(const Simulator&) = delete;

    /// The device the program opens, e.g. /dev/pts/5.
    const std::string& slave_path() const { return slave_path_; }
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
    struct Outgoing;
    struct Arrival;

    Simulator(RadioConfig config, Pty pty, WakePipe wake, LogFn log);
    void run();
    bool read_batch(std::deque<Arrival>& inbox);
    bool hear(const Arrival& arrival, std::deque<Outgoing>& outbox);
    bool send_due(std::deque<Outgoing>& outbox, bool& blocked);
    void finish(bool vanished, const std::string& why);
    void log(const std::string& line) const;
    void request_end(bool vanish);

    const RadioConfig config_;
    const LogFn log_;
    const Clock::time_point started_;
    const std::string slave_path_;
    Pty pty_;  // used only by the loop while it runs
    WakePipe wake_;
    int last_speed_ = 0;           // loop only: line speed after the last batch
    bool after_notice_ = false;    // loop only: the last batch ended with a notice
    Clock::time_point wire_free_;  // loop only: pacing of received bytes
    FrameParser parser_;           // loop only

    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    Snapshot state_;
    std::atomic<bool> vanish_requested_{false};
    std::thread thread_;  // last: started once everything above exists
};

}  // namespace quillmer::sim
