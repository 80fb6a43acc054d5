#include "app/trace.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <utility>

#include "core/text.h"
#include "protocol/frame_names.h"
#include "protocol/frames.h"
#include "serial/port_list.h"

namespace quillmer::app {

namespace {

constexpr std::size_t kLongestRun = 256;                // the reply buffer holds 254 bytes
constexpr std::string_view kTraceMark = "# quillmer ";  // how every trace starts

/// "> 38400 FE FE ... FD  NAME" and its "<" counterpart.
std::string bytes_event(char direction, int speed, std::span<const std::uint8_t> bytes,
                        const std::string& name) {
    std::string event;
    event.reserve(bytes.size() * 3 + name.size() + 16);
    event += direction;
    event += ' ';
    event += std::to_string(speed);
    event += ' ';
    text::append_hex(event, bytes);
    event += "  ";
    event += name;
    return event;
}

}  // namespace

std::string trace_header(const std::optional<std::string>& memory_file) {
    std::string version = version_line();
    while (!version.empty() && version.back() == '\n') version.pop_back();
    std::string header = version + " trace; " + QUILLMER_PLATFORM + "; ";
    if (!memory_file) return header + "no memory file";
    header += "memory file \"" + *memory_file + "\", ";
    std::error_code error;
    const auto size = std::filesystem::file_size(*memory_file, error);
    return header + (error ? "size unknown" : std::to_string(size) + " bytes");
}

std::string known_port(const std::string& path) {
    const auto port = serial::find_port(serial::list_ports(), path);
    if (!port) return {};
    // The line --ports shows, without the answer that starts it.
    std::string line = serial::describe(*port);
    if (line.starts_with(port->answer)) line.erase(0, port->answer.size());
    const std::size_t known = line.find_first_not_of(' ');
    return known == std::string::npos ? std::string() : line.substr(known);
}

std::string end_event(Command command, ExitStatus status) {
    // A run that ends with 0 wrote everything; any other command just did its work.
    const std::string_view how = command == Command::run && status == ExitStatus::written
                                     ? "all 400 channels written and acknowledged"
                                     : exit_status_text(status).name;
    return "end " + std::string(how) + ", exit status " + std::to_string(static_cast<int>(status));
}

std::unique_ptr<Trace> Trace::create(const std::string& path, std::string_view header,
                                     Clock::time_point started, std::string& error) {
    // A file of the user's (the memory file named where the trace file should
    // be, say) is never emptied: only a trace of an earlier run is replaced.
    if (std::FILE* existing = std::fopen(path.c_str(), "rb")) {
        std::array<char, kTraceMark.size()> start{};
        const std::size_t got = std::fread(start.data(), 1, start.size(), existing);
        std::fclose(existing);
        if (got > 0 && std::string_view(start.data(), got) != kTraceMark) {
            error = "The trace file " + path +
                    " already exists and holds no trace: name a new file for the trace.";
            return nullptr;
        }
    }
    // Binary: the lines end in "\n" on every platform, as the reader expects.
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        error = "The trace file " + path + " cannot be written: " + std::strerror(errno) + ".";
        return nullptr;
    }
    std::unique_ptr<Trace> trace(new Trace(file, started));
    std::fputs("# ", file);
    std::fwrite(header.data(), 1, header.size(), file);
    std::fputs("\n", file);
    if (std::fflush(file) != 0) {
        error = "The trace file " + path + " cannot be written: " + std::strerror(errno) + ".";
        return nullptr;
    }
    return trace;
}

Trace::Trace(std::FILE* file, Clock::time_point started) : file_(file), started_(started) {}

Trace::~Trace() {
    close_run();
    write_out();
    std::fclose(file_);
}

void Trace::add_line(std::string& to, Clock::time_point at, std::string_view event) const {
    const std::chrono::duration<double, std::milli> since = at - started_;
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%.3f ", since.count());
    to += stamp;
    to += event;
    to += '\n';
}

void Trace::write_out() {
    if (waiting_.empty()) return;
    std::fwrite(waiting_.data(), 1, waiting_.size(), file_);
    // Through to the operating system at once: what is written survives the
    // process, however it ends.
    std::fflush(file_);
    waiting_.clear();
}

void Trace::close_run() {
    if (run_.bytes.empty()) return;
    // Ahead of the frames written while it came in: it began before them.
    std::string line;
    add_line(line, run_.first,
             bytes_event('<', run_.speed, run_.bytes, protocol::reply_name(run_.bytes)));
    waiting_.insert(0, line);
    run_.bytes.clear();
}

void Trace::event(std::string_view text) {
    close_run();
    add_line(waiting_, Clock::now(), text);
    write_out();
}

void Trace::sent(int speed, std::span<const std::uint8_t> frame) {
    add_line(waiting_, Clock::now(),
             bytes_event('>', speed, frame, protocol::sent_frame_name(frame)));
    // While a reply is still coming in, its line goes first, once it is whole.
    if (run_.bytes.empty()) write_out();
}

void Trace::received(int speed, std::uint8_t byte) {
    if (!run_.bytes.empty() && run_.speed != speed) close_run();
    if (run_.bytes.empty()) {
        write_out();
        run_.speed = speed;
        run_.first = Clock::now();
    }
    run_.bytes.push_back(byte);
    // Written as soon as it is whole: should the program fail on this reply,
    // the reply is in the file.
    if (byte == protocol::kEndByte || run_.bytes.size() >= kLongestRun) {
        close_run();
        write_out();
    }
}

void Trace::nothing_received() {
    close_run();
    write_out();
}

TracedDevice::TracedDevice(serial::Device& device, Trace& trace,
                           std::function<std::string(const std::string& path)> describe)
    : device_(device), trace_(trace), describe_(std::move(describe)) {}

serial::OpenResult TracedDevice::open(const std::string& path) {
    serial::OpenResult result = device_.open(path);
    gone_ = false;
    if (!result.opened()) {
        trace_.event("port " + path + " not opened" +
                     (result.system_text.empty() ? "" : ": " + result.system_text));
        return result;
    }
    const std::string known = describe_ ? describe_(path) : std::string();
    trace_.event("port " + path + (known.empty() ? "" : ": " + known));
    return result;
}

bool TracedDevice::configure() {
    const bool configured = device_.configure();
    speed_ = serial::kDefaultSpeed;
    trace_.event(configured ? "speed " + std::to_string(speed_)
                            : "line settings refused by the driver");
    return configured;
}

void TracedDevice::close() {
    device_.close();
    trace_.event("port closed");
}

bool TracedDevice::set_speed(int rate) {
    const bool changed = device_.set_speed(rate);
    // A refused change leaves the line where it was.
    if (changed) speed_ = rate;
    trace_.event("speed " + std::to_string(rate) + (changed ? "" : " refused by the driver"));
    return changed;
}

void TracedDevice::write_frame(std::span<const std::uint8_t> frame) {
    device_.write_frame(frame);
    trace_.sent(speed_, frame);
    note_vanished();
}

std::optional<std::uint8_t> TracedDevice::read_byte() {
    const std::optional<std::uint8_t> byte = device_.read_byte();
    if (byte) {
        trace_.received(speed_, *byte);
    } else {
        trace_.nothing_received();
    }
    note_vanished();
    return byte;
}

void TracedDevice::note_vanished() {
    if (gone_ || !device_.vanished()) return;
    gone_ = true;
    trace_.event("gone");
}

void TracedTerminal::notice(std::string_view line) {
    terminal_.notice(line);
    std::string_view text = line;
    while (!text.empty() && text.back() == '\n') text.remove_suffix(1);
    trace_.event("note " + std::string(text));
}

int TracedTerminal::read_key() {
    const int key = terminal_.read_key();
    if (key == console::kKeyEsc) trace_.event("key Esc");
    if (key == console::kKeyCtrlC) trace_.event("key Ctrl-C");
    return key;
}

}  // namespace quillmer::app
