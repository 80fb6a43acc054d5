#include "channels/other_values.h"

#include <algorithm>
#include <array>
#include <utility>

#include "channels/check_message.h"
#include "channels/layout.h"
#include "core/text.h"

namespace quillmer::channels {

namespace {

constexpr int kDecimals = 6;           // down to hertz
constexpr int kMostIntegerDigits = 6;  // far above any radio, below overflow

std::string upper(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(), text::to_upper);
    return out;
}

}  // namespace

std::string quoted(std::string_view text) {
    constexpr std::size_t kShown = 40;
    // Appended piece by piece: MinGW's GCC 12 at -O3 takes "\"" + string for an
    // overlapping copy.
    std::string shown = "\"";
    shown += printable(text.substr(0, kShown));
    shown += text.size() > kShown ? "...\"" : "\"";
    return shown;
}

Megahertz read_megahertz(std::string_view text, bool decimal_comma) {
    const std::string_view number = text::trim(text);
    const char point = decimal_comma ? ',' : '.';
    const std::size_t at = number.find(point);
    const std::string_view whole = number.substr(0, at);
    const std::string_view fraction =
        at == std::string_view::npos ? std::string_view{} : number.substr(at + 1);
    const auto digits_only = [](std::string_view s) {
        return std::all_of(s.begin(), s.end(), text::is_digit);
    };
    Megahertz result;
    if (!digits_only(whole) || !digits_only(fraction) ||
        (whole.empty() && fraction.empty() && !number.empty())) {
        result.fault = quoted(text) + " is no number of megahertz";
        return result;
    }
    const std::size_t first = whole.find_first_not_of('0');
    if (first != std::string_view::npos && whole.size() - first > kMostIntegerDigits) {
        result.fault = std::string(number) + " MHz is far above what a radio receives";
        return result;
    }
    if (fraction.size() > kDecimals &&
        fraction.find_first_not_of('0', kDecimals) != std::string_view::npos) {
        result.fault = std::string(number) + " MHz has digits below 1 Hz, which the radio lacks";
        return result;
    }
    for (const char c : whole) result.hertz = result.hertz * 10 + (c - '0');
    for (int i = 0; i < kDecimals; ++i) {
        const auto k = static_cast<std::size_t>(i);
        result.hertz = result.hertz * 10 + (k < fraction.size() ? fraction[k] - '0' : 0);
    }
    return result;
}

std::string megahertz_text(std::int64_t hertz, std::size_t chars) {
    std::string fraction = std::to_string(1'000'000 + hertz % 1'000'000).substr(1);
    std::string out = std::to_string(hertz / 1'000'000) + "." + fraction;
    while (out.size() > chars && out.back() == '0') out.pop_back();
    if (out.back() == '.') out.pop_back();
    return out.size() > chars ? std::string{} : out;
}

DuplexWord duplex_word(std::string_view text, bool off_is_transmit_off) {
    const std::string word = upper(text::trim(text));
    if (word.empty()) return DuplexWord::simplex;
    if (word == "OFF") return off_is_transmit_off ? DuplexWord::transmit_off : DuplexWord::simplex;
    if (word == "+" || word == "DUP+") return DuplexWord::plus;
    if (word == "-" || word == "DUP-") return DuplexWord::minus;
    if (word == "SPLIT") return DuplexWord::split;
    return DuplexWord::unknown;
}

ModeWord mode_word(std::string_view text) {
    using Note = ModeWord::Note;
    static constexpr std::array<std::pair<std::string_view, ModeWord>, 8> kWords{{
        {"FM", {"FM"}},
        {"NFM", {"FM-N"}},
        {"FM-N", {"FM-N"}},
        {"AM", {"AM"}},
        {"NAM", {"AM", Note::narrow_am}},
        {"AM-N", {"AM", Note::narrow_am}},
        {"DV", {"DV"}},
        {"AUTO", {"AUTO", Note::automatic}},
    }};
    const std::string word = upper(text::trim(text));
    for (const auto& [known, mode] : kWords) {
        if (word == known) return mode;
    }
    return {};
}

CallSign call_sign(std::string_view text) {
    CallSign call;
    const std::string sign = upper(text::trim_end(text));
    const bool allowed = std::all_of(sign.begin(), sign.end(), [](char c) {
        return text::is_digit(c) || (c >= 'A' && c <= 'Z') || c == ' ' || c == '/';
    });
    if (sign.size() > kNameChars) {
        call.fault = "call sign " + quoted(text) + " is longer than 8 characters";
    } else if (!allowed) {
        call.fault =
            "call sign " + quoted(text) + " holds characters other than A-Z, 0-9, blank and /";
    } else {
        call.text = sign;
    }
    return call;
}

}  // namespace quillmer::channels
