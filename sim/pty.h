#pragma once
// The operating-system side of the simulator: descriptors, the pseudo-terminal
// and its line speed.

#include <optional>
#include <string>

namespace quillmer::sim {

/// Owns one file descriptor and closes it.
class Fd {
  public:
    Fd() = default;
    explicit Fd(int fd) : fd_(fd) {}
    Fd(Fd&& other) noexcept : fd_(other.release()) {}
    Fd& operator=(Fd&& other) noexcept;
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    ~Fd() { reset(); }

    /// The descriptor, or -1 when none is held.
    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    /// Closes the descriptor held, if any.
    void reset();
    /// Gives up ownership; returns the descriptor (or -1).
    int release();

  private:
    int fd_ = -1;
};

/// A pseudo-terminal. The simulator keeps its own slave descriptor open so that
/// the master never sees a hang-up when the program closes and reopens the port.
struct Pty {
    Fd master;
    Fd slave;
    std::string slave_path;  ///< e.g. /dev/pts/5
};

/// Opens a pseudo-terminal with the slave raw at 38400 bit/s, both descriptors
/// close-on-exec and the master non-blocking. Nothing on failure, with the reason
/// in `error`.
std::optional<Pty> open_pty(std::string& error);

/// A pipe that wakes a poll loop: read end non-blocking, both close-on-exec.
struct WakePipe {
    Fd read;
    Fd write;
};
std::optional<WakePipe> open_wake_pipe(std::string& error);

/// The output speed in bit/s of the terminal behind `fd`; on a pseudo-terminal
/// master this is the speed the slave's user set. 0 when it cannot be read or is
/// not a standard rate.
int line_speed(int fd);

/// Makes the terminal raw (8 bits, no echo, no translation) at `bit_per_s`.
/// False when the rate is not a standard one or the terminal refuses.
bool make_raw(int fd, int bit_per_s);

/// Changes only the speed of the terminal, at once. False as make_raw().
bool set_line_speed(int fd, int bit_per_s);

/// Makes `link` a symbolic link to `target`. A symbolic link already there (left
/// by an earlier run) is replaced; any other file is not. False with the reason
/// in `error` when the link cannot be made.
bool make_link(const std::string& target, const std::string& link, std::string& error);

/// Removes `link` if it is still a symbolic link to `target`.
void remove_link(const std::string& target, const std::string& link);

}  // namespace quillmer::sim
