#include "channels/check.h"

#include <algorithm>
#include <array>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "channels/columns.h"
#include "channels/header.h"
#include "channels/line_check.h"
#include "channels/reader.h"
#include "channels/row_fields.h"
#include "core/text.h"

namespace quillmer::channels {

namespace {

using Kind = CheckFailure::Kind;

using text::is_digit;

/// Without the spaces at either end; tabs stay.
std::string_view trimmed(std::string_view text) {
    return text::trim(text, " ");
}

/// What is wrong with a number field, if anything.
enum class NumberFault { none, bad, too_many_digits };

/// What a number column may hold: the digits before the point that the frame
/// has room for (more would be cut without a word), the characters the channel
/// row keeps, and
/// whether blanks alone pass (the encoder writes them as zero).
struct NumberRule {
    int max_integer_digits = 0;
    std::size_t kept = 0;
    bool blanks_are_zero = false;
};
constexpr NumberRule kFrequencyRule{.max_integer_digits = kFrequencyIntegerDigits,
                                    .kept = kFrequencyChars};
constexpr NumberRule kOffsetRule{
    .max_integer_digits = kOffsetIntegerDigits, .kept = kOffsetChars, .blanks_are_zero = true};

/// Spaces, at most the rule's integer digits, then optionally a point, digits
/// and spaces; at least one digit in all. The encoder turns every character
/// before the point into a digit, so a space after the integer digits would
/// multiply the number by ten, and any other character would write a wrong one.
NumberFault number_fault(std::string_view text, const NumberRule& rule) {
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
    if (rule.blanks_are_zero && static_cast<std::size_t>(leading_spaces) == text.size()) {
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
    if (integer_digits > rule.max_integer_digits) return NumberFault::too_many_digits;
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
        if (i - point - 1 < static_cast<std::size_t>(kFractionDigits) && text[i] != '0') {
            return true;
        }
    }
    return false;
}

/// Nothing when the field is empty or a plain decimal number that the channel
/// row keeps whole.
std::optional<Kind> number_failure(std::string_view field, const NumberRule& rule) {
    if (field.empty()) return std::nullopt;
    switch (number_fault(field, rule)) {
        case NumberFault::bad:
            return Kind::bad_number;
        case NumberFault::too_many_digits:
            return Kind::too_many_digits;
        case NumberFault::none:
            break;
    }
    if (cut_changes_number(field, rule.kept)) return Kind::cut_number;
    return std::nullopt;
}

/// A mode that the encoder writes as FM must say FM (in any letter case, with
/// blanks around it): "dv", "D-STAR" or "WFM" would become FM without a word.
bool mode_says_what_it_gets(std::string_view kept) {
    if (mode_of(kept) != Mode::fm) return true;
    const std::string_view mode = trimmed(kept);
    return mode.empty() || text::equals_ignoring_case(mode, "FM");
}

/// A name or call field as the radio gets it, without the padding.
std::string_view kept_name(const ChannelRow::Name& name) {
    return text::trim_end(name.data(), " ");
}

/// A data row as the column checks see it.
struct RowSeen {
    const RawRow& raw;
    const ChannelRow& row;
};

/// What one column of a row holds against it: its kind, and the text the
/// message shows.
struct ColumnFault {
    Kind kind;
    std::string_view text;
};

/// The check of one column, given the column's text as the file holds it.
using ColumnCheck = std::optional<ColumnFault> (*)(const RowSeen& seen, std::string_view text);

/// A plain number whose digits are all zero.
bool is_zero(std::string_view number) {
    return std::none_of(number.begin(), number.end(), [](char c) { return c >= '1' && c <= '9'; });
}

std::optional<ColumnFault> check_frequency(const RowSeen& seen, std::string_view /*text*/) {
    const std::string_view field = seen.raw.frequency;
    if (const auto kind = number_failure(field, kFrequencyRule)) return ColumnFault{*kind, field};
    // A channel at 0 Hz; an erased channel has an empty frequency.
    if (!field.empty() && is_zero(field)) return ColumnFault{Kind::zero_frequency, field};
    return std::nullopt;
}

std::optional<ColumnFault> check_offset(const RowSeen& seen, std::string_view /*text*/) {
    const std::string_view field = seen.raw.offset;
    if (const auto kind = number_failure(field, kOffsetRule)) return ColumnFault{*kind, field};
    return std::nullopt;
}

/// The encoder takes the duplex from the fourth character alone; anything that
/// gives simplex must say so: empty, or OFF in any letter case. "Minus", "DUP",
/// "SIMPLEX" or "500" would be written as simplex without a word.
std::optional<ColumnFault> check_duplex(const RowSeen& seen, std::string_view text) {
    if (duplex_of(seen.row.duplex.data()) != Duplex::off) return std::nullopt;
    const std::string_view duplex = trimmed(text);
    if (duplex.empty() || text::equals_ignoring_case(duplex, "OFF")) return std::nullopt;
    return ColumnFault{Kind::unknown_duplex, text};
}

bool is_plain_number(std::string_view text) {
    return !text.empty() && std::all_of(text.begin(), text.end(), is_digit);
}

/// Columns 2 and 3 as one number written with a comma, as a spreadsheet under
/// a decimal-comma locale or with thousands separators writes it ("145,500",
/// "1,297.5"); empty when they do not read so.
std::string comma_number(std::string_view line) {
    const std::string_view whole = trimmed(column_text(line, column::kFrequency));
    const std::string_view rest = trimmed(column_text(line, column::kDuplex));
    const std::size_t point = rest.find('.');
    const bool rest_is_number =
        is_plain_number(rest.substr(0, point)) &&
        (point == std::string_view::npos ||
         std::all_of(rest.begin() + static_cast<std::ptrdiff_t>(point) + 1, rest.end(), is_digit));
    if (whole.size() > 4 || !is_plain_number(whole) || !rest_is_number) return {};
    return std::string(whole) + "," + std::string(rest);
}

std::optional<ColumnFault> check_mode(const RowSeen& seen, std::string_view text) {
    if (mode_says_what_it_gets(seen.row.mode.data())) return std::nullopt;
    return ColumnFault{Kind::unknown_mode, text};
}

/// The radio shows printable ASCII only.
template <ChannelRow::Name ChannelRow::*Name>
std::optional<ColumnFault> check_name(const RowSeen& seen, std::string_view /*text*/) {
    const std::string_view kept = kept_name(seen.row.*Name);
    if (std::all_of(kept.begin(), kept.end(), text::is_printable)) return std::nullopt;
    return ColumnFault{Kind::not_ascii, kept};
}

struct ColumnRule {
    int column;
    ColumnCheck check;
};

/// The columns a data row is checked in, in this order.
constexpr std::array<ColumnRule, 8> kColumnRules{{
    {column::kFrequency, check_frequency},
    {column::kDuplex, check_duplex},
    {column::kOffset, check_offset},
    {column::kMode, check_mode},
    {column::kLabel, check_name<&ChannelRow::label>},
    {column::kUr, check_name<&ChannelRow::ur>},
    {column::kRpt1, check_name<&ChannelRow::rpt1>},
    {column::kRpt2, check_name<&ChannelRow::rpt2>},
}};
static_assert(
    [] {
        for (std::size_t i = 0; i < kColumnRules.size(); ++i) {
            if (kColumnRules[i].column != column::kRead[i]) return false;
        }
        return kColumnRules.size() == column::kRead.size();
    }(),
    "every column read is checked, in the order of the layout");

/// The first failure of one data row, its columns in order.
std::optional<CheckFailure> check_row(const RawRow& raw, const ChannelRow& row) {
    const std::string_view line = raw.line;
    const auto fail = [&](Kind kind, int column, std::string_view text) {
        return failure_at(kind, raw.line_number, line, column, text);
    };
    if (line.find(',') == std::string_view::npos) {
        return fail(Kind::no_commas, CheckFailure::kWholeLine, line);
    }
    const RowSeen seen{raw, row};
    for (const ColumnRule& rule : kColumnRules) {
        const std::string_view text = column_text(line, rule.column);
        // The reader knows no quoting: the marks would be part of the field.
        if (text.starts_with('"')) return fail(Kind::quoted_field, rule.column, text);
        if (const auto fault = rule.check(seen, text)) {
            CheckFailure failure = fail(fault->kind, rule.column, fault->text);
            if (fault->kind == Kind::unknown_duplex) failure.comma_number = comma_number(line);
            return failure;
        }
    }
    return std::nullopt;
}

/// The rows' failures, one for each row at fault, and what the header's check
/// needs of the rows.
struct RowScan {
    std::vector<CheckFailure> failures;
    bool any_row = false;
    bool any_frequency = false;
    int columns = 0;  ///< the most columns a data row uses
    /// For each misplaced column: the first row that uses it, 0 for none.
    std::vector<int> use_lines;
};

/// True when the row holds a value in the column that reaches the radio as
/// what the header names there: call signs count on DV rows only, which send
/// them.
bool uses(const MisplacedColumn& m, std::string_view line, const ChannelRow& row) {
    if (!text::holds_text(column_text(line, m.column))) return false;
    return !is_call_sign(m.field) || mode_of(row.mode.data()) == Mode::dv;
}

RowScan scan_rows(const MemoryFile& file, const std::vector<MisplacedColumn>& misplaced) {
    RowScan scan;
    scan.use_lines.assign(misplaced.size(), 0);
    Reader reader(file);
    while (reader.next_row()) {
        const std::string_view line = reader.raw().line;
        scan.any_row = true;
        if (!frequency_is_empty(reader.row())) scan.any_frequency = true;
        scan.columns = std::max(scan.columns, columns_used(line));
        for (std::size_t i = 0; i < misplaced.size(); ++i) {
            if (scan.use_lines[i] == 0 && uses(misplaced[i], line, reader.row())) {
                scan.use_lines[i] = reader.raw().line_number;
            }
        }
        if (auto failure = check_row(reader.raw(), reader.row())) {
            scan.failures.push_back(std::move(*failure));
        }
    }
    return scan;
}

/// A header that names its columns (no fewer than the rows use) and puts a
/// field where this program does not read it (the file is laid out for another
/// radio or program), or names something else where it reads one. A call sign
/// column, or one of something else, counts only where a row uses it.
std::optional<CheckFailure> header_failure(const Header& header,
                                           const std::vector<MisplacedColumn>& misplaced,
                                           const RowScan& rows) {
    if (header.line_number == 0 || header.columns < rows.columns) return std::nullopt;
    for (std::size_t i = 0; i < misplaced.size(); ++i) {
        const MisplacedColumn& m = misplaced[i];
        const bool needs_use = is_call_sign(m.field) || m.field == HeaderField::other;
        if (needs_use && rows.use_lines[i] == 0) continue;
        CheckFailure failure =
            failure_at(Kind::header_column, header.line_number, header.text, m.column, m.name);
        failure.row_line = rows.use_lines[i];
        return failure;
    }
    return std::nullopt;
}

}  // namespace

CheckFailure failure_at(CheckFailure::Kind kind, int line_number, std::string_view line, int column,
                        std::string_view text) {
    CheckFailure failure;
    failure.kind = kind;
    failure.line_number = line_number;
    failure.column = column;
    failure.text = std::string(text);
    // Between the row's number and what follows, not in a comment further on.
    failure.semicolons = column_text(line, column::kNumber).find(';') != std::string_view::npos;
    failure.tabs = line.find('\t') != std::string_view::npos;
    return failure;
}

bool is_frequency(std::string_view field) {
    return !field.empty() && !number_failure(field, kFrequencyRule) && !is_zero(field);
}

std::vector<CheckFailure> file_failures(const MemoryFile& file) {
    // No text file holds a zero byte, but programs, spreadsheets in their own
    // format and text saved as UTF-16 do. The reader ends a line at one, so such
    // a file would turn into rows without a frequency and erase channels.
    if (file.zero_byte_line() != 0) {
        CheckFailure failure;
        failure.kind = Kind::zero_byte;
        failure.line_number = file.zero_byte_line();
        return {failure};
    }
    // Lines that end in a carriage return alone are read as one, and every
    // other message would count lines and columns wrong. A stray one inside a
    // field is dropped harmlessly; a file whose lines end in them has more of
    // them than line feeds.
    if (file.lone_carriage_returns() > file.line_feeds()) {
        return {failure_at(Kind::carriage_returns, file.lone_carriage_return_line(), "", 0, "")};
    }

    const Header header = read_header(file);
    const std::vector<MisplacedColumn> misplaced = misplaced_columns(header);
    const RowScan rows = scan_rows(file, misplaced);
    // One failure for each line at fault; on one line, the line's own before
    // its row's, whose columns a long line's pieces would count wrong.
    std::vector<CheckFailure> failures = line_failures(file);
    if (auto failure = header_failure(header, misplaced, rows)) failures.push_back(*failure);
    failures.insert(failures.end(), rows.failures.begin(), rows.failures.end());
    std::stable_sort(failures.begin(), failures.end(),
                     [](const auto& a, const auto& b) { return a.line_number < b.line_number; });
    const auto same_line = [](const auto& a, const auto& b) {
        return a.line_number == b.line_number;
    };
    failures.erase(std::unique(failures.begin(), failures.end(), same_line), failures.end());
    if (!failures.empty()) return failures;
    if (!rows.any_row || !rows.any_frequency) {
        CheckFailure failure;
        failure.kind = rows.any_row ? Kind::no_frequencies : Kind::no_data_rows;
        return {failure};
    }
    return {};
}

std::optional<CheckFailure> check_memory_file(const MemoryFile& file) {
    std::vector<CheckFailure> failures = file_failures(file);
    if (failures.empty()) return std::nullopt;
    return std::move(failures.front());
}

}  // namespace quillmer::channels
