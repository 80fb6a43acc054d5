#pragma once
// The command line of quillmer-sim.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sim/radio.h"

namespace quillmer::sim {

struct Options {
    RadioConfig radio;
    std::string link;    ///< where the symbolic link to the slave goes
    bool once = false;   ///< exit after the first LINK_CLOSE
    bool quiet = false;  ///< no line per event; the memory table is still printed
    bool help = false;
    bool version = false;
    std::string replay;  ///< --replay: a trace file to answer as its radio did
};

/// Options, or the reason they could not be read.
struct ParsedOptions {
    std::optional<Options> options;
    std::string error;  ///< empty when options is set
};

/// Reads the arguments that follow the program name. Every option with a value
/// takes it as the next argument or after '='. --id overrides the id bytes of
/// --model in whatever order they come; --link is required unless --help or --version is given.
/// With --replay the trace decides everything the radio does: only --link,
/// --pace, --quiet, --help and --version go with it.
ParsedOptions parse_options(const std::vector<std::string_view>& args);

/// The help text.
std::string usage();

}  // namespace quillmer::sim
