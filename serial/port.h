#pragma once
// The serial port: one open device at a time, its line settings kept for the
// whole run. The platform parts live in port_posix.cpp and port_win32.cpp.

#include <memory>
#include <string>
#include <string_view>

#include "serial/line.h"

namespace quillmer::serial {

/// Why a device did not open, in the terms a user can act on.
enum class OpenFailure {
    none,        ///< it opened
    no_path,     ///< the port named no device path at all (a number below 1 on POSIX)
    missing,     ///< nothing by that name: unplugged, or a wrong name or number
    no_device,   ///< the name exists, but no hardware answers behind it
    permission,  ///< this user may not open it
    busy,        ///< another program holds it
    other,       ///< any other reason; `system_text` says which
};

/// The outcome of opening a device.
struct OpenResult {
    OpenFailure failure = OpenFailure::none;
    std::string path;         ///< the device path tried
    int system_error = 0;     ///< errno, or GetLastError(); 0 when none applies
    std::string system_text;  ///< the system's words for it, in English; may be empty
    /// On Linux, for `permission`: the group that owns the device (usually
    /// "dialout"); empty when unknown, and elsewhere.
    std::string group;
    /// Whether that group may read and write the device.
    bool group_reads_and_writes = false;
    /// Whether that group is root's own (group id 0), which no user joins.
    bool group_is_roots = false;
    /// On Linux, for `permission`: the user who owns the device. Empty when
    /// unknown, and elsewhere.
    std::string owner{};

    bool opened() const { return failure == OpenFailure::none; }
};

/// A serial device as the front end uses it: opened by path, configured, and
/// closed again when no radio answers. The real port is one; tests have others.
class Device : public Line {
  public:
    /// Opens an existing device for reading and writing, held by this program
    /// alone. Says why when it cannot be opened; the device then stays closed.
    virtual OpenResult open(const std::string& path) = 0;
    /// Reads the driver's line settings, sets kDefaultSpeed, kDataBits data
    /// bits, no parity checking, no CTS flow control, and applies them; then sets the read
    /// time-outs and discards whatever was waiting in the input, so that only
    /// answers to this run's frames count. False when the driver refuses the
    /// settings (or the device is no serial port at all).
    virtual bool configure() = 0;
    virtual void close() = 0;
};

class Port final : public Device {
  public:
    Port();
    ~Port() override;
    Port(const Port&) = delete;
    Port& operator=(const Port&) = delete;

    OpenResult open(const std::string& path) override;
    bool configure() override;
    void close() override;
    bool is_open() const;

    bool set_speed(int rate) override;
    void write_frame(std::span<const std::uint8_t> frame) override;
    std::optional<std::uint8_t> read_byte() override;
    bool vanished() const override;
    ReplyLatency reply_latency() const override;

  private:
    struct Native;
    std::unique_ptr<Native> native_;
};

/// The device path for a port number: on Windows "\\.\COM<n>" for every n (those
/// of no port then fail to open), elsewhere the n-th serial device
/// (/dev/ttyS<n-1>), empty for a number below 1.
std::string port_path_for_number(long number);

/// True when an answer names a device by its path rather than by a number: on
/// POSIX a path starting with '/', on Windows one starting with "\\.\" (a
/// virtual port without a COM number, say).
bool is_device_path(std::string_view answer);

}  // namespace quillmer::serial
