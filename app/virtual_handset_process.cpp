#include "app/virtual_handset_process.h"

namespace cantavo {

bool CVirtualHandsetProcess::Start(const std::string& program, const std::string& flash_file,
                                   std::string& error) {
    Stop();
    if (!m_process.Start(program, {"--flash", flash_file}, error)) return false;
    std::string device;
    if (!m_process.ReadLine(kStartTimeoutMs, device) || device.empty()) {
        error = program + " did not report its device";
        Stop();
        return false;
    }
    m_strDevice = device;
    return true;
}

void CVirtualHandsetProcess::Stop() {
    m_process.Stop();
    m_strDevice.clear();
}

}  // namespace cantavo
