#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include "serial/port.h"

namespace quillmer::serial {
namespace {

TEST(PortPath, EveryNumberNamesItsComDevice) {
    EXPECT_EQ(port_path_for_number(1), R"(\\.\COM1)");
    EXPECT_EQ(port_path_for_number(7), R"(\\.\COM7)");
    // Ports above 9 are reachable only through the device namespace.
    EXPECT_EQ(port_path_for_number(12), R"(\\.\COM12)");
    // Numbers that name no port still form a path; it just fails to open.
    EXPECT_EQ(port_path_for_number(0), R"(\\.\COM0)");
    EXPECT_EQ(port_path_for_number(-3), R"(\\.\COM-3)");
    EXPECT_EQ(port_path_for_number(2147483647), R"(\\.\COM2147483647)");
}

TEST(PortPath, OnlyDeviceNamespacePathsAreDevicePaths) {
    EXPECT_TRUE(is_device_path(R"(\\.\CNCA0)"));
    EXPECT_TRUE(is_device_path(R"(\\.\COM3)"));
    EXPECT_FALSE(is_device_path("3"));
    EXPECT_FALSE(is_device_path("COM3"));
    EXPECT_FALSE(is_device_path(R"(\\?\C:\x)"));
    EXPECT_FALSE(is_device_path(R"(\\.)"));
    EXPECT_FALSE(is_device_path("/dev/ttyS0"));
    EXPECT_FALSE(is_device_path(""));
}

TEST(Port, MissingDevicesDoNotOpenAndSaySo) {
    Port port;
    const std::string paths[] = {R"(\\.\COM250)", port_path_for_number(0)};
    for (const std::string& path : paths) {
        const OpenResult result = port.open(path);
        EXPECT_EQ(result.failure, OpenFailure::missing) << path;
        EXPECT_EQ(result.path, path);
        EXPECT_EQ(result.system_error, ERROR_FILE_NOT_FOUND) << path;
    }
    EXPECT_EQ(port.open("").failure, OpenFailure::no_path);
    EXPECT_FALSE(port.is_open());
}

TEST(Port, AClosedPortReadsNothingAndSetsNoSpeed) {
    Port port;
    EXPECT_EQ(port.read_byte(), std::nullopt);
    EXPECT_FALSE(port.set_speed(38400));
    const std::vector<std::uint8_t> frame{0xFE, 0xFE, 0x01, 0x80, 0x18, 0xFD};
    port.write_frame(frame);  // must return
    EXPECT_FALSE(port.vanished());
}

/// A file standing in for a device where only the handle's sharing and the
/// driver's answers matter: CreateFile treats both alike, and a file has no line
/// settings, so its driver refuses them.
class FileDevice : public ::testing::Test {
  protected:
    void SetUp() override {
        const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
        path_ = std::filesystem::temp_directory_path() /
                (std::string("quillmer-port-") + test->name() + ".bin");
        std::FILE* out = std::fopen(path_.string().c_str(), "wb");
        ASSERT_NE(out, nullptr);
        std::fputs("\xFE\xFD", out);
        std::fclose(out);
    }
    void TearDown() override {
        std::error_code ignored;
        std::filesystem::remove(path_, ignored);
    }
    std::string path() const { return path_.string(); }

  private:
    std::filesystem::path path_;
};

TEST_F(FileDevice, AHeldDeviceCannotBeOpenedTwiceButAgainAfterClosing) {
    Port first;
    ASSERT_TRUE(first.open(path()).opened());
    Port second;
    EXPECT_EQ(second.open(path()).failure, OpenFailure::busy);
    EXPECT_FALSE(second.is_open());
    first.close();
    EXPECT_FALSE(first.is_open());
    EXPECT_TRUE(second.open(path()).opened());
}

TEST_F(FileDevice, RefusedLineSettingsFailTheConfiguration) {
    Port port;
    ASSERT_TRUE(port.open(path()).opened());
    EXPECT_FALSE(port.configure());
    EXPECT_FALSE(port.set_speed(4800));
    EXPECT_FALSE(port.set_speed(1200));
}

TEST_F(FileDevice, BytesComeOneAtATimeThenNothingWithoutAFailure) {
    Port port;
    ASSERT_TRUE(port.open(path()).opened());
    EXPECT_EQ(port.read_byte(), 0xFE);
    EXPECT_EQ(port.read_byte(), 0xFD);
    // The end of the data reads like a time-out: no byte, and no sign of a
    // vanished device however often it repeats.
    for (int i = 0; i < 30; ++i) EXPECT_EQ(port.read_byte(), std::nullopt);
    EXPECT_FALSE(port.vanished());
}

}  // namespace
}  // namespace quillmer::serial
