// The shared definition of the contract, compiled into the host, the creator server and every
// module server: the declarations generated from Ambrel.idl (interfaces IModuleCreator,
// IModuleExcutor, IEventCallor; LIBID_Ambrel, IID_..., CLSID_ModuleCreator) and the host's way of
// making a creator.
#pragma once
#include <windows.h>
#include <ole2.h>
#include "Ambrel_h.h"
#include "platform/com/ComPtr.h"
#include "platform/com/OleError.h"

class CoModuleCreator {
public:
    // A new creator object, in-process or local server. EOleError with the component library's
    // code when ModuleCreator cannot be made; EIntfCastError when the object made does not
    // answer IModuleCreator.
    static com::ComPtr<IModuleCreator> Create();
};
