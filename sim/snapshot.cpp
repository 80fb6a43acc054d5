#include "sim/snapshot.h"

#include <algorithm>

namespace quillmer::sim {

std::size_t count_of(const std::vector<ReceivedFrame>& frames, FrameKind kind) {
    return static_cast<std::size_t>(std::count_if(
        frames.begin(), frames.end(), [kind](const ReceivedFrame& f) { return f.kind == kind; }));
}

std::vector<ReceivedFrame> frames_of(const std::vector<ReceivedFrame>& frames, FrameKind kind) {
    std::vector<ReceivedFrame> picked;
    std::copy_if(frames.begin(), frames.end(), std::back_inserter(picked),
                 [kind](const ReceivedFrame& f) { return f.kind == kind; });
    return picked;
}

std::vector<FrameKind> kinds_of(const std::vector<ReceivedFrame>& frames) {
    std::vector<FrameKind> kinds;
    kinds.reserve(frames.size());
    for (const ReceivedFrame& f : frames) kinds.push_back(f.kind);
    return kinds;
}

std::string frame_name(const Bytes& frame) {
    if (classify(frame) == FrameKind::identify) {
        const std::size_t preamble = preamble_length(frame);
        if (preamble == kIdentifyLongPreamble) return "IDENTIFY_LONG";
        if (preamble == kIdentifyShortPreamble) return "IDENTIFY_SHORT";
    }
    return std::string(kind_name(classify(frame)));
}

std::string summary(const std::vector<ReceivedFrame>& frames, const std::vector<FrameKind>& skip) {
    std::string text;
    std::string run;
    int count = 0;
    const auto close_run = [&] {
        if (count == 0) return;
        if (!text.empty()) text += ", ";
        text += run;
        if (count > 1) text += " x" + std::to_string(count);
    };
    for (const ReceivedFrame& f : frames) {
        if (std::find(skip.begin(), skip.end(), f.kind) != skip.end()) continue;
        std::string token = frame_name(f.bytes) + "@" + std::to_string(f.speed);
        if (!f.exact) token += "?";
        if (f.garbled) token += "!";
        if (token == run) {
            ++count;
            continue;
        }
        close_run();
        run = token;
        count = 1;
    }
    close_run();
    return text;
}

}  // namespace quillmer::sim
