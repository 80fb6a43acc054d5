#pragma once
// The program's flow: banner, memory file, port choice with its retries,
// handshake, memory transfer.

#include "core/exit_status.h"
#include "protocol/transfer.h"

namespace quillmer::app {

/// Runs the whole program for its command line and tells how it ended.
ExitStatus run_program(int argc, char** argv);

/// The exit status for the way the transfer ended: the one place it is decided.
ExitStatus status_for(protocol::TransferEnd end);

}  // namespace quillmer::app
