#include "serial/port_list.h"

#include <gtest/gtest.h>

namespace quillmer::serial {
namespace {

PortInfo ftdi_adapter() {
    PortInfo port;
    port.answer = "/dev/ttyUSB0";
    port.path = "/dev/ttyUSB0";
    port.aliases = {"/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0"};
    port.manufacturer = "FTDI";
    port.product = "FT232R USB UART";
    port.serial_number = "A50285BI";
    port.usb_id = "0403:6001";
    port.driver = "ftdi_sio";
    return port;
}

TEST(PortList, ALineSaysWhatToGiveAndAllThatIsKnown) {
    EXPECT_EQ(describe(ftdi_adapter()),
              "/dev/ttyUSB0  FTDI FT232R USB UART, USB 0403:6001, serial number A50285BI, driver "
              "ftdi_sio, /dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0");
    PortInfo com;
    com.answer = "7";
    com.path = R"(\\.\COM7)";
    com.description = "USB Serial Port (COM7)";
    EXPECT_EQ(describe(com), "7  USB Serial Port (COM7)");
    PortInfo bare;
    bare.answer = bare.path = "/dev/cu.usbserial-1420";
    EXPECT_EQ(describe(bare), "/dev/cu.usbserial-1420");
}

TEST(PortList, APortIsFoundByItsPathOrAnyOtherNameOfIt) {
    PortInfo builtin;
    builtin.answer = builtin.path = "/dev/ttyS0";
    const std::vector<PortInfo> ports = {ftdi_adapter(), builtin};
    EXPECT_EQ(find_port(ports, "/dev/ttyS0")->path, "/dev/ttyS0");
    EXPECT_EQ(find_port(ports, ftdi_adapter().aliases[0])->path, "/dev/ttyUSB0");
    EXPECT_EQ(find_port(ports, "/dev/ttyS1"), std::nullopt);
}

}  // namespace
}  // namespace quillmer::serial
