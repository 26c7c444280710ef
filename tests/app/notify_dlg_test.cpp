#include "app/notify_dlg.h"

#include <gtest/gtest.h>
#include <wx/stattext.h>

#include <chrono>

#include "app/control_ids.h"

namespace cantavo {
namespace {

using Clock = std::chrono::steady_clock;

TEST(NotifyDlg, ShowsItsTextAndClosesItselfAfterASecond) {
    CNotifyDlg notification;
    notification.m_strMessage = "Finished Backup File saving";
    wxString shown;
    notification.CallAfter([&] {
        if (auto* text = dynamic_cast<wxStaticText*>(notification.FindWindow(ids::kNotifyText)))
            shown = text->GetLabel();
    });
    const auto start = Clock::now();
    EXPECT_EQ(notification.ShowModal(), wxID_CANCEL);
    const auto elapsed = Clock::now() - start;
    EXPECT_EQ(notification.GetTitle(), "Notification !!");
    EXPECT_EQ(shown, "Finished Backup File saving");
    EXPECT_GE(elapsed, std::chrono::milliseconds(900));
    EXPECT_LT(elapsed, std::chrono::seconds(5));
}

}  // namespace
}  // namespace cantavo
