#include "protocol/receiver.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "serial/scripted_line.h"

namespace quillmer::protocol {
namespace {

using serial::ScriptedLine;

/// Feeds every scripted byte; the results of each receive_step in order.
std::vector<bool> feed(ScriptedLine& line, ReplyBuffer& reply) {
    std::vector<bool> ends;
    while (!line.incoming.empty()) ends.push_back(receive_step(line, reply));
    return ends;
}

TEST(Receiver, AcknowledgementEndsOnItsSixthByte) {
    ScriptedLine line;
    ReplyBuffer reply;
    line.answer({0xFE, 0xFE, 0x80, 0x01, 0xFB, 0xFD});
    EXPECT_EQ(feed(line, reply), (std::vector<bool>{false, false, false, false, false, true}));
    EXPECT_EQ(reply.bytes[0], 0xFE);
    EXPECT_EQ(reply.bytes[1], 0xFE);
    EXPECT_EQ(reply.bytes[4], 0xFB);
    EXPECT_TRUE(reply_is_ok(reply));
    EXPECT_FALSE(reply_is_ng(reply));
}

TEST(Receiver, RefusalIsRecognised) {
    ScriptedLine line;
    ReplyBuffer reply;
    line.answer({0xFE, 0xFE, 0x80, 0x01, 0xFA, 0xFD});
    feed(line, reply);
    EXPECT_TRUE(reply_is_ng(reply));
    EXPECT_FALSE(reply_is_ok(reply));
}

TEST(Receiver, EveryPreambleByteRestartsTheFrame) {
    ScriptedLine line;
    ReplyBuffer reply;
    line.answer({0xFE, 0xFE, 0xFE, 0xFE, 0x80, 0x01, 0x19, 0x28, 0x88, 0xFD});
    const auto ends = feed(line, reply);
    EXPECT_TRUE(ends.back());
    EXPECT_EQ(reply.bytes[2], 0x80);
    EXPECT_EQ(reply.bytes[4], 0x19);
    EXPECT_EQ(reply.bytes[5], 0x28);
    EXPECT_EQ(reply.bytes[6], 0x88);
    EXPECT_EQ(reply.fill, 8);
}

TEST(Receiver, NoiseBeforeThePreambleIsOverwritten) {
    ScriptedLine line;
    ReplyBuffer reply;
    line.answer({0x11, 0x22, 0x33, 0x44, 0x55, 0xFE, 0xFE, 0x80, 0x01, 0xFB, 0xFD});
    feed(line, reply);
    EXPECT_TRUE(reply_is_ok(reply));
}

TEST(Receiver, AnOverlongFrameNeverOverrunsTheBuffer) {
    ScriptedLine line;
    ReplyBuffer reply;
    line.answer({0xFE, 0xFE});
    for (int i = 0; i < 300; ++i) line.incoming.push_back(static_cast<std::uint8_t>(i % 0xF0));
    const auto ends = feed(line, reply);
    EXPECT_EQ(std::count(ends.begin(), ends.end(), true), 0);
    EXPECT_EQ(reply.fill, kLastReplyPosition);
    // The last byte landed on the last position.
    EXPECT_EQ(reply.bytes[kLastReplyPosition], static_cast<std::uint8_t>(299 % 0xF0));
    line.answer({0xFD});
    EXPECT_TRUE(receive_step(line, reply));
    EXPECT_EQ(reply.bytes[kLastReplyPosition], 0xFD);
    EXPECT_EQ(reply.fill, kLastReplyPosition);
}

TEST(Receiver, ALoneEndByteIsAFrameOfItsOwn) {
    ScriptedLine line;
    ReplyBuffer reply;
    line.answer({0xFD});
    EXPECT_TRUE(receive_step(line, reply));
    EXPECT_EQ(reply.bytes[0], 0xFD);
    EXPECT_EQ(reply.fill, 1);
    EXPECT_FALSE(reply_is_ok(reply));
    EXPECT_FALSE(reply_is_ng(reply));
}

TEST(Receiver, NoByteLeavesEverythingAsItWas) {
    ScriptedLine line;
    ReplyBuffer reply;
    reply.fill = 3;
    reply.bytes[2] = 0x42;
    EXPECT_FALSE(receive_step(line, reply));
    EXPECT_EQ(reply.fill, 3);
    EXPECT_EQ(reply.bytes[2], 0x42);
    EXPECT_EQ(line.reads, 1);
}

TEST(Replies, ModelComesFromBothIdBytes) {
    EXPECT_EQ(model_from_id(0x28, 0x88), Model::id91);
    EXPECT_EQ(model_from_id(0x30, 0x66), Model::id92);
    EXPECT_EQ(model_from_id(0x28, 0x66), Model::unknown);
    EXPECT_EQ(model_from_id(0x30, 0x88), Model::unknown);
    EXPECT_EQ(model_from_id(0x00, 0x00), Model::unknown);
}

}  // namespace
}  // namespace quillmer::protocol
