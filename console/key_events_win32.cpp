// Console input events as key codes: what the Windows console's key reads
// hand out for each event.

#include "console/key_events_win32.h"

namespace quillmer::console {

namespace {

/// Keys without a character that still give a code (0, then the scan code):
/// the cursor and editing keys and the function keys.
bool gives_scan_code(WORD virtual_key) {
    return (virtual_key >= VK_PRIOR && virtual_key <= VK_DOWN) || virtual_key == VK_INSERT ||
           virtual_key == VK_DELETE || virtual_key == VK_CLEAR ||
           (virtual_key >= VK_F1 && virtual_key <= VK_F12);
}

}  // namespace

KeyCodes key_codes(const INPUT_RECORD& event) {
    KeyCodes key;
    if (event.EventType != KEY_EVENT || !event.Event.KeyEvent.bKeyDown) return key;
    // Esc whatever character comes with it: Wine on a terminal, and other
    // consoles and remote tools, report it with none, and it must still stop
    // a transfer.
    const wchar_t c = event.Event.KeyEvent.wVirtualKeyCode == VK_ESCAPE
                          ? wchar_t{27}
                          : event.Event.KeyEvent.uChar.UnicodeChar;
    if (c == 0) {
        if (gives_scan_code(event.Event.KeyEvent.wVirtualKeyCode)) {
            key.codes = {0, event.Event.KeyEvent.wVirtualScanCode};
            key.count = 2;
        }
        return key;
    }
    if (c < 0x80) {
        key.codes[0] = c;
        key.count = 1;
        return key;
    }
    std::array<char, 4> bytes{};
    const int length = WideCharToMultiByte(GetConsoleCP(), 0, &c, 1, bytes.data(),
                                           static_cast<int>(bytes.size()), nullptr, nullptr);
    for (int i = 0; i < length; ++i) {
        key.codes[key.count++] = static_cast<unsigned char>(bytes[static_cast<std::size_t>(i)]);
    }
    return key;
}

}  // namespace quillmer::console
