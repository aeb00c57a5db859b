#include "module/ModuleBase.h"
#include "module/UnitModuleForm.h"
#include "platform/com/Bstr.h"

TModuleBase::~TModuleBase() {
    if (FForm) {
        // The form may tick once more before its release is processed; nothing of it may reach
        // this object any more.
        FForm->OnModuleStart = nullptr;
        FForm->OnModuleStop = nullptr;
        FForm->OnModulePause = nullptr;
        FForm->OnModuleResume = nullptr;
        FForm->OnModuleReport = nullptr;
        ui::Guarded([&] { FForm->Close(); });
        FForm = nullptr;
    }
    // FEventSink goes with the members.
}

void TModuleBase::Initialize() {
    TAutoObject::Initialize();
    FForm = CreateModuleForm();
    FForm->OnModuleStart = [this] { NotifyStart(); };
    FForm->OnModuleStop = [this] { NotifyStop(); };
    FForm->OnModulePause = [this] { NotifyPause(); };
    FForm->OnModuleResume = [this] { NotifyResume(); };
    FForm->OnModuleReport = [this](const std::wstring& t, const std::wstring& r) { NotifyReport(t, r); };
}

void* TModuleBase::GetInterface(REFIID iid) {
    if (iid == IID_IModuleExcutor) return static_cast<IModuleExcutor*>(this);
    return TAutoObject::GetInterface(iid);
}

HRESULT STDMETHODCALLTYPE TModuleBase::LoadConfig(BSTR ConfigNode) {
    return SafeCall(IID_IModuleExcutor, [&] { LoadConfigText(com::BstrText(ConfigNode)); });
}

HRESULT STDMETHODCALLTYPE TModuleBase::ConnectEvent(IEventCallor* sink) {
    return SafeCall(IID_IModuleExcutor, [&] { FEventSink = com::ComPtr<IEventCallor>(sink); });
}

HRESULT STDMETHODCALLTYPE TModuleBase::Resize(LONG cx, LONG cy) {
    return SafeCall(IID_IModuleExcutor, [&] { FForm->SetBounds(0, 0, cx, cy); });
}

HRESULT STDMETHODCALLTYPE TModuleBase::Stop() {
    return SafeCall(IID_IModuleExcutor, [&] { FForm->StopExercise(); });
}

HRESULT STDMETHODCALLTYPE TModuleBase::Pause() {
    return SafeCall(IID_IModuleExcutor, [&] { FForm->PauseExercise(); });
}

HRESULT STDMETHODCALLTYPE TModuleBase::Resume() {
    return SafeCall(IID_IModuleExcutor, [&] { FForm->ResumeExercise(); });
}

HRESULT STDMETHODCALLTYPE TModuleBase::Start(ULONG hParent) {
    return SafeCall(IID_IModuleExcutor, [&] {
        // The contract passes the window handle as a 32-bit number; handles fit in 32 bits
        // on 64-bit Windows too.
        HWND parent = reinterpret_cast<HWND>(static_cast<ULONG_PTR>(hParent));
        FForm->SetParentWindow(parent);
        RECT r{0, 0, 0, 0};
        if (!GetClientRect(parent, &r)) com::OleError(HRESULT_FROM_WIN32(GetLastError()));
        FForm->SetBounds(0, 0, r.right, r.bottom);
        FForm->Show();
        FForm->StartTest();
    });
}

HRESULT STDMETHODCALLTYPE TModuleBase::GetReport(BSTR* Report) {
    if (Report) *Report = nullptr;
    return SafeCall(IID_IModuleExcutor, [&] {
        if (!Report) throw com::EOleError(E_POINTER, L"GetReport: no place for the report");
        com::Bstr text(GetReportText());
        *Report = text.Detach();
    });
}

HRESULT STDMETHODCALLTYPE TModuleBase::CanPause(VARIANT_BOOL* Value) {
    return SafeCall(IID_IModuleExcutor, [&] {
        if (!Value) throw com::EOleError(E_POINTER, L"CanPause: no place for the answer");
        *Value = GetCanPause() ? VARIANT_TRUE : VARIANT_FALSE;
    });
}

// The host may release this object from inside any of these calls (OnStop above all): the sink
// is held by a local reference for the call, and nothing of the object is touched afterwards.
namespace {
template <class F>
void CallSink(const com::ComPtr<IEventCallor>& held, F&& call) {
    com::ComPtr<IEventCallor> sink = held;
    if (!sink) return;
    com::OleCheck(call(sink.Get()));
}
}  // namespace

void TModuleBase::NotifyStart() { CallSink(FEventSink, [](IEventCallor* s) { return s->OnStart(); }); }
void TModuleBase::NotifyStop() { CallSink(FEventSink, [](IEventCallor* s) { return s->OnStop(); }); }
void TModuleBase::NotifyPause() { CallSink(FEventSink, [](IEventCallor* s) { return s->OnPause(); }); }
void TModuleBase::NotifyResume() { CallSink(FEventSink, [](IEventCallor* s) { return s->OnResume(); }); }

void TModuleBase::NotifyReport(const std::wstring& AType, const std::wstring& AReport) {
    com::Bstr type(AType), report(AReport);
    CallSink(FEventSink, [&](IEventCallor* s) { return s->OnReport(type.Get(), report.Get()); });
}
