#include "tests/wine_console/console_io.h"

#include <cstdio>

namespace quillmer::console_driver {

namespace {

/// The screen is made this wide as soon as the driver is attached, so that no
/// line of the program's (a long settings path above all) wraps into two rows.
constexpr SHORT kColumns = 250;
constexpr SHORT kRows = 300;
/// How long the program's console may take to appear.
constexpr DWORD kAttachTimeoutMs = 10000;

INPUT_RECORD key_record(bool down, WORD virtual_key, WORD scan_code, wchar_t c, DWORD state) {
    INPUT_RECORD event{};
    event.EventType = KEY_EVENT;
    KEY_EVENT_RECORD& key = event.Event.KeyEvent;
    key.bKeyDown = down ? TRUE : FALSE;
    key.wRepeatCount = 1;
    key.wVirtualKeyCode = virtual_key;
    key.wVirtualScanCode = scan_code;
    key.uChar.UnicodeChar = c;
    key.dwControlKeyState = state;
    return event;
}

/// A key pressed and released, as a keyboard reports it.
std::vector<INPUT_RECORD> stroke(WORD virtual_key, WORD scan_code, wchar_t c, DWORD state = 0) {
    return {key_record(true, virtual_key, scan_code, c, state),
            key_record(false, virtual_key, scan_code, c, state)};
}

/// The key events of typing `c`: Enter for "\n", the key of the keyboard
/// layout that gives `c` (with Shift when it needs it), or, for a character no
/// key gives, the character alone, as an input method delivers it.
std::vector<INPUT_RECORD> character_key(wchar_t c) {
    if (c == L'\n') return stroke(VK_RETURN, 28, L'\r');
    const SHORT scan = VkKeyScanW(c);
    if (scan == -1) return stroke(0, 0, c);
    const WORD virtual_key = LOBYTE(scan);
    const WORD scan_code = static_cast<WORD>(MapVirtualKeyW(virtual_key, MAPVK_VK_TO_VSC));
    if ((HIBYTE(scan) & 1) == 0) return stroke(virtual_key, scan_code, c);
    // Shift goes down before the key and comes up after it.
    std::vector<INPUT_RECORD> events{key_record(true, VK_SHIFT, 42, 0, SHIFT_PRESSED)};
    for (const INPUT_RECORD& e : stroke(virtual_key, scan_code, c, SHIFT_PRESSED)) {
        events.push_back(e);
    }
    events.push_back(key_record(false, VK_SHIFT, 42, 0, 0));
    return events;
}

}  // namespace

std::wstring widen(std::string_view utf8) {
    if (utf8.empty()) return {};
    const int in_size = static_cast<int>(utf8.size());
    const int size = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), in_size, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(size > 0 ? size : 0), L'\0');
    if (size > 0) MultiByteToWideChar(CP_UTF8, 0, utf8.data(), in_size, wide.data(), size);
    return wide;
}

std::string narrow(std::wstring_view wide) {
    if (wide.empty()) return {};
    const int in_size = static_cast<int>(wide.size());
    const int size =
        WideCharToMultiByte(CP_UTF8, 0, wide.data(), in_size, nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
    if (size > 0) {
        WideCharToMultiByte(CP_UTF8, 0, wide.data(), in_size, utf8.data(), size, nullptr, nullptr);
    }
    return utf8;
}

std::string printable(std::string_view text) {
    std::string out;
    for (char c : text) {
        if (c == '\n') {
            out += "\\n";
        } else if (c == '\\') {
            out += "\\\\";
        } else if (static_cast<unsigned char>(c) < 0x20) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02x", static_cast<unsigned>(c));
            out += hex;
        } else {
            out += c;
        }
    }
    return out;
}

std::optional<std::vector<INPUT_RECORD>> key_events(std::wstring_view name) {
    if (name == L"esc") return stroke(VK_ESCAPE, 1, 27);
    if (name == L"esc-nochar") return stroke(VK_ESCAPE, 1, 0);
    if (name == L"enter") return stroke(VK_RETURN, 28, L'\r');
    if (name == L"up") return stroke(VK_UP, 72, 0, ENHANCED_KEY);
    if (name == L"f1") return stroke(VK_F1, 59, 0);
    if (name == L"ctrl-c") {
        // Ctrl down, C with the character 3, C up, Ctrl up.
        std::vector<INPUT_RECORD> events{key_record(true, VK_CONTROL, 29, 0, LEFT_CTRL_PRESSED)};
        for (const INPUT_RECORD& e : stroke('C', 46, 3, LEFT_CTRL_PRESSED)) events.push_back(e);
        events.push_back(key_record(false, VK_CONTROL, 29, 0, 0));
        return events;
    }
    if (name.size() == 1) return character_key(name.front());
    return std::nullopt;
}

Report::Report() : out_(GetStdHandle(STD_OUTPUT_HANDLE)) {}

void Report::write(std::string_view bytes) {
    while (!bytes.empty()) {
        DWORD wrote = 0;
        if (!WriteFile(out_, bytes.data(), static_cast<DWORD>(bytes.size()), &wrote, nullptr) ||
            wrote == 0) {
            return;
        }
        bytes.remove_prefix(wrote);
    }
}

void Report::line(std::string_view text) {
    write(std::string(text) + "\n");
}

void Report::screen(std::wstring_view screen) {
    write("--- screen\n" + narrow(screen) + "\n--- end\n");
}

Child::~Child() {
    if (process_ != nullptr) {
        if (running()) TerminateProcess(process_, 255);
        CloseHandle(process_);
    }
    if (input_ != INVALID_HANDLE_VALUE) CloseHandle(input_);
    if (output_ != INVALID_HANDLE_VALUE) CloseHandle(output_);
}

std::string Child::start(std::wstring command_line) {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    // CREATE_NO_WINDOW: a console of its own that no window shows. (It cannot
    // be attached to before the program has begun to run, so it starts at once;
    // its screen keeps what it writes meanwhile.)
    if (!CreateProcessW(nullptr, command_line.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW,
                        nullptr, nullptr, &startup, &info)) {
        return "CreateProcessW failed with error " + std::to_string(GetLastError());
    }
    process_ = info.hProcess;
    CloseHandle(info.hThread);

    FreeConsole();
    bool attached = false;
    const ULONGLONG deadline = GetTickCount64() + kAttachTimeoutMs;
    while (!(attached = AttachConsole(info.dwProcessId) != FALSE) && GetTickCount64() < deadline) {
        Sleep(10);
    }
    if (!attached) return "AttachConsole failed with error " + std::to_string(GetLastError());
    // The Ctrl-C events the driver sends are for the program, not for itself.
    SetConsoleCtrlHandler(nullptr, TRUE);
    input_ = CreateFileW(L"CONIN$", GENERIC_READ | GENERIC_WRITE,
                         FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    output_ = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE,
                          FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (input_ == INVALID_HANDLE_VALUE || output_ == INVALID_HANDLE_VALUE) {
        return "the console's input or screen cannot be opened";
    }
    SetConsoleScreenBufferSize(output_, COORD{kColumns, kRows});
    return {};
}

bool Child::write_input(const std::vector<INPUT_RECORD>& events) {
    DWORD wrote = 0;
    return WriteConsoleInputW(input_, events.data(), static_cast<DWORD>(events.size()), &wrote) &&
           wrote == events.size();
}

bool Child::type(std::wstring_view text) {
    for (wchar_t c : text) {
        if (!write_input(character_key(c))) return false;
    }
    return true;
}

bool Child::ctrl_c_event() {
    return GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0) != FALSE;
}

bool Child::wait_drained(DWORD timeout_ms) {
    const ULONGLONG deadline = GetTickCount64() + timeout_ms;
    for (;;) {
        DWORD pending = 0;
        if (!GetNumberOfConsoleInputEvents(input_, &pending)) return false;
        if (pending == 0) return true;
        if (GetTickCount64() >= deadline) return false;
        Sleep(10);
    }
}

bool Child::running() const {
    return WaitForSingleObject(process_, 0) == WAIT_TIMEOUT;
}

std::optional<DWORD> Child::wait_exit(DWORD timeout_ms) {
    if (WaitForSingleObject(process_, timeout_ms) != WAIT_OBJECT_0) return std::nullopt;
    DWORD status = 0;
    if (!GetExitCodeProcess(process_, &status)) return std::nullopt;
    return status;
}

std::wstring Child::screen() const {
    CONSOLE_SCREEN_BUFFER_INFO info{};
    if (!GetConsoleScreenBufferInfo(output_, &info)) return L"(the screen cannot be read)";
    const auto width = static_cast<std::size_t>(info.dwSize.X);
    const auto rows = static_cast<std::size_t>(info.dwCursorPosition.Y) + 1;
    // One read for all rows: it goes on from the end of a row to the next.
    std::wstring cells(width * rows, L' ');
    DWORD got = 0;
    if (!ReadConsoleOutputCharacterW(output_, cells.data(), static_cast<DWORD>(cells.size()),
                                     COORD{0, 0}, &got)) {
        return L"(the screen cannot be read)";
    }
    std::wstring screen;
    for (std::size_t y = 0; y < rows; ++y) {
        std::wstring_view row = std::wstring_view(cells).substr(y * width, width);
        while (!row.empty() && row.back() == L' ') row.remove_suffix(1);
        if (y > 0) screen += L'\n';
        screen += row;
    }
    return screen;
}

}  // namespace quillmer::console_driver
