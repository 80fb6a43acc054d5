#include "sim/frame_parser.h"

namespace quillmer::sim {

void feed(FrameParser& parser, std::span<const std::uint8_t> chunk, std::vector<ParsedFrame>& out) {
    for (std::size_t i = 0; i < chunk.size(); ++i) {
        const std::uint8_t byte = chunk[i];
        if (parser.current.empty()) {
            if (byte == kPreambleByte) {
                parser.current.push_back(byte);
            } else {
                ++parser.stray;
            }
            continue;
        }
        parser.current.push_back(byte);
        if (byte == kEndByte) {
            out.push_back(ParsedFrame{std::move(parser.current), i + 1});
            parser.current.clear();
        } else if (parser.current.size() >= kMaxFrameSize) {
            // Nothing the program sends is this long: give up on it and hunt again.
            parser.stray += parser.current.size();
            parser.current.clear();
        }
    }
}

}  // namespace quillmer::sim
