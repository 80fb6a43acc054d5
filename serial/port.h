#pragma once
// The serial port: one open device at a time, its line settings kept for the
// whole run. The platform parts live in port_posix.cpp and port_win32.cpp.

#include <memory>
#include <string>
#include <string_view>

#include "serial/line.h"

namespace quillmer::serial {

/// A serial device as the front end uses it: opened by path, configured, and
/// closed again when no radio answers. The real port is one; tests have others.
class Device : public Line {
  public:
    /// Opens an existing device for reading and writing, held by this program
    /// alone. False when it cannot be opened (missing, or held by another
    /// program); the device stays closed.
    virtual bool open(const std::string& path) = 0;
    /// Reads the driver's line settings, sets 38400 bit/s, 8 data bits, no
    /// parity checking, no CTS flow control, and applies them; then sets the read
    /// time-outs. False when the driver refuses the settings.
    virtual bool configure() = 0;
    virtual void close() = 0;
};

class Port final : public Device {
  public:
    Port();
    ~Port() override;
    Port(const Port&) = delete;
    Port& operator=(const Port&) = delete;

    bool open(const std::string& path) override;
    bool configure() override;
    void close() override;
    bool is_open() const;

    bool set_speed(int rate) override;
    void write_frame(std::span<const std::uint8_t> frame) override;
    std::optional<std::uint8_t> read_byte() override;
    bool vanished() const override;

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
