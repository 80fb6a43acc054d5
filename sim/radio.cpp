#include "sim/radio.h"

#include <algorithm>

namespace quillmer::sim {
namespace {

constexpr int kLinkSpeed = 38400;

bool carries_faults(const RadioState& state, const RadioConfig& config, ReplyKind kind) {
    const bool armed = !config.filler.empty() || config.overlong > 0 || config.lone_fd;
    const bool limit_left = config.fault_limit < 0 || state.faulted_replies < config.fault_limit;
    return armed && (config.fault_replies & reply_bit(kind)) != 0 && limit_left;
}

Bytes fault_bytes(const RadioConfig& config) {
    Bytes bytes = config.filler;
    if (config.overlong > 0) {
        // Starts like a reply to the program and never ends.
        Bytes overlong{0xFE, 0xFE, 0x80, 0x01};
        overlong.resize(std::min(overlong.size(), config.overlong));
        const Bytes filler = filler_bytes(config.overlong - overlong.size());
        overlong.insert(overlong.end(), filler.begin(), filler.end());
        bytes.insert(bytes.end(), overlong.begin(), overlong.end());
    }
    if (config.lone_fd) bytes.push_back(kEndByte);
    return bytes;
}

void answer(Reaction& reaction, RadioState& state, const RadioConfig& config, ReplyKind kind) {
    reaction.reply = kind;
    reaction.delay = kind == ReplyKind::ack || kind == ReplyKind::refusal ? config.ack_delay
                                                                          : config.reply_delay;
    if (carries_faults(state, config, kind)) {
        ++state.faulted_replies;
        reaction.bytes = fault_bytes(config);
    }
    const Bytes reply = reply_frame(kind, config);
    reaction.bytes.insert(reaction.bytes.end(), reply.begin(), reply.end());
}

// A write, erase or bad channel frame heard in an open link.
void channel_frame(Reaction& reaction, RadioState& state, const RadioConfig& config,
                   std::span<const std::uint8_t> frame) {
    ++state.channel_frames;
    if (config.vanish_after != kNever && state.channel_frames == config.vanish_after) {
        reaction.vanish = true;
        return;
    }
    if (config.mute_after != kNever && state.channel_frames == config.mute_after) {
        state.muted = true;
        return;
    }
    const auto body = frame.subspan(preamble_length(frame));
    const int channel =
        reaction.kind == FrameKind::bad_channel ? -1 : channel_number(body[5], body[6]);
    const bool refused = channel < 0 || channel >= kChannelCount ||
                         std::find(config.ng_channels.begin(), config.ng_channels.end(), channel) !=
                             config.ng_channels.end();
    if (refused) {
        answer(reaction, state, config, ReplyKind::refusal);
        return;
    }
    Slot& slot = state.image[static_cast<std::size_t>(channel)];
    ++slot.stores;
    if (reaction.kind == FrameKind::write) {
        slot.state = SlotState::written;
        slot.frame = *normalised_write_frame(frame);
    } else {
        slot.state = SlotState::erased;
        slot.frame = {};
    }
    answer(reaction, state, config, ReplyKind::ack);
}

}  // namespace

std::string_view reply_name(ReplyKind kind) {
    switch (kind) {
        case ReplyKind::identify:
            return "identify reply";
        case ReplyKind::link_ready:
            return "link ready";
        case ReplyKind::link_opened:
            return "OK to LINK_OPEN";
        case ReplyKind::ready_answer:
            return "ready answer";
        case ReplyKind::ack:
            return "OK";
        case ReplyKind::refusal:
            break;
    }
    return "NG";
}

RadioConfig model_config(Model model) {
    RadioConfig config;
    config.model = model;
    config.id = model == Model::id92 ? std::array<std::uint8_t, 2>{0x30, 0x66}
                                     : std::array<std::uint8_t, 2>{0x28, 0x88};
    return config;
}

Bytes filler_bytes(std::size_t count) {
    Bytes bytes(count);
    for (std::size_t i = 0; i < count; ++i) {
        // Stays below FD, so never FE or FD.
        bytes[i] = static_cast<std::uint8_t>((0x21 + 37 * i) % 0xFD);
    }
    return bytes;
}

RadioState initial_state(const RadioConfig& config) {
    RadioState state;
    state.speed = config.speed;
    return state;
}

Bytes reply_frame(ReplyKind kind, const RadioConfig& config) {
    switch (kind) {
        case ReplyKind::identify:
            return {0xFE, 0xFE, 0x80, 0x01, 0x19, config.id[0], config.id[1], 0xFD};
        case ReplyKind::link_ready:
            return {0xFE, 0xFE, 0x80, 0x01, 0x18, 0x01, 0xFD};
        case ReplyKind::ready_answer:
            return {0xFE, 0xFE, 0x80, 0x01, 0x1D, 0x50, 0xFD};
        case ReplyKind::link_opened:
        case ReplyKind::ack:
            return {0xFE, 0xFE, 0x80, 0x01, 0xFB, 0xFD};
        case ReplyKind::refusal:
            break;
    }
    return {0xFE, 0xFE, 0x80, 0x01, 0xFA, 0xFD};
}

Reaction react(RadioState& state, const RadioConfig& config, std::span<const std::uint8_t> frame,
               int line_speed) {
    Reaction reaction;
    reaction.kind = classify(frame);
    if (line_speed != state.speed) {
        // The radio's receiver samples at its own rate: these bytes are noise to it.
        reaction.garbled = true;
        return reaction;
    }
    if (config.silent || state.muted) return reaction;

    switch (reaction.kind) {
        case FrameKind::identify:
            answer(reaction, state, config, ReplyKind::identify);
            break;
        case FrameKind::speed_notice:
            reaction.speed_switched = state.speed != kLinkSpeed;
            state.speed = kLinkSpeed;
            break;
        case FrameKind::link_query:
            answer(reaction, state, config, ReplyKind::link_ready);
            break;
        case FrameKind::link_open:
            state.link_open = true;
            state.probes = 0;
            reaction.link_opened = true;
            answer(reaction, state, config, ReplyKind::link_opened);
            break;
        case FrameKind::link_close:
            // A closed session leaves the radio as it was before the program came, so
            // a long-running simulator behaves the same for every run.
            state.link_open = false;
            state.speed = config.speed;
            reaction.link_closed = true;
            break;
        case FrameKind::ready_probe:
            if (!state.link_open) break;
            ++state.probes;
            if (config.model == Model::id92 && config.probe_answer_from != kNever &&
                state.probes >= config.probe_answer_from) {
                answer(reaction, state, config, ReplyKind::ready_answer);
            }
            break;
        case FrameKind::write:
        case FrameKind::erase:
        case FrameKind::bad_channel:
            if (state.link_open) channel_frame(reaction, state, config, frame);
            break;
        case FrameKind::keepalive:
        case FrameKind::unknown:
            break;
    }
    return reaction;
}

}  // namespace quillmer::sim
