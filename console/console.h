#pragma once
// The console as every floor above sees it: texts out, keys in. The process's
// own console is system_console.h; tests hand in recording_console.h.

#include <string_view>

namespace quillmer::console {

/// The console as the radio protocol sees it.
class Console {
  public:
    virtual ~Console() = default;
    /// Writes one of the program's texts (UTF-8 in the source), converted for the
    /// console, at once, with no line break unless the text holds one.
    virtual void print(std::string_view text) = 0;
    /// Writes bytes as they are: paths and other text the user gave.
    virtual void print_raw(std::string_view bytes) = 0;
    /// Writes one English line of the program's own about what it sees or
    /// waits for (ending in "\n"), as print() does; a wire trace records it too.
    virtual void notice(std::string_view line) { print(line); }
    /// True when a key is waiting. Looks only at pending input, never blocks.
    virtual bool key_waiting() = 0;
    /// Reads one key without echo, waiting for it: the key's character code
    /// (Esc 27, Ctrl-C 3), or, for a key without a character, 0 and then a second
    /// code on the next read. kEndOfInput when nothing can ever be typed again.
    virtual int read_key() = 0;
    /// True once no key can ever come: standard input, a file or pipe, has been
    /// read to its end (a key test or read finds that out).
    virtual bool input_ended() = 0;
};

inline constexpr int kEndOfInput = -1;
inline constexpr int kKeyCtrlC = 3;
inline constexpr int kKeyEsc = 27;

}  // namespace quillmer::console
