#include "channels/reader.h"

#include <algorithm>
#include <cstdio>

namespace quillmer::channels {

namespace {

using Field = std::array<char, kFieldChars + 1>;

bool is_digit(char c) {
    return c >= '0' && c <= '9';
}

/// The field that starts at `pos`, with `pos` moved past its comma. At the end of
/// the line `pos` stays on the line feed or terminating zero, so every later
/// field of the row is empty.
Field split_field(const std::array<char, kLineChars + 1>& line, std::size_t& pos) {
    Field field{};
    std::size_t length = 0;
    for (;;) {
        const char c = line[pos++];
        if (c == '\n' || c == '\0') {
            --pos;
            break;
        }
        if (c == ',') break;
        if (length < kFieldChars) field[length++] = c;
    }
    return field;
}

std::size_t field_length(const Field& field) {
    return static_cast<std::size_t>(std::find(field.begin(), field.end(), '\0') - field.begin());
}

/// The first Size - 1 characters of the field, or all of it when shorter.
template <std::size_t Size>
void store(std::array<char, Size>& dest, const Field& field) {
    dest.fill('\0');
    std::copy_n(field.begin(), std::min(field_length(field), Size - 1), dest.begin());
}

/// The first 8 characters of the field, padded with spaces when shorter.
void store_name(ChannelRow::Name& dest, const Field& field) {
    dest = kBlankName;
    std::copy_n(field.begin(), std::min(field_length(field), kNameChars), dest.begin());
}

}  // namespace

bool Reader::next_row() {
    Line line{};
    for (;;) {
        const std::size_t length = read_line(line);
        if (length == 0) return false;
        const int line_number = lines_done_ + 1;
        if (line[length - 1] == '\n') ++lines_done_;
        // A header or an empty line is not a channel.
        if (!is_digit(line[0])) continue;
        split_row(line, line_number);
        return true;
    }
}

void Reader::restart() {
    file_.rewind();
    row_ = ChannelRow{};
    raw_ = RawRow{};
    lines_done_ = 0;
}

std::size_t Reader::read_line(Line& line) {
    std::size_t length = 0;
    while (length < kLineChars) {
        const int c = file_.get();
        if (c == EOF) break;
        line[length++] = static_cast<char>(c);
        if (c == '\n') break;
    }
    // A zero byte inside the line ends it for the split, as it ends any C string.
    line[length] = '\0';
    return length;
}

void Reader::split_row(const Line& line, int line_number) {
    std::array<Field, column::kLast + 1> columns{};
    std::size_t pos = 0;
    for (int col = 1; col <= column::kLast; ++col) columns[col] = split_field(line, pos);

    store(row_.frequency, columns[column::kFrequency]);
    store(row_.duplex, columns[column::kDuplex]);
    store(row_.offset, columns[column::kOffset]);
    store(row_.mode, columns[column::kMode]);
    store_name(row_.label, columns[column::kLabel]);
    store_name(row_.call3, columns[column::kCall3]);
    store_name(row_.call2, columns[column::kCall2]);
    store_name(row_.call1, columns[column::kCall1]);

    raw_.line_number = line_number;
    raw_.line = line;
    raw_.frequency = columns[column::kFrequency];
    raw_.offset = columns[column::kOffset];
}

}  // namespace quillmer::channels
