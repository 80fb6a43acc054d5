#include "channels/text_file.h"

#include <array>

namespace quillmer::channels {

namespace {

// Editors of the DOS tradition end a text file with Ctrl-Z; nothing after it is data.
constexpr int kEndOfFileByte = 0x1A;
constexpr std::array<unsigned char, 3> kByteOrderMark{0xEF, 0xBB, 0xBF};

}  // namespace

bool TextFile::open(const char* path) {
    close();
    file_.reset(std::fopen(path, "rb"));
    if (!file_) return false;
    skip_byte_order_mark();
    return true;
}

void TextFile::close() {
    file_.reset();
    ended_ = false;
    ended_at_end_byte_ = false;
    lone_carriage_returns_ = 0;
}

int TextFile::get() {
    if (!file_ || ended_) return EOF;
    for (;;) {
        const int c = std::getc(file_.get());
        // Dropped everywhere, not only before a line feed: a lone one inside a
        // field would otherwise become part of a channel name.
        if (c == '\r') {
            drop_carriage_returns();
            continue;
        }
        if (c == EOF || c == kEndOfFileByte) {
            ended_ = true;
            ended_at_end_byte_ = c == kEndOfFileByte;
            return EOF;
        }
        return c;
    }
}

void TextFile::rewind() {
    if (!file_) return;
    std::rewind(file_.get());
    ended_ = false;
    ended_at_end_byte_ = false;
    lone_carriage_returns_ = 0;
    skip_byte_order_mark();
}

void TextFile::read_past_end_byte() {
    if (ended_at_end_byte_) ended_ = false;
}

void TextFile::drop_carriage_returns() {
    int next = std::getc(file_.get());
    while (next == '\r') next = std::getc(file_.get());
    if (next != '\n' && next != EOF && next != kEndOfFileByte) ++lone_carriage_returns_;
    std::ungetc(next, file_.get());
}

void TextFile::skip_byte_order_mark() {
    std::array<unsigned char, kByteOrderMark.size()> head{};
    const std::size_t got = std::fread(head.data(), 1, head.size(), file_.get());
    if (got == head.size() && head == kByteOrderMark) return;
    std::rewind(file_.get());
}

}  // namespace quillmer::channels
