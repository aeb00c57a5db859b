// An in-process COM server: its class factories, the one count that decides whether it may be
// unloaded, its registration, and the four entry points.
//
// A server declares one factory per class (a static object in the class's unit), and its DLL
// exports the entry points by forwarding to ComServer():
//
//   static com::TAutoObjectFactory Factory(CLSID_Thing, com::AutoObjectCreator<TThing>);
//   STDAPI DllGetClassObject(REFCLSID c, REFIID i, void** p) { return com::ComServer().GetClassObject(c, i, p); }
//   STDAPI DllCanUnloadNow() { return com::ComServer().CanUnloadNow(); }
//   STDAPI DllRegisterServer() { return com::ComServer().RegisterServer(); }
//   STDAPI DllUnregisterServer() { return com::ComServer().UnregisterServer(); }
//
// The server's type library is resource 1 (TYPELIB) of the server's own file.
#pragma once
#include <functional>
#include <string>
#include <vector>
#include <windows.h>
#include <ole2.h>
#include "platform/com/AutoObject.h"
#include "platform/com/ComPtr.h"

namespace com {

enum class TThreadingModel { Apartment, Free, Both, Neutral };

// Where registration writes: machine-wide (HKLM\Software\Classes, RegisterTypeLib) or for the
// current user (HKCU\Software\Classes, RegisterTypeLibForUser). Auto picks machine-wide when the
// machine's classes may be written and falls back to the user when they may not.
enum class TRegistrationScope { Auto, Machine, User };

class TAutoObjectFactory;

class TComServer {
public:
    TComServer();
    TComServer(const TComServer&) = delete;
    TComServer& operator=(const TComServer&) = delete;

    HMODULE Module() const noexcept { return FModule; }
    std::wstring FileName() const;  // full path of the server's file

    // The one count of live objects, outstanding factory references and locks.
    void Lock() noexcept;
    void Unlock() noexcept;
    LONG LockCount() const noexcept { return FCount; }

    // An extra condition that keeps the server loaded while it holds (for instance: while any of
    // its windows exists). Checked by CanUnloadNow after the count.
    void SetBusyCheck(std::function<bool()> busy) { FBusy = std::move(busy); }

    // The entry points.
    HRESULT GetClassObject(REFCLSID clsid, REFIID iid, void** ppv) noexcept;
    HRESULT CanUnloadNow() noexcept;
    HRESULT RegisterServer() noexcept;    // S_OK or E_FAIL
    HRESULT UnregisterServer() noexcept;  // S_OK or E_FAIL

    // The same, raising the error instead of returning E_FAIL.
    void Register();
    void Unregister();

    // The scope registration uses. Unless set here, the environment variable
    // COM_REGISTRATION_SCOPE ("machine" or "user") decides, else Auto. Unregistration always
    // removes the entries from both scopes, wherever they exist.
    void SetRegistrationScope(TRegistrationScope scope) noexcept { FScope = scope; }
    TRegistrationScope RegistrationScope() const;

    // The server's own type library (resource 1 of its file). EOleError when it cannot be loaded.
    ComPtr<ITypeLib> LoadTypeLib() const;

    void AddFactory(TAutoObjectFactory* factory);
    void RemoveFactory(TAutoObjectFactory* factory) noexcept;
    TAutoObjectFactory* FindFactory(REFCLSID clsid) const noexcept;

private:
    void RegisterIn(TRegistrationScope scope);
    void UnregisterIn(TRegistrationScope scope);

    HMODULE FModule;
    LONG FCount = 0;
    std::function<bool()> FBusy;
    std::vector<TAutoObjectFactory*> FFactories;
    TRegistrationScope FScope = TRegistrationScope::Auto;
};

// The server of the module (DLL or program) this library is linked into.
TComServer& ComServer();

// A class factory for automation objects of one class: any number of objects per factory. The
// class name, its description and its default (dispatch) interface come from the coclass entry of
// the server's type library, loaded on first use.
class TAutoObjectFactory final : public IClassFactory {
public:
    using TCreateFunc = TAutoObject* (*)(TAutoObjectFactory* factory);

    TAutoObjectFactory(const CLSID& classId, TCreateFunc create,
                       TThreadingModel model = TThreadingModel::Apartment);
    ~TAutoObjectFactory();
    TAutoObjectFactory(const TAutoObjectFactory&) = delete;
    TAutoObjectFactory& operator=(const TAutoObjectFactory&) = delete;

    // IUnknown: references to the factory count in the server.
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** ppv) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    // IClassFactory: no aggregation; the new object runs Initialize before it is handed out.
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** ppv) override;
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override;

    const CLSID& ClassID() const noexcept { return FClassID; }
    TThreadingModel ThreadingModel() const noexcept { return FThreadingModel; }

    // From the type library (EOleError when it cannot be read).
    void LoadInfo();
    const std::wstring& ClassName() { LoadInfo(); return FClassName; }
    const std::wstring& Description() { LoadInfo(); return FDescription; }
    const IID& DispIntfIID() { LoadInfo(); return FDispIntfIID; }
    // Empty until LoadInfo has run (it runs before any object is made).
    const std::wstring& ProgID() const noexcept { return FProgID; }

    // Type information for the objects, loaded on first use and kept until the server becomes
    // unloadable; null when it cannot be had.
    ITypeInfo* ClassInfo() noexcept;      // the coclass
    ITypeInfo* DispTypeInfo() noexcept;   // the default interface as the library describes it
    ITypeInfo* InvokeTypeInfo() noexcept; // its vtable half, which ITypeInfo::Invoke calls through
    void ReleaseCaches() noexcept;

    // The class entries under a Classes root (HKLM or HKCU, "Software\Classes\"...).
    void RegisterClassKeys(HKEY hive);
    void UnregisterClassKeys(HKEY hive);

private:
    bool LoadTypeInfos() noexcept;

    CLSID FClassID;
    TCreateFunc FCreate;
    TThreadingModel FThreadingModel;
    LONG FRefCount = 0;
    LONG FLocks = 0;
    bool FInfoLoaded = false;
    std::wstring FClassName, FDescription, FProgID, FVersion;
    IID FDispIntfIID = IID_NULL;
    GUID FLibID = GUID_NULL;
    // Held as raw pointers on purpose: released by ReleaseCaches before the server is unloaded,
    // never from a destructor that may run at process exit after the system libraries are gone.
    ITypeInfo* FClassInfo = nullptr;
    ITypeInfo* FDispTypeInfo = nullptr;
    ITypeInfo* FInvokeTypeInfo = nullptr;
};

// The creation function of a factory for automation class T.
template <class T>
TAutoObject* AutoObjectCreator(TAutoObjectFactory* factory) {
    return CreateAutoObject<T>(factory);
}

}  // namespace com
