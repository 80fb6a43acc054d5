#pragma once
// A text file a user brings (the memory file, the settings file), read in the
// program's own text mode on every platform: every carriage-return byte is
// dropped wherever it stands, a byte 0x1A ends the file, and a UTF-8 byte order
// mark at the very start is skipped.

#include <cstdio>
#include <memory>

namespace quillmer::channels {

class TextFile {
  public:
    /// Opens the file for reading. False when it cannot be opened.
    bool open(const char* path);
    bool is_open() const { return file_ != nullptr; }
    void close();
    /// The next byte after the text-mode rules, or EOF at the end of the data.
    int get();
    /// Back to the first byte, for a second reading after the check.
    void rewind();

    /// Carriage returns dropped so far that ended no line: runs of them followed
    /// by neither a line feed nor the end of the data. A file saved with a
    /// carriage return alone at each line end has one for each line but its
    /// last, and no line feeds: read in text mode, its lines are one.
    int lone_carriage_returns() const { return lone_carriage_returns_; }
    /// True once a byte 0x1A, rather than the end of the file, ended the data.
    bool ended_at_end_byte() const { return ended_at_end_byte_; }
    /// After a byte 0x1A ended the data: get() reads on past it, by the same
    /// rules, to tell what the file holds after it.
    void read_past_end_byte();

  private:
    /// Steps over a byte order mark at the current (first) position, if any.
    void skip_byte_order_mark();
    /// Called after a carriage return: drops the ones right after it and counts
    /// the run when it ends no line.
    void drop_carriage_returns();

    struct Closer {
        void operator()(std::FILE* f) const { std::fclose(f); }
    };
    std::unique_ptr<std::FILE, Closer> file_;
    bool ended_ = false;
    bool ended_at_end_byte_ = false;
    int lone_carriage_returns_ = 0;
};

}  // namespace quillmer::channels
