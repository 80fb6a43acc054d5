#include "sim/wire.h"

#include <algorithm>

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

std::vector<Clock::time_point> paced_arrivals(const std::vector<ParsedFrame>& frames,
                                              const std::vector<int>& speeds,
                                              std::size_t batch_size, int speed_after,
                                              Clock::time_point read_at,
                                              Clock::time_point& wire_free) {
    std::vector<Clock::time_point> arrivals;
    arrivals.reserve(frames.size());
    Clock::time_point clock = std::max(read_at, wire_free);
    std::size_t counted = 0;
    for (std::size_t i = 0; i < frames.size(); ++i) {
        // The stray bytes in front of a frame went at its speed too.
        const auto bytes = static_cast<Clock::rep>(frames[i].end - counted);
        clock += byte_time(speeds[i]) * bytes;
        counted = frames[i].end;
        arrivals.push_back(clock);
    }
    clock += byte_time(speed_after) * static_cast<Clock::rep>(batch_size - counted);
    wire_free = clock;
    return arrivals;
}

std::size_t bytes_due(Clock::time_point next_due, Clock::time_point now, Clock::duration per_byte,
                      std::size_t left) {
    if (now < next_due || left == 0) return 0;
    const auto late = per_byte.count() > 0 ? (now - next_due) / per_byte : left;
    return std::min(left, static_cast<std::size_t>(late) + 1);
}

}  // namespace quillmer::sim
