#include "protocol/receiver.h"

namespace quillmer::protocol {

bool receive_step(serial::Line& line, ReplyBuffer& reply) {
    const auto byte = line.read_byte();
    if (!byte) return false;
    if (*byte == 0xFE) {
        // Any run of preamble bytes leaves FE FE at the start and the next byte
        // at position 2.
        reply.bytes[0] = 0xFE;
        reply.bytes[1] = 0xFE;
        reply.fill = 1;
    } else {
        reply.bytes[static_cast<std::size_t>(reply.fill)] = *byte;
    }
    if (reply.fill < kLastReplyPosition) ++reply.fill;
    return *byte == 0xFD;
}

static bool reply_has(const ReplyBuffer& reply, std::uint8_t command) {
    return reply.bytes[0] == 0xFE && reply.bytes[1] == 0xFE && reply.bytes[4] == command;
}

bool reply_is_ok(const ReplyBuffer& reply) {
    return reply_has(reply, 0xFB);
}
bool reply_is_ng(const ReplyBuffer& reply) {
    return reply_has(reply, 0xFA);
}

}  // namespace quillmer::protocol
