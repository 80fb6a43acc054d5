#include "app/connect.h"

#include "core/texts.h"

namespace quillmer::app {

namespace {

/// Asks for a port. False when standard input has ended.
bool port_from_prompt(Terminal& terminal, PortChoice& choice) {
    terminal.print(texts::kPortPrompt);
    std::string answer;
    const console::LineStatus status = terminal.read_line(answer);
    if (status == console::LineStatus::end_of_input) return false;
    take_answer(answer, status == console::LineStatus::too_long, true, choice);
    return true;
}

}  // namespace

bool port_from_settings(Terminal& terminal, const std::string& settings_path, PortChoice& choice) {
    std::string line;
    bool too_long = false;
    if (read_settings_line(settings_path, line, too_long) == SettingsRead::missing) {
        terminal.print(texts::kSettingsHelp1);
        terminal.print_raw(settings_path);
        terminal.print(texts::kSettingsHelp2);
        terminal.print(texts::kSettingsHelp3);
        return false;
    }
    take_answer(line, too_long, false, choice);
    terminal.print(texts::kComPrefix);
    terminal.print_raw(choice.shown);
    terminal.print("\n");
    return true;
}

Connection connect_radio(Terminal& terminal, serial::Device& device, PortChoice& choice,
                         bool ask_first, protocol::ReplyBuffer& reply, Radio& radio) {
    bool ask = ask_first;
    for (;;) {
        if (ask && !port_from_prompt(terminal, choice)) {
            terminal.print(texts::kInputEnded);
            return Connection::input_ended;
        }
        ask = true;
        if (!device.open(choice.path)) {
            terminal.print(texts::kOpenError);
            continue;
        }
        if (!device.configure()) {
            terminal.print(texts::kDcbError);
            return Connection::settings_refused;
        }
        const auto result = protocol::run_handshake(device, reply, radio.id, terminal);
        radio.model = protocol::model_from_id(radio.id[0], radio.id[1]);
        if (radio.model == protocol::Model::id91) terminal.print(texts::kDetectId91);
        if (radio.model == protocol::Model::id92) terminal.print(texts::kDetectId92);
        if (result == protocol::HandshakeResult::success) return Connection::connected;
        terminal.print(texts::kNoResponse);
        device.close();
    }
}

}  // namespace quillmer::app
