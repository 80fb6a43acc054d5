#include "channels/header.h"

#include <algorithm>
#include <array>
#include <utility>

#include "channels/columns.h"
#include "channels/layout.h"
#include "core/text.h"

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

}  // namespace

std::optional<HeaderField> header_field(std::string_view name) {
    std::string word;
    for (const char c : name) {
        if (text::kBlanks.find(c) != std::string_view::npos || c == '-' || c == '_' || c == '.' ||
            c == '"') {
            continue;
        }
        word += text::to_lower(c);
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

Header read_header(const MemoryFile& file) {
    Header header;
    if (const FileLine* line = file.header()) {
        header.line_number = line->number;
        header.text = std::string(line->text);
        header.columns = columns_used(header.text);
    }
    return header;
}

std::vector<MisplacedColumn> misplaced_columns(const Header& header) {
    std::vector<MisplacedColumn> misplaced;
    for (int column = 1; column <= header.columns; ++column) {
        std::string_view name = text::trim(column_text(header.text, column));
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

}  // namespace quillmer::channels
