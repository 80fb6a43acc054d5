#pragma once
// A scratch directory for one bench run: a copy of the program with its
// settings file beside it, and the memory files it is given. The directory and
// everything in it go when the object does.

#include <filesystem>
#include <optional>
#include <string>

namespace quillmer::bench {

class Workspace {
  public:
    /// Makes a fresh directory under the system's temporary directory and copies
    /// `program` into it. Nothing on failure, with the reason in `error`.
    static std::optional<Workspace> make(const std::filesystem::path& program, std::string& error);

    Workspace(Workspace&& other) noexcept;
    Workspace& operator=(Workspace&&) = delete;
    Workspace(const Workspace&) = delete;
    Workspace& operator=(const Workspace&) = delete;
    ~Workspace();

    /// The copy of the program.
    const std::filesystem::path& program() const { return program_; }

    /// Names `port` in the settings file beside the copy. False when it cannot be
    /// written.
    bool set_port(const std::string& port) const;

    /// Writes a memory file of `rows` data rows, every one with a frequency, so
    /// that each channel goes out as a full write frame; returns its path, or an
    /// empty path when it cannot be written.
    std::filesystem::path write_memory_file(int rows) const;

  private:
    explicit Workspace(std::filesystem::path dir);

    std::filesystem::path dir_;  ///< empty once moved from
    std::filesystem::path program_;
};

}  // namespace quillmer::bench
