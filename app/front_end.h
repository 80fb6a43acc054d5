#pragma once
// The program's flow: banner, memory file, port choice with its retries,
// handshake, memory transfer.

#include "app/exit_status.h"

namespace quillmer::app {

/// Runs the whole program for its command line and tells how it ended.
ExitStatus run_program(int argc, char** argv);

}  // namespace quillmer::app
