// Many launches and stops through the real host window, the real creator and module servers and
// their forms, counted rather than timed: after every stop the module and its form are gone, and
// after all the cycles the process holds exactly the windows and GDI objects it held before.
#include <gtest/gtest.h>
#include <windows.h>
#include <winternl.h>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>
#include "host/UnitMainForm.h"
#include "tests/support/Pump.h"
#include "tests/support/Windows.h"

using testing_support::PumpUntil;

using testing_support::ClickAt;

namespace {

constexpr int Cycles = 200;

// Windows of this thread: top-level ones with all their descendants, and message-only ones
// (the timers' windows are of that kind, and EnumThreadWindows does not list them).
struct TWindowCount {
    int TopLevel = 0;
    int Descendants = 0;
    int MessageOnly = 0;
    int Total() const { return TopLevel + Descendants + MessageOnly; }
};

BOOL CALLBACK CountOne(HWND, LPARAM p) {
    ++*reinterpret_cast<int*>(p);
    return TRUE;
}

BOOL CALLBACK CountTopLevel(HWND h, LPARAM p) {
    auto* count = reinterpret_cast<TWindowCount*>(p);
    ++count->TopLevel;
    EnumChildWindows(h, CountOne, reinterpret_cast<LPARAM>(&count->Descendants));
    return TRUE;
}

TWindowCount ThreadWindows() {
    TWindowCount count;
    EnumThreadWindows(GetCurrentThreadId(), CountTopLevel, reinterpret_cast<LPARAM>(&count));
    for (HWND h = FindWindowExW(HWND_MESSAGE, nullptr, nullptr, nullptr); h;
         h = FindWindowExW(HWND_MESSAGE, h, nullptr, nullptr))
        if (GetWindowThreadProcessId(h, nullptr) == GetCurrentThreadId()) ++count.MessageOnly;
    return count;
}

// GetGuiResources counts the process's GDI objects on Windows; Wine 8 answers 0 there. Wine keeps
// every GDI handle of the process in the handle table the PEB points to (as Windows did), one
// 24-byte entry per handle whose Type is 0 while the slot is free: counting the used slots is the
// same figure. On Windows the table is shared by the session and not ours to read, so there the
// GetGuiResources figure alone is compared. -1: not under Wine.
struct TGdiHandleEntry {
    std::uint64_t Object;
    std::uint32_t Owner;
    std::uint16_t Unique;
    std::uint8_t Type;
    std::uint8_t Flags;
    std::uint64_t UserPointer;
};
static_assert(sizeof(TGdiHandleEntry) == 24);
constexpr int GdiHandleTableSize = 0x10000;

bool UnderWine() { return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr; }

int WineGdiHandles() {
    if (!UnderWine()) return -1;
    using QueryFn = LONG(NTAPI*)(HANDLE, PROCESSINFOCLASS, PVOID, ULONG, PULONG);
    auto query = reinterpret_cast<QueryFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQueryInformationProcess")));
    PROCESS_BASIC_INFORMATION info{};
    if (!query || query(GetCurrentProcess(), ProcessBasicInformation, &info, sizeof(info), nullptr) != 0) return -1;
    auto* peb = reinterpret_cast<const std::uint8_t*>(info.PebBaseAddress);
    // PEB.GdiSharedHandleTable: 0xF8 in a 64-bit process, 0x94 in a 32-bit one.
    auto* table = *reinterpret_cast<const TGdiHandleEntry* const*>(peb + (sizeof(void*) == 8 ? 0xF8 : 0x94));
    if (!table) return -1;
    int used = 0;
    for (int i = 0; i < GdiHandleTableSize; ++i)
        if (table[i].Type != 0) ++used;
    return used;
}

struct TResourceCount {
    TWindowCount Windows;
    DWORD GdiObjects = 0;
    DWORD UserObjects = 0;
    int WineGdi = -1;
};

TResourceCount Resources() {
    TResourceCount r;
    r.Windows = ThreadWindows();
    r.GdiObjects = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    r.UserObjects = GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS);
    r.WineGdi = WineGdiHandles();
    return r;
}

// A server the host loaded through COM, held loaded by the test, asked whether anything of it
// (objects, factory references, locks, windows) is still alive.
class TLoadedServer {
public:
    explicit TLoadedServer(const wchar_t* name) {
        // Pinned by a reference of our own: a CoFreeUnusedLibraries elsewhere cannot unload it
        // between two questions.
        GetModuleHandleExW(0, name, &FLib);
        if (FLib)
            FCanUnloadNow = reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(
                reinterpret_cast<void*>(GetProcAddress(FLib, "DllCanUnloadNow")));
    }
    ~TLoadedServer() {
        if (FLib) FreeLibrary(FLib);
    }
    TLoadedServer(const TLoadedServer&) = delete;
    TLoadedServer& operator=(const TLoadedServer&) = delete;
    bool Loaded() const { return FCanUnloadNow != nullptr; }
    HRESULT CanUnloadNow() const { return FCanUnloadNow(); }

private:
    HMODULE FLib = nullptr;
    HRESULT(STDAPICALLTYPE* FCanUnloadNow)() = nullptr;
};


int ChildCount(HWND parent) {
    int n = 0;
    for (HWND c = GetWindow(parent, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) ++n;
    return n;
}

class HostEndurance : public ::testing::Test {
protected:
    void SetUp() override {
        ui::Application().Initialize();
        ui::Application().OnShowError = [this](const std::wstring& m) { errors.push_back(m); };
        form = std::make_unique<host::TMainForm>();
        form->Show();
        PumpUntil([] { return false; }, 50);
        panel = form->RzPanel1->Handle();
        panelChildren = ChildCount(panel);
    }
    void TearDown() override {
        form.reset();
        PumpUntil([] { return false; }, 50);
        ui::Application().OnShowError = nullptr;
    }

    // The user presses the level's button; OnStart has reached the host when the click returns
    // (the module starts its test inside Start).
    void Launch(int level) {
        ClickAt(form->dxfColorButtons[static_cast<size_t>(level)]->Handle(), 5, 5);
        ASSERT_TRUE(PumpUntil([&] { return form->Module() != nullptr && !form->N3->Enabled(); }, 5000))
            << "level " << level << ": the module did not start";
        EXPECT_TRUE(form->N5->Enabled());
        EXPECT_EQ(ChildCount(panel), panelChildren + 1) << "the module's form fills the panel";
    }
    // The user's "结束": the menu command as the system delivers it to the window.
    void Stop() {
        SendMessageW(form->Handle(), WM_COMMAND, MAKEWPARAM(form->N5->Command(), 0), 0);
        EXPECT_EQ(form->Module(), nullptr);
        EXPECT_TRUE(form->N3->Enabled());
        EXPECT_FALSE(form->N5->Enabled());
    }
    // The module object went with the stop; its form goes with its posted release.
    bool Released(const TLoadedServer& quorvel, const TLoadedServer& ambrel) {
        return PumpUntil(
            [&] {
                return ChildCount(panel) == panelChildren && quorvel.CanUnloadNow() == S_OK &&
                       ambrel.CanUnloadNow() == S_OK;
            },
            5000);
    }

    std::unique_ptr<host::TMainForm> form;
    HWND panel = nullptr;
    int panelChildren = 0;
    std::vector<std::wstring> errors;
};

}  // namespace

TEST_F(HostEndurance, TwoHundredLaunchesAndStopsLeaveNoWindowObjectOrServerReference) {
    // The warm-up cycle makes what is made once per process: window classes, the apartment's
    // window, cached fonts and device contexts, the servers themselves.
    Launch(0);
    Stop();
    TLoadedServer quorvel(L"Quorvel.dll"), ambrel(L"Ambrel.dll");
    ASSERT_TRUE(quorvel.Loaded()) << "the host created its module through Quorvel.dll";
    ASSERT_TRUE(ambrel.Loaded()) << "the host created its module through Ambrel.dll's creator";
    ASSERT_TRUE(Released(quorvel, ambrel));
    const TResourceCount before = Resources();

    for (int i = 0; i < Cycles; ++i) {
        // Every level in turn, and every level after every other one (the step varies).
        const int level = (i + i / 8) % 8;
        Launch(level);
        if (HasFatalFailure()) return;
        ASSERT_EQ(quorvel.CanUnloadNow(), S_FALSE) << "cycle " << i << ": a module and its form are alive";
        if (i == 0) {
            // What is counted sees the module: its form's windows, its timers, its fonts and bitmaps.
            const TResourceCount running = Resources();
            EXPECT_GT(running.Windows.Descendants, before.Windows.Descendants);
            EXPECT_GT(running.Windows.MessageOnly, before.Windows.MessageOnly);
            if (before.WineGdi >= 0) EXPECT_GT(running.WineGdi, before.WineGdi);
            else EXPECT_GT(running.GdiObjects, before.GdiObjects);
        }
        Stop();
        ASSERT_TRUE(Released(quorvel, ambrel))
            << "cycle " << i << " (level " << level << "): the module was not released";
    }

    const TResourceCount after = Resources();
    std::printf("before / after %d cycles: windows %d+%d+%d / %d+%d+%d, GDI objects %lu / %lu (Wine's table %d / %d), "
                "USER objects %lu / %lu\n",
                Cycles, before.Windows.TopLevel, before.Windows.Descendants, before.Windows.MessageOnly,
                after.Windows.TopLevel, after.Windows.Descendants, after.Windows.MessageOnly, before.GdiObjects,
                after.GdiObjects, before.WineGdi, after.WineGdi, before.UserObjects, after.UserObjects);
    EXPECT_EQ(after.Windows.TopLevel, before.Windows.TopLevel);
    EXPECT_EQ(after.Windows.Descendants, before.Windows.Descendants);
    EXPECT_EQ(after.Windows.MessageOnly, before.Windows.MessageOnly);
    EXPECT_EQ(after.GdiObjects, before.GdiObjects);
    EXPECT_EQ(after.UserObjects, before.UserObjects);
    EXPECT_EQ(after.WineGdi, before.WineGdi);
    EXPECT_EQ(quorvel.CanUnloadNow(), S_OK);
    EXPECT_EQ(ambrel.CanUnloadNow(), S_OK);
    for (const std::wstring& e : errors) ADD_FAILURE() << "an error was shown: " << e;
}
