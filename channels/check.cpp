#include "channels/check.h"

#include <string_view>

#include "channels/reader.h"

namespace quillmer::channels {

namespace {

// The frame holds four digits of megahertz for a frequency and two for an
// offset; more would be cut without a word.
constexpr int kFrequencyDigits = 4;
constexpr int kOffsetDigits = 2;
constexpr int kFrequencyColumn = 2;
constexpr int kOffsetColumn = 4;
// The characters the channel row keeps of each, and the fraction digits the
// frame has room for (down to hertz).
constexpr std::size_t kFrequencyKept = 10;
constexpr std::size_t kOffsetKept = 8;
constexpr std::size_t kFractionDigitsKept = 6;

bool is_digit(char c) {
    return c >= '0' && c <= '9';
}

/// Spaces, at most `max_integer_digits` digits, then optionally a point, digits
/// and spaces; at least one digit in all. The encoder turns every character
/// before the point into a digit, so a space after the integer digits would
/// multiply the number by ten, and any other character would write a wrong one.
bool is_plain_decimal(std::string_view text, int max_integer_digits) {
    std::size_t i = 0;
    const auto skip = [&](auto&& accept) {
        int count = 0;
        while (i < text.size() && accept(text[i])) {
            ++i;
            ++count;
        }
        return count;
    };
    skip([](char c) { return c == ' '; });
    const int integer_digits = skip(is_digit);
    int fraction_digits = 0;
    if (i < text.size() && text[i] == '.') {
        ++i;
        fraction_digits = skip(is_digit);
        skip([](char c) { return c == ' '; });
    }
    return i == text.size() && integer_digits <= max_integer_digits &&
           integer_digits + fraction_digits > 0;
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

/// Nothing when the field is empty or a plain decimal number that the channel
/// row keeps whole.
std::optional<CheckFailure> check_field(const RawRow& raw, std::string_view field, int column,
                                        int max_integer_digits, std::size_t kept) {
    if (field.empty()) return std::nullopt;
    CheckFailure failure;
    if (!is_plain_decimal(field, max_integer_digits)) {
        failure.kind = CheckFailure::Kind::bad_number;
    } else if (cut_changes_number(field, kept)) {
        failure.kind = CheckFailure::Kind::cut_number;
    } else {
        return std::nullopt;
    }
    failure.line_number = raw.line_number;
    failure.column = column;
    failure.text = std::string(field);
    failure.semicolons = std::string_view(raw.line.data()).find(';') != std::string_view::npos;
    return failure;
}

/// The line of the file's first zero byte, 1 for the first line; 0 when it
/// holds none. No text file holds one, but programs, spreadsheets in their own
/// format and text saved as UTF-16 do. The reader ends a line at a zero byte,
/// so such a file would turn into rows without a frequency and erase channels
/// without a word.
int line_of_zero_byte(MemoryFile& file) {
    file.rewind();
    int line = 1;
    for (int c = file.get(); c != EOF; c = file.get()) {
        if (c == '\0') return line;
        if (c == '\n') ++line;
    }
    return 0;
}

}  // namespace

std::optional<CheckFailure> check_memory_file(MemoryFile& file) {
    if (const int line = line_of_zero_byte(file)) {
        file.rewind();
        CheckFailure failure;
        failure.kind = CheckFailure::Kind::zero_byte;
        failure.line_number = line;
        return failure;
    }
    file.rewind();
    Reader reader(file);
    std::optional<CheckFailure> failure;
    bool any_row = false;
    while (!failure && reader.next_row()) {
        any_row = true;
        const RawRow& raw = reader.raw();
        failure = check_field(raw, raw.frequency.data(), kFrequencyColumn, kFrequencyDigits,
                              kFrequencyKept);
        if (!failure) {
            failure =
                check_field(raw, raw.offset.data(), kOffsetColumn, kOffsetDigits, kOffsetKept);
        }
    }
    if (!failure && !any_row) {
        failure = CheckFailure{};
        failure->kind = CheckFailure::Kind::no_data_rows;
    }
    file.rewind();
    return failure;
}

std::string describe(const CheckFailure& failure) {
    std::string message;
    if (failure.kind == CheckFailure::Kind::no_data_rows) {
        message =
            "Memory file has no data rows (a data row starts with a digit): nothing to write.\n";
    } else if (failure.kind == CheckFailure::Kind::zero_byte) {
        message = "Memory file line " + std::to_string(failure.line_number) +
                  " holds a zero byte: it is not a text file (a program, a spreadsheet in its "
                  "own format, or text saved as UTF-16, say).\n"
                  "Save the channels as comma-separated text.\n";
    } else {
        const bool frequency = failure.column == kFrequencyColumn;
        message = "Memory file line " + std::to_string(failure.line_number) + ", column " +
                  std::to_string(failure.column) +
                  (frequency ? " (frequency): \"" : " (offset): \"") + failure.text + "\"";
        if (failure.kind == CheckFailure::Kind::cut_number) {
            message += " is longer than the " +
                       std::to_string(frequency ? kFrequencyKept : kOffsetKept) +
                       " characters kept, and cutting it would change the number.\n";
        } else {
            message += " is not a plain decimal number.\n";
        }
        message += frequency ? "A frequency is written in MHz with a point, such as 145.500000 "
                               "(at most 4 digits before the point).\n"
                             : "An offset is written in MHz with a point, such as 0.600000 "
                               "(at most 2 digits before the point).\n";
        if (failure.semicolons) {
            message +=
                "The file seems to use ';' between columns (a spreadsheet saved under a locale "
                "with decimal commas): save it with commas between columns and points in "
                "numbers.\n";
        }
    }
    message += "Nothing was sent to the radio.\n";
    return message;
}

}  // namespace quillmer::channels
