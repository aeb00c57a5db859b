// What the test module records, shared with the tests through the exported TestModuleState().
#pragma once
#include <windows.h>
#include <string>
#include <vector>

struct TTestModuleState {
    // Every call, in order: "create #n", "ConnectEvent", "LoadConfig", "Start", "Resize 800x600",
    // "destroy #n", "OnStart -> hr", ...
    std::vector<std::wstring> Calls;
    std::wstring LastConfig;
    HWND LastParent = nullptr;
    int LastCx = -1, LastCy = -1;
    int Live = 0;
    int Created = 0;
    // Name of a method that returns E_FAIL with error information ("LoadConfig", "Start", ...).
    std::wstring FailMethod;
    // Raise OnStart from inside Start, as a real module does.
    bool StartRaisesOnStart = true;
    void Reset() { *this = TTestModuleState(); }
};

// Exported by the test module: its state, and an event raised on the newest live object's sink.
using TTestModuleStateFn = TTestModuleState* (*)();
using TTestModuleRaiseFn = HRESULT (*)(const wchar_t* event);
