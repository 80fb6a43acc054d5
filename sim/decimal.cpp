#include "sim/decimal.h"

#include <array>
#include <cstdint>

namespace quillmer::sim {

std::optional<double> parse_decimal(std::string_view text) {
    // Up to 15 digits the digits make an integer that a double holds exactly,
    // and so does the power of ten below it: one division then rounds once, to
    // the nearest double.
    constexpr std::size_t kMaxDigits = 15;
    constexpr std::array<double, kMaxDigits + 1> kPowersOfTen{
        1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
    std::uint64_t digits = 0;
    std::size_t count = 0;
    std::size_t decimals = 0;
    bool point = false;
    for (const char c : text) {
        if (c == '.' && !point) {
            point = true;
        } else if (c >= '0' && c <= '9' && count < kMaxDigits) {
            digits = digits * 10 + static_cast<std::uint64_t>(c - '0');
            ++count;
            if (point) ++decimals;
        } else {
            return std::nullopt;
        }
    }
    if (count == 0) return std::nullopt;
    return static_cast<double>(digits) / kPowersOfTen[decimals];
}

}  // namespace quillmer::sim
