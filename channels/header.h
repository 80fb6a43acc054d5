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

/// What a header name stands for: a field this program reads, or something
/// else tools export (a tone, a step, a power, a comment...) that it does not.
enum class HeaderField { frequency, duplex, offset, mode, name, ur, rpt1, rpt2, other };

/// The field a header name stands for, in the words tools use for it, compared
/// without regard to letter case, blanks, '-', '_', '.' and quotation marks
/// (some tools quote their header's names): "Frequency", "RX Freq", "Dup",
/// "Offset Direction", "Channel Name", "Your Call Sign" and "URCALL" (UR),
/// "RPT1 Call Sign", "RPT2CALL", and for other things "Tone", "CTCSS", "TS",
/// "Skip", "Power", "Comment" and the like. Nothing for a name this program
/// does not know.
std::optional<HeaderField> header_field(std::string_view name);

/// True for UR, RPT1 and RPT2.
constexpr bool is_call_sign(HeaderField field) {
    return field == HeaderField::ur || field == HeaderField::rpt1 || field == HeaderField::rpt2;
}

/// The field read from a column: the frequency from column 2, the duplex from
/// 3, the offset from 4, the mode from 6, the name from 7, UR, RPT1 and RPT2
/// from 17, 18 and 19; nothing for a column not read.
std::optional<HeaderField> field_read_from(int column);

/// The column a field is read from; 0 for other things.
int column_of(HeaderField field);

/// "frequency", "duplex", "offset", "mode", "name", "UR", "RPT1", "RPT2";
/// "something else" for other things.
std::string_view field_name(HeaderField field);

/// True when the field stands where this program reads it, or, for something
/// it does not read, in a column it does not read.
bool in_place(HeaderField field, int column);

/// True when a header name is a tone column's: one that says whether the
/// channel uses a tone ("TONE").
bool names_tone(std::string_view name);

/// The header: the last line with a comma before the first data row.
struct Header {
    int line_number = 0;  ///< 1 for the file's first line; 0 when there is none
    std::string text;     ///< the line, without its line feed
    int columns = 0;      ///< up to its last name that is not blank
};

/// The file's header.
Header read_header(const MemoryFile& file);

/// A column the header names for a field this program reads elsewhere, or
/// for something else where it reads a field.
struct MisplacedColumn {
    int column = 0;
    std::string name;  ///< as the header has it, without blanks or quotation marks around it
    HeaderField field = HeaderField::frequency;
};

/// The header's columns that name a field where this program does not read it,
/// or something else where it reads one, in column order.
std::vector<MisplacedColumn> misplaced_columns(const Header& header);

}  // namespace quillmer::channels
