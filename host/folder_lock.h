#pragma once
// CFolderLock: one program at a time in a folder. An exclusive lock on a file in the folder, held until
// Release() or the end of the object; another holder, in this process or another, is refused.

#include <filesystem>
#include <string>

namespace cantavo {

enum class LockResult {
    kHeld,    // this object holds the folder
    kBusy,    // another holder has it
    kFailed,  // the lock file cannot be made (the reason is in `error`)
};

class CFolderLock {
public:
    CFolderLock() = default;
    ~CFolderLock() { Release(); }
    CFolderLock(const CFolderLock&) = delete;
    CFolderLock& operator=(const CFolderLock&) = delete;

    // Takes `folder` (created when missing) unless this object already holds it; a different folder
    // releases the one held first.
    LockResult Acquire(const std::filesystem::path& folder, std::string& error);
    void Release();
    bool Held() const { return m_fd >= 0; }

private:
    int m_fd = -1;
    std::filesystem::path m_folder;
};

}  // namespace cantavo
