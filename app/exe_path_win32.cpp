// The program file's path on Windows, from the module that started the process.

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <string>

#include "app/exe_path.h"

namespace quillmer {

std::string executable_path(const char* argv0) {
    // Long paths ("\\?\" forms) may exceed MAX_PATH: grow until the path fits.
    std::string path(MAX_PATH, '\0');
    while (path.size() <= 32768) {
        const DWORD length =
            GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) break;
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2);
    }
    return argv0 != nullptr ? argv0 : "";
}

}  // namespace quillmer
