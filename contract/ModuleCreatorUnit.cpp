#include "contract/ModuleCreatorUnit.h"
#include "platform/com/Bstr.h"
#include "platform/com/ComServer.h"

namespace {
com::TAutoObjectFactory Factory(CLSID_ModuleCreator, com::AutoObjectCreator<TModuleCreator>,
                                com::TThreadingModel::Apartment);
}

void* TModuleCreator::GetInterface(REFIID iid) {
    if (iid == IID_IModuleCreator) return static_cast<IModuleCreator*>(this);
    return TAutoObject::GetInterface(iid);
}

HRESULT STDMETHODCALLTYPE TModuleCreator::CreateObject(BSTR UIID, IModuleExcutor** Value) {
    return SafeCall(IID_IModuleCreator, [&] {
        if (!Value) throw com::EOleError(E_POINTER, L"CreateObject: no place for the result");
        *Value = nullptr;
        CLSID clsid = com::StringToClsid(com::BstrText(UIID));
        // Whether the class is missing, cannot be loaded or refuses: no instance, no module.
        com::ComPtr<IUnknown> instance;
        CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, instance.PutVoid());
        if (instance && FAILED(instance->QueryInterface(IID_IModuleExcutor, reinterpret_cast<void**>(Value))))
            *Value = nullptr;  // whatever a refusing object left there is not ours to hand out
        // An instance that is not a module goes with `instance`.
    });
}
