#pragma once
// The check of the whole memory file before any port is opened: nothing is sent
// to a radio from a file that would put wrong frequencies, wrong modes, shifted
// channels or garbled names into it, or only erase it.

#include <optional>
#include <string_view>
#include <vector>

#include "channels/check_message.h"
#include "channels/memory_file.h"

namespace quillmer::channels {

/// What is wrong with the file, one failure for each line at fault, in line
/// order; or one for the whole file. None when it holds no zero byte and no
/// line with blanks before a digit or a frequency without a channel number
/// among the rows, when every data row holds a comma, its frequency and offset
/// are empty or plain decimal numbers that fit the frame, its mode and duplex
/// say what the radio gets, no kept field starts with a quotation mark and its
/// name and call fields keep printable ASCII only; when its header names no
/// field where this program does not read it; and when at least one data row
/// has a frequency.
std::vector<CheckFailure> file_failures(const MemoryFile& file);

/// The first of them, nothing when there are none.
std::optional<CheckFailure> check_memory_file(const MemoryFile& file);

/// True when a field as kept holds a frequency the check takes.
bool is_frequency(std::string_view field);

/// A failure of `kind` on line `line_number` (the text of the line `line`) at
/// `column`, showing `text`; whether a ';' or a tab stands in the line is taken
/// from it for the message's hints.
CheckFailure failure_at(CheckFailure::Kind kind, int line_number, std::string_view line, int column,
                        std::string_view text);

}  // namespace quillmer::channels
