// The creator: turns the class identifier text of a configuration document into a module object.
#pragma once
#include "contract/Ambrel_TLB.h"
#include "platform/com/AutoObject.h"

class TModuleCreator : public com::TAutoObject, public IModuleCreator {
public:
    // Value: a new module answering IModuleExcutor; empty when the class is missing, cannot be
    // made or is not a module. Fails with the conversion's code when UIID is no class identifier.
    HRESULT STDMETHODCALLTYPE CreateObject(BSTR UIID, IModuleExcutor** Value) override;

protected:
    void* GetInterface(REFIID iid) override;
};
