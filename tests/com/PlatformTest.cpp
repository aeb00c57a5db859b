// The pieces of the COM platform on their own: the result convention, the uncounted sink base,
// the server's unload decision.
#include <gtest/gtest.h>
#include <new>
#include <stdexcept>
#include "ComTestSupport.h"
#include "platform/com/AutoObject.h"
#include "platform/com/Bstr.h"
#include "platform/com/ComServer.h"

using comtest::ClearErrorInfo;
using comtest::TakeErrorInfo;

namespace {

const IID kSomeIid = {0x11111111, 0x2222, 0x3333, {0x44, 0x44, 0x55, 0x55, 0x55, 0x55, 0x55, 0x55}};

struct TBoundaryCase {
    const char* what;
    void (*raise)();
    HRESULT expected;
    const wchar_t* message;
};

const TBoundaryCase kBoundaryCases[] = {
    {"bad_alloc", [] { throw std::bad_alloc(); }, E_OUTOFMEMORY, L"Out of memory"},
    {"EOleError with a failure code", [] { throw com::EOleError(E_INVALIDARG, L"bad argument"); }, E_INVALIDARG,
     L"bad argument"},
    {"EOleError with a success code", [] { throw com::EOleError(S_FALSE, L"odd"); }, E_UNEXPECTED, L"odd"},
    {"our Exception", [] { throw Exception(L"'x' 不是一个有效的整形值"); }, E_UNEXPECTED, L"'x' 不是一个有效的整形值"},
    {"std::exception", [] { throw std::runtime_error("broken"); }, E_UNEXPECTED, L"broken"},
    {"anything else", [] { throw 42; }, E_UNEXPECTED, L"Unexpected error"},
};

}  // namespace

TEST(ResultConvention, BoundaryTurnsEveryErrorIntoCodeAndErrorInfo) {
    for (const auto& c : kBoundaryCases) {
        SCOPED_TRACE(c.what);
        ClearErrorInfo();
        HRESULT hr = com::SafeCall(kSomeIid, L"Lib.Class", [&] { c.raise(); });
        EXPECT_EQ(hr, c.expected);
        auto info = TakeErrorInfo();
        ASSERT_TRUE(info.present);
        EXPECT_EQ(info.description, c.message);
        EXPECT_TRUE(IsEqualGUID(info.iid, kSomeIid));
        EXPECT_EQ(info.source, L"Lib.Class");
    }
}

TEST(ResultConvention, BoundaryPassesTheBodysResult) {
    EXPECT_EQ(com::SafeCall(kSomeIid, L"", [] {}), S_OK);
    EXPECT_EQ(com::SafeCall(kSomeIid, L"", [] { return S_FALSE; }), S_FALSE);
}

TEST(ResultConvention, QuietBoundaryPublishesNothing) {
    ClearErrorInfo();
    EXPECT_EQ(com::QuietCall([] { throw com::EOleError(E_INVALIDARG, L"x"); }), E_UNEXPECTED);
    EXPECT_FALSE(TakeErrorInfo().present);
}

TEST(ResultConvention, OleCheckRaisesCodeWithErrorDescription) {
    EXPECT_EQ(com::OleCheck(S_FALSE), S_FALSE);

    com::SetErrorInformation(L"描述 of the failure", kSomeIid, L"Lib.Class");
    try {
        com::OleCheck(E_ACCESSDENIED);
        FAIL() << "no error raised";
    } catch (const com::EOleError& e) {
        EXPECT_EQ(e.ErrorCode(), E_ACCESSDENIED);
        EXPECT_EQ(e.Message(), L"描述 of the failure");
    }
    // The information was taken: the next failure without any has an empty description.
    try {
        com::OleCheck(E_FAIL);
        FAIL() << "no error raised";
    } catch (const com::EOleError& e) {
        EXPECT_EQ(e.ErrorCode(), E_FAIL);
        EXPECT_EQ(e.Message(), L"");
    }
}

TEST(ResultConvention, ClassIdentifierTextConversion) {
    CLSID c = com::StringToClsid(L"{E15BBB2B-B104-41B2-8726-98F7734C67F8}");
    EXPECT_TRUE(IsEqualCLSID(c, CLSID_ModuleCreator));
    EXPECT_EQ(com::GuidToString(c), L"{E15BBB2B-B104-41B2-8726-98F7734C67F8}");
    for (const wchar_t* bad : {L"", L"{123}", L"E15BBB2B-B104-41B2-8726-98F7734C67F8", L"{E15BBB2B-B104-41B2-8726}"}) {
        SCOPED_TRACE(testing::Message() << ToUtf8(bad));
        try {
            com::StringToClsid(bad);
            ADD_FAILURE() << "accepted";
        } catch (const com::EOleError& e) {
            EXPECT_EQ(e.ErrorCode(), CO_E_CLASSSTRING);
            EXPECT_FALSE(e.Message().empty());
        }
    }
}

TEST(Bstr, KeepsEveryCharacterAndLength) {
    std::wstring text(L"舒尔特表\0tail", 9);
    com::Bstr a(text);
    EXPECT_EQ(a.Length(), 9u);
    com::Bstr b = a;
    EXPECT_NE(a.Get(), b.Get());
    EXPECT_EQ(b.Str(), text);
    com::Bstr c = std::move(b);
    EXPECT_EQ(b.Get(), nullptr);
    EXPECT_EQ(c.Str(), text);
    EXPECT_TRUE(com::Bstr().Empty());
    EXPECT_EQ(com::BstrText(nullptr), L"");
}

namespace {

// The kind of sink the host's window is: not reference-counted, no late binding.
class TTestSink : public com::TUncountedDispatch<IEventCallor> {
public:
    int starts = 0;
    HRESULT STDMETHODCALLTYPE OnStart() override { return com::QuietCall([&] { ++starts; }); }
    HRESULT STDMETHODCALLTYPE OnPause() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnResume() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnStop() override {
        return com::QuietCall([] { throw std::runtime_error("stop failed"); });
    }
    HRESULT STDMETHODCALLTYPE OnReport(BSTR, BSTR) override { return S_OK; }
};

}  // namespace

TEST(UncountedDispatch, ReferencesChangeNothingAndLateBindingIsRefused) {
    TTestSink sink;
    IEventCallor* s = &sink;
    EXPECT_EQ(s->AddRef(), static_cast<ULONG>(-1));
    for (int i = 0; i < 3; ++i) EXPECT_EQ(s->Release(), static_cast<ULONG>(-1));
    EXPECT_EQ(s->OnStart(), S_OK);  // still alive and working after more releases than references
    EXPECT_EQ(sink.starts, 1);
    EXPECT_EQ(s->OnStop(), E_UNEXPECTED);

    UINT count = 7;
    EXPECT_EQ(s->GetTypeInfoCount(&count), E_NOTIMPL);
    ITypeInfo* ti = nullptr;
    EXPECT_EQ(s->GetTypeInfo(0, 0, &ti), E_NOTIMPL);
    LPOLESTR name = const_cast<LPOLESTR>(L"OnStart");
    DISPID id = 0;
    EXPECT_EQ(s->GetIDsOfNames(IID_NULL, &name, 1, 0, &id), E_NOTIMPL);
    DISPPARAMS none{};
    EXPECT_EQ(s->Invoke(201, IID_NULL, 0, DISPATCH_METHOD, &none, nullptr, nullptr, nullptr), E_NOTIMPL);
    EXPECT_EQ(sink.starts, 1);

    void* p = nullptr;
    for (const IID* iid : {&IID_IUnknown, &IID_IDispatch, &IID_IEventCallor}) {
        EXPECT_EQ(s->QueryInterface(*iid, &p), S_OK);
        EXPECT_EQ(p, static_cast<void*>(s));
    }
    EXPECT_EQ(s->QueryInterface(IID_IModuleExcutor, &p), E_NOINTERFACE);
    EXPECT_EQ(p, nullptr);
}

TEST(ComServer, BusyCheckKeepsTheServerLoaded) {
    // The server of this test program: no objects of its own live between tests.
    com::TComServer& server = com::ComServer();
    ASSERT_EQ(server.LockCount(), 0);
    bool windows = true;
    server.SetBusyCheck([&] { return windows; });
    EXPECT_EQ(server.CanUnloadNow(), S_FALSE);
    windows = false;
    EXPECT_EQ(server.CanUnloadNow(), S_OK);
    server.Lock();
    EXPECT_EQ(server.CanUnloadNow(), S_FALSE);
    server.Unlock();
    server.SetBusyCheck([]() -> bool { throw std::runtime_error("cannot tell"); });
    EXPECT_EQ(server.CanUnloadNow(), S_FALSE);  // in doubt, stay
    server.SetBusyCheck(nullptr);
    EXPECT_EQ(server.CanUnloadNow(), S_OK);
}
