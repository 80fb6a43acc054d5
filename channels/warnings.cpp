#include "channels/warnings.h"

#include <algorithm>
#include <map>
#include <string_view>

#include "channels/check.h"
#include "channels/columns.h"
#include "channels/header.h"
#include "channels/reader.h"
#include "channels/row_fields.h"
#include "core/exit_status.h"
#include "core/text.h"

namespace quillmer::channels {

namespace {

using Kind = FileWarning::Kind;

constexpr int kLongestNumber = 9;  // digits of a column-1 number that are compared

// What these radios receive, in hertz: a channel outside it may be refused.
constexpr long long kLowestHz = 495'000;
constexpr long long kHighestHz = 999'990'000;

/// Column 1 as a number, or -1 when it is not digits alone (blanks after them
/// allowed).
long long row_number(std::string_view line) {
    const std::string_view digits = text::trim_end(column_text(line, column::kNumber));
    if (digits.empty() || digits.size() > kLongestNumber ||
        !std::all_of(digits.begin(), digits.end(), text::is_digit)) {
        return -1;
    }
    long long number = 0;
    for (const char c : digits) number = number * 10 + (c - '0');
    return number;
}

/// A data row as the warnings need it.
struct Row {
    int line_number = 0;
    long long number = -1;    ///< column 1, -1 when it is no number
    std::string number_text;  ///< column 1 as in the file
    int columns = 0;
    bool written = false;        ///< a write frame: it has a frequency and is among the first 400
    std::string kept_name;       ///< as the radio gets it, when written with a name
    std::string full_name;       ///< column 7 as in the file
    long long hz = 0;            ///< the frequency, when written
    bool unnamed_calls = false;  ///< written without a name, with a call field that is not blank
    bool tone = false;           ///< written, with a tone set in the header's tone column
};

/// A plain decimal number of megahertz, as the check lets it pass, in hertz.
long long hertz(std::string_view mhz) {
    long long whole = 0;
    long long fraction = 0;
    int fraction_digits = 0;
    bool after_point = false;
    for (const char c : mhz) {
        if (c == '.') after_point = true;
        if (!text::is_digit(c)) continue;
        if (!after_point) {
            whole = whole * 10 + (c - '0');
        } else if (fraction_digits < kFractionDigits) {
            fraction = fraction * 10 + (c - '0');
            ++fraction_digits;
        }
    }
    for (; fraction_digits < kFractionDigits; ++fraction_digits) fraction *= 10;
    return whole * 1'000'000 + fraction;
}

/// Hertz as megahertz with three decimals: "0.495".
std::string mhz(long long hz) {
    return std::to_string(hz / 1'000'000) + "." + std::to_string(1000 + hz / 1000 % 1000).substr(1);
}

bool calls_not_blank(const ChannelRow& row) {
    return text::holds_text(row.ur.data()) || text::holds_text(row.rpt1.data()) ||
           text::holds_text(row.rpt2.data());
}

/// The column the header names for the tone, 0 for none.
int tone_column(const Header& header) {
    for (int column = 1; column <= header.columns; ++column) {
        if (names_tone(column_text(header.text, column))) return column;
    }
    return 0;
}

/// A tone column's value that sets a tone: neither empty nor OFF.
bool sets_tone(std::string_view value) {
    value = text::trim(value);
    return !value.empty() && !text::equals_ignoring_case(value, "OFF");
}

std::vector<Row> rows_of(const MemoryFile& file, int tone_column) {
    std::vector<Row> rows;
    Reader reader(file);
    while (reader.next_row()) {
        const std::string_view line = reader.raw().line;
        Row row;
        row.line_number = reader.raw().line_number;
        row.number = row_number(line);
        row.number_text = std::string(column_text(line, column::kNumber));
        row.columns = columns_used(line);
        row.written =
            static_cast<int>(rows.size()) < kMemoryChannels && !frequency_is_empty(reader.row());
        if (row.written) row.hz = hertz(reader.row().frequency.data());
        if (row.written && !names_blanked(reader.row())) {
            row.kept_name = std::string(reader.row().label.data(), kNameChars);
            row.full_name = std::string(column_text(line, column::kLabel));
        }
        row.unnamed_calls =
            row.written && names_blanked(reader.row()) && calls_not_blank(reader.row());
        row.tone = row.written && tone_column != 0 && sets_tone(column_text(line, tone_column));
        rows.push_back(std::move(row));
    }
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
        const std::string_view shown = text::trim_end(name, " ");
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

/// The header against the rows: fewer columns than they use (it cannot be
/// trusted to name them), or, trusted, a call sign column where no call field
/// is read; the check has refused the file already if a DV row holds one there.
void header_warnings(const Header& header, const std::vector<Row>& rows,
                     std::vector<FileWarning>& warnings) {
    if (header.line_number == 0) return;
    int row_columns = 0;
    for (const Row& row : rows) row_columns = std::max(row_columns, row.columns);
    const std::string line = "The header on line " + std::to_string(header.line_number);
    if (header.columns < row_columns) {
        warnings.push_back(
            {Kind::short_header, header.line_number,
             line + " names " + std::to_string(header.columns) + " columns, but data rows hold " +
                 std::to_string(row_columns) +
                 ": check that the columns line up with the header (the name comes from "
                 "column " +
                 std::to_string(column::kLabel) +
                 ", the call signs UR, RPT1 and RPT2 from columns " + std::to_string(column::kUr) +
                 ", " + std::to_string(column::kRpt1) + " and " + std::to_string(column::kRpt2) +
                 ").\n"});
        return;
    }
    for (const MisplacedColumn& m : misplaced_columns(header)) {
        if (!is_call_sign(m.field)) continue;
        warnings.push_back(
            {Kind::header_calls, header.line_number,
             line + " calls column " + std::to_string(m.column) + " \"" + printable(m.name) +
                 "\", but the call signs are read from columns " + std::to_string(column::kUr) +
                 ", " + std::to_string(column::kRpt1) + " and " + std::to_string(column::kRpt2) +
                 " as UR, RPT1 and RPT2: the file is laid out for another radio or program. No "
                 "DV channel holds one there, and FM channels do not use them.\n"});
        return;
    }
}

/// One warning naming every channel whose row `applies` to, or none.
template <typename Applies>
void channels_warned(const std::vector<Row>& rows, std::vector<FileWarning>& warnings, Kind kind,
                     Applies applies, const std::string& what) {
    std::vector<int> channels;
    int line_number = 0;
    for (std::size_t ch = 0; ch < rows.size(); ++ch) {
        if (!applies(rows[ch])) continue;
        if (channels.empty()) line_number = rows[ch].line_number;
        channels.push_back(static_cast<int>(ch));
    }
    if (channels.empty()) return;
    warnings.push_back({kind, line_number,
                        (channels.size() == 1 ? "Channel " : "Each of channels ") +
                            channel_ranges(channels) + what});
}

/// Channels that set a tone, which the frame has no room for.
void tone_warning(const std::vector<Row>& rows, int tone_column, const Header& header,
                  std::vector<FileWarning>& warnings) {
    std::vector<int> channels;
    int line_number = 0;
    for (std::size_t ch = 0; ch < rows.size(); ++ch) {
        if (!rows[ch].tone) continue;
        if (channels.empty()) line_number = rows[ch].line_number;
        channels.push_back(static_cast<int>(ch));
    }
    if (channels.empty()) return;
    const std::string where = " in column " + std::to_string(tone_column) + " (\"" +
                              printable(text::trim(column_text(header.text, tone_column))) + "\")";
    warnings.push_back({Kind::tones, line_number, tones_warning(channels, where) + "\n"});
}

/// Data rows after a byte 0x1A: the file ends there, so they are not written.
void end_byte_warning(const MemoryFile& file, std::vector<FileWarning>& warnings) {
    const int line_number = file.end_byte_line();
    if (line_number == 0) return;
    int rows_after = 0;
    bool line_start = true;
    for (const char c : file.after_end_byte()) {
        if (line_start && text::is_digit(c)) ++rows_after;
        line_start = c == '\n';
    }
    if (rows_after == 0) return;
    warnings.push_back(
        {Kind::after_end_byte, line_number,
         "Line " + std::to_string(line_number) +
             " holds a Ctrl-Z byte (0x1A), which ends the file: the " + std::to_string(rows_after) +
             (rows_after == 1 ? " data row after it is not written, and its channel is erased.\n"
                              : " data rows after it are not written, and their channels are "
                                "erased.\n")});
}

}  // namespace

std::vector<FileWarning> file_warnings(const MemoryFile& file) {
    std::vector<FileWarning> warnings;
    const Header header = read_header(file);
    const int tones = tone_column(header);
    const std::vector<Row> rows = rows_of(file, tones);
    same_names(rows, warnings);
    numbering(rows, warnings);

    if (rows.size() > static_cast<std::size_t>(kMemoryChannels)) {
        const Row& first_unwritten = rows[kMemoryChannels];
        warnings.push_back(
            {Kind::too_many_rows, first_unwritten.line_number,
             "The file holds " + std::to_string(rows.size()) + " data rows: only the first " +
                 std::to_string(kMemoryChannels) + " are written, not those from line " +
                 std::to_string(first_unwritten.line_number) + " on, and a run ends with status " +
                 std::to_string(static_cast<int>(ExitStatus::too_many_rows)) + ".\n"});
    }

    if (!rows.empty()) header_warnings(header, rows, warnings);
    channels_warned(
        rows, warnings, Kind::out_of_range,
        [](const Row& row) { return row.written && (row.hz < kLowestHz || row.hz > kHighestHz); },
        " has a frequency outside " + mhz(kLowestHz) + " to " + mhz(kHighestHz) +
            " MHz, what these radios receive: the radio may refuse it during the write.\n");
    channels_warned(
        rows, warnings, Kind::calls_unnamed, [](const Row& row) { return row.unnamed_calls; },
        " has call signs in columns " + std::to_string(column::kUr) + " to " +
            std::to_string(column::kRpt2) + " (UR, RPT1, RPT2) but no name in column " +
            std::to_string(column::kLabel) +
            " (or one that starts with a blank): its call fields are sent blank.\n");
    tone_warning(rows, tones, header, warnings);
    end_byte_warning(file, warnings);
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

std::string tones_warning(const std::vector<int>& channels, std::string_view where) {
    constexpr std::size_t kNamed = 5;
    const std::size_t more = channels.size() - std::min(channels.size(), kNamed);
    const std::vector<int> named(channels.begin(),
                                 channels.end() - static_cast<std::ptrdiff_t>(more));
    return std::to_string(channels.size()) +
           (channels.size() == 1 ? " channel sets" : " channels set") + " a tone" +
           std::string(where) + ": " + (named.size() == 1 ? "channel " : "channels ") +
           channel_ranges(named) + (more > 0 ? " and " + std::to_string(more) + " more" : "") +
           ". The radio gets no tone from this program: set it on the radio.";
}

}  // namespace quillmer::channels
