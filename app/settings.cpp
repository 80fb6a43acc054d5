#include "app/settings.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <optional>
#include <utility>

#include "channels/check_message.h"
#include "channels/memory_file.h"
#include "console/terminal.h"
#include "core/text.h"
#include "serial/port.h"

namespace quillmer::app {

namespace {

// What a user may leave around a port: blanks, and the line breaks of the file.
constexpr std::string_view kBlanks = text::kWhiteSpace;

}  // namespace

std::string settings_path_for(std::string_view program_path) {
    const std::size_t separator = program_path.find_last_of("/\\");
    const std::size_t name_start = separator == std::string_view::npos ? 0 : separator + 1;
    const std::size_t dot = program_path.rfind('.');
    // A dot that starts the file name (".quillmer") marks a hidden file, not an
    // extension.
    if (dot != std::string_view::npos && dot > name_start)
        program_path = program_path.substr(0, dot);
    std::string path(program_path);
    path += ".ini";
    return path;
}

std::optional<long> read_number(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && kBlanks.find(text[i]) != std::string_view::npos) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    if (i >= text.size() || !text::is_digit(text[i])) return std::nullopt;
    // Wide enough everywhere: long has only 32 bits on Windows.
    long long value = 0;
    bool fits = true;
    for (; i < text.size() && text::is_digit(text[i]); ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > INT_MAX) {
            fits = false;
            value = INT_MAX;
        }
    }
    if (!fits) return 0;
    return static_cast<long>(negative ? -value : value);
}

void take_answer(std::string_view answer, AnswerOptions options, PortChoice& choice) {
    const bool too_long = options.too_long;
    choice.too_long = too_long;
    const std::string_view text =
        answer.substr(std::min(answer.size(), answer.find_first_not_of(kBlanks)));
    if (serial::is_device_path(text)) {
        choice.shown = text::trim_end(text, kBlanks);
        choice.path = too_long ? std::string() : choice.shown;
        return;
    }
    long shown = choice.number;
    if (too_long) {
        choice.path.clear();
    } else if (answer.empty() && options.empty_means_first) {
        // The first port, though the number read so far stays.
        choice.path = serial::port_path_for_number(1);
        shown = 1;
    } else {
        if (const auto number = read_number(answer)) choice.number = *number;
        choice.path = serial::port_path_for_number(choice.number);
        shown = choice.number;
    }
    choice.shown = std::to_string(shown);
}

std::optional<long> com_port_number(std::string_view line) {
    std::string_view text = text::trim(line, kBlanks);
    if (text.size() < 4 || !text::equals_ignoring_case(text.substr(0, 3), "com")) {
        return std::nullopt;
    }
    text.remove_prefix(3);
    if (text.back() == ':') text.remove_suffix(1);
    if (text.empty() || text.find_first_not_of("0123456789") != std::string_view::npos) {
        return std::nullopt;
    }
    return read_number(text);
}

std::string settings_line_hint(std::string_view line, const std::string& path) {
    const std::string_view text = text::trim(line, kBlanks);
    if (read_number(line) || serial::is_device_path(text) || com_port_number(line)) return {};
    const std::string example =
        serial::is_device_path("/dev/ttyUSB0") ? "/dev/ttyUSB0" : R"(\\.\COM12)";
    const std::string file = "The first line of " + path;
    if (text.empty()) {
        return file +
               " is empty: write the port on it, a number such as 3 or a device path such "
               "as " +
               example + ".\n";
    }
    std::string instead = "a port number such as 3, or a device path such as " + example;
    const std::string device = "/dev/" + std::string(text);
    if ((text.starts_with("tty") || text.starts_with("cu.")) && serial::is_device_path(device)) {
        instead = device;
    }
    return file + ", \"" + channels::printable(text) +
           "\", is neither a port number nor a device path: write " + instead + " instead.\n";
}

SettingsRead read_settings_line(const std::string& path, std::string& line, bool& too_long) {
    line.clear();
    too_long = false;
    // Read as the memory file is, in the same text mode; its first line alone counts.
    bool more = false;
    std::optional<std::string> bytes =
        channels::read_file_head(path.c_str(), channels::kMostFileBytes, more);
    if (!bytes) return SettingsRead::missing;
    channels::MemoryFile file;
    file.load(std::move(*bytes));
    if (file.lines().empty()) return SettingsRead::found;
    const std::string_view first = file.lines().front().text;
    line = first.substr(0, console::kMaxLine);
    too_long = first.size() > console::kMaxLine;
    return SettingsRead::found;
}

}  // namespace quillmer::app
