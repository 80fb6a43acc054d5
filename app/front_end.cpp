#include "app/front_end.h"

#include <string>
#include <string_view>
#include <vector>

#include "app/check_command.h"
#include "app/config_dir.h"
#include "app/connect.h"
#include "app/exe_path.h"
#include "app/options.h"
#include "app/progress_printer.h"
#include "app/settings.h"
#include "app/trace.h"
#include "channels/memory_file.h"
#include "channels/reader.h"
#include "console/system_console.h"
#include "core/clock.h"
#include "core/texts.h"
#include "protocol/channel_stream.h"
#include "protocol/frames.h"
#include "protocol/receiver.h"
#include "protocol/transfer.h"
#include "serial/port.h"
#include "serial/port_list.h"

namespace quillmer::app {

namespace {

/// Everything that lives for the whole run.
struct Session {
    channels::MemoryFile memory_file;
    protocol::ReplyBuffer reply;
    Radio radio;
    protocol::ChannelFrames frames;
    PortChoice choice;
};

/// What to check when no port was found: one or two lines.
std::string_view no_ports_hint(serial::PortPlace place) {
    switch (place) {
        case serial::PortPlace::linux_dev:
            return "No serial ports found. Is the cable plugged in? A USB cable shows as "
                   "/dev/ttyUSB0\nor /dev/ttyACM0 once its driver has taken it: run \"dmesg | "
                   "tail\" after plugging it in.\n";
        case serial::PortPlace::macos_dev:
            return "No serial ports found (/dev/cu.*). Is the cable plugged in, and its driver "
                   "installed?\n";
        case serial::PortPlace::windows_com:
            break;
    }
    return "No COM ports found. Is the cable plugged in, and its driver installed? The Device\n"
           "Manager shows the cable under Ports (COM & LPT) once Windows has a driver for it.\n";
}

/// --ports: one line for each port the system knows, or what to check.
void show_ports(console::Terminal& terminal) {
    const std::vector<serial::PortInfo> ports = serial::list_ports();
    if (ports.empty()) {
        terminal.print_raw(no_ports_hint(serial::port_place()));
        return;
    }
    for (const serial::PortInfo& port : ports) terminal.print_raw(serial::describe(port) + "\n");
    terminal.print_raw(texts::kPortsHint);
}

/// The program's last key wait; where a key can be pressed, it says so.
void wait_to_close(console::Terminal& terminal) {
    if (console::input_is_terminal()) terminal.print(texts::kPressKey);
    console::wait_key();
}

}  // namespace

ExitStatus status_for(protocol::TransferEnd end) {
    switch (end) {
        case protocol::TransferEnd::written:
            return ExitStatus::written;
        case protocol::TransferEnd::too_many_rows:
            return ExitStatus::too_many_rows;
        case protocol::TransferEnd::refused:
            return ExitStatus::radio_refused;
        case protocol::TransferEnd::escaped:
        case protocol::TransferEnd::interrupted:
            return ExitStatus::aborted;
        case protocol::TransferEnd::device_gone:
            return ExitStatus::device_gone;
        case protocol::TransferEnd::never_ready:
            return ExitStatus::never_ready;
    }
    return ExitStatus::aborted;
}

namespace {

/// The program for its options, on `terminal` and through `port`.
ExitStatus run(const Options& options, const char* argv0, console::Terminal& terminal,
               serial::Device& port) {
    switch (options.command) {
        case Command::help:
            terminal.print(usage());
            return ExitStatus::done;
        case Command::version:
            terminal.print(version_line());
            return ExitStatus::done;
        case Command::check:
            if (!options.memory_file) terminal.print(texts::kNoArgumentHelp);
            return run_check(terminal, options.memory_file, options.skip_unwritable);
        case Command::ports:
            show_ports(terminal);
            return ExitStatus::done;
        case Command::run:
            break;
    }

    terminal.print(texts::kTitle);
    terminal.print(texts::kCredit);
    Session s;
    if (!options.memory_file) terminal.print(texts::kNoArgumentHelp);
    FileReading reading;
    reading.skip_unwritable = options.skip_unwritable;
    if (const auto failed =
            open_memory_file(terminal, options.memory_file, s.memory_file, reading)) {
        wait_to_close(terminal);
        return *failed;
    }
    // What --check warns about, before any port is used; the run goes on.
    terminal.print(warning_lines(s.memory_file, reading));

    Asking asking = Asking::never;
    if (options.port) {
        port_from_option(terminal, *options.port, s.choice);
    } else {
        const std::string beside_program = settings_path_for(executable_path(argv0));
        asking = port_from_settings(terminal, beside_program, user_settings_path(), s.choice)
                     ? Asking::after_a_failure
                     : Asking::at_once;
    }
    switch (connect_radio(terminal, port, s.choice, asking, s.reply, s.radio)) {
        case Connection::connected:
            break;
        case Connection::input_ended:
        case Connection::port_failed:
            return ExitStatus::no_port;
        case Connection::settings_refused:
            return ExitStatus::port_settings_refused;
    }

    channels::Reader reader(s.memory_file);
    protocol::ChannelStream channels(reader, s.frames);
    // Keys are polled unechoed, and Ctrl-C must come as a key, not a signal; the
    // mode lasts to the last key wait, so that a key pressed as the transfer ends
    // is not echoed either.
    const console::KeyMode keys;
    const SteadyClock clock;
    ConsoleKeys stop_keys(terminal);
    TransferPrinter printer(terminal);
    const protocol::TransferOutcome outcome =
        protocol::run_transfer(port, clock, s.reply, s.radio.model, channels, stop_keys, printer);
    s.memory_file.close();
    port.close();
    wait_to_close(terminal);
    return status_for(outcome.end);
}

}  // namespace

ExitStatus run_program(int argc, char** argv) {
    const auto started = Trace::Clock::now();
    console::start(static_cast<int>(ExitStatus::aborted));
    console::SystemConsole terminal;
    const std::vector<std::string_view> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    const CommandLine command_line = parse_command_line(args);
    if (!command_line.options) {
        terminal.print(command_line.error + "\n\n" + usage());
        return ExitStatus::usage;
    }
    const Options& options = *command_line.options;
    serial::Port port;
    if (!options.trace) return run(options, argv[0], terminal, port);

    // Before any port is used: a trace that cannot be written is a command
    // line that cannot be followed.
    std::string error;
    const auto trace =
        Trace::create(*options.trace, trace_header(options.memory_file), started, error);
    if (!trace) {
        terminal.print_raw(error + "\n");
        return ExitStatus::usage;
    }
    TracedTerminal traced_terminal(terminal, *trace);
    TracedDevice traced_port(port, *trace);
    const ExitStatus status = run(options, argv[0], traced_terminal, traced_port);
    trace->event(end_event(options.command, status));
    return status;
}

}  // namespace quillmer::app
