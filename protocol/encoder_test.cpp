#include "protocol/encoder.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "channels/test_files.h"

namespace quillmer::protocol {
namespace {

using channels::ChannelRow;
using channels::MemoryFile;
using channels::Reader;
using channels::test_files::data_file;
using channels::test_files::TempMemoryFile;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

/// The channel row of one data line.
ChannelRow row_of(const std::string& line) {
    TempMemoryFile f(line + "\n");
    Reader reader(f.file());
    EXPECT_TRUE(reader.next_row()) << line;
    return reader.row();
}

std::vector<int> frame_bytes(const ChannelFrames& frames, std::size_t from, std::size_t count) {
    return {frames.write.begin() + from, frames.write.begin() + from + count};
}

TEST(DecimalToPacked, OneDigitANibbleAndSixFractionDigits) {
    struct Case {
        const char* text;
        std::uint32_t integer;
        std::array<std::uint8_t, 3> fraction;
    };
    const Case cases[] = {
        {"433.450000", 0x433, {0x45, 0x00, 0x00}},
        {"145.0125", 0x145, {0x01, 0x25, 0x00}},
        {"145", 0x145, {0, 0, 0}},
        {"", 0, {0, 0, 0}},
        {".6", 0, {0x60, 0, 0}},
        {"145.12345678", 0x145, {0x12, 0x34, 0x56}},
        // Spaces are zero digits: harmless in front, a factor of ten behind.
        {" 145.5 ", 0x145, {0x50, 0, 0}},
        {"145 ", 0x1450, {0, 0, 0}},
        {"1A.B", 0x11, {0x20, 0, 0}},
    };
    for (const Case& c : cases) {
        const PackedNumber number = decimal_to_packed(c.text);
        EXPECT_EQ(number.integer, c.integer) << c.text;
        EXPECT_EQ(number.fraction, c.fraction) << c.text;
    }
}

TEST(EncodeChannel, ChannelBytesInBothFramesAndTheCounter) {
    ChannelFrames frames;
    const ChannelRow row = row_of("0,145.0");
    encode_channel(row, 0, frames);
    EXPECT_THAT(frame_bytes(frames, 7, 2), ElementsAre(0x00, 0x00));
    encode_channel(row, 123, frames);
    EXPECT_THAT(frame_bytes(frames, 7, 2), ElementsAre(0x01, 0x23));
    encode_channel(row, 399, frames);
    EXPECT_THAT(frame_bytes(frames, 7, 2), ElementsAre(0x03, 0x99));
    EXPECT_THAT(frames.erase,
                ElementsAre(0xFE, 0xFE, 0x02, 0x80, 0x1A, 0x00, 0x01, 0x03, 0x99, 0xFF, 0xFD));
}

TEST(EncodeChannel, FrequencyAndOffsetInHertzLeastSignificantByteFirst) {
    struct Case {
        const char* line;
        std::vector<int> frequency;  // offsets 9..13
        std::vector<int> offset;     // offsets 14..17
    };
    const Case cases[] = {
        {"0,433.450000,,5.000000", {0x00, 0x00, 0x45, 0x33, 0x04}, {0x00, 0x00, 0x00, 0x05}},
        {"0,145.0125,,0.600000", {0x00, 0x25, 0x01, 0x45, 0x01}, {0x00, 0x00, 0x60, 0x00}},
        {"0,1295.000000,,", {0x00, 0x00, 0x00, 0x95, 0x12}, {0x00, 0x00, 0x00, 0x00}},
        // The reader keeps 8 characters of an offset: the last digit is gone.
        {"0,145.123456,,12.345678", {0x56, 0x34, 0x12, 0x45, 0x01}, {0x70, 0x56, 0x34, 0x12}},
        {"0,145,,", {0x00, 0x00, 0x00, 0x45, 0x01}, {0x00, 0x00, 0x00, 0x00}},
    };
    // One pair of frames throughout, as in a run: nothing may stay from the row before.
    ChannelFrames frames;
    for (const Case& c : cases) {
        encode_channel(row_of(c.line), 5, frames);
        EXPECT_EQ(frame_bytes(frames, 9, 5), c.frequency) << c.line;
        EXPECT_EQ(frame_bytes(frames, 14, 4), c.offset) << c.line;
    }
}

TEST(EncodeChannel, ModeAndDuplexCodes) {
    struct Case {
        const char* mode;
        const char* duplex;
        int mode_code;
        int duplex_code;
    };
    const Case cases[] = {
        {"AUTO", "DUP+", 0x5E, 2}, {"DV", "DUP-", 0x4E, 1},  {"AM", "OFF", 0x3E, 0},
        {"FM-N", "-", 0x1E, 0},    {"DVR", "DUP+", 0x4E, 2}, {"FM", "", 0x0E, 0},
        {"AUT", "DUP-", 0x0E, 1},  {"", "DUPX", 0x0E, 0},
    };
    ChannelFrames frames;
    for (const Case& c : cases) {
        const std::string line = std::string("0,145.0,") + c.duplex + ",,," + c.mode;
        encode_channel(row_of(line), 0, frames);
        EXPECT_EQ(frames.write[27], c.mode_code) << line;
        EXPECT_EQ(frames.write[28], c.duplex_code) << line;
    }
}

TEST(EncodeChannel, EmptyLabelBlanksTheCallFieldsToo) {
    ChannelFrames frames;
    encode_channel(row_of("0,145.0,,,,FM,ABCDEFGHIJ,8,9,10,11,12,13,14,15,16,THREE,TWO,ONE"), 0,
                   frames);
    const auto text_at = [&](std::size_t at) {
        return std::string(frames.write.begin() + at, frames.write.begin() + at + 8);
    };
    EXPECT_EQ(text_at(32), "ABCDEFGH");
    EXPECT_EQ(text_at(42), "ONE     ");
    EXPECT_EQ(text_at(50), "TWO     ");
    EXPECT_EQ(text_at(58), "THREE   ");

    encode_channel(row_of("1,145.0,,,,FM,,8,9,10,11,12,13,14,15,16,THREE,TWO,ONE"), 1, frames);
    for (const std::size_t at : {32, 42, 50, 58}) EXPECT_EQ(text_at(at), "        ") << at;
}

TEST(EncodeChannel, WholeFrameOfARealDvChannel) {
    MemoryFile file;
    ASSERT_TRUE(file.open(data_file("dv-bank-sydney.csv").c_str()));
    Reader reader(file);
    ASSERT_TRUE(reader.next_row());
    ASSERT_TRUE(reader.next_row());  // "1,438.7750,DUP-,5.000,,DV,Sydney Status,..."

    ChannelFrames frames;
    encode_channel(reader.row(), 1, frames);

    std::vector<int> expected = {0xFE, 0xFE, 0x02, 0x80, 0x1A, 0x00, 0x01, 0x00, 0x01, 0x00, 0x50,
                                 0x77, 0x38, 0x04, 0x00, 0x00, 0x00, 0x05, 0x00, 0x08, 0x85, 0x08,
                                 0x85, 0x00, 0x23, 0x22, 0x80, 0x4E, 0x01, 0x00, 0x00, 0x00};
    const auto append = [&](std::string_view text) {
        expected.insert(expected.end(), text.begin(), text.end());
    };
    append("Sydney S");
    expected.insert(expected.end(), {0x00, 0x00});
    append("        ");  // column 19 is empty after the trailing comma
    append("VK2RBV G");
    append("VK2RBV B");
    expected.push_back(0xFD);
    EXPECT_THAT(frames.write, ElementsAreArray(expected));
}

}  // namespace
}  // namespace quillmer::protocol
