#include "tests/e2e/wire.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <sstream>

#include "sim/pty.h"
#include "tests/e2e/program.h"

namespace quillmer::e2e {

namespace {

// Addressed like a command but with a command byte the radio does not know.
const sim::Bytes kMarker{0xFE, 0xFE, 0x01, 0x80, 0x7E, 0x7E, 0xFD};

bool in(std::initializer_list<sim::FrameKind> kinds, sim::FrameKind kind) {
    return std::find(kinds.begin(), kinds.end(), kind) != kinds.end();
}

}  // namespace

sim::Snapshot settle(const sim::Simulator& radio) {
    const sim::Fd fd(::open(radio.slave_path().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC));
    if (!fd.valid()) {
        ADD_FAILURE() << "cannot open " << radio.slave_path() << " to settle the line";
        return radio.snapshot();
    }
    const bool written =
        ::write(fd.get(), kMarker.data(), kMarker.size()) == static_cast<ssize_t>(kMarker.size());
    EXPECT_TRUE(written) << "the marker frame could not be written";
    const auto has_marker = [](const sim::Snapshot& s) {
        return std::any_of(s.frames.begin(), s.frames.end(),
                           [](const sim::ReceivedFrame& f) { return f.bytes == kMarker; });
    };
    EXPECT_TRUE(radio.wait_for(has_marker, kWait)) << "the marker frame never arrived";
    sim::Snapshot snapshot = radio.snapshot();
    const auto marker =
        std::find_if(snapshot.frames.begin(), snapshot.frames.end(),
                     [](const sim::ReceivedFrame& f) { return f.bytes == kMarker; });
    snapshot.frames.erase(marker, snapshot.frames.end());
    return snapshot;
}

std::vector<sim::ReceivedFrame> only(const std::vector<sim::ReceivedFrame>& frames,
                                     std::initializer_list<sim::FrameKind> kinds) {
    std::vector<sim::ReceivedFrame> picked;
    std::copy_if(frames.begin(), frames.end(), std::back_inserter(picked),
                 [&](const sim::ReceivedFrame& f) { return in(kinds, f.kind); });
    return picked;
}

std::vector<sim::ReceivedFrame> without(const std::vector<sim::ReceivedFrame>& frames,
                                        std::initializer_list<sim::FrameKind> kinds) {
    std::vector<sim::ReceivedFrame> picked;
    std::copy_if(frames.begin(), frames.end(), std::back_inserter(picked),
                 [&](const sim::ReceivedFrame& f) { return !in(kinds, f.kind); });
    return picked;
}

std::vector<int> channel_sequence(const std::vector<sim::ReceivedFrame>& frames) {
    std::vector<int> channels;
    for (const sim::ReceivedFrame& f : frames) {
        if (f.kind != sim::FrameKind::write && f.kind != sim::FrameKind::erase) continue;
        // FE FE 02 80 1A 00 01 <hundreds> <tens units>: two bytes after the five
        // that follow the preamble.
        const std::size_t at = sim::preamble_length(f.bytes) + 5;
        channels.push_back(
            at + 1 < f.bytes.size() ? sim::channel_number(f.bytes[at], f.bytes[at + 1]) : -1);
    }
    return channels;
}

std::vector<int> first_channels(int count) {
    std::vector<int> channels(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) channels[static_cast<std::size_t>(i)] = i;
    return channels;
}

testing::AssertionResult all_exact(const std::vector<sim::ReceivedFrame>& frames) {
    std::ostringstream faults;
    int wrong = 0;
    for (std::size_t i = 0; i < frames.size(); ++i) {
        if (frames[i].exact) continue;
        if (++wrong <= 5) {
            faults << "\n  frame " << i << " " << sim::frame_name(frames[i].bytes) << ": "
                   << sim::hex(frames[i].bytes);
        }
    }
    if (wrong == 0) return testing::AssertionSuccess();
    return testing::AssertionFailure()
           << wrong << " frame(s) not as the program should send them:" << faults.str();
}

std::size_t find_kind(const std::vector<sim::ReceivedFrame>& frames, sim::FrameKind kind,
                      std::size_t from) {
    for (std::size_t i = from; i < frames.size(); ++i) {
        if (frames[i].kind == kind) return i;
    }
    return frames.size();
}

}  // namespace quillmer::e2e
