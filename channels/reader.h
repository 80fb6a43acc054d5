#pragma once
// The channel list reader: one data row of the memory file at a time, split into
// the fields the encoder needs.

#include <array>
#include <cstddef>
#include <string_view>

#include "channels/layout.h"
#include "channels/memory_file.h"

namespace quillmer::channels {

/// A label or call field of a row whose column is empty or missing.
inline constexpr std::array<char, kNameChars + 1> kBlankName{' ', ' ', ' ', ' ', ' ',
                                                             ' ', ' ', ' ', '\0'};

/// The text fields of the data row last delivered, each zero-terminated after the
/// characters it keeps. Label and call fields are padded with spaces to 8. A row
/// not yet read is the row of a data line with every column empty.
struct ChannelRow {
    using Name = std::array<char, kNameChars + 1>;
    std::array<char, kFrequencyChars + 1> frequency{};  ///< column 2
    std::array<char, kDuplexChars + 1> duplex{};        ///< column 3
    std::array<char, kOffsetChars + 1> offset{};        ///< column 4
    std::array<char, kModeChars + 1> mode{};            ///< column 6
    Name label = kBlankName;                            ///< column 7
    Name ur = kBlankName;                               ///< column 17
    Name rpt1 = kBlankName;                             ///< column 18
    Name rpt2 = kBlankName;                             ///< column 19
};

/// One line (or piece of a long line) as read, with the fields of a data row
/// before they are cut to the channel row's widths. The texts look into the
/// memory file.
struct RawRow {
    int line_number = 0;         ///< 1 for the file's first line
    std::string_view line;       ///< as split: up to a zero byte, without the line feed
    std::string_view frequency;  ///< column 2 as kept
    std::string_view offset;     ///< column 4 as kept
};

class Reader {
  public:
    explicit Reader(const MemoryFile& file) : file_(file) {}
    /// True when a data row was read into row(); false at the end of the file,
    /// and then the row is left as it was. A last line without a line break is a
    /// data row too.
    bool next_row();
    const ChannelRow& row() const { return row_; }
    /// The last data row as read, for the check and for messages.
    const RawRow& raw() const { return raw_; }
    /// Starts again from the top of the file with an empty row.
    void restart();

  private:
    void split_row(const ReadLine& line);

    const MemoryFile& file_;
    ChannelRow row_{};
    RawRow raw_{};
    std::size_t next_line_ = 0;  ///< of the file's read_lines()
};

/// True when the row's frequency text is empty: the channel is sent as an erase
/// frame.
inline bool frequency_is_empty(const ChannelRow& row) {
    return row.frequency[0] == '\0';
}

}  // namespace quillmer::channels
