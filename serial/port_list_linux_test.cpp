#include "serial/port_list_linux.h"

#include <unistd.h>

#include <gtest/gtest.h>

#include <fstream>

namespace quillmer::serial {
namespace {

namespace fs = std::filesystem;

/// A made-up machine as sysfs and udev show it: a USB adapter with a by-id
/// name, a USB modem-class (ACM) cable, a built-in UART, and the ttyS nodes the
/// kernel makes without any UART behind them.
class MadeUpMachine : public ::testing::Test {
  protected:
    fs::path root = fs::temp_directory_path() / ("quillmer-sysfs-" + std::to_string(getpid()));

    void SetUp() override {
        const std::string usb = "sys/devices/pci0000:00/0000:00:14.0/usb1";
        // An FTDI adapter: the tty hangs from the usb-serial port below the
        // interface below the USB device that has the ids.
        const std::string ftdi = usb + "/1-2";
        attribute(ftdi + "/idVendor", "0403");
        attribute(ftdi + "/idProduct", "6001");
        attribute(ftdi + "/manufacturer", "FTDI");
        attribute(ftdi + "/product", "FT232R USB UART");
        attribute(ftdi + "/serial", "A50285BI");
        tty("ttyUSB0", ftdi + "/1-2:1.0/ttyUSB0", "ftdi_sio");
        link("dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0", "../../ttyUSB0");
        // A modem-class cable: the tty hangs from the interface itself.
        const std::string acm = usb + "/1-3";
        attribute(acm + "/idVendor", "2341");
        attribute(acm + "/idProduct", "0043");
        attribute(acm + "/product", "Uno");
        tty("ttyACM0", acm + "/1-3:1.0", "cdc_acm");
        // A UART on the mainboard and two ttyS without one, as Linux 6.5 on lays
        // them out: the tty below a port device below the device itself.
        tty("ttyS0", "sys/devices/pnp0/00:01/00:01:0/00:01:0.0", "port");
        link("sys/devices/pnp0/00:01/driver", "../../../bus/drivers/serial");
        attribute("sys/class/tty/ttyS0/type", "4");
        tty("ttyS1", "sys/devices/platform/serial8250/serial8250:0/serial8250:0.1", "port");
        attribute("sys/class/tty/ttyS1/type", "0");
        fs::create_directories(root / "sys/devices/virtual/tty/ttyS2");
        link("sys/class/tty/ttyS2", "../../devices/virtual/tty/ttyS2");
        // Terminals that are no serial ports at all.
        fs::create_directories(root / "sys/devices/virtual/tty/tty0");
        link("sys/class/tty/tty0", "../../devices/virtual/tty/tty0");
    }
    void TearDown() override { fs::remove_all(root); }

    void attribute(const std::string& file, const std::string& value) {
        fs::create_directories((root / file).parent_path());
        std::ofstream(root / file) << value << "\n";
    }
    void link(const std::string& at, const std::string& target) {
        fs::create_directories((root / at).parent_path());
        fs::create_directory_symlink(target, root / at);
    }
    /// A tty below `device`, bound to `driver`, as the kernel lays them out:
    /// class/tty/NAME leads to DEVICE/tty/NAME, whose "device" leads back up.
    void tty(const std::string& name, const std::string& device, const std::string& driver) {
        fs::create_directories(root / device / "tty" / name);
        fs::create_directories(root / "sys/bus/drivers" / driver);
        std::string up;
        for (const char c : device) up += c == '/' ? "../" : "";
        link(device + "/driver", up + "../sys/bus/drivers/" + driver);
        link(device + "/tty/" + name + "/device", "../..");
        link("sys/class/tty/" + name, "../../../" + device + "/tty/" + name);
    }
};

TEST_F(MadeUpMachine, ListsUsbAdaptersFirstAndOnlyTheUartsThatExist) {
    const std::vector<PortInfo> ports = list_ports_under(root);
    ASSERT_EQ(ports.size(), 3u);

    EXPECT_EQ(describe(ports[0]),
              "/dev/ttyUSB0  FTDI FT232R USB UART, USB 0403:6001, serial number A50285BI, driver "
              "ftdi_sio, /dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0");
    EXPECT_EQ(describe(ports[1]), "/dev/ttyACM0  Uno, USB 2341:0043, driver cdc_acm");
    EXPECT_EQ(describe(ports[2]), "/dev/ttyS0  driver serial");
    for (const PortInfo& port : ports) EXPECT_EQ(port.answer, port.path);
}

TEST_F(MadeUpMachine, NoTreeIsNoPorts) {
    EXPECT_TRUE(list_ports_under(root / "nothing").empty());
}

}  // namespace
}  // namespace quillmer::serial
