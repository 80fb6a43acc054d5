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

/// Nothing when the field is empty or a plain decimal number.
std::optional<CheckFailure> check_field(const RawRow& raw, std::string_view field, int column,
                                        int max_integer_digits) {
    if (field.empty() || is_plain_decimal(field, max_integer_digits)) return std::nullopt;
    CheckFailure failure;
    failure.kind = CheckFailure::Kind::bad_number;
    failure.line_number = raw.line_number;
    failure.column = column;
    failure.text = std::string(field);
    failure.semicolons = std::string_view(raw.line.data()).find(';') != std::string_view::npos;
    return failure;
}

}  // namespace

std::optional<CheckFailure> check_memory_file(MemoryFile& file) {
    file.rewind();
    Reader reader(file);
    std::optional<CheckFailure> failure;
    bool any_row = false;
    while (!failure && reader.next_row() == 0) {
        any_row = true;
        const RawRow& raw = reader.raw();
        failure = check_field(raw, raw.frequency.data(), kFrequencyColumn, kFrequencyDigits);
        if (!failure) failure = check_field(raw, raw.offset.data(), kOffsetColumn, kOffsetDigits);
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
    } else {
        const bool frequency = failure.column == kFrequencyColumn;
        message = "Memory file line " + std::to_string(failure.line_number) + ", column " +
                  std::to_string(failure.column) +
                  (frequency ? " (frequency): \"" : " (offset): \"") + failure.text +
                  "\" is not a plain decimal number.\n";
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
