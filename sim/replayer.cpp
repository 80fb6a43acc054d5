#include "sim/replayer.h"

#include <utility>

namespace quillmer::sim {

std::unique_ptr<Replayer> Replayer::start(ReplayScript script, bool pace, std::string* error,
                                          LogFn log) {
    auto engine = Engine::open(
        Engine::Setup{
            pace, {}, "the device vanished here in the trace: it is gone", std::move(log), {}},
        error);
    if (!engine) return nullptr;
    return std::unique_ptr<Replayer>(new Replayer(std::move(script), std::move(engine)));
}

Replayer::Replayer(ReplayScript script, std::unique_ptr<Engine> engine)
    : replay_(std::move(script)), engine_(std::move(engine)) {
    state_.outcome = replay_.outcome();
    state_.complete = replay_.complete();
    engine_->start(*this);
}

Replayer::~Replayer() {
    stop();
}

ReplayState Replayer::state() const {
    const auto lock = engine_->lock();
    return state_;
}

bool Replayer::wait_for(const std::function<bool(const ReplayState&)>& done,
                        std::chrono::milliseconds timeout) const {
    return engine_->wait_for([&] { return done(state_); }, timeout);
}

void Replayer::stop() {
    engine_->stop(false);
}

void Replayer::publish(std::size_t pending) {
    {
        const auto lock = engine_->lock();
        state_.matched = replay_.matched();
        state_.pending = pending;
        state_.departure = replay_.departure();
        state_.outcome = replay_.outcome();
        state_.complete = replay_.complete();
    }
    engine_->notify();
}

bool Replayer::hear(const ReceivedFrame& frame, std::deque<Answer>& outbox) {
    const bool departed_before = replay_.departure().has_value();
    const std::vector<TracedAnswer> answers = replay_.hear(frame.bytes, frame.speed);
    const Clock::time_point now = Clock::now();
    for (const TracedAnswer& answer : answers) {
        outbox.push_back(
            Answer{answer.bytes, now + answer.delay, answer.speed, answer.vanish, answer.line});
    }
    {
        const auto lock = engine_->lock();
        state_.frames.push_back(frame);
    }
    publish(outbox.size());
    if (frame.kind == FrameKind::keepalive) return true;
    const std::string heard =
        "heard " + frame_name(frame.bytes) + " at " + std::to_string(frame.speed) + " bit/s";
    if (replay_.departure() && !departed_before) {
        log(heard + "; " + replay_.departure()->text());
    } else if (!departed_before) {
        log(heard + " (" + std::to_string(replay_.matched()) + " of " +
            std::to_string(replay_.script().frames.size()) + " as traced)");
    }
    return true;
}

bool Replayer::off_speed(const Answer& answer, int line_speed) {
    // Sent at another speed than the program listens at, the bytes would be
    // noise: the program is no longer where the trace was.
    replay_.answer_off_speed(TracedAnswer{{}, answer.speed, {}, answer.tag, false}, line_speed);
    log(replay_.outcome());
    publish(0);
    return true;
}

void Replayer::wrote(const Answer& /*answer*/, std::span<const std::uint8_t> bytes,
                     bool /*whole*/) {
    state_.sent.insert(state_.sent.end(), bytes.begin(), bytes.end());
}

void Replayer::sent(const Answer& answer, std::size_t pending) {
    log("sent " + hex(answer.bytes) + " (trace line " + std::to_string(answer.tag) + ")");
    publish(pending);
}

bool Replayer::write_failed(const std::string& why) {
    // It goes on hearing, so that the outcome still says how far the program came.
    log(why);
    publish(0);
    return true;
}

void Replayer::ended(bool vanished) {
    state_.vanished = state_.vanished || vanished;
    state_.running = false;
}

}  // namespace quillmer::sim
