#pragma once
// The process's own console: output written through at once, the texts
// converted for the console's encoding, the keyboard, and the typed answer at
// the port prompt. The platform parts live in system_console_posix.cpp and
// system_console_win32.cpp. Only the front end uses it: code that takes a
// Console or a Terminal never needs the real console.

#include <string>
#include <string_view>

#include "console/terminal.h"

namespace quillmer::console {

/// Prepares the console once at start: output unbuffered, the encoding for the
/// Japanese texts chosen from the locale, the terminal restored at every exit.
/// Ctrl-C where it is no key (in line mode, or as a console event) ends the
/// process at once with `abort_status`.
void start(int abort_status);

void print(std::string_view text);
void print_raw(std::string_view bytes);
bool key_waiting();
int read_key();
/// True once standard input has been found at its end: no key can come.
bool input_ended();
/// True when standard input is a terminal or console, where a user can press a
/// key; false for a pipe, a file or none.
bool input_is_terminal();

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

/// The process's own console, for code that takes a Console or a Terminal.
class SystemConsole final : public Terminal {
  public:
    void print(std::string_view text) override { console::print(text); }
    void print_raw(std::string_view bytes) override { console::print_raw(bytes); }
    bool key_waiting() override { return console::key_waiting(); }
    int read_key() override { return console::read_key(); }
    bool input_ended() override { return console::input_ended(); }
    LineStatus read_line(std::string& line) override { return console::read_line(line); }
};

}  // namespace quillmer::console
