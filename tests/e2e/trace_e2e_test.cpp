// The wire trace end to end: what the program writes with --trace against the
// simulated radio, and the traces of tests/data/traces/ replayed against the
// real program by quillmer-sim's replay.

#include <signal.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "sim/replayer.h"
#include "sim/trace_file.h"
#include "tests/e2e/fixture.h"
#include "tests/e2e/trace_scenarios.h"
#include "tests/e2e/wire.h"

namespace quillmer::e2e {
namespace {

namespace fs = std::filesystem;
using sim::FrameKind;
using sim::Model;
using Kind = sim::TraceEvent::Kind;

/// The bytes of every `>` or every `<` line, each with its speed.
std::vector<std::pair<sim::Bytes, int>> lines_of(const sim::Trace& trace, Kind kind) {
    std::vector<std::pair<sim::Bytes, int>> lines;
    for (const sim::TraceEvent& e : trace.events) {
        if (e.kind == kind) lines.emplace_back(e.bytes, e.speed);
    }
    return lines;
}

std::vector<std::pair<sim::Bytes, int>> heard(const std::vector<sim::ReceivedFrame>& frames) {
    std::vector<std::pair<sim::Bytes, int>> lines;
    for (const sim::ReceivedFrame& f : frames) lines.emplace_back(f.bytes, f.speed);
    return lines;
}

/// Success when `traced` holds `heard` frame for frame, and after them at most
/// frames of the kinds in `after`; else the first difference, briefly.
testing::AssertionResult traced_as_heard(const std::vector<std::pair<sim::Bytes, int>>& traced,
                                         const std::vector<std::pair<sim::Bytes, int>>& heard,
                                         std::initializer_list<FrameKind> after = {}) {
    const auto name = [](const std::pair<sim::Bytes, int>& f) {
        return sim::frame_name(f.first) + "@" + std::to_string(f.second) + " (" +
               std::to_string(f.first.size()) + " bytes)";
    };
    for (std::size_t i = 0; i < std::max(traced.size(), heard.size()); ++i) {
        if (i < traced.size() && i < heard.size()) {
            if (traced[i] == heard[i]) continue;
            return testing::AssertionFailure() << "frame " << i << ": traced " << name(traced[i])
                                               << ", heard " << name(heard[i]);
        }
        if (i >= traced.size()) {
            return testing::AssertionFailure()
                   << "frame " << i << " heard but not traced: " << name(heard[i]);
        }
        const FrameKind kind = sim::classify(traced[i].first);
        if (std::find(after.begin(), after.end(), kind) == after.end()) {
            return testing::AssertionFailure()
                   << "frame " << i << " traced but not heard: " << name(traced[i]);
        }
    }
    return testing::AssertionSuccess();
}

sim::Bytes joined(const std::vector<std::pair<sim::Bytes, int>>& runs) {
    sim::Bytes all;
    for (const auto& run : runs) all.insert(all.end(), run.first.begin(), run.first.end());
    return all;
}

/// The events that are neither bytes nor frames, as their text.
std::vector<std::string> other_events(const sim::Trace& trace) {
    std::vector<std::string> events;
    for (const sim::TraceEvent& e : trace.events) {
        if (e.kind == Kind::key) events.push_back("key " + e.text);
        if (e.kind == Kind::gone) events.emplace_back("gone");
        if (e.kind == Kind::other) events.push_back(e.text);
    }
    return events;
}

class Traced : public EndToEnd {
  protected:
    /// The trace the program wrote into the test's directory, read by the
    /// simulator's own reader; fails the test when it is no trace.
    sim::Trace trace(std::string_view name = "trace.txt") const {
        std::string error;
        const auto read = sim::read_trace_file((directory() / name).string(), error);
        EXPECT_TRUE(read) << error;
        return read.value_or(sim::Trace{});
    }
    fs::path directory() const { return settings_path().parent_path(); }

    /// Starts the program with --trace trace.txt on `memory` against `radio`.
    ProgramRun& launch_traced(const sim::Simulator& radio, std::string_view memory) {
        write_settings(port_of(radio) + "\n");
        write_memory_file(memory);
        return launch({"--trace", "trace.txt", "memory.csv"});
    }
};

// Every frame the radio heard, byte for byte, at its speed, in order, KEEPALIVE
// among them; every byte it sent; the port, the speeds and the end around them.
TEST_F(Traced, AWholeRunListsEveryFrameHeardAndEveryByteTheRadioSent) {
    struct Case {
        const char* what;
        sim::RadioConfig radio;
    };
    sim::RadioConfig noisy = sim::model_config(Model::id92);
    noisy.filler = sim::filler_bytes(3);
    noisy.lone_fd = true;
    noisy.fault_limit = 40;
    sim::RadioConfig at_9600 = sim::model_config(Model::id91);
    at_9600.speed = 9600;
    for (const Case& c : {Case{"ID-92, noise in front of 40 answers", noisy},
                          Case{"ID-91 at 9600 bit/s", at_9600}}) {
        SCOPED_TRACE(c.what);
        const auto& radio = start_radio(c.radio);
        const std::string memory = varied_memory_file(sim::kChannelCount);
        launch_traced(radio, memory);
        ASSERT_EQ(finish_after(texts::kWriteEnd), status(ExitStatus::written));
        const sim::Snapshot s = settle(radio);
        const sim::Trace t = trace();

        EXPECT_TRUE(traced_as_heard(lines_of(t, Kind::sent), heard(s.frames)));
        EXPECT_EQ(joined(lines_of(t, Kind::received)), s.bytes_sent);
        ASSERT_EQ(t.header.size(), 1u);
        EXPECT_TRUE(t.header[0].starts_with(" quillmer 0.2.0 trace; ")) << t.header[0];
        EXPECT_TRUE(t.header[0].ends_with("; memory file \"memory.csv\", " +
                                          std::to_string(memory.size()) + " bytes"))
            << t.header[0];
        const std::vector<std::string> events = other_events(t);
        ASSERT_GE(events.size(), 3u);
        EXPECT_TRUE(events[0].starts_with("port ")) << events[0];
        EXPECT_EQ(events[1], "speed 38400");
        EXPECT_EQ(events.back(), "end all 400 channels written and acknowledged, exit status 0");
        const std::size_t speed_changes = c.radio.speed == 9600 ? 3 : 0;  // 4800, 9600, 38400
        EXPECT_EQ(std::ranges::count_if(
                      events, [](const std::string& e) { return e.starts_with("speed "); }),
                  1 + speed_changes);
    }
}

TEST_F(Traced, ATracePulledCableKeepsEverythingUpToTheDeviceGoing) {
    sim::RadioConfig config = sim::model_config(Model::id91);
    config.vanish_after = 150;
    const auto& radio = start_radio(config);
    launch_traced(radio, varied_memory_file(sim::kChannelCount));
    ASSERT_EQ(finish_after(std::string(texts::kWriteError) + std::string(kGone)),
              status(ExitStatus::device_gone));
    const sim::Snapshot s = radio.snapshot();  // the device is gone: nothing more can come
    const sim::Trace t = trace();
    // Where a port tells of a vanished device only once writes have failed
    // (Windows), the keep-alives written meanwhile are traced as well.
    EXPECT_TRUE(traced_as_heard(lines_of(t, Kind::sent), heard(s.frames), {FrameKind::keepalive}));
    const std::vector<std::string> events = other_events(t);
    ASSERT_GE(events.size(), 3u);
    EXPECT_EQ(std::vector<std::string>(events.end() - 3, events.end()),
              (std::vector<std::string>{"gone", "port closed",
                                        "end the serial device vanished, exit status 8"}));
}

// On a terminal Ctrl-C is a key during the transfer; a kill is a crash. Both
// leave every line written before them, whole.
TEST_F(Traced, CtrlCAndAKillKeepEveryLineBeforeThem) {
    if (!launcher_.argv_prefix.empty()) GTEST_SKIP() << "Ctrl-C is no key on pipes";
    const auto& waiting = start_radio(never_ready_id92());
    ProgramRun& run = launch_traced(waiting, varied_memory_file(3));
    ASSERT_TRUE(await(waiting, FrameKind::ready_probe, 11));
    run.type("\x03");
    ASSERT_EQ(finish_after(texts::kWriteError), status(ExitStatus::aborted));
    const std::vector<std::string> events = other_events(trace());
    ASSERT_GE(events.size(), 3u);
    EXPECT_EQ(std::vector<std::string>(events.end() - 3, events.end()),
              (std::vector<std::string>{"key Ctrl-C", "port closed",
                                        "end stopped by Esc or Ctrl-C, exit status 7"}));
    EXPECT_TRUE(traced_as_heard(lines_of(trace(), Kind::sent), heard(settle(waiting).frames)));

    // Killed in the middle of the transfer: the frames traced are those the
    // radio heard, but for the one or two written last.
    sim::RadioConfig slow = sim::model_config(Model::id91);
    slow.ack_delay = std::chrono::milliseconds(20);
    const auto& radio = start_radio(slow);
    ProgramRun& killed = launch_traced(radio, varied_memory_file(sim::kChannelCount));
    ASSERT_TRUE(await(radio, FrameKind::write, 30));
    killed.signal(SIGKILL);
    EXPECT_EQ(killed.wait_exit(), 128 + SIGKILL);
    const auto traced = lines_of(trace(), Kind::sent);
    const auto frames = heard(settle(radio).frames);
    ASSERT_LE(traced.size(), frames.size());
    EXPECT_GE(traced.size() + 2, frames.size());
    EXPECT_TRUE(std::equal(traced.begin(), traced.end(), frames.begin()));
    EXPECT_GE(std::ranges::count_if(
                  traced, [](const auto& f) { return sim::classify(f.first) == FrameKind::write; }),
              29);
}

TEST_F(Traced, ATraceFileThatCannotBeWrittenEndsTheRunBeforeAnyPortIsUsed) {
    const auto& radio = start_radio(sim::model_config(Model::id92));
    write_settings(port_of(radio) + "\n");
    write_memory_file(varied_memory_file(3));
    ProgramRun& run = launch({"--trace", "no-such-directory/trace.txt", "memory.csv"});
    EXPECT_EQ(run.wait_exit(), status(ExitStatus::usage));
    EXPECT_NE(run.transcript().find("The trace file no-such-directory/trace.txt cannot be written"),
              std::string::npos)
        << run.transcript();
    EXPECT_TRUE(settle(radio).frames.empty());

    // With an option instead of a run: the header and how it ended.
    ProgramRun& version = launch({"--trace", "version.txt", "--version"});
    EXPECT_EQ(version.wait_exit(), status(ExitStatus::written));
    const sim::Trace t = trace("version.txt");
    ASSERT_EQ(t.header.size(), 1u);
    EXPECT_TRUE(t.header[0].ends_with("; no memory file")) << t.header[0];
    EXPECT_EQ(other_events(t), std::vector<std::string>{"end done, exit status 0"});
}

// ---------------------------------------------------------------------------
// The traces kept in tests/data/traces/, replayed.

class Replaying : public EndToEnd {
  protected:
    /// Starts a replay of `trace_text` and the program against it on the
    /// scenario's memory file; presses the keys where the trace has them.
    std::unique_ptr<sim::Replayer> replay(const std::string& trace_text,
                                          const TraceScenario& scenario) {
        std::string error;
        const auto trace = sim::parse_trace(trace_text, error);
        EXPECT_TRUE(trace) << error;
        if (!trace) return nullptr;
        auto replayer = sim::Replayer::start(sim::script_of(*trace), false, &error);
        EXPECT_TRUE(replayer) << error;
        if (!replayer) return nullptr;
        write_settings(launcher_.port_answer(replayer->slave_path()) + "\n");
        write_memory_file(read_file(fs::path(QUILLMER_TEST_DATA) / scenario.memory_file));
        launch({"memory.csv"});
        return replayer;
    }

    /// Presses each key of the trace once the program has sent the frames
    /// before it and the radio's answers to them have gone out.
    void press_keys(const sim::Replayer& replayer) {
        for (const sim::TracedKey& key : replayer.script().keys) {
            const auto reached =
                await(replayer, "the frames before the key " + key.key, [&](const auto& s) {
                    return s.departure || (s.matched >= key.after_frame && s.pending == 0);
                });
            ASSERT_TRUE(reached) << replayer.state().outcome;
            program().type(key.key == "Esc" ? "\x1b" : "\x03");
        }
    }
};

class KeptTrace : public Replaying, public testing::WithParamInterface<TraceScenario> {};

TEST_P(KeptTrace, TheProgramSendsTheTracedFramesAgain) {
    const TraceScenario& scenario = GetParam();
    const std::string text = read_file(trace_path(scenario));
    ASSERT_FALSE(text.empty()) << trace_path(scenario);
    const auto replayer = replay(text, scenario);
    ASSERT_TRUE(replayer);
    press_keys(*replayer);
    EXPECT_EQ(finish_after(scenario.last_text), status(scenario.exit_status));
    EXPECT_TRUE(await(*replayer, "every frame of the trace",
                      [](const sim::ReplayState& s) { return s.complete; }));
    const sim::ReplayState s = replayer->state();
    EXPECT_TRUE(s.complete) << s.outcome;
    EXPECT_FALSE(s.departure) << s.outcome;
    // The trace ended as this run did.
    EXPECT_TRUE(
        text.ends_with(", exit status " + std::to_string(status(scenario.exit_status)) + "\n"));
}

INSTANTIATE_TEST_SUITE_P(Traces, KeptTrace, testing::ValuesIn(trace_scenarios()),
                         scenario_test_name);

class ChangedTrace : public Replaying {};

// The same run against a trace with one byte of one frame changed: the replay
// names that frame, what the trace has and what came, and answers no more.
TEST_F(ChangedTrace, OneByteOfAWriteFrameIsADeparture) {
    const TraceScenario scenario = trace_scenarios()[0];  // an ID-91 writing 100 channels
    std::string text = read_file(trace_path(scenario));
    // Channel 17's frame: its frequency's MHz byte, offset 13.
    const std::size_t at = text.find("> 38400 FE FE 02 80 1A 00 01 00 17 ");
    ASSERT_NE(at, std::string::npos);
    constexpr std::size_t kByte = 13;  // each byte is two digits and a space
    const std::size_t byte_13 = at + std::string("> 38400 ").size() + kByte * 3;
    text[byte_13] = text[byte_13] == '0' ? '1' : '0';
    const auto replayer = replay(text, scenario);
    ASSERT_TRUE(replayer);
    ASSERT_TRUE(await(*replayer, "a departure from the trace",
                      [](const sim::ReplayState& s) { return s.departure.has_value(); }));
    const std::string outcome = replayer->state().outcome;
    EXPECT_NE(outcome.find("came WRITE ch 17 at 38400 bit/s; byte 13 is "), std::string::npos)
        << outcome;
    // The program waits for the answer that never comes, until Esc.
    program().type("\x1b");
    EXPECT_EQ(finish_after(texts::kWriteError), status(ExitStatus::aborted));
}

}  // namespace
}  // namespace quillmer::e2e
