#include "protocol/frame_names.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "channels/test_files.h"
#include "protocol/channel_stream.h"

namespace quillmer::protocol {
namespace {

using Bytes = std::vector<Byte>;

TEST(FrameNames, NamesEveryFixedFrameAndNothingElse) {
    EXPECT_EQ(sent_frame_name(IDENTIFY_LONG), "IDENTIFY_LONG");
    EXPECT_EQ(sent_frame_name(IDENTIFY_SHORT), "IDENTIFY_SHORT");
    EXPECT_EQ(sent_frame_name(SPEED_NOTICE), "SPEED_NOTICE");
    EXPECT_EQ(sent_frame_name(LINK_QUERY), "LINK_QUERY");
    EXPECT_EQ(sent_frame_name(LINK_OPEN), "LINK_OPEN");
    EXPECT_EQ(sent_frame_name(KEEPALIVE), "KEEPALIVE");
    EXPECT_EQ(sent_frame_name(READY_PROBE), "READY_PROBE");
    EXPECT_EQ(sent_frame_name(LINK_CLOSE), "LINK_CLOSE");
    // One FE more or less, or one byte changed, is no frame of the program.
    const Bytes longer_call(IDENTIFY_SHORT.size() + 1, 0xFE);
    Bytes call(longer_call);
    std::copy(IDENTIFY_SHORT.begin(), IDENTIFY_SHORT.end(), call.begin() + 1);
    EXPECT_EQ(sent_frame_name(call), "?");
    Bytes probe(READY_PROBE.begin(), READY_PROBE.end());
    probe[6] = 0x01;
    EXPECT_EQ(sent_frame_name(probe), "?");
    EXPECT_EQ(sent_frame_name(Bytes{}), "?");
}

/// The frame a run sends for the first data row of `line`, as channel `channel`.
Bytes frame_of(const std::string& line, int channel) {
    channels::test_files::TempMemoryFile f(line + "\n");
    channels::Reader reader(f.file());
    EXPECT_TRUE(reader.next_row());
    ChannelFrames frames;
    const auto frame = frame_to_send(reader.row(), channel, frames);
    return {frame.begin(), frame.end()};
}

TEST(FrameNames, NamesAChannelFrameByTheChannelItWrites) {
    EXPECT_EQ(sent_frame_name(frame_of("0,145.5,DUP-,0.6,,DV,GB7NB B", 17)),
              "WRITE ch 17 145.500000 DUP- 0.600000 DV \"GB7NB B\"");
    EXPECT_EQ(sent_frame_name(frame_of(std::string("0,433.45,,5,,FM,") + '\x01' + "CALL", 0)),
              "WRITE ch 0 433.450000 OFF FM \"\\x01CALL\"");
    EXPECT_EQ(sent_frame_name(frame_of("0,1295.0,DUP+,12,,FM-N, blank", 399)),
              "WRITE ch 399 1295.000000 DUP+ 12.000000 FM-N \"\"");
    EXPECT_EQ(sent_frame_name(frame_of("0,,,,,FM,NAME", 300)), "ERASE ch 300");

    // A fixed byte that is not the program's: not a frame it sends.
    Bytes write = frame_of("0,145.5,DUP-,0.6,,DV,GB7NB B", 17);
    write[20] ^= 0x01;
    EXPECT_EQ(sent_frame_name(write), "?");
    Bytes channel = frame_of("0,,,,,FM,NAME", 300);
    channel[7] = 0x0A;
    EXPECT_EQ(sent_frame_name(channel), "ERASE ch ?");
}

TEST(FrameNames, NamesARunOfBytesOnlyWhenItIsOneWholeReply) {
    const std::pair<Bytes, const char*> kRuns[] = {
        {{0xFE, 0xFE, 0x80, 0x01, 0xFB, 0xFD}, "OK"},
        {{0xFE, 0xFE, 0xFE, 0x80, 0x01, 0xFB, 0xFD}, "OK"},
        {{0xFE, 0xFE, 0x80, 0x01, 0xFA, 0xFD}, "NG"},
        {{0xFE, 0xFE, 0x80, 0x01, 0x19, 0x28, 0x88, 0xFD}, "identify ID-91"},
        {{0xFE, 0xFE, 0x80, 0x01, 0x19, 0x30, 0x66, 0xFD}, "identify ID-92"},
        {{0xFE, 0xFE, 0x80, 0x01, 0x19, 0x12, 0x34, 0xFD}, "identify 12 34"},
        {{0xFE, 0xFE, 0x80, 0x01, 0x18, 0x01, 0xFD}, "link ready"},
        {{0xFE, 0xFE, 0x80, 0x01, 0x1D, 0x50, 0xFD}, "ready"},
        // Noise, halves, and frames the program would read otherwise.
        {{0x21, 0xFE, 0xFE, 0x80, 0x01, 0xFB, 0xFD}, "?"},
        {{0xFE, 0xFE, 0x80, 0x01, 0xFB}, "?"},
        {{0x01, 0xFD}, "?"},
        {{0xFD}, "?"},
        {{0xFE, 0x80, 0x01, 0xFB, 0xFD}, "?"},
        {{0xFE, 0xFE, 0x80, 0x01, 0xFB, 0xFD, 0xFD}, "?"},
        {{0xFE, 0xFE, 0x80, 0x01, 0xFE, 0xFB, 0xFD}, "?"},
        {{0xFE, 0xFE, 0x80, 0x02, 0xFB, 0xFD}, "?"},
        {{0xFE, 0xFE, 0x80, 0x01, 0x19, 0x30, 0xFD}, "?"},
        {{0xFE, 0xFE, 0x80, 0x01, 0x18, 0x00, 0xFD}, "?"},
        {{0xFE, 0xFE, 0x80, 0x01, 0xFD}, "?"},
    };
    for (const auto& [run, name] : kRuns) {
        EXPECT_EQ(reply_name(run), name) << testing::PrintToString(run);
    }
}

}  // namespace
}  // namespace quillmer::protocol
