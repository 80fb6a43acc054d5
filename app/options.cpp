#include "app/options.h"

#include "core/exit_status.h"

namespace quillmer::app {

namespace {

/// An option that takes a value, as "--name VALUE" or "--name=VALUE": the
/// value, or nothing when `arg` is not this option. `next` is the argument
/// after it, taken when the value is there.
std::optional<std::string_view> option_value(std::string_view arg, std::string_view name,
                                             std::span<const std::string_view> args,
                                             std::size_t& at, bool& missing) {
    if (arg == name) {
        if (at + 1 >= args.size()) {
            missing = true;
            return std::string_view{};
        }
        return args[++at];
    }
    if (arg.size() > name.size() && arg.starts_with(name) && arg[name.size()] == '=') {
        return arg.substr(name.size() + 1);
    }
    return std::nullopt;
}

/// The usage's list of exit statuses: each number, then its meaning, wrapped
/// to lines of at most 80 characters under the first.
std::string exit_statuses() {
    constexpr std::size_t kWidth = 80;
    constexpr std::string_view kIndent = "      ";
    std::string list;
    for (const ExitStatusText& status : kExitStatuses) {
        std::string line = "  " + std::to_string(static_cast<int>(status.status));
        line.resize(kIndent.size(), ' ');
        std::string_view rest = status.meaning;
        while (line.size() + rest.size() > kWidth) {
            const std::size_t cut = rest.rfind(' ', kWidth - line.size());
            line.append(rest.substr(0, cut));
            list += line + "\n";
            line = kIndent;
            rest.remove_prefix(cut + 1);
        }
        list += line.append(rest) + "\n";
    }
    return list;
}

}  // namespace

CommandLine parse_command_line(std::span<const std::string_view> args) {
    Options options;
    bool help = false;
    bool version = false;
    bool options_ended = false;
    std::string error;  // the first thing not understood
    const auto refuse = [&error](std::string why) {
        if (error.empty()) error = std::move(why);
    };
    for (std::size_t at = 0; at < args.size(); ++at) {
        const std::string_view arg = args[at];
        // "-" alone is a name, as it is for most programs.
        if (options_ended || arg.size() < 2 || arg.front() != '-') {
            if (options.memory_file) {
                refuse("One memory file at a time: " + std::string(arg) + " is a second one.");
            } else {
                options.memory_file = std::string(arg);
            }
            continue;
        }
        if (arg == "--") {
            options_ended = true;
            continue;
        }
        if (arg == "--help" || arg == "-h") {
            help = true;
            continue;
        }
        if (arg == "--version") {
            version = true;
            continue;
        }
        if (arg == "--check" || arg == "--ports") {
            const Command command = arg == "--check" ? Command::check : Command::ports;
            if (options.command != Command::run && options.command != command) {
                refuse("--check and --ports cannot be used together.");
            }
            options.command = command;
            continue;
        }
        if (arg == "--skip-unwritable") {
            options.skip_unwritable = true;
            continue;
        }
        bool missing = false;
        if (const auto port = option_value(arg, "--port", args, at, missing)) {
            if (missing || port->empty()) refuse("--port needs a port: a number or a device path.");
            options.port = std::string(*port);
            continue;
        }
        if (const auto trace = option_value(arg, "--trace", args, at, missing)) {
            if (missing || trace->empty()) refuse("--trace needs the name of a file to write.");
            options.trace = std::string(*trace);
            continue;
        }
        refuse("Unknown option " + std::string(arg) +
               " (a memory file whose name starts with '-' goes after --).");
    }
    if (help) {
        options.command = Command::help;
    } else if (!error.empty()) {
        return {std::nullopt, error};
    } else if (version) {
        options.command = Command::version;
    }
    return {options, {}};
}

std::string_view usage_line() {
    return "Usage: quillmer [OPTION]... MEMORY_FILE\n";
}

std::string usage() {
    return std::string(usage_line()) +
           "Writes the memory channels of MEMORY_FILE, a comma-separated text file, into an\n"
           "ID-91 or ID-92 on a serial port.\n"
           "\n"
           "Options:\n"
           "  --check        show, as a table, what a run would write; no radio, no port\n"
           "  --port PORT    use PORT (a number, or a device path) and never ask for one\n"
           "  --ports        list the serial ports of this machine\n"
           "  --trace FILE   write every byte to and from the radio into FILE, for a report\n"
           "  --skip-unwritable\n"
           "                 in a file from another program, erase the channels whose rows\n"
           "                 this radio cannot hold, rather than refuse the file\n"
           "  --help         show this help\n"
           "  --version      show the version\n"
           "  --             end of the options: a memory file named -x.csv may follow\n"
           "\n"
           "The port comes from --port, or from the first line of the settings file: the\n"
           "program's own path with the extension .ini, or else quillmer.ini in the user's\n"
           "configuration folder ($XDG_CONFIG_HOME/quillmer, by default ~/.config/quillmer,\n"
           "on Linux and macOS; %APPDATA%\\Quillmer on Windows). Without one, the program\n"
           "asks for the port.\n"
           "\n"
           "Exit status:\n" +
           exit_statuses();
}

std::string version_line() {
    return std::string("quillmer ") + QUILLMER_VERSION + "\n";
}

}  // namespace quillmer::app
