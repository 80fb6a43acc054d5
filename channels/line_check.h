#pragma once
// The memory file's lines as they stand, against the lines the reader takes
// from them: what would make the reader's rows differ from the file's lines.

#include <vector>

#include "channels/check_message.h"
#include "channels/memory_file.h"

namespace quillmer::channels {

/// The lines that would be read otherwise than they stand, in order: a row
/// hidden behind blanks or a quotation mark, a long line read in pieces, a
/// frequency among the rows on a line that starts with no channel number.
std::vector<CheckFailure> line_failures(const MemoryFile& file);

}  // namespace quillmer::channels
