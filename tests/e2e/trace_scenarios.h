#pragma once
// The runs whose wire traces are kept in tests/data/traces/: each was recorded
// by the real program with --trace against the simulated radio set up as here
// (tests/e2e/record_traces.cpp), and is replayed by the end-to-end tests
// (tests/e2e/trace_e2e_test.cpp) with quillmer-sim's replay.

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "core/exit_status.h"
#include "sim/radio.h"

namespace quillmer::e2e {

struct TraceScenario {
    std::string name;          ///< the trace is tests/data/traces/<name>.txt
    std::string memory_file;   ///< a file of tests/data, given to the program as memory.csv
    sim::RadioConfig radio;    ///< the simulated radio the trace was recorded against
    int esc_after_probes = 0;  ///< Esc once the radio has heard this many READY_PROBE
    std::string last_text;     ///< the program's last words before its final key wait
    ExitStatus exit_status = ExitStatus::written;
};

/// ID-91 and ID-92 writing a whole file, an ID-91 found at 9600 bit/s, a
/// refusal of channel 17, Esc while an ID-92 never says it is ready, and the
/// device vanishing at the 200th channel frame.
std::vector<TraceScenario> trace_scenarios();

/// For test messages: the scenario's name.
void PrintTo(const TraceScenario& scenario, std::ostream* out);

/// The scenario's name as a test's: "fallback_9600".
std::string scenario_test_name(const testing::TestParamInfo<TraceScenario>& scenario);

/// tests/data/traces/<name>.txt
std::string trace_path(const TraceScenario& scenario);

}  // namespace quillmer::e2e
