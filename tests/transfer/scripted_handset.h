#pragma once
// The virtual handset's machine behind a scripted port: a whole handset that answers on the port's clock, so
// that a test connects, reads and downloads in no time and can then change what the far end does.

#include <chrono>
#include <filesystem>
#include <string>

#include "tests/transfer/scripted_port.h"
#include "tools/handset/handset_flash.h"
#include "tools/handset/handset_machine.h"

namespace cantavo::testing {

class CScriptedHandset final : private handset::IHandsetLine {
public:
    CScriptedHandset(CScriptedPort& port, handset::HandsetSettings settings = {})
        : m_port(port), m_machine(m_flash, *this, std::move(settings), [](const std::string&) {}) {}

    // Opens the flash file and makes the machine the port's far end.
    bool Open(const std::filesystem::path& flashFile, std::string& error) {
        if (!m_flash.Open(flashFile, error)) return false;
        m_port.SetOnWrite([this](CScriptedPort& port, std::span<const uint8_t> written) {
            for (uint8_t byte : written) m_machine.Feed(byte, port.Baud());
        });
        return true;
    }
    const handset::CHandsetFlash& Flash() const { return m_flash; }

private:
    void Send(std::span<const uint8_t> bytes, uint32_t) override {
        m_port.Deliver(bytes, m_busy);
        m_busy = {};
    }
    void Busy(uint32_t milliseconds) override { m_busy += std::chrono::milliseconds(milliseconds); }
    void HangUp() override { m_port.HangUp(); }

    CScriptedPort& m_port;
    handset::CHandsetFlash m_flash;
    handset::CHandsetMachine m_machine;
    ISerialPort::Clock::duration m_busy{};
};

}  // namespace cantavo::testing
