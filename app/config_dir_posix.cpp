#include <cstdlib>
#include <string>

#include "app/config_dir.h"

namespace quillmer {

std::string user_settings_path() {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    // A relative XDG_CONFIG_HOME is invalid and to be ignored.
    if (config != nullptr && config[0] == '/') {
        return std::string(config) + "/quillmer/quillmer.ini";
    }
    const char* home = std::getenv("HOME");
    if (home == nullptr || home[0] == '\0') return {};
    return std::string(home) + "/.config/quillmer/quillmer.ini";
}

}  // namespace quillmer
