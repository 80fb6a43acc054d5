#include "channels/check.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <string_view>

#include "channels/reader.h"
#include "channels/row_fields.h"

namespace quillmer::channels {

namespace {

using Kind = CheckFailure::Kind;

// The frame holds four digits of megahertz for a frequency and two for an
// offset; more would be cut without a word.
constexpr int kFrequencyDigits = 4;
constexpr int kOffsetDigits = 2;
constexpr int kLineColumn = 1;
constexpr int kFrequencyColumn = 2;
constexpr int kDuplexColumn = 3;
constexpr int kOffsetColumn = 4;
constexpr int kModeColumn = 6;
constexpr int kLabelColumn = 7;
constexpr int kCall3Column = 17;
constexpr int kCall2Column = 18;
constexpr int kCall1Column = 19;
// The characters the channel row keeps of each, and the fraction digits the
// frame has room for (down to hertz).
constexpr std::size_t kFrequencyKept = 10;
constexpr std::size_t kOffsetKept = 8;
constexpr std::size_t kFractionDigitsKept = 6;
// Of a line shown in a message; the rest is left out.
constexpr std::size_t kExcerptChars = 40;

bool is_digit(char c) {
    return c >= '0' && c <= '9';
}

bool is_blank(char c) {
    return c == ' ' || c == '\t';
}

bool is_printable(char c) {
    return c >= 0x20 && c <= 0x7E;
}

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    return text;
}

/// What is wrong with a number field, if anything.
enum class NumberFault { none, bad, too_many_digits };

/// Spaces, at most `max_integer_digits` digits, then optionally a point, digits
/// and spaces; at least one digit in all. The encoder turns every character
/// before the point into a digit, so a space after the integer digits would
/// multiply the number by ten, and any other character would write a wrong one.
/// Blanks alone pass when `blanks_are_zero`: the encoder writes them as zero.
NumberFault number_fault(std::string_view text, int max_integer_digits, bool blanks_are_zero) {
    std::size_t i = 0;
    const auto skip = [&](auto&& accept) {
        int count = 0;
        while (i < text.size() && accept(text[i])) {
            ++i;
            ++count;
        }
        return count;
    };
    const int leading_spaces = skip([](char c) { return c == ' '; });
    if (blanks_are_zero && static_cast<std::size_t>(leading_spaces) == text.size()) {
        return NumberFault::none;
    }
    const int integer_digits = skip(is_digit);
    int fraction_digits = 0;
    if (i < text.size() && text[i] == '.') {
        ++i;
        fraction_digits = skip(is_digit);
        skip([](char c) { return c == ' '; });
    }
    if (i != text.size() || integer_digits + fraction_digits == 0) return NumberFault::bad;
    if (integer_digits > max_integer_digits) return NumberFault::too_many_digits;
    return NumberFault::none;
}

/// True when keeping only the first `kept` characters of a plain decimal text
/// loses a digit the frame would have carried: any digit before the point (the
/// rest of the number would shift), or a non-zero one of the first six after
/// it. Leading spaces push digits out this way.
bool cut_changes_number(std::string_view text, std::size_t kept) {
    const std::size_t point = text.find('.');
    for (std::size_t i = kept; i < text.size(); ++i) {
        if (!is_digit(text[i])) continue;
        if (point == std::string_view::npos || i < point) return true;
        if (i - point - 1 < kFractionDigitsKept && text[i] != '0') return true;
    }
    return false;
}

/// The line as read, without its line feed.
std::string_view line_of(const RawRow& raw) {
    std::string_view line(raw.line.data());
    if (!line.empty() && line.back() == '\n') line.remove_suffix(1);
    return line;
}

CheckFailure failure_at(Kind kind, int line_number, std::string_view line, int column,
                        std::string_view text) {
    CheckFailure failure;
    failure.kind = kind;
    failure.line_number = line_number;
    failure.column = column;
    failure.text = std::string(text);
    failure.semicolons = line.find(';') != std::string_view::npos;
    failure.tabs = line.find('\t') != std::string_view::npos;
    return failure;
}

/// Nothing when the field is empty or a plain decimal number that the channel
/// row keeps whole.
std::optional<Kind> number_failure(std::string_view field, int max_integer_digits, std::size_t kept,
                                   bool blanks_are_zero) {
    if (field.empty()) return std::nullopt;
    switch (number_fault(field, max_integer_digits, blanks_are_zero)) {
        case NumberFault::bad:
            return Kind::bad_number;
        case NumberFault::too_many_digits:
            return Kind::too_many_digits;
        case NumberFault::none:
            break;
    }
    if (cut_changes_number(field, kept)) return Kind::cut_number;
    return std::nullopt;
}

/// A mode that the encoder writes as FM must say FM (in any letter case, with
/// blanks around it): "dv", "D-STAR" or "WFM" would become FM without a word.
bool mode_says_what_it_gets(std::string_view kept) {
    if (mode_of(kept) != Mode::fm) return true;
    const std::string_view mode = trimmed(kept);
    return mode.empty() || (mode.size() == 2 && (mode[0] == 'F' || mode[0] == 'f') &&
                            (mode[1] == 'M' || mode[1] == 'm'));
}

/// A name or call field as the radio gets it, without the padding.
std::string_view kept_name(const std::array<char, kBlankName.size()>& name) {
    std::string_view text(name.data());
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    return text;
}

/// The first failure of one data row, its columns in order.
std::optional<CheckFailure> check_row(const RawRow& raw, const ChannelRow& row) {
    const std::string_view line = line_of(raw);
    const auto fail = [&](Kind kind, int column, std::string_view text) {
        return failure_at(kind, raw.line_number, line, column, text);
    };
    if (line.find(',') == std::string_view::npos) return fail(Kind::no_commas, kLineColumn, line);

    for (const int column : {kFrequencyColumn, kDuplexColumn, kOffsetColumn, kModeColumn,
                             kLabelColumn, kCall3Column, kCall2Column, kCall1Column}) {
        const std::string_view text = column_text(line, column);
        // The reader knows no quoting: the marks would be part of the field.
        if (text.starts_with('"')) return fail(Kind::quoted_field, column, text);

        if (column == kFrequencyColumn || column == kOffsetColumn) {
            const bool frequency = column == kFrequencyColumn;
            const std::string_view field = frequency ? raw.frequency.data() : raw.offset.data();
            const auto kind = frequency
                                  ? number_failure(field, kFrequencyDigits, kFrequencyKept, false)
                                  : number_failure(field, kOffsetDigits, kOffsetKept, true);
            if (kind) return fail(*kind, column, field);
        } else if (column == kDuplexColumn) {
            if (duplex_of(row.duplex.data()) == Duplex::off &&
                text.find_first_of("+-") != std::string_view::npos) {
                return fail(Kind::unknown_duplex, column, text);
            }
        } else if (column == kModeColumn) {
            if (!mode_says_what_it_gets(row.mode.data())) {
                return fail(Kind::unknown_mode, column, text);
            }
        } else {
            const auto& name = column == kLabelColumn   ? row.label
                               : column == kCall3Column ? row.call3
                               : column == kCall2Column ? row.call2
                                                        : row.call1;
            const std::string_view kept = kept_name(name);
            if (!std::all_of(kept.begin(), kept.end(), is_printable)) {
                return fail(Kind::not_ascii, column, kept);
            }
        }
    }
    return std::nullopt;
}

/// What a pass over the file's lines finds.
struct LineScan {
    /// The line of the file's first zero byte, 1 for the first line; 0 when it
    /// holds none. No text file holds one, but programs, spreadsheets in their
    /// own format and text saved as UTF-16 do. The reader ends a line at a zero
    /// byte, so such a file would turn into rows without a frequency and erase
    /// channels without a word.
    int zero_byte_line = 0;
    /// The first line with blanks before a digit: the reader skips it as a
    /// header, and every later row would land one channel early.
    std::optional<CheckFailure> blank_before_row;
};

LineScan scan_lines(MemoryFile& file) {
    LineScan scan;
    file.rewind();
    int line_number = 1;
    std::string line;  // the start of the current line, for a message
    bool blank_led = false;
    bool looking = true;  // still deciding whether the line is blank-led
    const auto line_ends = [&] {
        if (blank_led && !scan.blank_before_row) {
            scan.blank_before_row =
                failure_at(Kind::blank_before_row, line_number, line, kLineColumn, line);
        }
        line.clear();
        blank_led = false;
        looking = true;
        ++line_number;
    };
    for (int c = file.get(); c != EOF; c = file.get()) {
        const char ch = static_cast<char>(c);
        if (ch == '\0') {
            scan.zero_byte_line = line_number;
            break;
        }
        if (ch == '\n') {
            line_ends();
            continue;
        }
        if (line.size() < kExcerptChars + 1) line += ch;
        if (looking && !is_blank(ch)) {
            looking = false;
            blank_led = line.size() > 1 && is_digit(ch);
        }
    }
    if (scan.zero_byte_line == 0) line_ends();
    file.rewind();
    return scan;
}

/// The file's first row failure, and whether any row has a frequency.
struct RowScan {
    std::optional<CheckFailure> failure;
    bool any_row = false;
    bool any_frequency = false;
};

RowScan scan_rows(MemoryFile& file) {
    RowScan scan;
    Reader reader(file);
    while (!scan.failure && reader.next_row()) {
        scan.any_row = true;
        if (!frequency_is_empty(reader.row())) scan.any_frequency = true;
        scan.failure = check_row(reader.raw(), reader.row());
    }
    file.rewind();
    return scan;
}

/// The line cut for a message: the line, or its first characters and "...".
std::string excerpt(std::string_view line) {
    if (line.size() <= kExcerptChars) return printable(line);
    return printable(line.substr(0, kExcerptChars)) + "...";
}

std::string_view column_name(int column) {
    switch (column) {
        case kFrequencyColumn:
            return " (frequency)";
        case kDuplexColumn:
            return " (duplex)";
        case kOffsetColumn:
            return " (offset)";
        case kModeColumn:
            return " (mode)";
        case kLabelColumn:
            return " (name)";
        case kCall3Column:
            return " (call field 3)";
        case kCall2Column:
            return " (call field 2)";
        case kCall1Column:
            return " (call field 1)";
        default:
            return "";
    }
}

constexpr std::string_view kSemicolonHint =
    "The file seems to use ';' between columns (a spreadsheet saved under a locale "
    "with decimal commas): save it with commas between columns and points in "
    "numbers.\n";

/// The lines after "Memory file line L, column C (name): "TEXT"".
std::string field_message(const CheckFailure& failure) {
    const bool frequency = failure.column == kFrequencyColumn;
    const std::string number_rule =
        frequency ? "A frequency is written in MHz with a point, such as 145.500000 "
                    "(at most 4 digits before the point).\n"
                  : "An offset is written in MHz with a point, such as 0.600000 "
                    "(at most 2 digits before the point).\n";
    const std::string semicolon_hint = failure.semicolons ? std::string(kSemicolonHint) : "";
    switch (failure.kind) {
        case Kind::bad_number:
            return " is not a plain decimal number.\n" + number_rule + semicolon_hint;
        case Kind::too_many_digits:
            return " has too many digits before the point (zeros in front count too).\n" +
                   number_rule + semicolon_hint;
        case Kind::cut_number:
            return " is longer than the " +
                   std::to_string(frequency ? kFrequencyKept : kOffsetKept) +
                   " characters kept, and cutting it would change the number.\n" + number_rule +
                   semicolon_hint;
        case Kind::no_commas: {
            std::string message = " holds no comma: columns must be separated by commas.\n";
            if (failure.tabs) {
                message +=
                    "The line holds tabs between its columns (a spreadsheet saved as "
                    "tab-separated text): save it as comma-separated text.\n";
            }
            if (failure.semicolons) message += kSemicolonHint;
            if (!failure.tabs && !failure.semicolons) {
                message +=
                    "A line that starts with a digit is a channel: its number, frequency, "
                    "duplex, offset and the other columns, separated by commas.\n";
            }
            return message;
        }
        case Kind::quoted_field:
            return " starts with a quotation mark.\n"
                   "Quotation marks are no part of the format: they would be taken as part of "
                   "the field. Save the file without quotation marks around fields.\n";
        case Kind::unknown_mode:
            return " is not a mode the radio knows; it would be written as FM.\n"
                   "The modes are FM, FM-N, AM, DV and AUTO, in capitals (fm is FM too, and an "
                   "empty mode is FM).\n";
        case Kind::unknown_duplex:
            return " would be written as simplex.\n"
                   "Duplex is written DUP+ or DUP- (empty or OFF for simplex).\n";
        case Kind::blank_before_row:
            return " starts with blanks before its channel number: it would be skipped, and "
                   "every later row would move up one channel.\n"
                   "Remove the blanks at the start of the line.\n";
        case Kind::not_ascii:
            return " holds a character the radio cannot show.\n"
                   "Names and call fields may hold only ASCII letters, digits, spaces and "
                   "signs (no accents, no Japanese characters) in their first 8 characters.\n";
        case Kind::no_data_rows:
        case Kind::no_frequencies:
        case Kind::zero_byte:
            break;
    }
    return "\n";
}

}  // namespace

std::string_view column_text(std::string_view line, int column) {
    const std::size_t end = std::min(line.find('\n'), line.size());
    line = line.substr(0, end);
    for (int c = 1; c < column; ++c) {
        const std::size_t comma = line.find(',');
        if (comma == std::string_view::npos) return {};
        line.remove_prefix(comma + 1);
    }
    return line.substr(0, line.find(','));
}

std::string printable(std::string_view text) {
    std::string out;
    for (const char c : text) {
        if (is_printable(c)) {
            out += c;
        } else if (c == '\t') {
            out += "\\t";
        } else {
            std::array<char, 8> escaped{};
            std::snprintf(escaped.data(), escaped.size(), "\\x%02X",
                          static_cast<unsigned>(static_cast<unsigned char>(c)));
            out += escaped.data();
        }
    }
    return out;
}

std::optional<CheckFailure> check_memory_file(MemoryFile& file) {
    const LineScan lines = scan_lines(file);
    if (lines.zero_byte_line != 0) {
        CheckFailure failure;
        failure.kind = Kind::zero_byte;
        failure.line_number = lines.zero_byte_line;
        return failure;
    }
    RowScan rows = scan_rows(file);
    if (lines.blank_before_row &&
        (!rows.failure || lines.blank_before_row->line_number < rows.failure->line_number)) {
        return lines.blank_before_row;
    }
    if (rows.failure) return rows.failure;
    if (!rows.any_row || !rows.any_frequency) {
        CheckFailure failure;
        failure.kind = rows.any_row ? Kind::no_frequencies : Kind::no_data_rows;
        return failure;
    }
    return std::nullopt;
}

std::string describe(const CheckFailure& failure) {
    std::string message;
    if (failure.kind == Kind::no_data_rows) {
        message =
            "Memory file has no data rows (a data row starts with a digit): nothing to write.\n";
    } else if (failure.kind == Kind::no_frequencies) {
        message =
            "Memory file has no data row with a frequency: it would only erase the radio's "
            "channels.\n";
    } else if (failure.kind == Kind::zero_byte) {
        message = "Memory file line " + std::to_string(failure.line_number) +
                  " holds a zero byte: it is not a text file (a program, a spreadsheet in its "
                  "own format, or text saved as UTF-16, say).\n"
                  "Save the channels as comma-separated text.\n";
    } else {
        const bool whole_line = failure.column == kLineColumn;
        message = "Memory file line " + std::to_string(failure.line_number) + ", column " +
                  std::to_string(failure.column) + std::string(column_name(failure.column)) +
                  ": \"" + (whole_line ? excerpt(failure.text) : printable(failure.text)) + "\"" +
                  field_message(failure);
    }
    message += "Nothing was sent to the radio.\n";
    return message;
}

}  // namespace quillmer::channels
