// The serial port on Windows: a COM device opened with CreateFileA, its line
// settings in a DCB, the 5 ms read time-out in COMMTIMEOUTS.

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <chrono>
#include <thread>

#include "serial/line_settings.h"
#include "serial/port.h"
#include "serial/unique_handle_win32.h"
#include "serial/write_whole.h"

namespace quillmer::serial {

namespace {

using Clock = std::chrono::steady_clock;

/// True for the errors with which a write or read fails once the device is gone:
/// a USB adapter pulled out, or, under Wine, a pseudo-terminal whose far end has
/// closed (error 21).
bool device_gone(DWORD error) {
    switch (error) {
        case ERROR_NOT_READY:
        case ERROR_BAD_COMMAND:
        case ERROR_GEN_FAILURE:
        case ERROR_ACCESS_DENIED:
        case ERROR_INVALID_HANDLE:
        case ERROR_DEV_NOT_EXIST:
        case ERROR_DEVICE_NOT_CONNECTED:
        case ERROR_DEVICE_REMOVED:
            return true;
        default:
            return false;
    }
}

/// The system's English words for an error; empty where it has none in English.
std::string english_text(DWORD error) {
    char* text = nullptr;
    const DWORD length = FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, error, MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US),
        reinterpret_cast<char*>(&text), 0, nullptr);
    std::string words = length > 0 && text != nullptr ? std::string(text, length) : std::string();
    LocalFree(text);
    while (!words.empty() && (words.back() == '\n' || words.back() == '\r' || words.back() == ' ' ||
                              words.back() == '.')) {
        words.pop_back();
    }
    return words;
}

/// Why CreateFile failed, from GetLastError().
OpenResult open_failure(const std::string& path, DWORD error) {
    OpenResult result;
    result.path = path;
    result.system_error = static_cast<int>(error);
    result.system_text = english_text(error);
    switch (error) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_INVALID_NAME:
            result.failure = OpenFailure::missing;
            break;
        case ERROR_GEN_FAILURE:
        case ERROR_NOT_READY:
        case ERROR_DEV_NOT_EXIST:
        case ERROR_DEVICE_NOT_CONNECTED:
        case ERROR_DEVICE_REMOVED:
            result.failure = OpenFailure::no_device;
            break;
        // A COM port opens for one program at a time: a port that exists and
        // refuses is held by another.
        case ERROR_ACCESS_DENIED:
        case ERROR_SHARING_VIOLATION:
        case ERROR_BUSY:
            result.failure = OpenFailure::busy;
            break;
        default:
            result.failure = OpenFailure::other;
            break;
    }
    return result;
}

}  // namespace

struct Port::Native {
    UniqueHandle handle;
    DCB kept{};  ///< the line settings last applied
    bool gone = false;
    int failures = 0;  ///< failed reads and writes in a row

    /// Records a failed read or write; after a line error on a driver that aborts
    /// on errors, clears the error so that the next call can succeed.
    void note_failure(DWORD error) {
        ++failures;
        if (device_gone(error)) gone = true;
        if (error == ERROR_OPERATION_ABORTED) {
            DWORD line_errors = 0;
            ClearCommError(handle.get(), &line_errors, nullptr);
        }
    }
};

Port::Port() : native_(std::make_unique<Native>()) {}
Port::~Port() {
    close();
}

OpenResult Port::open(const std::string& path) {
    close();
    if (path.empty()) return OpenResult{OpenFailure::no_path, path, 0, {}, {}};
    // No sharing: a port that another program holds fails here.
    HANDLE handle = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return open_failure(path, GetLastError());
    native_->handle.reset(handle);
    native_->kept = DCB{};
    native_->gone = false;
    native_->failures = 0;
    return OpenResult{OpenFailure::none, path, 0, {}, {}};
}

bool Port::configure() {
    Native& n = *native_;
    n.kept.DCBlength = sizeof(DCB);
    // When the driver's settings cannot be read, the record is applied as it
    // stands and the driver decides.
    GetCommState(n.handle.get(), &n.kept);
    // Only these four fields change; stop bits, parity generation, DTR and RTS
    // control, DSR flow control and XON/XOFF stay as the driver reported them.
    n.kept.BaudRate = static_cast<DWORD>(kDefaultSpeed);
    n.kept.ByteSize = kDataBits;
    n.kept.fParity = FALSE;
    n.kept.fOutxCtsFlow = FALSE;
    if (!SetCommState(n.handle.get(), &n.kept)) return false;
    // Reads return after kReadTimeout without a byte; writes wait until all
    // bytes are sent. A driver that refuses these keeps its own, and the run
    // goes on.
    const auto read_wait = static_cast<DWORD>(kReadTimeout.count());
    COMMTIMEOUTS timeouts{};
    timeouts.ReadIntervalTimeout = read_wait;
    timeouts.ReadTotalTimeoutMultiplier = 0;
    timeouts.ReadTotalTimeoutConstant = read_wait;
    timeouts.WriteTotalTimeoutMultiplier = 0;
    timeouts.WriteTotalTimeoutConstant = 0;
    SetCommTimeouts(n.handle.get(), &timeouts);
    // Bytes that came before this run (the answers to a run stopped by Esc, say)
    // would be taken for the radio's answers to this one.
    PurgeComm(n.handle.get(), PURGE_RXCLEAR);
    return true;
}

bool Port::set_speed(int rate) {
    Native& n = *native_;
    if (!is_line_speed(rate) || !n.handle.valid()) return false;
    FlushFileBuffers(n.handle.get());
    std::this_thread::sleep_for(kSpeedSettle);
    n.kept.BaudRate = static_cast<DWORD>(rate);
    return SetCommState(n.handle.get(), &n.kept) != FALSE;
}

void Port::write_frame(std::span<const std::uint8_t> frame) {
    Native& n = *native_;
    if (!n.handle.valid()) return;
    DWORD error = 0;
    // Without a write time-out a write returns only when all is sent; one that
    // hands nothing over is a driver in trouble, not worth waiting on for ever.
    const WriteEnd end = write_whole(frame, [&](std::span<const std::uint8_t> rest) {
        DWORD wrote = 0;
        if (!WriteFile(n.handle.get(), rest.data(), static_cast<DWORD>(rest.size()), &wrote,
                       nullptr)) {
            error = GetLastError();
            return WriteAttempt{0, true};
        }
        return WriteAttempt{wrote};
    });
    if (end == WriteEnd::done) {
        n.failures = 0;
    } else {
        // A stalled write counts as a failure too: a device that keeps taking
        // nothing ends the transfer like one that fails.
        n.note_failure(error);
    }
}

std::optional<std::uint8_t> Port::read_byte() {
    Native& n = *native_;
    const auto start = Clock::now();
    if (n.handle.valid()) {
        std::uint8_t byte = 0;
        DWORD got = 0;
        if (ReadFile(n.handle.get(), &byte, 1, &got, nullptr)) {
            if (got == 1) {
                n.failures = 0;
                return byte;
            }
            // Nothing within the time-out: a silent radio, not a failure.
        } else {
            n.note_failure(GetLastError());
        }
    }
    // A device in error fails at once: spend the rest of the time-out so that no
    // loop around this call turns into a busy spin.
    const auto spent = Clock::now() - start;
    if (spent < kReadTimeout) std::this_thread::sleep_for(kReadTimeout - spent);
    return std::nullopt;
}

bool Port::vanished() const {
    return native_->gone || native_->failures >= kFailuresForGone;
}

ReplyLatency Port::reply_latency() const {
    // The serial port calls have none for a USB adapter's latency timer: its
    // driver keeps it among the port's own settings.
    return ReplyLatency::timer_in_driver;
}

void Port::close() {
    native_->handle.reset();
}

bool Port::is_open() const {
    return native_->handle.valid();
}

std::string port_path_for_number(long number) {
    return "\\\\.\\COM" + std::to_string(number);
}

bool is_device_path(std::string_view answer) {
    return answer.starts_with("\\\\.\\");
}

}  // namespace quillmer::serial
