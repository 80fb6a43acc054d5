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

  private:
    /// Steps over a byte order mark at the current (first) position, if any.
    void skip_byte_order_mark();

    struct Closer {
        void operator()(std::FILE* f) const { std::fclose(f); }
    };
    std::unique_ptr<std::FILE, Closer> file_;
    bool ended_ = false;
};

}  // namespace quillmer::channels
