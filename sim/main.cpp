// quillmer-sim: a simulated ID-91 / ID-92 for trying the program without a radio.

#include <chrono>
#include <csignal>
#include <cstdio>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sim/cli.h"
#include "sim/pty.h"
#include "sim/replayer.h"
#include "sim/report.h"
#include "sim/simulator.h"
#include "sim/trace_file.h"

namespace {

// The simulator's own exit statuses.
enum class Exit { ok = 0, failure = 1, usage = 2 };

volatile std::sig_atomic_t g_interrupted = 0;

void on_signal(int /*signal*/) {
    g_interrupted = 1;
}

void catch_signals() {
    struct sigaction action {};
    action.sa_handler = on_signal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    // Its terminal closed: the link goes as on any other end, before another
    // program may get the same pseudo-terminal number.
    sigaction(SIGHUP, &action, nullptr);
}

std::mutex g_output;

void print(const std::string& text) {
    std::lock_guard lock(g_output);
    std::fputs(text.c_str(), stdout);
    std::fflush(stdout);
}

// What the cable does, for the banner: ", latency 16 ms, echo", say; empty for a
// cable without faults.
std::string line_faults(const quillmer::sim::LineFaults& line) {
    std::string text;
    if (line.latency.count() > 0)
        text += ", latency " + std::to_string(line.latency.count()) + " ms";
    if (line.echo) text += ", echo";
    if (line.drop_byte > 0) text += ", byte " + std::to_string(line.drop_byte) + " lost";
    if (!line.noise.empty()) text += ", noise " + quillmer::sim::hex(line.noise);
    return text;
}

std::string banner(const quillmer::sim::Options& options, const std::string& slave) {
    const auto& radio = options.radio;
    char id[8];
    std::snprintf(id, sizeof id, "%02X %02X", radio.id[0], radio.id[1]);
    return std::string("quillmer-sim: ") +
           (radio.model == quillmer::sim::Model::id92 ? "ID-92" : "ID-91") + " (id " + id +
           ") listening at " + std::to_string(radio.speed) + " bit/s on " + slave + ", linked at " +
           options.link + (radio.silent ? ", silent" : "") + line_faults(radio.line) + "\n";
}

// Waits for link closes and prints the memory each time; returns on a signal,
// with --once after the first close, or when the device has gone.
void serve(const quillmer::sim::Simulator& sim, bool once) {
    using namespace std::chrono_literals;
    std::size_t closes_seen = 0;
    while (!g_interrupted) {
        sim.wait_for(
            [&](const quillmer::sim::Snapshot& s) {
                return s.link_closes.size() > closes_seen || !s.running;
            },
            100ms);
        const auto snapshot = sim.snapshot();
        const bool closed = snapshot.link_closes.size() > closes_seen;
        closes_seen = snapshot.link_closes.size();
        if (closed || snapshot.vanished) {
            print("memory channels:\n" + quillmer::sim::image_table(snapshot.radio.image));
        }
        if ((closed && once) || !snapshot.running) return;
    }
}

// After the last frame of a trace, frames that would depart from it still
// count for this long.
constexpr auto kAfterLastFrame = std::chrono::milliseconds(500);

// --replay: answers as the traced radio did until the program has sent every
// frame of the trace, or one that departs from it.
Exit replay(const quillmer::sim::Options& options) {
    using namespace std::chrono_literals;
    namespace sim = quillmer::sim;
    std::string error;
    const auto trace = sim::read_trace_file(options.replay, error);
    if (!trace) {
        std::fprintf(stderr, "quillmer-sim: %s\n", error.c_str());
        return Exit::usage;
    }
    sim::ReplayScript script = sim::script_of(*trace);
    const std::vector<sim::TracedKey> keys = script.keys;
    const std::size_t frames = script.frames.size();
    sim::Replayer::LogFn log;
    if (!options.quiet) log = [](const std::string& line) { print(line + "\n"); };
    const auto replayer = sim::Replayer::start(std::move(script), options.radio.pace, &error, log);
    if (!replayer) {
        std::fprintf(stderr, "quillmer-sim: no pseudo-terminal: %s\n", error.c_str());
        return Exit::failure;
    }
    if (!sim::make_link(replayer->slave_path(), options.link, error)) {
        std::fprintf(stderr, "quillmer-sim: %s\n", error.c_str());
        return Exit::failure;
    }
    print("quillmer-sim: replaying " + options.replay + " (" + std::to_string(frames) +
          " frames besides KEEPALIVE) on " + replayer->slave_path() + ", linked at " +
          options.link + "\n");

    std::size_t next_key = 0;
    std::optional<sim::Clock::time_point> completed;
    sim::ReplayState state;
    while (!g_interrupted) {
        replayer->wait_for([](const sim::ReplayState& s) { return s.departure.has_value(); },
                           100ms);
        state = replayer->state();
        // Keys are the user's to press; say when the trace has them pressed.
        while (next_key < keys.size() && state.matched >= keys[next_key].after_frame &&
               state.pending == 0) {
            print("quillmer-sim: the trace has " + keys[next_key].key +
                  " pressed here: press it in the program now\n");
            ++next_key;
        }
        if (state.departure || !state.running) break;
        if (state.complete && !completed) completed = sim::Clock::now();
        if (completed && sim::Clock::now() - *completed >= kAfterLastFrame) break;
    }
    state = replayer->state();
    sim::remove_link(replayer->slave_path(), options.link);
    print("quillmer-sim: " + state.outcome + "\n");
    return state.complete ? Exit::ok : Exit::failure;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string_view> args(argv + 1, argv + argc);
    const auto parsed = quillmer::sim::parse_options(args);
    if (!parsed.options) {
        std::fprintf(stderr, "quillmer-sim: %s\n(quillmer-sim --help shows the options)\n",
                     parsed.error.c_str());
        return static_cast<int>(Exit::usage);
    }
    const quillmer::sim::Options& options = *parsed.options;
    if (options.help) {
        std::fputs(quillmer::sim::usage().c_str(), stdout);
        return static_cast<int>(Exit::ok);
    }
    if (options.version) {
        // The program's release number, which the build passes in.
        std::fputs("quillmer-sim " QUILLMER_VERSION "\n", stdout);
        return static_cast<int>(Exit::ok);
    }

    catch_signals();
    if (!options.replay.empty()) return static_cast<int>(replay(options));
    quillmer::sim::Simulator::LogFn log;
    if (!options.quiet) log = [](const std::string& line) { print(line + "\n"); };
    std::string error;
    const auto sim = quillmer::sim::Simulator::start(options.radio, &error, log);
    if (!sim) {
        std::fprintf(stderr, "quillmer-sim: no pseudo-terminal: %s\n", error.c_str());
        return static_cast<int>(Exit::failure);
    }
    if (!quillmer::sim::make_link(sim->slave_path(), options.link, error)) {
        std::fprintf(stderr, "quillmer-sim: %s\n", error.c_str());
        return static_cast<int>(Exit::failure);
    }
    if (!options.quiet) print(banner(options, sim->slave_path()));

    serve(*sim, options.once);

    quillmer::sim::remove_link(sim->slave_path(), options.link);
    const bool failed = !sim->snapshot().running && !sim->snapshot().vanished;
    return static_cast<int>(failed && !g_interrupted ? Exit::failure : Exit::ok);
}
