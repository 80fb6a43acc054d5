#pragma once
// Channel files laid out by other programs, read by the names in their header:
// the radio maker's memory export and repeater list, and the multi-radio
// programmer's CSV. Each is turned into the memory file of this program's own
// layout, which the check, the warnings and the encoder then read as any other.

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "channels/check_message.h"
#include "channels/memory_file.h"

namespace quillmer::channels {

enum class OtherLayout {
    none,
    maker_export,    ///< CH No (or Ch), Frequency, Dup, Offset, ..., RPT2 Call Sign
    repeater_list,   ///< ..., Repeater Call Sign, Gateway Call Sign, Frequency, ...
    programmer_csv,  ///< Location, Name, Frequency, Duplex, Offset, ...
};

/// A header line's layout and the separator it is written with.
struct LayoutHeader {
    OtherLayout layout = OtherLayout::none;
    char separator = ',';  ///< ';' goes with ',' as the decimal sign
};

/// The layout whose columns the line names (in any letter case, in quotation
/// marks or not, between ',' or ';'); none when it names no such set.
LayoutHeader recognise_layout(std::string_view header_line);

/// A line of the file that cannot be written, and why.
struct LineFault {
    int line_number = 0;
    std::string reason;  ///< in English, without a line feed
};

/// A file of another layout as this program writes it.
struct OtherLayoutFile {
    OtherLayout layout = OtherLayout::none;
    /// True when the header puts the frequency, duplex, offset, mode and name
    /// where our own layout has them, between commas: the call signs alone can
    /// tell it from our own.
    bool fields_as_ours = false;
    /// One English line (without a line feed): the layout, and which column gave
    /// what. Empty when the layout is none.
    std::string read_as;
    /// The same channels in our own layout: a header, then a row for channel 0,
    /// 1, 2, ... each line ending in a line feed. Rows that cannot be written are
    /// erased channels here.
    std::string memory_file;
    /// Rows that cannot be written, in line order. Unless they were to be
    /// skipped, the file must not be sent.
    std::vector<LineFault> unwritable;
    /// A value past the header's last column: which column is which is unclear,
    /// and the file must not be sent. Line 0 when there is none.
    LineFault column_fault;
    /// English warnings, one line each without a line feed.
    std::vector<std::string> warnings;
};

/// Reads the file by the header among its lines before the first that starts
/// with a digit. `skip_unwritable`: rows that cannot be written are erased
/// channels, each named in a warning, rather than only listed.
OtherLayoutFile read_other_layout(std::span<const FileLine> lines, bool skip_unwritable);

/// A file our own check refused with `failures`, read by its header instead:
/// when the header names one of these layouts, and the file is laid out
/// otherwise than ours: its header puts a field other than the call signs
/// elsewhere (or it is written with ';'), or the check refused a column of its
/// header outside 17 to 19. Nothing when the refusal stands: the file is our
/// own, of no such layout, or no text file at all (a zero byte, lines ended by
/// carriage returns alone, too large).
std::optional<OtherLayoutFile> read_refused_by_header(const MemoryFile& file,
                                                      const std::vector<CheckFailure>& failures,
                                                      bool skip_unwritable);

}  // namespace quillmer::channels
