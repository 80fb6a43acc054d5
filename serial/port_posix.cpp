// The serial port on POSIX systems: termios, with poll for the 5 ms read
// time-out (VTIME counts tenths of a second and cannot express it).

#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

#if defined(__linux__)
#include <linux/serial.h>
#endif

#include "serial/line_settings.h"
#include "serial/port.h"
#include "serial/write_whole.h"

namespace quillmer::serial {

namespace {

using Clock = std::chrono::steady_clock;

speed_t speed_code(int rate) {
    if (rate == kFallbackSpeeds[0]) return B4800;
    if (rate == kFallbackSpeeds[1]) return B9600;
    if (rate == kDefaultSpeed) return B38400;
    return B0;
}

/// True when the driver kept the fields this program set.
bool settings_hold(const termios& wanted, const termios& got) {
    const tcflag_t cflags = CSIZE | CRTSCTS | CLOCAL | CREAD;
    const tcflag_t iflags = INPCK | IXON | IXOFF | ICRNL | INLCR | IGNCR | ISTRIP;
    const tcflag_t lflags = ICANON | ECHO | ISIG | IEXTEN;
    return (wanted.c_cflag & cflags) == (got.c_cflag & cflags) &&
           (wanted.c_iflag & iflags) == (got.c_iflag & iflags) &&
           (wanted.c_lflag & lflags) == (got.c_lflag & lflags) &&
           (wanted.c_oflag & OPOST) == (got.c_oflag & OPOST) &&
           cfgetospeed(&wanted) == cfgetospeed(&got) && cfgetispeed(&wanted) == cfgetispeed(&got);
}

#if defined(__linux__)
/// USB adapters hold received bytes back until their latency timer runs out
/// (16 ms by default), which would add up over 400 acknowledgements. A driver
/// that knows no such mode refuses, and nothing changes. True when the driver
/// took it.
bool ask_for_low_latency(int fd) {
    serial_struct serial{};
    if (ioctl(fd, TIOCGSERIAL, &serial) != 0) return false;
    serial.flags |= ASYNC_LOW_LATENCY;
    if (ioctl(fd, TIOCSSERIAL, &serial) != 0) return false;
    return ioctl(fd, TIOCGSERIAL, &serial) == 0 && (serial.flags & ASYNC_LOW_LATENCY) != 0;
}

ReplyLatency latency_for(bool low_latency) {
    return low_latency ? ReplyLatency::low_latency_taken : ReplyLatency::low_latency_refused;
}

/// Who owns the device node `path`: its group and that group's rights, and its
/// user.
void permission_facts(const std::string& path, OpenResult& result) {
    struct stat node {};
    if (stat(path.c_str(), &node) != 0) return;
    std::array<char, 4096> buffer{};
    const mode_t group_rw = S_IRGRP | S_IWGRP;
    result.group_reads_and_writes = (node.st_mode & group_rw) == group_rw;
    result.group_is_roots = node.st_gid == 0;
    group entry{};
    group* found = nullptr;
    if (getgrgid_r(node.st_gid, &entry, buffer.data(), buffer.size(), &found) == 0 &&
        found != nullptr) {
        result.group = found->gr_name;
    }
    passwd user{};
    passwd* owner = nullptr;
    if (getpwuid_r(node.st_uid, &user, buffer.data(), buffer.size(), &owner) == 0 &&
        owner != nullptr) {
        result.owner = owner->pw_name;
    }
}
#else
bool ask_for_low_latency(int /*fd*/) {
    return false;
}
ReplyLatency latency_for(bool /*low_latency*/) {
    return ReplyLatency::not_known;
}
/// Elsewhere access to serial devices is not a matter of joining a group.
void permission_facts(const std::string& /*path*/, OpenResult& /*result*/) {}
#endif

/// Why open() or the lock failed, from its errno.
OpenResult open_failure(const std::string& path, int error) {
    OpenResult result;
    result.path = path;
    result.system_error = error;
    result.system_text = std::strerror(error);
    switch (error) {
        case ENOENT:
        case ENOTDIR:
            result.failure = OpenFailure::missing;
            break;
        // A /dev/ttyS node without a UART behind it, or a USB adapter on its way
        // out.
        case ENXIO:
        case ENODEV:
        case EIO:
            result.failure = OpenFailure::no_device;
            break;
        case EACCES:
        case EPERM:
            result.failure = OpenFailure::permission;
            permission_facts(path, result);
            break;
        // EBUSY: another program made the terminal exclusive; EWOULDBLOCK: it
        // holds the lock.
        case EBUSY:
        case EWOULDBLOCK:
            result.failure = OpenFailure::busy;
            break;
        default:
            result.failure = OpenFailure::other;
            break;
    }
    return result;
}

}  // namespace

struct Port::Native {
    int fd = -1;
    termios kept{};  ///< the line settings last applied
    bool hung_up = false;
    int failures = 0;          ///< failed reads and writes in a row
    bool low_latency = false;  ///< the driver took low-latency mode

    void note_failure() { ++failures; }
    /// Applies the kept settings and reads them back: tcsetattr succeeds when
    /// any one of them took.
    bool apply(int when) {
        if (tcsetattr(fd, when, &kept) != 0) return false;
        termios got{};
        if (tcgetattr(fd, &got) != 0) return false;
        return settings_hold(kept, got);
    }
};

Port::Port() : native_(std::make_unique<Native>()) {}
Port::~Port() {
    close();
}

OpenResult Port::open(const std::string& path) {
    close();
    if (path.empty()) return OpenResult{OpenFailure::no_path, path, 0, {}, {}};
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return open_failure(path, errno);
    // Held by another program: it holds the lock, or made the terminal exclusive
    // (then the open above already failed for anyone but root).
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        ::close(fd);
        return open_failure(path, error);
    }
    ioctl(fd, TIOCEXCL);
    *native_ = Native{};
    native_->low_latency = ask_for_low_latency(fd);
    native_->fd = fd;
    return OpenResult{OpenFailure::none, path, 0, {}, {}};
}

bool Port::configure() {
    Native& n = *native_;
    // When the driver's settings cannot be read, the record is applied as it
    // stands and the driver decides.
    tcgetattr(n.fd, &n.kept);
    termios& t = n.kept;
    t.c_cflag &= ~static_cast<tcflag_t>(CSIZE | CRTSCTS);
    static_assert(kDataBits == 8);
    t.c_cflag |= CS8 | CLOCAL | CREAD;
    // Frames carry any byte, 0x11, 0x13 and 0x0D among them: no parity check, no
    // XON/XOFF, no translation, no echo. Stop bits and parity generation stay as
    // the driver reported them.
    t.c_iflag &= ~static_cast<tcflag_t>(INPCK | ISTRIP | IXON | IXOFF | IXANY | ICRNL | INLCR |
                                        IGNCR | BRKINT | PARMRK);
    t.c_oflag &= ~static_cast<tcflag_t>(OPOST);
    t.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO | ECHOE | ECHOK | ECHONL | ISIG | IEXTEN);
    t.c_cc[VMIN] = 0;
    t.c_cc[VTIME] = 0;
    cfsetispeed(&t, speed_code(kDefaultSpeed));
    cfsetospeed(&t, speed_code(kDefaultSpeed));
    if (!n.apply(TCSANOW)) return false;
    // Bytes that came before this run (the answers to a run stopped by Esc, say)
    // would be taken for the radio's answers to this one.
    tcflush(n.fd, TCIFLUSH);
    return true;
}

bool Port::set_speed(int rate) {
    Native& n = *native_;
    const speed_t code = speed_code(rate);
    if (code == B0 || n.fd < 0) return false;
    tcdrain(n.fd);
    std::this_thread::sleep_for(kSpeedSettle);
    cfsetispeed(&n.kept, code);
    cfsetospeed(&n.kept, code);
    return n.apply(TCSADRAIN);
}

void Port::write_frame(std::span<const std::uint8_t> frame) {
    Native& n = *native_;
    if (n.fd < 0) return;
    const WriteEnd end = write_whole(frame, [&n](std::span<const std::uint8_t> rest) {
        const ssize_t wrote = ::write(n.fd, rest.data(), rest.size());
        if (wrote > 0) return WriteAttempt{static_cast<std::size_t>(wrote)};
        if (wrote < 0 && errno == EINTR) return WriteAttempt{};
        if (wrote < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            // The driver's buffer is full: the line drains it at its own pace.
            pollfd p{n.fd, POLLOUT, 0};
            poll(&p, 1, 200);
            return WriteAttempt{};
        }
        if (wrote < 0 && (errno == EIO || errno == ENXIO || errno == ENODEV)) n.hung_up = true;
        return WriteAttempt{0, true};
    });
    if (end != WriteEnd::done) {
        n.note_failure();
        return;
    }
    // The descriptor takes a frame at once and the line sends it at its own
    // pace: wait until it has left, as a Windows write does, so that a pass of
    // the loops lasts what the line takes and frames do not queue up. A
    // pseudo-terminal answers at once.
    tcdrain(n.fd);
    n.failures = 0;
}

std::optional<std::uint8_t> Port::read_byte() {
    Native& n = *native_;
    const auto start = Clock::now();
    pollfd p{n.fd, POLLIN, 0};
    const int ready = poll(&p, 1, static_cast<int>(kReadTimeout.count()));
    if (ready > 0 && (p.revents & POLLIN)) {
        std::uint8_t byte = 0;
        const ssize_t got = ::read(n.fd, &byte, 1);
        if (got == 1) {
            n.failures = 0;
            return byte;
        }
        if (got == 0 || (errno != EAGAIN && errno != EINTR)) n.note_failure();
    }
    if (ready > 0 && (p.revents & (POLLHUP | POLLERR | POLLNVAL))) {
        n.hung_up = true;
        n.note_failure();
    }
    // A device in error answers poll at once: spend the rest of the time-out so
    // that no loop around this call turns into a busy spin.
    const auto spent = Clock::now() - start;
    if (spent < kReadTimeout && ready != 0) std::this_thread::sleep_for(kReadTimeout - spent);
    return std::nullopt;
}

bool Port::vanished() const {
    return native_->hung_up || native_->failures >= kFailuresForGone;
}

ReplyLatency Port::reply_latency() const {
    return latency_for(native_->low_latency);
}

void Port::close() {
    Native& n = *native_;
    if (n.fd < 0) return;
    // Exclusive mode outlives this descriptor while anyone else holds the
    // terminal open; clear it so the port can be opened again.
    ioctl(n.fd, TIOCNXCL);
    ::close(n.fd);
    n.fd = -1;
}

bool Port::is_open() const {
    return native_->fd >= 0;
}

std::string port_path_for_number(long number) {
    if (number < 1) return {};
    return "/dev/ttyS" + std::to_string(number - 1);
}

bool is_device_path(std::string_view answer) {
    return !answer.empty() && answer.front() == '/';
}

}  // namespace quillmer::serial
