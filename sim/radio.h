#pragma once
// The radio itself: what an ID-91 or ID-92 does with each frame it hears, with
// the faults a test can arm. No input or output here; the simulator feeds it.

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "sim/frames.h"
#include "sim/memory_image.h"

namespace quillmer::sim {

enum class Model { id91, id92 };

/// Replies the radio sends, all addressed 80 01.
enum class ReplyKind {
    identify,      ///< FE FE 80 01 19 <id1> <id2> FD, to IDENTIFY
    link_ready,    ///< FE FE 80 01 18 01 FD, to LINK_QUERY
    link_opened,   ///< FE FE 80 01 FB FD, to LINK_OPEN
    ready_answer,  ///< FE FE 80 01 1D 50 FD, to READY_PROBE (ID-92 only)
    ack,           ///< FE FE 80 01 FB FD, to a write or erase frame that was stored
    refusal,       ///< FE FE 80 01 FA FD, to a channel frame that was not stored
};
inline constexpr std::size_t kReplyKindCount = 6;

/// "identify reply", "link ready", "OK to LINK_OPEN", "ready answer", "OK", "NG".
std::string_view reply_name(ReplyKind kind);

/// Bit of a reply kind in RadioConfig::fault_replies.
constexpr std::uint32_t reply_bit(ReplyKind kind) {
    return 1u << static_cast<unsigned>(kind);
}
inline constexpr std::uint32_t kAllReplies = (1u << kReplyKindCount) - 1;

/// For counts that may be "never" (probe answers, vanishing).
inline constexpr int kNever = 0;

/// What a real cable does between the radio and the program, whichever radio
/// answers. The engine applies it to every byte the program gets (wire.h, LineIn).
struct LineFaults {
    /// A USB adapter's latency timer: the first byte that reaches the adapter opens
    /// a window this long, and every byte that reaches it within the window goes on
    /// to the program together when the window ends. 0: bytes go on at once.
    std::chrono::milliseconds latency{0};
    /// Every byte the program writes comes back to it, in its wire time when paced,
    /// ahead of the radio's answer to it.
    bool echo = false;
    /// The byte the radio sends with this number, counted from 1 over the whole run,
    /// never reaches the program (it still takes its wire time). 0: none is lost.
    std::size_t drop_byte = 0;
    /// On the line once, just in front of the first byte the radio sends.
    Bytes noise;
};

struct RadioConfig {
    Model model = Model::id91;
    std::array<std::uint8_t, 2> id{0x28, 0x88};  ///< id bytes of the identify reply
    int speed = 38400;             ///< bit/s the radio hears and answers at until SPEED_NOTICE
    bool silent = false;           ///< hears frames (they are recorded) but never acts
    int probe_answer_from = 1;     ///< an ID-92 answers READY_PROBE from this probe of a link
                                   ///< session on; kNever: not at all. An ID-91 never does.
    std::vector<int> ng_channels;  ///< refused with NG and not stored
    std::chrono::milliseconds reply_delay{0};  ///< before identify, link and probe replies
    std::chrono::milliseconds ack_delay{0};    ///< before the OK or NG to a channel frame
    Bytes filler;                              ///< sent in front of a reply that carries faults
    std::size_t overlong = 0;  ///< a reply of this many bytes without FD in front; 0: none
    bool lone_fd = false;      ///< a lone FD in front
    std::uint32_t fault_replies = kAllReplies;  ///< reply kinds that carry the three above
    int fault_limit = -1;                       ///< how many replies carry them; -1: every one
    int vanish_after = kNever;  ///< the device vanishes when this channel frame (write or
                                ///< erase, counted from 1) arrives; it is not answered
    int mute_after = kNever;    ///< the radio stops answering when this channel frame (write or
                                ///< erase, counted from 1) arrives: it and every later frame
                                ///< are heard but not acted on, as by a radio that has hung
    bool pace = false;          ///< bytes take their wire time, 10 bits each, both ways
    Bytes waiting;    ///< already on the line when the simulator starts, before any frame: the
                      ///< answers of a run that stopped before it had read them
    LineFaults line;  ///< what the cable does to the bytes between the radio and the program
};

/// The defaults for a model: ID-91 answers 28 88, ID-92 answers 30 66.
RadioConfig model_config(Model model);

/// `count` filler bytes, none of them FE or FD.
Bytes filler_bytes(std::size_t count);

struct RadioState {
    int speed = 38400;        ///< bit/s the radio hears and answers at now
    bool link_open = false;   ///< between LINK_OPEN and LINK_CLOSE
    int probes = 0;           ///< READY_PROBE frames heard in this link session
    int channel_frames = 0;   ///< write, erase and bad channel frames heard in an open link
    int faulted_replies = 0;  ///< replies that carried the armed faults
    bool muted = false;       ///< mute_after was reached: it hears, and never acts again
    MemoryImage image;
};

RadioState initial_state(const RadioConfig& config);

/// What the radio does with one frame.
struct Reaction {
    FrameKind kind = FrameKind::unknown;
    bool garbled = false;  ///< arrived at another speed than the radio's: ignored
    std::optional<ReplyKind> reply;
    Bytes bytes;                         ///< to send: the armed fault bytes, then the reply
    std::chrono::milliseconds delay{0};  ///< wait this long before sending `bytes`
    bool speed_switched = false;         ///< SPEED_NOTICE moved the radio to 38400 bit/s
    bool link_opened = false;
    bool link_closed = false;  ///< LINK_CLOSE: the radio returns to its own speed
    bool vanish = false;       ///< the device goes away now
};

/// The radio hears `frame` (preamble through FD) sent at `line_speed` bit/s.
Reaction react(RadioState& state, const RadioConfig& config, std::span<const std::uint8_t> frame,
               int line_speed);

/// The bytes of a reply as the radio sends it.
Bytes reply_frame(ReplyKind kind, const RadioConfig& config);

}  // namespace quillmer::sim
