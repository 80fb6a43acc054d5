#include "sim/replay.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include "sim/snapshot.h"
#include "sim/test_frames.h"

namespace quillmer::sim {
namespace {

using namespace test_frames;

const Bytes kKeep(kKeepalive.begin(), kKeepalive.end());
const Bytes kIdentify92{0xFE, 0xFE, 0x80, 0x01, 0x19, 0x30, 0x66, 0xFD};
const Bytes kReady{0xFE, 0xFE, 0x80, 0x01, 0x1D, 0x50, 0xFD};

/// Writes trace lines as the program does.
class TraceText {
  public:
    TraceText& sent(double ms, const Bytes& frame, int speed = 38400) {
        return line(ms, "> " + std::to_string(speed) + " " + hex(frame) + "  " + frame_name(frame));
    }
    TraceText& received(double ms, const Bytes& bytes, int speed = 38400) {
        return line(ms, "< " + std::to_string(speed) + " " + hex(bytes) + "  ?");
    }
    TraceText& line(double ms, const std::string& event) {
        char stamp[32];
        std::snprintf(stamp, sizeof stamp, "%.3f ", ms);
        text_ += stamp + event + "\n";
        return *this;
    }
    ReplayScript script() const {
        std::string error;
        const auto trace = parse_trace(text_, error);
        EXPECT_TRUE(trace) << error;
        return trace ? script_of(*trace) : ReplayScript{};
    }

  private:
    std::string text_ = "# quillmer 0.2.0 trace; linux; memory file \"m.csv\", 9 bytes\n";
};

struct Live {
    Bytes frame;
    int speed = 38400;
};

/// Feeds the frames and collects every answer's bytes.
Bytes play(Replay& replay, const std::vector<Live>& frames) {
    Bytes answered;
    for (const Live& live : frames) {
        for (const TracedAnswer& answer : replay.hear(live.frame, live.speed)) {
            answered.insert(answered.end(), answer.bytes.begin(), answer.bytes.end());
        }
    }
    return answered;
}

Bytes joined(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

TEST(ReplayScript, AnswersGoWithTheLastFrameThatIsNoKeepalive) {
    const ReplayScript script = TraceText()
                                    .line(0.5, "port /dev/ttyUSB0")
                                    .received(0.6, {0x01})  // before any frame
                                    .sent(1.0, kOpen)
                                    .received(3.5, kOk)
                                    .sent(4.0, kKeep)
                                    .received(4.5, kNg)
                                    .line(5.0, "key Esc")
                                    .sent(6.0, kClose)
                                    .line(7.0, "gone")
                                    .script();
    ASSERT_EQ(script.frames.size(), 2u);
    const TracedFrame& open = script.frames[0];
    EXPECT_EQ(open.bytes, kOpen);
    EXPECT_EQ(open.speed, 38400);
    EXPECT_EQ(open.name, "LINK_OPEN");
    EXPECT_EQ(open.line, 4);
    ASSERT_EQ(open.answers.size(), 3u);
    EXPECT_EQ(open.answers[0].bytes, Bytes{0x01});
    EXPECT_EQ(open.answers[0].delay.count(), 0);
    EXPECT_EQ(open.answers[1].bytes, kOk);
    EXPECT_EQ(open.answers[1].delay.count(), 2500);
    EXPECT_EQ(open.answers[2].bytes, kNg);
    EXPECT_EQ(open.answers[2].delay.count(), 3500);

    ASSERT_EQ(script.frames[1].answers.size(), 1u);
    EXPECT_TRUE(script.frames[1].answers[0].vanish);
    EXPECT_EQ(script.frames[1].answers[0].delay.count(), 1000);

    ASSERT_EQ(script.keys.size(), 1u);
    EXPECT_EQ(script.keys[0].key, "Esc");
    EXPECT_EQ(script.keys[0].after_frame, 1u);
}

// A radio that answers the first call: the program's second call is on its
// way before the answer is read, so a trace has one or two, and a replay may
// see a few more or fewer. The radio's answer goes out once in every case.
TEST(Replay, TakesMoreOrFewerCallsOfAnAnsweredRun) {
    TraceText text;
    text.sent(1, kLong).received(1.2, kIdentify92).sent(31, kLong);
    text.sent(40, kOpen).received(40.1, kIdentify92).received(40.2, kOk).sent(41, kProbe);
    text.received(41.5, kReady).sent(60, kClose);
    const ReplayScript script = text.script();
    const Bytes all_answers = joined({kIdentify92, kIdentify92, kOk, kReady});

    for (int calls = 1; calls <= 2 + 2 + 1; ++calls) {
        Replay replay(script);
        std::vector<Live> frames(static_cast<std::size_t>(calls), Live{kLong});
        frames.insert(frames.end(), {{kOpen}, {kKeep}, {kProbe}, {kProbe}, {kClose}});
        const Bytes answered = play(replay, frames);
        if (calls <= 4) {
            EXPECT_TRUE(replay.complete()) << calls << " calls: " << replay.outcome();
            EXPECT_EQ(answered, all_answers) << calls << " calls";
        } else {
            ASSERT_TRUE(replay.departure()) << calls << " calls";
            EXPECT_EQ(replay.departure()->frame, 5u);
            EXPECT_NE(replay.departure()->expected.find("LINK_OPEN"), std::string::npos);
        }
    }
}

// A silent radio: the program calls nine times, never more or fewer.
TEST(Replay, TakesAnUnansweredRunOnlyAsOftenAsTraced) {
    TraceText text;
    for (int i = 0; i < 9; ++i) text.sent(1 + 30 * i, kLong);
    text.sent(300, kNotice).line(301, "speed 4800").sent(302, kShort, 4800);
    text.received(303, kIdentify92, 4800);
    const ReplayScript script = text.script();

    for (const int calls : {8, 9, 10}) {
        Replay replay(script);
        std::vector<Live> frames(static_cast<std::size_t>(calls), Live{kLong});
        frames.insert(frames.end(), {{kNotice}, {kShort, 4800}});
        const Bytes answered = play(replay, frames);
        if (calls == 9) {
            EXPECT_TRUE(replay.complete()) << replay.outcome();
            EXPECT_EQ(answered, kIdentify92);
        } else {
            ASSERT_TRUE(replay.departure()) << calls;
            EXPECT_EQ(replay.departure()->frame, static_cast<std::size_t>(std::min(calls, 9) + 1));
            EXPECT_TRUE(answered.empty());
        }
    }
}

TEST(Replay, DepartsAtAChangedByteASpeedAnExtraFrameOrAChangedKeepalive) {
    Bytes write(kWriteFrameSize, 0x00);
    write[0] = write[1] = 0xFE;
    write[2] = 0x02;
    write[3] = 0x80;
    write[4] = 0x1A;
    write[6] = 0x01;
    write[66] = 0xFD;
    const ReplayScript script =
        TraceText().sent(1, kOpen).received(2, kOk).sent(3, write).received(4, kOk).script();
    Bytes changed = write;
    changed[17] = 0x05;
    Bytes keepalive = kKeep;
    keepalive[5] = 0x03;

    struct Case {
        std::vector<Live> frames;
        std::size_t at;
        std::string says;
    };
    const Case kCases[] = {
        {{{kOpen}, {changed}}, 2, "byte 17 is 05 where the trace has 00"},
        {{{kOpen}, {write, 9600}}, 2, "at 9600 bit/s"},
        {{{kOpen}, {Bytes(write.begin(), write.end() - 1)}}, 2, "66 bytes where the trace has 67"},
        {{{kOpen}, {keepalive}}, 2, "byte 2 is 01 where the trace has 02"},
        {{{kOpen}, {write}, {kClose}}, 3, "the trace ends"},
        {{{kOpen}, {kOpen}}, 2, "LINK_OPEN at 38400 bit/s"},
    };
    for (const Case& c : kCases) {
        Replay replay(script);
        for (const Live& live : c.frames) {
            const auto answers = replay.hear(live.frame, live.speed);
            // Nothing is answered once the program has left the trace.
            if (replay.departure()) {
                EXPECT_TRUE(answers.empty());
            }
        }
        ASSERT_TRUE(replay.departure()) << c.says;
        EXPECT_EQ(replay.departure()->frame, c.at) << c.says;
        EXPECT_NE(replay.departure()->text().find(c.says), std::string::npos)
            << replay.departure()->text();
        EXPECT_FALSE(replay.complete());
        EXPECT_TRUE(replay.hear(kOpen, 38400).empty());
    }
}

TEST(Replay, SaysHowFarAProgramThatStoppedEarlyCame) {
    Replay replay(TraceText().sent(1, kOpen).sent(2, kClose).script());
    replay.hear(kOpen, 38400);
    EXPECT_FALSE(replay.complete());
    EXPECT_FALSE(replay.departure());
    EXPECT_EQ(replay.outcome(),
              "the program sent 1 of the trace's 2 frames; the next would be LINK_CLOSE at "
              "38400 bit/s (trace line 3)");
}

// Every trace kept for the end-to-end tests replays as it stands, and a byte
// changed in any one of its frames is a departure at that frame.
TEST(Replay, HoldsTheProgramToEveryByteOfEveryKeptTrace) {
    const std::filesystem::path dir = std::filesystem::path(QUILLMER_TEST_DATA) / "traces";
    int traces = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        std::string error;
        const auto trace = read_trace_file(entry.path().string(), error);
        ASSERT_TRUE(trace) << error;
        ++traces;
        const ReplayScript script = script_of(*trace);
        const auto& frames = script.frames;
        ASSERT_GT(frames.size(), 10u) << entry.path();

        Replay as_traced(script);
        for (const TracedFrame& f : frames) as_traced.hear(f.bytes, f.speed);
        EXPECT_TRUE(as_traced.complete()) << entry.path() << ": " << as_traced.outcome();

        for (std::size_t changed = 0; changed < frames.size(); ++changed) {
            Replay replay(script);
            for (std::size_t i = 0; i < frames.size() && !replay.departure(); ++i) {
                Bytes frame = frames[i].bytes;
                if (i == changed) frame[frame.size() / 2] ^= 0x01;
                replay.hear(frame, frames[i].speed);
            }
            ASSERT_TRUE(replay.departure()) << entry.path() << " frame " << changed;
            EXPECT_EQ(replay.departure()->frame, changed + 1) << replay.outcome();
        }
    }
    EXPECT_GE(traces, 6);
}

}  // namespace
}  // namespace quillmer::sim
