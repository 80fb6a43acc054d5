#include <unistd.h>

#include <array>

#include "app/exe_path.h"

#if defined(__APPLE__)
#include <mach-o/dyld.h>
#endif

namespace quillmer {

std::string executable_path(const char* argv0) {
#if defined(__APPLE__)
    std::array<char, 4096> path{};
    auto size = static_cast<uint32_t>(path.size());
    if (_NSGetExecutablePath(path.data(), &size) == 0) return path.data();
#else
    std::array<char, 4096> path{};
    const ssize_t length = readlink("/proc/self/exe", path.data(), path.size() - 1);
    if (length > 0) return std::string(path.data(), static_cast<std::size_t>(length));
#endif
    return argv0 != nullptr ? argv0 : "";
}

}  // namespace quillmer
