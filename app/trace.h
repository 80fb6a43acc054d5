#pragma once
// The wire trace (--trace FILE): every byte to and from the radio, and what the
// run did around them, one event a line, each line written through to the file
// as it happens so that a pulled cable, Ctrl-C or a crash keeps what came
// before. A user attaches the file to a report; quillmer-sim --replay answers
// the program as the traced radio did.
//
//   # quillmer 0.2.0 trace; linux; memory file "memory.csv", 1234 bytes
//   0.512 port /dev/ttyUSB0: FTDI FT232R USB UART 0403:6001 serial A1B2C3
//   0.530 speed 38400
//   0.612 > 38400 FE FE 01 80 18 01 FD  LINK_OPEN
//   0.700 < 38400 FE FE 80 01 FB FD  OK
//   3.800 note The radio has not answered channel 0 for 3 s; the program ...
//   9.000 key Esc
//   9.100 end stopped by Esc or Ctrl-C, exit status 7
//
// Every line but the header starts with the milliseconds since the program
// started. `>` is a frame to the radio, `<` a run of bytes from it; then the
// line speed, the bytes in hex and, after two spaces, their name.

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "app/options.h"
#include "console/terminal.h"
#include "core/exit_status.h"
#include "serial/port.h"

namespace quillmer::app {

/// The header: the version as --version shows it, the platform, the memory
/// file's name as given and its size: `quillmer 0.2.0 trace; linux; memory file
/// "memory.csv", 1234 bytes`.
std::string trace_header(const std::optional<std::string>& memory_file);

/// What --ports knows of the port at `path`: "FTDI FT232R USB UART, USB
/// 0403:6001, serial number A1B2C3, driver ftdi_sio, /dev/serial/by-id/...";
/// empty when it knows nothing.
std::string known_port(const std::string& path);

/// The last event of a run: how it ended, then "exit status N".
std::string end_event(Command command, ExitStatus status);

class Trace {
  public:
    using Clock = std::chrono::steady_clock;

    /// Creates the file at `path`, or empties it when it holds an earlier trace
    /// (it starts with "# quillmer ") or nothing, and writes the header line
    /// "# `header`", which starts with "quillmer ". Nothing when the file cannot
    /// be written or holds something else; `error` then says why, in a line for
    /// the user. Times count from `started`.
    static std::unique_ptr<Trace> create(const std::string& path, std::string_view header,
                                         Clock::time_point started, std::string& error);
    ~Trace();
    Trace(const Trace&) = delete;
    Trace& operator=(const Trace&) = delete;

    /// An event line: "speed 4800", "key Esc", "gone", "end ...", written at
    /// once, after every line still waiting.
    void event(std::string_view text);
    /// A frame written at `speed`. While a run of received bytes is still
    /// coming in, the frame's line waits until that run's line is written (a
    /// few milliseconds at most), so that a reply read across the frame shows
    /// whole, before it: the radio sent it before the frame went.
    void sent(int speed, std::span<const std::uint8_t> frame);
    /// One byte read at `speed`. Bytes make a run, one line written when the
    /// run ends: with FD, a read that brought nothing, another speed, or at 256
    /// bytes. The line's time is that of the run's first byte.
    void received(int speed, std::uint8_t byte);
    /// A read brought nothing: the run of bytes read so far ends and is written.
    void nothing_received();

  private:
    Trace(std::FILE* file, Clock::time_point started);
    /// Appends "<ms> `event`\n" to `to`.
    void add_line(std::string& to, Clock::time_point at, std::string_view event) const;
    /// Puts the run's line in front of the waiting lines, when there is a run.
    void close_run();
    /// Writes the waiting lines through to the file.
    void write_out();

    struct Run {
        int speed = 0;
        Clock::time_point first;
        std::vector<std::uint8_t> bytes;
    };

    std::FILE* file_;
    Clock::time_point started_;
    Run run_;
    std::string waiting_;  ///< lines not yet written: frames behind a run, a finished run
};

/// The serial device with every frame, byte, speed change, opening and
/// vanishing written to the trace. The protocol talks to it as to the device.
class TracedDevice final : public serial::Device {
  public:
    /// `describe` gives what is known of a device path ("FTDI FT232R ..."), or
    /// an empty text.
    TracedDevice(serial::Device& device, Trace& trace,
                 std::function<std::string(const std::string& path)> describe = known_port);

    serial::OpenResult open(const std::string& path) override;
    bool configure() override;
    void close() override;
    bool set_speed(int rate) override;
    void write_frame(std::span<const std::uint8_t> frame) override;
    std::optional<std::uint8_t> read_byte() override;
    bool vanished() const override { return device_.vanished(); }
    serial::ReplyLatency reply_latency() const override { return device_.reply_latency(); }

  private:
    void note_vanished();

    serial::Device& device_;
    Trace& trace_;
    std::function<std::string(const std::string& path)> describe_;
    int speed_ = serial::kDefaultSpeed;
    bool gone_ = false;
};

/// The console with the keys that act during the transfer (Esc, Ctrl-C) and
/// the lines given to notice() written to the trace.
class TracedTerminal final : public console::Terminal {
  public:
    TracedTerminal(console::Terminal& terminal, Trace& trace)
        : terminal_(terminal), trace_(trace) {}

    void print(std::string_view text) override { terminal_.print(text); }
    void print_raw(std::string_view bytes) override { terminal_.print_raw(bytes); }
    void notice(std::string_view line) override;
    bool key_waiting() override { return terminal_.key_waiting(); }
    int read_key() override;
    bool input_ended() override { return terminal_.input_ended(); }
    console::LineStatus read_line(std::string& line) override { return terminal_.read_line(line); }

  private:
    console::Terminal& terminal_;
    Trace& trace_;
};

}  // namespace quillmer::app
