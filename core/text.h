#pragma once
// Small helpers over bytes of text, in one place for every floor above: ASCII
// digits, blanks, letter case and hexadecimal digits. They never look at the
// locale: a memory file means the same on every machine.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace quillmer::text {

/// '0' to '9' only.
constexpr bool is_digit(char c) {
    return c >= '0' && c <= '9';
}

/// Printable ASCII: 0x20 (space) to 0x7E ('~').
constexpr bool is_printable(char c) {
    return c >= 0x20 && c <= 0x7E;
}

/// The blanks of a field: space and tab.
inline constexpr std::string_view kBlanks = " \t";
/// White space at the ends of a line a user typed: blanks, line breaks, form feeds.
inline constexpr std::string_view kWhiteSpace = " \t\n\v\f\r";

/// The text without the characters of `blanks` at either end.
constexpr std::string_view trim(std::string_view text, std::string_view blanks = kBlanks) {
    const std::size_t first = text.find_first_not_of(blanks);
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

/// The text without the characters of `blanks` at its end.
constexpr std::string_view trim_end(std::string_view text, std::string_view blanks = kBlanks) {
    const std::size_t last = text.find_last_not_of(blanks);
    return last == std::string_view::npos ? std::string_view{} : text.substr(0, last + 1);
}

/// True when the text holds anything but blanks.
constexpr bool holds_text(std::string_view text) {
    return text.find_first_not_of(kBlanks) != std::string_view::npos;
}

/// 'A' to 'Z' as 'a' to 'z'; every other byte as it is.
constexpr char to_lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

/// 'a' to 'z' as 'A' to 'Z'; every other byte as it is.
constexpr char to_upper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

/// True when both texts hold the same bytes but for the letter case of A to Z.
constexpr bool equals_ignoring_case(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (to_lower(a[i]) != to_lower(b[i])) return false;
    }
    return true;
}

/// A byte as two upper-case hexadecimal digits: 0xFE as "FE".
constexpr std::array<char, 2> hex_digits(std::uint8_t byte) {
    constexpr std::string_view kDigits = "0123456789ABCDEF";
    return {kDigits[byte >> 4], kDigits[byte & 0x0F]};
}

/// Appends the bytes as hexadecimal pairs, one space between two: "FE FE 01".
inline void append_hex(std::string& out, std::span<const std::uint8_t> bytes) {
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (i > 0) out += ' ';
        const std::array<char, 2> digits = hex_digits(bytes[i]);
        out.append(digits.data(), digits.size());
    }
}

}  // namespace quillmer::text
