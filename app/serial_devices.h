// Serial devices present on this machine beyond the COMn names (USB adapters, modems, Bluetooth links).
#pragma once

#include <string>
#include <vector>

// Device paths under `dev_folder` named ttyUSB*, ttyACM*, rfcomm* or ttyAMA*, sorted by name.
std::vector<std::string> ListSerialDevices(const std::string& dev_folder = "/dev");
