#include "sim/wire.h"

#include <algorithm>
#include <iterator>

namespace quillmer::sim {

Clock::duration byte_time(int bit_per_s) {
    const long long rate = bit_per_s > 0 ? bit_per_s : 38400;
    return std::chrono::duration_cast<Clock::duration>(
        std::chrono::nanoseconds(10LL * 1000000000LL / rate));
}

std::vector<int> batch_speeds(const std::vector<ParsedFrame>& frames, int speed_before,
                              int speed_after, bool after_notice) {
    std::vector<int> speeds(frames.size(), speed_after);
    if (speed_before == speed_after || after_notice) return speeds;
    const auto notice = std::find_if(frames.rbegin(), frames.rend(), [](const ParsedFrame& f) {
        return classify(f.bytes) == FrameKind::speed_notice;
    });
    const auto old_speed_count = static_cast<std::size_t>(frames.rend() - notice);
    std::fill_n(speeds.begin(), old_speed_count, speed_before);
    return speeds;
}

bool ends_with_notice(const std::vector<ParsedFrame>& frames) {
    return !frames.empty() && classify(frames.back().bytes) == FrameKind::speed_notice;
}

std::vector<Clock::time_point> byte_arrivals(const std::vector<ParsedFrame>& frames,
                                             const std::vector<int>& speeds, std::size_t batch_size,
                                             int speed_after, Clock::time_point start) {
    std::vector<Clock::time_point> arrivals;
    arrivals.reserve(batch_size);
    Clock::time_point clock = start;
    std::size_t frame = 0;
    for (std::size_t i = 0; i < batch_size; ++i) {
        // The stray bytes in front of a frame went at its speed too.
        while (frame < frames.size() && frames[frame].end <= i) ++frame;
        clock += byte_time(frame < frames.size() ? speeds[frame] : speed_after);
        arrivals.push_back(clock);
    }
    return arrivals;
}

std::vector<Clock::time_point> paced_arrivals(const std::vector<ParsedFrame>& frames,
                                              const std::vector<int>& speeds,
                                              std::size_t batch_size, int speed_after,
                                              Clock::time_point read_at,
                                              Clock::time_point& wire_free) {
    const Clock::time_point start = std::max(read_at, wire_free);
    const std::vector<Clock::time_point> bytes =
        byte_arrivals(frames, speeds, batch_size, speed_after, start);
    std::vector<Clock::time_point> arrivals;
    arrivals.reserve(frames.size());
    for (const ParsedFrame& frame : frames) arrivals.push_back(bytes[frame.end - 1]);
    wire_free = bytes.empty() ? start : bytes.back();
    return arrivals;
}

std::size_t bytes_due(Clock::time_point next_due, Clock::time_point now, Clock::duration per_byte,
                      std::size_t left) {
    if (now < next_due || left == 0) return 0;
    const auto late = per_byte.count() > 0 ? (now - next_due) / per_byte : left;
    return std::min(left, static_cast<std::size_t>(late) + 1);
}

std::size_t LineIn::from_radio(std::span<const std::uint8_t> bytes, Clock::time_point at) {
    const std::size_t first = radio_bytes_ + 1;
    if (radio_bytes_ == 0 && !bytes.empty()) {
        for (const std::uint8_t value : faults_.noise) put(value, at);
    }
    for (const std::uint8_t value : bytes) {
        if (++radio_bytes_ != faults_.drop_byte) put(value, at);
    }
    return first;
}

void LineIn::echo(std::span<const std::uint8_t> bytes, std::span<const Clock::time_point> at) {
    if (!faults_.echo) return;
    for (std::size_t i = 0; i < bytes.size() && i < at.size(); ++i) put(bytes[i], at[i]);
}

void LineIn::put(std::uint8_t value, Clock::time_point at) {
    // Behind every byte that reached the cable no later, and behind those out.
    auto place = line_.end();
    while (place - line_.begin() > static_cast<std::ptrdiff_t>(let_out_) &&
           std::prev(place)->at > at) {
        --place;
    }
    line_.insert(place, Byte{value, at});
}

Clock::time_point LineIn::out_at(const Byte& byte) const {
    if (faults_.latency.count() == 0) return byte.at;
    if (window_ && byte.at < *window_) return *window_;
    return byte.at + faults_.latency;
}

Bytes LineIn::out(Clock::time_point now) {
    while (let_out_ < line_.size()) {
        const Byte& byte = line_[let_out_];
        // A byte that reaches the adapter after the last window ended opens the next.
        const bool opens = faults_.latency.count() > 0 && (!window_ || byte.at >= *window_);
        if (opens && byte.at <= now) window_ = byte.at + faults_.latency;
        if (out_at(byte) > now) break;
        ++let_out_;
    }
    Bytes bytes;
    bytes.reserve(let_out_);
    for (std::size_t i = 0; i < let_out_; ++i) bytes.push_back(line_[i].value);
    return bytes;
}

void LineIn::taken(std::size_t count) {
    count = std::min(count, let_out_);
    line_.erase(line_.begin(), line_.begin() + static_cast<std::ptrdiff_t>(count));
    let_out_ -= count;
}

std::optional<Clock::time_point> LineIn::next() const {
    if (let_out_ >= line_.size()) return std::nullopt;
    return out_at(line_[let_out_]);
}

}  // namespace quillmer::sim
