// The creator server: the contract's type library (resource 1) and the class ModuleCreator.
#include <windows.h>
#include <ole2.h>
#include "platform/com/ComServer.h"

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void** ppv) {
    return com::ComServer().GetClassObject(clsid, iid, ppv);
}

STDAPI DllCanUnloadNow() { return com::ComServer().CanUnloadNow(); }

STDAPI DllRegisterServer() { return com::ComServer().RegisterServer(); }

STDAPI DllUnregisterServer() { return com::ComServer().UnregisterServer(); }
