#include "channels/reader.h"

#include <algorithm>

#include "channels/columns.h"
#include "core/text.h"

namespace quillmer::channels {

namespace {

/// The first Size - 1 characters of the field, or all of it when shorter.
template <std::size_t Size>
void store(std::array<char, Size>& dest, std::string_view field) {
    dest.fill('\0');
    std::copy_n(field.begin(), std::min(field.size(), Size - 1), dest.begin());
}

/// The first 8 characters of the field, padded with spaces when shorter.
void store_name(ChannelRow::Name& dest, std::string_view field) {
    dest = kBlankName;
    std::copy_n(field.begin(), std::min(field.size(), kNameChars), dest.begin());
}

}  // namespace

bool Reader::next_row() {
    const std::vector<ReadLine>& lines = file_.read_lines();
    while (next_line_ < lines.size()) {
        const ReadLine& line = lines[next_line_++];
        // A header or an empty line is not a channel.
        if (line.text.empty() || !text::is_digit(line.text.front())) continue;
        split_row(line);
        return true;
    }
    return false;
}

void Reader::restart() {
    row_ = ChannelRow{};
    raw_ = RawRow{};
    next_line_ = 0;
}

void Reader::split_row(const ReadLine& line) {
    const std::string_view text = split_part(line.text);
    store(row_.frequency, kept_field(text, column::kFrequency));
    store(row_.duplex, kept_field(text, column::kDuplex));
    store(row_.offset, kept_field(text, column::kOffset));
    store(row_.mode, kept_field(text, column::kMode));
    store_name(row_.label, kept_field(text, column::kLabel));
    store_name(row_.ur, kept_field(text, column::kUr));
    store_name(row_.rpt1, kept_field(text, column::kRpt1));
    store_name(row_.rpt2, kept_field(text, column::kRpt2));

    raw_.line_number = line.number;
    raw_.line = text;
    raw_.frequency = kept_field(text, column::kFrequency);
    raw_.offset = kept_field(text, column::kOffset);
}

}  // namespace quillmer::channels
