#pragma once
// The serial ports of this machine, as --ports lists them, with what the system
// knows of each. port_list_linux.cpp, port_list_macos.cpp and
// port_list_win32.cpp hold the platform parts.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillmer::serial {

/// One serial port. Fields the system does not know are empty.
struct PortInfo {
    std::string answer;  ///< what names it in the settings file, at the prompt and to --port
    std::string path;    ///< the device path the program opens for that answer
    std::vector<std::string> aliases;  ///< other paths to it: /dev/serial/by-id/... names
    std::string description;           ///< the system's name for it: "USB Serial Port (COM7)"
    std::string manufacturer;          ///< USB: "FTDI"
    std::string product;               ///< USB: "FT232R USB UART"
    std::string serial_number;         ///< USB: "A50285BI"
    std::string usb_id;                ///< USB vendor and product: "0403:6001"
    std::string driver;                ///< the kernel's driver: "ftdi_sio", "cdc_acm", "serial"
};

/// The serial ports a user could mean, in a stable order: USB adapters first.
std::vector<PortInfo> list_ports();

/// The port whose path or one of whose aliases is `path`, among `ports`.
std::optional<PortInfo> find_port(const std::vector<PortInfo>& ports, std::string_view path);

/// One line, without a line break: the answer, then all that is known of it.
std::string describe(const PortInfo& port);

/// Where this platform keeps its serial ports, and how it names them.
enum class PortPlace {
    linux_dev,    ///< /dev/ttyS*, /dev/ttyUSB*, /dev/ttyACM*, once a driver has taken the device
    macos_dev,    ///< /dev/cu.*, once its driver is installed
    windows_com,  ///< COM ports, shown by the Device Manager once Windows has a driver
};
/// This platform's.
PortPlace port_place();

}  // namespace quillmer::serial
