#include "app/options.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <regex>
#include <tuple>
#include <vector>

#include "core/exit_status.h"

namespace quillmer::app {
namespace {

TEST(CommandLine, OptionsAroundTheMemoryFile) {
    struct Case {
        std::vector<std::string_view> args;
        Command command;
        std::optional<std::string> file;
        std::optional<std::string> port;
        std::optional<std::string> trace;
        bool skip_unwritable = false;
    };
    const Case cases[] = {
        {{}, Command::run, {}, {}, {}},
        {{"memory.csv"}, Command::run, "memory.csv", {}, {}},
        {{"--port", "7", "memory.csv"}, Command::run, "memory.csv", "7", {}},
        {{"memory.csv", "--port=/dev/ttyUSB0"}, Command::run, "memory.csv", "/dev/ttyUSB0", {}},
        {{"--trace", "t.txt", "--check", "m.csv"}, Command::check, "m.csv", {}, "t.txt"},
        {{"--ports"}, Command::ports, {}, {}, {}},
        {{"m.csv", "--skip-unwritable", "--check"}, Command::check, "m.csv", {}, {}, true},
        {{"--", "-x.csv"}, Command::run, "-x.csv", {}, {}},
        {{"--", "--help"}, Command::run, "--help", {}, {}},
        {{"-"}, Command::run, "-", {}, {}},
        {{"m.csv", "--version"}, Command::version, "m.csv", {}, {}},
        {{"--version", "--help"}, Command::help, {}, {}, {}},
        // Help wins even over a command line that is otherwise wrong.
        {{"-h", "--bogus"}, Command::help, {}, {}, {}},
    };
    for (const Case& c : cases) {
        std::string shown;
        for (const auto arg : c.args) shown += std::string(arg) + " ";
        const CommandLine parsed = parse_command_line(c.args);
        ASSERT_TRUE(parsed.options) << shown << parsed.error;
        EXPECT_EQ(parsed.options->command, c.command) << shown;
        EXPECT_EQ(parsed.options->memory_file, c.file) << shown;
        EXPECT_EQ(parsed.options->port, c.port) << shown;
        EXPECT_EQ(parsed.options->trace, c.trace) << shown;
        EXPECT_EQ(parsed.options->skip_unwritable, c.skip_unwritable) << shown;
    }
}

TEST(CommandLine, WhatIsNotUnderstoodIsNeverOpenedAsAFile) {
    const std::vector<std::string_view> refused[] = {
        {"--bogus", "memory.csv"},
        {"-x.csv"},
        {"memory.csv", "--port"},
        {"--port="},
        {"--trace"},
        {"--check", "--ports"},
        {"--portx", "m.csv"},
        {"---", "m.csv"},
        {"--skip-unwritable=yes", "m.csv"},
        // One memory file a run: a second is no more ignored.
        {"memory.csv", "other.csv"},
    };
    for (const auto& args : refused) {
        const CommandLine parsed = parse_command_line(args);
        EXPECT_FALSE(parsed.options) << args.front();
        EXPECT_FALSE(parsed.error.empty()) << args.front();
        EXPECT_EQ(parsed.error.find('\n'), std::string::npos) << parsed.error;
    }
}

// The README's and the manual page's lists of exit statuses give each status the
// meaning the program prints.
TEST(ExitStatuses, DocumentsGiveEachStatusTheProgramsMeaning) {
    for (const auto& [file, before, after] : {std::tuple{"/README.md", "\n| ", " | "},
                                              std::tuple{"/doc/quillmer.1.in", "\n.B ", "\n"}}) {
        std::ifstream in(std::string(QUILLMER_SOURCE_DIR) + file);
        std::string text{std::istreambuf_iterator<char>(in), {}};
        text = std::regex_replace(text, std::regex(R"(\\-)"), "-");  // the manual's hyphens
        for (const ExitStatusText& status : kExitStatuses) {
            const std::string entry = before + std::to_string(static_cast<int>(status.status)) +
                                      after + std::string(status.meaning);
            EXPECT_NE(text.find(entry), std::string::npos) << file << " lacks" << entry;
        }
    }
}

}  // namespace
}  // namespace quillmer::app
