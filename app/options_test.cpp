#include "app/options.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <regex>
#include <vector>

#include "app/exit_status.h"

namespace quillmer::app {
namespace {

TEST(CommandLine, OptionsAroundTheMemoryFile) {
    struct Case {
        std::vector<std::string_view> args;
        Command command;
        std::optional<std::string> file;
        std::optional<std::string> port;
        std::optional<std::string> trace;
    };
    const Case cases[] = {
        {{}, Command::run, {}, {}, {}},
        {{"memory.csv"}, Command::run, "memory.csv", {}, {}},
        {{"--port", "7", "memory.csv"}, Command::run, "memory.csv", "7", {}},
        {{"memory.csv", "--port=/dev/ttyUSB0"}, Command::run, "memory.csv", "/dev/ttyUSB0", {}},
        {{"--trace", "t.txt", "--check", "m.csv"}, Command::check, "m.csv", {}, "t.txt"},
        {{"--ports"}, Command::ports, {}, {}, {}},
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

// The README's and the manual page's lists of exit statuses hold every status,
// in order, each entry opening with the meaning the program itself prints.
TEST(ExitStatuses, DocumentsOpenEachEntryWithTheProgramsMeaning) {
    struct Document {
        const char* file;
        std::string_view heading, next_heading;
        const char* entry;  // the status's number, then what the document says of it
    };
    const Document kDocuments[] = {
        {"README.md", "\n## Exit statuses\n", "\n## ", R"(\n\| (\d+) \| (.*) \|)"},
        {"doc/quillmer.1.in", "\n.SH \"EXIT STATUS\"\n", "\n.SH ",
         R"(\n\.B (\d+)\n([^]*?)(?=\n\.TP|$))"},
    };
    for (const Document& doc : kDocuments) {
        std::ifstream in(std::string(QUILLMER_SOURCE_DIR "/") + doc.file);
        const std::string all{std::istreambuf_iterator<char>(in), {}};
        const std::size_t start = all.find(doc.heading);
        ASSERT_NE(start, std::string::npos) << doc.file;
        const std::string section =
            all.substr(start, all.find(doc.next_heading, start + 1) - start);
        std::vector<std::string> said;
        const std::regex entry(doc.entry);
        for (std::sregex_iterator it(section.begin(), section.end(), entry), end; it != end; ++it) {
            EXPECT_EQ(std::stoul((*it)[1]), said.size()) << doc.file;
            // Without the markup: `code`, a line of bold, escaped hyphens.
            std::string plain = std::regex_replace((*it)[2].str(), std::regex(R"(`|\\(?=-))"), "");
            plain = std::regex_replace(plain, std::regex(R"(\n(\.B )?)"), " ");
            plain[0] = static_cast<char>(std::tolower(plain[0]));
            said.push_back(plain);
        }
        ASSERT_EQ(said.size(), kExitStatuses.size()) << doc.file;
        for (const ExitStatusText& status : kExitStatuses) {
            const std::string& text = said[static_cast<std::size_t>(status.status)];
            EXPECT_TRUE(text.starts_with(status.meaning)) << doc.file << ": " << text;
        }
    }
}

}  // namespace
}  // namespace quillmer::app
