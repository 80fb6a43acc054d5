// The serial ports of a Windows machine: the COM ports the registry's device
// map names, with the names and hardware ids SetupAPI keeps for them.

#include "serial/port_list_win32.h"

#include <setupapi.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cstring>
#include <optional>
#include <string>

namespace quillmer::serial {

namespace {

/// The device class of serial and parallel ports (Ports (COM & LPT)).
constexpr GUID kPortsClass = {
    0x4d36e978, 0xe325, 0x11ce, {0xbf, 0xc1, 0x08, 0x00, 0x2b, 0xe1, 0x03, 0x18}};

/// The number of "COM7", or nothing for a name of another form.
std::optional<long> com_number(const std::string& name) {
    if (name.size() < 4 || name.size() > 12 || _strnicmp(name.c_str(), "COM", 3) != 0) {
        return std::nullopt;
    }
    long number = 0;
    for (std::size_t i = 3; i < name.size(); ++i) {
        if (name[i] < '0' || name[i] > '9') return std::nullopt;
        number = number * 10 + (name[i] - '0');
    }
    return number;
}

/// A string value of an open registry key; empty when there is none.
std::string string_value(HKEY key, const char* name) {
    std::array<char, 256> data{};
    DWORD type = 0;
    DWORD size = static_cast<DWORD>(data.size() - 1);
    if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size) !=
            ERROR_SUCCESS ||
        type != REG_SZ) {
        return {};
    }
    return std::string(data.data());
}

/// A text property of a device; empty when it has none.
std::string device_property(HDEVINFO set, SP_DEVINFO_DATA& device, DWORD property) {
    std::array<char, 512> data{};
    if (!SetupDiGetDeviceRegistryPropertyA(set, &device, property, nullptr,
                                           reinterpret_cast<BYTE*>(data.data()),
                                           static_cast<DWORD>(data.size() - 1), nullptr)) {
        return {};
    }
    return std::string(data.data());
}

/// "0403:6001" from a hardware id such as "USB\VID_0403&PID_6001&REV_0600";
/// "FTDIBUS\VID_0403+PID_6001+A50285BIA\0000" has them too.
std::string usb_id(const std::string& hardware_id) {
    const std::size_t vid = hardware_id.find("VID_");
    const std::size_t pid = hardware_id.find("PID_");
    if (vid == std::string::npos || pid == std::string::npos) return {};
    std::string id = hardware_id.substr(vid + 4, 4) + ":" + hardware_id.substr(pid + 4, 4);
    for (char& c : id) {
        if (c >= 'A' && c <= 'F') c = static_cast<char>(c - 'A' + 'a');
    }
    return id;
}

/// Adds what SetupAPI knows of each present port to the one of `ports` with
/// its name.
void add_device_names(std::vector<PortInfo>& ports) {
    HDEVINFO set = SetupDiGetClassDevsA(&kPortsClass, nullptr, nullptr, DIGCF_PRESENT);
    if (set == INVALID_HANDLE_VALUE) return;
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof device;
    for (DWORD i = 0; SetupDiEnumDeviceInfo(set, i, &device); ++i) {
        HKEY key = SetupDiOpenDevRegKey(set, &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_READ);
        if (key == INVALID_HANDLE_VALUE) continue;
        const std::string name = string_value(key, "PortName");
        RegCloseKey(key);
        for (PortInfo& port : ports) {
            if (port.path != "\\\\.\\" + name) continue;
            const std::string friendly = device_property(set, device, SPDRP_FRIENDLYNAME);
            if (!friendly.empty()) port.description = friendly;
            port.manufacturer = device_property(set, device, SPDRP_MFG);
            port.usb_id = usb_id(device_property(set, device, SPDRP_HARDWAREID));
        }
    }
    SetupDiDestroyDeviceInfoList(set);
}

}  // namespace

std::vector<PortInfo> list_ports_in_registry(HKEY root, const char* subkey) {
    struct Found {
        long number;  // LONG_MAX for names without one
        PortInfo port;
    };
    std::vector<Found> found;
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, subkey, 0, KEY_READ, &key) != ERROR_SUCCESS) return {};
    for (DWORD i = 0;; ++i) {
        std::array<char, 256> value_name{};
        std::array<char, 256> data{};
        DWORD name_size = static_cast<DWORD>(value_name.size());
        DWORD data_size = static_cast<DWORD>(data.size() - 1);
        DWORD type = 0;
        const LONG status = RegEnumValueA(key, i, value_name.data(), &name_size, nullptr, &type,
                                          reinterpret_cast<BYTE*>(data.data()), &data_size);
        if (status == ERROR_NO_MORE_ITEMS) break;
        if (status != ERROR_SUCCESS || type != REG_SZ) continue;
        const std::string name(data.data());
        if (name.empty()) continue;
        PortInfo port;
        port.path = "\\\\.\\" + name;
        const std::optional<long> number = com_number(name);
        port.answer = number ? std::to_string(*number) : port.path;
        port.description = number ? name : std::string();
        found.push_back({number.value_or(LONG_MAX), std::move(port)});
    }
    RegCloseKey(key);
    std::ranges::sort(found, [](const Found& a, const Found& b) {
        return a.number != b.number ? a.number < b.number : a.port.path < b.port.path;
    });
    std::vector<PortInfo> ports;
    ports.reserve(found.size());
    for (Found& f : found) ports.push_back(std::move(f.port));
    return ports;
}

std::vector<PortInfo> list_ports() {
    std::vector<PortInfo> ports =
        list_ports_in_registry(HKEY_LOCAL_MACHINE, "HARDWARE\\DEVICEMAP\\SERIALCOMM");
    add_device_names(ports);
    return ports;
}

PortPlace port_place() {
    return PortPlace::windows_com;
}

}  // namespace quillmer::serial
