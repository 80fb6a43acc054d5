#pragma once
// The process's own console behind the Console interface. Only the front end
// includes this: code that takes a Console never links the real console.

#include "app/console.h"

namespace quillmer {

/// The process's own console, for code that takes a Console.
class SystemConsole final : public Console {
  public:
    void print(std::string_view text) override { console::print(text); }
    void print_raw(std::string_view bytes) override { console::print_raw(bytes); }
    bool key_waiting() override { return console::key_waiting(); }
    int read_key() override { return console::read_key(); }
};

}  // namespace quillmer
