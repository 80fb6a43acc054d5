#pragma once
// The process's own console behind the Terminal interface. Only the front end
// includes this: code that takes a Console never links the real console.

#include "app/console.h"
#include "app/terminal.h"

namespace quillmer {

/// The process's own console, for code that takes a Console or a Terminal.
class SystemConsole final : public Terminal {
  public:
    void print(std::string_view text) override { console::print(text); }
    void print_raw(std::string_view bytes) override { console::print_raw(bytes); }
    bool key_waiting() override { return console::key_waiting(); }
    int read_key() override { return console::read_key(); }
    console::LineStatus read_line(std::string& line) override { return console::read_line(line); }
};

}  // namespace quillmer
