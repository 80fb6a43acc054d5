#include "protocol/transfer.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <vector>

#include "protocol/recording_events.h"
#include "serial/scripted_line.h"

namespace quillmer::protocol {
namespace {

using serial::is;
using serial::ScriptedLine;
using serial::WrittenFrame;
using Bytes = std::vector<Byte>;

bool is_channel_frame(const WrittenFrame& frame) {
    return (frame.bytes.size() == 67 || frame.bytes.size() == 11) && frame.bytes[2] == 0x02 &&
           frame.bytes[4] == 0x1A;
}

int channel_of(const WrittenFrame& frame) {
    const Byte tu = frame.bytes[8];
    return frame.bytes[7] * 100 + (tu >> 4) * 10 + (tu & 0x0F);
}

/// A radio that acknowledges at once (after the line's `hold`); the ID-92 answers its probe
/// from `ready_from` on (0: never); `refuse` gets NG, from `silent_from` on no answer.
struct Radio {
    Model model = Model::id91;
    int ready_from = 1;
    int refuse = -1;
    std::chrono::microseconds hold{0};
    int silent_from = 400;
    bool babble = false;  ///< a byte that ends no reply for each KEEPALIVE
    int probes = 0;
    void operator()(ScriptedLine& line, const WrittenFrame& frame) {
        const std::initializer_list<Byte> ok{0xFE, 0xFE, 0x80, 0x01, 0xFB, 0xFD};
        if (is(frame, LINK_OPEN)) line.answer(ok);
        if (is(frame, KEEPALIVE) && babble) line.answer({0x00});
        if (is_channel_frame(frame) && channel_of(frame) >= silent_from) return;
        if (is_channel_frame(frame)) line.held_until = line.now + hold;
        if (is(frame, READY_PROBE) && model == Model::id92 && ready_from > 0 &&
            ++probes >= ready_from) {
            line.answer({0xFE, 0xFE, 0x80, 0x01, 0x1D, 0x50, 0xFD});
        }
        if (is_channel_frame(frame)) {
            if (channel_of(frame) == refuse) {
                line.answer({0xFE, 0xFE, 0x80, 0x01, 0xFA, 0xFD});
            } else {
                line.answer(ok);
            }
        }
    }
};

struct Transfer : ::testing::Test {
    std::filesystem::path path = std::filesystem::temp_directory_path() /
                                 ("quillmer-transfer-" + std::to_string(::getpid()) + ".csv");
    channels::MemoryFile file;
    ScriptedLine line;
    serial::LineClock clock{line};
    ReplyBuffer reply;
    ChannelFrames frames;
    RecordingEvents events;

    void TearDown() override {
        file.close();  // Windows removes no open file
        std::filesystem::remove(path);
    }

    void memory_file(const std::string& text) {
        std::ofstream(path, std::ios::binary) << text;
        ASSERT_TRUE(file.open(path.string().c_str()));
    }
    /// A file of `rows` data rows, each with a frequency.
    void rows(int count) {
        std::string text = "CH,Frequency,Dup,Offset,TS,Mode,Name\n";
        for (int i = 0; i < count; ++i) text += std::to_string(i) + ",145.500000,,,,FM,ROW\n";
        memory_file(text);
    }
    TransferOutcome run(Model model) {
        channels::Reader reader(file);
        ChannelStream channels(reader, frames);
        return run_transfer(line, clock, reply, model, channels, events, events);
    }
    std::vector<WrittenFrame> without_keepalives() const {
        std::vector<WrittenFrame> out;
        for (const auto& f : line.written) {
            if (!is(f, KEEPALIVE)) out.push_back(f);
        }
        return out;
    }
    int count_of(const std::array<Byte, 8>& frame) const {
        int n = 0;
        for (const auto& f : line.written) n += is(f, frame) ? 1 : 0;
        return n;
    }
};

TEST_F(Transfer, Id91AcknowledgingEverything) {
    memory_file(
        "CH,Frequency,Dup,Offset,TS,Mode,Name\n0,433.450000,DUP-,5.000000,,DV,NAME\n"
        "1,,,,,,\n2,145.0125,,,,FM,TWO\n");
    line.on_write = Radio{Model::id91};
    const TransferEnd end = run(Model::id91).end;
    EXPECT_EQ(end, TransferEnd::written);

    const auto frames_sent = without_keepalives();
    ASSERT_EQ(frames_sent.size(), 402u);
    EXPECT_TRUE(is(frames_sent.front(), LINK_OPEN));
    EXPECT_TRUE(is(frames_sent.back(), LINK_CLOSE));
    for (int ch = 0; ch < 400; ++ch) {
        const auto& f = frames_sent[static_cast<std::size_t>(ch) + 1];
        ASSERT_TRUE(is_channel_frame(f)) << ch;
        EXPECT_EQ(channel_of(f), ch);
        // Rows 0 and 2 have a frequency; row 1 and every channel after the
        // file's last row are erased.
        EXPECT_EQ(f.bytes.size(), (ch == 0 || ch == 2) ? 67u : 11u) << ch;
    }
    EXPECT_EQ(Bytes(frames_sent[1].bytes.begin() + 9, frames_sent[1].bytes.begin() + 14),
              (Bytes{0x00, 0x00, 0x45, 0x33, 0x04}));
    EXPECT_EQ(count_of(READY_PROBE), 0);

    // Keep-alives on every 31st pass, writing included.
    int keepalives = 0;
    for (const auto& f : line.written) {
        if (!is(f, KEEPALIVE)) continue;
        ++keepalives;
        EXPECT_EQ((f.pass + 1) % 31, 0) << "pass " << f.pass + 1;
    }
    EXPECT_GT(keepalives, 10);

    std::string log = "activate start ";
    for (int ch = 0; ch < 400; ++ch) log += "ch" + std::to_string(ch) + " ";
    EXPECT_EQ(events.log, log + "end stop");
}

TEST_F(Transfer, Id92AnsweringTheThirdProbe) {
    rows(400);
    line.on_write = Radio{Model::id92, 3};
    EXPECT_EQ(run(Model::id92).end, TransferEnd::written);
    EXPECT_EQ(count_of(READY_PROBE), 3);
    std::vector<int> probe_passes;
    int first_channel_pass = -1;
    for (const auto& f : line.written) {
        if (is(f, READY_PROBE)) probe_passes.push_back(f.pass);
        if (is_channel_frame(f) && first_channel_pass < 0) first_channel_pass = f.pass;
    }
    ASSERT_EQ(probe_passes.size(), 3u);
    EXPECT_EQ(probe_passes[1] - probe_passes[0], 31);
    EXPECT_EQ(probe_passes[2] - probe_passes[1], 31);
    EXPECT_GT(first_channel_pass, probe_passes[2]);
}

TEST_F(Transfer, Id92NeverReadyWaitsWithKeepalivesUntilEsc) {
    rows(3);
    line.on_write = Radio{Model::id92, 0};
    events.key_at[1000] = StopKey::esc;
    const TransferOutcome outcome = run(Model::id92);
    EXPECT_EQ(outcome.end, TransferEnd::escaped);
    EXPECT_EQ(outcome.sent, 0);
    EXPECT_EQ(count_of(READY_PROBE), 11);
    EXPECT_TRUE(is(line.written.back(), LINK_CLOSE));
    // After the eleventh probe only keep-alives go out.
    std::size_t last_probe = 0;
    for (std::size_t i = 0; i < line.written.size(); ++i) {
        if (is(line.written[i], READY_PROBE)) last_probe = i;
    }
    for (std::size_t i = last_probe + 1; i + 1 < line.written.size(); ++i) {
        EXPECT_TRUE(is(line.written[i], KEEPALIVE)) << i;
    }
    EXPECT_EQ(events.log, "activate stop");
}

TEST_F(Transfer, MoreThan400RowsAreReported) {
    rows(401);
    line.on_write = Radio{Model::id91};
    const TransferEnd end = run(Model::id91).end;
    EXPECT_EQ(end, TransferEnd::too_many_rows);
    int writes = 0;
    for (const auto& f : line.written) writes += f.bytes.size() == 67 ? 1 : 0;
    EXPECT_EQ(writes, 400);
    EXPECT_TRUE(events.log.ends_with(" ch399 end stop"));
}

TEST_F(Transfer, RefusalStopsTheRun) {
    rows(400);
    line.on_write = Radio{Model::id91, 1, 17};
    const TransferOutcome outcome = run(Model::id91);
    EXPECT_EQ(outcome.end, TransferEnd::refused);
    EXPECT_EQ(outcome.sent, 18);
    EXPECT_EQ(outcome.acknowledged, 17);
    const auto sent = without_keepalives();
    ASSERT_EQ(sent.size(), 1u + 18u + 1u);
    EXPECT_EQ(channel_of(sent[18]), 17);
    EXPECT_TRUE(is(sent.back(), LINK_CLOSE));
    EXPECT_TRUE(events.log.ends_with(" ch16 ch17 stop")) << events.log;
}

TEST_F(Transfer, LateIdentifyAnswersAreNotTakenForTheLinksAnswer) {
    // Two answers to the handshake's extra identify calls are still on the way
    // when the link opens; the refusal of channel 17 must stop the run right
    // after channel 17, and the refusal of the last channel must be seen.
    for (int refused : {17, 399}) {
        SCOPED_TRACE(refused);
        ScriptedLine stale;
        rows(400);
        stale.answer({0xFE, 0xFE, 0x80, 0x01, 0x19, 0x28, 0x88, 0xFD});
        stale.answer({0xFE, 0xFE, 0x80, 0x01, 0x19, 0x28, 0x88, 0xFD});
        stale.on_write = Radio{Model::id91, 1, refused};
        channels::Reader reader(file);
        ChannelStream channels(reader, frames);
        const TransferEnd end = run_transfer(stale, serial::LineClock(stale), reply, Model::id91,
                                             channels, events, events)
                                    .end;
        EXPECT_EQ(end, TransferEnd::refused);
        std::vector<int> channels_sent;
        for (const auto& f : stale.written) {
            if (is_channel_frame(f)) channels_sent.push_back(channel_of(f));
        }
        ASSERT_EQ(channels_sent.size(), static_cast<std::size_t>(refused) + 1);
        EXPECT_EQ(channels_sent.back(), refused);
        EXPECT_TRUE(is(stale.written.back(), LINK_CLOSE));
        file.close();
    }
}

TEST_F(Transfer, CtrlCLeavesAtOnceWritingNothing) {
    rows(400);
    line.on_write = Radio{Model::id91};
    events.key_at[200] = StopKey::ctrl_c;
    const TransferOutcome outcome = run(Model::id91);
    EXPECT_EQ(outcome.end, TransferEnd::interrupted);
    EXPECT_FALSE(is(line.written.back(), LINK_CLOSE));
    EXPECT_EQ(line.reads, 199);  // the 200th pass read nothing
    EXPECT_GT(outcome.sent, 0);
}

TEST_F(Transfer, AFrameThatIsNeitherOkNorNgKeepsWaiting) {
    rows(400);
    Radio radio{Model::id91};
    line.on_write = [&radio](ScriptedLine& l, const WrittenFrame& f) {
        if (is_channel_frame(f) && channel_of(f) == 3) {
            l.answer({0xFE, 0xFE, 0x80, 0x01, 0x19, 0x00, 0x00, 0xFD});
        }
        radio(l, f);
    };
    EXPECT_EQ(run(Model::id91).end, TransferEnd::written);
    const auto sent = without_keepalives();
    for (int ch = 0; ch < 400; ++ch)
        EXPECT_EQ(channel_of(sent[static_cast<std::size_t>(ch) + 1]), ch);
}

TEST_F(Transfer, AVanishedDeviceEndsTheRunWithoutClosingTheLink) {
    rows(400);
    Radio radio{Model::id91};
    line.on_write = [&radio](ScriptedLine& l, const WrittenFrame& f) {
        if (is_channel_frame(f) && channel_of(f) == 5) {
            l.gone = true;
            return;
        }
        radio(l, f);
    };
    const TransferOutcome outcome = run(Model::id91);
    EXPECT_EQ(outcome.end, TransferEnd::device_gone);
    EXPECT_TRUE(is_channel_frame(line.written.back()));
    EXPECT_EQ(channel_of(line.written.back()), 5);
    EXPECT_EQ(outcome.acknowledged, 5);
    EXPECT_TRUE(events.log.ends_with(" ch5 stop"));
}

TEST_F(Transfer, LinesAboutTheLineComeOnlyPastTheirThresholds) {
    using namespace std::chrono_literals;
    struct Case {
        Radio radio;
        int esc_at;  ///< the poll that finds Esc, polls some 5 ms apart; 0: none
        bool told;
    };
    const Case cases[] = {
        {{Model::id92, 0}, 400, false},             // 2 s without the ready answer; told at 5
        {{Model::id91, 1, -1, {}, 5}, 430, false},  // 2 s without an acknowledgement; told at 3
        {{Model::id91, 1, -1, {}, 5, true}, 2030, false},  // 10 s, a byte each KEEPALIVE
        // Late 7.4 ms beyond the wire time (1.8 more with a KEEPALIVE), 9.4 ms, refused.
        {{Model::id91, 1, -1, 9ms}, 0, false},
        {{Model::id91, 1, -1, 11ms}, 0, true},
        {{Model::id91, 1, 399, 16ms}, 0, false},
    };
    for (const Case& c : cases) {
        line = ScriptedLine{};
        events = RecordingEvents{};
        rows(400);
        line.on_write = c.radio;
        if (c.esc_at > 0) events.key_at[c.esc_at] = StopKey::esc;
        run(c.radio.model);
        EXPECT_EQ(events.notices, c.told ? 1 : 0) << c.esc_at;
    }
}

}  // namespace
}  // namespace quillmer::protocol
