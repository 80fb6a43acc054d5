#include "sim/trace_file.h"

#include <charconv>
#include <fstream>
#include <sstream>

#include "sim/decimal.h"

namespace quillmer::sim {
namespace {

std::optional<int> hex_digit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return std::nullopt;
}

/// The first word of `rest` and what follows its single separating space.
std::string_view take_word(std::string_view& rest) {
    const std::size_t space = rest.find(' ');
    const std::string_view word = rest.substr(0, space);
    rest = space == std::string_view::npos ? std::string_view{} : rest.substr(space + 1);
    return word;
}

/// The bytes and name of a `>` or `<` event after its speed: "FE FD  NAME".
bool read_bytes(std::string_view rest, TraceEvent& event, std::string& why) {
    const std::size_t names_at = rest.find("  ");
    const std::string_view hex = rest.substr(0, names_at);
    if (names_at != std::string_view::npos) event.text = std::string(rest.substr(names_at + 2));
    for (std::size_t i = 0; i < hex.size(); i += 3) {
        const auto high = hex_digit(hex[i]);
        const auto low = i + 1 < hex.size() ? hex_digit(hex[i + 1]) : std::nullopt;
        const bool separated = i + 2 >= hex.size() || hex[i + 2] == ' ';
        if (!high || !low || !separated) {
            why = "bytes must be two hex digits each, separated by single spaces";
            return false;
        }
        event.bytes.push_back(static_cast<std::uint8_t>(*high * 16 + *low));
    }
    if (event.bytes.empty()) {
        why = "no bytes";
        return false;
    }
    return true;
}

std::optional<TraceEvent> read_event(std::string_view line, std::string& why) {
    TraceEvent event;
    std::string_view rest = line;
    const auto ms = parse_decimal(take_word(rest));
    if (!ms) {
        why = "it does not start with the milliseconds since the start";
        return std::nullopt;
    }
    event.ms = *ms;
    event.text = std::string(rest);
    std::string_view after = rest;
    const std::string_view what = take_word(after);
    if (what == ">" || what == "<") {
        event.kind = what == ">" ? TraceEvent::Kind::sent : TraceEvent::Kind::received;
        const std::string_view speed = take_word(after);
        const auto [end, ec] =
            std::from_chars(speed.data(), speed.data() + speed.size(), event.speed);
        if (ec != std::errc() || end != speed.data() + speed.size() || event.speed <= 0) {
            why = "no line speed after " + std::string(what);
            return std::nullopt;
        }
        event.text.clear();
        if (!read_bytes(after, event, why)) return std::nullopt;
    } else if (what == "key") {
        event.kind = TraceEvent::Kind::key;
        event.text = std::string(after);
    } else if (what == "gone") {
        event.kind = TraceEvent::Kind::gone;
    }
    return event;
}

}  // namespace

std::optional<Trace> parse_trace(std::string_view text, std::string& error) {
    Trace trace;
    int number = 0;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
        ++number;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.empty()) continue;
        if (line.front() == '#') {
            trace.header.emplace_back(line.substr(1));
            continue;
        }
        std::string why;
        auto event = read_event(line, why);
        if (!event) {
            error = "line " + std::to_string(number) + ": " + why;
            return std::nullopt;
        }
        event->line = number;
        trace.events.push_back(std::move(*event));
    }
    return trace;
}

std::optional<Trace> read_trace_file(const std::string& path, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot read " + path;
        return std::nullopt;
    }
    std::ostringstream text;
    text << in.rdbuf();
    auto trace = parse_trace(text.str(), error);
    if (!trace) error = path + ", " + error;
    return trace;
}

}  // namespace quillmer::sim
