#pragma once
// The settings file beside the program, and the answers at the port prompt:
// both name the port, by number or (on POSIX) by device path.

#include <optional>
#include <string>
#include <string_view>

namespace quillmer::app {

/// The settings file for a program file: the extension of the file name
/// replaced by ".ini", or ".ini" appended when the name has none. Dots in
/// directory names do not count.
std::string settings_path_for(std::string_view program_path);

/// The port to open, formed from the settings file or a typed answer.
struct PortChoice {
    long number = 0;        ///< the last number given; kept when an answer holds none
    std::string path;       ///< the device to open; empty names no usable port
    std::string shown;      ///< how "Com:" shows it: the device path as given, or the number
    bool too_long = false;  ///< the last answer was too long to name a port
};

/// The number at the start of a text, as "%d" reads it: leading blanks and a
/// sign allowed. Nothing when no digit follows; 0 when it does not fit an int.
std::optional<long> read_number(std::string_view text);

/// How take_answer() takes an answer.
struct AnswerOptions {
    /// The answer was longer than a line may be: it names no usable port.
    bool too_long = false;
    /// An empty answer names the first port, as it does at the prompt.
    bool empty_means_first = false;
};

/// Takes one answer (a settings line, a typed line or --port's value, without
/// its line break): a device path, a number, or an empty answer as `options`
/// say. An answer holding neither keeps the last number. Blanks around a device
/// path do not count; the number is read as read_number() reads it.
void take_answer(std::string_view answer, AnswerOptions options, PortChoice& choice);

/// The port a settings line names by its Windows name, on every platform:
/// "COM7", "com7" or "COM7:", blanks around allowed, give 7. Nothing for any
/// other line.
std::optional<long> com_port_number(std::string_view line);

/// The line after "Com:" for a settings line `line` read from `path` that is
/// neither a port number nor a device path (nor a COM name): what was read,
/// from which file, and what to write instead (/dev/ttyUSB0 for ttyUSB0).
/// Empty for a line that names a port.
std::string settings_line_hint(std::string_view line, const std::string& path);

enum class SettingsRead { found, missing };

/// Reads the first line of the settings file into `line` (at most 255
/// characters; `too_long` when it had more), in the text mode the memory file is
/// read in. `missing` when it cannot be opened.
SettingsRead read_settings_line(const std::string& path, std::string& line, bool& too_long);

}  // namespace quillmer::app
