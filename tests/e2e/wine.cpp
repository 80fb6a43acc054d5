#include "tests/e2e/wine.h"

#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <system_error>

namespace quillmer::e2e {

namespace {

/// The first COM port number tried: the one the README's example uses.
constexpr int kFirstPort = 7;
constexpr int kLastPort = 99;

/// COM ports linked to devices for one test; the links are removed with it.
class ComPorts {
  public:
    explicit ComPorts(std::filesystem::path dosdevices) : dosdevices_(std::move(dosdevices)) {}
    ~ComPorts() {
        for (const auto& [device, number] : linked_) ::unlink(link_path(number).c_str());
    }
    ComPorts(const ComPorts&) = delete;
    ComPorts& operator=(const ComPorts&) = delete;

    /// The number of the COM port that leads to `device`: the one linked to it
    /// before, or the first free one, linked now.
    int number_for(const std::string& device) {
        std::lock_guard lock(mutex_);
        if (const auto known = linked_.find(device); known != linked_.end()) return known->second;
        for (int number = kFirstPort; number <= kLastPort; ++number) {
            // symlink fails when the name is taken: by another test of the run, or
            // by a port that Wine linked to a serial device of this machine.
            if (::symlink(device.c_str(), link_path(number).c_str()) == 0) {
                linked_.emplace(device, number);
                return number;
            }
            if (errno != EEXIST) {
                throw std::runtime_error("cannot link " + link_path(number).string() + " to " +
                                         device + ": " + std::strerror(errno));
            }
        }
        throw std::runtime_error("no free COM port number in " + dosdevices_.string());
    }

  private:
    std::filesystem::path link_path(int number) const {
        return dosdevices_ / ("com" + std::to_string(number));
    }

    std::filesystem::path dosdevices_;
    std::mutex mutex_;
    std::map<std::string, int> linked_;
};

/// A path of this machine as a Windows program under Wine sees it: drive Z:
/// is the root directory.
std::string on_drive_z(const std::filesystem::path& path) {
    std::string shown = "Z:" + path.string();
    for (char& c : shown) {
        if (c == '/') c = '\\';
    }
    return shown;
}

}  // namespace

std::filesystem::path windows_program() {
    const char* from_environment = std::getenv("QUILLMER_E2E_PROGRAM");
    return from_environment != nullptr && *from_environment != '\0'
               ? std::filesystem::path(from_environment)
               : std::filesystem::path(QUILLMER_E2E_WINDOWS_PROGRAM);
}

Launcher wine_launcher(const std::filesystem::path& run_dir) {
    const std::filesystem::path prefix = run_dir / "prefix";
    const std::filesystem::path dosdevices = prefix / "dosdevices";
    std::error_code error;
    if (!std::filesystem::is_directory(dosdevices, error)) {
        throw std::runtime_error("no Wine prefix in " + run_dir.string() +
                                 ": make one with tests/e2e/wine_run_dir.sh make " +
                                 run_dir.string());
    }
    Launcher launcher;
    launcher.program = windows_program();
    launcher.argv_prefix = {QUILLMER_E2E_WINE_START};
    launcher.environment = {
        "WINEPREFIX=" + prefix.string(),
        "WINEDEBUG=-all",
        // Should a session ever have to finish the prefix, it must not ask for
        // the Mono and Gecko packages in a window.
        "WINEDLLOVERRIDES=mscoree,mshtml=",
        "DISPLAY",
        "WAYLAND_DISPLAY",
        "LC_ALL",
        "LC_CTYPE",
        "LANG=C.UTF-8",
    };
    launcher.stdio = Stdio::pipes;
    launcher.output_encoding = "CP932";
    auto ports = std::make_shared<ComPorts>(dosdevices);
    launcher.name_port = [ports](const std::string& device) {
        return std::to_string(ports->number_for(device));
    };
    launcher.name_path = on_drive_z;
    launcher.wine_prefix = prefix;
    return launcher;
}

}  // namespace quillmer::e2e
