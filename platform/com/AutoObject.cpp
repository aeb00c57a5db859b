#include "platform/com/AutoObject.h"
#include "platform/com/ComServer.h"

namespace com {

TAutoObject::TAutoObject() { ComServer().Lock(); }

TAutoObject::~TAutoObject() { ComServer().Unlock(); }

const std::wstring& TAutoObject::ProgID() const noexcept {
    static const std::wstring none;
    return FFactory ? FFactory->ProgID() : none;
}

void* TAutoObject::GetInterface(REFIID iid) {
    if (iid == IID_IUnknown || iid == IID_ISupportErrorInfo) return static_cast<ISupportErrorInfo*>(this);
    if (iid == IID_IProvideClassInfo) return static_cast<IProvideClassInfo*>(this);
    if (iid == IID_IDispatch && FFactory) {
        const IID& dispIid = FFactory->DispIntfIID();
        if (dispIid != IID_IDispatch && dispIid != IID_NULL) return GetInterface(dispIid);
    }
    return nullptr;
}

HRESULT TAutoObject::ObjQueryInterface(REFIID iid, void** ppv) noexcept {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    void* p = nullptr;
    try {
        p = GetInterface(iid);
    } catch (...) {
        return E_NOINTERFACE;
    }
    if (!p) return E_NOINTERFACE;
    static_cast<IUnknown*>(p)->AddRef();
    *ppv = p;
    return S_OK;
}

ULONG TAutoObject::ObjAddRef() noexcept { return static_cast<ULONG>(InterlockedIncrement(&FRefCount)); }

ULONG TAutoObject::ObjRelease() noexcept {
    LONG n = InterlockedDecrement(&FRefCount);
    if (n == 0) delete this;
    return static_cast<ULONG>(n);
}

HRESULT TAutoObject::DispGetTypeInfoCount(UINT* count) noexcept {
    if (!count) return E_POINTER;
    *count = (FFactory && FFactory->DispTypeInfo()) ? 1 : 0;
    return S_OK;
}

HRESULT TAutoObject::DispGetTypeInfo(UINT index, LCID, ITypeInfo** info) noexcept {
    if (!info) return E_POINTER;
    *info = nullptr;
    if (index != 0) return DISP_E_BADINDEX;
    ITypeInfo* ti = FFactory ? FFactory->DispTypeInfo() : nullptr;
    if (!ti) return E_NOTIMPL;
    ti->AddRef();
    *info = ti;
    return S_OK;
}

HRESULT TAutoObject::DispGetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID, DISPID* ids) noexcept {
    if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
    ITypeInfo* ti = FFactory ? FFactory->InvokeTypeInfo() : nullptr;
    if (!ti) return E_NOTIMPL;
    return ti->GetIDsOfNames(names, count, ids);
}

HRESULT TAutoObject::DispInvoke(DISPID id, REFIID riid, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                EXCEPINFO* excepInfo, UINT* argErr) noexcept {
    if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
    ITypeInfo* ti = FFactory ? FFactory->InvokeTypeInfo() : nullptr;
    if (!ti) return E_NOTIMPL;
    void* instance = nullptr;
    try {
        instance = GetInterface(FFactory->DispIntfIID());
    } catch (...) {
    }
    if (!instance) return E_NOTIMPL;
    // The vtable method runs under its own boundary; a failure comes back as DISP_E_EXCEPTION
    // with the error information copied into excepInfo by the system.
    return ti->Invoke(instance, id, flags, params, result, excepInfo, argErr);
}

HRESULT STDMETHODCALLTYPE TAutoObject::InterfaceSupportsErrorInfo(REFIID iid) {
    if (iid == IID_IUnknown) return S_FALSE;
    try {
        return GetInterface(iid) ? S_OK : S_FALSE;
    } catch (...) {
        return S_FALSE;
    }
}

HRESULT STDMETHODCALLTYPE TAutoObject::GetClassInfo(ITypeInfo** info) {
    if (!info) return E_POINTER;
    *info = nullptr;
    ITypeInfo* ti = FFactory ? FFactory->ClassInfo() : nullptr;
    if (!ti) return E_NOTIMPL;
    ti->AddRef();
    *info = ti;
    return S_OK;
}

}  // namespace com
