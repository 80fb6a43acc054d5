#include "channels/header.h"

#include <algorithm>
#include <array>
#include <utility>

#include "channels/check.h"
#include "channels/layout.h"

namespace quillmer::channels {

namespace {

using Field = HeaderField;

/// The words of export headers for the fields this program reads, as
/// header_field() compares them: lower case, without blanks, '-', '_' or '.'.
/// A small list on purpose: a name missing here is checked as any unknown
/// column is, a name wrongly here would refuse a good file.
constexpr std::array<std::pair<std::string_view, Field>, 24> kWords{{
    {"frequency", Field::frequency},
    {"freq", Field::frequency},
    {"receivefrequency", Field::frequency},
    {"rxfrequency", Field::frequency},
    {"rxfreq", Field::frequency},
    {"dup", Field::duplex},
    {"duplex", Field::duplex},
    {"offsetdirection", Field::duplex},
    {"offset", Field::offset},
    {"offsetfrequency", Field::offset},
    {"mode", Field::mode},
    {"name", Field::name},
    {"channelname", Field::name},
    {"memoryname", Field::name},
    {"yourcallsign", Field::call_sign},
    {"yourcall", Field::call_sign},
    {"urcall", Field::call_sign},
    {"ur", Field::call_sign},
    {"rpt1callsign", Field::call_sign},
    {"rpt1call", Field::call_sign},
    {"rpt1", Field::call_sign},
    {"rpt2callsign", Field::call_sign},
    {"rpt2call", Field::call_sign},
    {"rpt2", Field::call_sign},
}};

bool is_blank(char c) {
    return c == ' ' || c == '\t';
}

bool is_digit(char c) {
    return c >= '0' && c <= '9';
}

}  // namespace

std::optional<HeaderField> header_field(std::string_view name) {
    std::string word;
    for (const char c : name) {
        if (is_blank(c) || c == '-' || c == '_' || c == '.' || c == '"') continue;
        word += c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    }
    for (const auto& [known, field] : kWords) {
        if (word == known) return field;
    }
    return std::nullopt;
}

bool in_place(HeaderField field, int column) {
    switch (field) {
        case Field::frequency:
            return column == column::kFrequency;
        case Field::duplex:
            return column == column::kDuplex;
        case Field::offset:
            return column == column::kOffset;
        case Field::mode:
            return column == column::kMode;
        case Field::name:
            return column == column::kLabel;
        case Field::call_sign:
            return column >= column::kCall3 && column <= column::kCall1;
    }
    return false;
}

Header read_header(TextFile& file) {
    file.rewind();
    Header header;
    std::string line;
    int line_number = 1;
    const auto line_ends = [&] {
        if (line.find(',') != std::string::npos) {
            header.line_number = line_number;
            header.text = line;
        }
        line.clear();
        ++line_number;
    };
    for (int c = file.get(); c != EOF; c = file.get()) {
        if (line.empty() && is_digit(static_cast<char>(c))) break;  // the first data row
        if (c == '\n') {
            line_ends();
        } else {
            line += static_cast<char>(c);
        }
    }
    file.rewind();
    header.columns = header.line_number == 0 ? 0 : columns_used(header.text);
    return header;
}

std::vector<MisplacedColumn> misplaced_columns(const Header& header) {
    std::vector<MisplacedColumn> misplaced;
    for (int column = 1; column <= header.columns; ++column) {
        std::string_view name = column_text(header.text, column);
        while (!name.empty() && is_blank(name.front())) name.remove_prefix(1);
        while (!name.empty() && is_blank(name.back())) name.remove_suffix(1);
        if (name.size() >= 2 && name.front() == '"' && name.back() == '"') {
            name = name.substr(1, name.size() - 2);
        }
        const auto field = header_field(name);
        if (field && !in_place(*field, column)) {
            misplaced.push_back({column, std::string(name), *field});
        }
    }
    return misplaced;
}

int columns_used(std::string_view line) {
    line = line.substr(0, std::min(line.find('\n'), line.size()));
    int columns = 0;
    for (int column = 1;; ++column) {
        const std::size_t comma = line.find(',');
        if (holds_text(line.substr(0, comma))) columns = column;
        if (comma == std::string_view::npos) return columns;
        line.remove_prefix(comma + 1);
    }
}

bool holds_text(std::string_view text) {
    return !std::all_of(text.begin(), text.end(), is_blank);
}

}  // namespace quillmer::channels
