// The platform-independent part of the port list: looking a port up and
// describing it.

#include "serial/port_list.h"

#include <algorithm>

namespace quillmer::serial {

std::optional<PortInfo> find_port(const std::vector<PortInfo>& ports, std::string_view path) {
    for (const PortInfo& port : ports) {
        if (port.path == path || std::ranges::find(port.aliases, path) != port.aliases.end()) {
            return port;
        }
    }
    return std::nullopt;
}

std::string describe(const PortInfo& port) {
    std::vector<std::string> known;
    if (!port.description.empty()) known.push_back(port.description);
    std::string made;
    for (const std::string* part : {&port.manufacturer, &port.product}) {
        if (part->empty()) continue;
        if (!made.empty()) made += ' ';
        made += *part;
    }
    if (!made.empty()) known.push_back(made);
    if (!port.usb_id.empty()) known.push_back("USB " + port.usb_id);
    if (!port.serial_number.empty()) known.push_back("serial number " + port.serial_number);
    if (!port.driver.empty()) known.push_back("driver " + port.driver);
    for (const std::string& alias : port.aliases) known.push_back(alias);

    std::string line = port.answer;
    for (std::size_t i = 0; i < known.size(); ++i) {
        line += i == 0 ? "  " : ", ";
        line += known[i];
    }
    return line;
}

}  // namespace quillmer::serial
