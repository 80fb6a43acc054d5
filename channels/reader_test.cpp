#include "channels/reader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "channels/test_files.h"

namespace quillmer::channels {
namespace {

using test_files::data_file;
using test_files::TempMemoryFile;
using Texts = std::vector<std::string>;

const std::string kBlank(8, ' ');

/// Frequency, duplex, offset, mode, label, UR, RPT1 and RPT2.
Texts fields(const ChannelRow& r) {
    return {r.frequency.data(), r.duplex.data(), r.offset.data(), r.mode.data(),
            r.label.data(),     r.ur.data(),     r.rpt1.data(),   r.rpt2.data()};
}

/// "line:frequency" of every data row of a file with these bytes.
Texts rows_of(const std::string& bytes) {
    TempMemoryFile f(bytes);
    Reader reader(f.file());
    Texts rows;
    while (reader.next_row()) {
        rows.push_back(std::to_string(reader.raw().line_number) + ":" +
                       reader.row().frequency.data());
    }
    return rows;
}

TEST(Reader, SkipsHeaderAndEmptyLinesAndKeepsTheLastRowAtTheEnd) {
    TempMemoryFile f("CH No,Frequency,Dup\n\n 7,145.0\n5,433.450000,DUP-,5.000000,,DV,NAME\n");
    Reader reader(f.file());
    ASSERT_TRUE(reader.next_row());
    const Texts expected{"433.450000", "DUP-", "5.000000", "DV",
                         "NAME    ",   kBlank, kBlank,     kBlank};
    EXPECT_EQ(fields(reader.row()), expected);
    EXPECT_EQ(reader.raw().line_number, 4);
    EXPECT_FALSE(reader.next_row());
    EXPECT_FALSE(reader.next_row());
    EXPECT_EQ(fields(reader.row()), expected);
}

TEST(Reader, FieldsAreCutPaddedAndNeverTrimmedOrCarriedOver) {
    TempMemoryFile f(
        "0,145.5,DUP+,0.6,5kHz,FM-N,LONG NAME,8,9,10,11,12,13,14,15,16,C3,C2,C1,C20\n"
        "1,146.0,OFF,0.0,,FM\n"
        "2,\"145.0\", x \n"
        "3,ABCDEFGHIJKLMNOPQRSTUVWXY,DUP+,12345678901,,AUTOMATIC,NAME67890\n");
    Reader reader(f.file());
    ASSERT_TRUE(reader.next_row());
    EXPECT_EQ(fields(reader.row()), (Texts{"145.5", "DUP+", "0.6", "FM-N", "LONG NAM", "C3      ",
                                           "C2      ", "C1      "}));
    // A row that ends after column 6 has no label and no call fields.
    ASSERT_TRUE(reader.next_row());
    EXPECT_EQ(fields(reader.row()),
              (Texts{"146.0", "OFF", "0.0", "FM", kBlank, kBlank, kBlank, kBlank}));
    ASSERT_TRUE(reader.next_row());
    EXPECT_EQ(fields(reader.row()),
              (Texts{"\"145.0\"", " x ", "", "", kBlank, kBlank, kBlank, kBlank}));
    // 25 characters keep 19 as split and 10 in the row; the duplex still follows.
    ASSERT_TRUE(reader.next_row());
    EXPECT_EQ(reader.raw().frequency, "ABCDEFGHIJKLMNOPQRS");
    EXPECT_EQ(reader.raw().offset, "12345678901");
    EXPECT_EQ(fields(reader.row()), (Texts{"ABCDEFGHIJ", "DUP+", "12345678", "AUTO", "NAME6789",
                                           kBlank, kBlank, kBlank}));
}

TEST(Reader, TextModeAndLineBreaks) {
    // Carriage returns vanish wherever they stand; Ctrl-Z ends the file.
    EXPECT_EQ(rows_of("\r1,14\r5.5\r\n2,146.0\r\n\x1A"
                      "3,147.0\n"),
              (Texts{"1:145.5", "2:146.0"}));
    EXPECT_EQ(rows_of("1,145.0\n2,146.0"), (Texts{"1:145.0", "2:146.0"}));
    EXPECT_EQ(rows_of("\xEF\xBB\xBF"
                      "1,145.0\n"),
              (Texts{"1:145.0"}));
    EXPECT_EQ(rows_of(""), Texts{});
}

TEST(Reader, LongLineIsReadInPiecesOf199CharactersUnderItsOwnLineNumber) {
    std::string first = "1,145.0,";
    first.append(199 - first.size(), 'x');
    // The second piece starts with a digit, so it is a data row of its own.
    EXPECT_EQ(rows_of(first + "9,146.0\n3,147.0\n"), (Texts{"1:145.0", "1:146.0", "2:147.0"}));
}

TEST(Reader, RestartReadsFromTheTopWithAnEmptyRow) {
    TempMemoryFile f(
        "\xEF\xBB\xBF"
        "1,145.0,DUP+,,,FM,A\n2,146.0\n");
    Reader reader(f.file());
    while (reader.next_row()) {
    }
    reader.restart();
    EXPECT_EQ(fields(reader.row()), (Texts{"", "", "", "", kBlank, kBlank, kBlank, kBlank}));
    ASSERT_TRUE(reader.next_row());
    EXPECT_STREQ(reader.row().frequency.data(), "145.0");
    EXPECT_EQ(reader.raw().line_number, 1);
}

TEST(Reader, RealWindowsExportWithBlankRowsAtTheEnd) {
    MemoryFile file;
    ASSERT_TRUE(file.open(data_file("marine-vhf-100.csv").c_str()));
    Reader reader(file);
    std::vector<Texts> rows;
    while (reader.next_row()) rows.push_back(fields(reader.row()));
    ASSERT_EQ(rows.size(), 100u);
    EXPECT_EQ(rows[0],
              (Texts{"156.000000", "DUP+", "4.600000", "FM", "MVHF CH0", kBlank, kBlank, kBlank}));
    EXPECT_EQ(rows[6][4], "MVHF CH6");
    EXPECT_EQ(rows[59][0], "162.025000");
    EXPECT_EQ(rows[60], (Texts{"", "", "", "", kBlank, kBlank, kBlank, kBlank}));
    EXPECT_EQ(reader.raw().line_number, 101);
}

TEST(MemoryFile, AMissingFileOrOneLargerThanTheMostIsNotRead) {
    MemoryFile file;
    EXPECT_FALSE(file.open(data_file("no-such-file.csv").c_str()));
    EXPECT_TRUE(file.lines().empty() && !file.too_large());
    TempMemoryFile most(std::string(kMostFileBytes, '\n'));  // read whole: it asserts so
    std::filesystem::resize_file(most.path(), kMostFileBytes + 1);
    EXPECT_TRUE(!file.open(most.path().c_str()) && file.too_large() && file.lines().empty());
}

}  // namespace
}  // namespace quillmer::channels
