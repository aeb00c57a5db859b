// The module server through COM, as the host uses it: registered from its file, created by class
// identifier and through the creator, driven through IModuleExcutor with a recording sink.
#include <gtest/gtest.h>
#include <filesystem>
#include <functional>
#include "contract/Ambrel_TLB.h"
#include "module/Quorvel_TLB.h"
#include "platform/com/Bstr.h"
#include "platform/ui/Forms.h"
#include "tests/support/Pump.h"
#include "tests/support/StackSink.h"
#include "tests/support/Windows.h"

using testing_support::PumpFor;
using testing_support::PumpUntil;
namespace fs = std::filesystem;

using testing_support::TServer;
using testing_support::TStackSink;

namespace {


// An event sink with a real reference count that records what reached it.
class TRecordingSink : public TStackSink {
public:
    std::vector<std::wstring> Calls;
    HRESULT StartResult = S_OK;
    std::function<void()> OnStopAction;

    HRESULT STDMETHODCALLTYPE OnStart() override { Calls.push_back(L"OnStart"); return StartResult; }
    HRESULT STDMETHODCALLTYPE OnPause() override { Calls.push_back(L"OnPause"); return S_OK; }
    HRESULT STDMETHODCALLTYPE OnResume() override { Calls.push_back(L"OnResume"); return S_OK; }
    HRESULT STDMETHODCALLTYPE OnStop() override {
        Calls.push_back(L"OnStop");
        if (OnStopAction) OnStopAction();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE OnReport(BSTR, BSTR) override { Calls.push_back(L"OnReport"); return S_OK; }
};

std::wstring Section(const std::wstring& test) {
    return L"<section type=\"20\" GUID=\"{2A0C851E-3871-4741-938E-6EDFDA67067B}\"><caption>c</caption>"
           L"<description>d</description><display splash=\"1\"/><tests>" + test + L"</tests></section>";
}
const std::wstring OneCell = L"<test rowCount=\"1\" colCount=\"1\" minNumber=\"1\" maxNumber=\"1\" intervals=\"60000\" "
                             L"fontName=\"宋体\" fontSize=\"20\" sound=\"0\"/>";

std::wstring ErrorDescription() {
    com::ComPtr<IErrorInfo> info;
    if (GetErrorInfo(0, info.Put()) != S_OK || !info) return L"";
    com::Bstr d;
    info->GetDescription(d.Put());
    return d.Str();
}

// The windows of the module inside the test's parent: the form is its one child.
HWND FormWindow(HWND parent) { return GetWindow(parent, GW_CHILD); }

class ServerTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ui::Application().Initialize();
        quorvel = new TServer(L"Quorvel.dll");
        ambrel = new TServer(L"Ambrel.dll");
    }
    static void TearDownTestSuite() {
        delete quorvel;
        delete ambrel;
    }
    void SetUp() override {
        ASSERT_TRUE(quorvel->Loaded());
        ASSERT_TRUE(ambrel->Loaded());
        ASSERT_EQ(quorvel->Call("DllRegisterServer"), S_OK);
        ASSERT_EQ(ambrel->Call("DllRegisterServer"), S_OK);
        parent = std::make_unique<ui::TForm>();
        parent->SetBorderStyle(ui::TBorderStyle::bsSingle);
        parent->Show();
        parent->SetClientSize(700, 500);
    }
    void TearDown() override {
        module.Reset();
        PumpUntil([] { return false; }, 50);
        parent.reset();
    }
    void Create() {
        ASSERT_EQ(CoCreateInstance(CLSID_TQuorvel, nullptr, CLSCTX_INPROC_SERVER, IID_IModuleExcutor, module.PutVoid()), S_OK);
    }
    HRESULT Start() { return module->Start(static_cast<ULONG>(reinterpret_cast<ULONG_PTR>(parent->Handle()))); }
    HRESULT Load(const std::wstring& text) {
        com::Bstr b(text);
        return module->LoadConfig(b.Get());
    }

    static TServer* quorvel;
    static TServer* ambrel;
    std::unique_ptr<ui::TForm> parent;
    com::ComPtr<IModuleExcutor> module;
    TRecordingSink sink;
};
TServer* ServerTest::quorvel = nullptr;
TServer* ServerTest::ambrel = nullptr;

}  // namespace

TEST_F(ServerTest, CreatedByIdentifierAndThroughTheCreator) {
    Create();
    EXPECT_TRUE(module.As<ITQuorvel>(IID_ITQuorvel));
    EXPECT_TRUE(module.As<IDispatch>(IID_IDispatch));
    EXPECT_FALSE(module.As<IClassFactory>(IID_IClassFactory));
    VARIANT_BOOL canPause = VARIANT_TRUE;
    EXPECT_EQ(module->CanPause(&canPause), S_OK);
    EXPECT_EQ(canPause, VARIANT_FALSE);
    com::Bstr report;
    EXPECT_EQ(module->GetReport(report.Put()), S_OK);
    EXPECT_TRUE(report.Empty());

    com::ComPtr<IModuleCreator> creator = CoModuleCreator::Create();
    com::ComPtr<IModuleExcutor> other;
    com::Bstr clsid(L"{2A0C851E-3871-4741-938E-6EDFDA67067B}");
    ASSERT_EQ(creator->CreateObject(clsid.Get(), other.Put()), S_OK);
    ASSERT_TRUE(other);
    EXPECT_FALSE(other == module);
}

TEST_F(ServerTest, StartFillsTheParentAndReportsOnStartBeforeReturning) {
    Create();
    ASSERT_EQ(module->ConnectEvent(&sink), S_OK);
    ASSERT_EQ(Load(Section(OneCell)), S_OK);
    EXPECT_TRUE(sink.Calls.empty());
    ASSERT_EQ(Start(), S_OK);
    EXPECT_EQ(sink.Calls, std::vector<std::wstring>{L"OnStart"});
    HWND f = FormWindow(parent->Handle());
    ASSERT_NE(f, nullptr);
    EXPECT_TRUE(IsWindowVisible(f));
    RECT r;
    GetWindowRect(f, &r);
    MapWindowPoints(nullptr, parent->Handle(), reinterpret_cast<POINT*>(&r), 2);
    EXPECT_EQ(r.left, 0);
    EXPECT_EQ(r.top, 0);
    EXPECT_EQ(r.right, 700);
    EXPECT_EQ(r.bottom, 500);
    ASSERT_EQ(module->Resize(800, 600), S_OK);
    GetWindowRect(f, &r);
    EXPECT_EQ(r.right - r.left, 800);
    EXPECT_EQ(r.bottom - r.top, 600);
}

TEST_F(ServerTest, AFailingOnStartFailsStartAndTheTestStillRuns) {
    Create();
    sink.StartResult = E_ACCESSDENIED;
    module->ConnectEvent(&sink);
    ASSERT_EQ(Load(Section(OneCell)), S_OK);
    EXPECT_EQ(Start(), E_ACCESSDENIED);
    EXPECT_TRUE(IsWindowVisible(FormWindow(parent->Handle())));
}

TEST_F(ServerTest, WithoutSinkStartSucceeds) {
    Create();
    module->ConnectEvent(&sink);
    module->ConnectEvent(nullptr);
    EXPECT_EQ(sink.Refs, 1) << "the earlier sink was released";
    ASSERT_EQ(Load(Section(OneCell)), S_OK);
    EXPECT_EQ(Start(), S_OK);
    EXPECT_TRUE(sink.Calls.empty());
}

TEST_F(ServerTest, BadInputFailsInOrderAndTheModuleStaysReleasable) {
    Create();
    EXPECT_EQ(Start(), E_UNEXPECTED) << "no configuration loaded";
    EXPECT_FALSE(ErrorDescription().empty());
    EXPECT_EQ(Load(Section(L"<test rowCount=\"three\"/>")), E_UNEXPECTED);
    EXPECT_EQ(ErrorDescription(), L"'three' 不是一个有效的整形值");
    EXPECT_EQ(Load(L"<section"), E_UNEXPECTED);
    EXPECT_FALSE(ErrorDescription().empty());
}

TEST_F(ServerTest, ReleaseFromInsideOnStopAndUnloadOnlyAfterTheFormIsGone) {
    Create();
    module->ConnectEvent(&sink);
    ASSERT_EQ(Load(Section(OneCell)), S_OK);
    ASSERT_EQ(Start(), S_OK);
    EXPECT_EQ(quorvel->Call("DllCanUnloadNow"), S_FALSE);
    sink.OnStopAction = [&] { module.Reset(); };  // as the host does
    // Click the one cell: the grid fills the form's client area less its margin.
    HWND f = FormWindow(parent->Handle());
    POINT p{350, 250};
    MapWindowPoints(f, nullptr, &p, 1);
    HWND target = f;
    for (HWND c = ChildWindowFromPointEx(target, POINT{350, 250}, CWP_SKIPINVISIBLE); c && c != target;) {
        POINT q = p;
        ScreenToClient(c, &q);
        target = c;
        c = ChildWindowFromPointEx(target, q, CWP_SKIPINVISIBLE);
    }
    POINT q = p;
    ScreenToClient(target, &q);
    SendMessageW(target, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(q.x, q.y));
    SendMessageW(target, WM_LBUTTONUP, 0, MAKELPARAM(q.x, q.y));
    // The result page's countdown: about four seconds.
    ASSERT_TRUE(PumpUntil([&] { return !module; }, 10000));
    EXPECT_EQ(sink.Calls, (std::vector<std::wstring>{L"OnStart", L"OnStop"}));
    EXPECT_EQ(sink.Refs, 1) << "the sink was released with the module";
    // The form goes with the posted release; until then the server must stay loaded.
    ASSERT_TRUE(PumpUntil([&] { return !IsWindow(f); }, 2000));
    EXPECT_EQ(quorvel->Call("DllCanUnloadNow"), S_OK);
}

TEST_F(ServerTest, ReleaseWhileATestRunsClosesTheFormWithoutOnStop) {
    Create();
    module->ConnectEvent(&sink);
    ASSERT_EQ(Load(Section(L"<test rowCount=\"3\" colCount=\"3\" minNumber=\"1\" maxNumber=\"9\" intervals=\"100\" "
                           L"fontName=\"宋体\" fontSize=\"20\" sound=\"0\"/>")), S_OK);
    ASSERT_EQ(Start(), S_OK);
    HWND f = FormWindow(parent->Handle());
    module.Reset();
    EXPECT_EQ(sink.Refs, 1);
    ASSERT_TRUE(PumpUntil([&] { return !IsWindow(f); }, 2000));
    PumpFor(300);  // past the test's time: nothing may reach the sink
    EXPECT_EQ(sink.Calls, std::vector<std::wstring>{L"OnStart"});
}
