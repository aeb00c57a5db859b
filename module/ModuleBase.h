// The base of every module object: carries out each IModuleExcutor call on the module's exercise
// form and forwards the form's notifications to the host's event sink.
#pragma once
#include <string>
#include "contract/Ambrel_TLB.h"
#include "platform/com/AutoObject.h"
#include "platform/com/ComPtr.h"

class TModuleForm;

class TModuleBase : public com::TAutoObject, public IModuleExcutor {
public:
    // IModuleExcutor (its IDispatch half is the automation object's, for the class's own
    // default interface).
    HRESULT STDMETHODCALLTYPE LoadConfig(BSTR ConfigNode) override;
    HRESULT STDMETHODCALLTYPE ConnectEvent(IEventCallor* sink) override;
    HRESULT STDMETHODCALLTYPE Resize(LONG cx, LONG cy) override;
    HRESULT STDMETHODCALLTYPE Stop() override;
    HRESULT STDMETHODCALLTYPE Pause() override;
    HRESULT STDMETHODCALLTYPE Resume() override;
    HRESULT STDMETHODCALLTYPE Start(ULONG hParent) override;
    HRESULT STDMETHODCALLTYPE GetReport(BSTR* Report) override;
    HRESULT STDMETHODCALLTYPE CanPause(VARIANT_BOOL* Value) override;

    // The module's form; it outlives the object until its posted release.
    TModuleForm* Form() const noexcept { return FForm; }

protected:
    TModuleBase() = default;
    // Closes the form (which frees itself after the running message), then lets go of the sink.
    ~TModuleBase() override;

    // Makes the form and connects its callbacks to the forwarders.
    void Initialize() override;
    void* GetInterface(REFIID iid) override;

    virtual TModuleForm* CreateModuleForm() = 0;
    virtual std::wstring GetReportText() = 0;
    virtual bool GetCanPause() = 0;
    virtual void LoadConfigText(const std::wstring& Text) = 0;

private:
    // Each does nothing without a sink, and raises the sink's failure as an error.
    void NotifyStart();
    void NotifyStop();
    void NotifyPause();
    void NotifyResume();
    void NotifyReport(const std::wstring& AType, const std::wstring& AReport);

    com::ComPtr<IEventCallor> FEventSink;
    TModuleForm* FForm = nullptr;
};
