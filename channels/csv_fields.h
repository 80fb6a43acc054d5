#pragma once
// A line of a channel file written by another program, split as such files are
// written: fields between separators, a field in quotation marks holding
// separators and doubled quotation marks.

#include <string>
#include <string_view>
#include <vector>

namespace quillmer::channels {

/// The fields of `line`, split at `separator` (',' or ';'). A field that starts
/// with '"' runs to the next '"' not doubled, "" inside it standing for one '"';
/// characters after its closing mark, up to the separator, are kept as they
/// are. A quotation mark left open takes the rest of the line. Blanks are kept.
/// A line without a separator is one field; an empty line is one empty field.
std::vector<std::string> split_fields(std::string_view line, char separator);

/// A header name as compared: without blanks, '-', '_', '.' and '"', in lower
/// case ("CH No" gives "chno", "RPT1 Call Sign" gives "rpt1callsign").
std::string name_key(std::string_view name);

}  // namespace quillmer::channels
