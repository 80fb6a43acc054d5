#include "app/settings.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "serial/port.h"

namespace quillmer::app {
namespace {

/// A device named by its path, in this platform's form.
std::string device_path_example() {
    for (const char* path : {"/dev/ttyUSB0", R"(\\.\CNCA0)"}) {
        if (serial::is_device_path(path)) return path;
    }
    ADD_FAILURE() << "no device path form on this platform";
    return {};
}

TEST(SettingsPath, OnlyTheFileNamesExtensionIsReplaced) {
    EXPECT_EQ(settings_path_for(R"(C:\tools\prog.exe)"), R"(C:\tools\prog.ini)");
    EXPECT_EQ(settings_path_for(R"(C:\my.tools\prog)"), R"(C:\my.tools\prog.ini)");
    EXPECT_EQ(settings_path_for("/usr/local/bin/quillmer"), "/usr/local/bin/quillmer.ini");
    EXPECT_EQ(settings_path_for("/opt/a.b/quillmer.v2.bin"), "/opt/a.b/quillmer.v2.ini");
    EXPECT_EQ(settings_path_for("quillmer"), "quillmer.ini");
    EXPECT_EQ(settings_path_for("/home/ham/.quillmer"), "/home/ham/.quillmer.ini");
}

TEST(ReadNumber, ReadsLikePercentD) {
    EXPECT_EQ(read_number("3"), 3);
    EXPECT_EQ(read_number("  12abc"), 12);
    EXPECT_EQ(read_number("\t+7"), 7);
    EXPECT_EQ(read_number("-2"), -2);
    EXPECT_EQ(read_number(""), std::nullopt);
    EXPECT_EQ(read_number("COM3"), std::nullopt);
    EXPECT_EQ(read_number("- 3"), std::nullopt);
    EXPECT_EQ(read_number("99999999999999999999999"), 0);
}

TEST(TakeAnswer, NumbersPathsAndEmptyAnswers) {
    PortChoice choice;
    take_answer("3", {.empty_means_first = true}, choice);
    EXPECT_EQ(choice.number, 3);
    EXPECT_EQ(choice.path, serial::port_path_for_number(3));

    // No number keeps the last one.
    take_answer("abc", {.empty_means_first = true}, choice);
    EXPECT_EQ(choice.number, 3);
    EXPECT_EQ(choice.path, serial::port_path_for_number(3));

    // An empty typed answer is the first port; the number stays.
    take_answer("", {.empty_means_first = true}, choice);
    EXPECT_EQ(choice.path, serial::port_path_for_number(1));
    EXPECT_EQ(choice.number, 3);
    EXPECT_EQ(choice.shown, "1");

    const std::string device = device_path_example();
    take_answer("  " + device + "  ", {.empty_means_first = true}, choice);
    EXPECT_EQ(choice.path, device);

    take_answer("0", {.empty_means_first = true}, choice);
    EXPECT_EQ(choice.number, 0);
    EXPECT_EQ(choice.path, serial::port_path_for_number(0));
}

TEST(TakeAnswer, AnEmptySettingsLineKeepsPortZero) {
    PortChoice choice;
    take_answer("", {}, choice);
    EXPECT_EQ(choice.number, 0);
    EXPECT_EQ(choice.path, serial::port_path_for_number(0));
}

TEST(TakeAnswer, ATooLongAnswerNamesNoPort) {
    PortChoice choice;
    take_answer("5", {.empty_means_first = true}, choice);
    take_answer("/dev/" + std::string(300, 'x'), {.too_long = true}, choice);
    EXPECT_TRUE(choice.path.empty());
}

class SettingsFile : public ::testing::Test {
  protected:
    std::filesystem::path path = std::filesystem::temp_directory_path() /
                                 ("quillmer-settings-" + std::to_string(::getpid()) + ".ini");
    void TearDown() override { std::filesystem::remove(path); }
    void write(const std::string& text) { std::ofstream(path, std::ios::binary) << text; }
    std::string line;
    bool too_long = false;
};

TEST_F(SettingsFile, FirstLineOnlyWithoutByteOrderMarkOrCarriageReturns) {
    write(std::string("\xEF\xBB\xBF") + "3\r\n7\n");
    ASSERT_EQ(read_settings_line(path.string(), line, too_long), SettingsRead::found);
    EXPECT_EQ(line, "3");
    EXPECT_FALSE(too_long);
}

TEST_F(SettingsFile, EmptyFileIsFoundAndEmpty) {
    write("");
    ASSERT_EQ(read_settings_line(path.string(), line, too_long), SettingsRead::found);
    EXPECT_EQ(line, "");
}

TEST_F(SettingsFile, DevicePathLine) {
    const std::string device = device_path_example();
    write(device + "\n");
    ASSERT_EQ(read_settings_line(path.string(), line, too_long), SettingsRead::found);
    PortChoice choice;
    take_answer(line, {.too_long = too_long}, choice);
    EXPECT_EQ(choice.path, device);
}

TEST_F(SettingsFile, LongLineIsReadWholeUpTo255) {
    write(std::string(255, '7') + "\n");
    ASSERT_EQ(read_settings_line(path.string(), line, too_long), SettingsRead::found);
    EXPECT_EQ(line.size(), 255u);
    EXPECT_FALSE(too_long);
    write(std::string(256, '7') + "\n2\n");
    ASSERT_EQ(read_settings_line(path.string(), line, too_long), SettingsRead::found);
    EXPECT_TRUE(too_long);
    EXPECT_EQ(line.size(), 255u);
}

// The commented example that the packages carry: its first line alone is read,
// and must name a port in the same way on every platform, with nothing beside it.
TEST(ExampleSettingsFile, ItsFirstLineIsAPortNumberAlone) {
    std::string line;
    bool too_long = false;
    ASSERT_EQ(read_settings_line(QUILLMER_EXAMPLES "/quillmer.ini", line, too_long),
              SettingsRead::found);
    PortChoice choice;
    take_answer(line, {.too_long = too_long}, choice);
    EXPECT_GE(choice.number, 1);
    EXPECT_EQ(line, std::to_string(choice.number));
    EXPECT_EQ(choice.path, serial::port_path_for_number(choice.number));
}

TEST_F(SettingsFile, MissingFile) {
    EXPECT_EQ(read_settings_line((path.string() + ".none"), line, too_long), SettingsRead::missing);
}

}  // namespace
}  // namespace quillmer::app
