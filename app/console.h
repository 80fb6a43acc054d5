#pragma once
// The process's own console: output written through at once, the texts
// converted for the console's encoding, the keyboard, and the typed answer at
// the port prompt. The platform parts live in console_posix.cpp and
// console_win32.cpp.

#include <string>
#include <string_view>

#include "core/console.h"

namespace quillmer::console {

/// Prepares the console once at start: output unbuffered, the encoding for the
/// Japanese texts chosen from the locale, the terminal restored at every exit.
void start();

void print(std::string_view text);
void print_raw(std::string_view bytes);
bool key_waiting();
int read_key();

enum class LineStatus {
    ok,            ///< a line was read (it may be empty)
    too_long,      ///< the line had more than kMaxLine characters; it was read to its end
    end_of_input,  ///< nothing more can ever be typed
};
inline constexpr std::size_t kMaxLine = 255;

/// Reads one typed line from standard input, echoed as the terminal usually does;
/// the line break and carriage returns are dropped.
LineStatus read_line(std::string& line);

/// While a KeyMode lives, keys are read one at a time without echo, and Ctrl-C
/// arrives as the key 3 instead of interrupting the program. The terminal's own
/// settings come back when it ends, and at any exit or fatal signal meanwhile.
class KeyMode {
  public:
    KeyMode();
    ~KeyMode();
    KeyMode(const KeyMode&) = delete;
    KeyMode& operator=(const KeyMode&) = delete;
};

/// Waits for one key, unechoed; returns at once when input has ended.
inline void wait_key() {
    KeyMode keys;
    read_key();
}

/// The Shift_JIS (code page 932) bytes of a UTF-8 text; the bytes unchanged when
/// a character has no Shift_JIS form.
std::string to_shift_jis(std::string_view utf8);

}  // namespace quillmer::console
