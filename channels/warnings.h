#pragma once
// What a memory file that passed its check may still hold against its writer's
// intent: shown by the preview below its table, never a reason to refuse it.

#include <string>
#include <string_view>
#include <vector>

#include "channels/memory_file.h"

namespace quillmer::channels {

struct FileWarning {
    enum class Kind {
        same_names,      ///< different names that come out the same after the cut to 8
        numbering,       ///< column 1 numbers the rows otherwise than 0, 1, 2... or 1, 2, 3...
        too_many_rows,   ///< more data rows than channels: the rest is not written
        short_header,    ///< a header with fewer columns than the data rows
        header_calls,    ///< the header names a call sign column no DV row uses (FM only)
        out_of_range,    ///< frequencies these radios do not receive
        calls_unnamed,   ///< call signs in a row without a name: sent blank
        tones,           ///< the header's tone column sets a tone: the radio gets none
        after_end_byte,  ///< data rows after a byte 0x1A, which ends the file
    } kind = Kind::same_names;
    int line_number = 0;  ///< the first line concerned, 1 for the file's first
    std::string message;  ///< in English, one or more lines each ending in "\n"
};

/// The warnings for a file that passed check_memory_file(), in the order of the
/// kinds above.
std::vector<FileWarning> file_warnings(const MemoryFile& file);

/// Channel numbers in ascending order as ranges: {1, 2, 3, 7} gives "1-3, 7",
/// none gives "none".
std::string channel_ranges(const std::vector<int>& channels);

/// The warning for channels that set a tone, which the frame has no room for:
/// how many, the first few, `where` the file sets it (" in column 9 (\"TONE\")", or
/// nothing) and what to do; one line, without its line feed.
std::string tones_warning(const std::vector<int>& channels, std::string_view where);

}  // namespace quillmer::channels
