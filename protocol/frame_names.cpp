#include "protocol/frame_names.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "core/text.h"
#include "protocol/frame_decode.h"
#include "protocol/replies.h"

namespace quillmer::protocol {
namespace {

struct Named {
    std::span<const Byte> frame;
    std::string_view name;
};

const std::array<Named, 8> kFixedFrames{{
    {IDENTIFY_LONG, "IDENTIFY_LONG"},
    {IDENTIFY_SHORT, "IDENTIFY_SHORT"},
    {SPEED_NOTICE, "SPEED_NOTICE"},
    {LINK_QUERY, "LINK_QUERY"},
    {LINK_OPEN, "LINK_OPEN"},
    {KEEPALIVE, "KEEPALIVE"},
    {READY_PROBE, "READY_PROBE"},
    {LINK_CLOSE, "LINK_CLOSE"},
}};

/// True when every byte of a write frame that is the same for every channel
/// is as the program sends it.
bool fixed_bytes_hold(std::span<const Byte> frame) {
    struct Range {
        std::size_t from;
        std::size_t to;  ///< past the last
    };
    // Channel, frequency and offset; mode and duplex; label; the call fields.
    constexpr std::array<Range, 4> kVariable{
        {{write_at::kChannelHundreds, write_at::kOffset + write_at::kOffsetBytes},
         {write_at::kMode, write_at::kDuplex + 1},
         {write_at::kLabel, write_at::kLabel + write_at::kNameBytes},
         {write_at::kCall1, write_at::kCall3 + write_at::kNameBytes}}};
    for (std::size_t i = 0; i < frame.size(); ++i) {
        const bool variable =
            std::ranges::any_of(kVariable, [i](const Range& r) { return i >= r.from && i < r.to; });
        if (!variable && frame[i] != WRITE_FRAME_TEMPLATE[i]) return false;
    }
    return true;
}

/// The label as sent, without the spaces that pad it, bytes outside printable
/// ASCII as \xNN.
std::string shown_label(const std::string& label) {
    std::string shown;
    const std::size_t end = label.find_last_not_of(' ') + 1;  // npos + 1 is 0
    for (const char c : label.substr(0, end)) {
        if (text::is_printable(c)) {
            shown += c;
        } else {
            shown += "\\x";
            shown.append(text::hex_digits(static_cast<std::uint8_t>(c)).data(), 2);
        }
    }
    return shown;
}

}  // namespace

std::string sent_frame_name(std::span<const Byte> frame) {
    for (const Named& fixed : kFixedFrames) {
        if (std::ranges::equal(frame, fixed.frame)) return std::string(fixed.name);
    }
    const auto channel = decode_channel_frame(frame);
    if (!channel || (!channel->erase && !fixed_bytes_hold(frame))) return "?";
    const std::string number = channel->channel >= 0 ? std::to_string(channel->channel) : "?";
    if (channel->erase) return "ERASE ch " + number;
    std::string name =
        "WRITE ch " + number + " " + channel->frequency + " " + duplex_text(*channel);
    // The offset only where it moves the transmit frequency.
    if (channel->duplex != channels::Duplex::off) name += " " + channel->offset;
    return name + " " + mode_text(*channel) + " \"" + shown_label(channel->label) + "\"";
}

std::string reply_name(std::span<const Byte> bytes) {
    // What the receiver keeps of it: a run of FE, the addresses, the command
    // and its data up to FD. Another FE inside would restart the frame.
    const auto body_at = std::ranges::find_if(bytes, [](Byte b) { return b != kPreamble; });
    const auto preamble = body_at - bytes.begin();
    const std::span<const Byte> body(body_at, bytes.end());
    const bool framed = preamble >= 2 && body.size() >= 4 && body.back() == kEndByte &&
                        std::ranges::count(body, kPreamble) == 0 &&
                        std::ranges::count(body, kEndByte) == 1 &&
                        std::ranges::equal(body.first(kFromRadio.size()), kFromRadio);
    if (!framed) return "?";
    // The command and its data.
    const std::span<const Byte> data =
        body.subspan(kFromRadio.size(), body.size() - kFromRadio.size() - 1);
    const auto is = [&data](std::span<const Byte> expected) {
        return std::ranges::equal(data, expected);
    };
    const auto is_alone = [&data](Byte command) { return data.size() == 1 && data[0] == command; };
    if (is_alone(reply::kOk)) return "OK";
    if (is_alone(reply::kNg)) return "NG";
    if (is(reply::kLinkReady)) return "link ready";
    if (is(reply::kReady)) return "ready";
    if (data.size() == 3 && data[0] == reply::kIdentify) {
        switch (model_from_id(data[1], data[2])) {
            case Model::id91:
                return "identify ID-91";
            case Model::id92:
                return "identify ID-92";
            case Model::unknown:
                break;
        }
        std::string name = "identify ";
        text::append_hex(name, data.subspan(1));
        return name;
    }
    return "?";
}

}  // namespace quillmer::protocol
