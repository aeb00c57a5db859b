// The base of the tests' event sinks: it lives on the test's stack and keeps a real reference
// count, so a test sees whether the module let go of it. Late binding is refused; every event
// answers S_OK unless a test's sink says otherwise.
#pragma once
#include "contract/Ambrel_TLB.h"

namespace testing_support {

class TStackSink : public IEventCallor {
public:
    LONG Refs = 1;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** ppv) override {
        if (iid == IID_IUnknown || iid == IID_IDispatch || iid == IID_IEventCallor) {
            *ppv = static_cast<IEventCallor*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++Refs; }
    ULONG STDMETHODCALLTYPE Release() override { return --Refs; }  // never deletes: on the stack
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE OnStart() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnPause() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnResume() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnStop() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnReport(BSTR, BSTR) override { return S_OK; }
};

}  // namespace testing_support
