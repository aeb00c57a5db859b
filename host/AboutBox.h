// The about box: the program's name, version and maker, and a single "是[&Y]" button.
#pragma once
#include <windows.h>
#include <string>

namespace host {

// The texts the box shows, one line each.
std::wstring AboutText();
// Shows the box modally over owner; returns when it is closed.
void ShowAboutBox(HWND owner);
// Control identifiers, for tests that look into the box.
constexpr int IDC_ABOUT_TEXT = 1001;

}  // namespace host
