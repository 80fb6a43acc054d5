#include "channels/check.h"

#include <gtest/gtest.h>

#include <string>

#include "channels/reader.h"
#include "channels/test_files.h"

namespace quillmer::channels {
namespace {

using test_files::data_file;
using test_files::TempMemoryFile;

constexpr const char* kHeader = "CH No,Frequency,Dup,Offset\n";

TEST(Check, AcceptsPlainNumbersWithSpacesAndRewindsTheFile) {
    TempMemoryFile f(std::string(kHeader) +
                     "0,145.500000,DUP-,0.600000\n"
                     "1, 145.5  ,,  .6\n"
                     "2,1295.000000,,10.\n"
                     "3,145,,5\n"
                     "4,.5,,\n"
                     "5,,,\n"
                     "6,0145.5,,00.600000\n");
    EXPECT_EQ(check_memory_file(f.file()), std::nullopt);
    Reader reader(f.file());
    ASSERT_TRUE(reader.next_row());
    EXPECT_STREQ(reader.row().frequency.data(), "145.500000");
}

struct BadNumber {
    const char* row;  // a data row placed on the file's third line
    int column;
    const char* text;
};

void PrintTo(const BadNumber& bad, std::ostream* out) {
    *out << '"' << bad.row << '"';
}

class CheckBadNumber : public ::testing::TestWithParam<BadNumber> {};

TEST_P(CheckBadNumber, IsRefusedWithItsLineColumnAndText) {
    const BadNumber& bad = GetParam();
    TempMemoryFile f(std::string(kHeader) + "0,145.5,,0.6\n" + bad.row + "\n9,146.0,,\n");
    const auto failure = check_memory_file(f.file());
    ASSERT_TRUE(failure.has_value());
    EXPECT_EQ(failure->kind, CheckFailure::Kind::bad_number);
    EXPECT_EQ(failure->line_number, 3);
    EXPECT_EQ(failure->column, bad.column);
    EXPECT_EQ(failure->text, bad.text);
    EXPECT_FALSE(failure->semicolons);
}

INSTANTIATE_TEST_SUITE_P(
    Fields, CheckBadNumber,
    ::testing::Values(BadNumber{"1,145 ,,", 2, "145 "},  // a space before no point: 1450 MHz
                      BadNumber{"1,145 .5,,", 2, "145 .5"}, BadNumber{"1,145. 5,,", 2, "145. 5"},
                      BadNumber{"1,14 5.5,,", 2, "14 5.5"}, BadNumber{"1,12345.0,,", 2, "12345.0"},
                      BadNumber{"1,   ,,", 2, "   "}, BadNumber{"1,.,,", 2, "."},
                      BadNumber{"1,145.5MHz,,", 2, "145.5MHz"},
                      BadNumber{"1,145.5.0,,", 2, "145.5.0"},
                      BadNumber{"1,\"145.5\",,", 2, "\"145.5\""},
                      BadNumber{"1,145.500000X,,", 2, "145.500000X"},  // past the 10th
                      BadNumber{"1,145.5,,-0.6", 4, "-0.6"},
                      BadNumber{"1,145.5,,100.0", 4, "100.0"},
                      BadNumber{"1,145.5,,0\t6", 4, "0\t6"},
                      BadNumber{"1,145.5,,0.600000 MHz and more", 4, "0.600000 MHz and mo"}));

TEST(Check, LineNumbersCountPhysicalLinesAndTheFirstFailureWins) {
    std::string long_line = "1,145.0,";
    long_line.append(250, 'x');
    TempMemoryFile f("\xEF\xBB\xBF" + std::string(kHeader) + "\r\n" + long_line +
                     "\r\n2,145.0,,0.6 6\r\n3,x,,\r\n");
    const auto failure = check_memory_file(f.file());
    ASSERT_TRUE(failure.has_value());
    EXPECT_EQ(failure->line_number, 4);
    EXPECT_EQ(failure->column, 4);
    EXPECT_EQ(failure->text, "0.6 6");
}

TEST(Check, FileWithoutDataRowsIsRefused) {
    TempMemoryFile headers_only(std::string(kHeader) + "\n,145.0,,\n");
    const auto failure = check_memory_file(headers_only.file());
    ASSERT_TRUE(failure.has_value());
    EXPECT_EQ(failure->kind, CheckFailure::Kind::no_data_rows);
    EXPECT_EQ(describe(*failure),
              "Memory file has no data rows (a data row starts with a digit): nothing to write.\n"
              "Nothing was sent to the radio.\n");

    TempMemoryFile empty("");
    EXPECT_TRUE(check_memory_file(empty.file()).has_value());
}

TEST(Check, ZeroByteAnywhereIsRefusedAsNoTextFile) {
    using namespace std::string_literals;
    // A zero byte would end the row's line before its frequency: a row that
    // erases its channel. Header lines and rows alike count.
    struct Case {
        std::string bytes;
        int zero_line;
        int first_row_line;
    };
    for (const Case& c :
         {Case{std::string(kHeader) + "0,145.5,,\n1,"s + '\0' + "146.0,,,FM\n", 3, 2},
          Case{std::string(kHeader) + "0,145.5,,\n1,146.0,,,FM,NA\0ME\n"s, 3, 2},
          Case{"CH\0,Frequency\n\n\n0,145.5,,\n"s, 1, 4}}) {
        TempMemoryFile f(c.bytes);
        const auto failure = check_memory_file(f.file());
        ASSERT_TRUE(failure.has_value()) << testing::PrintToString(c.bytes);
        EXPECT_EQ(failure->kind, CheckFailure::Kind::zero_byte);
        EXPECT_EQ(failure->line_number, c.zero_line);
        // Left at the start for the transfer's reading, as after a success.
        Reader reader(f.file());
        EXPECT_TRUE(reader.next_row());
        EXPECT_EQ(reader.raw().line_number, c.first_row_line);
    }

    // Text saved as UTF-16: every other byte is zero.
    TempMemoryFile wide(
        "\xFF\xFE"
        "0\0,\0"
        "1\0"
        "4\0"
        "5\0\n\0"s);
    const auto failure = check_memory_file(wide.file());
    ASSERT_TRUE(failure.has_value());
    EXPECT_EQ(failure->line_number, 1);
    EXPECT_EQ(describe(*failure),
              "Memory file line 1 holds a zero byte: it is not a text file (a program, a "
              "spreadsheet in its own format, or text saved as UTF-16, say).\n"
              "Save the channels as comma-separated text.\n"
              "Nothing was sent to the radio.\n");

    // After the end-of-file byte nothing is part of the file.
    TempMemoryFile ended(std::string(kHeader) + "0,145.5,,\n\x1a\0\0"s);
    EXPECT_EQ(check_memory_file(ended.file()), std::nullopt);
}

TEST(Check, SemicolonSeparatedExportIsRefusedWithAHint) {
    MemoryFile file;
    ASSERT_TRUE(file.open(data_file("semicolon-locale.csv").c_str()));
    const auto failure = check_memory_file(file);
    ASSERT_TRUE(failure.has_value());
    EXPECT_EQ(failure->line_number, 2);
    EXPECT_TRUE(failure->semicolons);
    EXPECT_EQ(describe(*failure),
              "Memory file line 2, column 2 (frequency): \"337500;OFF;0\" is not a plain decimal "
              "number.\n"
              "A frequency is written in MHz with a point, such as 145.500000 (at most 4 digits "
              "before the point).\n"
              "The file seems to use ';' between columns (a spreadsheet saved under a locale with "
              "decimal commas): save it with commas between columns and points in numbers.\n"
              "Nothing was sent to the radio.\n");
}

TEST(Check, OffsetMessageSaysWhatAnOffsetLooksLike) {
    CheckFailure failure;
    failure.line_number = 12;
    failure.column = 4;
    failure.text = "0,6";
    EXPECT_EQ(describe(failure),
              "Memory file line 12, column 4 (offset): \"0,6\" is not a plain decimal number.\n"
              "An offset is written in MHz with a point, such as 0.600000 (at most 2 digits "
              "before the point).\n"
              "Nothing was sent to the radio.\n");
}

TEST(Check, ACutThatWouldChangeTheNumberIsRefused) {
    // Kept: sub-hertz digits and zeros past the kept width are no loss.
    TempMemoryFile fine(std::string(kHeader) +
                        "0,145.12345678,,0.6000000\n"
                        "1,1295.000000,,10.000000\n"
                        "2,  145.0000000,,\n");
    EXPECT_EQ(check_memory_file(fine.file()), std::nullopt);

    struct Case {
        const char* row;
        int column;
    };
    for (const Case c : {Case{"1,1295.123456,,", 2},     // the hertz digit falls off
                         Case{"1,       145.5,,", 2},    // spaces push the .5 out
                         Case{"1,         1450,,", 2},   // and the integer apart
                         Case{"1,145.5,,  12.3456", 4},  // offset kept to 8
                         Case{"1,145.5,,      5.5", 4}}) {
        TempMemoryFile f(std::string(kHeader) + c.row + "\n");
        const auto failure = check_memory_file(f.file());
        ASSERT_TRUE(failure.has_value()) << c.row;
        EXPECT_EQ(failure->kind, CheckFailure::Kind::cut_number) << c.row;
        EXPECT_EQ(failure->column, c.column) << c.row;
        EXPECT_EQ(failure->line_number, 2) << c.row;
    }

    CheckFailure failure;
    failure.kind = CheckFailure::Kind::cut_number;
    failure.line_number = 7;
    failure.column = 2;
    failure.text = "1295.123456";
    EXPECT_EQ(describe(failure),
              "Memory file line 7, column 2 (frequency): \"1295.123456\" is longer than the 10 "
              "characters kept, and cutting it would change the number.\n"
              "A frequency is written in MHz with a point, such as 145.500000 (at most 4 digits "
              "before the point).\n"
              "Nothing was sent to the radio.\n");
}

TEST(Check, RealFilesPass) {
    for (const char* name : {"marine-vhf-100.csv", "dv-bank-sydney.csv"}) {
        MemoryFile file;
        ASSERT_TRUE(file.open(data_file(name).c_str())) << name;
        EXPECT_EQ(check_memory_file(file), std::nullopt) << name;
    }
}

}  // namespace
}  // namespace quillmer::channels
