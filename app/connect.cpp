#include "app/connect.h"

#include <filesystem>
#include <system_error>

#include "app/progress_printer.h"
#include "core/text.h"
#include "core/texts.h"

namespace quillmer::app {

namespace {

/// For a typed answer such as "ttyUSB0", a device's name without its folder,
/// which names no port: the line that says what to type instead. Empty for any
/// other answer.
std::string typed_name_hint(std::string_view answer) {
    const std::string_view typed = text::trim(answer);
    const std::string device = "/dev/" + std::string(typed);
    if (read_number(typed) || serial::is_device_path(typed) ||
        !(typed.starts_with("tty") || typed.starts_with("cu.")) ||
        !serial::is_device_path(device)) {
        return {};
    }
    return std::string(typed) + " is neither a port number nor a device path: type " + device +
           " instead.\n";
}

/// Asks for a port. False when standard input has ended.
bool port_from_prompt(console::Terminal& terminal, PortChoice& choice) {
    terminal.print(texts::kPortPromptHelp);
    terminal.print(texts::kPortPrompt);
    std::string answer;
    const console::LineStatus status = terminal.read_line(answer);
    if (status == console::LineStatus::end_of_input) return false;
    const bool too_long = status == console::LineStatus::too_long;
    take_answer(answer, {.too_long = too_long, .empty_means_first = true}, choice);
    if (!too_long) terminal.print_raw(typed_name_hint(answer));
    return true;
}

/// "Com:" and the port, after an English line that says where the port came
/// from, so that a forgotten settings file is found at once.
void show_port(console::Terminal& terminal, const PortChoice& choice, const std::string& from) {
    terminal.print_raw("Port from " + from + ":\n");
    terminal.print(texts::kComPrefix);
    terminal.print_raw(choice.shown);
    terminal.print("\n");
}

/// The port as the user named it: the path itself, or "port 3 (/dev/ttyS2)".
std::string named(const std::string& path, const PortChoice& choice) {
    if (choice.shown == path || choice.shown.empty()) return path;
    return "port " + choice.shown + " (" + path + ")";
}

/// "38400, 4800 and 9600 bit/s".
std::string speeds(const protocol::HandshakeRecord& heard) {
    std::string list;
    for (std::size_t i = 0; i < heard.speeds_tried; ++i) {
        if (i > 0) list += i + 1 == heard.speeds_tried ? " and " : ", ";
        list += std::to_string(heard.speeds[i]);
    }
    return list + " bit/s";
}

/// The line after "No responce from ID-91/92": what came back on `port`, and
/// what that says about the cable.
std::string no_radio_line(const protocol::HandshakeRecord& heard, const std::string& port) {
    if (heard.bytes == 0) {
        return "Nothing answered on " + port +
               ": is the radio switched on, and the cable plugged in at both ends?\n";
    }
    if (heard.own_frames > 0) {
        return "What came back on " + port + " holds copies of this program's own calls" +
               (heard.identify_replies > 0 ? ", and the radio's answers among them"
                                           : ", and no answer from a radio") +
               ": the cable sends back every byte written to it, and this program needs a "
               "cable that does not.\n";
    }
    return std::to_string(heard.bytes) + " bytes came back on " + port + " at " + speeds(heard) +
           (heard.identify_replies > 0
                ? ", the radio's identify reply among them, but never the answer that opens its "
                  "link"
                : ", but never a radio's identify reply") +
           ": is this the radio's port, and the radio an ID-91 or ID-92?\n";
}

}  // namespace

bool port_from_settings(console::Terminal& terminal, const std::string& beside_program,
                        const std::string& user_file, PortChoice& choice) {
    std::string line;
    bool too_long = false;
    std::string read_from = beside_program;
    bool found = read_settings_line(beside_program, line, too_long) == SettingsRead::found;
    if (!found && !user_file.empty()) {
        read_from = user_file;
        found = read_settings_line(user_file, line, too_long) == SettingsRead::found;
    }
    if (!found) {
        terminal.print(texts::kSettingsHelp1);
        terminal.print_raw(beside_program);
        terminal.print(texts::kSettingsHelp2);
        terminal.print(texts::kSettingsHelp3);
        std::string places = beside_program;
        if (!user_file.empty()) places += " or " + user_file;
        terminal.print_raw(
            "Not to be asked for the port each time, write it alone on the first "
            "line of " +
            places + ".\n\n");
        return false;
    }
    if (const auto com = com_port_number(line)) {
        take_answer(std::to_string(*com), {}, choice);
    } else {
        take_answer(line, {.too_long = too_long}, choice);
    }
    std::error_code error;
    const std::filesystem::path full = std::filesystem::absolute(read_from, error);
    show_port(terminal, choice, "the settings file " + (error ? read_from : full.string()));
    if (!too_long) terminal.print_raw(settings_line_hint(line, read_from));
    return true;
}

void port_from_option(console::Terminal& terminal, const std::string& answer, PortChoice& choice) {
    // A command line has no length limit of its own.
    take_answer(answer, {}, choice);
    show_port(terminal, choice, "--port");
}

Connection connect_radio(console::Terminal& terminal, serial::Device& device, PortChoice& choice,
                         Asking asking, protocol::ReplyBuffer& reply, Radio& radio) {
    bool ask = asking == Asking::at_once;
    for (;;) {
        if (ask && !port_from_prompt(terminal, choice)) {
            terminal.print(texts::kInputEnded);
            return Connection::input_ended;
        }
        ask = true;
        if (const serial::OpenResult opened = device.open(choice.path); !opened.opened()) {
            terminal.print(texts::kOpenError);
            terminal.print_raw(open_failure_line(opened, choice));
            if (asking == Asking::never) return Connection::port_failed;
            continue;
        }
        if (!device.configure()) {
            terminal.print(texts::kDcbError);
            terminal.print_raw(named(choice.path, choice) +
                               " is not a serial port, or its driver refused " +
                               std::to_string(serial::kDefaultSpeed) + " bit/s with " +
                               std::to_string(serial::kDataBits) + " data bits and no parity.\n");
            device.close();
            return Connection::settings_refused;
        }
        protocol::HandshakeRecord heard;
        HandshakePrinter printer(terminal);
        const auto result = protocol::run_handshake(device, reply, radio.id, printer, heard);
        radio.model = protocol::model_from_id(radio.id[0], radio.id[1]);
        if (radio.model == protocol::Model::id91) terminal.print(texts::kDetectId91);
        if (radio.model == protocol::Model::id92) terminal.print(texts::kDetectId92);
        if (result == protocol::HandshakeResult::success) {
            if (radio.model == protocol::Model::unknown) terminal.notice(texts::kUnknownModel);
            return Connection::connected;
        }
        terminal.print(texts::kNoResponse);
        device.close();
        terminal.notice(no_radio_line(heard, named(choice.path, choice)));
        if (asking == Asking::never) return Connection::port_failed;
    }
}

std::string open_failure_line(const serial::OpenResult& result, const PortChoice& choice) {
    const std::string port = named(result.path, choice);
    switch (result.failure) {
        case serial::OpenFailure::none:
            return {};
        case serial::OpenFailure::no_path:
            if (choice.too_long) {
                return "A port name longer than " + std::to_string(console::kMaxLine) +
                       " characters names no port.\n";
            }
            return "Port " + choice.shown +
                   " names no device: give a port number from 1 up, or a device path. " +
                   std::string(texts::kPortListHint) + "\n";
        case serial::OpenFailure::missing:
            return port + " does not exist: is the cable plugged in? " +
                   std::string(texts::kPortListHint) + "\n";
        case serial::OpenFailure::no_device:
            return port + " has no device behind it: is the cable plugged in? " +
                   std::string(texts::kPortListHint) + "\n";
        case serial::OpenFailure::permission:
            // Joining the group lets a user in only where the group may read and
            // write the device, and root's own group is nobody's to join.
            if (!result.group.empty() && result.group_reads_and_writes && !result.group_is_roots) {
                return "Permission denied on " + port + ": this user must be in the group " +
                       result.group + ", which owns it: sudo usermod -aG " + result.group +
                       " \"$USER\", then log out and in again.\n";
            }
            if (!result.owner.empty()) {
                return "Permission denied on " + port + ": only its owner, " + result.owner +
                       ", may open it. A udev rule that gives it to a group with read and write "
                       "(GROUP=\"dialout\", MODE=\"0660\") lets that group's members in; or, "
                       "until it is plugged in again, sudo chown \"$USER\" " +
                       result.path + ".\n";
            }
            return "Permission denied on " + port + ": this user may not open it.\n";
        case serial::OpenFailure::busy:
            return port + " is in use by another program: close that program and try again.\n";
        case serial::OpenFailure::other:
            break;
    }
    std::string why = result.system_text.empty() ? "error" : result.system_text + ", error";
    return port + " did not open (" + why + " " + std::to_string(result.system_error) + ").\n";
}

}  // namespace quillmer::app
