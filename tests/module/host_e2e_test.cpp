// The whole road of a level: the real host window, the real creator and module servers, a level
// button pressed, every number clicked through real mouse messages, the module released at its end.
#include <gtest/gtest.h>
#include "host/UnitMainForm.h"
#include "tests/support/Pump.h"
#include "tests/support/Windows.h"

using testing_support::PumpUntil;

using testing_support::WindowAt;
using testing_support::ClickAt;

namespace {



}  // namespace

TEST(HostEndToEnd, ThreeByThreeFromTheLevelButtonToTheReleasedModule) {
    ui::Application().Initialize();
    auto form = std::make_unique<host::TMainForm>();
    form->Show();
    ASSERT_TRUE(form->N3->Enabled());
    HWND button = form->dxfColorButtons[0]->Handle();  // "3 * 3"
    ClickAt(button, 5, 5);
    ASSERT_NE(form->Module(), nullptr);
    EXPECT_FALSE(form->N3->Enabled()) << "OnStart reached the host";

    // The grid lies 10 pixels inside the module's window, which fills the panel.
    HWND panel = form->RzPanel1->Handle();
    RECT pr;
    GetClientRect(panel, &pr);
    HWND grid = WindowAt(panel, POINT{pr.right / 2, pr.bottom / 2});
    ASSERT_NE(grid, panel);
    RECT gr;
    GetClientRect(grid, &gr);
    EXPECT_EQ(gr.right, pr.right - 20);
    EXPECT_EQ(gr.bottom, pr.bottom - 20);
    // The numbers' places are random: sweep all nine cells until the page changes. Every sweep
    // finds at least the next number, so nine sweeps find them all, long before the 10 s limit.
    for (int sweep = 0; sweep < 9 && IsWindowVisible(grid); ++sweep)
        for (int r = 0; r < 3; ++r)
            for (int c = 0; c < 3; ++c) ClickAt(grid, gr.right * (2 * c + 1) / 6, gr.bottom * (2 * r + 1) / 6);
    EXPECT_FALSE(IsWindowVisible(grid)) << "the result page replaced the grid page";
    EXPECT_NE(form->Module(), nullptr) << "the result page stays a while";
    ASSERT_TRUE(PumpUntil([&] { return form->Module() == nullptr; }, 10000));
    EXPECT_TRUE(form->N3->Enabled());
    EXPECT_FALSE(form->N5->Enabled());
    ASSERT_TRUE(PumpUntil([&] { return GetWindow(panel, GW_CHILD) == nullptr || !IsWindow(grid); }, 2000));
    form.reset();
}
