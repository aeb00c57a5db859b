#include "module/UnitQuorvel.h"
#include "module/UnitModuleForm.h"
#include "platform/com/ComServer.h"
#include "platform/ui/Controls.h"

TModuleForm* TQuorvel::CreateModuleForm() { return new TModuleForm(nullptr); }

std::wstring TQuorvel::GetReportText() { return std::wstring(); }

bool TQuorvel::GetCanPause() { return false; }

// Text stays UTF-16 all the way to the form: every GB2312 text survives that round trip anyway,
// and nothing may depend on the machine's code page.
void TQuorvel::LoadConfigText(const std::wstring& Text) { Form()->ReadConfig(Text); }

void* TQuorvel::GetInterface(REFIID iid) {
    if (iid == IID_ITQuorvel) return static_cast<ITQuorvel*>(this);
    return TModuleBase::GetInterface(iid);
}

namespace {
com::TAutoObjectFactory Factory(CLSID_TQuorvel, com::AutoObjectCreator<TQuorvel>, com::TThreadingModel::Apartment);

// The server's code must stay loaded while any of its windows lives: a module's form outlives
// the module object until its posted release, and its timers have windows of their own.
struct TBusyWhileWindows {
    TBusyWhileWindows() {
        com::ComServer().SetBusyCheck([] { return ui::LiveWindowCount() > 0; });
    }
} BusyWhileWindows;
}  // namespace

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void** ppv) {
    return com::ComServer().GetClassObject(clsid, iid, ppv);
}

STDAPI DllCanUnloadNow() { return com::ComServer().CanUnloadNow(); }

STDAPI DllRegisterServer() { return com::ComServer().RegisterServer(); }

STDAPI DllUnregisterServer() { return com::ComServer().UnregisterServer(); }

// Unloaded by FreeLibrary (not at process exit): the window classes registered with this
// module's procedures must go with the code, or a later load would find them stale.
BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved) {
    if (reason == DLL_PROCESS_DETACH && reserved == nullptr) ui::UnregisterWindowClasses();
    return TRUE;
}
