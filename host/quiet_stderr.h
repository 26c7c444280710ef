#pragma once
// Standard error sent nowhere for as long as the object lives: for libraries that report what they probe on
// it, none of which is for the user.

namespace cantavo {

class CQuietStderr {
public:
    CQuietStderr();
    ~CQuietStderr();
    CQuietStderr(const CQuietStderr&) = delete;
    CQuietStderr& operator=(const CQuietStderr&) = delete;

private:
    int m_saved;  // the standard error to put back
};

}  // namespace cantavo
