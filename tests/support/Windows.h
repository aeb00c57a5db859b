// Helpers of the tests that drive real windows and load the freshly built servers.
#pragma once
#include <windows.h>
#include <filesystem>
#include "platform/ui/Forms.h"

namespace testing_support {

// The deepest visible window under a point of `top`'s client area.
inline HWND WindowAt(HWND top, POINT p) {
    HWND target = top;
    for (;;) {
        HWND c = ChildWindowFromPointEx(target, p, CWP_SKIPINVISIBLE | CWP_SKIPTRANSPARENT);
        if (!c || c == target) return target;
        MapWindowPoints(target, c, &p, 1);
        target = c;
    }
}

// A left click as the mouse sends it, at client coordinates of `w`.
inline void ClickAt(HWND w, int x, int y) {
    SendMessageW(w, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
    SendMessageW(w, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
}

// A server DLL beside the test program, loaded by path, and its entry points.
class TServer {
public:
    explicit TServer(const wchar_t* name)
        : FLib(LoadLibraryW((std::filesystem::path(ui::Application().ExeDir()) / name).c_str())) {}
    ~TServer() {
        if (FLib) FreeLibrary(FLib);
    }
    TServer(const TServer&) = delete;
    TServer& operator=(const TServer&) = delete;
    HRESULT Call(const char* entry) {
        using EntryFn = HRESULT(STDAPICALLTYPE*)();
        return reinterpret_cast<EntryFn>(reinterpret_cast<void*>(GetProcAddress(FLib, entry)))();
    }
    bool Loaded() const { return FLib != nullptr; }

private:
    HMODULE FLib;
};

}  // namespace testing_support
