#pragma once
// The memory file's layout, in one place: which column holds which field of a
// channel, how many characters of each are kept, how long a line and a field
// may be, and how many memory channels a radio has. Every part of the program
// that reads, checks, encodes or shows a channel takes these from here.

#include <array>
#include <cstddef>

namespace quillmer::channels {

/// Memory channels 0 to 399: a file's data rows after the 400th are not written.
inline constexpr int kMemoryChannels = 400;

/// Characters of one line read at a time, its line feed included; a longer line is
/// read in pieces.
inline constexpr std::size_t kLineChars = 199;
/// Characters a field keeps while the line is split; longer fields are cut.
inline constexpr std::size_t kFieldChars = 19;

/// Columns, counted from 1, of the fields a channel needs. Columns 5, 8 to 16
/// and 20 onwards are not read. Columns 1 to 7 are those of the radio maker's
/// own memory export, and its last three, "Your Call Sign, RPT1 Call Sign,
/// RPT2 Call Sign", are the call signs UR, RPT1 and RPT2 of 17 to 19 (an
/// order not yet confirmed on a radio). The frame holds them the other way
/// round, as the header on the air: RPT2 first, UR last.
namespace column {
/// The row's number as the file gives it: a data row starts with a digit. The
/// rows are written in their order, whatever this column says.
inline constexpr int kNumber = 1;
inline constexpr int kFrequency = 2;
inline constexpr int kDuplex = 3;
inline constexpr int kOffset = 4;
inline constexpr int kMode = 6;
inline constexpr int kLabel = 7;
inline constexpr int kUr = 17;    ///< UR, your call: the frame's call field 3, the last
inline constexpr int kRpt1 = 18;  ///< RPT1, the repeater: call field 2
inline constexpr int kRpt2 = 19;  ///< RPT2, the gateway: call field 1, the first
inline constexpr int kLast = 19;  ///< the reader looks no further
/// The columns read, in the order a data row is checked.
inline constexpr std::array<int, 8> kRead{kFrequency, kDuplex, kOffset, kMode,
                                          kLabel,     kUr,     kRpt1,   kRpt2};
}  // namespace column

/// Characters of each field that reach the frame.
inline constexpr std::size_t kFrequencyChars = 10;
inline constexpr std::size_t kDuplexChars = 4;
inline constexpr std::size_t kOffsetChars = 8;
inline constexpr std::size_t kModeChars = 4;
/// Decimal digits of a number in the frame: the frequency's, the offset's, and
/// of them those after the point, down to hertz.
inline constexpr int kFrequencyDigits = 10;
inline constexpr int kOffsetDigits = 8;
inline constexpr int kFractionDigits = 6;
/// The digits before the point the frame has room for: four of megahertz for a
/// frequency, two for an offset.
inline constexpr int kFrequencyIntegerDigits = kFrequencyDigits - kFractionDigits;
inline constexpr int kOffsetIntegerDigits = kOffsetDigits - kFractionDigits;

/// A label or call field: 8 characters, padded with spaces.
inline constexpr std::size_t kNameChars = 8;

}  // namespace quillmer::channels
