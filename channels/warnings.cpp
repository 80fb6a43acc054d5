#include "channels/warnings.h"

#include <algorithm>
#include <map>
#include <string_view>

#include "channels/check.h"
#include "channels/reader.h"
#include "channels/row_fields.h"

namespace quillmer::channels {

namespace {

using Kind = FileWarning::Kind;

constexpr int kLongestNumber = 9;  // digits of a column-1 number that are compared

/// Columns of a line as the reader splits it, counted up to the last it reads.
int columns_of(std::string_view line) {
    line = line.substr(0, std::min(line.find('\n'), line.size()));
    const auto commas = std::count(line.begin(), line.end(), ',');
    return static_cast<int>(std::min<std::ptrdiff_t>(commas + 1, column::kLast));
}

/// Column 1 as a number, or -1 when it is not digits alone (blanks after them
/// allowed).
long long row_number(std::string_view line) {
    std::string_view text = column_text(line, column::kNumber);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    if (text.empty() || text.size() > kLongestNumber ||
        !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        return -1;
    }
    long long number = 0;
    for (const char c : text) number = number * 10 + (c - '0');
    return number;
}

/// A data row as the warnings need it.
struct Row {
    int line_number = 0;
    long long number = -1;    ///< column 1, -1 when it is no number
    std::string number_text;  ///< column 1 as in the file
    int columns = 0;
    bool written = false;   ///< a write frame: it has a frequency and is among the first 400
    std::string kept_name;  ///< as the radio gets it, when written with a name
    std::string full_name;  ///< column 7 as in the file
};

/// The last line with a comma before the first data row, which is where a
/// header is: its line number and columns; 0 and 0 when there is none.
std::pair<int, int> header_before(TextFile& file, int first_row_line) {
    file.rewind();
    std::pair<int, int> header{0, 0};
    std::string line;
    int line_number = 1;
    for (int c = file.get(); c != EOF && line_number < first_row_line; c = file.get()) {
        if (c != '\n') {
            line += static_cast<char>(c);
            continue;
        }
        if (line.find(',') != std::string::npos) header = {line_number, columns_of(line)};
        line.clear();
        ++line_number;
    }
    file.rewind();
    return header;
}

std::vector<Row> rows_of(TextFile& file) {
    std::vector<Row> rows;
    Reader reader(file);
    while (reader.next_row()) {
        const std::string_view line = reader.raw().line.data();
        Row row;
        row.line_number = reader.raw().line_number;
        row.number = row_number(line);
        row.number_text = std::string(column_text(line, column::kNumber));
        row.columns = columns_of(line);
        row.written =
            static_cast<int>(rows.size()) < kMemoryChannels && !frequency_is_empty(reader.row());
        if (row.written && !names_blanked(reader.row())) {
            row.kept_name = std::string(reader.row().label.data(), kNameChars);
            row.full_name = std::string(column_text(line, column::kLabel));
        }
        rows.push_back(std::move(row));
    }
    file.rewind();
    return rows;
}

/// Names that differ in the file but not in the radio, a warning for each.
void same_names(const std::vector<Row>& rows, std::vector<FileWarning>& warnings) {
    struct Group {
        std::vector<int> channels;
        std::vector<std::string> full_names;
        int line_number = 0;
    };
    std::map<std::string, Group> groups;
    for (std::size_t ch = 0; ch < rows.size(); ++ch) {
        const Row& row = rows[ch];
        if (row.kept_name.empty()) continue;
        Group& group = groups[row.kept_name];
        if (group.channels.empty()) group.line_number = row.line_number;
        group.channels.push_back(static_cast<int>(ch));
        if (std::find(group.full_names.begin(), group.full_names.end(), row.full_name) ==
            group.full_names.end()) {
            group.full_names.push_back(row.full_name);
        }
    }
    std::vector<FileWarning> found;
    for (const auto& [name, group] : groups) {
        if (group.full_names.size() < 2) continue;
        std::string shown = name;
        while (!shown.empty() && shown.back() == ' ') shown.pop_back();
        found.push_back({Kind::same_names, group.line_number,
                         "Channels " + channel_ranges(group.channels) + " all get the name \"" +
                             printable(shown) + "\": names are cut to " +
                             std::to_string(kNameChars) + " characters.\n"});
    }
    std::sort(found.begin(), found.end(), [](const FileWarning& a, const FileWarning& b) {
        return a.line_number < b.line_number;
    });
    warnings.insert(warnings.end(), found.begin(), found.end());
}

/// Column 1 should count 0, 1, 2... or 1, 2, 3... over the rows that are written.
void numbering(const std::vector<Row>& rows, std::vector<FileWarning>& warnings) {
    if (rows.empty()) return;
    const long long first = rows.front().number == 1 ? 1 : 0;
    const std::size_t counted = std::min<std::size_t>(rows.size(), kMemoryChannels);
    for (std::size_t ch = 0; ch < counted; ++ch) {
        const long long expected = first + static_cast<long long>(ch);
        if (rows[ch].number == expected) continue;
        warnings.push_back({Kind::numbering, rows[ch].line_number,
                            "Line " + std::to_string(rows[ch].line_number) + " has \"" +
                                printable(rows[ch].number_text) + "\" in column " +
                                std::to_string(column::kNumber) + " where " +
                                std::to_string(expected) +
                                " would follow: channels are written in row order, whatever "
                                "column " +
                                std::to_string(column::kNumber) + " says (this row is channel " +
                                std::to_string(ch) + ").\n"});
        return;
    }
}

}  // namespace

std::vector<FileWarning> file_warnings(TextFile& file) {
    std::vector<FileWarning> warnings;
    const std::vector<Row> rows = rows_of(file);
    same_names(rows, warnings);
    numbering(rows, warnings);

    if (rows.size() > static_cast<std::size_t>(kMemoryChannels)) {
        const Row& first_unwritten = rows[kMemoryChannels];
        warnings.push_back({Kind::too_many_rows, first_unwritten.line_number,
                            "The file holds " + std::to_string(rows.size()) +
                                " data rows: only the first " + std::to_string(kMemoryChannels) +
                                " are written, not those from line " +
                                std::to_string(first_unwritten.line_number) +
                                " on, and a run ends with status 9.\n"});
    }

    if (!rows.empty()) {
        const auto [header_line, header_columns] = header_before(file, rows.front().line_number);
        int row_columns = 0;
        for (const Row& row : rows) row_columns = std::max(row_columns, row.columns);
        if (header_line != 0 && header_columns < row_columns) {
            warnings.push_back(
                {Kind::short_header, header_line,
                 "The header on line " + std::to_string(header_line) + " names " +
                     std::to_string(header_columns) + " columns, but data rows hold " +
                     std::to_string(row_columns) +
                     ": check that the columns line up with the header (the name comes from "
                     "column " +
                     std::to_string(column::kLabel) + ", the call fields 3, 2 and 1 from columns " +
                     std::to_string(column::kCall3) + ", " + std::to_string(column::kCall2) +
                     " and " + std::to_string(column::kCall1) + ").\n"});
        }
    }
    return warnings;
}

std::string channel_ranges(const std::vector<int>& channels) {
    if (channels.empty()) return "none";
    std::string text;
    std::size_t i = 0;
    while (i < channels.size()) {
        std::size_t j = i;
        while (j + 1 < channels.size() && channels[j + 1] == channels[j] + 1) ++j;
        if (!text.empty()) text += ", ";
        text += std::to_string(channels[i]);
        if (j > i) {
            // Appended apart: GCC 12 at -O3 takes "-" + to_string() for an overlapping copy.
            text += '-';
            text += std::to_string(channels[j]);
        }
        i = j + 1;
    }
    return text;
}

}  // namespace quillmer::channels
