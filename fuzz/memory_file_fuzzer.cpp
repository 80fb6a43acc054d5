// Fuzz target: arbitrary bytes as a memory file, through the check, the reader and
// the encoder, as the program takes them before and during a transfer.
//
// Besides memory safety it asserts the check's promises, each by its own reading
// of the file: when a file passes, every channel's frequency and offset reach
// the write frame as the very numbers the file holds, to the hertz; a mode or
// duplex goes out as FM or simplex only when the file says so; names and call
// fields go out as printable ASCII; no kept field starts with a quotation mark;
// every data row holds a comma, no line hides a row behind blanks, and some row
// has a frequency. A duplex goes out as simplex only when it is empty or OFF,
// and no frequency is zero. Every data row is a whole line of the file (no
// piece of a long line becomes a row, and no kept column is cut), the lines do
// not end in carriage returns alone, and a header that names its columns puts
// the frequency, duplex, offset, mode and name where they are read and UR
// ("Your Call Sign") outside column 17 only where no DV row holds one. The frames are
// read back by the program's frame decoder, which must give the channel and the
// numbers again.
//
// The columns the oracles read (2, 3, 4, 6, 7, 17 to 19) and the widths they
// walk the frame by are written out here on purpose, not taken from the
// program's layout: they are a second reading of the file to hold the
// program's own against.

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "channels/check.h"
#include "channels/layout.h"
#include "channels/memory_file.h"
#include "channels/reader.h"
#include "core/text.h"
#include "fuzz/fuzz_check.h"
#include "protocol/encoder.h"
#include "protocol/frame_decode.h"
#include "protocol/frames.h"

namespace {

namespace text = quillmer::text;
using quillmer::channels::CheckFailure;
using quillmer::channels::kMemoryChannels;
using quillmer::channels::MemoryFile;
using quillmer::channels::RawRow;
using quillmer::channels::Reader;
using quillmer::protocol::Byte;
using quillmer::protocol::ChannelFrames;
using quillmer::protocol::decode_channel_frame;
namespace write_at = quillmer::protocol::write_at;

/// A number as the frame must carry it: the digits of `text` in units of 10^-6,
/// from a field that passed the check (spaces, digits, a point, digits, spaces).
/// Digits after the sixth fraction digit are not carried.
std::uint64_t micro_units(std::string_view text) {
    std::uint64_t whole = 0;
    std::uint64_t fraction = 0;
    int fraction_digits = 0;
    bool after_point = false;
    for (const char c : text) {
        if (c == '.') {
            after_point = true;
        } else if (text::is_digit(c)) {
            const auto digit = static_cast<std::uint64_t>(c - '0');
            if (!after_point) {
                whole = whole * 10 + digit;
            } else if (fraction_digits < 6) {
                fraction = fraction * 10 + digit;
                ++fraction_digits;
            }
        }
    }
    for (; fraction_digits < 6; ++fraction_digits) fraction *= 10;
    return whole * 1'000'000 + fraction;
}

/// The `count` bytes from `at` as packed decimal, least significant byte first.
std::uint64_t packed_value(const ChannelFrames& frames, std::size_t at, std::size_t count) {
    std::uint64_t value = 0;
    for (std::size_t i = count; i-- > 0;) {
        const Byte b = frames.write[at + i];
        QUILLMER_FUZZ_CHECK((b >> 4) <= 9 && (b & 0x0F) <= 9);
        value = value * 100 + static_cast<std::uint64_t>((b >> 4) * 10 + (b & 0x0F));
    }
    return value;
}

/// Micro-units as megahertz text with six decimals, as the frame decoder gives it.
std::string mhz_text(std::uint64_t micro) {
    return std::to_string(micro / 1'000'000) + "." +
           std::to_string(1'000'000 + micro % 1'000'000).substr(1);
}

/// Column `n` (from 1) of a data line: between commas, up to the line feed.
std::string_view column(std::string_view line, int n) {
    line = line.substr(0, line.find('\n'));
    for (int at = 1; at < n; ++at) {
        const std::size_t comma = line.find(',');
        if (comma == std::string_view::npos) return {};
        line.remove_prefix(comma + 1);
    }
    return line.substr(0, line.find(','));
}

/// Empty, or OFF in any letter case: the spellings of simplex.
bool says_simplex(std::string_view duplex) {
    duplex = text::trim(duplex, " ");
    return duplex.empty() || text::equals_ignoring_case(duplex, "off");
}

bool says_fm(std::string_view mode) {
    mode = text::trim(mode.substr(0, 4), " ");  // the characters the row keeps
    return mode.empty() || text::equals_ignoring_case(mode, "fm");
}

/// A row of a file that passed: the frames say what the row says.
void check_row(const RawRow& raw, int channel, const ChannelFrames& frames) {
    const std::string_view line = raw.line;
    QUILLMER_FUZZ_CHECK(line.find(',') != std::string_view::npos);
    for (const int n : {2, 3, 4, 6, 7, 17, 18, 19}) {
        QUILLMER_FUZZ_CHECK(!column(line, n).starts_with('"'));
    }

    const std::uint64_t frequency = micro_units(raw.frequency);
    const std::uint64_t offset = micro_units(raw.offset);
    QUILLMER_FUZZ_CHECK(packed_value(frames, write_at::kFrequency, 5) == frequency);
    QUILLMER_FUZZ_CHECK(packed_value(frames, write_at::kOffset, 4) == offset);
    if (frames.write[write_at::kMode] == 0x0E) QUILLMER_FUZZ_CHECK(says_fm(column(line, 6)));
    if (frames.write[write_at::kDuplex] == 0) QUILLMER_FUZZ_CHECK(says_simplex(column(line, 3)));
    // A zero frequency would be a channel at 0 Hz; an empty one erases.
    if (!raw.frequency.empty()) QUILLMER_FUZZ_CHECK(frequency != 0);
    for (std::size_t at = write_at::kLabel; at < quillmer::protocol::kWriteFrameSize - 1; ++at) {
        if (at == write_at::kLabel + 8) at = write_at::kCall1;  // past the two zero bytes
        QUILLMER_FUZZ_CHECK(frames.write[at] >= 0x20 && frames.write[at] <= 0x7E);
    }

    const auto written = decode_channel_frame(frames.write);
    QUILLMER_FUZZ_CHECK(written && !written->erase && written->decimal);
    QUILLMER_FUZZ_CHECK(written->channel == channel);
    QUILLMER_FUZZ_CHECK(written->frequency == mhz_text(frequency));
    QUILLMER_FUZZ_CHECK(written->offset == mhz_text(offset));
    const auto erased = decode_channel_frame(frames.erase);
    QUILLMER_FUZZ_CHECK(erased && erased->erase && erased->channel == channel);
}

/// The file's lines by this target's own reading of text mode: carriage
/// returns dropped, a byte 0x1A ends the data, a byte order mark at the start
/// skipped; with the line feeds and the carriage returns that end no line.
struct TextLines {
    std::vector<std::string> lines;
    int line_feeds = 0;
    int lone_carriage_returns = 0;
};

TextLines text_lines(const std::uint8_t* data, std::size_t size) {
    TextLines text;
    text.lines.emplace_back();
    std::size_t i = size >= 3 && data[0] == 0xEF && data[1] == 0xBB && data[2] == 0xBF ? 3 : 0;
    for (; i < size && data[i] != 0x1A; ++i) {
        if (data[i] == '\r') {
            std::size_t next = i;
            while (next < size && data[next] == '\r') ++next;
            if (next < size && data[next] != '\n' && data[next] != 0x1A) {
                ++text.lone_carriage_returns;
            }
            i = next - 1;
        } else if (data[i] == '\n') {
            ++text.line_feeds;
            text.lines.emplace_back();
        } else {
            text.lines.back() += static_cast<char>(data[i]);
        }
    }
    return text;
}

/// A file that passed hides no data row behind blanks at the start of a line:
/// the reader would skip it as a header.
void check_no_hidden_rows(const TextLines& text) {
    for (const std::string& line : text.lines) {
        const std::size_t first = line.find_first_not_of(" \t");
        if (first == 0 || first == std::string::npos) continue;
        QUILLMER_FUZZ_CHECK(!text::is_digit(line[first]));
    }
}

bool is_data_line(std::string_view line) {
    return !line.empty() && text::is_digit(line[0]);
}

/// Columns up to the last that holds more than blanks.
int columns_used(std::string_view line) {
    int used = 0;
    for (int n = 1;; ++n) {
        const std::size_t comma = line.find(',');
        if (line.substr(0, comma).find_first_not_of(" \t") != std::string_view::npos) used = n;
        if (comma == std::string_view::npos) return used;
        line.remove_prefix(comma + 1);
    }
}

/// A header name without letter case, blanks, '-', '_' and '.'.
std::string plain_name(std::string_view name) {
    std::string plain;
    for (const char c : name) {
        if (c == ' ' || c == '\t' || c == '-' || c == '_' || c == '.') continue;
        plain += text::to_lower(c);
    }
    return plain;
}

/// A row as the reader delivered it.
struct RowRead {
    int line_number;
    std::string line;
};

/// A file that passed: every data row is a whole line of the file, read whole;
/// its lines end in line feeds; its header, when it names every column the rows
/// use, puts each field this program reads where it is read.
void check_lines(const TextLines& text, const std::vector<RowRead>& rows) {
    QUILLMER_FUZZ_CHECK(text.lone_carriage_returns <= text.line_feeds);
    std::size_t next = 0;
    std::string_view header;
    int row_columns = 0;
    for (std::size_t i = 0; i < text.lines.size(); ++i) {
        const std::string_view line = text.lines[i];
        if (!is_data_line(line)) {
            if (next == 0 && line.find(',') != std::string_view::npos) header = line;
            continue;
        }
        QUILLMER_FUZZ_CHECK(next < rows.size() &&
                            rows[next].line_number == static_cast<int>(i) + 1);
        for (const int n : {2, 3, 4, 6, 7, 17, 18, 19}) {
            QUILLMER_FUZZ_CHECK(column(line, n).substr(0, 19) ==
                                column(rows[next].line, n).substr(0, 19));
        }
        row_columns = std::max(row_columns, columns_used(line));
        ++next;
    }
    QUILLMER_FUZZ_CHECK(next == rows.size());
    if (columns_used(header) < row_columns) return;
    for (int n = 1; n <= columns_used(header); ++n) {
        const std::string name = plain_name(column(header, n));
        if (name == "frequency") QUILLMER_FUZZ_CHECK(n == 2);
        if (name == "duplex") QUILLMER_FUZZ_CHECK(n == 3);
        if (name == "offset") QUILLMER_FUZZ_CHECK(n == 4);
        if (name == "mode") QUILLMER_FUZZ_CHECK(n == 6);
        if (name == "name") QUILLMER_FUZZ_CHECK(n == 7);
        if (name != "yourcallsign" || n == 17) continue;  // UR, read from 17 only
        for (const RowRead& row : rows) {
            if (!column(row.line, 6).starts_with("DV")) continue;
            QUILLMER_FUZZ_CHECK(column(row.line, n).find_first_not_of(" \t") ==
                                std::string_view::npos);
        }
    }
}

void check_failure(const CheckFailure& failure) {
    using Kind = CheckFailure::Kind;
    if (failure.kind == Kind::zero_byte || failure.kind == Kind::carriage_returns ||
        failure.kind == Kind::long_line_row) {
        QUILLMER_FUZZ_CHECK(failure.line_number >= 1 && failure.column == 0);
    } else if (failure.kind == Kind::header_column) {
        QUILLMER_FUZZ_CHECK(failure.line_number >= 1 && failure.column >= 1);
    } else if (failure.kind == Kind::no_data_rows || failure.kind == Kind::no_frequencies) {
        QUILLMER_FUZZ_CHECK(failure.line_number == 0);
    } else {
        QUILLMER_FUZZ_CHECK(failure.line_number >= 1);
        const int c = failure.column;
        QUILLMER_FUZZ_CHECK(c == 1 || c == 2 || c == 3 || c == 4 || c == 6 || c == 7 ||
                            (c >= 17 && c <= 19));
        // An empty field is a blank channel, never a failure.
        QUILLMER_FUZZ_CHECK(!failure.text.empty());
    }
    const std::string message = quillmer::channels::describe(failure);
    QUILLMER_FUZZ_CHECK(!message.empty() && message.back() == '\n');
    // Whatever the file holds, the message is printable text for any console.
    for (const char c : message) QUILLMER_FUZZ_CHECK(c == '\n' || (c >= 0x20 && c <= 0x7E));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    MemoryFile file;
    file.load(std::string(reinterpret_cast<const char*>(data), size));
    const TextLines text = text_lines(data, size);

    const std::optional<CheckFailure> failure = quillmer::channels::check_memory_file(file);
    if (failure) check_failure(*failure);

    // The transfer's reading: rows in order, channel n for the n-th; rows after
    // channel 399 are only counted.
    if (!failure) check_no_hidden_rows(text);
    Reader reader(file);
    ChannelFrames frames;
    int rows = 0;
    bool any_frequency = false;
    std::vector<RowRead> rows_read;
    while (reader.next_row()) {
        if (rows < kMemoryChannels) {
            quillmer::protocol::encode_channel(reader.row(), rows, frames);
            if (!failure) check_row(reader.raw(), rows, frames);
        }
        if (reader.row().frequency[0] != '\0') any_frequency = true;
        ++rows;
        rows_read.push_back({reader.raw().line_number, std::string(reader.raw().line)});
    }
    QUILLMER_FUZZ_CHECK(!reader.next_row());
    if (!failure) check_lines(text, rows_read);
    // The check reads the same rows: a file it takes has rows, and a frequency
    // in one of them; when it finds none, there are none (a line it refuses
    // first, or a zero byte, may hide that).
    if (!failure) QUILLMER_FUZZ_CHECK(rows > 0 && any_frequency);
    if (failure && failure->kind == CheckFailure::Kind::no_data_rows) {
        QUILLMER_FUZZ_CHECK(rows == 0);
    }
    if (failure && failure->kind == CheckFailure::Kind::no_frequencies) {
        QUILLMER_FUZZ_CHECK(rows > 0 && !any_frequency);
    }
    return 0;
}
