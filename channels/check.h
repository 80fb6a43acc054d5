#pragma once
// The check of the whole memory file before any port is opened: nothing is sent
// to a radio from a file whose numbers would turn into wrong frequencies.

#include <optional>
#include <string>

#include "channels/memory_file.h"

namespace quillmer::channels {

struct CheckFailure {
    enum class Kind {
        bad_number,    ///< not a plain decimal number that fits the frame
        cut_number,    ///< a plain number whose cut to the kept width changes it
        no_data_rows,  ///< nothing to write
        zero_byte,     ///< a zero byte: not a text file at all
    } kind = Kind::bad_number;
    int line_number = 0;      ///< of the failing line, 1 for the first
    int column = 0;           ///< 2 (frequency) or 4 (offset); 0 for a zero byte
    std::string text;         ///< the field as found; empty for a zero byte
    bool semicolons = false;  ///< the failing line holds a ';'
};

/// Reads the whole file and leaves it rewound to its start. Nothing when it
/// holds no zero byte, every data row's frequency and offset are empty or plain
/// decimal numbers that fit the frame, and there is at least one data row.
std::optional<CheckFailure> check_memory_file(MemoryFile& file);

/// The message for the user, in English, one or more lines each ending in "\n".
std::string describe(const CheckFailure& failure);

}  // namespace quillmer::channels
