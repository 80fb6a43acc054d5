// Real and awkward memory files, end to end: what the radio holds afterwards,
// channel by channel, the files that must never reach a radio, and the preview
// of --check against what a run leaves in the radio.

#include <gtest/gtest.h>

#include "tests/e2e/fixture.h"
#include "tests/e2e/memory_model.h"
#include "tests/e2e/wire.h"

namespace quillmer::e2e {
namespace {

using sim::Model;

std::string data_path(const std::string& name) {
    return name == "memory.csv" ? std::string(QUILLMER_EXAMPLE_FILE)
                                : std::string(QUILLMER_TEST_DATA) + "/" + name;
}

class MemoryFiles : public EndToEnd {
  protected:
    /// Writes `memory` to the radio and checks the radio's memory against it.
    void expect_written(const std::string& memory, Model model = Model::id91) {
        run_to_success(start_radio(sim::model_config(model)), memory);
    }
};

TEST_F(MemoryFiles, MarineChannelsWithWindowsLineEndsAndBlankRows) {
    const std::string memory = read_file(data_path("marine-vhf-100.csv"));
    ASSERT_EQ(data_rows(memory).size(), 100u);
    expect_written(memory);
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

// Files laid out by other programs, read by their header: the radio holds what
// the same channels written by hand in our own layout say (without such a
// file, that the run writes them).
struct OtherProgram {
    const char* file;
    const char* ours;  // nullptr: none
    const char* read_as;
};

void PrintTo(const OtherProgram& file, std::ostream* out) {
    *out << file.file;
}

class OtherPrograms : public MemoryFiles, public testing::WithParamInterface<OtherProgram> {};

TEST_P(OtherPrograms, AreWrittenAsTheSameChannelsInOurLayout) {
    const auto& radio = start_radio(sim::model_config(Model::id92));
    ProgramRun& run = launch_for(radio, read_file(data_path(GetParam().file)));
    if (GetParam().ours != nullptr) {
        finish_written(radio, read_file(data_path(GetParam().ours)));
    } else {
        EXPECT_EQ(finish_after(texts::kWriteEnd), status(ExitStatus::written)) << run.transcript();
    }
    // Before anything else of the file, and before the port.
    const std::string& said = run.transcript();
    EXPECT_LT(said.find(std::string("\n") + GetParam().read_as), said.find("Warning:")) << said;
    EXPECT_LT(said.find(GetParam().read_as), said.find("Com:")) << said;
}

INSTANTIATE_TEST_SUITE_P(
    Files, OtherPrograms,
    testing::Values(OtherProgram{"layout-programmer.csv", "layout-programmer-ours.csv",
                                 "Read as the multi-radio programmer's CSV: channel from column 1"},
                    OtherProgram{"layout-maker-export.csv", "layout-maker-export-ours.csv",
                                 "Read as the radio maker's memory export written with ';'"},
                    OtherProgram{"layout-repeater-list.csv", "layout-repeater-list-ours.csv",
                                 "Read as the radio maker's repeater list:"},
                    OtherProgram{"dv-bank-sydney.csv", nullptr,
                                 "Read as the radio maker's memory export:"},
                    OtherProgram{"semicolon-locale.csv", nullptr,
                                 "Read as the radio maker's memory export written with ';'"}),
    [](const testing::TestParamInfo<OtherProgram>& param) {
        std::string name = param.param.file;
        name.erase(name.find('.'));
        std::erase(name, '-');
        return name;
    });

// Rows this radio cannot hold: named, line by line, and nothing sent; or, when
// the user says so, erased and the rest written.
TEST_F(MemoryFiles, UnwritableRowsRefuseTheFileUnlessSkipped) {
    const std::string header = "Location,Name,Frequency,Duplex,Offset,Mode\n";
    const std::string file =
        header + "0,A,145.5,,,FM\n1,B,145.5,,,DMR\n2,C,146.5,split,1296.5,FM\n";
    const auto& radio = start_radio(sim::model_config(Model::id91));
    ProgramRun& refused = launch_for(radio, file);
    EXPECT_EQ(finish_after(kNothingSent), status(ExitStatus::memory_file_refused));
    for (const char* line : {"Memory file line 3: ", "Memory file line 4: "}) {
        EXPECT_EQ(occurrences(refused.transcript(), line), 1u) << refused.transcript();
    }
    EXPECT_EQ(occurrences(refused.transcript(), "Com:"), 0u) << "a port was looked for";
    EXPECT_TRUE(settle(radio).frames.empty());

    const auto& second = start_radio(sim::model_config(Model::id91));
    write_settings(port_of(second) + "\n");
    ProgramRun& skipped = launch({"--skip-unwritable", write_memory_file(file)});
    finish_written(second, "CH No,Frequency\n0,145.5,,,,FM,A\n");
    EXPECT_LT(skipped.transcript().find("Warning: Channel 2 (line 4) is erased"),
              skipped.transcript().find("Com:"))
        << skipped.transcript();
}

TEST_F(MemoryFiles, BadNumberStopsTheProgramAndIsNamed) {
    const auto& radio = start_radio(sim::model_config(Model::id91));
    std::string memory = varied_memory_file(10);
    memory += "10,145.5x00,,,,FM,BROKEN\n";
    ProgramRun& run = launch_for(radio, memory);
    run.type("k");
    EXPECT_EQ(run.wait_exit(), status(ExitStatus::memory_file_refused)) << run.transcript();
    EXPECT_EQ(occurrences(run.transcript(), "145.5x00"), 1u) << "the bad text is not named";
    EXPECT_EQ(occurrences(run.transcript(), "Com:"), 0u);
    EXPECT_TRUE(settle(radio).frames.empty());
}

TEST_F(MemoryFiles, FileWithoutAnyDataRowWouldEraseEverythingAndIsRefused) {
    const auto& radio = start_radio(sim::model_config(Model::id91));
    ProgramRun& run = launch_for(radio, "CH,Frequency,Dup,Offset\n\n");
    run.type("k");
    EXPECT_EQ(run.wait_exit(), status(ExitStatus::memory_file_refused)) << run.transcript();
    EXPECT_TRUE(settle(radio).frames.empty());
}

// The mistakes people make with files that a spreadsheet or an editor gave
// them: each would have written wrong channels, or wiped the radio, with status
// 0. Now the program names the line and stops before any port is used.
struct Mistake {
    const char* name;
    std::string file;
    const char* where;  // the start of the message
};

void PrintTo(const Mistake& mistake, std::ostream* out) {
    *out << mistake.name;
}

const std::string kHeader = "CH No,Frequency,Dup,Offset,TS,Mode,Name\n";

const Mistake kMistakes[] = {
    {"TabSeparated", kHeader + "0\t145.500000\tDUP-\t0.600000\t\tFM\tCALL\n",
     "Memory file line 2, column 1: "},
    {"QuotedText", kHeader + "0,145.500000,\"DUP-\",0.600000,,\"DV\",\"CALL 2M\"\n",
     "Memory file line 2, column 3 (duplex): "},
    {"LowerCaseMode", kHeader + "0,145.500000,,,,FM,ONE\n1,438.775000,DUP-,5.000000,,dv,TWO\n",
     "Memory file line 3, column 6 (mode): "},
    {"SignAloneForDuplex", kHeader + "0,145.650000,-,0.600000,,FM,GB3NB\n",
     "Memory file line 2, column 3 (duplex): "},
    {"BlankBeforeANumber", kHeader + "0,145.5,,,,FM,ONE\n 1,146.0,,,,FM,TWO\n2,147.0\n",
     "Memory file line 3, column 1: "},
    {"AccentedName", kHeader + "0,145.500000,,,,FM,Caf\xC3\xA9\n",
     "Memory file line 2, column 7 (name): "},
    {"NoFrequencyAnywhere", kHeader + "0,,,,,FM,ONE\n1,,,,,FM,TWO\n",
     "Memory file has no data row with a frequency"},
    {"DecimalComma", kHeader + "0,145,500,,,,FM,CALL\n", "Memory file line 2, column 3 (duplex): "},
    {"RowWithoutItsNumber",
     kHeader + "0,145.5,,,,FM,ONE\n,433.050000,DUP+,1.600000,,FM,GB3CC\n2,147.0,,,,FM,TWO\n",
     "Memory file line 3, column 1: "},
    {"WordForANumber", kHeader + "0,145.5,,,,FM,ONE\nnew,145.500000,OFF,0,,FM,CALL 2M\n",
     "Memory file line 3, column 1: "},
    {"ToneWhereTheNameIsRead",
     "No,Frequency,Duplex,Offset,Description,Mode,CTCSS\n0,145.5,,,,FM,67.0\n",
     "Memory file line 1, column 7: "},
    {"CallSignsInReverse",
     "CH No,Frequency,Dup,Offset,TS,Mode,Name,,,,,,,,,,RPT2 Call Sign,RPT1 Call Sign,Your Call "
     "Sign\n"
     "0,439.575,DUP-,7.6,,DV,GB7NB CQ,,,,,,,,,,GB7NB  G,GB7NB  B,CQCQCQ\n",
     "Memory file line 1, column 17: "},
};

class Mistakes : public MemoryFiles, public testing::WithParamInterface<Mistake> {};

TEST_P(Mistakes, AreRefusedBeforeAnyPortIsUsed) {
    const auto& radio = start_radio(sim::model_config(Model::id91));
    ProgramRun& run = launch_for(radio, GetParam().file);
    EXPECT_EQ(finish_after(kNothingSent), status(ExitStatus::memory_file_refused))
        << run.transcript();
    EXPECT_NE(run.transcript().find(GetParam().where), std::string::npos) << run.transcript();
    EXPECT_EQ(occurrences(run.transcript(), "Com:"), 0u) << "a port was looked for";
    EXPECT_TRUE(settle(radio).frames.empty());
}

INSTANTIATE_TEST_SUITE_P(UserFiles, Mistakes, testing::ValuesIn(kMistakes),
                         [](const testing::TestParamInfo<Mistake>& param) {
                             return std::string(param.param.name);
                         });

/// The lines of a transcript, without carriage returns.
std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> lines;
    std::string line;
    for (const char c : text) {
        if (c == '\n') {
            lines.push_back(line);
            line.clear();
        } else if (c != '\r') {
            line += c;
        }
    }
    if (!line.empty()) lines.push_back(line);
    return lines;
}

std::string right_trimmed(std::string text) {
    while (!text.empty() && text.back() == ' ') text.pop_back();
    return text;
}

/// A channel line of the preview's table, columns at their fixed places:
/// "  3  439.575000   DUP-  7.600000   DV    GB7NB CQ  CQCQCQ    GB7NB B   GB7NB G".
struct TableRow {
    int channel = -1;
    bool erase = false;
    std::vector<std::string> fields;  // frequency, duplex, offset, mode, name, UR, RPT1, RPT2
};

std::vector<TableRow> table_rows(const std::vector<std::string>& lines) {
    static constexpr std::size_t kAt[] = {5, 18, 24, 35, 41, 51, 61, 71};
    static constexpr std::size_t kWidth[] = {11, 4, 9, 4, 8, 8, 8, 8};
    std::vector<TableRow> rows;
    for (const std::string& line : lines) {
        if (line.size() < 5 || line[2] < '0' || line[2] > '9') continue;
        TableRow row;
        row.channel = std::stoi(line.substr(0, 3));
        row.erase = line.substr(5) == "erase";
        if (!row.erase) {
            const std::string padded = line + std::string(80, ' ');
            for (std::size_t i = 0; i < std::size(kAt); ++i) {
                row.fields.push_back(right_trimmed(padded.substr(kAt[i], kWidth[i])));
            }
        }
        rows.push_back(row);
    }
    return rows;
}

// --check on the files people have and on the example: the table of all 400
// channels and the summary, or the refusal a run would give.
class CheckFiles : public MemoryFiles,
                   public testing::WithParamInterface<std::pair<const char*, int>> {};

TEST_P(CheckFiles, ShowEveryChannelOrTheRefusal) {
    const auto& [name, ending] = GetParam();
    ProgramRun& run = launch({"--check", data_path(name)});
    EXPECT_EQ(run.wait_exit(), ending) << run.transcript();
    const std::vector<std::string> lines = lines_of(run.transcript());
    if (ending != status(ExitStatus::written)) {
        EXPECT_TRUE(run.transcript().ends_with(kNothingSent)) << run.transcript();
        EXPECT_TRUE(table_rows(lines).empty());
        return;
    }
    ASSERT_GE(lines.size(), 2u);
    // How the columns were read: by our own layout's header, or by another's.
    EXPECT_TRUE(lines[0].starts_with("Header: line ") || lines[0].starts_with("Read as "))
        << lines[0];
    EXPECT_EQ(lines[1],
              " CH  FREQUENCY    DUP   OFFSET     MODE  NAME      UR        RPT1      RPT2");
    const std::vector<TableRow> rows = table_rows(lines);
    ASSERT_EQ(rows.size(), static_cast<std::size_t>(sim::kChannelCount)) << run.transcript();
    for (int ch = 0; ch < sim::kChannelCount; ++ch) EXPECT_EQ(rows[ch].channel, ch);
    EXPECT_EQ(lines.at(rows.size() + 2).rfind("rows read: ", 0), 0u) << run.transcript();
}

INSTANTIATE_TEST_SUITE_P(
    RealFiles, CheckFiles,
    testing::Values(std::pair{"memory.csv", status(ExitStatus::written)},
                    std::pair{"dv-bank-sydney.csv", status(ExitStatus::written)},
                    std::pair{"marine-vhf-100.csv", status(ExitStatus::written)},
                    std::pair{"semicolon-locale.csv", status(ExitStatus::written)}),
    [](const testing::TestParamInfo<std::pair<const char*, int>>& param) {
        std::string name = param.param.first;
        name.erase(name.find('.'));
        std::erase(name, '-');
        return name;
    });

TEST_F(MemoryFiles, CheckTableIsWhatTheRadioHoldsAfterARun) {
    const std::string memory = read_file(data_path("memory.csv"));
    const std::string path = write_memory_file(memory, "preview.csv");
    ProgramRun& check = launch({"--check", path});
    ASSERT_EQ(check.wait_exit(), status(ExitStatus::written)) << check.transcript();
    const std::vector<TableRow> table = table_rows(lines_of(check.transcript()));
    ASSERT_EQ(table.size(), static_cast<std::size_t>(sim::kChannelCount));

    const auto& radio = start_radio(sim::model_config(Model::id92));
    launch_for(radio, memory);
    ASSERT_EQ(finish_after(texts::kWriteEnd), status(ExitStatus::written));
    const sim::MemoryImage& image = settle(radio).radio.image;
    for (int ch = 0; ch < sim::kChannelCount; ++ch) {
        const sim::Slot& slot = image[static_cast<std::size_t>(ch)];
        const TableRow& row = table[static_cast<std::size_t>(ch)];
        if (row.erase) {
            EXPECT_EQ(slot.state, sim::SlotState::erased) << "channel " << ch;
            continue;
        }
        ASSERT_EQ(slot.state, sim::SlotState::written) << "channel " << ch;
        const sim::ChannelFields f = sim::decode_write_frame(slot.frame);
        const std::string duplex(sim::duplex_name(f.duplex));
        const std::vector<std::string> held{
            sim::format_mhz(f.frequency_hz), duplex.empty() ? "OFF" : duplex,
            sim::format_mhz(f.offset_hz),    std::string(sim::mode_name(f.mode)),
            right_trimmed(f.label),          right_trimmed(f.call3),
            right_trimmed(f.call2),          right_trimmed(f.call1)};
        EXPECT_EQ(row.fields, held) << "channel " << ch;
    }
}

}  // namespace
}  // namespace quillmer::e2e
