// Records the wire traces of tests/data/traces/ afresh: the real program with
// --trace against the simulated radio of each scenario (trace_scenarios.h).
// Not a test; run it by hand when the program's frames change on purpose:
//
//   build/default/tests/record_traces                     # every scenario
//   build/default/tests/record_traces --gtest_filter='*id92'
//
// QUILLMER_RECORD_TRACES names another directory to write them to.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "tests/e2e/fixture.h"
#include "tests/e2e/trace_scenarios.h"

namespace quillmer::e2e {
namespace {

namespace fs = std::filesystem;

class Record : public EndToEnd, public testing::WithParamInterface<TraceScenario> {};

TEST_P(Record, Trace) {
    const TraceScenario& scenario = GetParam();
    const auto& radio = start_radio(scenario.radio);
    write_settings(port_of(radio) + "\n");
    write_memory_file(read_file(fs::path(QUILLMER_TEST_DATA) / scenario.memory_file));
    ProgramRun& run = launch({"--trace", "trace.txt", "memory.csv"});
    if (scenario.esc_after_probes > 0) {
        const auto probes = static_cast<std::size_t>(scenario.esc_after_probes);
        ASSERT_TRUE(await(radio, sim::FrameKind::ready_probe, probes));
        run.type("\x1b");
    }
    EXPECT_EQ(finish_after(scenario.last_text), status(scenario.exit_status));

    const char* elsewhere = std::getenv("QUILLMER_RECORD_TRACES");
    const fs::path to = elsewhere != nullptr && *elsewhere != '\0'
                            ? fs::path(elsewhere) / (scenario.name + ".txt")
                            : fs::path(trace_path(scenario));
    fs::create_directories(to.parent_path());
    fs::copy_file(settings_path().parent_path() / "trace.txt", to,
                  fs::copy_options::overwrite_existing);
    std::printf("recorded %s\n", to.string().c_str());
}

INSTANTIATE_TEST_SUITE_P(Scenarios, Record, testing::ValuesIn(trace_scenarios()),
                         scenario_test_name);

}  // namespace
}  // namespace quillmer::e2e
