#include "protocol/frame_decode.h"

#include <gtest/gtest.h>

#include <string>

#include "channels/test_files.h"
#include "protocol/channel_stream.h"

namespace quillmer::protocol {
namespace {

using channels::Reader;
using channels::test_files::TempMemoryFile;

/// The frame a run sends for the first data row of `line`, as channel `channel`.
std::vector<Byte> frame_of(const std::string& line, int channel) {
    TempMemoryFile f(line + "\n");
    Reader reader(f.file());
    EXPECT_TRUE(reader.next_row());
    ChannelFrames frames;
    const auto frame = frame_to_send(reader.row(), channel, frames);
    return {frame.begin(), frame.end()};
}

TEST(FrameDecode, WriteAndEraseFramesAsEncoded) {
    struct Case {
        const char* line;
        int channel;
        const char* frequency;
        const char* offset;
        const char* mode;
        const char* duplex;
        const char* label;
        const char* call1;
        const char* call3;
    };
    const Case cases[] = {
        {"5,433.450000,DUP-,5.000000,,DV,NAME,,,,,,,,,,C3,C2,C1", 5, "433.450000", "5.000000", "DV",
         "DUP-", "NAME    ", "C1      ", "C3      "},
        {"0,1295.000000,dup+,10.5,,FM-N,LONGER THAN 8", 0, "1295.000000", "10.500000", "FM-N",
         "DUP+", "LONGER T", "        ", "        "},
        {"9,.5,OFF,,,AUTOMATIC", 399, "0.500000", "0.000000", "AUTO", "OFF", "        ", "        ",
         "        "},
        {"9, 145.0125 ,,   ,,AMX, Lead,,,,,,,,,,X,Y,Z", 120, "145.012500", "0.000000", "AM", "OFF",
         "        ", "        ", "        "},
    };
    for (const Case& c : cases) {
        const auto decoded = decode_channel_frame(frame_of(c.line, c.channel));
        ASSERT_TRUE(decoded.has_value()) << c.line;
        EXPECT_FALSE(decoded->erase) << c.line;
        EXPECT_EQ(decoded->channel, c.channel) << c.line;
        EXPECT_EQ(decoded->frequency, c.frequency) << c.line;
        EXPECT_EQ(decoded->offset, c.offset) << c.line;
        EXPECT_TRUE(decoded->decimal) << c.line;
        EXPECT_EQ(mode_text(*decoded), c.mode) << c.line;
        EXPECT_EQ(duplex_text(*decoded), c.duplex) << c.line;
        EXPECT_EQ(decoded->label, c.label) << c.line;
        EXPECT_EQ(decoded->call1, c.call1) << c.line;
        EXPECT_EQ(decoded->call3, c.call3) << c.line;
    }

    const auto erase = decode_channel_frame(frame_of("7,,DUP-,0.6,,DV,NAME", 321));
    ASSERT_TRUE(erase.has_value());
    EXPECT_TRUE(erase->erase);
    EXPECT_EQ(erase->channel, 321);
    EXPECT_TRUE(erase->frequency.empty());
}

TEST(FrameDecode, OddBytesAreShownAsTheyAre) {
    auto frame = frame_of("1,145.5,,,,FM,NAME", 17);
    frame[write_at::kFrequency + 2] = 0x5A;  // a packed digit above 9
    frame[write_at::kMode] = 0x7F;
    frame[write_at::kDuplex] = 3;
    frame[write_at::kChannelTensUnits] = 0x1C;
    const auto decoded = decode_channel_frame(frame);
    ASSERT_TRUE(decoded.has_value());
    EXPECT_EQ(decoded->frequency, "145.5A0000");
    EXPECT_FALSE(decoded->decimal);
    EXPECT_EQ(decoded->channel, -1);
    EXPECT_FALSE(decoded->mode.has_value());
    EXPECT_EQ(mode_text(*decoded), "?7F");
    EXPECT_EQ(duplex_text(*decoded), "?03");
}

TEST(FrameDecode, OnlyChannelFramesAreDecoded) {
    EXPECT_FALSE(decode_channel_frame(LINK_OPEN).has_value());
    EXPECT_FALSE(decode_channel_frame(READY_PROBE).has_value());
    auto write = frame_of("1,145.5", 1);
    write.back() = 0x00;  // no end byte
    EXPECT_FALSE(decode_channel_frame(write).has_value());
    write = frame_of("1,145.5", 1);
    write[2] = 0x01;  // addressed otherwise
    EXPECT_FALSE(decode_channel_frame(write).has_value());
    auto erase = frame_of("1,", 1);
    erase[9] = 0x00;  // no erase mark
    EXPECT_FALSE(decode_channel_frame(erase).has_value());
    write = frame_of("1,145.5", 1);
    write.pop_back();
    EXPECT_FALSE(decode_channel_frame(write).has_value());
}

}  // namespace
}  // namespace quillmer::protocol
