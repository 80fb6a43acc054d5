#pragma once
// The memory file's lines as they stand, before the reader splits rows off
// them: what would make the reader's rows differ from the file's lines.

#include <optional>

#include "channels/check_message.h"
#include "channels/text_file.h"

namespace quillmer::channels {

/// What a pass over the file's lines finds.
struct LineScan {
    /// The line of the file's first zero byte, 1 for the first line; 0 when it
    /// holds none. No text file holds one, but programs, spreadsheets in their
    /// own format and text saved as UTF-16 do. The reader ends a line at a zero
    /// byte, so such a file would turn into rows without a frequency and erase
    /// channels without a word.
    int zero_byte_line = 0;
    /// Lines that end in a carriage return alone: text mode drops it, so they
    /// would all be read as one.
    std::optional<CheckFailure> carriage_returns;
    /// The first line that would be read otherwise than it stands: a row hidden
    /// behind blanks or a quotation mark, or a long line read in pieces.
    std::optional<CheckFailure> line_failure;
};

/// Reads the whole file line by line; leaves it rewound to its start.
LineScan scan_lines(TextFile& file);

}  // namespace quillmer::channels
