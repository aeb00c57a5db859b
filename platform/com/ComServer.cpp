#include "platform/com/ComServer.h"
#include <algorithm>
#include "platform/com/Bstr.h"

// In oleaut32 since Vista, missing from the MinGW headers.
extern "C" {
DECLSPEC_IMPORT HRESULT WINAPI RegisterTypeLibForUser(ITypeLib* tlb, OLECHAR* fullPath, OLECHAR* helpDir);
DECLSPEC_IMPORT HRESULT WINAPI UnRegisterTypeLibForUser(REFGUID libid, WORD major, WORD minor, LCID lcid,
                                                        SYSKIND syskind);
}

namespace com {

namespace {

HMODULE ThisModule() {
    HMODULE module = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&ThisModule), &module);
    return module;
}

// ---- registry, below one hive's "Software\Classes" ----

const std::wstring kClasses = L"Software\\Classes\\";

[[noreturn]] void RegistryError(LONG err, const std::wstring& action, const std::wstring& path) {
    HRESULT hr = HRESULT_FROM_WIN32(static_cast<DWORD>(err));
    throw EOleError(hr, action + L" " + path + L": " + SysErrorMessage(hr));
}

class TKey {
public:
    TKey() = default;
    ~TKey() { if (FKey) RegCloseKey(FKey); }
    TKey(const TKey&) = delete;
    TKey& operator=(const TKey&) = delete;
    HKEY* Put() { return &FKey; }
    HKEY Get() const { return FKey; }

private:
    HKEY FKey = nullptr;
};

bool KeyExists(HKEY hive, const std::wstring& path) {
    TKey key;
    return RegOpenKeyExW(hive, (kClasses + path).c_str(), 0, KEY_READ, key.Put()) == ERROR_SUCCESS;
}

void WriteString(HKEY hive, const std::wstring& path, const wchar_t* name, const std::wstring& data) {
    std::wstring full = kClasses + path;
    TKey key;
    LONG err = RegCreateKeyExW(hive, full.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, key.Put(), nullptr);
    if (err != ERROR_SUCCESS) RegistryError(err, L"Cannot create the registry key", full);
    err = RegSetValueExW(key.Get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                         static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t)));
    if (err != ERROR_SUCCESS) RegistryError(err, L"Cannot write the registry key", full);
}

void RemoveValue(HKEY hive, const std::wstring& path, const wchar_t* name) {
    std::wstring full = kClasses + path;
    TKey key;
    LONG err = RegOpenKeyExW(hive, full.c_str(), 0, KEY_SET_VALUE, key.Put());
    if (err == ERROR_FILE_NOT_FOUND) return;
    if (err != ERROR_SUCCESS) RegistryError(err, L"Cannot open the registry key", full);
    err = RegDeleteValueW(key.Get(), name);
    if (err != ERROR_SUCCESS && err != ERROR_FILE_NOT_FOUND) RegistryError(err, L"Cannot delete a value of", full);
}

// Deletes the key when nothing (no value, no subkey) is left in it: anything another program put
// there stays, and so does the key.
void RemoveKeyIfEmpty(HKEY hive, const std::wstring& path) {
    std::wstring full = kClasses + path;
    DWORD subkeys = 0, values = 0;
    {
        TKey key;
        LONG err = RegOpenKeyExW(hive, full.c_str(), 0, KEY_READ, key.Put());
        if (err == ERROR_FILE_NOT_FOUND) return;
        if (err != ERROR_SUCCESS) RegistryError(err, L"Cannot open the registry key", full);
        err = RegQueryInfoKeyW(key.Get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr,
                               nullptr, nullptr, nullptr);
        if (err != ERROR_SUCCESS) RegistryError(err, L"Cannot read the registry key", full);
    }
    if (subkeys || values) return;
    LONG err = RegDeleteKeyW(hive, full.c_str());
    if (err != ERROR_SUCCESS && err != ERROR_FILE_NOT_FOUND) RegistryError(err, L"Cannot delete the registry key", full);
}

HKEY HiveOf(TRegistrationScope scope) { return scope == TRegistrationScope::User ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE; }

bool IsAccessDenied(HRESULT hr) {
    return hr == E_ACCESSDENIED || hr == HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED) || hr == TYPE_E_REGISTRYACCESS;
}

// May this process write the machine's classes?
bool MachineClassesWritable() {
    TKey key;
    return RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Software\\Classes", 0, KEY_CREATE_SUB_KEY | KEY_SET_VALUE,
                         key.Put()) == ERROR_SUCCESS;
}

const wchar_t* ThreadingModelName(TThreadingModel model) {
    switch (model) {
        case TThreadingModel::Apartment: return L"Apartment";
        case TThreadingModel::Free: return L"Free";
        case TThreadingModel::Both: return L"Both";
        case TThreadingModel::Neutral: return L"Neutral";
    }
    return L"Apartment";
}

// The path written as the in-process server: its short (8.3) form when it contains a blank, so
// that clients which split a command line on blanks still find the file.
std::wstring InprocServerPath(const std::wstring& path) {
    if (path.find(L' ') == std::wstring::npos) return path;
    DWORD n = GetShortPathNameW(path.c_str(), nullptr, 0);
    if (n == 0) return path;
    std::wstring shortPath(n, L'\0');
    n = GetShortPathNameW(path.c_str(), shortPath.data(), n);
    if (n == 0 || n >= shortPath.size()) return path;
    shortPath.resize(n);
    return shortPath;
}

struct TLibAttr {
    GUID libid;
    WORD major, minor;
    LCID lcid;
    SYSKIND syskind;
};

TLibAttr LibAttrOf(ITypeLib* tlb) {
    TLIBATTR* attr = nullptr;
    HRESULT hr = tlb->GetLibAttr(&attr);
    if (FAILED(hr)) OleError(hr);
    TLibAttr r{attr->guid, attr->wMajorVerNum, attr->wMinorVerNum, attr->lcid, attr->syskind};
    tlb->ReleaseTLibAttr(attr);
    return r;
}

std::wstring TypeLibKey(const TLibAttr& a) {
    return L"TypeLib\\" + GuidToString(a.libid) + L"\\" + std::to_wstring(a.major) + L"." +
           std::to_wstring(a.minor);
}

}  // namespace

// ---- the server ----

TComServer::TComServer() : FModule(ThisModule()) {}

TComServer& ComServer() {
    static TComServer server;
    return server;
}

std::wstring TComServer::FileName() const {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        DWORD n = GetModuleFileNameW(FModule, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0) OleError(HRESULT_FROM_WIN32(GetLastError()));
        if (n < path.size()) {
            path.resize(n);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

void TComServer::Lock() noexcept { InterlockedIncrement(&FCount); }
void TComServer::Unlock() noexcept { InterlockedDecrement(&FCount); }

void TComServer::AddFactory(TAutoObjectFactory* factory) { FFactories.push_back(factory); }

void TComServer::RemoveFactory(TAutoObjectFactory* factory) noexcept {
    FFactories.erase(std::remove(FFactories.begin(), FFactories.end(), factory), FFactories.end());
}

TAutoObjectFactory* TComServer::FindFactory(REFCLSID clsid) const noexcept {
    for (TAutoObjectFactory* f : FFactories)
        if (f->ClassID() == clsid) return f;
    return nullptr;
}

HRESULT TComServer::GetClassObject(REFCLSID clsid, REFIID iid, void** ppv) noexcept {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    TAutoObjectFactory* factory = FindFactory(clsid);
    if (!factory) return CLASS_E_CLASSNOTAVAILABLE;
    return factory->QueryInterface(iid, ppv);
}

HRESULT TComServer::CanUnloadNow() noexcept {
    if (FCount > 0) return S_FALSE;
    if (FBusy) {
        try {
            if (FBusy()) return S_FALSE;
        } catch (...) {
            return S_FALSE;
        }
    }
    // The system may unload us right after this answer: let go of what we hold of its libraries.
    for (TAutoObjectFactory* f : FFactories) f->ReleaseCaches();
    return S_OK;
}

ComPtr<ITypeLib> TComServer::LoadTypeLib() const {
    std::wstring path = FileName();
    ComPtr<ITypeLib> tlb;
    HRESULT hr = LoadTypeLibEx(path.c_str(), REGKIND_NONE, tlb.Put());
    if (FAILED(hr)) throw EOleError(hr, L"Cannot load the type library of " + path + L": " + SysErrorMessage(hr));
    return tlb;
}

TRegistrationScope TComServer::RegistrationScope() const {
    if (FScope != TRegistrationScope::Auto) return FScope;
    wchar_t value[16] = {};
    DWORD n = GetEnvironmentVariableW(L"COM_REGISTRATION_SCOPE", value, 16);
    if (n > 0 && n < 16) {
        if (lstrcmpiW(value, L"user") == 0) return TRegistrationScope::User;
        if (lstrcmpiW(value, L"machine") == 0) return TRegistrationScope::Machine;
    }
    return TRegistrationScope::Auto;
}

void TComServer::RegisterIn(TRegistrationScope scope) {
    ComPtr<ITypeLib> tlb = LoadTypeLib();
    std::wstring path = FileName();
    HRESULT hr = scope == TRegistrationScope::User ? RegisterTypeLibForUser(tlb.Get(), path.data(), nullptr)
                                                   : RegisterTypeLib(tlb.Get(), path.data(), nullptr);
    if (FAILED(hr)) throw EOleError(hr, L"Cannot register the type library of " + path + L": " + SysErrorMessage(hr));
    for (TAutoObjectFactory* f : FFactories) f->RegisterClassKeys(HiveOf(scope));
}

void TComServer::UnregisterIn(TRegistrationScope scope) {
    HKEY hive = HiveOf(scope);
    for (TAutoObjectFactory* f : FFactories) f->UnregisterClassKeys(hive);
    ComPtr<ITypeLib> tlb = LoadTypeLib();
    TLibAttr attr = LibAttrOf(tlb.Get());
    if (!KeyExists(hive, TypeLibKey(attr))) return;
    HRESULT hr = scope == TRegistrationScope::User
                     ? UnRegisterTypeLibForUser(attr.libid, attr.major, attr.minor, attr.lcid, attr.syskind)
                     : UnRegisterTypeLib(attr.libid, attr.major, attr.minor, attr.lcid, attr.syskind);
    // TYPE_E_REGISTRYACCESS here means our own entry for this platform is gone already (another
    // platform's build may still be registered under the same version key).
    if (FAILED(hr) && hr != TYPE_E_REGISTRYACCESS)
        throw EOleError(hr, L"Cannot unregister the type library: " + SysErrorMessage(hr));
}

void TComServer::Register() {
    TRegistrationScope scope = RegistrationScope();
    bool fallBack = scope == TRegistrationScope::Auto;
    if (scope == TRegistrationScope::Auto)
        scope = MachineClassesWritable() ? TRegistrationScope::Machine : TRegistrationScope::User;
    try {
        RegisterIn(scope);
        return;
    } catch (const EOleError& e) {
        // Leave nothing half-written behind.
        try {
            UnregisterIn(scope);
        } catch (...) {
        }
        if (!(fallBack && scope == TRegistrationScope::Machine && IsAccessDenied(e.ErrorCode()))) throw;
    } catch (...) {
        try {
            UnregisterIn(scope);
        } catch (...) {
        }
        throw;
    }
    try {
        RegisterIn(TRegistrationScope::User);
    } catch (...) {
        try {
            UnregisterIn(TRegistrationScope::User);
        } catch (...) {
        }
        throw;
    }
}

void TComServer::Unregister() {
    // Both scopes, each as far as it goes; the first error is reported after both were tried.
    std::exception_ptr first;
    for (TRegistrationScope scope : {TRegistrationScope::Machine, TRegistrationScope::User}) {
        try {
            UnregisterIn(scope);
        } catch (...) {
            if (!first) first = std::current_exception();
        }
    }
    if (first) std::rethrow_exception(first);
}

HRESULT TComServer::RegisterServer() noexcept {
    try {
        Register();
        return S_OK;
    } catch (...) {
        return E_FAIL;
    }
}

HRESULT TComServer::UnregisterServer() noexcept {
    try {
        Unregister();
        return S_OK;
    } catch (...) {
        return E_FAIL;
    }
}

// ---- the factory ----

TAutoObjectFactory::TAutoObjectFactory(const CLSID& classId, TCreateFunc create, TThreadingModel model)
    : FClassID(classId), FCreate(create), FThreadingModel(model) {
    ComServer().AddFactory(this);
}

TAutoObjectFactory::~TAutoObjectFactory() { ComServer().RemoveFactory(this); }

HRESULT STDMETHODCALLTYPE TAutoObjectFactory::QueryInterface(REFIID iid, void** ppv) {
    if (!ppv) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IClassFactory) {
        *ppv = static_cast<IClassFactory*>(this);
        AddRef();
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE TAutoObjectFactory::AddRef() {
    ComServer().Lock();
    return static_cast<ULONG>(InterlockedIncrement(&FRefCount));
}

ULONG STDMETHODCALLTYPE TAutoObjectFactory::Release() {
    // The factory is a static object: the last release only stops counting it.
    if (FRefCount <= 0) return 0;
    ComServer().Unlock();
    return static_cast<ULONG>(InterlockedDecrement(&FRefCount));
}

HRESULT STDMETHODCALLTYPE TAutoObjectFactory::CreateInstance(IUnknown* outer, REFIID iid, void** ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    try {
        LoadInfo();
        TAutoObject* object = FCreate(this);
        object->ObjAddRef();
        HRESULT hr = object->ObjQueryInterface(iid, ppv);
        object->ObjRelease();  // destroys the object when it did not answer iid
        return hr;
    } catch (...) {
        return HandleSafeCallException(IID_IClassFactory, FProgID);
    }
}

HRESULT STDMETHODCALLTYPE TAutoObjectFactory::LockServer(BOOL lock) {
    if (lock) {
        InterlockedIncrement(&FLocks);
        ComServer().Lock();
        return S_OK;
    }
    // An unlock without a lock would let the server go while its objects live.
    if (FLocks <= 0) return E_UNEXPECTED;
    InterlockedDecrement(&FLocks);
    ComServer().Unlock();
    return S_OK;
}

void TAutoObjectFactory::LoadInfo() {
    if (FInfoLoaded) return;
    ComPtr<ITypeLib> tlb = ComServer().LoadTypeLib();
    ComPtr<ITypeInfo> cls;
    HRESULT hr = tlb->GetTypeInfoOfGuid(FClassID, cls.Put());
    if (FAILED(hr)) throw EOleError(hr, L"The type library has no class " + GuidToString(FClassID));
    Bstr name, doc, libName;
    OleCheck(cls->GetDocumentation(MEMBERID_NIL, name.Put(), doc.Put(), nullptr, nullptr));
    OleCheck(tlb->GetDocumentation(-1, libName.Put(), nullptr, nullptr, nullptr));
    TLibAttr lib = LibAttrOf(tlb.Get());

    TYPEATTR* attr = nullptr;
    OleCheck(cls->GetTypeAttr(&attr));
    WORD implTypes = attr->cImplTypes;
    cls->ReleaseTypeAttr(attr);
    IID dispIid = IID_NULL;
    for (int pass = 0; pass < 2 && dispIid == IID_NULL; ++pass) {
        for (UINT i = 0; i < implTypes; ++i) {
            INT flags = 0;
            if (FAILED(cls->GetImplTypeFlags(i, &flags)) || (flags & IMPLTYPEFLAG_FSOURCE)) continue;
            if (pass == 0 && !(flags & IMPLTYPEFLAG_FDEFAULT)) continue;
            HREFTYPE ref = 0;
            ComPtr<ITypeInfo> intf;
            if (FAILED(cls->GetRefTypeOfImplType(i, &ref)) || FAILED(cls->GetRefTypeInfo(ref, intf.Put()))) continue;
            TYPEATTR* ia = nullptr;
            if (FAILED(intf->GetTypeAttr(&ia))) continue;
            dispIid = ia->guid;
            intf->ReleaseTypeAttr(ia);
            break;
        }
    }

    FClassName = name.Str();
    FDescription = doc.Str();
    FProgID = libName.Str() + L"." + FClassName;
    FVersion = std::to_wstring(lib.major) + L"." + std::to_wstring(lib.minor);
    FLibID = lib.libid;
    FDispIntfIID = dispIid;
    FInfoLoaded = true;
}

bool TAutoObjectFactory::LoadTypeInfos() noexcept {
    if (FClassInfo) return true;
    try {
        LoadInfo();
        ComPtr<ITypeLib> tlb = ComServer().LoadTypeLib();
        ComPtr<ITypeInfo> cls, disp, vtbl;
        if (FAILED(tlb->GetTypeInfoOfGuid(FClassID, cls.Put()))) return false;
        if (FDispIntfIID != IID_NULL && SUCCEEDED(tlb->GetTypeInfoOfGuid(FDispIntfIID, disp.Put()))) {
            TYPEATTR* attr = nullptr;
            if (SUCCEEDED(disp->GetTypeAttr(&attr))) {
                TYPEKIND kind = attr->typekind;
                disp->ReleaseTypeAttr(attr);
                HREFTYPE ref = 0;
                if (kind == TKIND_INTERFACE)
                    vtbl = disp;
                else if (kind == TKIND_DISPATCH && SUCCEEDED(disp->GetRefTypeOfImplType(-1, &ref)))
                    disp->GetRefTypeInfo(ref, vtbl.Put());
            }
        }
        FClassInfo = cls.Detach();
        FDispTypeInfo = disp.Detach();
        FInvokeTypeInfo = vtbl.Detach();
        return true;
    } catch (...) {
        return false;
    }
}

ITypeInfo* TAutoObjectFactory::ClassInfo() noexcept { return LoadTypeInfos() ? FClassInfo : nullptr; }
ITypeInfo* TAutoObjectFactory::DispTypeInfo() noexcept { return LoadTypeInfos() ? FDispTypeInfo : nullptr; }
ITypeInfo* TAutoObjectFactory::InvokeTypeInfo() noexcept { return LoadTypeInfos() ? FInvokeTypeInfo : nullptr; }

void TAutoObjectFactory::ReleaseCaches() noexcept {
    for (ITypeInfo** p : {&FInvokeTypeInfo, &FDispTypeInfo, &FClassInfo}) {
        if (*p) (*p)->Release();
        *p = nullptr;
    }
}

void TAutoObjectFactory::RegisterClassKeys(HKEY hive) {
    LoadInfo();
    std::wstring clsid = GuidToString(FClassID);
    std::wstring key = L"CLSID\\" + clsid;
    WriteString(hive, key, nullptr, FDescription);
    WriteString(hive, key + L"\\InprocServer32", nullptr, InprocServerPath(ComServer().FileName()));
    WriteString(hive, key + L"\\InprocServer32", L"ThreadingModel", ThreadingModelName(FThreadingModel));
    WriteString(hive, FProgID, nullptr, FDescription);
    WriteString(hive, FProgID + L"\\Clsid", nullptr, clsid);
    WriteString(hive, key + L"\\ProgID", nullptr, FProgID);
    WriteString(hive, key + L"\\Version", nullptr, FVersion);
    WriteString(hive, key + L"\\TypeLib", nullptr, GuidToString(FLibID));
}

void TAutoObjectFactory::UnregisterClassKeys(HKEY hive) {
    LoadInfo();
    std::wstring key = L"CLSID\\" + GuidToString(FClassID);
    for (const wchar_t* sub : {L"\\TypeLib", L"\\Version", L"\\ProgID"}) {
        RemoveValue(hive, key + sub, nullptr);
        RemoveKeyIfEmpty(hive, key + sub);
    }
    RemoveValue(hive, FProgID + L"\\Clsid", nullptr);
    RemoveKeyIfEmpty(hive, FProgID + L"\\Clsid");
    RemoveValue(hive, FProgID, nullptr);
    RemoveKeyIfEmpty(hive, FProgID);
    RemoveValue(hive, key + L"\\InprocServer32", L"ThreadingModel");
    RemoveValue(hive, key + L"\\InprocServer32", nullptr);
    RemoveKeyIfEmpty(hive, key + L"\\InprocServer32");
    RemoveValue(hive, key, nullptr);
    RemoveKeyIfEmpty(hive, key);
}

}  // namespace com
