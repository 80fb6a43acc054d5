#include "sim/pty.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <utility>

#include "sim/openpty.h"

namespace quillmer::sim {
namespace {

struct Rate {
    int bit_per_s;
    speed_t code;
};

constexpr std::array<Rate, 12> kRates{{{300, B300},
                                       {600, B600},
                                       {1200, B1200},
                                       {1800, B1800},
                                       {2400, B2400},
                                       {4800, B4800},
                                       {9600, B9600},
                                       {19200, B19200},
                                       {38400, B38400},
                                       {57600, B57600},
                                       {115200, B115200},
                                       {230400, B230400}}};

std::optional<speed_t> code_of(int bit_per_s) {
    for (const Rate& rate : kRates) {
        if (rate.bit_per_s == bit_per_s) return rate.code;
    }
    return std::nullopt;
}

bool add_flags(int fd, int fd_flags, int status_flags) {
    const int fd_now = fcntl(fd, F_GETFD);
    const int status_now = fcntl(fd, F_GETFL);
    return fd_now >= 0 && status_now >= 0 && fcntl(fd, F_SETFD, fd_now | fd_flags) == 0 &&
           fcntl(fd, F_SETFL, status_now | status_flags) == 0;
}

std::string reason(const char* what) {
    return std::string(what) + ": " + std::strerror(errno);
}

}  // namespace

Fd& Fd::operator=(Fd&& other) noexcept {
    if (this != &other) {
        reset();
        fd_ = other.release();
    }
    return *this;
}

void Fd::reset() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

int Fd::release() {
    return std::exchange(fd_, -1);
}

std::optional<Pty> open_pty(std::string& error) {
    int master = -1;
    int slave = -1;
    if (openpty(&master, &slave, nullptr, nullptr, nullptr) != 0) {
        error = reason("openpty");
        return std::nullopt;
    }
    Pty pty{Fd(master), Fd(slave), {}};
    std::array<char, 128> name{};
    if (ttyname_r(slave, name.data(), name.size()) != 0) {
        error = "ttyname_r: " + std::string(std::strerror(errno));
        return std::nullopt;
    }
    pty.slave_path = name.data();
    // Close-on-exec: a program started by a test must not inherit the radio's end.
    if (!add_flags(master, FD_CLOEXEC, O_NONBLOCK) || !add_flags(slave, FD_CLOEXEC, 0)) {
        error = reason("fcntl");
        return std::nullopt;
    }
    if (!make_raw(slave, 38400)) {
        error = reason("tcsetattr");
        return std::nullopt;
    }
    return pty;
}

std::optional<WakePipe> open_wake_pipe(std::string& error) {
    std::array<int, 2> ends{};
    if (pipe(ends.data()) != 0) {
        error = reason("pipe");
        return std::nullopt;
    }
    WakePipe wake{Fd(ends[0]), Fd(ends[1])};
    if (!add_flags(ends[0], FD_CLOEXEC, O_NONBLOCK) || !add_flags(ends[1], FD_CLOEXEC, 0)) {
        error = reason("fcntl");
        return std::nullopt;
    }
    return wake;
}

int line_speed(int fd) {
    termios settings{};
    if (tcgetattr(fd, &settings) != 0) return 0;
    const speed_t code = cfgetospeed(&settings);
    for (const Rate& rate : kRates) {
        if (rate.code == code) return rate.bit_per_s;
    }
    return 0;
}

bool make_raw(int fd, int bit_per_s) {
    const auto code = code_of(bit_per_s);
    termios settings{};
    if (!code || tcgetattr(fd, &settings) != 0) return false;
    cfmakeraw(&settings);
    settings.c_cflag |= CLOCAL | CREAD;
    settings.c_cc[VMIN] = 1;
    settings.c_cc[VTIME] = 0;
    return cfsetispeed(&settings, *code) == 0 && cfsetospeed(&settings, *code) == 0 &&
           tcsetattr(fd, TCSANOW, &settings) == 0;
}

bool set_line_speed(int fd, int bit_per_s) {
    const auto code = code_of(bit_per_s);
    termios settings{};
    if (!code || tcgetattr(fd, &settings) != 0) return false;
    return cfsetispeed(&settings, *code) == 0 && cfsetospeed(&settings, *code) == 0 &&
           tcsetattr(fd, TCSANOW, &settings) == 0;
}

bool make_link(const std::string& target, const std::string& link, std::string& error) {
    struct stat existing {};
    if (lstat(link.c_str(), &existing) == 0) {
        if (!S_ISLNK(existing.st_mode)) {
            error = link + " exists and is not a symbolic link";
            return false;
        }
        if (unlink(link.c_str()) != 0) {
            error = reason(("unlink " + link).c_str());
            return false;
        }
    }
    if (symlink(target.c_str(), link.c_str()) != 0) {
        error = reason(("symlink " + link).c_str());
        return false;
    }
    return true;
}

void remove_link(const std::string& target, const std::string& link) {
    std::array<char, 4096> points_to{};
    const ssize_t n = readlink(link.c_str(), points_to.data(), points_to.size() - 1);
    if (n > 0 && target == std::string(points_to.data(), static_cast<std::size_t>(n))) {
        unlink(link.c_str());
    }
}

}  // namespace quillmer::sim
