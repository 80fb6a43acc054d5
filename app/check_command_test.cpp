#include "app/check_command.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "app/options.h"
#include "channels/test_files.h"
#include "console/recording_console.h"
#include "core/texts.h"

namespace quillmer::app {
namespace {

using channels::test_files::TempMemoryFile;

std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

TEST(CheckCommand, WithoutAUsableFileSaysSoAsARunDoes) {
    console::RecordingConsole console;
    EXPECT_EQ(run_check(console, std::nullopt), ExitStatus::no_memory_file);
    EXPECT_EQ(console.out, std::string(texts::kNoArgument) + std::string(usage_line()));

    // The fixed text, then the file and the system's reason.
    const std::string folder = testing::TempDir();
    for (const auto& [path, why] :
         {std::pair{std::string("/nonexistent/memory.csv"), std::string("it does not exist")},
          std::pair{folder, std::string("it is a folder, not a file")}}) {
        console::RecordingConsole missing;
        EXPECT_EQ(run_check(missing, path), ExitStatus::memory_file_unreadable) << path;
        EXPECT_EQ(missing.out, std::string(texts::kMemoryFileNotOpened) + "The memory file \"" +
                                   path + "\" cannot be opened: " + why + ".\n");
    }
}

TEST(CheckCommand, ARefusedFileGetsTheRunsMessageAndNoTable) {
    TempMemoryFile f("0\t145.500000\tDUP-\t0.600000\n");
    console::RecordingConsole console;
    EXPECT_EQ(run_check(console, f.path()), ExitStatus::memory_file_refused);
    EXPECT_TRUE(console.out.starts_with("Memory file line 1, column 1: ")) << console.out;
    EXPECT_TRUE(console.out.ends_with("Nothing was sent to the radio.\n")) << console.out;
    EXPECT_EQ(console.out.find("CH  FREQUENCY"), std::string::npos);
}

TEST(CheckCommand, EveryChannelThenTheSummaryAndTheWarnings) {
    TempMemoryFile f(
        "CH,Frequency,Dup,Offset,TS,Mode,Name\n"
        "1,145.500000,DUP-,0.600000,,DV,GB7NB CQ long,,,,,,,,,,CQCQCQ,GB7NB B,GB7NB G\n"
        "2,,,,,,\n"
        "3,1297.5,dup+,,,AUTOMATIC,GB7NB CQ other\n"
        "5, 145.0125 ,OFF,   ,,fm, Blank\n");
    console::RecordingConsole console;
    EXPECT_EQ(run_check(console, f.path()), ExitStatus::done);
    const std::vector<std::string> lines = lines_of(console.out);
    ASSERT_EQ(lines.size(), 1u + 1u + 400u + 1u + 4u) << console.out;
    EXPECT_EQ(lines[0], "Header: line 1, 7 columns: CH,Frequency,Dup,Offset,TS,Mode,Name");
    EXPECT_EQ(lines[1],
              " CH  FREQUENCY    DUP   OFFSET     MODE  NAME      UR        RPT1      RPT2");
    EXPECT_EQ(lines[2],
              "  0  145.500000   DUP-  0.600000   DV    GB7NB CQ  CQCQCQ    GB7NB B   GB7NB G");
    EXPECT_EQ(lines[3], "  1  erase");
    EXPECT_EQ(lines[4], "  2  1297.500000  DUP+  0.000000   AUTO  GB7NB CQ");
    EXPECT_EQ(lines[5], "  3  145.012500   OFF   0.000000   FM");
    EXPECT_EQ(lines[6], "  4  erase");
    EXPECT_EQ(lines[401], "399  erase");
    EXPECT_EQ(lines[402], "rows read: 4, written: 3, erased: 1, 4-399");
    EXPECT_EQ(lines[403],
              "Warning: Channels 0, 2 all get the name \"GB7NB CQ\": names are cut to 8 "
              "characters.");
    EXPECT_TRUE(
        lines[404].starts_with("Warning: Line 5 has \"5\" in column 1 where 4 would "
                               "follow"))
        << lines[404];
    EXPECT_TRUE(
        lines[405].starts_with("Warning: The header on line 1 names 7 columns, but "
                               "data rows hold 19"))
        << lines[405];
    EXPECT_TRUE(lines[406].starts_with("Warning: Channel 2 has a frequency outside")) << lines[406];
}

TEST(CheckCommand, RowsPastTheLastChannelAreCountedNotShown) {
    std::string rows;
    for (int n = 0; n < 403; ++n) rows += std::to_string(n) + ",145.5\n";
    TempMemoryFile f(rows);
    console::RecordingConsole console;
    EXPECT_EQ(run_check(console, f.path()), ExitStatus::done);
    const std::vector<std::string> lines = lines_of(console.out);
    ASSERT_EQ(lines.size(), 1u + 1u + 400u + 1u + 1u) << console.out;
    EXPECT_EQ(lines[0], "No header: no line with commas comes before the first data row.");
    EXPECT_EQ(lines[401], "399  145.500000   OFF   0.000000   FM");
    EXPECT_EQ(lines[402], "rows read: 403, written: 400, erased: none");
    EXPECT_TRUE(lines[403].starts_with("Warning: The file holds 403 data rows")) << lines[403];
}

}  // namespace
}  // namespace quillmer::app
