// The console on POSIX systems: write(2) on standard output, termios for keys
// read one at a time, iconv for a Shift_JIS locale.

#include <iconv.h>
#include <langinfo.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <clocale>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

#include "console/escape_keys.h"
#include "console/key_queue.h"
#include "console/line_input.h"
#include "console/system_console.h"
#include "core/text.h"

namespace quillmer::console {

namespace {

// The terminal's own settings while a KeyMode has changed them. Signal handlers
// read these, so they are plain data.
termios g_saved{};
volatile std::sig_atomic_t g_raw_active = 0;
// The exit status of a Ctrl-C signal, set before the handler is installed.
volatile std::sig_atomic_t g_abort_status = 0;

int g_key_modes = 0;       // KeyMode objects alive
bool g_shift_jis = false;  // the console expects Shift_JIS bytes
bool g_input_ended = false;
KeyQueue g_keys;

void restore_terminal() {
    if (g_raw_active) {
        tcsetattr(STDIN_FILENO, TCSANOW, &g_saved);
        g_raw_active = 0;
    }
}

extern "C" void on_interrupt(int /*sig*/) {
    // Ctrl-C where the terminal makes it a signal (in line mode, at the port
    // prompt) stops the run as the key 3 does: no more frames, and the status
    // of an interrupted run. tcsetattr and _exit are async-signal-safe.
    if (g_raw_active) tcsetattr(STDIN_FILENO, TCSANOW, &g_saved);
    _exit(g_abort_status);
}

extern "C" void on_fatal_signal(int sig) {
    // tcsetattr is async-signal-safe; then die of the signal as if unhandled.
    if (g_raw_active) tcsetattr(STDIN_FILENO, TCSANOW, &g_saved);
    std::signal(sig, SIG_DFL);
    std::raise(sig);
}

void write_all(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t wrote = ::write(fd, bytes.data(), bytes.size());
        if (wrote < 0 && errno == EINTR) continue;
        if (wrote <= 0) return;  // nobody is reading: nothing to be done
        bytes.remove_prefix(static_cast<std::size_t>(wrote));
    }
}

bool is_shift_jis_codeset(std::string_view codeset) {
    constexpr std::array<std::string_view, 7> kNames{
        "SHIFT_JIS", "SHIFT-JIS", "SJIS", "CP932", "WINDOWS-31J", "MS_KANJI", "CSSHIFTJIS"};
    return std::ranges::any_of(kNames, [codeset](std::string_view name) {
        return text::equals_ignoring_case(codeset, name);
    });
}

/// Waits up to `timeout_ms` (-1: for ever) for standard input; one byte, or
/// nothing on a time-out. End of input is latched: once seen, nothing more is
/// ever read.
std::optional<unsigned char> read_input_byte(int timeout_ms) {
    while (!g_input_ended) {
        pollfd p{STDIN_FILENO, POLLIN, 0};
        const int ready = poll(&p, 1, timeout_ms);
        if (ready < 0 && errno == EINTR) continue;
        if (ready == 0) return std::nullopt;
        if (ready < 0 || (p.revents & POLLNVAL)) {
            g_input_ended = true;
            break;
        }
        unsigned char byte = 0;
        const ssize_t got = ::read(STDIN_FILENO, &byte, 1);
        if (got == 1) return byte;
        if (got < 0 && errno == EINTR) continue;
        if (got < 0 && errno == EAGAIN) {
            if (timeout_ms == 0) return std::nullopt;
            continue;
        }
        g_input_ended = true;  // 0 bytes: the end of a file, a closed pipe, a hung-up terminal
    }
    return std::nullopt;
}

/// Moves the next key into the queue. False when none came within the wait.
bool take_key(int timeout_ms) {
    return take_byte_key(g_keys, read_input_byte, timeout_ms);
}

}  // namespace

void start(int abort_status) {
    g_abort_status = abort_status;
    // Only the locale's character set is wanted; everything else stays "C".
    if (std::setlocale(LC_CTYPE, "") != nullptr) {
        g_shift_jis = is_shift_jis_codeset(nl_langinfo(CODESET));
    }
    std::setlocale(LC_CTYPE, "C");
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    std::atexit(restore_terminal);
    std::signal(SIGINT, on_interrupt);
    for (int sig : {SIGTERM, SIGHUP, SIGQUIT}) std::signal(sig, on_fatal_signal);
    // Output to a reader that went away must not kill a transfer half done.
    std::signal(SIGPIPE, SIG_IGN);
}

void print(std::string_view text) {
    if (g_shift_jis) {
        write_all(STDOUT_FILENO, to_shift_jis(text));
    } else {
        write_all(STDOUT_FILENO, text);
    }
}

void print_raw(std::string_view bytes) {
    write_all(STDOUT_FILENO, bytes);
}

bool key_waiting() {
    if (!g_keys.empty()) return true;
    return take_key(0);
}

int read_key() {
    while (g_keys.empty()) {
        if (!take_key(-1) && g_input_ended) return kEndOfInput;
    }
    return g_keys.pop();
}

bool input_ended() {
    return g_input_ended && g_keys.empty();
}

bool input_is_terminal() {
    return isatty(STDIN_FILENO) != 0;
}

LineStatus read_line(std::string& line) {
    return assemble_line(line, g_keys, [] { return read_input_byte(-1); });
}

KeyMode::KeyMode() {
    if (g_key_modes++ > 0) return;
    if (!isatty(STDIN_FILENO) || tcgetpgrp(STDIN_FILENO) != getpgrp()) return;
    termios saved{};
    if (tcgetattr(STDIN_FILENO, &saved) != 0) return;
    termios keys = saved;
    // Keys one at a time, unechoed; Ctrl-C as the key 3. OPOST stays, so "\n"
    // still starts a new line.
    keys.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO | ISIG | IEXTEN);
    keys.c_cc[VMIN] = 1;
    keys.c_cc[VTIME] = 0;
    g_saved = saved;
    g_raw_active = 1;
    if (tcsetattr(STDIN_FILENO, TCSANOW, &keys) != 0) restore_terminal();
}

KeyMode::~KeyMode() {
    if (--g_key_modes == 0) restore_terminal();
}

std::string to_shift_jis(std::string_view utf8) {
    iconv_t cd = iconv_open("CP932", "UTF-8");
    // iconv_open reports a failure as (iconv_t)-1, an integer cast to a pointer.
    // NOLINTNEXTLINE(performance-no-int-to-ptr)
    if (cd == reinterpret_cast<iconv_t>(-1)) return std::string(utf8);
    std::string out(utf8.size() * 2 + 4, '\0');
    char* in = const_cast<char*>(utf8.data());
    std::size_t in_left = utf8.size();
    char* dst = out.data();
    std::size_t out_left = out.size();
    const std::size_t done = iconv(cd, &in, &in_left, &dst, &out_left);
    iconv_close(cd);
    if (done == static_cast<std::size_t>(-1)) return std::string(utf8);
    out.resize(out.size() - out_left);
    return out;
}

}  // namespace quillmer::console
