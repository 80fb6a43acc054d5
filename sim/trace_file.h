#pragma once
// A wire trace as the program writes it with --trace: one event a line, each
// but the header starting with the milliseconds since the program started.
//
//   # quillmer 0.2.0 trace; linux; memory file "memory.csv", 1234 bytes
//   0.612 > 38400 FE FE 01 80 18 01 FD  LINK_OPEN
//   0.700 < 38400 FE FE 80 01 FB FD  OK
//   9.000 key Esc
//   9.010 gone
//
// `>` is a frame to the radio, `<` a run of bytes from it; then the line speed,
// the bytes in hex and, after two spaces, a name for people. The simulator reads
// it on its own terms, from the text alone, as it reads the program's frames.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sim/frames.h"

namespace quillmer::sim {

/// One line of a trace.
struct TraceEvent {
    enum class Kind {
        sent,      ///< `>`: a frame the program wrote
        received,  ///< `<`: a run of bytes the program read
        key,       ///< `key Esc`: a key that acted
        gone,      ///< `gone`: the device vanished
        other,     ///< any other event (port, speed, end, ...), kept as text
    };
    Kind kind = Kind::other;
    double ms = 0;     ///< milliseconds since the program started
    int speed = 0;     ///< sent and received: the line speed in bit/s
    Bytes bytes;       ///< sent and received
    std::string text;  ///< the name after the bytes; the key; for others the whole event
    int line = 0;      ///< line number in the file, from 1
};

struct Trace {
    std::vector<std::string> header;  ///< the lines that start with '#', without it
    std::vector<TraceEvent> events;   ///< in the order of the file
};

/// Reads a trace from its text. Carriage returns before line feeds and empty
/// lines are ignored. Nothing when a line is not a trace line, with `error`
/// naming the line and what is wrong with it.
std::optional<Trace> parse_trace(std::string_view text, std::string& error);

/// Reads the trace file at `path`; nothing with the reason in `error` when it
/// cannot be read or parsed.
std::optional<Trace> read_trace_file(const std::string& path, std::string& error);

}  // namespace quillmer::sim
