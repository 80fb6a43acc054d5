#include "sim/frame_parser.h"

#include <gtest/gtest.h>

namespace quillmer::sim {
namespace {

std::vector<ParsedFrame> parse_all(FrameParser& parser, const Bytes& bytes) {
    std::vector<ParsedFrame> frames;
    feed(parser, bytes, frames);
    return frames;
}

Bytes concat(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

TEST(FrameParser, PreambleRunsOfAnyLengthStayInTheFrame) {
    for (const std::size_t preamble :
         {std::size_t{1}, std::size_t{2}, kIdentifyShortPreamble, kIdentifyLongPreamble}) {
        FrameParser parser;
        const Bytes sent = identify_frame(preamble);
        const auto frames = parse_all(parser, sent);
        ASSERT_EQ(frames.size(), 1u) << preamble;
        EXPECT_EQ(frames[0].bytes, sent);
        EXPECT_EQ(frames[0].end, sent.size());
        EXPECT_EQ(preamble_length(frames[0].bytes), preamble);
        EXPECT_EQ(parser.stray, 0u);
    }
}

TEST(FrameParser, BytesBeforeAnyFeAreStrayIncludingALoneFd) {
    FrameParser parser;
    const Bytes link_query(kLinkQuery.begin(), kLinkQuery.end());
    const auto frames = parse_all(parser, concat({{0x00, 0x55, 0xFD, 0x19}, link_query}));
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].bytes, link_query);
    EXPECT_EQ(frames[0].end, 10u);
    EXPECT_EQ(parser.stray, 4u);
}

TEST(FrameParser, FramesSplitOverReadsComeOutWhole) {
    const Bytes open(kLinkOpen.begin(), kLinkOpen.end());
    const Bytes all = concat({identify_frame(27), {0x42}, open, erase_frame(399)});
    FrameParser whole;
    const auto expected = parse_all(whole, all);
    ASSERT_EQ(expected.size(), 3u);

    // Every split point, and byte by byte.
    for (std::size_t cut = 0; cut <= all.size(); ++cut) {
        FrameParser parser;
        std::vector<ParsedFrame> frames;
        feed(parser, std::span(all).first(cut), frames);
        feed(parser, std::span(all).subspan(cut), frames);
        ASSERT_EQ(frames.size(), expected.size()) << cut;
        for (std::size_t i = 0; i < frames.size(); ++i)
            EXPECT_EQ(frames[i].bytes, expected[i].bytes);
        EXPECT_EQ(parser.stray, 1u);
    }
    FrameParser parser;
    std::vector<ParsedFrame> frames;
    for (const std::uint8_t byte : all) feed(parser, std::span(&byte, 1), frames);
    EXPECT_EQ(frames.size(), expected.size());
}

TEST(FrameParser, FeInsideAFrameIsDataAndOnlyFdEndsIt) {
    FrameParser parser;
    const Bytes sent{0xFE, 0xFE, 0x01, 0xFE, 0xFE, 0x80, 0xFD};
    const auto frames = parse_all(parser, sent);
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].bytes, sent);
}

TEST(FrameParser, AFrameThatNeverEndsIsDroppedAtTheLimitAndParsingResumes) {
    FrameParser parser;
    Bytes endless{0xFE, 0xFE};
    endless.resize(kMaxFrameSize + 10, 0x11);
    const Bytes query(kLinkQuery.begin(), kLinkQuery.end());
    const auto frames = parse_all(parser, concat({endless, query}));
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].bytes, query);
    EXPECT_EQ(parser.stray, endless.size());
}

TEST(Classify, EveryListedFrameIsExactAndKnownByItsBody) {
    const std::vector<std::pair<Bytes, FrameKind>> listed = {
        {identify_frame(kIdentifyLongPreamble), FrameKind::identify},
        {identify_frame(kIdentifyShortPreamble), FrameKind::identify},
        {Bytes(kSpeedNotice.begin(), kSpeedNotice.end()), FrameKind::speed_notice},
        {Bytes(kLinkQuery.begin(), kLinkQuery.end()), FrameKind::link_query},
        {Bytes(kLinkOpen.begin(), kLinkOpen.end()), FrameKind::link_open},
        {Bytes(kLinkClose.begin(), kLinkClose.end()), FrameKind::link_close},
        {Bytes(kKeepalive.begin(), kKeepalive.end()), FrameKind::keepalive},
        {Bytes(kReadyProbe.begin(), kReadyProbe.end()), FrameKind::ready_probe},
        {erase_frame(0), FrameKind::erase},
    };
    for (const auto& [frame, kind] : listed) {
        EXPECT_EQ(classify(frame), kind) << hex(frame);
        EXPECT_TRUE(is_exact(frame)) << hex(frame);
        // One more FE in front: the radio still understands it, but it is not as listed.
        Bytes longer = frame;
        longer.insert(longer.begin(), 0xFE);
        EXPECT_EQ(classify(longer), kind) << hex(longer);
        EXPECT_FALSE(is_exact(longer)) << hex(longer);
    }
}

TEST(Classify, NearMissesAreNotTakenForListedFrames) {
    EXPECT_EQ(classify(identify_frame(0)), FrameKind::unknown);  // no preamble
    EXPECT_EQ(classify(Bytes{0xFE, 0xFE, 0x01, 0x80, 0x18, 0x02, 0xFD}), FrameKind::unknown);
    EXPECT_EQ(classify(Bytes{0xFE, 0xFE, 0x01, 0x80, 0x1D, 0x50, 0xFD}), FrameKind::unknown);
    EXPECT_EQ(classify(Bytes{0xFE, 0xFE, 0x80, 0x01, 0xFB, 0xFD}), FrameKind::unknown);
    EXPECT_EQ(classify(Bytes{0xFE, 0xFE, 0x01, 0x80, 0x18}), FrameKind::unknown);  // no FD

    Bytes erase_without_ff = erase_frame(5);
    erase_without_ff[9] = 0x00;
    EXPECT_EQ(classify(erase_without_ff), FrameKind::bad_channel);
    Bytes short_write{0xFE, 0xFE, 0x02, 0x80, 0x1A, 0x00, 0x01, 0x00, 0x05, 0x00, 0x00, 0xFD};
    EXPECT_EQ(classify(short_write), FrameKind::bad_channel);
    EXPECT_FALSE(is_exact(short_write));
}

TEST(ChannelBytes, RoundTripAndRejectNonDecimalDigits) {
    for (int channel = 0; channel < 400; ++channel) {
        const auto bytes = channel_bytes(channel);
        EXPECT_EQ(channel_number(bytes[0], bytes[1]), channel);
    }
    EXPECT_EQ(channel_bytes(399), (std::array<std::uint8_t, 2>{0x03, 0x99}));
    EXPECT_EQ(channel_number(0x00, 0x0A), -1);
    EXPECT_EQ(channel_number(0x00, 0xA0), -1);
    EXPECT_EQ(channel_number(0x0A, 0x00), -1);
}

}  // namespace
}  // namespace quillmer::sim
