// The serial ports of a POSIX system other than Linux (macOS): the call-out
// devices /dev/cu.*, which open without waiting for a carrier.

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "serial/port_list.h"

namespace quillmer::serial {

std::vector<PortInfo> list_ports() {
    std::vector<PortInfo> ports;
    std::error_code error;
    for (std::filesystem::directory_iterator it("/dev", error), end; !error && it != end;
         it.increment(error)) {
        const std::string name = it->path().filename().string();
        if (!name.starts_with("cu.")) continue;
        PortInfo port;
        port.path = "/dev/" + name;
        port.answer = port.path;
        ports.push_back(std::move(port));
    }
    std::ranges::sort(ports, {}, &PortInfo::path);
    return ports;
}

PortPlace port_place() {
    return PortPlace::macos_dev;
}

}  // namespace quillmer::serial
