#include "sim/memory_image.h"

#include <gtest/gtest.h>

#include "sim/report.h"

namespace quillmer::sim {
namespace {

ChannelFields repeater() {
    ChannelFields f;
    f.channel = 5;
    f.frequency_hz = 433450000;
    f.offset_hz = 5000000;
    f.mode = kModeDv;
    f.duplex = kDuplexMinus;
    f.label = "NAME";
    f.call1 = "VK2RWN G";
    f.call2 = "VK2RWN B";
    f.call3 = "CQCQCQ";
    return f;
}

TEST(DecodeWriteFrame, ReadsPackedFrequencyAndOffsetLeastSignificantFirst) {
    WriteFrame frame = encode_write_frame(repeater());
    // The bytes as they stand in the frame, independent of the encoder above.
    frame[9] = 0x00, frame[10] = 0x00, frame[11] = 0x45, frame[12] = 0x33, frame[13] = 0x04;
    frame[14] = 0x00, frame[15] = 0x00, frame[16] = 0x00, frame[17] = 0x05;
    ChannelFields f = decode_write_frame(frame);
    EXPECT_EQ(f.frequency_hz, 433450000u);
    EXPECT_EQ(format_mhz(f.frequency_hz), "433.450000");
    EXPECT_EQ(f.offset_hz, 5000000u);
    EXPECT_EQ(format_mhz(f.offset_hz), "5.000000");
    EXPECT_TRUE(f.packed_ok);

    frame[9] = 0x00, frame[10] = 0x25, frame[11] = 0x01, frame[12] = 0x45, frame[13] = 0x01;
    frame[14] = 0x00, frame[15] = 0x00, frame[16] = 0x60, frame[17] = 0x00;
    f = decode_write_frame(frame);
    EXPECT_EQ(format_mhz(f.frequency_hz), "145.012500");
    EXPECT_EQ(format_mhz(f.offset_hz), "0.600000");

    // Top digits: 12 95 at offsets 13 and 12 is 1295 MHz.
    frame[12] = 0x95, frame[13] = 0x12;
    EXPECT_EQ(format_mhz(decode_write_frame(frame).frequency_hz), "1295.012500");
}

TEST(DecodeWriteFrame, FlagsNibblesThatAreNotDecimal) {
    WriteFrame frame = encode_write_frame(repeater());
    frame[11] = 0x4A;
    EXPECT_FALSE(decode_write_frame(frame).packed_ok);
    frame = encode_write_frame(repeater());
    frame[17] = 0xF0;
    EXPECT_FALSE(decode_write_frame(frame).packed_ok);
    frame = encode_write_frame(repeater());
    frame[8] = 0x0C;
    EXPECT_EQ(decode_write_frame(frame).channel, -1);
}

TEST(DecodeWriteFrame, RoundTripsEveryFieldAtTheEdges) {
    ChannelFields f = repeater();
    for (const int channel : {0, 99, 100, 399}) {
        for (const std::uint64_t hz : {std::uint64_t{0}, std::uint64_t{9999999999}}) {
            f.channel = channel;
            f.frequency_hz = hz;
            f.offset_hz = 99999999;
            const ChannelFields back = decode_write_frame(encode_write_frame(f));
            EXPECT_EQ(back.channel, channel);
            EXPECT_EQ(back.frequency_hz, hz);
            EXPECT_EQ(back.offset_hz, 99999999u);
            EXPECT_EQ(back.mode, kModeDv);
            EXPECT_EQ(back.duplex, kDuplexMinus);
            EXPECT_EQ(back.label, "NAME    ");
            EXPECT_EQ(back.call1, "VK2RWN G");
            EXPECT_EQ(back.call2, "VK2RWN B");
            EXPECT_EQ(back.call3, "CQCQCQ  ");
        }
    }
    const WriteFrame frame = encode_write_frame(f);
    EXPECT_EQ(frame[7], 0x03);
    EXPECT_EQ(frame[8], 0x99);
}

TEST(FixedBytes, AWellFormedFrameHasNoFaultsAndEachFixedByteIsChecked) {
    const WriteFrame good = encode_write_frame(repeater());
    EXPECT_TRUE(fixed_byte_faults(good).empty());
    EXPECT_TRUE(is_exact(good));

    const std::vector<std::size_t> fixed = {0,  1,  2,  3,  4,  5,  6,  18, 19, 20, 21,
                                            22, 23, 24, 25, 26, 29, 30, 31, 40, 41, 66};
    for (const std::size_t at : fixed) {
        WriteFrame bad = good;
        bad[at] ^= 0x01;
        EXPECT_EQ(fixed_byte_faults(bad), std::vector<std::size_t>{at}) << at;
        EXPECT_FALSE(is_exact(bad)) << at;
    }
    // The variable bytes are free.
    for (std::size_t at = 7; at < kWriteFrameSize; ++at) {
        if (std::find(fixed.begin(), fixed.end(), at) != fixed.end()) continue;
        WriteFrame other = good;
        other[at] = 0x77;
        EXPECT_TRUE(fixed_byte_faults(other).empty()) << at;
    }
}

TEST(FixedBytes, ALongerPreambleIsNormalisedForTheImageButReported) {
    const WriteFrame good = encode_write_frame(repeater());
    Bytes longer(good.begin(), good.end());
    longer.insert(longer.begin(), 0xFE);
    EXPECT_EQ(classify(longer), FrameKind::write);
    EXPECT_FALSE(is_exact(longer));
    EXPECT_FALSE(fixed_byte_faults(longer).empty());
    const auto normal = normalised_write_frame(longer);
    ASSERT_TRUE(normal);
    EXPECT_EQ(*normal, good);
    EXPECT_FALSE(normalised_write_frame(erase_frame(1)));
}

TEST(ImageTable, ShowsWrittenChannelsAndSummarisesTheRest) {
    MemoryImage image;
    image[5].state = SlotState::written;
    image[5].frame = encode_write_frame(repeater());
    ChannelFields simplex = repeater();
    simplex.channel = 6;
    simplex.duplex = kDuplexNone;
    simplex.offset_hz = 0;
    simplex.mode = kModeFm;
    simplex.label = "\x81\x40";  // a Shift_JIS space stays visible as bytes
    image[6].state = SlotState::written;
    image[6].frame = encode_write_frame(simplex);
    for (const int ch : {7, 8, 9, 399})
        image[static_cast<std::size_t>(ch)].state = SlotState::erased;

    const std::string table = image_table(image);
    EXPECT_NE(table.find("  5  433.450000   DUP-  5.000000    DV    NAME      VK2RWN G"),
              std::string::npos)
        << table;
    EXPECT_NE(table.find("\\x81@"), std::string::npos) << table;
    EXPECT_NE(table.find("written: 2, erased: 7-9, 399, never written: 0-4, 10-398"),
              std::string::npos)
        << table;
    EXPECT_EQ(channel_ranges({}), "none");
}

}  // namespace
}  // namespace quillmer::sim
