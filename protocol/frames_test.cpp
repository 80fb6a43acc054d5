#include "protocol/frames.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace quillmer::protocol {
namespace {

template <std::size_t N>
std::vector<Byte> bytes(const std::array<Byte, N>& frame) {
    return {frame.begin(), frame.end()};
}

template <std::size_t N>
std::size_t preamble_length(const std::array<Byte, N>& frame) {
    return static_cast<std::size_t>(
        std::find_if(frame.begin(), frame.end(), [](Byte b) { return b != 0xFE; }) - frame.begin());
}

TEST(Frames, IdentifyCallsHaveTheirExactPreambles) {
    EXPECT_EQ(IDENTIFY_LONG.size(), 406u);
    EXPECT_EQ(preamble_length(IDENTIFY_LONG), 402u);
    EXPECT_EQ(IDENTIFY_SHORT.size(), 31u);
    EXPECT_EQ(preamble_length(IDENTIFY_SHORT), 27u);
    const std::vector<Byte> tail{0x01, 0x80, 0x19, 0xFD};
    EXPECT_EQ(std::vector<Byte>(IDENTIFY_LONG.end() - 4, IDENTIFY_LONG.end()), tail);
    EXPECT_EQ(std::vector<Byte>(IDENTIFY_SHORT.end() - 4, IDENTIFY_SHORT.end()), tail);
}

TEST(Frames, ShortFramesAreExact) {
    EXPECT_EQ(bytes(SPEED_NOTICE), (std::vector<Byte>{0xFE, 0xFE, 0x01, 0x80, 0x1A, 0xEF, 0xFD}));
    // The link query alone carries no data byte.
    EXPECT_EQ(bytes(LINK_QUERY), (std::vector<Byte>{0xFE, 0xFE, 0x01, 0x80, 0x18, 0xFD}));
    EXPECT_EQ(bytes(LINK_OPEN), (std::vector<Byte>{0xFE, 0xFE, 0x01, 0x80, 0x18, 0x01, 0xFD}));
    EXPECT_EQ(bytes(LINK_CLOSE), (std::vector<Byte>{0xFE, 0xFE, 0x01, 0x80, 0x18, 0x00, 0xFD}));
    EXPECT_EQ(bytes(KEEPALIVE), (std::vector<Byte>{0xFE, 0xFE, 0x01, 0x80, 0x15, 0x02, 0xFD}));
    EXPECT_EQ(bytes(READY_PROBE),
              (std::vector<Byte>{0xFE, 0xFE, 0x01, 0x80, 0x1D, 0x50, 0x00, 0xFD}));
}

TEST(Frames, ChannelFrameTemplatesHoldTheirFixedBytes) {
    const ChannelFrames frames;
    const auto& w = frames.write;
    ASSERT_EQ(w.size(), 67u);
    EXPECT_EQ(std::vector<Byte>(w.begin(), w.begin() + 7),
              (std::vector<Byte>{0xFE, 0xFE, 0x02, 0x80, 0x1A, 0x00, 0x01}));
    EXPECT_EQ(std::vector<Byte>(w.begin() + 18, w.begin() + 27),
              (std::vector<Byte>{0x00, 0x08, 0x85, 0x08, 0x85, 0x00, 0x23, 0x22, 0x80}));
    EXPECT_EQ(std::vector<Byte>(w.begin() + 29, w.begin() + 32), (std::vector<Byte>(3, 0x00)));
    EXPECT_EQ(w[40], 0x00);
    EXPECT_EQ(w[41], 0x00);
    EXPECT_EQ(w[66], 0xFD);
    EXPECT_EQ(bytes(frames.erase), (std::vector<Byte>{0xFE, 0xFE, 0x02, 0x80, 0x1A, 0x00, 0x01,
                                                      0x00, 0x00, 0xFF, 0xFD}));
}

}  // namespace
}  // namespace quillmer::protocol
