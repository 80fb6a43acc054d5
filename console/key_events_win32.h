#pragma once
// How one console input event becomes the codes that key reads hand out. For
// system_console_win32.cpp and its tests only.

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <array>
#include <cstddef>

namespace quillmer::console {

/// The codes of one key, in the order the reads give them.
struct KeyCodes {
    std::array<int, 4> codes{};
    std::size_t count = 0;
};

/// The codes a console input event gives: none for a release, for Shift, Ctrl
/// or Alt alone, or for a mouse, focus or window event; a character's code
/// (other than ASCII: the bytes of the console's input code page, one code
/// each); 27 for Esc, also when the event carries no character; or, for a
/// cursor, editing or function key, 0 and then its scan code.
KeyCodes key_codes(const INPUT_RECORD& event);

}  // namespace quillmer::console
