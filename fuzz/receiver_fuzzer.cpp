// Fuzz target: the reply receiver fed an arbitrary byte stream through a scripted
// line, with passes on which no byte comes.
//
// Input: byte 0 is where the fill count starts (mod 254: the handshake leaves it
// wherever a frame ended); byte 1 marks quiet passes (bit i % 8 set: after stream
// byte i a pass brings no byte); the rest is the stream, one byte per pass.

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "fuzz/fuzz_check.h"
#include "protocol/receiver.h"
#include "serial/scripted_line.h"

namespace {

using quillmer::protocol::kLastReplyPosition;
using quillmer::protocol::ReplyBuffer;
using quillmer::serial::ScriptedLine;

constexpr std::uint8_t kPreamble = 0xFE;
constexpr std::uint8_t kEnd = 0xFD;

/// The invariants that hold after any pass, whatever came before.
void check_buffer(const ReplyBuffer& reply) {
    QUILLMER_FUZZ_CHECK(reply.fill >= 0 && reply.fill <= kLastReplyPosition);
    const bool ok = quillmer::protocol::reply_is_ok(reply);
    const bool ng = quillmer::protocol::reply_is_ng(reply);
    QUILLMER_FUZZ_CHECK(!(ok && ng));
    // Either verdict needs the two preamble bytes at the start.
    if (ok || ng) QUILLMER_FUZZ_CHECK(reply.bytes[0] == kPreamble && reply.bytes[1] == kPreamble);
}

/// One pass on which no byte comes: nothing is reported and nothing changes.
void quiet_pass(ScriptedLine& line, ReplyBuffer& reply) {
    const ReplyBuffer before = reply;
    QUILLMER_FUZZ_CHECK(!quillmer::protocol::receive_step(line, reply));
    QUILLMER_FUZZ_CHECK(reply.fill == before.fill);
    QUILLMER_FUZZ_CHECK(reply.bytes == before.bytes);
    check_buffer(reply);
}

/// One pass that brings `byte`: the byte lands where the frame stands, only the
/// positions it concerns change, and a frame end is reported exactly for FD.
void byte_pass(ScriptedLine& line, ReplyBuffer& reply, std::uint8_t byte) {
    const ReplyBuffer before = reply;
    line.incoming.push_back(byte);
    const bool frame_end = quillmer::protocol::receive_step(line, reply);
    QUILLMER_FUZZ_CHECK(line.incoming.empty());
    QUILLMER_FUZZ_CHECK(frame_end == (byte == kEnd));

    ReplyBuffer expected = before;
    if (byte == kPreamble) {
        // Any run of preamble bytes leaves FE FE at the start and the next byte
        // at position 2.
        expected.bytes[0] = kPreamble;
        expected.bytes[1] = kPreamble;
        expected.fill = 2;
    } else {
        expected.bytes[static_cast<std::size_t>(before.fill)] = byte;
        expected.fill = std::min(before.fill + 1, kLastReplyPosition);
    }
    QUILLMER_FUZZ_CHECK(reply.fill == expected.fill);
    QUILLMER_FUZZ_CHECK(reply.bytes == expected.bytes);
    check_buffer(reply);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    ReplyBuffer reply;
    if (size > 0) reply.fill = data[0] % (kLastReplyPosition + 1);
    const std::uint8_t quiet = size > 1 ? data[1] : 0;
    ScriptedLine line;
    check_buffer(reply);
    quiet_pass(line, reply);
    for (std::size_t i = 2; i < size; ++i) {
        byte_pass(line, reply, data[i]);
        if ((quiet >> ((i - 2) % 8)) & 1U) quiet_pass(line, reply);
    }
    return 0;
}
