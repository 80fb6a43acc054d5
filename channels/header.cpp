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

/// The words of export headers, as header_field() compares them: lower case,
/// without blanks, '-', '_' or '.'. A small list on purpose: a name missing
/// here is checked as any unknown column is, a name wrongly here would refuse a
/// good file.
constexpr std::pair<std::string_view, Field> kWords[] = {
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
    {"yourcallsign", Field::ur},
    {"yourcall", Field::ur},
    {"urcall", Field::ur},
    {"ur", Field::ur},
    {"rpt1callsign", Field::rpt1},
    {"rpt1call", Field::rpt1},
    {"rpt1", Field::rpt1},
    {"rpt2callsign", Field::rpt2},
    {"rpt2call", Field::rpt2},
    {"rpt2", Field::rpt2},
    // What exports hold besides: tones, steps, flags, notes, places.
    {"tone", Field::other},
    {"ctcss", Field::other},
    {"repeatertone", Field::other},
    {"tsqlfrequency", Field::other},
    {"tsqlfreq", Field::other},
    {"rtonefreq", Field::other},
    {"ctonefreq", Field::other},
    {"dcs", Field::other},
    {"dtcscode", Field::other},
    {"dtcspolarity", Field::other},
    {"rxdtcscode", Field::other},
    {"crossmode", Field::other},
    {"dvsql", Field::other},
    {"dvsqlcode", Field::other},
    {"dvcsqlcode", Field::other},
    {"dvcode", Field::other},
    {"ts", Field::other},
    {"tstep", Field::other},
    {"step", Field::other},
    {"tuningstep", Field::other},
    {"skip", Field::other},
    {"power", Field::other},
    {"comment", Field::other},
    {"bank", Field::other},
    {"bankindex", Field::other},
    {"location", Field::other},
    {"position", Field::other},
    {"latitude", Field::other},
    {"longitude", Field::other},
    {"utcoffset", Field::other},
    {"groupname", Field::other},
    {"subname", Field::other},
};

/// Where each field is read.
constexpr std::array<std::pair<Field, int>, 8> kColumns{{
    {Field::frequency, column::kFrequency},
    {Field::duplex, column::kDuplex},
    {Field::offset, column::kOffset},
    {Field::mode, column::kMode},
    {Field::name, column::kLabel},
    {Field::ur, column::kUr},
    {Field::rpt1, column::kRpt1},
    {Field::rpt2, column::kRpt2},
}};

/// A name as the words above are written.
std::string plain_word(std::string_view name) {
    std::string word;
    for (const char c : name) {
        if (text::kBlanks.find(c) != std::string_view::npos || c == '-' || c == '_' || c == '.' ||
            c == '"') {
            continue;
        }
        word += text::to_lower(c);
    }
    return word;
}

}  // namespace

std::optional<HeaderField> header_field(std::string_view name) {
    const std::string word = plain_word(name);
    for (const auto& [known, field] : kWords) {
        if (word == known) return field;
    }
    return std::nullopt;
}

std::optional<HeaderField> field_read_from(int column) {
    for (const auto& [field, at] : kColumns) {
        if (at == column) return field;
    }
    return std::nullopt;
}

int column_of(HeaderField field) {
    for (const auto& [known, at] : kColumns) {
        if (known == field) return at;
    }
    return 0;
}

std::string_view field_name(HeaderField field) {
    switch (field) {
        case Field::frequency:
            return "frequency";
        case Field::duplex:
            return "duplex";
        case Field::offset:
            return "offset";
        case Field::mode:
            return "mode";
        case Field::name:
            return "name";
        case Field::ur:
            return "UR";
        case Field::rpt1:
            return "RPT1";
        case Field::rpt2:
            return "RPT2";
        case Field::other:
            break;
    }
    return "something else";
}

bool in_place(HeaderField field, int column) {
    if (field == Field::other) return !field_read_from(column);
    return column_of(field) == column;
}

bool names_tone(std::string_view name) {
    return plain_word(name) == "tone";
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
