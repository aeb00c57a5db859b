#include "tests/testmodule/TestModuleState.h"
#include "TestModule_h.h"
#include "contract/Ambrel_TLB.h"
#include "platform/com/AutoObject.h"
#include "platform/com/Bstr.h"
#include "platform/com/ComServer.h"

namespace {

TTestModuleState gState;

class TTestModule;
TTestModule* gNewest = nullptr;

class TTestModule : public com::TAutoObject, public IModuleExcutor, public ITestModule {
public:
    TTestModule() {
        FNumber = ++gState.Created;
        ++gState.Live;
        gState.Calls.push_back(L"create #" + std::to_wstring(FNumber));
        gNewest = this;
    }
    ~TTestModule() override {
        --gState.Live;
        gState.Calls.push_back(L"destroy #" + std::to_wstring(FNumber));
        if (gNewest == this) gNewest = nullptr;
    }

    HRESULT Raise(const std::wstring& ev) {
        if (!FSink) return E_POINTER;
        com::ComPtr<IEventCallor> sink = FSink;  // the module may be released inside the call
        HRESULT hr = ev == L"OnStart"   ? sink->OnStart()
                     : ev == L"OnStop"  ? sink->OnStop()
                     : ev == L"OnPause" ? sink->OnPause()
                     : ev == L"OnResume" ? sink->OnResume()
                     : sink->OnReport(nullptr, nullptr);
        gState.Calls.push_back(ev + L" -> " + std::to_wstring(hr));
        return hr;
    }

    HRESULT STDMETHODCALLTYPE LoadConfig(BSTR ConfigNode) override {
        return Call(L"LoadConfig", [&] { gState.LastConfig = com::BstrText(ConfigNode); });
    }
    HRESULT STDMETHODCALLTYPE ConnectEvent(IEventCallor* sink) override {
        return Call(L"ConnectEvent", [&] { FSink = com::ComPtr<IEventCallor>(sink); });
    }
    HRESULT STDMETHODCALLTYPE Resize(LONG cx, LONG cy) override {
        return Call(L"Resize " + std::to_wstring(cx) + L"x" + std::to_wstring(cy), [&] {
            gState.LastCx = cx;
            gState.LastCy = cy;
        });
    }
    HRESULT STDMETHODCALLTYPE Stop() override { return Call(L"Stop", [] {}); }
    HRESULT STDMETHODCALLTYPE Pause() override { return Call(L"Pause", [] {}); }
    HRESULT STDMETHODCALLTYPE Resume() override { return Call(L"Resume", [] {}); }
    HRESULT STDMETHODCALLTYPE Start(ULONG hParent) override {
        return Call(L"Start", [&] {
            gState.LastParent = reinterpret_cast<HWND>(static_cast<UINT_PTR>(hParent));
            if (gState.StartRaisesOnStart) com::OleCheck(Raise(L"OnStart"));
        });
    }
    HRESULT STDMETHODCALLTYPE GetReport(BSTR* Report) override {
        return Call(L"GetReport", [&] { *Report = com::Bstr(L"").Detach(); });
    }
    HRESULT STDMETHODCALLTYPE CanPause(VARIANT_BOOL* Value) override {
        return Call(L"CanPause", [&] { *Value = VARIANT_FALSE; });
    }

protected:
    void* GetInterface(REFIID iid) override {
        if (iid == IID_IModuleExcutor) return static_cast<IModuleExcutor*>(this);
        if (iid == IID_ITestModule) return static_cast<ITestModule*>(this);
        return TAutoObject::GetInterface(iid);
    }

private:
    template <class F>
    HRESULT Call(const std::wstring& name, F&& body) {
        gState.Calls.push_back(name);
        std::wstring method = name.substr(0, name.find(L' '));
        return SafeCall(IID_IModuleExcutor, [&] {
            if (gState.FailMethod == method) throw com::EOleError(E_FAIL, L"test module refuses " + method);
            body();
        });
    }
    int FNumber;
    com::ComPtr<IEventCallor> FSink;
};

com::TAutoObjectFactory Factory(CLSID_TestModule, com::AutoObjectCreator<TTestModule>, com::TThreadingModel::Apartment);

}  // namespace

extern "C" __declspec(dllexport) TTestModuleState* TestModuleState() { return &gState; }
extern "C" __declspec(dllexport) HRESULT TestModuleRaise(const wchar_t* ev) {
    return gNewest ? gNewest->Raise(ev) : E_POINTER;
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void** ppv) { return com::ComServer().GetClassObject(clsid, iid, ppv); }
STDAPI DllCanUnloadNow() { return com::ComServer().CanUnloadNow(); }
STDAPI DllRegisterServer() { return com::ComServer().RegisterServer(); }
STDAPI DllUnregisterServer() { return com::ComServer().UnregisterServer(); }
