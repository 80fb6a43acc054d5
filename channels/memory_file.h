#pragma once
// The memory file read once, whole, into memory: its lines in the program's
// own text mode on every platform (every carriage-return byte dropped wherever
// it stands, a byte 0x1A ends the data, a UTF-8 byte order mark at the very
// start skipped), the lines the row reader takes, and what the checks need to
// know of the bytes. Everything that reads the file reads this.

#include <cstddef>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillmer::channels {

/// The most bytes a memory file may have: a file of 400 channels is a small
/// fraction of it, and a larger one is no memory file.
inline constexpr std::size_t kMostFileBytes = std::size_t{1} << 20;

/// A line of the file, as text mode gives it.
struct FileLine {
    int number = 0;               ///< 1 for the file's first line
    std::size_t file_offset = 0;  ///< where in the file its first byte stands, from 0
    std::string_view text;        ///< without its line feed; zero bytes kept
    bool ended = false;           ///< a line feed ends it; the file's last line may have none
};

/// A line as the row reader takes it: a line of the file, or, of a line longer
/// than kLineChars characters (its line feed counted), each piece of that many.
struct ReadLine {
    int number = 0;         ///< of the file's line it comes from
    std::size_t start = 0;  ///< where in that line it starts, from 0
    std::string_view text;  ///< without the line feed
};

/// Up to `most` bytes from the start of the file at `path`; nothing when it
/// cannot be opened (errno tells why). `more` tells whether the file holds more.
std::optional<std::string> read_file_head(const char* path, std::size_t most, bool& more);

class MemoryFile {
  public:
    MemoryFile() = default;
    // The lines look into the model's own text.
    MemoryFile(const MemoryFile&) = delete;
    MemoryFile& operator=(const MemoryFile&) = delete;

    /// Reads the file whole and holds it open, as the run holds its memory file
    /// to the transfer's end. False when it cannot be opened (errno tells why)
    /// or when it is larger than kMostFileBytes (too_large() then), and then
    /// it holds nothing.
    bool open(const char* path);
    bool too_large() const { return too_large_; }
    /// Lets the file go; the model stays.
    void close() { file_.reset(); }
    /// The model of a file with these bytes.
    void load(std::string bytes);

    /// The file's lines before the end of its data; a last line without a line
    /// feed only when it holds something.
    const std::vector<FileLine>& lines() const { return lines_; }
    /// The lines the row reader takes, in order.
    const std::vector<ReadLine>& read_lines() const { return read_lines_; }
    /// The header: the last line with a comma, ended by a line feed, before the
    /// first line that starts with a digit; nothing when there is none.
    const FileLine* header() const { return header_ < 0 ? nullptr : &lines_[header_]; }

    /// The line of the first zero byte, 1 for the first line; 0 when none.
    int zero_byte_line() const { return zero_byte_line_; }
    /// Runs of carriage returns followed by neither a line feed nor the end of
    /// the data. A file saved with a carriage return alone at each line end has
    /// one for each line but its last, and no line feeds: its lines are one.
    int lone_carriage_returns() const { return lone_carriage_returns_; }
    /// The line of the first of them; 0 when none.
    int lone_carriage_return_line() const { return lone_carriage_return_line_; }
    /// The line feeds before the end of the data.
    int line_feeds() const { return line_feeds_; }
    /// The line of the byte 0x1A that ended the data; 0 when the file's end did.
    int end_byte_line() const { return end_byte_line_; }
    /// After that byte: what the file holds, by the same rules, up to its end
    /// or another such byte.
    std::string_view after_end_byte() const { return after_end_byte_; }

  private:
    void clear();
    void add_line(std::size_t start, std::size_t file_offset, bool ended);
    void add_read_lines(const FileLine& line);

    struct Closer {
        void operator()(std::FILE* f) const { std::fclose(f); }
    };
    std::unique_ptr<std::FILE, Closer> file_;
    std::string text_;  ///< the data in text mode, then what follows the end byte
    std::vector<FileLine> lines_;
    std::vector<ReadLine> read_lines_;
    int header_ = -1;
    bool rows_started_ = false;
    bool too_large_ = false;
    int zero_byte_line_ = 0;
    int lone_carriage_returns_ = 0;
    int lone_carriage_return_line_ = 0;
    int line_feeds_ = 0;
    int end_byte_line_ = 0;
    std::string_view after_end_byte_;
};

}  // namespace quillmer::channels
