#include "serial/port_list_win32.h"

#include <gtest/gtest.h>

#include <string>

namespace quillmer::serial {
namespace {

/// A device map of the test's own under HKEY_CURRENT_USER, removed at the end.
class DeviceMap : public ::testing::Test {
  protected:
    const char* key_name = "Software\\quillmer-test\\SERIALCOMM";

    void SetUp() override {
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, key_name, 0, nullptr, 0, KEY_ALL_ACCESS,
                                  nullptr, &key_, nullptr),
                  ERROR_SUCCESS);
    }
    void TearDown() override {
        RegCloseKey(key_);
        RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\quillmer-test");
    }
    void value(const char* name, const std::string& data) {
        ASSERT_EQ(RegSetValueExA(key_, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                                 static_cast<DWORD>(data.size() + 1)),
                  ERROR_SUCCESS);
    }

  private:
    HKEY key_ = nullptr;
};

TEST_F(DeviceMap, ComPortsComeByNumberAndOtherPortsByTheirPath) {
    value("\\Device\\VCP0", "COM12");
    value("\\Device\\com0com10", "CNCA0");
    value("\\Device\\Serial0", "COM3");
    value("\\Device\\ProlificSerial0", "COM7");
    const std::vector<PortInfo> ports = list_ports_in_registry(HKEY_CURRENT_USER, key_name);
    ASSERT_EQ(ports.size(), 4u);
    EXPECT_EQ(describe(ports[0]), "3  COM3");
    EXPECT_EQ(ports[0].path, R"(\\.\COM3)");
    EXPECT_EQ(describe(ports[1]), "7  COM7");
    EXPECT_EQ(describe(ports[2]), "12  COM12");
    EXPECT_EQ(describe(ports[3]), R"(\\.\CNCA0)");
    EXPECT_EQ(ports[3].path, R"(\\.\CNCA0)");
}

TEST(PortListWin32, NoDeviceMapIsNoPorts) {
    EXPECT_TRUE(
        list_ports_in_registry(HKEY_CURRENT_USER, "Software\\quillmer-no-such-key").empty());
}

}  // namespace
}  // namespace quillmer::serial
