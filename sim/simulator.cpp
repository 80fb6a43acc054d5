#include "sim/simulator.h"

#include <utility>

#include "sim/report.h"

namespace quillmer::sim {
namespace {

ReplyKind kind_of(const Answer& answer) {
    return static_cast<ReplyKind>(answer.tag);
}

}  // namespace

std::unique_ptr<Simulator> Simulator::start(const RadioConfig& config, std::string* error,
                                            LogFn log) {
    auto engine = Engine::open(
        Engine::Setup{config.pace, config.waiting, "the radio vanished (device closed)",
                      std::move(log), config.line},
        error);
    if (!engine) return nullptr;
    return std::unique_ptr<Simulator>(new Simulator(config, std::move(engine)));
}

Simulator::Simulator(RadioConfig config, std::unique_ptr<Engine> engine)
    : config_(std::move(config)), engine_(std::move(engine)) {
    state_.radio = initial_state(config_);
    engine_->start(*this);
}

Simulator::~Simulator() {
    stop();
}

Snapshot Simulator::snapshot() const {
    const auto lock = engine_->lock();
    return state_;
}

std::vector<ReceivedFrame> Simulator::frames() const {
    const auto lock = engine_->lock();
    return state_.frames;
}

MemoryImage Simulator::image() const {
    const auto lock = engine_->lock();
    return state_.radio.image;
}

int Simulator::replies_sent(ReplyKind kind) const {
    const auto lock = engine_->lock();
    return state_.sent(kind);
}

bool Simulator::wait_for(const std::function<bool(const Snapshot&)>& done,
                         std::chrono::milliseconds timeout) const {
    return engine_->wait_for([&] { return done(state_); }, timeout);
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
    engine_->stop(true);
}

void Simulator::stop() {
    engine_->stop(false);
}

bool Simulator::hear(const ReceivedFrame& frame, std::deque<Answer>& outbox) {
    ReceivedFrame heard = frame;
    Reaction reaction;
    int radio_speed = 0;
    {
        const auto lock = engine_->lock();
        radio_speed = state_.radio.speed;
        reaction = react(state_.radio, config_, frame.bytes, frame.speed);
        heard.garbled = reaction.garbled;
        if (reaction.link_opened) state_.link_opens.push_back(frame.at);
        if (reaction.link_closed) state_.link_closes.push_back(frame.at);
        state_.frames.push_back(heard);
    }
    engine_->notify();
    log(describe_frame(heard, radio_speed));
    if (reaction.speed_switched) log("the radio now listens at 38400 bit/s");
    if (reaction.link_opened) log("link opened");
    if (reaction.link_closed) {
        log("link closed; the radio is back at " + std::to_string(config_.speed) + " bit/s");
    }
    if (reaction.vanish) return false;
    if (reaction.reply) {
        outbox.push_back(Answer{std::move(reaction.bytes), Clock::now() + reaction.delay,
                                frame.speed, false, static_cast<int>(*reaction.reply)});
    }
    return true;
}

void Simulator::stray(std::size_t total, std::size_t added) {
    {
        const auto lock = engine_->lock();
        state_.stray_bytes = total;
    }
    log("stray bytes outside any frame: " + std::to_string(added));
}

bool Simulator::off_speed(const Answer& answer, int line_speed) {
    {
        const auto lock = engine_->lock();
        ++state_.garbled_replies;
    }
    engine_->notify();
    log("not sent: " + std::string(reply_name(kind_of(answer))) + " at " +
        std::to_string(answer.speed) + " bit/s, the line is now at " + std::to_string(line_speed) +
        " bit/s");
    return false;
}

void Simulator::wrote(const Answer& answer, std::span<const std::uint8_t> bytes, bool whole) {
    state_.bytes_sent.insert(state_.bytes_sent.end(), bytes.begin(), bytes.end());
    if (whole) ++state_.replies[static_cast<std::size_t>(kind_of(answer))];
}

void Simulator::sent(const Answer& answer, std::size_t /*pending*/) {
    engine_->notify();
    log("sent " + std::string(reply_name(kind_of(answer))) + ": " + hex(answer.bytes));
}

void Simulator::ended(bool vanished) {
    state_.vanished = state_.vanished || vanished;
    state_.running = false;
}

}  // namespace quillmer::sim
