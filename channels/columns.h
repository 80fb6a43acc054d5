#pragma once
// The columns of a line as the row reader splits them, in one place: a comma
// ends a column, a line feed, a zero byte or the end of the text ends the
// line, and a field keeps its first kFieldChars characters. Every part of the
// program that reads a column of the file, whole or as kept, splits it here.

#include <string_view>

#include "channels/layout.h"

namespace quillmer::channels {

/// The text up to its line feed or first zero byte: what the split sees.
std::string_view split_part(std::string_view line);

/// Column `column` (1 for the first) of a line: the text between commas, whole.
/// Empty when the line has fewer columns.
std::string_view column_text(std::string_view line, int column);

/// Column `column` as a field keeps it: at most its first kFieldChars characters.
inline std::string_view kept_field(std::string_view line, int column) {
    return column_text(line, column).substr(0, kFieldChars);
}

/// Columns of a line counted up to the last that is not blank: a trailing comma
/// is no column.
int columns_used(std::string_view line);

}  // namespace quillmer::channels
