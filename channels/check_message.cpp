// The messages of the memory file check, in English.
#include "channels/check_message.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <functional>
#include <set>

#include "channels/header.h"
#include "channels/memory_file.h"
#include "core/text.h"

namespace quillmer::channels {

namespace {

using Kind = CheckFailure::Kind;

// Of a line shown in a message; the rest is left out.
constexpr std::size_t kExcerptChars = 40;

/// The line cut for a message: the line, or its first characters and "...".
std::string excerpt(std::string_view line) {
    if (line.size() <= kExcerptChars) return printable(line);
    return printable(line.substr(0, kExcerptChars)) + "...";
}

/// " (frequency)" and the like for a column read, nothing for another.
std::string column_name(int column) {
    const auto field = field_read_from(column);
    return field ? " (" + std::string(field_name(*field)) + ")" : "";
}

/// "the frequency", "the name", "UR" and the like.
std::string field_words(HeaderField field) {
    return (is_call_sign(field) ? "" : "the ") + std::string(field_name(field));
}

constexpr std::string_view kSemicolonHint =
    "The file seems to use ';' between columns (a spreadsheet saved under a locale "
    "with decimal commas): save it with commas between columns and points in "
    "numbers.\n";

/// The lines after "Memory file line L, column C (name): "TEXT"".
std::string field_message(const CheckFailure& failure) {
    const bool frequency = failure.column == column::kFrequency;
    const std::string number_rule =
        (frequency ? "A frequency is written in MHz with a point, such as 145.500000 (at most "
                   : "An offset is written in MHz with a point, such as 0.600000 (at most ") +
        std::to_string(frequency ? kFrequencyIntegerDigits : kOffsetIntegerDigits) +
        " digits before the point).\n";
    const std::string semicolon_hint = failure.semicolons ? std::string(kSemicolonHint) : "";
    switch (failure.kind) {
        case Kind::bad_number:
            return " is not a plain decimal number.\n" + number_rule + semicolon_hint;
        case Kind::too_many_digits:
            return " has too many digits before the point (zeros in front count too).\n" +
                   number_rule + semicolon_hint;
        case Kind::cut_number:
            return " is longer than the " +
                   std::to_string(frequency ? kFrequencyChars : kOffsetChars) +
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
        case Kind::unknown_duplex: {
            std::string message =
                " is not a duplex the radio knows; it would be written as simplex.\n"
                "Duplex is written DUP+ or DUP- (as the radio reads it: any text whose fourth "
                "character is + or -), and OFF or nothing for simplex.\n";
            if (!failure.comma_number.empty()) {
                message += "Columns " + std::to_string(column::kFrequency) + " and " +
                           std::to_string(column::kDuplex) + " together, \"" +
                           printable(failure.comma_number) +
                           "\", look like a number written with a comma: write frequencies "
                           "with a point and without a thousands separator (145.5, 1297.5).\n";
            }
            return message;
        }
        case Kind::zero_frequency:
            return " is zero: the radio would get a channel at 0 Hz.\n"
                   "To erase a channel, leave its frequency empty.\n";
        case Kind::quoted_row:
            return " starts with a quotation mark: it would be skipped (a data row starts with "
                   "a digit), and every later row would move up one channel.\n"
                   "Quotation marks are no part of the format. Save the file without quotation "
                   "marks around fields.\n";
        case Kind::blank_before_row:
            return " starts with blanks before its channel number: it would be skipped, and "
                   "every later row would move up one channel.\n"
                   "Remove the blanks at the start of the line.\n";
        case Kind::unnumbered_row:
            return " does not start with a digit, but holds a frequency in column " +
                   std::to_string(column::kFrequency) +
                   ": it would be skipped, and every later row would move up one channel.\n"
                   "A data row must start with its channel number; to leave a channel out on "
                   "purpose, start its line with #.\n";
        case Kind::not_ascii:
            return " holds a character the radio cannot show.\n"
                   "Names and call fields may hold only ASCII letters, digits, spaces and "
                   "signs (no accents, no Japanese characters) in their first " +
                   std::to_string(kNameChars) + " characters.\n";
        case Kind::no_data_rows:
        case Kind::no_frequencies:
        case Kind::zero_byte:
        case Kind::carriage_returns:
        case Kind::long_line_row:
        case Kind::long_line_cut:
        case Kind::header_column:
        case Kind::too_large:
            break;
    }
    return "\n";
}

/// Where this program reads each field, for a file laid out otherwise.
std::string layout_sentence() {
    return "This program reads the frequency from column " + std::to_string(column::kFrequency) +
           ", the duplex from " + std::to_string(column::kDuplex) + ", the offset from " +
           std::to_string(column::kOffset) + ", the mode from " + std::to_string(column::kMode) +
           ", the name from " + std::to_string(column::kLabel) +
           " and the call signs UR, RPT1 and RPT2 from " + std::to_string(column::kUr) + ", " +
           std::to_string(column::kRpt1) + " and " + std::to_string(column::kRpt2) +
           " (the order of the maker's exports, not yet confirmed on a radio); other columns "
           "are not read.\n";
}

std::string header_message(const CheckFailure& failure) {
    const std::string start = "Memory file line " + std::to_string(failure.line_number) +
                              ", column " + std::to_string(failure.column) +
                              ": the header calls it \"" + printable(failure.text) + "\", but ";
    const HeaderField field = header_field(failure.text).value_or(HeaderField::other);
    const auto read_here = field_read_from(failure.column);
    const std::string row = ", and line " + std::to_string(failure.row_line);
    std::string where;
    if (field == HeaderField::other) {
        where = "this program reads column " + std::to_string(failure.column) + " as " +
                field_words(read_here.value_or(field)) + row +
                " holds a value there: it would reach the radio as " +
                field_words(read_here.value_or(field)) + ".\n";
    } else if (is_call_sign(field)) {
        where = field_words(field) + " is read from column " + std::to_string(column_of(field)) +
                row + ", a DV channel, holds one there: it would " +
                (read_here ? "be sent as " + field_words(*read_here) : std::string("not be sent")) +
                ".\n";
    } else {
        where =
            field_words(field) + " is read from column " + std::to_string(column_of(field)) + ".\n";
    }
    return start + where +
           "The file is laid out for another radio or program: move its columns to where this "
           "program reads them, or export it again in this layout. " +
           layout_sentence();
}

std::string long_line_message(const CheckFailure& failure) {
    std::string message = "Memory file line " + std::to_string(failure.line_number) + " is " +
                          std::to_string(failure.line_length) +
                          " characters long, and a line is read in pieces of " +
                          std::to_string(kLineChars) + ": ";
    if (failure.kind == Kind::long_line_row) {
        message += "the piece from character " + std::to_string(failure.piece_start) +
                   " on starts with a digit (\"" + excerpt(failure.text) +
                   "\") and would be written as a channel of its own, and every later row "
                   "would move down one channel.\n";
    } else {
        message += "column " + std::to_string(failure.column) + column_name(failure.column) +
                   ", \"" + excerpt(failure.text) + "\", reaches past character " +
                   std::to_string(kLineChars) + " and would be cut short or lost.\n";
    }
    return message + "Shorten the line: remove text from the columns this program does not read (" +
           std::to_string(column::kOffset + 1) + ", " + std::to_string(column::kLabel + 1) +
           " to " + std::to_string(column::kUr - 1) + ", and " + std::to_string(column::kLast + 1) +
           " onward), such as a long comment.\n";
}

}  // namespace

std::string printable(std::string_view text) {
    std::string out;
    for (const char c : text) {
        if (text::is_printable(c)) {
            out += c;
        } else if (c == '\t') {
            out += "\\t";
        } else {
            const std::array<char, 2> digits = text::hex_digits(static_cast<std::uint8_t>(c));
            out += "\\x";
            out.append(digits.data(), digits.size());
        }
    }
    return out;
}

namespace {

constexpr std::string_view kNothingSent = "Nothing was sent to the radio.\n";

/// The message for one failure, without the closing line.
std::string explain(const CheckFailure& failure) {
    std::string message;
    if (failure.kind == Kind::no_data_rows) {
        message =
            "Memory file has no data rows (a data row starts with a digit): nothing to write.\n";
    } else if (failure.kind == Kind::no_frequencies) {
        message =
            "Memory file has no data row with a frequency: it would only erase the radio's "
            "channels.\n";
    } else if (failure.kind == Kind::carriage_returns) {
        message = "Memory file line " + std::to_string(failure.line_number) +
                  " ends in a carriage return alone, as do the lines after it (a spreadsheet's "
                  "\"CSV (Macintosh)\", say): read as text, they would all be one line.\n"
                  "Save the file with ordinary line ends (a line feed, or a carriage return and "
                  "a line feed), as \"CSV\" or \"CSV UTF-8\".\n";
    } else if (failure.kind == Kind::long_line_row || failure.kind == Kind::long_line_cut) {
        message = long_line_message(failure);
    } else if (failure.kind == Kind::header_column) {
        message = header_message(failure);
    } else if (failure.kind == Kind::too_large) {
        message = "Memory file is larger than " + std::to_string(kMostFileBytes >> 20) +
                  " MiB, far more than " + std::to_string(kMemoryChannels) +
                  " channels take: it is not a memory file.\n";
    } else if (failure.kind == Kind::zero_byte) {
        message = "Memory file line " + std::to_string(failure.line_number) +
                  " holds a zero byte: it is not a text file (a program, a spreadsheet in its "
                  "own format, or text saved as UTF-16, say).\n"
                  "Save the channels as comma-separated text.\n";
    } else {
        const bool whole_line = failure.column == CheckFailure::kWholeLine;
        message = "Memory file line " + std::to_string(failure.line_number) + ", column " +
                  std::to_string(failure.column) + column_name(failure.column) + ": \"" +
                  (whole_line ? excerpt(failure.text) : printable(failure.text)) + "\"" +
                  field_message(failure);
    }
    return message;
}

}  // namespace

std::string describe(const CheckFailure& failure) {
    return explain(failure) + std::string(kNothingSent);
}

std::string describe(const std::vector<CheckFailure>& failures) {
    constexpr std::size_t kListed = 20;
    std::string message;
    // A failure's first line names its line; the advice after it is given once.
    std::set<std::string, std::less<>> advised;
    for (std::size_t i = 0; i < std::min(failures.size(), kListed); ++i) {
        const std::string text = explain(failures[i]);
        const auto line_end = [&text](std::size_t from) {
            return std::min(text.find('\n', from), text.size() - 1) + 1;
        };
        message += text.substr(0, line_end(0));
        for (std::size_t start = line_end(0); start < text.size(); start = line_end(start)) {
            const std::string line = text.substr(start, line_end(start) - start);
            if (advised.insert(line).second) message += line;
        }
    }
    if (failures.size() > kListed) {
        const std::size_t more = failures.size() - kListed;
        message += "And " + std::to_string(more) + (more == 1 ? " more line" : " more lines") +
                   " at fault, not shown here.\n";
    }
    return message + std::string(kNothingSent);
}

}  // namespace quillmer::channels
