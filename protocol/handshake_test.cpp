#include "protocol/handshake.h"

#include <gtest/gtest.h>

#include <vector>

#include "protocol/recording_events.h"
#include "serial/scripted_line.h"

namespace quillmer::protocol {
namespace {

using serial::is;
using serial::ScriptedLine;
using serial::WrittenFrame;
using Bytes = std::vector<Byte>;

/// A radio whose own line speed is `speed`: it understands only frames written
/// at that speed, follows the program back to 38400 after the speed notice, and
/// answers identify calls with `id` and the link query with link ready.
struct RadioAt {
    int speed;
    Byte id1, id2;
    void operator()(ScriptedLine& line, const WrittenFrame& frame) {
        if (frame.speed != speed) return;
        if (is(frame, IDENTIFY_LONG) || is(frame, IDENTIFY_SHORT)) {
            line.answer({0xFE, 0xFE, 0x80, 0x01, 0x19, id1, id2, 0xFD});
        } else if (is(frame, SPEED_NOTICE)) {
            speed = 38400;
        } else if (is(frame, LINK_QUERY)) {
            line.answer({0xFE, 0xFE, 0x80, 0x01, 0x18, 0x01, 0xFD});
        }
    }
};

struct Handshake : ::testing::Test {
    ScriptedLine line;
    ReplyBuffer reply;
    IdBytes id{};
    RecordingEvents events;
    HandshakeRecord heard;
    HandshakeResult run() { return run_handshake(line, reply, id, events, heard); }
};

TEST_F(Handshake, RadioAnsweringTheFirstLongCall) {
    line.on_write = RadioAt{38400, 0x28, 0x88};
    EXPECT_EQ(run(), HandshakeResult::success);
    EXPECT_EQ(id, (IdBytes{0x28, 0x88}));
    // The reply takes eight passes, one byte each: the second call goes out on
    // the twelfth pass, before the reply's end byte arrives on the thirteenth.
    ASSERT_EQ(line.written.size(), 2u);
    EXPECT_TRUE(is(line.written[0], IDENTIFY_LONG));
    EXPECT_EQ(line.written[0].pass, 5);  // written on the sixth pass, before its read
    EXPECT_EQ(line.written[1].pass, 11);
    EXPECT_EQ(line.reads, 13);
    EXPECT_TRUE(line.speed_changes.empty());
    EXPECT_EQ(reply.fill, 0);
    EXPECT_EQ(events.turns, 2);
}

TEST_F(Handshake, SilentPortRunsBothPhasesOut) {
    EXPECT_EQ(run(), HandshakeResult::failure);
    ASSERT_EQ(line.written.size(), 13u);
    for (int i = 0; i < 9; ++i) {
        EXPECT_TRUE(is(line.written[i], IDENTIFY_LONG)) << i;
        EXPECT_EQ(line.written[i].speed, 38400);
        EXPECT_EQ(line.written[i].pass, 5 + 6 * i);  // every sixth pass
    }
    EXPECT_TRUE(is(line.written[9], SPEED_NOTICE));
    EXPECT_EQ(line.written[9].speed, 38400);
    EXPECT_TRUE(is(line.written[10], IDENTIFY_SHORT));
    EXPECT_EQ(line.written[10].speed, 4800);
    EXPECT_TRUE(is(line.written[11], SPEED_NOTICE));
    EXPECT_EQ(line.written[11].speed, 4800);
    EXPECT_TRUE(is(line.written[12], IDENTIFY_SHORT));
    EXPECT_EQ(line.written[12].speed, 9600);
    EXPECT_EQ(line.speed_changes, (std::vector<int>{4800, 9600}));
    // 59 reads in phase 1 (the sixtieth pass moves on), 249 in each attempt (its
    // 250th pass ends it before anything else).
    EXPECT_EQ(line.written[10].pass, 59);
    EXPECT_EQ(line.written[12].pass, 59 + 249);
    EXPECT_EQ(line.reads, 59 + 249 + 249);
    EXPECT_EQ(events.turns, 19);
}

TEST_F(Handshake, RadioAt4800IsFoundInTheFirstAttempt) {
    line.on_write = RadioAt{4800, 0x30, 0x66};
    EXPECT_EQ(run(), HandshakeResult::success);
    EXPECT_EQ(id, (IdBytes{0x30, 0x66}));
    ASSERT_EQ(line.written.size(), 13u);
    EXPECT_TRUE(is(line.written[10], IDENTIFY_SHORT));
    EXPECT_TRUE(is(line.written[11], SPEED_NOTICE));
    EXPECT_EQ(line.written[11].speed, 4800);
    EXPECT_TRUE(is(line.written[12], LINK_QUERY));
    EXPECT_EQ(line.written[12].speed, 38400);
    // The notice and the query go out in the same pass.
    EXPECT_EQ(line.written[11].pass, line.written[12].pass);
    EXPECT_EQ(line.speed, 38400);
    EXPECT_EQ(line.speed_changes, (std::vector<int>{4800, 38400}));
    // The link-ready reply stays in the buffer.
    EXPECT_EQ(reply.fill, 7);
}

TEST_F(Handshake, RadioAt9600IsFoundInTheSecondAttempt) {
    line.on_write = RadioAt{9600, 0x28, 0x88};
    EXPECT_EQ(run(), HandshakeResult::success);
    EXPECT_EQ(id, (IdBytes{0x28, 0x88}));
    EXPECT_EQ(line.speed_changes, (std::vector<int>{4800, 9600, 38400}));
    ASSERT_EQ(line.written.size(), 15u);
    EXPECT_TRUE(is(line.written[12], IDENTIFY_SHORT));
    EXPECT_EQ(line.written[12].speed, 9600);
    EXPECT_TRUE(is(line.written[14], LINK_QUERY));
    EXPECT_EQ(line.written[14].speed, 38400);
}

TEST_F(Handshake, OnlyLinkReadySucceedsInPhaseTwo) {
    // Any first reply moves on; a link reply other than 18 01 does not succeed.
    line.on_write = [](ScriptedLine& l, const WrittenFrame& frame) {
        if (frame.speed == 38400 && !is(frame, LINK_QUERY)) return;
        if (is(frame, IDENTIFY_SHORT)) l.answer({0xFE, 0xFE, 0x80, 0x01, 0xFB, 0xFD});
        if (is(frame, LINK_QUERY)) l.answer({0xFE, 0xFE, 0x80, 0x01, 0x18, 0x00, 0xFD});
    };
    EXPECT_EQ(run(), HandshakeResult::failure);
    // Both attempts reached the link query; the id bytes never changed.
    int queries = 0;
    for (const auto& frame : line.written) queries += is(frame, LINK_QUERY) ? 1 : 0;
    EXPECT_EQ(queries, 2);
    EXPECT_EQ(id, (IdBytes{0, 0}));
}

TEST_F(Handshake, AnyReplyButNoNoiseEndsPhaseOneAndIdBytesSurviveAFailure) {
    id = {0x28, 0x88};
    // Dropped: shorter than the shortest reply; an identify reply a byte short, a byte long.
    line.answer({0xFE, 0xFE, 0xFD, 0xFE, 0xFE, 0x80, 0x01, 0xFD});
    line.answer({0xFE, 0xFE, 0x80, 0x01, 0x19, 0x30, 0xFD});
    line.answer({0xFE, 0xFE, 0x80, 0x01, 0x19, 0x30, 0x66, 0x00, 0xFD});
    line.on_write = [](ScriptedLine& l, auto&) { l.answer({0xFE, 0xFE, 0x80, 0x01, 0xFB, 0xFD}); };
    EXPECT_EQ(run(), HandshakeResult::success);
    EXPECT_EQ(id, (IdBytes{0x28, 0x88}));
    // The noise takes 24 passes, the first call's OK 6 more: a call on every sixth pass.
    EXPECT_EQ(line.written.size(), 5u);

    ScriptedLine silent;
    EXPECT_EQ(run_handshake(silent, reply, id, events, heard), HandshakeResult::failure);
    EXPECT_EQ(id, (IdBytes{0x28, 0x88}));
}

TEST_F(Handshake, RefusedSpeedChangeIsReportedAndTheHandshakeGoesOn) {
    line.refuse_speed = true;
    EXPECT_EQ(run(), HandshakeResult::failure);
    EXPECT_EQ(events.refused_speeds, (std::vector<int>{4800, 9600}));
    EXPECT_EQ(line.written.size(), 13u);
}

}  // namespace
}  // namespace quillmer::protocol
