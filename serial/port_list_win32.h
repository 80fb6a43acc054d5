#pragma once
// The Windows port list, read from a registry key that a test can point at a
// key of its own.

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <vector>

#include "serial/port_list.h"

namespace quillmer::serial {

/// The ports named by the values of `root`\`subkey` as Windows keeps them in
/// HKEY_LOCAL_MACHINE\HARDWARE\DEVICEMAP\SERIALCOMM (value data "COM7"): COM
/// ports by number, then any others by name. Nothing but the names: the
/// friendly names come from SetupAPI in list_ports().
std::vector<PortInfo> list_ports_in_registry(HKEY root, const char* subkey);

}  // namespace quillmer::serial
