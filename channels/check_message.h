#pragma once
// What the memory file check found wrong, and its message for the user.

#include <string>
#include <string_view>
#include <vector>

#include "channels/layout.h"

namespace quillmer::channels {

struct CheckFailure {
    /// The column a failure of the line as a whole names: its first.
    static constexpr int kWholeLine = column::kNumber;

    enum class Kind {
        bad_number,        ///< not a plain decimal number
        too_many_digits,   ///< a plain number with more digits before the point than fit
        cut_number,        ///< a plain number whose cut to the kept width changes it
        zero_frequency,    ///< a frequency of zero: a channel at 0 Hz
        no_commas,         ///< a data row without a comma: tabs, semicolons or nothing between
        quoted_field,      ///< a kept field that starts with a quotation mark
        quoted_row,        ///< a quotation mark before a digit: the line would be skipped
        unknown_mode,      ///< a mode that would be written as FM although it does not say FM
        unknown_duplex,    ///< a duplex that is none of empty, OFF, DUP+ and DUP-
        blank_before_row,  ///< blanks before a digit: the line would be skipped, rows shift
        unnumbered_row,    ///< a frequency among the rows on a line without a channel number
        not_ascii,         ///< a kept name or call field byte outside printable ASCII
        long_line_row,     ///< a piece of a long line would be read as a row of its own
        long_line_cut,     ///< a kept column of a long data row would be cut
        header_column,     ///< the header names a field where this program does not read it
        no_data_rows,      ///< nothing to write
        no_frequencies,    ///< data rows, but none with a frequency: it would only erase
        zero_byte,         ///< a zero byte: not a text file at all
        carriage_returns,  ///< lines end in a carriage return alone: read as one line
        too_large,         ///< more bytes than a memory file can have: not read at all
    } kind = Kind::bad_number;
    int line_number = 0;      ///< of the failing line, 1 for the first; 0 for the whole file
    int column = 0;           ///< of the failing field; kWholeLine for the line as a whole;
                              ///< 0 for the whole file, a zero byte, line ends or a piece
    std::string text;         ///< the field or line as found; empty for the whole file
    bool semicolons = false;  ///< ';' stands in the line's first column, after its number
    bool tabs = false;        ///< the failing line holds a tab
    /// A duplex that, with the frequency before it, reads as one number written
    /// with a comma ("145,500", "1,297.5"); empty otherwise.
    std::string comma_number;
    int line_length = 0;  ///< a long line: its characters, without the line feed
    int piece_start = 0;  ///< long_line_row: the character that starts the piece, from 1
    int row_line = 0;     ///< header_column of a call sign: the DV row holding one there
};

/// The message for the user, in English, one or more lines each ending in "\n".
/// Bytes of the file outside printable ASCII are shown as \t or \xNN.
std::string describe(const CheckFailure& failure);

/// The message for all the failures of a file: each line at fault, up to 20
/// of them and then how many more, the advice for each kind once.
std::string describe(const std::vector<CheckFailure>& failures);

/// The text with bytes outside printable ASCII (0x20..0x7E) as \t or \xNN.
std::string printable(std::string_view text);

}  // namespace quillmer::channels
