#include "serial/serial_ports.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "tests/transfer/temp_dir.h"

namespace cantavo {
namespace {

namespace fs = std::filesystem;

// A /dev and a /sys/class/tty of our own.
class SerialPortsTest : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(Dev() / "serial/by-id");
        fs::create_directories(folder / "sys");
        folders = {Dev().string(), (folder / "sys").string()};
    }
    fs::path Dev() const { return folder / "dev"; }
    void Device(const std::string& name) const { std::ofstream(Dev() / name).put('\0'); }
    void StableName(const std::string& name, const std::string& kernel) const {
        fs::create_symlink("../../" + kernel, Dev() / "serial/by-id" / name);
    }
    void UartType(const std::string& name, const char* type) const {
        fs::create_directories(folder / "sys" / name);
        std::ofstream(folder / "sys" / name / "type") << type << '\n';
    }
    std::string ById(const std::string& name) const { return (Dev() / "serial/by-id" / name).string(); }

    testing::CTempDir folder;
    DeviceFolders folders;
};

TEST_F(SerialPortsTest, StableNamesStandForTheirDevicesInKernelOrder) {
    // ttyS2 has no UART type at all.
    for (const char* name : {"ttyUSB0", "ttyUSB10", "ttyUSB2", "ttyACM0", "rfcomm0", "ttyXR0", "tty1", "sda",
                             "ttyUSB", "ttyUSBx", "ttyS0", "ttyS1", "ttyS2"})
        Device(name);
    StableName("usb-Maker_Cable_A1-if00-port0", "ttyUSB10");
    StableName("usb-Maker_Cable_B2-if00-port0", "ttyXR0");  // a driver whose names we do not know
    StableName("usb-z-second-link", "ttyUSB2");
    StableName("usb-a-first-link", "ttyUSB2");
    StableName("usb-Unplugged-if00-port0", "ttyUSB7");  // left behind: no device
    UartType("ttyS0", "4");                             // a 16550A answers
    UartType("ttyS1", "0");                             // nothing there

    const std::string dev = Dev().string();
    EXPECT_EQ(ListSerialPorts(folders), (std::vector<SerialPort>{
                                            {dev + "/rfcomm0", "rfcomm0"},
                                            {dev + "/ttyACM0", "ttyACM0"},
                                            {dev + "/ttyS0", "ttyS0"},
                                            {dev + "/ttyUSB0", "ttyUSB0"},
                                            {ById("usb-a-first-link"), "ttyUSB2"},
                                            {ById("usb-Maker_Cable_A1-if00-port0"), "ttyUSB10"},
                                            {ById("usb-Maker_Cable_B2-if00-port0"), "ttyXR0"},
                                        }));
}

TEST_F(SerialPortsTest, NothingToListWithoutDevices) {
    EXPECT_TRUE(ListSerialPorts(folders).empty());
    EXPECT_TRUE(ListSerialPorts({(folder / "missing").string(), (folder / "missing").string()}).empty());
}

TEST(SerialPort, DisplayNameAddsTheKernelNameToAStableName) {
    EXPECT_EQ((SerialPort{"/dev/serial/by-id/usb-Maker-port0", "ttyUSB0"}).DisplayName(),
              "/dev/serial/by-id/usb-Maker-port0 (ttyUSB0)");
    EXPECT_EQ((SerialPort{"/dev/ttyACM0", "ttyACM0"}).DisplayName(), "/dev/ttyACM0");
}

}  // namespace
}  // namespace cantavo
