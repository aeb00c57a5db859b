// The host window driven as a trainee would: level buttons and menu items, through their handlers
// and through real messages, with the recording test module standing in for the exercise.
#include <gtest/gtest.h>
#include "host/AboutBox.h"
#include "host/Program.h"
#include "host/UnitMainForm.h"
#include "tests/support/DialogWatcher.h"
#include "tests/support/Pump.h"
#include "tests/testmodule/TestModuleState.h"
#include <shlobj.h>
#include <algorithm>
#include <filesystem>

using namespace host;
using testing_support::PumpUntil;
using testing_support::TDialogWatcher;
namespace fs = std::filesystem;

namespace {

const wchar_t* TestModuleClsid = L"{331262F9-0D5F-43D9-9136-2278E4A075CC}";
const std::wstring MissingMessage = L"现有软件不支持这种练习方法,请下载最新版本软件!";

using RegFn = HRESULT(STDAPICALLTYPE*)();

// The test module, loaded by path; COM finds the same module when it creates the class.
class TestServer {
public:
    explicit TestServer(const fs::path& path) : FLib(LoadLibraryW(path.c_str())) {
        if (!FLib) return;
        FState = reinterpret_cast<TTestModuleStateFn>(reinterpret_cast<void*>(GetProcAddress(FLib, "TestModuleState")))();
        FRaise = reinterpret_cast<TTestModuleRaiseFn>(reinterpret_cast<void*>(GetProcAddress(FLib, "TestModuleRaise")));
    }
    ~TestServer() { if (FLib) FreeLibrary(FLib); }
    HRESULT Call(const char* name) {
        return reinterpret_cast<RegFn>(reinterpret_cast<void*>(GetProcAddress(FLib, name)))();
    }
    TTestModuleState& State() { return *FState; }
    HRESULT Raise(const wchar_t* ev) { return FRaise(ev); }
    bool Loaded() const { return FLib != nullptr; }

private:
    HMODULE FLib;
    TTestModuleState* FState = nullptr;
    TTestModuleRaiseFn FRaise = nullptr;
};

fs::path BinDir() { return fs::path(ui::Application().ExeDir()); }

int IndexOf(const std::vector<std::wstring>& v, const std::wstring& s) {
    auto it = std::find(v.begin(), v.end(), s);
    return it == v.end() ? -1 : static_cast<int>(it - v.begin());
}

std::wstring Attr(const std::wstring& markup, const std::wstring& name) {
    size_t p = markup.find(L" " + name + L"=\"");
    if (p == std::wstring::npos) return L"<absent>";
    p += name.size() + 3;
    return markup.substr(p, markup.find(L'"', p) - p);
}

class HostTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ui::Application().Initialize();
        server = new TestServer(BinDir() / L"TestModule.dll");
    }
    static void TearDownTestSuite() {
        delete server;
        server = nullptr;
    }
    void SetUp() override {
        ASSERT_TRUE(server->Loaded());
        ASSERT_EQ(server->Call("DllRegisterServer"), S_OK);
        server->State().Reset();
        errors.clear();
        ui::Application().OnShowError = [this](const std::wstring& m) { errors.push_back(m); };
        form = std::make_unique<TMainForm>();
        form->ConfigDocument().DocumentElement()->SetAttribute(L"GUID", TestModuleClsid);
        form->Show();
    }
    void TearDown() override {
        form.reset();
        ui::Application().OnShowError = nullptr;
        server->Call("DllUnregisterServer");
    }
    TTestModuleState& St() { return server->State(); }

    static TestServer* server;
    std::unique_ptr<TMainForm> form;
    std::vector<std::wstring> errors;
};
TestServer* HostTest::server = nullptr;

}  // namespace

TEST_F(HostTest, StartBeforeAnyLevelLaunchesTheDefaultDocumentInThePanel) {
    ASSERT_TRUE(form->N3->Enabled());
    ASSERT_FALSE(form->N5->Enabled());
    form->N3->Click();
    ASSERT_NE(form->Module(), nullptr);
    const auto& c = St().Calls;
    EXPECT_LT(IndexOf(c, L"ConnectEvent"), IndexOf(c, L"LoadConfig"));
    EXPECT_LT(IndexOf(c, L"LoadConfig"), IndexOf(c, L"Start"));
    EXPECT_EQ(St().LastParent, form->RzPanel1->Handle());
    const std::wstring& x = St().LastConfig;
    EXPECT_EQ(x.rfind(L"<section", 0), 0u) << "the section element without a declaration";
    for (auto [name, value] : {std::pair{L"rowCount", L"4"}, {L"colCount", L"4"}, {L"minNumber", L"1"},
                                {L"maxNumber", L"16"}, {L"intervals", L"13000"}, {L"fontSize", L"44"},
                                {L"fontName", L"宋体"}, {L"sound", L"1"}})
        EXPECT_EQ(Attr(x, name), value) << name;
    // The module reported OnStart from inside Start: running.
    EXPECT_FALSE(form->N3->Enabled());
    EXPECT_TRUE(form->N5->Enabled());
    EXPECT_TRUE(form->RzPanel1->Enabled());
}

TEST_F(HostTest, LevelButtonsWriteTheirPresetAndLaunch) {
    struct Case { int level; const wchar_t* values[6]; };
    const Case cases[] = {
        {0, {L"3", L"3", L"1", L"9", L"60", L"10000"}},
        {7, {L"10", L"10", L"1", L"100", L"18", L"300000"}},
    };
    const wchar_t* names[6] = {L"rowCount", L"colCount", L"minNumber", L"maxNumber", L"fontSize", L"intervals"};
    for (const Case& k : cases) {
        form->StopModuleForTest();
        // Through a real click on the button's window.
        HWND b = form->dxfColorButtons[k.level]->Handle();
        SendMessageW(b, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
        SendMessageW(b, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
        ASSERT_NE(form->Module(), nullptr) << k.level;
        for (int i = 0; i < 6; ++i) EXPECT_EQ(Attr(St().LastConfig, names[i]), k.values[i]) << names[i];
        EXPECT_EQ(Attr(St().LastConfig, L"fontName"), L"宋体");
    }
}

TEST_F(HostTest, LevelButtonWhileRunningChangesOnlyTheDocument) {
    form->N3->Click();
    ASSERT_FALSE(form->N3->Enabled());
    int created = St().Created;
    form->dxfColorButton1Click(form->dxfColorButtons[2]);  // "5 * 5"
    EXPECT_EQ(St().Created, created) << "the click on the disabled 开始 does nothing";
    EXPECT_EQ(Attr(config::SectionMarkup(form->ConfigDocument()), L"maxNumber"), L"25");
    // After the module has stopped, 开始 uses the level chosen last.
    ASSERT_EQ(server->Raise(L"OnStop"), S_OK);
    form->N3->Click();
    EXPECT_EQ(Attr(St().LastConfig, L"maxNumber"), L"25");
}

TEST_F(HostTest, SecondLaunchBeforeOnStartCreatesTheNewModuleThenReleasesTheOld) {
    St().StartRaisesOnStart = false;
    form->N3->Click();
    form->N3->Click();
    const auto& c = St().Calls;
    EXPECT_LT(IndexOf(c, L"create #2"), IndexOf(c, L"destroy #1"));
    EXPECT_EQ(St().Live, 1);
}

TEST_F(HostTest, OnStopReleasesTheModuleInsideTheCallAndResetsTheMenus) {
    form->N3->Click();
    ASSERT_EQ(St().Live, 1);
    ASSERT_EQ(server->Raise(L"OnStop"), S_OK);
    const auto& c = St().Calls;
    EXPECT_LT(IndexOf(c, L"destroy #1"), IndexOf(c, L"OnStop -> 0")) << "released before OnStop returned";
    EXPECT_EQ(form->Module(), nullptr);
    EXPECT_TRUE(form->N3->Enabled());
    EXPECT_FALSE(form->N5->Enabled());
}

TEST_F(HostTest, PauseResumeReportChangeNothing) {
    form->N3->Click();
    for (const wchar_t* ev : {L"OnPause", L"OnResume", L"OnReport"}) EXPECT_EQ(server->Raise(ev), S_OK) << ev;
    EXPECT_FALSE(form->N3->Enabled());
    EXPECT_TRUE(form->N5->Enabled());
    EXPECT_NE(form->Module(), nullptr);
}

TEST_F(HostTest, EndMenuAndWindowDestructionReleaseTheModule) {
    form->N3->Click();
    form->N5->Click();
    EXPECT_EQ(St().Live, 0);
    EXPECT_TRUE(form->N3->Enabled());
    form->N3->Click();
    ASSERT_EQ(St().Live, 1);
    form.reset();
    EXPECT_EQ(St().Live, 0);
}

// Every way a user ends the program goes through the message loop of the real program and ends it
// normally, with or without an exercise running: the window is freed once, the module released.
TEST_F(HostTest, EveryWayOfClosingEndsTheProgramOnce) {
    form.reset();
    struct Case { const char* name; UINT msg; WPARAM wp; bool running; };
    const Case cases[] = {
        {"close button / Alt+F4", WM_SYSCOMMAND, SC_CLOSE, false},
        {"close button while running", WM_SYSCOMMAND, SC_CLOSE, true},
        {"WM_CLOSE from outside (task manager)", WM_CLOSE, 0, false},
        {"WM_CLOSE while running", WM_CLOSE, 0, true},
        {"menu 退出 while running", WM_COMMAND, 0, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        St().Reset();
        HWND window = nullptr;
        int rc = RunProgram([&](TMainForm& f) {
            window = f.Handle();
            f.ConfigDocument().DocumentElement()->SetAttribute(L"GUID", TestModuleClsid);
            if (c.running) f.N3->Click();
            EXPECT_EQ(St().Live, c.running ? 1 : 0);
            WPARAM wp = c.msg == WM_COMMAND ? MAKEWPARAM(f.N8->Command(), 0) : c.wp;
            PostMessageW(f.Handle(), c.msg, wp, 0);
        });
        EXPECT_EQ(rc, 0);
        EXPECT_FALSE(IsWindow(window));
        EXPECT_EQ(ui::Application().MainForm(), nullptr);
        EXPECT_EQ(St().Live, 0);
        EXPECT_TRUE(errors.empty());
        // What the loop left behind (its WM_QUIT among it) must not reach the next case.
        MSG m;
        while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {}
    }
}

TEST_F(HostTest, ResizeReachesTheModuleWithThePanelsFullSize) {
    form->SetBounds(0, 0, 800, 600);  // nothing held yet: nothing called
    EXPECT_EQ(IndexOf(St().Calls, L"Resize 0x0"), -1);
    EXPECT_EQ(St().LastCx, -1);
    form->N3->Click();
    form->SetBounds(0, 0, 700, 500);
    EXPECT_EQ(St().LastCx, form->RzPanel1->Width());
    EXPECT_EQ(St().LastCy, form->RzPanel1->Height());
    RECT cr;
    GetClientRect(form->Handle(), &cr);
    EXPECT_EQ(St().LastCx, cr.right);
    EXPECT_EQ(St().LastCy, cr.bottom);
}

TEST_F(HostTest, FailuresOfTheModuleRaiseErrorsAndKeepTheNewModule) {
    St().FailMethod = L"LoadConfig";
    try {
        form->N3->Click();
        FAIL() << "LoadConfig's failure must raise";
    } catch (const com::EOleError& e) {
        EXPECT_EQ(e.ErrorCode(), E_FAIL);
        EXPECT_EQ(e.Message(), L"test module refuses LoadConfig");
    }
    EXPECT_NE(form->Module(), nullptr);
    EXPECT_TRUE(form->RzPanel1->Enabled());
    EXPECT_TRUE(form->N3->Enabled());
}

TEST_F(HostTest, MalformedGuidRaisesAndKeepsThePreviousModule) {
    St().StartRaisesOnStart = false;  // idle: 开始 stays enabled
    form->N3->Click();
    IModuleExcutor* before = form->Module();
    ASSERT_NE(before, nullptr);
    form->ConfigDocument().DocumentElement()->SetAttribute(L"GUID", L"{123}");
    EXPECT_THROW(form->N3->Click(), com::EOleError);
    EXPECT_EQ(form->Module(), before);
    EXPECT_TRUE(form->RzPanel1->Enabled());
}

TEST_F(HostTest, UnregisteredModuleWithItsFileBesideRegistersItselfWithoutMessage) {
    // The servers' folder holds the test module under the exercise server's file name.
    fs::path dir = fs::temp_directory_path() / L"host-selfreg";
    fs::create_directories(dir);
    fs::copy_file(BinDir() / L"TestModule.dll", dir / L"Quorvel.dll", fs::copy_options::overwrite_existing);
    server->Call("DllUnregisterServer");
    form->ServerFolder = dir.wstring() + L"\\";
    {
        TDialogWatcher watcher;
        form->N3->Click();
        EXPECT_TRUE(watcher.Seen().empty());
    }
    EXPECT_NE(form->Module(), nullptr);
    EXPECT_EQ(IndexOf(St().Calls, L"Start"), -1) << "the copy is another module instance";
    form.reset();
    // The copy registered itself: point the class back at the built file.
    server->Call("DllRegisterServer");
}

TEST_F(HostTest, MissingModuleFileShowsTheMessageOncePerLaunch) {
    fs::path dir = fs::temp_directory_path() / L"host-empty";
    fs::create_directories(dir);
    server->Call("DllUnregisterServer");
    form->ServerFolder = dir.wstring() + L"\\";
    TDialogWatcher watcher;
    form->N3->Click();
    form->N3->Click();
    auto seen = watcher.Seen();
    ASSERT_EQ(seen.size(), 2u);
    for (auto& d : seen) {
        ASSERT_EQ(d.Texts.size(), 1u);
        EXPECT_EQ(d.Texts[0], MissingMessage);
        EXPECT_EQ(d.Buttons.size(), 1u);
    }
    EXPECT_EQ(form->Module(), nullptr);
    EXPECT_TRUE(form->RzPanel1->Enabled());
    EXPECT_TRUE(form->N3->Enabled());
    EXPECT_FALSE(form->N5->Enabled());
}

TEST_F(HostTest, SinkIsNotCountedAndRefusesLateBinding) {
    IEventCallor* sink = form.get();
    for (int i = 0; i < 5; ++i) EXPECT_EQ(sink->Release(), static_cast<ULONG>(-1));
    EXPECT_EQ(sink->AddRef(), static_cast<ULONG>(-1));
    DISPID id;
    LPOLESTR name = const_cast<LPOLESTR>(L"OnStart");
    EXPECT_EQ(sink->GetIDsOfNames(IID_NULL, &name, 1, 0, &id), E_NOTIMPL);
    EXPECT_EQ(sink->Invoke(201, IID_NULL, 0, DISPATCH_METHOD, nullptr, nullptr, nullptr, nullptr), E_NOTIMPL);
    EXPECT_EQ(sink->OnStart(), S_OK) << "the same methods through the table succeed";
    EXPECT_TRUE(IsWindow(form->Handle()));
}

TEST_F(HostTest, HelpAndLinksOpenFromTheExecutablesFolder) {
    std::vector<std::wstring> opened;
    ui::SetShellOpen([&](const std::wstring& t) { opened.push_back(t); });
    wchar_t old[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, old);
    SetCurrentDirectoryW(fs::temp_directory_path().c_str());
    form->N9->Click();
    SetCurrentDirectoryW(old);
    form->N7->Click();
    form->e1->Click();
    form->RzURLLabel1->Click();
    ui::SetShellOpen(nullptr);
    ASSERT_EQ(opened.size(), 4u);
    EXPECT_EQ(opened[0], ui::Application().ExeDir() + L"Help\\m07.html");
    EXPECT_TRUE(fs::exists(opened[0])) << "the help page is shipped beside the program";
    EXPECT_NE(opened[1].find(L"/jsp/theroy/x06110701.html"), std::wstring::npos);
    EXPECT_NE(opened[2].find(L"/jsp/product/product.html"), std::wstring::npos);
    EXPECT_EQ(opened[1].substr(0, opened[3].size()), opened[3]) << "one site address for all";
}

TEST_F(HostTest, AboutBoxHasOnlyItsYesButton) {
    TDialogWatcher watcher(L"是[&Y]");
    form->N10->Click();
    auto seen = watcher.Seen();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].Buttons, std::vector<std::wstring>{L"是[&Y]"});
    ASSERT_EQ(seen[0].Texts.size(), 1u);
    EXPECT_NE(seen[0].Texts[0].find(L"舒尔特表"), std::wstring::npos);
}

TEST_F(HostTest, LayoutFollowsTheDesign) {
    EXPECT_EQ(form->Width(), 679);
    EXPECT_EQ(form->Height(), 462);
    EXPECT_EQ(form->Caption(), L"舒尔特表");
    struct B { const wchar_t* caption; int x, y; };
    const B buttons[8] = {{L"3 * 3", 0, 56}, {L"4 * 4", 64, 0}, {L"5 * 5", 168, 0}, {L"6 * 6", 232, 56},
                          {L"7 * 7", 0, 120}, {L"8 * 8", 64, 168}, {L"9 * 9", 168, 168}, {L"10 * 10", 232, 120}};
    for (int i = 0; i < 8; ++i) {
        auto* b = form->dxfColorButtons[i];
        EXPECT_EQ(b->Caption(), buttons[i].caption);
        EXPECT_EQ(b->Tag, i);
        EXPECT_EQ(b->Parent(), form->RzPanel2);
        EXPECT_EQ(b->BoundsRect().left, buttons[i].x);
        EXPECT_EQ(b->BoundsRect().top, buttons[i].y);
        EXPECT_EQ(b->Width(), 65);
        EXPECT_EQ(b->Height(), 41);
    }
    RECT cr;
    GetClientRect(form->Handle(), &cr);
    EXPECT_EQ(form->RzPanel1->Width(), cr.right);
    EXPECT_EQ(form->RzPanel1->Height(), cr.bottom);
    auto centre = [&] {
        return std::pair{form->RzPanel2->Left() + 569 / 2 - form->RzPanel1->Width() / 2,
                         form->RzPanel2->Top() + 234 / 2 - form->RzPanel1->Height() / 2};
    };
    auto before = centre();
    form->SetBounds(0, 0, 1000, 700);
    auto after = centre();
    EXPECT_LE(std::abs(after.first - before.first), 1);
    EXPECT_LE(std::abs(after.second - before.second), 1);
    EXPECT_EQ(form->RzPanel2->Width(), 569);
    // The menu bar: 操作 and 帮助 with their items in order.
    HMENU bar = GetMenu(form->Handle());
    ASSERT_EQ(GetMenuItemCount(bar), 2);
    auto item = [](HMENU m, int i) {
        wchar_t buf[64] = {};
        GetMenuStringW(m, i, buf, 64, MF_BYPOSITION);
        return std::wstring(buf);
    };
    EXPECT_EQ(item(bar, 0), L"操作");
    EXPECT_EQ(item(bar, 1), L"帮助");
    HMENU ops = GetSubMenu(bar, 0), help = GetSubMenu(bar, 1);
    EXPECT_EQ(item(ops, 0), L"开始");
    EXPECT_EQ(item(ops, 1), L"结束");
    EXPECT_EQ(item(ops, 3), L"退出");
    EXPECT_EQ(item(help, 0), L"如何练习");
    EXPECT_EQ(item(help, 1), L"关于");
    EXPECT_EQ(item(help, 3), L"快速阅读简介");
    EXPECT_EQ(item(help, 4), L"Lernova简介");
    EXPECT_EQ(GetMenuState(ops, 1, MF_BYPOSITION) & MF_GRAYED, static_cast<UINT>(MF_GRAYED)) << "结束 disabled when idle";
}

TEST_F(HostTest, MenuCommandsArriveThroughRealMessages) {
    UINT start = form->N3->Command();
    SendMessageW(form->Handle(), WM_COMMAND, MAKEWPARAM(start, 0), 0);
    EXPECT_NE(form->Module(), nullptr);
    SendMessageW(form->Handle(), WM_COMMAND, MAKEWPARAM(form->N5->Command(), 0), 0);
    EXPECT_EQ(form->Module(), nullptr);
    // A failure inside a menu command reaches the error display, not the system.
    form->ConfigDocument().DocumentElement()->SetAttribute(L"GUID", L"{123}");
    SendMessageW(form->Handle(), WM_COMMAND, MAKEWPARAM(start, 0), 0);
    EXPECT_EQ(errors.size(), 1u);
}
