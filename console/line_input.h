#pragma once
// A typed line put together from single bytes, the same way on every console.

#include <optional>
#include <string>

#include "console/key_queue.h"
#include "console/terminal.h"

namespace quillmer::console {

/// Reads one line: keys already queued first, then bytes from `next_byte`, which
/// gives nothing at the end of input. The line break and carriage returns are
/// dropped; characters past kMaxLine are read to the line's end and dropped.
template <typename NextByte>
LineStatus assemble_line(std::string& line, KeyQueue& queued, NextByte next_byte) {
    line.clear();
    bool too_long = false;
    bool got_any = false;
    for (;;) {
        int byte = 0;
        if (!queued.empty()) {
            byte = queued.pop();
        } else {
            const std::optional<unsigned char> next = next_byte();
            if (!next) break;
            byte = *next;
        }
        got_any = true;
        if (byte == '\n') break;
        if (byte == '\r') continue;
        if (line.size() < kMaxLine) {
            line.push_back(static_cast<char>(byte));
        } else {
            too_long = true;
        }
    }
    if (!got_any) return LineStatus::end_of_input;
    return too_long ? LineStatus::too_long : LineStatus::ok;
}

}  // namespace quillmer::console
