// Automation objects: reference counting, an interface table that derived classes extend, the
// dispatch half of dual interfaces answered from the server's own type library, error information
// support and class information.
//
// A class derives from TAutoObject and from the interfaces it implements, answers them in
// GetInterface, and is instantiated only as TComObject<T> (usually by its TAutoObjectFactory),
// which supplies the IUnknown and IDispatch methods of every interface it inherits:
//
//   class TThing : public com::TAutoObject, public IThing {
//   public:
//       HRESULT STDMETHODCALLTYPE DoIt(BSTR a) override {
//           return SafeCall(IID_IThing, [&] { ... });
//       }
//   protected:
//       void* GetInterface(REFIID iid) override {
//           if (iid == IID_IThing) return static_cast<IThing*>(this);
//           return TAutoObject::GetInterface(iid);
//       }
//   };
#pragma once
#include <string>
#include <utility>
#include <windows.h>
#include <ole2.h>
#include <ocidl.h>
#include "platform/com/OleError.h"

namespace com {

class TAutoObjectFactory;

class TAutoObject : public ISupportErrorInfo, public IProvideClassInfo {
public:
    TAutoObject(const TAutoObject&) = delete;
    TAutoObject& operator=(const TAutoObject&) = delete;

    // IUnknown of every interface of the object (TComObject forwards here). IUnknown itself is
    // always answered with the same pointer.
    HRESULT ObjQueryInterface(REFIID iid, void** ppv) noexcept;
    ULONG ObjAddRef() noexcept;
    ULONG ObjRelease() noexcept;

    // IDispatch of every dual interface of the object: describes and invokes the class's default
    // interface (the coclass's [default] interface in the server's type library).
    HRESULT DispGetTypeInfoCount(UINT* count) noexcept;
    HRESULT DispGetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) noexcept;
    HRESULT DispGetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID lcid, DISPID* ids) noexcept;
    HRESULT DispInvoke(DISPID id, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                       EXCEPINFO* excepInfo, UINT* argErr) noexcept;

    // ISupportErrorInfo: S_OK for every interface the object answers (IUnknown aside).
    HRESULT STDMETHODCALLTYPE InterfaceSupportsErrorInfo(REFIID iid) override;
    // IProvideClassInfo: the coclass entry of the type library.
    HRESULT STDMETHODCALLTYPE GetClassInfo(ITypeInfo** info) override;

    // The factory that made the object; null for an object made otherwise.
    TAutoObjectFactory* Factory() const noexcept { return FFactory; }
    // The class's programmatic identifier (library name, a point, class name); empty without factory.
    const std::wstring& ProgID() const noexcept;

protected:
    TAutoObject();  // counts the object in the server
    virtual ~TAutoObject();

    // Runs right after construction, before any interface call, when the factory (or whoever
    // made the object) has set it up. An error raised here makes the creation fail.
    virtual void Initialize() {}

    // The interface table: the pointer of this object that answers iid, or null. A derived class
    // checks its own interfaces and defers to its base for the rest. The base answers IUnknown,
    // ISupportErrorInfo, IProvideClassInfo, and IDispatch as the class's default interface.
    virtual void* GetInterface(REFIID iid);

    // The boundary of a method of interface iid (the result convention; error information
    // carries iid and the class's ProgID).
    template <class F>
    HRESULT SafeCall(REFIID iid, F&& body) noexcept {
        return com::SafeCall(iid, ProgID(), std::forward<F>(body));
    }

private:
    friend class TAutoObjectFactory;
    template <class T>
    friend T* CreateAutoObject(TAutoObjectFactory* factory);

    LONG FRefCount = 0;
    TAutoObjectFactory* FFactory = nullptr;
};

// The instantiable form of an automation class T: the final overriders of IUnknown and IDispatch
// for every interface T inherits.
template <class T>
class TComObject final : public T {
public:
    using T::T;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** ppv) override { return this->ObjQueryInterface(iid, ppv); }
    ULONG STDMETHODCALLTYPE AddRef() override { return this->ObjAddRef(); }
    ULONG STDMETHODCALLTYPE Release() override { return this->ObjRelease(); }

    // These override the methods of every IDispatch-derived interface of T (and are plain
    // members when T has none).
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) { return this->DispGetTypeInfoCount(count); }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) {
        return this->DispGetTypeInfo(index, lcid, info);
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID lcid, DISPID* ids) {
        return this->DispGetIDsOfNames(riid, names, count, lcid, ids);
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params,
                                     VARIANT* result, EXCEPINFO* excepInfo, UINT* argErr) {
        return this->DispInvoke(id, riid, lcid, flags, params, result, excepInfo, argErr);
    }
};

// Makes a T for factory (which may be null), with no reference yet, and runs its Initialize.
// The caller takes the first reference; an error of Initialize destroys the object and propagates.
template <class T>
T* CreateAutoObject(TAutoObjectFactory* factory) {
    TComObject<T>* object = new TComObject<T>();
    TAutoObject* base = object;
    base->FFactory = factory;
    base->ObjAddRef();  // keeps the object alive while Initialize hands out and drops references
    try {
        base->Initialize();
    } catch (...) {
        base->ObjRelease();
        throw;
    }
    --base->FRefCount;  // back to no reference, without destroying
    return object;
}

// An implementation of interface I (derived from IDispatch) for an object whose lifetime COM
// references do not govern, such as a window acting as an event sink: AddRef and Release return
// -1 and change nothing, and the dispatch half answers E_NOTIMPL. The derived class implements
// I's own methods, typically each one inside QuietCall.
template <class I>
class TUncountedDispatch : public I {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** ppv) override {
        if (!ppv) return E_POINTER;
        if (iid == IID_IUnknown || iid == IID_IDispatch || iid == __uuidof(I)) {
            *ppv = static_cast<I*>(this);
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(-1); }
    ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(-1); }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        return E_NOTIMPL;
    }

protected:
    TUncountedDispatch() = default;
    ~TUncountedDispatch() = default;
};

}  // namespace com
