// Shared pieces of the COM tests: the server under test, loaded by full path from the test's own
// folder and registered for the whole run; registry reading; running other programs.
#pragma once
#include <optional>
#include <string>
#include <windows.h>
#include <ole2.h>
#include "contract/Ambrel_TLB.h"

namespace comtest {

std::wstring ExeFolder();
std::wstring AmbrelPath();
std::wstring TempFolder();  // a fresh folder of this run, removed at the end

// The four entry points of one loaded copy of a server file.
class TServerDll {
public:
    explicit TServerDll(const std::wstring& path);
    ~TServerDll();
    TServerDll(const TServerDll&) = delete;
    TServerDll& operator=(const TServerDll&) = delete;

    HRESULT GetClassObject(REFCLSID clsid, REFIID iid, void** ppv) const { return FGetClassObject(clsid, iid, ppv); }
    HRESULT CanUnloadNow() const { return FCanUnloadNow(); }
    HRESULT Register() const { return FRegister(); }
    HRESULT Unregister() const { return FUnregister(); }
    HMODULE Module() const { return FModule; }

private:
    HMODULE FModule = nullptr;
    HRESULT(STDAPICALLTYPE* FGetClassObject)(REFCLSID, REFIID, void**) = nullptr;
    HRESULT(STDAPICALLTYPE* FCanUnloadNow)() = nullptr;
    HRESULT(STDAPICALLTYPE* FRegister)() = nullptr;
    HRESULT(STDAPICALLTYPE* FUnregister)() = nullptr;
};

// The Ambrel.dll of the build, loaded for the whole run (registered at start, unregistered at the end).
TServerDll& Ambrel();

// A value of the registry: nullopt when the key or the value does not exist.
std::optional<std::wstring> ReadString(HKEY root, const std::wstring& key, const wchar_t* name = nullptr);
bool KeyExists(HKEY root, const std::wstring& key);

// Runs a command line, waits for its end; exit code and what it wrote to its standard output.
struct TRunResult {
    DWORD exitCode;
    std::string output;
};
TRunResult Run(const std::wstring& commandLine);

struct TErrorInfo {
    bool present = false;
    GUID iid = GUID_NULL;
    std::wstring source, description;
};
TErrorInfo TakeErrorInfo();
void ClearErrorInfo();

}  // namespace comtest
