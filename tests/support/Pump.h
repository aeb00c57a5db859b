// Message pumping for tests: run the thread's messages until a condition holds or a deadline
// passes. Tests wait on conditions, never on bare sleeps.
#pragma once
#include <windows.h>
#include <functional>

namespace testing_support {

inline void PumpOnce() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

// True when cond() became true within timeoutMs.
inline bool PumpUntil(const std::function<bool()>& cond, DWORD timeoutMs = 5000) {
    DWORD start = GetTickCount();
    for (;;) {
        PumpOnce();
        if (cond()) return true;
        if (GetTickCount() - start > timeoutMs) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

// Pumps for a fixed stretch: only for checking that something does NOT happen within it.
inline void PumpFor(DWORD ms) {
    DWORD start = GetTickCount();
    while (GetTickCount() - start < ms) {
        PumpOnce();
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    }
}

}  // namespace testing_support
