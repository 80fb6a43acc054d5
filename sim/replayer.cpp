#include "sim/replayer.h"

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "sim/wire.h"

namespace quillmer::sim {

// An answer of the trace on its way to the program.
struct Replayer::Outgoing {
    TracedAnswer answer;
    std::size_t sent = 0;
    Clock::time_point due;  // when the next byte may go
    bool speed_checked = false;
};

std::unique_ptr<Replayer> Replayer::start(ReplayScript script, bool pace, std::string* error,
                                          LogFn log) {
    std::string reason;
    auto pty = open_pty(reason);
    auto wake = pty ? open_wake_pipe(reason) : std::nullopt;
    if (!pty || !wake) {
        if (error) *error = reason;
        return nullptr;
    }
    return std::unique_ptr<Replayer>(
        new Replayer(std::move(script), pace, std::move(*pty), std::move(*wake), std::move(log)));
}

Replayer::Replayer(ReplayScript script, bool pace, Pty pty, WakePipe wake, LogFn log)
    : pace_(pace),
      log_(std::move(log)),
      started_(Clock::now()),
      slave_path_(pty.slave_path),
      pty_(std::move(pty)),
      wake_(std::move(wake)),
      replay_(std::move(script)) {
    last_speed_ = line_speed(pty_.master.get());
    wire_free_ = started_;
    state_.outcome = replay_.outcome();
    state_.complete = replay_.complete();
    thread_ = std::thread([this] { run(); });
}

Replayer::~Replayer() {
    stop();
}

ReplayState Replayer::state() const {
    std::lock_guard lock(mutex_);
    return state_;
}

bool Replayer::wait_for(const std::function<bool(const ReplayState&)>& done,
                        std::chrono::milliseconds timeout) const {
    std::unique_lock lock(mutex_);
    changed_.wait_for(lock, timeout, [&] { return done(state_) || !state_.running; });
    return done(state_);
}

void Replayer::stop() {
    if (thread_.joinable()) {
        const char wake = 1;
        if (write(wake_.write.get(), &wake, 1) != 1) {
            // Nobody else writes the pipe; the loop also ends at its next wake-up.
        }
        thread_.join();
    }
    pty_.master.reset();
    pty_.slave.reset();
    std::lock_guard lock(mutex_);
    state_.running = false;
    changed_.notify_all();
}

void Replayer::log(const std::string& line) const {
    if (!log_) return;
    const std::chrono::duration<double> since = Clock::now() - started_;
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "[%9.3f] ", since.count());
    log_(stamp + line);
}

void Replayer::publish(const std::deque<Outgoing>& outbox) {
    {
        std::lock_guard lock(mutex_);
        state_.matched = replay_.matched();
        state_.pending = outbox.size();
        state_.departure = replay_.departure();
        state_.outcome = replay_.outcome();
        state_.complete = replay_.complete();
    }
    changed_.notify_all();
}

void Replayer::finish(bool vanish, const std::string& why) {
    {
        std::lock_guard lock(mutex_);
        state_.vanished = state_.vanished || vanish;
        state_.running = false;
    }
    if (vanish) {
        pty_.master.reset();
        pty_.slave.reset();
    }
    changed_.notify_all();
    if (!why.empty()) log(why);
}

void Replayer::run() {
    std::deque<ReceivedFrame> inbox;
    std::deque<Outgoing> outbox;
    bool blocked = false;  // the program's side is full: wait until the master is writable
    for (;;) {
        const Clock::time_point now = Clock::now();
        while (!inbox.empty() && inbox.front().at <= now) {
            hear(inbox.front(), outbox);
            inbox.pop_front();
        }
        if (!blocked && !send_due(outbox, blocked)) {
            publish(outbox);
            finish(true, "the device vanished here in the trace: it is gone");
            return;
        }

        Clock::time_point next = Clock::time_point::max();
        if (!inbox.empty()) next = inbox.front().at;
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
            finish(false, "");
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

bool Replayer::read_batch(std::deque<ReceivedFrame>& inbox) {
    // As the simulated radio reads: until a read right after looking at the
    // speed finds nothing more, so that every speed change seen happened while
    // this batch was being written.
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
    feed(parser_, batch, parsed);
    const std::vector<int> speeds = batch_speeds(parsed, last_speed_, speed, after_notice_);
    last_speed_ = speed;
    if (!parsed.empty()) after_notice_ = ends_with_notice(parsed) && speeds.back() == speed;
    std::vector<Clock::time_point> due(parsed.size(), read_at);
    if (pace_) due = paced_arrivals(parsed, speeds, batch.size(), speed, read_at, wire_free_);
    for (std::size_t i = 0; i < parsed.size(); ++i) {
        const Bytes& bytes = parsed[i].bytes;
        inbox.push_back(
            ReceivedFrame{bytes, classify(bytes), speeds[i], due[i], is_exact(bytes), false});
    }
    return true;
}

void Replayer::hear(const ReceivedFrame& frame, std::deque<Outgoing>& outbox) {
    const bool departed_before = replay_.departure().has_value();
    const std::vector<TracedAnswer> answers = replay_.hear(frame.bytes, frame.speed);
    const Clock::time_point now = Clock::now();
    for (const TracedAnswer& answer : answers) {
        outbox.push_back(Outgoing{answer, 0, now + answer.delay, false});
    }
    {
        std::lock_guard lock(mutex_);
        state_.frames.push_back(frame);
    }
    publish(outbox);
    if (frame.kind == FrameKind::keepalive) return;
    const std::string heard =
        "heard " + frame_name(frame.bytes) + " at " + std::to_string(frame.speed) + " bit/s";
    if (replay_.departure() && !departed_before) {
        log(heard + "; " + replay_.departure()->text());
    } else if (!departed_before) {
        log(heard + " (" + std::to_string(replay_.matched()) + " of " +
            std::to_string(replay_.script().frames.size()) + " as traced)");
    }
}

bool Replayer::send_due(std::deque<Outgoing>& outbox, bool& blocked) {
    while (!outbox.empty()) {
        Outgoing& out = outbox.front();
        const Clock::time_point now = Clock::now();
        if (out.due > now) return true;
        if (out.answer.vanish) return false;
        if (!out.speed_checked) {
            out.speed_checked = true;
            const int line = line_speed(pty_.master.get());
            if (line != out.answer.speed) {
                // Sent at another speed than the program listens at, the bytes
                // would be noise: the program is no longer where the trace was.
                replay_.answer_off_speed(out.answer, line);
                log(replay_.outcome());
                outbox.clear();
                publish(outbox);
                return true;
            }
        }
        const Clock::duration per_byte = byte_time(out.answer.speed);
        const std::size_t left = out.answer.bytes.size() - out.sent;
        const std::size_t count = pace_ ? bytes_due(out.due, now, per_byte, left) : left;
        ssize_t n = 0;
        {
            std::lock_guard lock(mutex_);
            n = write(pty_.master.get(), out.answer.bytes.data() + out.sent, count);
            if (n > 0) {
                const auto* from = out.answer.bytes.data() + out.sent;
                state_.sent.insert(state_.sent.end(), from, from + n);
            }
        }
        if (n < 0) {
            if (errno == EINTR) continue;
            if (errno == EAGAIN || errno == EWOULDBLOCK) {
                blocked = true;
                return true;
            }
            log(std::string("writing to the pseudo-terminal failed: ") + std::strerror(errno));
            outbox.clear();
            publish(outbox);
            return true;
        }
        out.sent += static_cast<std::size_t>(n);
        if (pace_) out.due += per_byte * n;
        if (out.sent < out.answer.bytes.size()) continue;
        log("sent " + hex(out.answer.bytes) + " (trace line " + std::to_string(out.answer.line) +
            ")");
        outbox.pop_front();
        publish(outbox);
    }
    return true;
}

}  // namespace quillmer::sim
