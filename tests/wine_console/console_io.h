#pragma once
// The console driver's two sides: the program it drives, in a console of its
// own, and the report it writes on its standard output.

#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <windows.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillmer::console_driver {

std::wstring widen(std::string_view utf8);
std::string narrow(std::wstring_view wide);
/// `text` for a report line: line breaks, control characters and backslashes
/// escaped, so that a step shows on one line as it was written.
std::string printable(std::string_view text);

/// The key events of a key pressed and released, by name (see driver.cpp), or
/// of a character typed ("\n" is Enter). Nothing for an unknown name.
std::optional<std::vector<INPUT_RECORD>> key_events(std::wstring_view name);

/// The driver's standard output as it was at start, before the driver attached
/// to the program's console: the report goes there, in UTF-8.
class Report {
  public:
    Report();
    void line(std::string_view text);
    /// The screen between the lines "--- screen" and "--- end".
    void screen(std::wstring_view screen);

  private:
    void write(std::string_view bytes);
    HANDLE out_;
};

/// The program under test, in a hidden console of its own that the driver is
/// attached to. It is ended with the driver at the latest. (Not through a job
/// object: Wine 8's wineserver crashed when the driver ended with one.)
class Child {
  public:
    Child() = default;
    ~Child();
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    /// Starts `command_line` and attaches to its console. An empty text, or
    /// why it failed.
    std::string start(std::wstring command_line);

    /// Writes key events into the console's input, as a keyboard does.
    bool write_input(const std::vector<INPUT_RECORD>& events);
    /// Types each character of `text` as a key press and release.
    bool type(std::wstring_view text);
    /// A Ctrl-C console event for every process of the console; the driver
    /// itself ignores it.
    bool ctrl_c_event();
    /// Waits until the console's input holds no event any more. False after
    /// `timeout_ms`.
    bool wait_drained(DWORD timeout_ms);

    bool running() const;
    /// The program's exit status, once it has ended within `timeout_ms`.
    std::optional<DWORD> wait_exit(DWORD timeout_ms);

    /// The screen from its first row to the cursor's, each row without its
    /// trailing blanks, the rows separated by "\n".
    std::wstring screen() const;

  private:
    HANDLE process_ = nullptr;
    HANDLE input_ = INVALID_HANDLE_VALUE;
    HANDLE output_ = INVALID_HANDLE_VALUE;
};

}  // namespace quillmer::console_driver
