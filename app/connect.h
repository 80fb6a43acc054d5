#pragma once
// Reaching the radio: the port from the settings file or the prompt, opened and
// configured, and the handshake; another port is asked for until a radio
// answers.

#include <string>

#include "app/settings.h"
#include "app/terminal.h"
#include "protocol/frames.h"
#include "protocol/handshake.h"
#include "protocol/receiver.h"
#include "serial/port.h"

namespace quillmer::app {

/// How the search for the radio ended.
enum class Connection {
    connected,         ///< a radio answered; the device is open at 38400 bit/s
    input_ended,       ///< standard input ended at the prompt: no port to try
    settings_refused,  ///< the driver refused the line settings
};

/// What the handshakes found. The id bytes live for the whole run.
struct Radio {
    protocol::IdBytes id{};
    protocol::Model model = protocol::Model::unknown;
};

/// Takes the port from the settings file at `settings_path` and shows it as
/// "Com:3" or "Com:/dev/ttyUSB0". False when there is no settings file; then the
/// help lines naming it have been shown.
bool port_from_settings(Terminal& terminal, const std::string& settings_path, PortChoice& choice);

/// Opens `choice`'s port (after asking for one when `ask_first`), configures it
/// and runs the handshake; on every failure the user can put right it asks for
/// another port and tries again. On `connected` the device stays open.
Connection connect_radio(Terminal& terminal, serial::Device& device, PortChoice& choice,
                         bool ask_first, protocol::ReplyBuffer& reply, Radio& radio);

}  // namespace quillmer::app
