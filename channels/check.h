#pragma once
// The check of the whole memory file before any port is opened: nothing is sent
// to a radio from a file that would put wrong frequencies, wrong modes, shifted
// channels or garbled names into it, or only erase it.

#include <optional>
#include <string_view>

#include "channels/check_message.h"
#include "channels/memory_file.h"

namespace quillmer::channels {

/// Nothing when the file holds no zero byte and no line with blanks before a
/// digit, and when every data row holds a comma, its frequency and offset are
/// empty or plain decimal numbers that fit the frame, its mode and duplex say
/// what the radio gets, no kept field starts with a quotation mark and its name
/// and call fields keep printable ASCII only; and at least one data row has a
/// frequency. Of several
/// failures the one on the earliest line, a zero byte before all.
std::optional<CheckFailure> check_memory_file(const MemoryFile& file);

/// A failure of `kind` on line `line_number` (the text of the line `line`) at
/// `column`, showing `text`; whether a ';' or a tab stands in the line is taken
/// from it for the message's hints.
CheckFailure failure_at(CheckFailure::Kind kind, int line_number, std::string_view line, int column,
                        std::string_view text);

}  // namespace quillmer::channels
