#pragma once
// Decimal numbers as a trace writes them ("27.278"), read without std::from_chars
// for double, which macOS's C++ library lacks, and without the locale's decimal
// point, which strtod would take.

#include <optional>
#include <string_view>

namespace quillmer::sim {

/// `text` as a number: digits with at most one point among or around them
/// ("12", "12.5", ".5", "5."), at most 15 digits in all. The result is the double
/// nearest to the decimal, as std::from_chars gives. nullopt for anything else:
/// empty, a lone point, a sign, an exponent, blanks, more digits.
std::optional<double> parse_decimal(std::string_view text);

}  // namespace quillmer::sim
