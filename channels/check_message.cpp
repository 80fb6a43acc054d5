// The messages of the memory file check, in English.
#include "channels/check_message.h"

#include <array>
#include <cstdint>

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

std::string_view column_name(int column) {
    switch (column) {
        case column::kFrequency:
            return " (frequency)";
        case column::kDuplex:
            return " (duplex)";
        case column::kOffset:
            return " (offset)";
        case column::kMode:
            return " (mode)";
        case column::kLabel:
            return " (name)";
        case column::kCall3:
            return " (call field 3)";
        case column::kCall2:
            return " (call field 2)";
        case column::kCall1:
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
           ", the name from " + std::to_string(column::kLabel) + " and call fields 3, 2 and 1 " +
           "from " + std::to_string(column::kCall3) + ", " + std::to_string(column::kCall2) +
           " and " + std::to_string(column::kCall1) + "; other columns are not read.\n";
}

std::string_view field_words(HeaderField field) {
    switch (field) {
        case HeaderField::frequency:
            return "the frequency";
        case HeaderField::duplex:
            return "the duplex";
        case HeaderField::offset:
            return "the offset";
        case HeaderField::mode:
            return "the mode";
        case HeaderField::name:
            return "the name";
        case HeaderField::call_sign:
            break;
    }
    return "call signs";
}

std::string header_message(const CheckFailure& failure) {
    const std::string start = "Memory file line " + std::to_string(failure.line_number) +
                              ", column " + std::to_string(failure.column) +
                              ": the header calls it \"" + printable(failure.text) + "\", but ";
    const HeaderField field = header_field(failure.text).value_or(HeaderField::call_sign);
    std::string where;
    if (field == HeaderField::call_sign) {
        where = "call signs are read from columns " + std::to_string(column::kCall3) + " to " +
                std::to_string(column::kCall1) + " only, and line " +
                std::to_string(failure.row_line) + ", a DV channel, holds one there: it would " +
                "not be sent.\n";
    } else {
        const int column = field == HeaderField::frequency ? column::kFrequency
                           : field == HeaderField::duplex  ? column::kDuplex
                           : field == HeaderField::offset  ? column::kOffset
                           : field == HeaderField::mode    ? column::kMode
                                                           : column::kLabel;
        where = std::string(field_words(field)) + " is read from column " + std::to_string(column) +
                ".\n";
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
        message += "column " + std::to_string(failure.column) +
                   std::string(column_name(failure.column)) + ", \"" + excerpt(failure.text) +
                   "\", reaches past character " + std::to_string(kLineChars) +
                   " and would be cut short or lost.\n";
    }
    return message + "Shorten the line: remove text from the columns this program does not read (" +
           std::to_string(column::kOffset + 1) + ", " + std::to_string(column::kLabel + 1) +
           " to " + std::to_string(column::kCall3 - 1) + ", and " +
           std::to_string(column::kLast + 1) + " onward), such as a long comment.\n";
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

std::string describe(const CheckFailure& failure) {
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
                  std::to_string(failure.column) + std::string(column_name(failure.column)) +
                  ": \"" + (whole_line ? excerpt(failure.text) : printable(failure.text)) + "\"" +
                  field_message(failure);
    }
    message += "Nothing was sent to the radio.\n";
    return message;
}

}  // namespace quillmer::channels
