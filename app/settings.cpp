#include "app/settings.h"

#include <climits>
#include <cstdio>
#include <optional>
#include <utility>

#include "channels/check_message.h"
#include "channels/memory_file.h"
#include "console/terminal.h"
#include "serial/port.h"

namespace quillmer::app {

namespace {

bool is_blank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

std::string_view trim_trailing_blanks(std::string_view text) {
    while (!text.empty() && is_blank(text.back())) text.remove_suffix(1);
    return text;
}

std::string_view trim_blanks(std::string_view text) {
    while (!text.empty() && is_blank(text.front())) text.remove_prefix(1);
    return trim_trailing_blanks(text);
}

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
    while (i < text.size() && is_blank(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    if (i >= text.size() || text[i] < '0' || text[i] > '9') return std::nullopt;
    // Wide enough everywhere: long has only 32 bits on Windows.
    long long value = 0;
    bool fits = true;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
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
    std::string_view text = answer;
    while (!text.empty() && is_blank(text.front())) text.remove_prefix(1);
    if (serial::is_device_path(text)) {
        choice.shown = trim_trailing_blanks(text);
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
    std::string_view text = trim_blanks(line);
    if (text.size() < 4 || (text[0] | 0x20) != 'c' || (text[1] | 0x20) != 'o' ||
        (text[2] | 0x20) != 'm') {
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
    const std::string_view text = trim_blanks(line);
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
