#pragma once
// The memory file's lines as they stand, against the lines the reader takes
// from them: what would make the reader's rows differ from the file's lines.

#include <optional>

#include "channels/check_message.h"
#include "channels/memory_file.h"

namespace quillmer::channels {

/// The first line that would be read otherwise than it stands: a row hidden
/// behind blanks or a quotation mark, or a long line read in pieces.
std::optional<CheckFailure> line_failure(const MemoryFile& file);

}  // namespace quillmer::channels
