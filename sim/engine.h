#pragma once
// The radio's end of the cable, whichever radio answers there: the master side
// of a pseudo-terminal, read and written by a thread of its own. It collects the
// program's bytes into frames, works out the speed each frame was sent at and,
// paced, when its last byte would have arrived; at that moment it hands the
// frame to a responder, which says what goes back: bytes at a speed after a
// delay, or the device going away. The engine sends them when due, byte by byte
// in their wire time when paced, and only while the program's line is at their
// speed, through the cable's faults (LineFaults: latency, echo, a lost byte,
// noise). The simulated radio (simulator.h) and the replayed trace (replayer.h)
// are its two responders.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <thread>

#include "sim/frame_parser.h"
#include "sim/pty.h"
#include "sim/snapshot.h"
#include "sim/wire.h"

namespace quillmer::sim {

/// Something the radio sends once due: bytes at a speed, or its going away.
struct Answer {
    Bytes bytes;            ///< empty for a vanishing
    Clock::time_point due;  ///< when the first byte may go
    int speed = 0;          ///< bit/s it goes at; the program's line must be at it then
    bool vanish = false;    ///< instead of bytes: the device goes away when this is due
    int tag = 0;            ///< the responder's own: which reply, which trace line
};

/// What a radio does with the frames the engine hears. Every call comes from the
/// engine's thread, one at a time; only wrote() and ended() are called under the
/// engine's lock, and so must not take it.
class Responder {
  public:
    Responder() = default;
    Responder(const Responder&) = delete;
    Responder& operator=(const Responder&) = delete;
    Responder(Responder&&) = delete;
    Responder& operator=(Responder&&) = delete;

    /// `frame` has arrived whole (its `at` is when its last byte did). What the
    /// radio sends is appended to `outbox`, which holds what still waits to go.
    /// False when the device goes away now, before anything else is heard or sent.
    virtual bool hear(const ReceivedFrame& frame, std::deque<Answer>& outbox) = 0;
    /// `added` bytes that belonged to no frame were read; `total` so far.
    virtual void stray(std::size_t /*total*/, std::size_t /*added*/) {}
    /// `answer` is due, but the program's line is at `line_speed`: it is not sent.
    /// True when everything still waiting in the outbox is dropped with it.
    virtual bool off_speed(const Answer& answer, int line_speed) = 0;
    /// Under the lock, as they go on the line: `bytes` of `answer` went out; `whole`
    /// when they were its last. The line may still hold them back or lose one.
    virtual void wrote(const Answer& answer, std::span<const std::uint8_t> bytes, bool whole) = 0;
    /// `answer` has gone out whole and left the outbox; `pending` answers remain.
    virtual void sent(const Answer& answer, std::size_t pending) = 0;
    /// A write to the program failed for `why`. True: the engine drops the outbox
    /// and goes on. False, by default: it ends, with `why` as its last word.
    virtual bool write_failed(const std::string& /*why*/) { return false; }
    /// Under the lock: the engine has ended; the device went with it if `vanished`.
    virtual void ended(bool vanished) = 0;

  protected:
    ~Responder() = default;
};

class Engine {
  public:
    /// Receives one line of text per event, without a line feed.
    using LogFn = std::function<void(const std::string& line)>;

    struct Setup {
        bool pace = false;          ///< bytes take their wire time, 10 bits each, both ways
        Bytes waiting;              ///< put into the slave's input before anything else
        std::string vanished_text;  ///< logged when the device goes away
        LogFn log;
        LineFaults line;  ///< what the cable does to the bytes on their way to the program
    };

    /// Opens a pseudo-terminal and the pipe that wakes the engine. Nothing when
    /// they cannot be had; the reason is then in `*error` if given.
    static std::unique_ptr<Engine> open(Setup setup, std::string* error);

    /// Ends the thread (without a word to the responder) and closes everything.
    ~Engine();
    Engine(const Engine&) = delete;
    Engine& operator=(const Engine&) = delete;
    Engine(Engine&&) = delete;
    Engine& operator=(Engine&&) = delete;

    /// Starts the thread, which calls `responder` until stop(); once only.
    void start(Responder& responder);

    /// The device the program opens, e.g. /dev/pts/5.
    const std::string& slave_path() const { return slave_path_; }

    /// The lock the responder's records are kept under.
    [[nodiscard]] std::unique_lock<std::mutex> lock() const { return std::unique_lock(mutex_); }
    /// Wakes whoever waits in wait_for(); call after changing a record.
    void notify() const { changed_.notify_all(); }
    /// Waits until `done`, asked under the lock, holds or the engine has ended.
    /// Returns what `done` says last.
    bool wait_for(const std::function<bool()>& done, std::chrono::milliseconds timeout) const;

    /// Ends the thread and closes the pseudo-terminal, so the program's port sees
    /// a hang-up; tells the responder it ended (gone if `vanish`). Safe to call
    /// more than once.
    void stop(bool vanish);

    /// Logs `line` with the seconds since the engine opened in front.
    void log(const std::string& line) const;

  private:
    struct Outbox;
    /// Why the loop ends.
    struct Ending {
        bool vanish = false;
        std::string why;
    };

    Engine(Setup setup, Pty pty, WakePipe wake);
    // Ends the thread (the device vanishing if `vanish`) and closes the descriptors.
    void halt(bool vanish);
    void run();
    bool read_batch(std::deque<ReceivedFrame>& inbox);
    // Hands what the radio sends to the line as it falls due.
    std::optional<Ending> send_due(Outbox& outbox);
    // Writes what has come out of the line; `blocked` when the program's side is full.
    std::optional<Ending> deliver(Outbox& outbox, bool& blocked);
    // Logs the noise and the lost byte when they come among the `count` bytes of
    // `answer` from `offset` on, which the radio numbered from `first`.
    void log_line_faults(std::size_t first, const Answer& answer, std::size_t offset,
                         std::size_t count) const;
    void finish(const Ending& ending);

    const Setup setup_;
    const Clock::time_point started_;
    const std::string slave_path_;
    Pty pty_;  // used only by the loop while it runs
    WakePipe wake_;
    Responder* responder_ = nullptr;
    int last_speed_ = 0;           // loop only: line speed after the last batch
    bool after_notice_ = false;    // loop only: the last batch ended with a notice
    Clock::time_point wire_free_;  // loop only: pacing of received bytes
    FrameParser parser_;           // loop only
    LineIn line_;                  // loop only: the cable into the program

    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    bool running_ = true;  // under the lock
    std::atomic<bool> vanish_requested_{false};
    std::thread thread_;
};

}  // namespace quillmer::sim
