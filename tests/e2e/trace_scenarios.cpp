#include "tests/e2e/trace_scenarios.h"

#include <algorithm>
#include <ostream>

#include "tests/e2e/fixture.h"

namespace quillmer::e2e {

std::vector<TraceScenario> trace_scenarios() {
    using sim::Model;
    const std::string written(texts::kWriteEnd);
    const std::string stopped(texts::kWriteError);

    sim::RadioConfig at_9600 = sim::model_config(Model::id91);
    at_9600.speed = 9600;
    sim::RadioConfig refusing = sim::model_config(Model::id92);
    refusing.ng_channels = {17};
    sim::RadioConfig vanishing = sim::model_config(Model::id91);
    vanishing.vanish_after = 200;

    return {
        {"id91", "marine-vhf-100.csv", sim::model_config(Model::id91), 0, written,
         ExitStatus::written},
        {"id92", "dv-bank-sydney-rows.csv", sim::model_config(Model::id92), 0, written,
         ExitStatus::written},
        {"fallback-9600", "dv-bank-sydney-rows.csv", at_9600, 0, written, ExitStatus::written},
        {"ng-channel-17", "marine-vhf-100.csv", refusing, 0, stopped, ExitStatus::radio_refused},
        {"esc-never-ready", "dv-bank-sydney-rows.csv", never_ready_id92(), 11, stopped,
         ExitStatus::aborted},
        {"vanished", "marine-vhf-100.csv", vanishing, 0, stopped + std::string(kGone),
         ExitStatus::device_gone},
    };
}

void PrintTo(const TraceScenario& scenario, std::ostream* out) {
    *out << scenario.name;
}

std::string scenario_test_name(const testing::TestParamInfo<TraceScenario>& scenario) {
    std::string name = scenario.param.name;
    std::ranges::replace(name, '-', '_');
    return name;
}

std::string trace_path(const TraceScenario& scenario) {
    return std::string(QUILLMER_TEST_DATA) + "/traces/" + scenario.name + ".txt";
}

}  // namespace quillmer::e2e
