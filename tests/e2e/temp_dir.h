#pragma once
// A directory of its own for one test: the program's copy, its settings file and
// the memory files live there and go away with it.

#include <filesystem>
#include <string_view>

namespace quillmer::e2e {

class TempDir {
  public:
    /// Makes a fresh directory under the system's temporary directory. Throws
    /// std::runtime_error when none can be made.
    TempDir();
    /// Removes the directory and everything in it.
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    /// The directory, with every symbolic link resolved, so that it compares equal
    /// to what the program finds through /proc/self/exe.
    const std::filesystem::path& path() const { return path_; }

    /// Writes `bytes` to a file in the directory, as they are; returns its path.
    std::filesystem::path write(std::string_view name, std::string_view bytes) const;

  private:
    std::filesystem::path path_;
};

}  // namespace quillmer::e2e
