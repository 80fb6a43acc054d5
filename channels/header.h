#pragma once
// The memory file's header: the line that names its columns, and the words
// tools use in it for the fields this program reads. A file laid out for
// another radio or program names them where this program does not read them.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "channels/memory_file.h"

namespace quillmer::channels {

/// A field this program reads, as a header names it.
enum class HeaderField { frequency, duplex, offset, mode, name, call_sign };

/// The field a header name stands for, in the words tools use for it, compared
/// without regard to letter case, blanks, '-', '_', '.' and quotation marks
/// (some tools quote their header's names): "Frequency",
/// "RX Freq", "Dup", "Offset Direction", "Channel Name", "Your Call Sign",
/// "URCALL", "RPT1 Call Sign", "RPT2CALL" and the like. Nothing for a name this
/// program does not know.
std::optional<HeaderField> header_field(std::string_view name);

/// True when the field stands in a column this program reads it from: the
/// frequency in column 2, the duplex in 3, the offset in 4, the mode in 6, the
/// name in 7, a call sign in 17, 18 or 19 (which of them holds which is not
/// checked).
bool in_place(HeaderField field, int column);

/// The header: the last line with a comma before the first data row.
struct Header {
    int line_number = 0;  ///< 1 for the file's first line; 0 when there is none
    std::string text;     ///< the line, without its line feed
    int columns = 0;      ///< up to its last name that is not blank
};

/// The file's header.
Header read_header(const MemoryFile& file);

/// A column the header names for a field this program reads elsewhere.
struct MisplacedColumn {
    int column = 0;
    std::string name;  ///< as the header has it, without blanks or quotation marks around it
    HeaderField field = HeaderField::frequency;
};

/// The header's columns that name a field where this program does not read it,
/// in column order.
std::vector<MisplacedColumn> misplaced_columns(const Header& header);

}  // namespace quillmer::channels
