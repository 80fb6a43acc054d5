// Real and awkward memory files, end to end: what the radio holds afterwards,
// channel by channel, and the files that must never reach a radio.

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "tests/e2e/fixture.h"
#include "tests/e2e/memory_model.h"
#include "tests/e2e/wire.h"

namespace quillmer::e2e {
namespace {

using sim::Model;

std::string read_data_file(const std::string& name) {
    std::ifstream in(std::string(QUILLMER_TEST_DATA) + "/" + name, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    EXPECT_TRUE(in.good() || in.eof()) << name;
    return text.str();
}

class MemoryFiles : public EndToEnd {
  protected:
    /// Writes `memory` to the radio and checks the radio's memory against it.
    void expect_written(const std::string& memory, Model model = Model::id91) {
        const auto& radio = start_radio(sim::model_config(model));
        launch_for(radio, memory);
        EXPECT_EQ(finish_after(text::kWriteEnd), kWritten);
        expect_whole_memory_written(settle(radio), memory);
    }
};

TEST_F(MemoryFiles, MarineChannelsWithWindowsLineEndsAndBlankRows) {
    const std::string memory = read_data_file("marine-vhf-100.csv");
    ASSERT_EQ(data_rows(memory).size(), 100u);
    expect_written(memory);
}

TEST_F(MemoryFiles, DvBankWithCallFieldsOnAnId92) {
    const std::string memory = read_data_file("dv-bank-sydney.csv");
    ASSERT_FALSE(data_rows(memory).empty());
    expect_written(memory, Model::id92);
}

TEST_F(MemoryFiles, ByteOrderMarkCarriageReturnsAndTheEndOfFileByte) {
    // Windows line ends and a stray carriage return inside a number, which text
    // mode drops; the first line a data row right after a byte order mark; rows
    // after a 0x1A byte are not part of the file.
    const std::string rows = varied_memory_file(40, true);
    std::string memory = "\xEF\xBB\xBF" + rows.substr(rows.find('\n') + 1);
    const std::size_t first_point = memory.find('.');
    memory.insert(first_point + 2, "\r");
    memory +=
        "\x1a"
        "0,146.000000,,,,FM,AFTER\r\n";
    expect_written(memory);
}

TEST_F(MemoryFiles, SemicolonSeparatedFileNeverReachesTheRadio) {
    const auto& radio = start_radio(sim::model_config(Model::id91));
    ProgramRun& run = launch_for(radio, read_data_file("semicolon-locale.csv"));
    // For the key wait that ends the program after its message.
    run.type("k");
    EXPECT_EQ(run.wait_exit(), kMemoryFileRefused) << run.transcript();
    EXPECT_EQ(occurrences(run.transcript(), "Com:"), 0u) << "a port was looked for";
    EXPECT_TRUE(settle(radio).frames.empty());
}

TEST_F(MemoryFiles, BadNumberStopsTheProgramAndIsNamed) {
    const auto& radio = start_radio(sim::model_config(Model::id91));
    std::string memory = varied_memory_file(10);
    memory += "10,145.5x00,,,,FM,BROKEN\n";
    ProgramRun& run = launch_for(radio, memory);
    run.type("k");
    EXPECT_EQ(run.wait_exit(), kMemoryFileRefused) << run.transcript();
    EXPECT_EQ(occurrences(run.transcript(), "145.5x00"), 1u) << "the bad text is not named";
    EXPECT_EQ(occurrences(run.transcript(), "Com:"), 0u);
    EXPECT_TRUE(settle(radio).frames.empty());
}

TEST_F(MemoryFiles, FileWithoutAnyDataRowWouldEraseEverythingAndIsRefused) {
    const auto& radio = start_radio(sim::model_config(Model::id91));
    ProgramRun& run = launch_for(radio, "CH,Frequency,Dup,Offset\n\n");
    run.type("k");
    EXPECT_EQ(run.wait_exit(), kMemoryFileRefused) << run.transcript();
    EXPECT_TRUE(settle(radio).frames.empty());
}

}  // namespace
}  // namespace quillmer::e2e
