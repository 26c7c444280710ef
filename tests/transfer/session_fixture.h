#pragma once
// A session on a pseudo-terminal whose far end a test scripts on its own thread.

#include <gtest/gtest.h>

#include <functional>
#include <thread>

#include "tests/serial/pty_pair.h"
#include "tests/transfer/recording_view.h"
#include "tests/transfer/temp_dir.h"
#include "transfer/handset_session.h"

namespace cantavo::testing {

class SessionOnPty : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(pty.Valid());
        session.SetPortDevice(pty.SlavePath());
        session.Initialise(folder.Path());
        ASSERT_EQ(session.InitSerialPort(115200), 1);
    }
    void TearDown() override {
        if (farEnd.joinable()) farEnd.join();
    }
    void FarEnd(std::function<void()> script) { farEnd = std::thread(std::move(script)); }
    void JoinFarEnd() {
        if (farEnd.joinable()) farEnd.join();
    }

    CPtyPair pty;
    CTempDir folder;
    CRecordingView view;
    CHandsetSession session{view};
    std::thread farEnd;
};

}  // namespace cantavo::testing
