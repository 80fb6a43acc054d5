#pragma once
// The program under measurement as a child process: its standard input a pipe
// the bench writes keys into, its output a pipe the bench watches for texts, and
// its resource usage read when it is reaped.

#include <sys/resource.h>
#include <sys/types.h>

#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sim/pty.h"

namespace quillmer::bench {

using Clock = std::chrono::steady_clock;

/// How a child ended.
struct ChildEnd {
    int exit_status = -1;  ///< the exit status; -1 when it died of a signal
    Clock::time_point at;  ///< when it was reaped
    double user_s = 0;     ///< CPU time in user mode
    double system_s = 0;   ///< CPU time in the kernel
    long voluntary_switches = 0;

    double cpu_s() const { return user_s + system_s; }
};

class Child {
  public:
    /// Starts `program` with `args` (not counting the program itself), standard
    /// input and output on pipes, standard error joined to output. Nothing when it
    /// cannot be started; the reason is then in `error`.
    static std::optional<Child> start(const std::string& program,
                                      const std::vector<std::string>& args, std::string& error);

    Child(Child&& other) noexcept;
    Child& operator=(Child&&) = delete;
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;
    /// A child still running is killed and reaped.
    ~Child();

    /// When the child was started.
    Clock::time_point started() const { return started_; }

    /// Writes bytes to the child's standard input. False when it is closed.
    bool send(std::string_view bytes);
    /// Closes the child's standard input: its key waits end.
    void close_input();

    /// Reads output until `text` has appeared in it (searching from where the
    /// last found text ended). The time the bytes completing it were read, or
    /// nothing when the time ran out or the output ended first.
    std::optional<Clock::time_point> wait_for_text(std::string_view text,
                                                   std::chrono::milliseconds timeout);

    /// Reads output to its end, then reaps the child. Nothing when the output
    /// did not end within the time; the child is then still running.
    std::optional<ChildEnd> wait_exit(std::chrono::milliseconds timeout);

    /// Everything the child printed so far.
    const std::string& output() const { return output_; }

  private:
    Child(pid_t pid, sim::Fd input, sim::Fd output);
    /// Reads whatever output comes within `wait`, and notes its end.
    void read_some(std::chrono::milliseconds wait);

    pid_t pid_ = -1;  ///< -1 once reaped
    sim::Fd input_;
    sim::Fd output_fd_;
    bool output_ended_ = false;
    std::string output_;
    struct Read {
        std::size_t end;  ///< output_.size() after the read
        Clock::time_point at;
    };
    std::vector<Read> reads_;   ///< when each piece of output came
    std::size_t searched_ = 0;  ///< output before this offset was matched already
    Clock::time_point started_;
};

}  // namespace quillmer::bench
