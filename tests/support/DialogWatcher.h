// Closes the modal dialog boxes (#32770) of this process from a second thread, the way a person
// would click their button, and records what they said: tests of code that shows a message box
// or the about box run on one thread, which is stuck inside the box's own message loop meanwhile.
#pragma once
#include <windows.h>
#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace testing_support {

struct TSeenDialog {
    std::wstring Title;
    std::vector<std::wstring> Texts;    // static texts
    std::vector<std::wstring> Buttons;  // button captions
};

class TDialogWatcher {
public:
    // Clicks the button whose caption is `press` (empty: the first button).
    explicit TDialogWatcher(std::wstring press = L"") : FPress(std::move(press)) {
        FThread = std::thread([this] { Loop(); });
    }
    ~TDialogWatcher() {
        FStop = true;
        FThread.join();
    }
    std::vector<TSeenDialog> Seen() {
        std::lock_guard<std::mutex> l(FLock);
        return FSeen;
    }

private:
    static std::wstring Text(HWND h) {
        wchar_t buf[1024];
        int n = GetWindowTextW(h, buf, 1024);
        return std::wstring(buf, n > 0 ? n : 0);
    }
    static std::wstring Class(HWND h) {
        wchar_t buf[64];
        int n = GetClassNameW(h, buf, 64);
        return std::wstring(buf, n > 0 ? n : 0);
    }
    static BOOL CALLBACK Collect(HWND h, LPARAM p) {
        auto* context = reinterpret_cast<std::pair<DWORD, std::vector<HWND>*>*>(p);
        DWORD owner = 0;
        GetWindowThreadProcessId(h, &owner);
        if (owner == context->first && IsWindowVisible(h) && Class(h) == L"#32770") context->second->push_back(h);
        return TRUE;
    }
    void Loop() {
        DWORD pid = GetCurrentProcessId();
        while (!FStop) {
            std::vector<HWND> dialogs;
            std::pair<DWORD, std::vector<HWND>*> context(pid, &dialogs);
            EnumWindows(Collect, reinterpret_cast<LPARAM>(&context));
            for (HWND d : dialogs) {
                TSeenDialog seen;
                seen.Title = Text(d);
                HWND target = nullptr;
                for (HWND c = GetWindow(d, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
                    std::wstring cls = Class(c);
                    if (cls == L"Button") {
                        seen.Buttons.push_back(Text(c));
                        if (!target && (FPress.empty() || Text(c) == FPress)) target = c;
                    } else if (cls == L"Static" && !Text(c).empty()) {
                        seen.Texts.push_back(Text(c));
                    }
                }
                {
                    std::lock_guard<std::mutex> l(FLock);
                    FSeen.push_back(seen);
                }
                if (target) PostMessageW(d, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(target), BN_CLICKED), reinterpret_cast<LPARAM>(target));
                else PostMessageW(d, WM_CLOSE, 0, 0);
                // Wait until that box is gone before looking again.
                for (int i = 0; i < 500 && IsWindow(d) && IsWindowVisible(d); ++i) Sleep(10);
            }
            Sleep(20);
        }
    }
    std::wstring FPress;
    std::atomic<bool> FStop{false};
    std::mutex FLock;
    std::vector<TSeenDialog> FSeen;
    std::thread FThread;
};

}  // namespace testing_support
