// The console on Windows: console input events for keys, WriteConsoleW for the
// texts on a console, code page 932 bytes when standard output is redirected.
// Standard input that is no console (a pipe, a file) is read a byte at a time,
// so that bytes after a typed line stay for the key functions.

#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <windows.h>

#include <array>
#include <chrono>
#include <cstdlib>
#include <optional>
#include <string>

#include "console/escape_keys.h"
#include "console/key_events_win32.h"
#include "console/key_queue.h"
#include "console/line_input.h"
#include "console/system_console.h"
#include "serial/unique_handle_win32.h"

namespace quillmer::console {

namespace {

using Clock = std::chrono::steady_clock;

constexpr UINT kShiftJisCodePage = 932;
// How long a key test waits for a byte that it has just asked the reader
// thread for: one already waiting in a pipe or file arrives well within it.
constexpr int kFetchWaitMs = 50;

// The console's input mode while a KeyMode has changed it. The console control
// handler runs on a thread of its own and reads these.
HANDLE g_mode_input = nullptr;
DWORD g_saved_mode = 0;
volatile LONG g_mode_active = 0;
// The exit status of a Ctrl-C event, set before the handler is installed.
UINT g_abort_status = 0;

int g_key_modes = 0;  // KeyMode objects alive
bool g_input_ended = false;
KeyQueue g_keys;

enum class Source {
    unknown,  // not looked at yet
    none,     // no standard input at all
    console,  // key events from a console
    pipe,     // a pipe whose pending bytes can be peeked
    thread,   // anything else, read by the reader thread
};
Source g_source = Source::unknown;

HANDLE input_handle() {
    return GetStdHandle(STD_INPUT_HANDLE);
}

Source source() {
    if (g_source != Source::unknown) return g_source;
    const HANDLE in = input_handle();
    DWORD mode = 0;
    if (in == nullptr || in == INVALID_HANDLE_VALUE) {
        g_source = Source::none;
        g_input_ended = true;
    } else if (GetConsoleMode(in, &mode)) {
        g_source = Source::console;
    } else {
        // Peeking tells whether it is a pipe that can be peeked.
        g_source = Source::pipe;
    }
    return g_source;
}

void restore_console() {
    if (InterlockedExchange(&g_mode_active, 0) != 0) SetConsoleMode(g_mode_input, g_saved_mode);
}

BOOL WINAPI on_console_event(DWORD event) {
    restore_console();
    if (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT) {
        // Ctrl-C as a console event (at the port prompt, or from a console that
        // never gives it as a key) stops the run as the key 3 does: no more
        // frames, and the status of an interrupted run. Left to the default
        // handling, the status would be 0xC000013A, or 0 under Wine: "all
        // channels written".
        ExitProcess(g_abort_status);
    }
    return FALSE;  // the window closes, or the session ends: the default handling goes on
}

// ---- Standard input that is no console.

/// Standard input read on a thread of its own, one byte at a time and only when
/// a byte is asked for, so that a key test never blocks on input that cannot be
/// peeked: a file, a device, or Wine's view of a Unix pipe. Plain data without a
/// destructor: the thread may still wait in ReadFile when the program ends.
struct Reader {
    SRWLOCK lock = SRWLOCK_INIT;
    CONDITION_VARIABLE changed = CONDITION_VARIABLE_INIT;
    HANDLE input = nullptr;
    bool running = false;
    bool wanted = false;    ///< a byte was asked for and is being read
    bool has_byte = false;  ///< `byte` was read and not taken yet
    bool ended = false;     ///< the input has ended; the thread has finished
    unsigned char byte = 0;
};
Reader g_reader;

DWORD WINAPI reader_main(void*) {
    Reader& r = g_reader;
    AcquireSRWLockExclusive(&r.lock);
    while (!r.ended) {
        while (!r.wanted) SleepConditionVariableSRW(&r.changed, &r.lock, INFINITE, 0);
        ReleaseSRWLockExclusive(&r.lock);
        unsigned char byte = 0;
        DWORD got = 0;
        const BOOL ok = ReadFile(r.input, &byte, 1, &got, nullptr);
        AcquireSRWLockExclusive(&r.lock);
        r.wanted = false;
        if (ok && got == 1) {
            r.byte = byte;
            r.has_byte = true;
        } else {
            r.ended = true;
        }
        WakeAllConditionVariable(&r.changed);
    }
    ReleaseSRWLockExclusive(&r.lock);
    return 0;
}

/// The next byte through the reader thread, within `timeout_ms` (-1: for ever).
std::optional<unsigned char> reader_byte(int timeout_ms) {
    Reader& r = g_reader;
    AcquireSRWLockExclusive(&r.lock);
    if (!r.running) {
        r.input = input_handle();
        const UniqueHandle thread(CreateThread(nullptr, 0, reader_main, nullptr, 0, nullptr));
        r.running = thread.valid();
        r.ended = !r.running;
    }
    if (!r.has_byte && !r.ended && !r.wanted) {
        r.wanted = true;
        WakeAllConditionVariable(&r.changed);
        if (timeout_ms == 0) timeout_ms = kFetchWaitMs;
    }
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
    while (!r.has_byte && !r.ended) {
        DWORD wait = INFINITE;
        if (timeout_ms >= 0) {
            const auto left =
                std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
            if (left <= 0) break;
            wait = static_cast<DWORD>(left);
        }
        SleepConditionVariableSRW(&r.changed, &r.lock, wait, 0);
    }
    std::optional<unsigned char> byte;
    if (r.has_byte) {
        byte = r.byte;
        r.has_byte = false;
    } else if (r.ended) {
        g_input_ended = true;
    }
    ReleaseSRWLockExclusive(&r.lock);
    return byte;
}

/// One byte read as it comes, waiting for it; end of input latched.
std::optional<unsigned char> read_direct() {
    unsigned char byte = 0;
    DWORD got = 0;
    if (ReadFile(input_handle(), &byte, 1, &got, nullptr) && got == 1) return byte;
    // 0 bytes: the end of the pipe, or Ctrl-Z on a console.
    g_input_ended = true;
    return std::nullopt;
}

/// The next byte of a pipe within `timeout_ms` (-1: for ever), its pending
/// bytes counted by PeekNamedPipe. Moves to the reader thread for good when the
/// input cannot be peeked.
std::optional<unsigned char> pipe_byte(int timeout_ms) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
    for (;;) {
        DWORD pending = 0;
        if (!PeekNamedPipe(input_handle(), nullptr, 0, nullptr, &pending, nullptr)) {
            if (GetLastError() == ERROR_BROKEN_PIPE) {
                g_input_ended = true;
                return std::nullopt;
            }
            g_source = Source::thread;
            return reader_byte(timeout_ms);
        }
        if (pending > 0 || timeout_ms < 0) return read_direct();
        if (timeout_ms == 0 || Clock::now() >= deadline) return std::nullopt;
        Sleep(1);
    }
}

/// Waits up to `timeout_ms` (-1: for ever) for a byte of standard input;
/// nothing on a time-out. End of input is latched: once seen, nothing more is
/// ever read.
std::optional<unsigned char> read_input_byte(int timeout_ms) {
    if (g_input_ended) return std::nullopt;
    switch (source()) {
        case Source::console:
            // Only typed lines are read as bytes from a console.
            return read_direct();
        case Source::pipe:
            return pipe_byte(timeout_ms);
        case Source::thread:
            return reader_byte(timeout_ms);
        case Source::unknown:
        case Source::none:
            break;
    }
    return std::nullopt;
}

/// Moves the next key of a byte stream into the queue. False when none came
/// within the wait.
bool take_byte_key(int timeout_ms) {
    return console::take_byte_key(g_keys, read_input_byte, timeout_ms);
}

// ---- Keys from a console.

bool console_key_waiting() {
    const HANDLE in = input_handle();
    std::array<INPUT_RECORD, 64> events{};
    DWORD got = 0;
    if (!PeekConsoleInputW(in, events.data(), static_cast<DWORD>(events.size()), &got)) {
        return false;
    }
    for (DWORD i = 0; i < got; ++i) {
        if (key_codes(events[i]).count > 0) return true;
    }
    // Only releases, modifier keys, mouse and focus events: no key read would take
    // them, and left in place they would crowd out the next key from this look.
    if (got > 0) ReadConsoleInputW(in, events.data(), got, &got);
    return false;
}

/// Waits for the next key of the console and queues its codes.
void take_console_key() {
    INPUT_RECORD event{};
    DWORD got = 0;
    if (!ReadConsoleInputW(input_handle(), &event, 1, &got)) {
        g_input_ended = true;  // the console is gone: waiting again would spin
        return;
    }
    if (got != 1) return;
    const KeyCodes key = key_codes(event);
    for (std::size_t i = 0; i < key.count; ++i) g_keys.push(key.codes[i]);
}

// ---- Output.

void write_all(HANDLE out, std::string_view bytes) {
    while (!bytes.empty()) {
        DWORD wrote = 0;
        // Nobody is reading when this fails: nothing to be done.
        if (!WriteFile(out, bytes.data(), static_cast<DWORD>(bytes.size()), &wrote, nullptr) ||
            wrote == 0) {
            return;
        }
        bytes.remove_prefix(wrote);
    }
}

std::wstring widen(std::string_view utf8, DWORD flags) {
    if (utf8.empty()) return {};
    const int in_size = static_cast<int>(utf8.size());
    const int size = MultiByteToWideChar(CP_UTF8, flags, utf8.data(), in_size, nullptr, 0);
    if (size <= 0) return {};
    std::wstring wide(static_cast<std::size_t>(size), L'\0');
    MultiByteToWideChar(CP_UTF8, flags, utf8.data(), in_size, wide.data(), size);
    return wide;
}

}  // namespace

void start(int abort_status) {
    g_abort_status = static_cast<UINT>(abort_status);
    std::atexit(restore_console);
    SetConsoleCtrlHandler(on_console_event, TRUE);
}

void print(std::string_view text) {
    const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    DWORD mode = 0;
    if (!GetConsoleMode(out, &mode)) {
        write_all(out, to_shift_jis(text));
        return;
    }
    // The console shows UTF-16 whatever its code page.
    const std::wstring wide = widen(text, 0);
    std::wstring_view rest = wide;
    while (!rest.empty()) {
        DWORD wrote = 0;
        if (!WriteConsoleW(out, rest.data(), static_cast<DWORD>(rest.size()), &wrote, nullptr) ||
            wrote == 0) {
            return;
        }
        rest.remove_prefix(wrote);
    }
}

void print_raw(std::string_view bytes) {
    write_all(GetStdHandle(STD_OUTPUT_HANDLE), bytes);
}

bool key_waiting() {
    if (!g_keys.empty()) return true;
    if (g_input_ended) return false;
    if (source() == Source::console) return console_key_waiting();
    return take_byte_key(0);
}

int read_key() {
    // Ctrl-C must come as the key 3 while the read waits, not end the program.
    KeyMode keys;
    while (g_keys.empty()) {
        if (g_input_ended) return kEndOfInput;
        if (source() == Source::console) {
            take_console_key();
        } else {
            take_byte_key(-1);
        }
    }
    return g_keys.pop();
}

bool input_ended() {
    return g_input_ended && g_keys.empty();
}

bool input_is_terminal() {
    return source() == Source::console;
}

LineStatus read_line(std::string& line) {
    return assemble_line(line, g_keys, [] { return read_input_byte(-1); });
}

KeyMode::KeyMode() {
    if (g_key_modes++ > 0) return;
    const HANDLE in = input_handle();
    DWORD mode = 0;
    if (!GetConsoleMode(in, &mode)) return;
    g_mode_input = in;
    g_saved_mode = mode;
    InterlockedExchange(&g_mode_active, 1);
    // Ctrl-C as an ordinary key event instead of a signal to the process, and
    // arrow keys as key events rather than the escape sequences a terminal sends:
    // a shell may leave virtual terminal input on, and an arrow must never read
    // as Esc.
    const DWORD keys = ENABLE_PROCESSED_INPUT | ENABLE_VIRTUAL_TERMINAL_INPUT;
    if (!SetConsoleMode(in, mode & ~keys)) {
        restore_console();
    }
}

KeyMode::~KeyMode() {
    if (--g_key_modes == 0) restore_console();
}

std::string to_shift_jis(std::string_view utf8) {
    if (utf8.empty()) return {};
    const std::wstring wide = widen(utf8, MB_ERR_INVALID_CHARS);
    if (wide.empty()) return std::string(utf8);
    const int wide_size = static_cast<int>(wide.size());
    // No best fit: a character without a Shift_JIS form must not quietly become
    // a look-alike.
    BOOL lossy = FALSE;
    const int size = WideCharToMultiByte(kShiftJisCodePage, WC_NO_BEST_FIT_CHARS, wide.data(),
                                         wide_size, nullptr, 0, nullptr, &lossy);
    if (size <= 0 || lossy) return std::string(utf8);
    std::string out(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(kShiftJisCodePage, WC_NO_BEST_FIT_CHARS, wide.data(), wide_size, out.data(),
                        size, nullptr, &lossy);
    return out;
}

}  // namespace quillmer::console
