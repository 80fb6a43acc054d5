// The serial port on Windows: a COM device opened with CreateFileA, its line
// settings in a DCB, the 5 ms read time-out in COMMTIMEOUTS.

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <chrono>
#include <thread>

#include "serial/port.h"
#include "serial/port_timing.h"
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

bool is_line_speed(int rate) {
    return rate == 4800 || rate == 9600 || rate == kDefaultSpeed;
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

bool Port::open(const std::string& path) {
    close();
    if (path.empty()) return false;
    // No sharing: a port that another program holds fails here.
    HANDLE handle = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return false;
    native_->handle.reset(handle);
    native_->kept = DCB{};
    native_->gone = false;
    native_->failures = 0;
    return true;
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
    n.kept.ByteSize = 8;
    n.kept.fParity = FALSE;
    n.kept.fOutxCtsFlow = FALSE;
    if (!SetCommState(n.handle.get(), &n.kept)) return false;
    // Reads return after 5 ms without a byte; writes wait until all bytes are
    // sent. A driver that refuses these keeps its own, and the run goes on.
    COMMTIMEOUTS timeouts{};
    timeouts.ReadIntervalTimeout = 5;
    timeouts.ReadTotalTimeoutMultiplier = 0;
    timeouts.ReadTotalTimeoutConstant = 5;
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
