#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <vector>

#include "serial/port.h"
#include "sim/openpty.h"

namespace quillmer::serial {
namespace {

/// A pseudo-terminal standing in for a serial device: the port opens the slave,
/// the test plays the far end on the master.
struct PtyDevice : ::testing::Test {
    int master = -1;
    int slave = -1;
    std::string path;

    void SetUp() override {
        ASSERT_EQ(openpty(&master, &slave, nullptr, nullptr, nullptr), 0);
        path = ttyname(slave);
    }
    void TearDown() override {
        if (slave >= 0) ::close(slave);
        if (master >= 0) ::close(master);
    }
    termios far_end_settings() const {
        termios t{};
        EXPECT_EQ(tcgetattr(master, &t), 0);
        return t;
    }
    std::vector<std::uint8_t> read_master(std::size_t count) const {
        std::vector<std::uint8_t> got;
        while (got.size() < count) {
            pollfd p{master, POLLIN, 0};
            if (poll(&p, 1, 2000) <= 0) break;
            std::uint8_t buffer[512];
            const ssize_t n = ::read(master, buffer, sizeof buffer);
            if (n <= 0) break;
            got.insert(got.end(), buffer, buffer + n);
        }
        return got;
    }
};

void expect_raw_line(const termios& t) {
    EXPECT_EQ(t.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_EQ(t.c_cflag & CRTSCTS, 0u);
    EXPECT_NE(t.c_cflag & CLOCAL, 0u);
    EXPECT_NE(t.c_cflag & CREAD, 0u);
    EXPECT_EQ(t.c_iflag & (INPCK | IXON | IXOFF | ICRNL | INLCR | IGNCR | ISTRIP), 0u);
    EXPECT_EQ(t.c_oflag & OPOST, 0u);
    EXPECT_EQ(t.c_lflag & (ICANON | ECHO | ISIG | IEXTEN), 0u);
}

TEST_F(PtyDevice, ConfigureMakesARawLineAt38400) {
    Port port;
    ASSERT_TRUE(port.open(path).opened());
    ASSERT_TRUE(port.configure());
    const termios t = far_end_settings();
    expect_raw_line(t);
    EXPECT_EQ(cfgetospeed(&t), static_cast<speed_t>(B38400));
}

TEST_F(PtyDevice, SpeedChangesKeepEveryOtherSetting) {
    Port port;
    ASSERT_TRUE(port.open(path).opened());
    ASSERT_TRUE(port.configure());
    const termios before = far_end_settings();

    ASSERT_TRUE(port.set_speed(4800));
    termios t = far_end_settings();
    EXPECT_EQ(cfgetospeed(&t), static_cast<speed_t>(B4800));
    expect_raw_line(t);
    ASSERT_TRUE(port.set_speed(9600));
    EXPECT_EQ(cfgetospeed(&(t = far_end_settings())), static_cast<speed_t>(B9600));
    ASSERT_TRUE(port.set_speed(38400));
    t = far_end_settings();
    EXPECT_EQ(cfgetospeed(&t), static_cast<speed_t>(B38400));
    EXPECT_EQ(t.c_cflag, before.c_cflag);
    EXPECT_EQ(t.c_iflag, before.c_iflag);
    EXPECT_EQ(t.c_oflag, before.c_oflag);
    EXPECT_EQ(t.c_lflag, before.c_lflag);

    EXPECT_FALSE(port.set_speed(1200));
}

TEST_F(PtyDevice, EveryByteValuePassesUnchangedBothWays) {
    Port port;
    ASSERT_TRUE(port.open(path).opened());
    ASSERT_TRUE(port.configure());
    std::vector<std::uint8_t> all(256);
    for (int i = 0; i < 256; ++i) all[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i);
    port.write_frame(all);
    EXPECT_EQ(read_master(all.size()), all);

    ASSERT_EQ(::write(master, all.data(), all.size()), 256);
    std::vector<std::uint8_t> got;
    for (int tries = 0; tries < 2000 && got.size() < all.size(); ++tries) {
        if (const auto byte = port.read_byte()) got.push_back(*byte);
    }
    EXPECT_EQ(got, all);
    EXPECT_FALSE(port.vanished());
}

TEST_F(PtyDevice, AReadWithNothingWaitingReturnsEmpty) {
    Port port;
    ASSERT_TRUE(port.open(path).opened());
    ASSERT_TRUE(port.configure());
    EXPECT_EQ(port.read_byte(), std::nullopt);
    EXPECT_FALSE(port.vanished());
}

TEST_F(PtyDevice, AHeldPortCannotBeOpenedTwiceButAgainAfterClosing) {
    Port first;
    ASSERT_TRUE(first.open(path).opened());
    Port second;
    const OpenResult held = second.open(path);
    EXPECT_EQ(held.failure, OpenFailure::busy) << held.system_text;
    EXPECT_EQ(held.path, path);
    EXPECT_FALSE(second.is_open());
    first.close();
    EXPECT_TRUE(second.open(path).opened());
}

TEST_F(PtyDevice, AVanishedDeviceIsNoticedAndNeverSpins) {
    Port port;
    ASSERT_TRUE(port.open(path).opened());
    ASSERT_TRUE(port.configure());
    ::close(slave);
    slave = -1;
    ::close(master);
    master = -1;
    for (int i = 0; i < 3; ++i) EXPECT_EQ(port.read_byte(), std::nullopt);
    EXPECT_TRUE(port.vanished());
    const std::vector<std::uint8_t> frame{0xFE, 0xFE, 0x01, 0x80, 0x15, 0x02, 0xFD};
    port.write_frame(frame);  // must return
    EXPECT_TRUE(port.vanished());
}

TEST(Port, MissingDevicesAndNonNumbersDoNotOpenAndSayWhy) {
    Port port;
    const OpenResult missing = port.open("/dev/quillmer-no-such-device");
    EXPECT_EQ(missing.failure, OpenFailure::missing);
    EXPECT_EQ(missing.path, "/dev/quillmer-no-such-device");
    EXPECT_EQ(missing.system_error, ENOENT);
    EXPECT_EQ(port.open("").failure, OpenFailure::no_path);
    EXPECT_EQ(port.open(port_path_for_number(0)).failure, OpenFailure::no_path);
    EXPECT_EQ(port.open(port_path_for_number(-3)).failure, OpenFailure::no_path);
    EXPECT_FALSE(port.is_open());
    EXPECT_EQ(port_path_for_number(1), "/dev/ttyS0");
    EXPECT_EQ(port_path_for_number(12), "/dev/ttyS11");
    EXPECT_TRUE(is_device_path("/dev/ttyUSB0"));
    EXPECT_FALSE(is_device_path("3"));
    EXPECT_FALSE(is_device_path(""));
}

}  // namespace
}  // namespace quillmer::serial
