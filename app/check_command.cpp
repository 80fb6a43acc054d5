#include "app/check_command.h"

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <vector>

#include "app/options.h"
#include "channels/check.h"
#include "channels/header.h"
#include "channels/other_layouts.h"
#include "channels/reader.h"
#include "channels/row_fields.h"
#include "channels/warnings.h"
#include "core/texts.h"
#include "protocol/channel_stream.h"
#include "protocol/frame_decode.h"

namespace quillmer::app {

namespace {

// The call signs as columns 17, 18 and 19 hold them; the frame holds them the
// other way round.
constexpr std::string_view kTableHead =
    " CH  FREQUENCY    DUP   OFFSET     MODE  NAME      UR        RPT1      RPT2\n";

std::string without_trailing_blanks(std::string line) {
    while (!line.empty() && line.back() == ' ') line.pop_back();
    return line;
}

/// One line of the table for a decoded channel frame.
std::string table_line(int channel, const protocol::DecodedChannel& decoded) {
    std::array<char, 256> line{};
    if (decoded.erase) {
        std::snprintf(line.data(), line.size(), "%3d  erase", channel);
    } else {
        std::snprintf(
            line.data(), line.size(), "%3d  %-11s  %-4s  %-9s  %-4s  %-8s  %-8s  %-8s  %s", channel,
            decoded.frequency.c_str(), protocol::duplex_text(decoded).c_str(),
            decoded.offset.c_str(), protocol::mode_text(decoded).c_str(),
            channels::printable(decoded.label).c_str(), channels::printable(decoded.call3).c_str(),
            channels::printable(decoded.call2).c_str(), channels::printable(decoded.call1).c_str());
    }
    return without_trailing_blanks(line.data()) + "\n";
}

/// The line under the fixed text for a memory file that does not open: its
/// name and the system's reason. `open_error` is fopen's errno, 0 when it was
/// not tried.
std::string not_opened_line(const std::string& path, int open_error) {
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::file_type type = fs::status(path, error).type();
    std::string why;
    if (type == fs::file_type::not_found) {
        why = "it does not exist";
    } else if (type == fs::file_type::directory) {
        why = "it is a folder, not a file";
    } else if (error == std::errc::permission_denied || open_error == EACCES) {
        why = "this user may not read it (permission denied)";
    } else if (error) {
        why = error.message();
    } else if (type != fs::file_type::regular) {
        why = "it is not a regular file (a device, a pipe or a socket)";
    } else {
        why = std::strerror(open_error);
    }
    return "The memory file \"" + path + "\" cannot be opened: " + why + ".\n";
}

/// The line before the table: the header the columns were checked against.
std::string header_line(const channels::MemoryFile& file) {
    constexpr std::size_t kShown = 60;
    const channels::Header header = channels::read_header(file);
    if (header.line_number == 0) {
        return "No header: no line with commas comes before the first data row.\n";
    }
    std::string shown = channels::printable(header.text.substr(0, kShown));
    if (header.text.size() > kShown) shown += "...";
    return "Header: line " + std::to_string(header.line_number) + ", " +
           std::to_string(header.columns) + " columns: " + shown + "\n";
}

/// A line of a file read by its header that cannot be written, and why.
std::string fault_line(const channels::LineFault& fault) {
    return "Memory file line " + std::to_string(fault.line_number) + ": " + fault.reason + ".\n";
}

/// A file the check refused, read by its header as `other` says: the line that
/// says how, then, when it cannot be sent, every line at fault and the status;
/// otherwise nothing, and `file` holds it in our own layout.
std::optional<ExitStatus> read_by_header(console::Console& console, channels::MemoryFile& file,
                                         const channels::OtherLayoutFile& other,
                                         FileReading& reading) {
    console.print(other.read_as + "\n");
    std::string refusal;
    if (other.column_fault.line_number != 0) {
        refusal = fault_line(other.column_fault);
    } else if (!other.unwritable.empty() && !reading.skip_unwritable) {
        for (const channels::LineFault& fault : other.unwritable) refusal += fault_line(fault);
        const std::size_t n = other.unwritable.size();
        refusal += std::to_string(n) + (n == 1 ? " row" : " rows") +
                   " cannot be written into this radio: change the file, or run with "
                   "--skip-unwritable to erase those channels and write the rest.\n";
    }
    if (!refusal.empty()) {
        console.print(refusal + "Nothing was sent to the radio.\n");
        return ExitStatus::memory_file_refused;
    }
    file.load(other.memory_file);
    reading.by_header = true;
    reading.warnings = other.warnings;
    if (const auto failures = channels::file_failures(file); !failures.empty()) {
        console.print(channels::describe(failures));
        return ExitStatus::memory_file_refused;
    }
    return std::nullopt;
}

}  // namespace

std::string warning_lines(const channels::MemoryFile& file, const FileReading& reading) {
    std::string text;
    for (const std::string& warning : reading.warnings) text += "Warning: " + warning + "\n";
    for (const channels::FileWarning& warning : channels::file_warnings(file)) {
        // The reading's own warning counts them in the file's lines.
        if (reading.by_header && warning.kind == channels::FileWarning::Kind::too_many_rows) {
            continue;
        }
        text += "Warning: " + warning.message;
    }
    return text;
}

std::string preview(const channels::MemoryFile& file, const FileReading& reading) {
    std::string text = (reading.by_header ? "" : header_line(file)) + std::string(kTableHead);
    std::vector<int> written;
    std::vector<int> erased;
    channels::Reader reader(file);
    protocol::ChannelFrames frames;
    // The run's own stream: the same rows, the same encoder, the same choice
    // between write and erase frame.
    protocol::ChannelStream channels(reader, frames);
    while (!channels.all_given()) {
        const int channel = channels.next_channel();
        const auto frame = channels.next();
        const auto decoded = protocol::decode_channel_frame(frame);
        if (!decoded || decoded->channel != channel) {
            text += std::to_string(channel) + "  a frame that cannot be read back\n";
            continue;
        }
        (decoded->erase ? erased : written).push_back(channel);
        text += table_line(channel, *decoded);
    }
    // The rows after the last channel are counted, not shown.
    while (channels.more_rows()) {
    }

    text += "rows read: " + std::to_string(channels.rows_read()) +
            ", written: " + std::to_string(written.size()) +
            ", erased: " + channels::channel_ranges(erased) + "\n";
    return text + warning_lines(file, reading);
}

std::optional<ExitStatus> open_memory_file(console::Console& console,
                                           const std::optional<std::string>& path,
                                           channels::MemoryFile& file, FileReading& reading) {
    if (!path) {
        console.print(texts::kNoArgument);
        console.print(usage_line());
        return ExitStatus::no_memory_file;
    }
    std::error_code error;
    // fopen succeeds on a directory on some systems, and every read then fails.
    const bool regular = std::filesystem::is_regular_file(*path, error);
    if ((!regular || !file.open(path->c_str())) && !file.too_large()) {
        const int open_error = regular ? errno : 0;
        console.print(texts::kMemoryFileNotOpened);
        console.print_raw(not_opened_line(*path, open_error));
        return ExitStatus::memory_file_unreadable;
    }
    if (file.too_large()) {
        channels::CheckFailure failure;
        failure.kind = channels::CheckFailure::Kind::too_large;
        console.print(channels::describe(failure));
        return ExitStatus::memory_file_refused;
    }
    // Nothing goes to a radio from a file whose numbers would become wrong
    // frequencies: the whole file is checked before any port is opened.
    if (const auto failures = channels::file_failures(file); !failures.empty()) {
        const auto other =
            channels::read_refused_by_header(file, failures, reading.skip_unwritable);
        if (other) return read_by_header(console, file, *other, reading);
        console.print(channels::describe(failures));
        return ExitStatus::memory_file_refused;
    }
    return std::nullopt;
}

ExitStatus run_check(console::Console& console, const std::optional<std::string>& memory_file,
                     bool skip_unwritable) {
    channels::MemoryFile file;
    FileReading reading;
    reading.skip_unwritable = skip_unwritable;
    if (const auto failed = open_memory_file(console, memory_file, file, reading)) return *failed;
    console.print(preview(file, reading));
    return ExitStatus::done;
}

}  // namespace quillmer::app
