#pragma once
// The radio's replies that the program understands, as they stand in the reply
// buffer: FE FE, the addresses 80 01, a command byte at position 4, its data
// from position 5, and FD. The receiver collects them; the handshake, the
// transfer and the wire trace know them by these names alone.

#include <array>
#include <cstddef>

#include "protocol/frames.h"

namespace quillmer::protocol {

/// The two address bytes of every reply: from the radio (80) to the program (01).
inline constexpr std::array<Byte, 2> kFromRadio{0x80, 0x01};
/// The two address bytes of the program's calls, to the radio: every frame it
/// sends but the channel frames.
inline constexpr std::array<Byte, 2> kToRadio{0x01, 0x80};

/// Positions in the reply buffer, the first preamble byte at 0.
namespace reply_at {
inline constexpr std::size_t kCommand = 4;
inline constexpr std::size_t kData = 5;
}  // namespace reply_at

/// The command and data bytes of each reply.
namespace reply {
/// The answer to an identify call; the two id bytes follow it.
inline constexpr Byte kIdentify = 0x19;
/// The answer to LINK_QUERY when the link is up.
inline constexpr std::array<Byte, 2> kLinkReady{0x18, 0x01};
/// An ID-92's answer to READY_PROBE when it takes channels.
inline constexpr std::array<Byte, 2> kReady{0x1D, 0x50};
/// Acknowledged.
inline constexpr Byte kOk = 0xFB;
/// Refused.
inline constexpr Byte kNg = 0xFA;
}  // namespace reply

/// The lengths of the radio's replies, FE FE and FD included: the shortest
/// (OK and NG), and the identify reply's.
inline constexpr std::size_t kShortestReply = 6;
inline constexpr std::size_t kIdentifyReplyLength = 8;

/// The radio's two id bytes, from its identify reply.
using IdBytes = std::array<Byte, 2>;
inline constexpr IdBytes kId91{0x28, 0x88};
inline constexpr IdBytes kId92{0x30, 0x66};

/// The radio models, from the two id bytes of its identify reply.
enum class Model { unknown = 0, id91 = 1, id92 = 2 };

constexpr Model model_from_id(Byte first, Byte second) {
    const IdBytes id{first, second};
    if (id == kId91) return Model::id91;
    if (id == kId92) return Model::id92;
    return Model::unknown;
}

}  // namespace quillmer::protocol
