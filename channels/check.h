#pragma once
// The check of the whole memory file before any port is opened: nothing is sent
// to a radio from a file that would put wrong frequencies, wrong modes, shifted
// channels or garbled names into it, or only erase it.

#include <optional>
#include <string>

#include "channels/text_file.h"

namespace quillmer::channels {

/// The columns a failure names, counted from 1; kLine stands for the line as a
/// whole.
namespace check_column {
inline constexpr int kLine = 1;
inline constexpr int kFrequency = 2;
inline constexpr int kDuplex = 3;
inline constexpr int kOffset = 4;
inline constexpr int kMode = 6;
inline constexpr int kLabel = 7;
inline constexpr int kCall3 = 17;
inline constexpr int kCall2 = 18;
inline constexpr int kCall1 = 19;
}  // namespace check_column

struct CheckFailure {
    enum class Kind {
        bad_number,        ///< not a plain decimal number
        too_many_digits,   ///< a plain number with more digits before the point than fit
        cut_number,        ///< a plain number whose cut to the kept width changes it
        no_commas,         ///< a data row without a comma: tabs, semicolons or nothing between
        quoted_field,      ///< a kept field that starts with a quotation mark
        unknown_mode,      ///< a mode that would be written as FM although it does not say FM
        unknown_duplex,    ///< a '+' or '-' in a duplex that would be written as simplex
        blank_before_row,  ///< blanks before a digit: the line would be skipped, rows shift
        not_ascii,         ///< a kept name or call field byte outside printable ASCII
        no_data_rows,      ///< nothing to write
        no_frequencies,    ///< data rows, but none with a frequency: it would only erase
        zero_byte,         ///< a zero byte: not a text file at all
    } kind = Kind::bad_number;
    int line_number = 0;      ///< of the failing line, 1 for the first; 0 for the whole file
    int column = 0;           ///< of the failing field; 1 for the line as a whole; 0 for
                              ///< the whole file or a zero byte
    std::string text;         ///< the field or line as found; empty for the whole file
    bool semicolons = false;  ///< the failing line holds a ';'
    bool tabs = false;        ///< the failing line holds a tab
};

/// Reads the whole file and leaves it rewound to its start. Nothing when it
/// holds no zero byte and no line with blanks before a digit, and when every
/// data row holds a comma, its frequency and offset are empty or plain decimal
/// numbers that fit the frame, its mode and duplex say what the radio gets, no
/// kept field starts with a quotation mark and its name and call fields keep
/// printable ASCII only; and at least one data row has a frequency. Of several
/// failures the one on the earliest line, a zero byte before all.
std::optional<CheckFailure> check_memory_file(TextFile& file);

/// The message for the user, in English, one or more lines each ending in "\n".
/// Bytes of the file outside printable ASCII are shown as \t or \xNN.
std::string describe(const CheckFailure& failure);

/// Column `column` (1 for the first) of a line as the reader splits it: the
/// text between commas up to the line feed, whole (not cut to the 19
/// characters a field keeps). Empty when the line has fewer columns.
std::string_view column_text(std::string_view line, int column);

/// The text with bytes outside printable ASCII (0x20..0x7E) as \t or \xNN.
std::string printable(std::string_view text);

}  // namespace quillmer::channels
