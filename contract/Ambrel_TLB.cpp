#include "contract/Ambrel_TLB.h"

com::ComPtr<IModuleCreator> CoModuleCreator::Create() {
    com::ComPtr<IUnknown> instance;
    HRESULT hr = CoCreateInstance(CLSID_ModuleCreator, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER,
                                  IID_IUnknown, instance.PutVoid());
    if (FAILED(hr)) com::OleError(hr);
    com::ComPtr<IModuleCreator> creator = instance.As<IModuleCreator>(IID_IModuleCreator);
    if (!creator) throw com::EIntfCastError(L"Interface not supported");
    return creator;
}
