#pragma once
// One row of a channel file laid out by another program, read by the columns
// its header names, as the channel this radio gets.

#include <string>
#include <string_view>
#include <vector>

#include "channels/other_layouts.h"

namespace quillmer::channels {

/// Where the header names each field, 0-based; -1 when it does not.
struct Columns {
    int location = -1;
    int ch_no = -1;
    int frequency = -1;
    int duplex = -1;
    int offset = -1;
    int mode = -1;
    int name = -1;
    int ur = -1;
    int rpt1 = -1;
    int rpt2 = -1;
    int repeater = -1;
    int gateway = -1;
    int tone = -1;
    int count = 0;                   ///< up to the last name that is not blank
    std::vector<std::string> names;  ///< as the header has them, blanks trimmed
};

/// The columns a header line names, split at `separator`.
Columns columns_of(std::string_view header, char separator);

/// The layout whose names the columns hold; none when they miss one it needs.
OtherLayout layout_of(const Columns& columns);

/// True when the columns name the frequency, duplex, offset, mode and name where
/// our own layout reads them: in columns 2, 3, 4, 6 and 7.
bool fields_as_ours(const Columns& columns);

/// The file being read: its layout, columns and decimal sign.
struct Source {
    OtherLayout layout = OtherLayout::none;
    Columns columns;
    bool decimal_comma = false;
};

/// A channel as our layout's columns hold it; all empty for an erased one.
struct Channel {
    std::string frequency, duplex, offset, mode, name, ur, rpt1, rpt2;
};

/// What a written row says besides its channel, for the warnings.
struct RowNotes {
    bool transmit_off = false;
    bool narrow_am = false;
    bool automatic = false;
    bool name_replaced = false;
    bool name_comma = false;
    bool tone = false;
};

struct RowResult {
    Channel channel;
    RowNotes notes;
    std::string fault;  ///< in English; empty when the channel can be written
};

/// Field `column` (0-based) of a row; empty when the row is shorter or the
/// column is -1.
std::string_view field(const std::vector<std::string>& fields, int column);

/// The channel a data row's fields mean; an erased one when it has no
/// frequency.
RowResult read_row(const Source& src, const std::vector<std::string>& fields);

}  // namespace quillmer::channels
