#pragma once
// The console as the front end uses it: what the protocol needs, and the typed
// answer at the port prompt. The process's console is one (SystemConsole);
// tests have their own.

#include <string>

#include "app/console.h"
#include "core/console.h"

namespace quillmer {

class Terminal : public Console {
  public:
    /// Reads one typed line, echoed as the terminal usually does, without its
    /// line break.
    virtual console::LineStatus read_line(std::string& line) = 0;
};

}  // namespace quillmer
