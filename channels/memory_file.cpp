#include "channels/memory_file.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <system_error>
#include <utility>

#include "channels/layout.h"
#include "core/text.h"

namespace quillmer::channels {

namespace {

// Editors of the DOS tradition end a text file with Ctrl-Z; nothing after it is data.
constexpr char kEndByte = 0x1A;
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

/// Up to `most` bytes from the file's current place, and whether it holds more.
std::string read_head(std::FILE* file, std::size_t most, bool& more) {
    std::string bytes;
    std::array<char, 1 << 16> chunk{};
    // One byte past the most tells whether there is more.
    while (bytes.size() <= most) {
        const std::size_t got = std::fread(chunk.data(), 1, chunk.size(), file);
        if (got == 0) break;
        bytes.append(chunk.data(), got);
    }
    more = bytes.size() > most;
    if (more) bytes.resize(most);
    return bytes;
}

}  // namespace

std::optional<std::string> read_file_head(const char* path, std::size_t most, bool& more) {
    more = false;
    std::FILE* file = std::fopen(path, "rb");
    if (file == nullptr) return std::nullopt;
    std::string bytes = read_head(file, most, more);
    std::fclose(file);
    return bytes;
}

bool MemoryFile::open(const char* path) {
    file_.reset();
    clear();
    // Refused by its size before a byte of it is read; the read is bounded too,
    // for a file that grows meanwhile.
    std::error_code error;
    const auto size = std::filesystem::file_size(path, error);
    too_large_ = !error && size > kMostFileBytes;
    if (too_large_) return false;
    file_.reset(std::fopen(path, "rb"));
    if (!file_) return false;
    bool more = false;
    std::string bytes = read_head(file_.get(), kMostFileBytes, more);
    too_large_ = more;
    if (more) {
        file_.reset();
        return false;
    }
    load(std::move(bytes));
    return true;
}

void MemoryFile::clear() {
    text_.clear();
    lines_.clear();
    read_lines_.clear();
    header_ = -1;
    rows_started_ = false;
    too_large_ = false;
    zero_byte_line_ = 0;
    lone_carriage_returns_ = 0;
    lone_carriage_return_line_ = 0;
    line_feeds_ = 0;
    end_byte_line_ = 0;
    after_end_byte_ = {};
}

void MemoryFile::load(std::string bytes) {
    clear();
    // The text is never longer than the bytes: the views into it stay valid.
    text_.reserve(bytes.size());
    std::size_t i = bytes.starts_with(kByteOrderMark) ? kByteOrderMark.size() : 0;
    std::size_t line_start = 0;
    std::size_t line_offset = i;
    for (; i < bytes.size(); ++i) {
        const char c = bytes[i];
        const int line = line_feeds_ + 1;
        if (c == '\r') {
            // Dropped everywhere, not only before a line feed: a lone one inside
            // a field would otherwise become part of a channel name.
            const std::size_t next = std::min(bytes.find_first_not_of('\r', i), bytes.size());
            if (next < bytes.size() && bytes[next] != '\n' && bytes[next] != kEndByte) {
                if (lone_carriage_returns_++ == 0) lone_carriage_return_line_ = line;
            }
            i = next - 1;
            continue;
        }
        if (c == kEndByte) {
            end_byte_line_ = line;
            break;
        }
        if (c == '\0' && zero_byte_line_ == 0) zero_byte_line_ = line;
        text_ += c;
        if (c != '\n') continue;
        ++line_feeds_;
        add_line(line_start, line_offset, true);
        line_start = text_.size();
        line_offset = i + 1;
    }
    if (text_.size() > line_start) add_line(line_start, line_offset, false);
    if (end_byte_line_ == 0) return;

    const std::size_t after = text_.size();
    for (++i; i < bytes.size() && bytes[i] != kEndByte; ++i) {
        if (bytes[i] != '\r') text_ += bytes[i];
    }
    after_end_byte_ = std::string_view(text_).substr(after);
}

void MemoryFile::add_line(std::size_t start, std::size_t file_offset, bool ended) {
    const std::size_t end = text_.size() - (ended ? 1 : 0);
    const FileLine line{.number = static_cast<int>(lines_.size()) + 1,
                        .file_offset = file_offset,
                        .text = std::string_view(text_).substr(start, end - start),
                        .ended = ended};
    lines_.push_back(line);
    add_read_lines(line);
    if (rows_started_) return;
    if (!line.text.empty() && text::is_digit(line.text.front())) {
        rows_started_ = true;
    } else if (ended && line.text.find(',') != std::string_view::npos) {
        header_ = static_cast<int>(lines_.size()) - 1;
    }
}

void MemoryFile::add_read_lines(const FileLine& line) {
    // The reader takes kLineChars characters at a time, a line feed among them.
    const std::size_t characters = line.text.size() + (line.ended ? 1 : 0);
    for (std::size_t start = 0; start < characters; start += kLineChars) {
        read_lines_.push_back({line.number, start, line.text.substr(start, kLineChars)});
    }
}

}  // namespace quillmer::channels
