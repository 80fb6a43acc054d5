#include "sim/wire.h"

#include <gtest/gtest.h>

#include "sim/test_frames.h"

namespace quillmer::sim {
namespace {

using namespace test_frames;

using std::chrono::microseconds;

std::vector<ParsedFrame> batch_of(std::initializer_list<Bytes> frames, std::size_t stray = 0) {
    std::vector<ParsedFrame> parsed;
    std::size_t end = stray;
    for (const Bytes& frame : frames) {
        end += frame.size();
        parsed.push_back({frame, end});
    }
    return parsed;
}

TEST(BatchSpeeds, AChangeTakesEffectAfterTheLastNoticeOfTheBatch) {
    const auto same = batch_speeds(batch_of({kNotice, kShort}), 38400, 38400);
    EXPECT_EQ(same, (std::vector<int>{38400, 38400}));

    // The program wrote the notice, changed speed, and wrote on before we read.
    EXPECT_EQ(batch_speeds(batch_of({kNotice, kShort}), 38400, 4800),
              (std::vector<int>{38400, 4800}));
    EXPECT_EQ(batch_speeds(batch_of({kShort, kNotice}), 4800, 38400),
              (std::vector<int>{4800, 4800}));
    EXPECT_EQ(batch_speeds(batch_of({kShort, kNotice, kNotice, kQuery}), 4800, 38400),
              (std::vector<int>{4800, 4800, 4800, 38400}));

    // After a batch that ended with a notice, the change came between the reads:
    // the whole batch, its own notice included, went at the new speed.
    EXPECT_EQ(batch_speeds(batch_of({kShort, kNotice}), 38400, 4800, true),
              (std::vector<int>{4800, 4800}));
    EXPECT_TRUE(ends_with_notice(batch_of({kShort, kNotice})));
    EXPECT_FALSE(ends_with_notice(batch_of({kNotice, kShort})));
    EXPECT_FALSE(ends_with_notice({}));

    // Without a notice the port was set up afresh before it wrote.
    EXPECT_EQ(batch_speeds(batch_of({identify_frame(402)}), 9600, 38400),
              (std::vector<int>{38400}));
    EXPECT_TRUE(batch_speeds({}, 9600, 38400).empty());
}

TEST(PacedArrivals, BytesTakeTenBitTimesFromTheReadOrFromWhenTheWireIsFree) {
    EXPECT_EQ(byte_time(38400), std::chrono::nanoseconds(260416));
    EXPECT_EQ(byte_time(4800), std::chrono::nanoseconds(2083333));
    EXPECT_EQ(byte_time(0), byte_time(38400));

    const Clock::time_point t0{};
    Clock::time_point wire_free = t0;
    const Bytes long_call = identify_frame(402);
    // Two stray bytes in front, the frame, then three bytes of the next frame.
    auto due = paced_arrivals(batch_of({long_call}, 2), {38400}, 2 + 406 + 3, 38400, t0, wire_free);
    ASSERT_EQ(due.size(), 1u);
    EXPECT_EQ(due[0], t0 + byte_time(38400) * 408);
    EXPECT_EQ(wire_free, t0 + byte_time(38400) * 411);

    // A batch read while the wire is still busy queues behind it...
    const Clock::time_point busy_until = wire_free;
    due = paced_arrivals(batch_of({kShort}), {4800}, kShort.size(), 4800, t0 + microseconds(10),
                         wire_free);
    EXPECT_EQ(due[0], busy_until + byte_time(4800) * 31);

    // ...and one read after a pause starts at the read.
    const Clock::time_point later = wire_free + std::chrono::seconds(1);
    due = paced_arrivals(batch_of({kNotice, kQuery}), {4800, 38400}, 13, 38400, later, wire_free);
    EXPECT_EQ(due[0], later + byte_time(4800) * 7);
    EXPECT_EQ(due[1], due[0] + byte_time(38400) * 6);

    // Byte by byte, as the cable echoes them: the bytes after the last frame at the new speed.
    const auto bytes = byte_arrivals(batch_of({kNotice}, 1), {38400}, 10, 4800, t0);
    ASSERT_EQ(bytes.size(), 10u);
    EXPECT_EQ(bytes[7], t0 + byte_time(38400) * 8);
    EXPECT_EQ(bytes[9], bytes[7] + byte_time(4800) * 2);
}

TEST(BytesDue, OneAtTheDueTimeAndOneMorePerByteTimeUpToWhatIsLeft) {
    const Clock::time_point due{std::chrono::seconds(5)};
    const auto per_byte = byte_time(38400);
    EXPECT_EQ(bytes_due(due, due - microseconds(1), per_byte, 8), 0u);
    EXPECT_EQ(bytes_due(due, due, per_byte, 8), 1u);
    EXPECT_EQ(bytes_due(due, due + per_byte * 2 + microseconds(1), per_byte, 8), 3u);
    EXPECT_EQ(bytes_due(due, due + std::chrono::seconds(1), per_byte, 8), 8u);
    EXPECT_EQ(bytes_due(due, due, per_byte, 0), 0u);
}

TEST(LineIn, TheLatencyTimerLetsOutWhatCameWithinItsWindowTogether) {
    using std::chrono::milliseconds;
    const Clock::time_point t0{std::chrono::seconds(5)};
    LineIn line(LineFaults{milliseconds(16), false, 0, {}});
    line.from_radio(kOk, t0);
    EXPECT_TRUE(line.out(t0 + milliseconds(15)).empty());
    line.from_radio(kNg, t0 + milliseconds(10));
    EXPECT_EQ(line.next(), t0 + milliseconds(16));
    Bytes both = kOk;
    both.insert(both.end(), kNg.begin(), kNg.end());
    EXPECT_EQ(line.out(t0 + milliseconds(16)), both);
    // A byte after the window opens the next; what was let out stays out until taken.
    line.taken(4);
    line.from_radio(kOk, t0 + milliseconds(17));
    EXPECT_EQ(line.out(t0 + milliseconds(20)), Bytes(both.begin() + 4, both.end()));
    line.taken(8);
    EXPECT_EQ(line.next(), t0 + milliseconds(33));
    EXPECT_EQ(line.out(t0 + milliseconds(33)), kOk);
}

TEST(LineIn, EchoComesInTimeOrderAndTheNoiseAndTheLostByteOnlyOnce) {
    const Clock::time_point t0{std::chrono::seconds(5)};
    const auto at = [&](int us) { return t0 + microseconds(us); };
    LineIn line(LineFaults{{}, true, 8, {0xFE, 0xFE, 0xFD}});
    line.echo(kQuery, std::vector<Clock::time_point>{at(1), at(2), at(3), at(4), at(5), at(9)});
    EXPECT_EQ(line.from_radio(kLinkReady, at(6)), 1u);
    EXPECT_EQ(line.out(at(5)), Bytes(kQuery.begin(), kQuery.end() - 1));
    // The noise, the reply, and the echo's last byte.
    const Bytes expected{0xFE, 0xFE, 0xFD, 0xFE, 0xFE, 0x80, 0x01, 0x18, 0x01, 0xFD, 0xFD};
    line.taken(5);
    EXPECT_EQ(line.out(at(9)), expected);
    line.taken(expected.size());
    // Byte 8, the next reply's first, is lost; no noise in front of it.
    EXPECT_EQ(line.from_radio(kOk, at(10)), 8u);
    EXPECT_EQ(line.out(at(10)), Bytes(kOk.begin() + 1, kOk.end()));
}

}  // namespace
}  // namespace quillmer::sim
