#include "sim/engine.h"

#include <sys/select.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "sim/wire.h"

namespace quillmer::sim {

// The answers waiting to go, and how far the first of them has gone: only the
// first is ever under way.
struct Engine::Outbox {
    std::deque<Answer> answers;
    std::size_t sent = 0;        // bytes of the first answer written
    bool speed_checked = false;  // the first answer's speed was held against the line's

    Answer pop() {
        Answer first = std::move(answers.front());
        answers.pop_front();
        sent = 0;
        speed_checked = false;
        return first;
    }
    void clear() {
        answers.clear();
        sent = 0;
        speed_checked = false;
    }
};

std::unique_ptr<Engine> Engine::open(Setup setup, std::string* error) {
    std::string reason;
    auto pty = open_pty(reason);
    auto wake = pty ? open_wake_pipe(reason) : std::nullopt;
    if (pty && wake && std::max(pty->master.get(), wake->read.get()) >= FD_SETSIZE) {
        reason = "too many files open: a descriptor beyond FD_SETSIZE";
        pty.reset();
    }
    if (!pty || !wake) {
        if (error) *error = reason;
        return nullptr;
    }
    return std::unique_ptr<Engine>(new Engine(std::move(setup), std::move(*pty), std::move(*wake)));
}

Engine::Engine(Setup setup, Pty pty, WakePipe wake)
    : setup_(std::move(setup)),
      started_(Clock::now()),
      slave_path_(pty.slave_path),
      pty_(std::move(pty)),
      wake_(std::move(wake)),
      line_(setup_.line) {
    last_speed_ = line_speed(pty_.master.get());
    wire_free_ = started_;
    // Into the slave's input, where they wait for whoever opens the device next.
    const Bytes& waiting = setup_.waiting;
    if (!waiting.empty() && write(pty_.master.get(), waiting.data(), waiting.size()) !=
                                static_cast<ssize_t>(waiting.size())) {
        log("the bytes waiting on the line could not all be written");
    }
}

Engine::~Engine() {
    halt(false);
}

void Engine::start(Responder& responder) {
    responder_ = &responder;
    thread_ = std::thread([this] { run(); });
}

bool Engine::wait_for(const std::function<bool()>& done, std::chrono::milliseconds timeout) const {
    std::unique_lock lock(mutex_);
    changed_.wait_for(lock, timeout, [&] { return done() || !running_; });
    return done();
}

void Engine::halt(bool vanish) {
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
}

void Engine::stop(bool vanish) {
    halt(vanish);
    std::lock_guard lock(mutex_);
    running_ = false;
    if (responder_) responder_->ended(vanish);
    changed_.notify_all();
}

void Engine::log(const std::string& line) const {
    if (!setup_.log) return;
    const std::chrono::duration<double> since = Clock::now() - started_;
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "[%9.3f] ", since.count());
    setup_.log(stamp + line);
}

void Engine::finish(const Ending& ending) {
    {
        // Recorded before the device closes, so that whoever sees the hang-up also
        // finds the radio gone.
        std::lock_guard lock(mutex_);
        running_ = false;
        responder_->ended(ending.vanish);
    }
    if (ending.vanish) {
        pty_.master.reset();
        pty_.slave.reset();
    }
    changed_.notify_all();
    if (!ending.why.empty()) log(ending.why);
}

void Engine::run() {
    std::deque<ReceivedFrame> inbox;
    Outbox outbox;
    bool blocked = false;  // the program's side is full: wait until the master is writable
    for (;;) {
        const Clock::time_point now = Clock::now();
        while (!inbox.empty() && inbox.front().at <= now) {
            if (!responder_->hear(inbox.front(), outbox.answers)) {
                finish({true, setup_.vanished_text});
                return;
            }
            inbox.pop_front();
        }
        if (!blocked) {
            auto ending = send_due(outbox);
            if (!ending) ending = deliver(outbox, blocked);
            if (ending) {
                finish(*ending);
                return;
            }
        }

        Clock::time_point next = Clock::time_point::max();
        if (!inbox.empty()) next = inbox.front().at;
        if (!blocked && !outbox.answers.empty()) next = std::min(next, outbox.answers.front().due);
        if (!blocked && line_.next()) next = std::min(next, *line_.next());
        timespec wait{};
        timespec* timeout = nullptr;
        if (next != Clock::time_point::max()) {
            const auto left = std::max(Clock::duration::zero(), next - Clock::now());
            const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(left).count();
            wait.tv_sec = static_cast<time_t>(ns / 1000000000);
            wait.tv_nsec = static_cast<long>(ns % 1000000000);
            timeout = &wait;
        }
        // pselect: it waits to the nanosecond, as paced bytes need, and macOS has it
        // (not ppoll). open() made sure both descriptors are below FD_SETSIZE.
        const int master = pty_.master.get();
        const int wake = wake_.read.get();
        fd_set readable;
        fd_set writable;
        FD_ZERO(&readable);
        FD_ZERO(&writable);
        FD_SET(master, &readable);
        FD_SET(wake, &readable);
        if (blocked) FD_SET(master, &writable);
        if (pselect(std::max(master, wake) + 1, &readable, &writable, nullptr, timeout, nullptr) <
            0) {
            if (errno == EINTR) continue;
            finish({false, std::string("select failed: ") + std::strerror(errno)});
            return;
        }
        if (FD_ISSET(wake, &readable)) {
            const bool vanish = vanish_requested_;
            finish({vanish, vanish ? setup_.vanished_text : ""});
            return;
        }
        if (FD_ISSET(master, &writable)) blocked = false;
        // A hang-up, which cannot happen while our own slave is open, shows as
        // readable and fails the read: end rather than spin.
        if (FD_ISSET(master, &readable) && !read_batch(inbox)) {
            finish({false, "the pseudo-terminal hung up"});
            return;
        }
    }
}

bool Engine::read_batch(std::deque<ReceivedFrame>& inbox) {
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
    // Paced, the batch goes on the wire once the bytes before it have gone.
    const Clock::time_point start = setup_.pace ? std::max(read_at, wire_free_) : read_at;
    std::vector<Clock::time_point> due(parsed.size(), read_at);
    if (setup_.pace) due = paced_arrivals(parsed, speeds, batch.size(), speed, read_at, wire_free_);
    if (setup_.line.echo) {
        const std::vector<Clock::time_point> back =
            setup_.pace ? byte_arrivals(parsed, speeds, batch.size(), speed, start)
                        : std::vector<Clock::time_point>(batch.size(), read_at);
        line_.echo(batch, back);
    }
    for (std::size_t i = 0; i < parsed.size(); ++i) {
        ReceivedFrame frame{
            std::move(parsed[i].bytes), FrameKind::unknown, speeds[i], due[i], false, false};
        frame.kind = classify(frame.bytes);
        frame.exact = is_exact(frame.bytes);
        inbox.push_back(std::move(frame));
    }
    if (parser_.stray != stray_before)
        responder_->stray(parser_.stray, parser_.stray - stray_before);
    return true;
}

std::optional<Engine::Ending> Engine::send_due(Outbox& outbox) {
    while (!outbox.answers.empty()) {
        Answer& out = outbox.answers.front();
        const Clock::time_point now = Clock::now();
        if (out.due > now) return std::nullopt;
        if (out.vanish) return Ending{true, setup_.vanished_text};
        if (!outbox.speed_checked) {
            outbox.speed_checked = true;
            const int line = line_speed(pty_.master.get());
            if (line != out.speed) {
                // Sent at another speed than the program listens at, the bytes
                // would be noise to it.
                if (responder_->off_speed(out, line)) {
                    outbox.clear();
                } else {
                    outbox.pop();
                }
                continue;
            }
        }
        const Clock::duration per_byte = byte_time(out.speed);
        const std::size_t left = out.bytes.size() - outbox.sent;
        const std::size_t count = setup_.pace ? bytes_due(out.due, now, per_byte, left) : left;
        const auto bytes = std::span(out.bytes).subspan(outbox.sent, count);
        {
            // Recorded under the lock before they go on the line, so that a test
            // that has read the bytes also finds them recorded.
            std::lock_guard lock(mutex_);
            responder_->wrote(out, bytes, outbox.sent + count == out.bytes.size());
        }
        log_line_faults(line_.from_radio(bytes, now), out, outbox.sent, count);
        outbox.sent += count;
        if (setup_.pace) out.due += per_byte * static_cast<Clock::rep>(count);
        if (outbox.sent < out.bytes.size()) continue;
        const Answer whole = outbox.pop();
        responder_->sent(whole, outbox.answers.size());
    }
    return std::nullopt;
}

void Engine::log_line_faults(std::size_t first, const Answer& answer, std::size_t offset,
                             std::size_t count) const {
    const LineFaults& faults = setup_.line;
    if (first == 1 && count > 0 && !faults.noise.empty()) {
        log("noise on the line in front of the radio's first byte: " + hex(faults.noise));
    }
    if (faults.drop_byte >= first && faults.drop_byte < first + count) {
        const std::size_t in_answer = offset + (faults.drop_byte - first) + 1;
        log("the line lost byte " + std::to_string(faults.drop_byte) + " the radio sent: byte " +
            std::to_string(in_answer) + " of " + hex(answer.bytes));
    }
}

std::optional<Engine::Ending> Engine::deliver(Outbox& outbox, bool& blocked) {
    for (;;) {
        const Bytes bytes = line_.out(Clock::now());
        if (bytes.empty()) return std::nullopt;
        const ssize_t n = write(pty_.master.get(), bytes.data(), bytes.size());
        if (n >= 0) {
            line_.taken(static_cast<std::size_t>(n));
            // The rest waits until the program has read some.
            blocked = static_cast<std::size_t>(n) < bytes.size();
            return std::nullopt;
        }
        if (errno == EINTR) continue;
        if (errno == EAGAIN || errno == EWOULDBLOCK) {
            blocked = true;
            return std::nullopt;
        }
        std::string why =
            std::string("writing to the pseudo-terminal failed: ") + std::strerror(errno);
        if (!responder_->write_failed(why)) return Ending{false, std::move(why)};
        outbox.clear();
        line_.clear();
        return std::nullopt;
    }
}

}  // namespace quillmer::sim
