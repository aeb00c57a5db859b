#include <gtest/gtest.h>
#include <windows.h>
TEST(Smoke, CreatesAWindow) {
  HWND h = CreateWindowW(L"STATIC", L"x", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(h, nullptr);
  EXPECT_TRUE(DestroyWindow(h));
}
