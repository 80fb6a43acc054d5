#pragma once
// The console as the front end uses it: what the protocol needs, and the typed
// answer at the port prompt. The process's console is one (SystemConsole);
// tests have their own.

#include <cstddef>
#include <string>

#include "console/console.h"

namespace quillmer::console {

enum class LineStatus {
    ok,            ///< a line was read (it may be empty)
    too_long,      ///< the line had more than kMaxLine characters; it was read to its end
    end_of_input,  ///< nothing more can ever be typed
};
inline constexpr std::size_t kMaxLine = 255;

class Terminal : public Console {
  public:
    /// Reads one typed line, echoed as the terminal usually does, without its
    /// line break and carriage returns.
    virtual LineStatus read_line(std::string& line) = 0;
};

}  // namespace quillmer::console
