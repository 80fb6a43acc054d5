#pragma once
// Collects the bytes the program writes into frames: a run of FE bytes, then
// every byte up to and including FD. Bytes before any FE belong to no frame.

#include <cstddef>
#include <span>
#include <vector>

#include "sim/frames.h"

namespace quillmer::sim {

/// Longest frame kept; IDENTIFY_LONG, the longest the program sends, is 406 bytes.
inline constexpr std::size_t kMaxFrameSize = 4096;

/// The parser's state between chunks. A frame may be split over any number of reads.
struct FrameParser {
    Bytes current;          ///< the frame being received; empty while hunting for FE
    std::size_t stray = 0;  ///< bytes that belonged to no frame (noise, or a frame cut
                            ///< off for running past kMaxFrameSize)
};

/// A frame completed by feed().
struct ParsedFrame {
    Bytes bytes;          ///< from the first FE through the FD
    std::size_t end = 0;  ///< index in the chunk just past its FD
};

/// Feeds one chunk of received bytes and appends every frame it completes to `out`,
/// in order. Once inside a frame an FE is data like any other byte: only FD ends it.
void feed(FrameParser& parser, std::span<const std::uint8_t> chunk, std::vector<ParsedFrame>& out);

}  // namespace quillmer::sim
