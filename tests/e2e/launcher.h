#pragma once
// How a test starts the program under test: which file, through what (nothing
// for the native build; Wine for the Windows one), with what environment, and
// whether its console is a pseudo-terminal or two pipes.

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace quillmer::e2e {

enum class Stdio {
    pty,    ///< a pseudo-terminal of its own as console: keys, echo, a real terminal
    pipes,  ///< standard input a pipe, standard output and error pipes
};

struct Launcher {
    /// The built program. Each test runs a copy of it in its own directory, so
    /// that the settings file beside the copy is the test's own.
    std::filesystem::path program;
    /// Words put before the copy's path on the command line, e.g. {"wine"}. A
    /// first word without a '/' is looked up on PATH.
    std::vector<std::string> argv_prefix;
    /// Changes to the child's environment, applied in order: "NAME=value" sets a
    /// variable, "NAME" alone removes it.
    std::vector<std::string> environment;
    Stdio stdio = Stdio::pty;
    /// The text that names a device (a simulator's slave path) in the settings
    /// file and at the port prompt. Unset: the device path itself, which the
    /// POSIX build accepts. A Windows launcher links a COM port to the device
    /// and returns its number.
    std::function<std::string(const std::string& device)> name_port;
    /// The encoding of what the program writes to standard output and error, as
    /// iconv names it ("CP932"); the transcript holds it decoded to UTF-8. Empty:
    /// UTF-8, taken as it is.
    std::string output_encoding;
    /// How the program writes a path of this machine (a file in the test's
    /// directory) in its messages. Unset: the path itself. Paths on its command
    /// line stay as they are: Wine reads /tmp/x as \tmp\x on the current drive,
    /// which is Z: in the test's directory.
    std::function<std::string(const std::filesystem::path& path)> name_path;
    /// The Wine prefix the program runs in; empty for a program run directly.
    /// Under Wine the user's configuration folder (%APPDATA%) is the prefix's:
    /// Wine sets APPDATA from its own registry, whatever the environment says.
    std::filesystem::path wine_prefix;

    /// The file name of the copy: the program's own file name.
    std::string copy_name() const;
    /// The settings file the copy reads: its file name with the extension
    /// replaced by ".ini", or ".ini" appended when it has none.
    std::string settings_name() const;
    /// The answer that names `device`, through name_port when set.
    std::string port_answer(const std::string& device) const;
    /// `path` as the program writes it, through name_path when set.
    std::string path_as_shown(const std::filesystem::path& path) const;
};

/// The program this suite was built with (QUILLMER_E2E_PROGRAM in the
/// environment overrides it), run directly under LANG=C.UTF-8 with the locale
/// variables that would override LANG removed.
Launcher native_launcher(Stdio stdio = Stdio::pty);

/// The launcher the end-to-end tests start with: the Windows build under Wine
/// (wine_launcher(), in wine.h) when QUILLMER_E2E_WINE in the environment names
/// the run's Wine directory, otherwise native_launcher().
Launcher suite_launcher();

/// Copies the launcher's program into `dir`, executable, under copy_name().
/// Returns the copy's path. Throws std::runtime_error when it cannot.
std::filesystem::path install(const Launcher& launcher, const std::filesystem::path& dir);

}  // namespace quillmer::e2e
