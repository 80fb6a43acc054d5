#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <string>

#include "app/config_dir.h"

namespace quillmer {

std::string user_settings_path() {
    std::string folder(MAX_PATH, '\0');
    DWORD length =
        GetEnvironmentVariableA("APPDATA", folder.data(), static_cast<DWORD>(folder.size()));
    if (length >= folder.size()) {
        // The value did not fit: length is the size it needs.
        folder.resize(length);
        length = GetEnvironmentVariableA("APPDATA", folder.data(), length);
    }
    if (length == 0 || length >= folder.size()) return {};
    folder.resize(length);
    return folder + "\\Quillmer\\quillmer.ini";
}

}  // namespace quillmer
