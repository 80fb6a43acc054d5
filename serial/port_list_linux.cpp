// The serial ports of a Linux machine, from sysfs: every tty the kernel has, of
// the kinds a radio cable can be, and the USB device above each.

#include "serial/port_list_linux.h"

#include <algorithm>
#include <fstream>
#include <string_view>
#include <system_error>

#include "core/text.h"

namespace quillmer::serial {

namespace {

namespace fs = std::filesystem;

/// The kinds of tty a radio cable can be, in the order they are listed.
constexpr std::string_view kKinds[] = {"ttyUSB", "ttyACM", "ttyS"};

/// The first line of a sysfs attribute, without its line break; empty when the
/// file cannot be read.
std::string attribute(const fs::path& file) {
    std::ifstream in(file);
    std::string line;
    std::getline(in, line);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r' || line.back() == ' ')) {
        line.pop_back();
    }
    return line;
}

/// The last part of what a symbolic link points at: "ftdi_sio" for a driver
/// link. Empty when `link` is none.
std::string link_name(const fs::path& link) {
    std::error_code error;
    const fs::path target = fs::read_symlink(link, error);
    return error ? std::string() : target.filename().string();
}

/// Which of kKinds `name` is ("ttyUSB0" is 0), or -1; `number` is its number.
int kind_of(std::string_view name, long& number) {
    for (std::size_t kind = 0; kind < std::size(kKinds); ++kind) {
        const std::string_view prefix = kKinds[kind];
        if (!name.starts_with(prefix) || name.size() == prefix.size()) continue;
        const std::string_view digits = name.substr(prefix.size());
        if (digits.size() > 9 || !std::ranges::all_of(digits, text::is_digit)) continue;
        number = std::stol(std::string(digits));
        return static_cast<int>(kind);
    }
    return -1;
}

/// True when a ttyS has a serial port behind it. The kernel makes ttyS0 to
/// ttyS31 whether or not there is a UART; those without one have port type 0
/// (unknown), and hang from the placeholder platform device "serial8250".
bool has_uart(const fs::path& tty) {
    std::error_code error;
    if (!fs::exists(tty / "device", error)) return false;
    const std::string type = attribute(tty / "type");
    if (!type.empty()) return type != "0";
    // Kernels without the port type: the placeholder tells.
    return fs::canonical(tty / "device", error).filename() != "serial8250";
}

/// The driver of the device behind a tty. Since Linux 6.5 a serial port's tty
/// hangs from a port device of the "port" driver below the device itself.
std::string driver_of(const fs::path& tty) {
    std::error_code error;
    const fs::path device = fs::canonical(tty / "device", error);
    if (error) return {};
    const std::string driver = link_name(device / "driver");
    return driver == "port" ? link_name(device.parent_path().parent_path() / "driver") : driver;
}

/// Fills the USB fields from the first device above `tty`'s that has a USB
/// vendor id, within `sys`.
void add_usb(const fs::path& tty, const fs::path& sys, PortInfo& port) {
    std::error_code error;
    const fs::path device = fs::canonical(tty / "device", error);
    if (error) return;
    for (fs::path at = device; at != at.parent_path() && at != sys; at = at.parent_path()) {
        const std::string vendor = attribute(at / "idVendor");
        if (vendor.empty()) continue;
        port.usb_id = vendor + ":" + attribute(at / "idProduct");
        port.manufacturer = attribute(at / "manufacturer");
        port.product = attribute(at / "product");
        port.serial_number = attribute(at / "serial");
        return;
    }
}

}  // namespace

std::vector<PortInfo> list_ports_under(const fs::path& root) {
    struct Found {
        int kind;
        long number;
        PortInfo port;
    };
    std::vector<Found> found;
    const fs::path sys = fs::weakly_canonical(root / "sys");
    const fs::path ttys = root / "sys" / "class" / "tty";
    std::error_code error;
    for (fs::directory_iterator it(ttys, error), end; !error && it != end; it.increment(error)) {
        const std::string name = it->path().filename().string();
        long number = 0;
        const int kind = kind_of(name, number);
        if (kind < 0) continue;
        if (kKinds[kind] == "ttyS" && !has_uart(it->path())) continue;
        PortInfo port;
        port.path = "/dev/" + name;
        port.answer = port.path;
        port.driver = driver_of(it->path());
        add_usb(it->path(), sys, port);
        found.push_back({kind, number, std::move(port)});
    }
    std::ranges::sort(found, [](const Found& a, const Found& b) {
        return a.kind != b.kind ? a.kind < b.kind : a.number < b.number;
    });

    std::vector<PortInfo> ports;
    ports.reserve(found.size());
    for (Found& f : found) ports.push_back(std::move(f.port));
    // The names udev gives each USB adapter by what it is, which stay the same
    // whichever socket it is plugged into.
    std::vector<fs::path> by_id;
    for (fs::directory_iterator it(root / "dev" / "serial" / "by-id", error), end;
         !error && it != end; it.increment(error)) {
        by_id.push_back(it->path());
    }
    std::ranges::sort(by_id);
    for (const fs::path& link : by_id) {
        const std::string target = "/dev/" + link_name(link);
        for (PortInfo& port : ports) {
            if (port.path == target)
                port.aliases.push_back("/dev/serial/by-id/" + link.filename().string());
        }
    }
    return ports;
}

std::vector<PortInfo> list_ports() {
    return list_ports_under("/");
}

PortPlace port_place() {
    return PortPlace::linux_dev;
}

}  // namespace quillmer::serial
