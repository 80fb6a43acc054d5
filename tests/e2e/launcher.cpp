#include "tests/e2e/launcher.h"

#include <cstdlib>
#include <stdexcept>
#include <system_error>

#include "tests/e2e/wine.h"

namespace quillmer::e2e {

std::string Launcher::copy_name() const {
    return program.filename().string();
}

std::string Launcher::settings_name() const {
    const std::string name = copy_name();
    const std::size_t dot = name.rfind('.');
    // A leading dot marks a hidden file, not an extension.
    if (dot == std::string::npos || dot == 0) return name + ".ini";
    return name.substr(0, dot) + ".ini";
}

std::string Launcher::port_answer(const std::string& device) const {
    return name_port ? name_port(device) : device;
}

std::string Launcher::path_as_shown(const std::filesystem::path& path) const {
    return name_path ? name_path(path) : path.string();
}

Launcher native_launcher(Stdio stdio) {
    Launcher launcher;
    const char* from_environment = std::getenv("QUILLMER_E2E_PROGRAM");
    launcher.program = from_environment != nullptr && *from_environment != '\0'
                           ? std::filesystem::path(from_environment)
                           : std::filesystem::path(QUILLMER_E2E_PROGRAM);
    // LC_ALL and LC_CTYPE would outrank LANG: the texts must come out in UTF-8.
    launcher.environment = {"LC_ALL", "LC_CTYPE", "LANG=C.UTF-8"};
    launcher.stdio = stdio;
    return launcher;
}

Launcher suite_launcher() {
    const char* wine_dir = std::getenv("QUILLMER_E2E_WINE");
    if (wine_dir != nullptr && *wine_dir != '\0') return wine_launcher(wine_dir);
    return native_launcher();
}

std::filesystem::path install(const Launcher& launcher, const std::filesystem::path& dir) {
    namespace fs = std::filesystem;
    const fs::path copy = dir / launcher.copy_name();
    std::error_code error;
    // The program finds its settings file through its own path, so the copy must
    // be a file of its own there, not a symbolic link back to the build tree.
    fs::copy_file(launcher.program, copy, fs::copy_options::overwrite_existing, error);
    if (!error) {
        fs::permissions(copy, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec,
                        fs::perm_options::replace, error);
    }
    if (error) {
        throw std::runtime_error("cannot copy " + launcher.program.string() + " to " +
                                 copy.string() + ": " + error.message());
    }
    return copy;
}

}  // namespace quillmer::e2e
