#include "app/front_end.h"

#include <string>

#include "app/console.h"
#include "app/exe_path.h"
#include "app/settings.h"
#include "app/system_console.h"
#include "app/texts.h"
#include "channels/check.h"
#include "channels/memory_file.h"
#include "channels/reader.h"
#include "protocol/frames.h"
#include "protocol/handshake.h"
#include "protocol/transfer.h"
#include "serial/port.h"
#include "serial/receiver.h"

namespace quillmer::app {

namespace {

/// Everything that lives for the whole run.
struct Session {
    channels::MemoryFile memory_file;
    serial::Port port;
    serial::ReplyBuffer reply;
    protocol::IdBytes id{};
    protocol::Model model = protocol::Model::unknown;
    protocol::ChannelFrames frames;
    PortChoice choice;
};

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
    }
    return ExitStatus::aborted;
}

/// The settings file's port, shown as "Com:3" or "Com:/dev/ttyUSB0". False when
/// there is no settings file; then the help lines have been printed.
bool port_from_settings(const std::string& program, PortChoice& choice) {
    const std::string path = settings_path_for(executable_path(program.c_str()));
    std::string line;
    bool too_long = false;
    if (read_settings_line(path, line, too_long) == SettingsRead::missing) {
        console::print(texts::settings_help_1);
        console::print_raw(path);
        console::print(texts::settings_help_2);
        console::print(texts::settings_help_3);
        return false;
    }
    take_answer(line, too_long, false, choice);
    console::print(texts::com_prefix);
    std::string_view shown = line;
    while (!shown.empty() && (shown.front() == ' ' || shown.front() == '\t'))
        shown.remove_prefix(1);
    if (serial::is_device_path(shown)) {
        console::print_raw(choice.path.empty() ? shown : choice.path);
    } else {
        console::print(std::to_string(choice.number));
    }
    console::print("\n");
    return true;
}

/// Asks for a port. False when standard input has ended.
bool port_from_prompt(PortChoice& choice) {
    console::print(texts::port_prompt);
    std::string answer;
    const console::LineStatus status = console::read_line(answer);
    if (status == console::LineStatus::end_of_input) return false;
    take_answer(answer, status == console::LineStatus::too_long, true, choice);
    return true;
}

}  // namespace

ExitStatus run_program(int argc, char** argv) {
    console::start();
    console::print(texts::title);
    console::print(texts::credit);
    if (argc < 2) {
        console::print(texts::no_argument);
        console::wait_key();
        return ExitStatus::no_memory_file;
    }

    Session s;
    if (!s.memory_file.open(argv[1])) {
        console::print(texts::memory_file_not_opened);
        console::wait_key();
        return ExitStatus::memory_file_unreadable;
    }
    // Nothing goes to a radio from a file whose numbers would become wrong
    // frequencies: the whole file is read once before any port is opened.
    if (const auto failure = channels::check_memory_file(s.memory_file)) {
        console::print(channels::describe(*failure));
        console::wait_key();
        return ExitStatus::memory_file_refused;
    }

    SystemConsole console;
    bool ask = !port_from_settings(argv[0], s.choice);
    for (;;) {
        if (ask && !port_from_prompt(s.choice)) {
            console::print(texts::input_ended);
            return ExitStatus::no_port;
        }
        ask = true;
        if (!s.port.open(s.choice.path)) {
            console::print(texts::open_error);
            continue;
        }
        if (!s.port.configure()) {
            console::print(texts::dcb_error);
            return ExitStatus::port_settings_refused;
        }
        const auto result = protocol::run_handshake(s.port, s.reply, s.id, console);
        s.model = protocol::model_from_id(s.id[0], s.id[1]);
        if (s.model == protocol::Model::id91) console::print(texts::detect_id91);
        if (s.model == protocol::Model::id92) console::print(texts::detect_id92);
        if (result == protocol::HandshakeResult::success) break;
        console::print(texts::no_response);
        s.port.close();
    }

    channels::Reader reader(s.memory_file);
    protocol::TransferOutcome outcome;
    {
        // Keys are polled unechoed, and Ctrl-C must come as a key, not a signal.
        console::KeyMode keys;
        outcome = protocol::run_transfer(s.port, s.reply, s.model, reader, s.frames, console);
    }
    s.memory_file.close();
    s.port.close();
    console::wait_key();
    return status_for(outcome.end);
}

}  // namespace quillmer::app
