#pragma once
// The command line: the memory file, and the options that come around it.

#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace quillmer::app {

/// What the program is asked to do.
enum class Command {
    run,      ///< write the memory file into the radio
    check,    ///< --check: show what a run would write, with no radio and no port
    ports,    ///< --ports: list the serial ports this machine has
    help,     ///< --help
    version,  ///< --version
};

struct Options {
    Command command = Command::run;
    std::optional<std::string> memory_file;  ///< the first argument that is no option
    std::optional<std::string> port;         ///< --port: used instead of the settings file
    std::optional<std::string> trace;        ///< --trace: where the wire trace goes
    /// --skip-unwritable: a file laid out by another program is written even
    /// when some of its rows cannot be, those channels erased.
    bool skip_unwritable = false;
};

/// The options, or why the command line was not understood.
struct CommandLine {
    std::optional<Options> options;
    std::string error;  ///< one line for the user, without a line break; empty with options
};

/// Reads the arguments after the program's name. Options may stand before or
/// after the memory file; "--" ends them, so a file named "-x.csv" can follow.
/// A second argument that is no option is refused: one memory file a run.
/// --help and --version win over everything else.
CommandLine parse_command_line(std::span<const std::string_view> args);

/// The help text: usage, options, exit statuses and where the settings file is
/// looked for. Lines end in "\n".
std::string usage();

/// The first line of usage(), with its "\n".
std::string_view usage_line();

/// "quillmer 0.2.0\n": the program and its whole version number.
std::string version_line();

}  // namespace quillmer::app
