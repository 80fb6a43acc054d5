#pragma once
// The program under test as a child process: started from its copy, its console
// read continuously on a thread into a transcript, typed at, and waited for.

#include <sys/types.h>
#include <termios.h>

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "sim/pty.h"
#include "tests/e2e/decoder.h"
#include "tests/e2e/launcher.h"

namespace quillmer::e2e {

using namespace std::chrono_literals;

/// How long a test waits for something that should come: far longer than it
/// takes even on a loaded machine, so it is reached only when something is wrong.
inline constexpr std::chrono::milliseconds kWait = 60s;
/// How long a wait for what the program would do goes on once it has ended:
/// time for its last bytes to reach the console and the line.
inline constexpr std::chrono::milliseconds kAfterEnd = 5s;

class ProgramRun {
  public:
    /// wait_exit() when the program had not ended in time and was killed.
    static constexpr int kTimedOut = -1;

    /// Starts `copy` (installed by install()) with `args`, in the copy's
    /// directory, as `launcher` says. On a pseudo-terminal the terminal passes the
    /// program's bytes through unchanged (no "\n" to "\r\n"), and echoes what is
    /// typed while it is in line mode, as any terminal does. Throws
    /// std::runtime_error when the child cannot be started.
    static std::unique_ptr<ProgramRun> start(const Launcher& launcher,
                                             const std::filesystem::path& copy,
                                             const std::vector<std::string>& args);

    /// Kills the child's process group if it still runs, and reaps it.
    ~ProgramRun();
    ProgramRun(const ProgramRun&) = delete;
    ProgramRun& operator=(const ProgramRun&) = delete;

    Stdio stdio() const { return stdio_; }

    /// Everything the program wrote to its console so far (on a terminal, with
    /// the terminal's echo of typed lines among them), decoded to UTF-8 from the
    /// launcher's output encoding.
    std::string transcript() const;
    /// Standard error, when it is a pipe of its own, decoded alike; empty on a
    /// terminal, where it shares the transcript.
    std::string errors() const;

    /// Waits until `text` occurs `count` times in the transcript (occurrences do
    /// not overlap). A failure that says what was awaited and how_it_stands()
    /// when the time ran out, or once the text cannot come: the console closed,
    /// or the program ended kAfterEnd ago.
    testing::AssertionResult wait_for_text(std::string_view text, std::size_t count = 1,
                                           std::chrono::milliseconds timeout = kWait);
    /// Waits until `done`, named `what`, holds for the transcript. As above.
    testing::AssertionResult wait_for(const std::function<bool(std::string_view transcript)>& done,
                                      std::chrono::milliseconds timeout = kWait,
                                      std::string_view what = "what the test waits for");
    /// True once the program ended `ago` or longer before now (it is reaped then).
    bool ended(std::chrono::milliseconds ago = 0ms);
    /// Whether the program runs or how it ended, and its console so far.
    std::string how_it_stands();

    /// Types bytes on the terminal, or writes them to the standard input pipe:
    /// "7\n" for an answer, "\x1b" for Esc, "\x03" for Ctrl-C, "\x1b[A" for the
    /// up arrow.
    void type(std::string_view bytes);
    /// Ends standard input: closes the pipe, or types the terminal's end-of-file
    /// key (Ctrl-D), which ends input at the start of a line in line mode.
    void close_input();
    /// Closes the terminal (the program sees a hang-up); on pipes, closes
    /// standard input. Nothing more is read into the transcript afterwards.
    void hang_up();

    /// Sends `sig` to the program itself, as `kill` from another terminal would.
    void signal(int sig) const;
    /// The terminal's settings as the program has them now, or left them when it
    /// ended (read on the master side); nothing on pipes or after hang_up().
    std::optional<termios> terminal_settings() const;

    /// Waits for the program to end: its exit status (0..255), 128 + the signal
    /// that killed it, or kTimedOut after killing it when it had not ended in
    /// time. Then waits briefly for the console's last bytes. Asking again gives
    /// the same answer.
    int wait_exit(std::chrono::milliseconds timeout = kWait);

  private:
    ProgramRun() = default;
    void read_loop();
    void stop_reader();
    void kill_group() const;

    Stdio stdio_ = Stdio::pty;
    pid_t pid_ = -1;
    int status_ = 0;
    bool reaped_ = false;
    bool timed_out_ = false;
    bool drained_ = false;                            // the console's last bytes awaited
    std::chrono::steady_clock::time_point ended_at_;  // when the end was first seen
    sim::Fd console_;  // the terminal's master, or standard output's read end
    sim::Fd error_;    // standard error's read end (pipes only)
    sim::Fd input_;    // standard input's write end (pipes only)

    // What console_ and error_ bring, into UTF-8; used by the reader thread only.
    std::unique_ptr<Decoder> console_text_;
    std::unique_ptr<Decoder> error_text_;

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::string transcript_;
    std::string errors_;
    bool console_closed_ = false;
    bool stop_ = false;
    std::thread reader_;
};

/// Number of non-overlapping occurrences of `text` in `in`.
std::size_t occurrences(std::string_view in, std::string_view text);

}  // namespace quillmer::e2e
