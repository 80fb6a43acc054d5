#pragma once
// The Linux port list, read from a root directory that a test can point at a
// made-up tree of sys/class/tty and dev/serial/by-id.

#include <filesystem>
#include <vector>

#include "serial/port_list.h"

namespace quillmer::serial {

/// The ports under `root` ("/" for the machine's own): /dev/ttyUSB*, /dev/ttyACM*,
/// and the /dev/ttyS* that have a serial port behind them, with their
/// /dev/serial/by-id names and, for USB, the adapter's vendor, product and serial
/// number from sysfs. Paths in the result are as on the machine ("/dev/..."),
/// whatever the root.
std::vector<PortInfo> list_ports_under(const std::filesystem::path& root);

}  // namespace quillmer::serial
