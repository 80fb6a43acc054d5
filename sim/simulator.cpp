#include "sim/simulator.h"

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "sim/report.h"
#include "sim/wire.h"

namespace quillmer::sim {

// A frame read off the wire, waiting for the moment its last byte has arrived.
struct Simulator::Arrival {
    Bytes bytes;
    int speed = 0;
    Clock::time_point due;
};

// Bytes for the program, sent once due; with pacing one byte every byte time.
struct Simulator::Outgoing {
    Bytes bytes;
    std::size_t sent = 0;
    Clock::time_point due;  // when the next byte may go
    int speed = 0;          // the radio's speed when it answered
    ReplyKind kind = ReplyKind::ack;
    bool speed_checked = false;
};

std::unique_ptr<Simulator> Simulator::start(const RadioConfig& config, std::string* error,
                                            LogFn log) {
    std::string reason;
    auto pty = open_pty(reason);
    auto wake = pty ? open_wake_pipe(reason) : std::nullopt;
    if (!pty || !wake) {
        if (error) *error = reason;
        return nullptr;
    }
    return std::unique_ptr<Simulator>(
        new Simulator(config, std::move(*pty), std::move(*wake), std::move(log)));
}

Simulator::Simulator(RadioConfig config, Pty pty, WakePipe wake, LogFn log)
    : config_(std::move(config)),
      log_(std::move(log)),
      started_(Clock::now()),
      slave_path_(pty.slave_path),
      pty_(std::move(pty)),
      wake_(std::move(wake)) {
    last_speed_ = line_speed(pty_.master.get());
    wire_free_ = started_;
    state_.radio = initial_state(config_);
    // Into the slave's input, where they wait for whoever opens the device next.
    if (!config_.waiting.empty() &&
        write(pty_.master.get(), config_.waiting.data(), config_.waiting.size()) !=
            static_cast<ssize_t>(config_.waiting.size())) {
        this->log("the bytes waiting on the line could not all be written");
    }
    thread_ = std::thread([this] { run(); });
}

Simulator::~Simulator() {
    stop();
}

Snapshot Simulator::snapshot() const {
    std::lock_guard lock(mutex_);
    return state_;
}

std::vector<ReceivedFrame> Simulator::frames() const {
    std::lock_guard lock(mutex_);
    return state_.frames;
}

MemoryImage Simulator::image() const {
    std::lock_guard lock(mutex_);
    return state_.radio.image;
}

int Simulator::replies_sent(ReplyKind kind) const {
    std::lock_guard lock(mutex_);
    return state_.sent(kind);
}

bool Simulator::wait_for(const std::function<bool(const Snapshot&)>& done,
                         std::chrono::milliseconds timeout) const {
    std::unique_lock lock(mutex_);
    changed_.wait_for(lock, timeout, [&] { return done(state_) || !state_.running; });
    return done(state_);
}

bool Simulator::wait_for_frames(std::size_t count, std::chrono::milliseconds timeout) const {
    return wait_for([count](const Snapshot& s) { return s.frames.size() >= count; }, timeout);
}

bool Simulator::wait_for_kind(FrameKind kind, std::size_t count,
                              std::chrono::milliseconds timeout) const {
    return wait_for([&](const Snapshot& s) { return count_of(s.frames, kind) >= count; }, timeout);
}

bool Simulator::wait_for_link_closed(std::chrono::milliseconds timeout, std::size_t count) const {
    return wait_for([count](const Snapshot& s) { return s.link_closes.size() >= count; }, timeout);
}

void Simulator::vanish() {
    request_end(true);
}

void Simulator::stop() {
    request_end(false);
}

void Simulator::request_end(bool vanish) {
    if (thread_.joinable()) {
        vanish_requested_ = vanish;
        const char wake = 1;
        if (write(wake_.write.get(), &wake, 1) != 1) {
            // The pipe holds at most a few bytes and nobody else writes it; the loop
            // also ends when it finds the request at its next wake-up.
        }
        thread_.join();
    }
    pty_.master.reset();
    pty_.slave.reset();
    std::lock_guard lock(mutex_);
    if (vanish) state_.vanished = true;
    state_.running = false;
    changed_.notify_all();
}

void Simulator::log(const std::string& line) const {
    if (!log_) return;
    const std::chrono::duration<double> since = Clock::now() - started_;
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "[%9.3f] ", since.count());
    log_(stamp + line);
}

void Simulator::finish(bool vanished, const std::string& why) {
    {
        // Recorded before the device closes, so that whoever sees the hang-up also
        // finds the radio gone.
        std::lock_guard lock(mutex_);
        state_.vanished = state_.vanished || vanished;
        state_.running = false;
    }
    if (vanished) {
        pty_.master.reset();
        pty_.slave.reset();
    }
    changed_.notify_all();
    if (!why.empty()) log(why);
}

void Simulator::run() {
    std::deque<Arrival> inbox;
    std::deque<Outgoing> outbox;
    bool blocked = false;  // the program's side is full: wait until the master is writable
    for (;;) {
        const Clock::time_point now = Clock::now();
        while (!inbox.empty() && inbox.front().due <= now) {
            if (!hear(inbox.front(), outbox)) {
                finish(true, "the radio vanished (device closed)");
                return;
            }
            inbox.pop_front();
        }
        if (!blocked && !send_due(outbox, blocked)) {
            finish(false,
                   std::string("writing to the pseudo-terminal failed: ") + std::strerror(errno));
            return;
        }

        Clock::time_point next = Clock::time_point::max();
        if (!inbox.empty()) next = inbox.front().due;
        if (!blocked && !outbox.empty()) next = std::min(next, outbox.front().due);
        timespec wait{};
        timespec* timeout = nullptr;
        if (next != Clock::time_point::max()) {
            const auto left = std::max(Clock::duration::zero(), next - Clock::now());
            const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(left).count();
            wait.tv_sec = static_cast<time_t>(ns / 1000000000);
            wait.tv_nsec = static_cast<long>(ns % 1000000000);
            timeout = &wait;
        }
        std::array<pollfd, 2> fds{{{pty_.master.get(), POLLIN, 0}, {wake_.read.get(), POLLIN, 0}}};
        if (blocked) fds[0].events |= POLLOUT;
        if (ppoll(fds.data(), fds.size(), timeout, nullptr) < 0) {
            if (errno == EINTR) continue;
            finish(false, std::string("poll failed: ") + std::strerror(errno));
            return;
        }
        if (fds[1].revents != 0) {
            const bool vanish = vanish_requested_;
            finish(vanish, vanish ? "the radio vanished (device closed)" : "");
            return;
        }
        if (fds[0].revents & POLLOUT) blocked = false;
        // A hang-up cannot happen while our own slave is open; end rather than spin.
        if ((fds[0].revents & POLLIN) ? !read_batch(inbox)
                                      : (fds[0].revents & (POLLHUP | POLLERR | POLLNVAL)) != 0) {
            finish(false, "the pseudo-terminal hung up");
            return;
        }
    }
}

bool Simulator::read_batch(std::deque<Arrival>& inbox) {
    // Read until a read right after looking at the speed finds nothing more: then
    // every speed change seen happened while this batch was being written.
    Bytes batch;
    int speed = last_speed_;
    std::array<std::uint8_t, 1024> buffer{};
    for (int round = 0; round < 64; ++round) {
        bool got = false;
        for (;;) {
            const ssize_t n = read(pty_.master.get(), buffer.data(), buffer.size());
            if (n > 0) {
                batch.insert(batch.end(), buffer.begin(), buffer.begin() + n);
                got = true;
            } else if (n < 0 && errno == EINTR) {
                continue;
            } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
                break;
            } else {
                return false;
            }
        }
        if (!got) break;
        speed = line_speed(pty_.master.get());
    }
    const Clock::time_point read_at = Clock::now();

    std::vector<ParsedFrame> parsed;
    const std::size_t stray_before = parser_.stray;
    feed(parser_, batch, parsed);
    const std::vector<int> speeds = batch_speeds(parsed, last_speed_, speed, after_notice_);
    last_speed_ = speed;
    // A batch of stray bytes alone says nothing about where a change came.
    if (!parsed.empty()) after_notice_ = ends_with_notice(parsed) && speeds.back() == speed;
    std::vector<Clock::time_point> due(parsed.size(), read_at);
    if (config_.pace)
        due = paced_arrivals(parsed, speeds, batch.size(), speed, read_at, wire_free_);
    for (std::size_t i = 0; i < parsed.size(); ++i) {
        inbox.push_back(Arrival{std::move(parsed[i].bytes), speeds[i], due[i]});
    }
    if (parser_.stray != stray_before) {
        {
            std::lock_guard lock(mutex_);
            state_.stray_bytes = parser_.stray;
        }
        log("stray bytes outside any frame: " + std::to_string(parser_.stray - stray_before));
    }
    return true;
}

bool Simulator::hear(const Arrival& arrival, std::deque<Outgoing>& outbox) {
    ReceivedFrame frame{arrival.bytes, classify(arrival.bytes), arrival.speed,
                        arrival.due,   is_exact(arrival.bytes), false};
    Reaction reaction;
    int radio_speed = 0;
    {
        std::lock_guard lock(mutex_);
        radio_speed = state_.radio.speed;
        reaction = react(state_.radio, config_, arrival.bytes, arrival.speed);
        frame.garbled = reaction.garbled;
        if (reaction.link_opened) state_.link_opens.push_back(arrival.due);
        if (reaction.link_closed) state_.link_closes.push_back(arrival.due);
        state_.frames.push_back(frame);
    }
    changed_.notify_all();
    log(describe_frame(frame, radio_speed));
    if (reaction.speed_switched) log("the radio now listens at 38400 bit/s");
    if (reaction.link_opened) log("link opened");
    if (reaction.link_closed) {
        log("link closed; the radio is back at " + std::to_string(config_.speed) + " bit/s");
    }
    if (reaction.vanish) return false;
    if (reaction.reply) {
        outbox.push_back(Outgoing{std::move(reaction.bytes), 0, Clock::now() + reaction.delay,
                                  arrival.speed, *reaction.reply, false});
    }
    return true;
}

bool Simulator::send_due(std::deque<Outgoing>& outbox, bool& blocked) {
    while (!outbox.empty()) {
        Outgoing& out = outbox.front();
        const Clock::time_point now = Clock::now();
        if (out.due > now) return true;
        if (!out.speed_checked) {
            out.speed_checked = true;
            const int line = line_speed(pty_.master.get());
            if (line != out.speed) {
                {
                    std::lock_guard lock(mutex_);
                    ++state_.garbled_replies;
                }
                changed_.notify_all();
                log("not sent: " + std::string(reply_name(out.kind)) + " at " +
                    std::to_string(out.speed) + " bit/s, the line is now at " +
                    std::to_string(line) + " bit/s");
                outbox.pop_front();
                continue;
            }
        }
        const Clock::duration per_byte = byte_time(out.speed);
        const std::size_t left = out.bytes.size() - out.sent;
        const std::size_t count = config_.pace ? bytes_due(out.due, now, per_byte, left) : left;
        ssize_t n = 0;
        {
            // Counted under the lock with the write, so that a test that has read the
            // reply also finds it counted.
            std::lock_guard lock(mutex_);
            n = write(pty_.master.get(), out.bytes.data() + out.sent, count);
            if (n > 0) {
                const auto* from = out.bytes.data() + out.sent;
                state_.bytes_sent.insert(state_.bytes_sent.end(), from, from + n);
            }
            if (n > 0 && out.sent + static_cast<std::size_t>(n) == out.bytes.size()) {
                ++state_.replies[static_cast<std::size_t>(out.kind)];
            }
        }
        if (n < 0) {
            if (errno == EINTR) continue;
            if (errno == EAGAIN || errno == EWOULDBLOCK) {
                blocked = true;
                return true;
            }
            return false;
        }
        out.sent += static_cast<std::size_t>(n);
        if (config_.pace) out.due += per_byte * n;
        if (out.sent < out.bytes.size()) continue;
        changed_.notify_all();
        log("sent " + std::string(reply_name(out.kind)) + ": " + hex(out.bytes));
        outbox.pop_front();
    }
    return true;
}

}  // namespace quillmer::sim
