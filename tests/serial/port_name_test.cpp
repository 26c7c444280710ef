#include "serial/port_name.h"

#include <gtest/gtest.h>

namespace cantavo {
namespace {

TEST(PortName, ComNamesAreNumberedFromOne) {
    EXPECT_EQ(ComPortNumber("COM1"), 1);
    EXPECT_EQ(ComPortNumber("COM3"), 3);
    EXPECT_EQ(ComPortNumber("COM12"), 12);
    EXPECT_EQ(ComPortNumber("COM007"), 7);
}

TEST(PortName, AnythingElseIsADevicePath) {
    for (const char* name : {"COM3x", "COM", "COM0", "COM-1", "COM+2", "COM 3", "COM3 ", "com3",
                             "/dev/ttyUSB0", "/dev/COM3", "COM99999999999", ""})
        EXPECT_EQ(ComPortNumber(name), std::nullopt) << name;
}

}  // namespace
}  // namespace cantavo
