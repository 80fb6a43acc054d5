#include "protocol/receiver.h"

namespace quillmer::protocol {

namespace {

bool reply_has(const ReplyBuffer& reply, Byte command) {
    return reply.bytes[0] == kPreamble && reply.bytes[1] == kPreamble &&
           reply.bytes[reply_at::kCommand] == command;
}

/// The command byte and the first data byte, wherever the frame started.
bool command_and_data_are(const ReplyBuffer& reply, const std::array<Byte, 2>& expected) {
    return reply.bytes[reply_at::kCommand] == expected[0] &&
           reply.bytes[reply_at::kData] == expected[1];
}

}  // namespace

bool receive_step(serial::Line& line, ReplyBuffer& reply) {
    const auto byte = line.read_byte();
    if (!byte) return false;
    ++reply.received;
    if (*byte == kPreamble) {
        // Any run of preamble bytes leaves FE FE at the start and the next byte
        // at position 2.
        reply.bytes[0] = kPreamble;
        reply.bytes[1] = kPreamble;
        reply.fill = 1;
    } else {
        reply.bytes[static_cast<std::size_t>(reply.fill)] = *byte;
    }
    if (reply.fill < kLastReplyPosition) ++reply.fill;
    return *byte == kEndByte;
}

bool reply_can_be_radios(const ReplyBuffer& reply) {
    const auto length = static_cast<std::size_t>(reply.fill);
    if (length < kShortestReply) return false;
    return !reply_is_identify(reply) || length == kIdentifyReplyLength;
}

bool reply_is_ok(const ReplyBuffer& reply) {
    return reply_has(reply, reply::kOk);
}

bool reply_is_ng(const ReplyBuffer& reply) {
    return reply_has(reply, reply::kNg);
}

bool reply_is_identify(const ReplyBuffer& reply) {
    return reply.bytes[reply_at::kCommand] == reply::kIdentify;
}

bool reply_is_radios_identify(const ReplyBuffer& reply) {
    return reply_is_identify(reply) && reply.bytes[2] == kFromRadio[0] &&
           reply.bytes[3] == kFromRadio[1];
}

bool reply_is_own_frame(const ReplyBuffer& reply) {
    return reply.bytes[2] == kToRadio[0] && reply.bytes[3] == kToRadio[1];
}

IdBytes reply_id(const ReplyBuffer& reply) {
    return {reply.bytes[reply_at::kData], reply.bytes[reply_at::kData + 1]};
}

bool reply_is_link_ready(const ReplyBuffer& reply) {
    return command_and_data_are(reply, reply::kLinkReady);
}

bool reply_is_ready(const ReplyBuffer& reply) {
    return command_and_data_are(reply, reply::kReady);
}

}  // namespace quillmer::protocol
