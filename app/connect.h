#pragma once
// Reaching the radio: the port from --port, the settings file or the prompt,
// opened and configured, and the handshake; another port is asked for until a
// radio answers, unless --port named the one to use.

#include <string>

#include "app/settings.h"
#include "console/terminal.h"
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
    port_failed,       ///< the one port to use did not open, or no radio answered there
};

/// When the port prompt comes.
enum class Asking {
    at_once,          ///< no port is known yet
    after_a_failure,  ///< the port from the settings file is tried first
    never,            ///< the port from --port is the only one tried
};

/// What the handshakes found. The id bytes live for the whole run.
struct Radio {
    protocol::IdBytes id{};
    protocol::Model model = protocol::Model::unknown;
};

/// Takes the port from the first settings file that exists, `beside_program`
/// or else `user_file` (empty: none), and shows it as "Com:3" or
/// "Com:/dev/ttyUSB0" ("COM7" is port 7); under it, for a first line that is
/// neither a port number nor a device path, a line that says what was read,
/// from which file, and what to write instead. False when neither exists; then
/// the help lines naming the file beside the program have been shown, and a
/// line naming both places.
bool port_from_settings(console::Terminal& terminal, const std::string& beside_program,
                        const std::string& user_file, PortChoice& choice);

/// Takes the port given on the command line as a settings line would give it,
/// and shows it alike.
void port_from_option(console::Terminal& terminal, const std::string& answer, PortChoice& choice);

/// Opens `choice`'s port (after asking for one when `asking` is at_once),
/// configures it and runs the handshake. Every failure says why; on those the
/// user can put right it asks for another port and tries again, unless `asking`
/// is never. On `connected` the device stays open.
Connection connect_radio(console::Terminal& terminal, serial::Device& device, PortChoice& choice,
                         Asking asking, protocol::ReplyBuffer& reply, Radio& radio);

/// The line after "オープン・エラー" (the open error): the device tried, why it
/// did not open and what to do, ending in "\n". `choice` tells how the port was
/// named.
std::string open_failure_line(const serial::OpenResult& result, const PortChoice& choice);

}  // namespace quillmer::app
